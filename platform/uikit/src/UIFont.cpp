#include "UIKit/UIFont.h"

OBJC_CLASS_IMPL(UIFont) {
  class_addMethod(cls, OBJC_SEL("fontName"), objc::imp<&UIFont::fontName>(), "@@:");
  class_addMethod(cls, OBJC_SEL("pointSize"), objc::imp<&UIFont::pointSize>(), "d@:");
}

namespace {
Strong<UIFont> named(const char* name, CGFloat size) {
  return std::make_shared<UIFont>(name, size);
}
}  // namespace

Strong<UIFont> UIFont::fontWithNameSize(const Strong<NSString>& name, CGFloat size) {
  if (!name || name->length() == 0) return nullptr;
  auto f = std::make_shared<UIFont>(std::string_view(name->UTF8String()), size);
  return f->matchedName() ? f : nullptr;
}

Strong<UIFont> UIFont::systemFontOfSize(CGFloat size) {
  return named(".SFUI-Regular", size);
}
Strong<UIFont> UIFont::boldSystemFontOfSize(CGFloat size) {
  return named(".SFUI-Bold", size);
}
Strong<UIFont> UIFont::italicSystemFontOfSize(CGFloat size) {
  return named(".SFUI-Italic", size);
}

Strong<NSString> UIFont::fontName() const {
  return NSString::stringWithUTF8String(postScriptName());
}
Strong<NSString> UIFont::familyName() const {
  return NSString::stringWithUTF8String(CTFont::familyName());
}

CGFloat UIFont::capHeight() const {
  return CTFontGetCapHeight(std::const_pointer_cast<CTFont>(retainedSelf<CTFont>()));
}
CGFloat UIFont::xHeight() const {
  return CTFontGetXHeight(std::const_pointer_cast<CTFont>(retainedSelf<CTFont>()));
}

Strong<UIFont> UIFont::fontWithSize(CGFloat size) const {
  return std::make_shared<UIFont>(face(), size, postScriptName(), CTFont::familyName());
}
