// Fonts as UIKit sees them. A UIFont is a Core Text font (as on the device, where the
// two are interchangeable), so a UIFont may stand wherever a CTFont attribute goes.
#pragma once

#include "CoreText/CTFont.h"
#include "Foundation/NSString.h"
#include "UIKit/UIKitExport.h"

class NIMBRA_UIKIT_API UIFont : public CTFont {
  OBJC_CLASS(UIFont, CTFont)
 public:
  using CTFont::CTFont;

  // None when no installed font has the name (the device answers nil as well); the
  // device's names in the table of FontCatalog.cpp resolve. Size ≤ 0 means 12.
  static Strong<UIFont> fontWithNameSize(const Strong<NSString>& name, CGFloat size);
  // The interface font: ".SFUI-Regular", ".SFUI-Bold", ".SFUI-Italic" (set in Inter).
  static Strong<UIFont> systemFontOfSize(CGFloat size);
  static Strong<UIFont> boldSystemFontOfSize(CGFloat size);
  static Strong<UIFont> italicSystemFontOfSize(CGFloat size);

  Strong<NSString> fontName() const;
  Strong<NSString> familyName() const;
  CGFloat pointSize() const { return size(); }
  CGFloat ascender() const { return ascent(); }
  CGFloat descender() const { return -descent(); }  // negative below the baseline
  CGFloat leading() const { return CTFont::leading(); }
  // ascender − descender + leading, not rounded.
  CGFloat lineHeight() const { return ascent() + descent() + CTFont::leading(); }
  CGFloat capHeight() const;
  CGFloat xHeight() const;
  Strong<UIFont> fontWithSize(CGFloat size) const;
};
