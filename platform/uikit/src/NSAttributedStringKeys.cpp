#include "UIKit/NSAttributedStringKeys.h"

#include "UIKit/UIColor.h"

namespace {
Strong<NSString> key(const char* s) {
  return NSString::stringWithUTF8String(s);
}

// Core Text cannot see UIColor; teach it to read one when UIKit loads.
[[maybe_unused]] const bool colorConverterRegistered = [] {
  CTRegisterColorConverter([](const id& v) -> CGColorRef {
    auto c = objc_cast<UIColor>(v);
    return c ? c->CGColor() : nullptr;
  });
  return true;
}();
}  // namespace

const Strong<NSString> NSFontAttributeName = key("NSFont");
const Strong<NSString> NSForegroundColorAttributeName = key("NSColor");
const Strong<NSString> NSBackgroundColorAttributeName = key("NSBackgroundColor");
const Strong<NSString> NSParagraphStyleAttributeName = key("NSParagraphStyle");
const Strong<NSString> NSKernAttributeName = key("NSKern");
const Strong<NSString> NSLigatureAttributeName = key("NSLigature");
const Strong<NSString> NSUnderlineStyleAttributeName = key("NSUnderline");
const Strong<NSString> NSUnderlineColorAttributeName = key("NSUnderlineColor");
const Strong<NSString> NSStrikethroughStyleAttributeName = key("NSStrikethrough");
const Strong<NSString> NSStrikethroughColorAttributeName = key("NSStrikethroughColor");
const Strong<NSString> NSStrokeWidthAttributeName = key("NSStrokeWidth");
const Strong<NSString> NSStrokeColorAttributeName = key("NSStrokeColor");
const Strong<NSString> NSShadowAttributeName = key("NSShadow");
const Strong<NSString> NSLinkAttributeName = key("NSLink");
const Strong<NSString> NSBaselineOffsetAttributeName = key("NSBaselineOffset");
