// Fonts: a face found by name through fontconfig (with the device-name table in
// FontCatalog.cpp), at a point size. Metrics come from the font's units scaled by
// size / unitsPerEm, never FreeType's rounded size metrics.
#pragma once

#include <string>

#include "CoreFoundation/CFBase.h"
#include "CoreGraphics/CGFont.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreText/CoreTextExport.h"
#include "Foundation/NSString.h"

namespace ct {
struct FontFace;
}

class NIMBRA_CORETEXT_API CTFont : public NSObject {
  OBJC_CLASS(CTFont, NSObject)
 public:
  // `name` is resolved as CTFontCreateWithName does; size ≤ 0 means 12.
  CTFont(std::string_view name, CGFloat size, const CGAffineTransform* matrix = nullptr);
  // A face by file (the pinned fonts of tests and benchmarks).
  CTFont(const ct::FontFace* face, CGFloat size, std::string name, std::string family);

  CGFloat size() const { return size_; }
  const std::string& postScriptName() const { return name_; }
  const std::string& familyName() const { return family_; }
  const CGAffineTransform& matrix() const { return matrix_; }
  const ct::FontFace* face() const { return face_; }
  // false when the name matched no installed font and the default face stands in.
  bool matchedName() const { return matched_; }

  CGFloat ascent() const;
  CGFloat descent() const;  // positive
  CGFloat leading() const;
  CGFloat unitsToPoints(double units) const;
  // A face for drawing, made once.
  CGFontRef graphicsFont() const;

  BOOL isEqual(const NSObject* other) const override;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  const ct::FontFace* face_;
  CGFloat size_;
  CGAffineTransform matrix_;
  std::string name_;
  std::string family_;
  bool matched_ = true;
};
using CTFontRef = Strong<CTFont>;

NIMBRA_CORETEXT_API extern const CFStringRef kCTFontPostScriptNameKey;
NIMBRA_CORETEXT_API extern const CFStringRef kCTFontFamilyNameKey;
NIMBRA_CORETEXT_API extern const CFStringRef kCTFontFullNameKey;

// Never none: an unknown name gives the default face (the stand-in for Helvetica).
NIMBRA_CORETEXT_API CTFontRef CTFontCreateWithName(const CFStringRef& name, CGFloat size,
                                                   const CGAffineTransform* matrix);
// Our extension: a face from a font file; none when the file is not a font.
NIMBRA_CORETEXT_API CTFontRef CTFontCreateWithFontFile(const std::string& path, int faceIndex,
                                                       CGFloat size);
// The same face at another size (size ≤ 0 keeps the size); none for none.
NIMBRA_CORETEXT_API CTFontRef CTFontCreateCopyWithAttributes(const CTFontRef& font, CGFloat size,
                                                             const CGAffineTransform* matrix,
                                                             const id& attributes);
NIMBRA_CORETEXT_API CGFloat CTFontGetSize(const CTFontRef& font);
NIMBRA_CORETEXT_API CFStringRef CTFontCopyPostScriptName(const CTFontRef& font);
NIMBRA_CORETEXT_API CFStringRef CTFontCopyFamilyName(const CTFontRef& font);
NIMBRA_CORETEXT_API CFStringRef CTFontCopyFullName(const CTFontRef& font);
// None for an unknown key.
NIMBRA_CORETEXT_API CFStringRef CTFontCopyName(const CTFontRef& font, const CFStringRef& nameKey);
NIMBRA_CORETEXT_API CGAffineTransform CTFontGetMatrix(const CTFontRef& font);
// 0 for none.
NIMBRA_CORETEXT_API CGFloat CTFontGetAscent(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetDescent(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetLeading(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetUnderlinePosition(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetUnderlineThickness(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetCapHeight(const CTFontRef& font);
NIMBRA_CORETEXT_API CGFloat CTFontGetXHeight(const CTFontRef& font);
NIMBRA_CORETEXT_API unsigned CTFontGetUnitsPerEm(const CTFontRef& font);
// Our extension: the font file behind the font (empty for none).
NIMBRA_CORETEXT_API std::string CTFontCopyFilePath(const CTFontRef& font);
