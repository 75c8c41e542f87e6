#include "SpringBoard/SBIcon.h"

#include "Foundation/NSNumber.h"
#include "SpringBoard/SBApplicationIcon.h"

namespace {

id displayNameIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->displayName();
}
NSObject* badgeIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->badgeNumberOrString().get();
}
BOOL isFolderIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->isFolderIcon();
}
id imageIMP(NSObject* self, SEL, int variant) {
  return static_cast<SBIcon*>(self)->getIconImage(variant);
}

}  // namespace

OBJC_CLASS_IMPL(SBIcon) {
  class_addMethod(cls, OBJC_SEL("displayName"), reinterpret_cast<IMP>(&displayNameIMP), "@@:");
  class_addMethod(cls, OBJC_SEL("badgeNumberOrString"), reinterpret_cast<IMP>(&badgeIMP), "@@:");
  class_addMethod(cls, OBJC_SEL("isFolderIcon"), reinterpret_cast<IMP>(&isFolderIMP), "B@:");
  class_addMethod(cls, OBJC_SEL("getIconImage:"), reinterpret_cast<IMP>(&imageIMP), "@@:i");
}

OBJC_CLASS_IMPL(SBApplicationIcon) {}

void SBIcon::setBadgeNumberOrString(const id& value) {
  badge_ = objc_cast<NSNumber>(value) || objc_cast<NSString>(value) ? value : nullptr;
}

BOOL SBIcon::badgeValueIsVisible(const id& value) {
  if (auto n = objc_cast<NSNumber>(value)) return n->doubleValue() != 0;
  if (auto s = objc_cast<NSString>(value)) return s->length() > 0;
  return NO;
}
