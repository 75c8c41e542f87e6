#include "UIKit/UIFont.h"

#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

// Archived as "UIFontName", "UIFontPointSize" and, for the interface font, "UISystemFont".
// A name this machine has no font for reads back as the interface font of that size.
namespace {

bool isSystemName(const std::string& name) {
  return name.rfind(".SFUI-", 0) == 0;
}

void fontEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* font = static_cast<UIFont*>(self);
  coder->encodeObjectForKey(font->fontName(), NSSTR("UIFontName"));
  coder->encodeDoubleForKey(font->pointSize(), NSSTR("UIFontPointSize"));
  if (isSystemName(font->postScriptName())) coder->encodeBoolForKey(YES, NSSTR("UISystemFont"));
}

id fontInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  auto name = coder->decodeStringForKey(NSSTR("UIFontName"));
  CGFloat size = coder->decodeDoubleForKey(NSSTR("UIFontPointSize"));
  if (coder->error()) return nullptr;
  if (auto font = UIFont::fontWithNameSize(name, size)) return font;
  return UIFont::systemFontOfSize(size);
}

id fontPlaceholder() {
  static const id placeholder = UIFont::systemFontOfSize(12);
  return placeholder;
}

}  // namespace

OBJC_CLASS_IMPL(UIFont) {
  class_addMethod(cls, OBJC_SEL("fontName"), objc::method<&UIFont::fontName>());
  class_addMethod(cls, OBJC_SEL("pointSize"), objc::method<&UIFont::pointSize>());
  objc::registerAllocWith<&fontPlaceholder>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&fontEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&fontInitWithCoder>());
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
