#include "SpringBoard/SBIcon.h"

#include <atomic>

#include "Foundation/NSNumber.h"
#include "SpringBoard/SBApplicationIcon.h"

namespace {

NSObject* displayNameIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->displayName().get();
}
NSObject* badgeIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->badgeNumberOrString().get();
}
BOOL isFolderIMP(NSObject* self, SEL) {
  return static_cast<SBIcon*>(self)->isFolderIcon();
}
NSObject* imageIMP(NSObject* self, SEL, int variant) {
  return static_cast<SBIcon*>(self)->getIconImage(variant).get();
}

}  // namespace

OBJC_CLASS_IMPL(SBIcon) {
  class_addMethod(cls, OBJC_SEL("displayName"), objc::method<&displayNameIMP>());
  class_addMethod(cls, OBJC_SEL("badgeNumberOrString"), objc::method<&badgeIMP>());
  class_addMethod(cls, OBJC_SEL("isFolderIcon"), objc::method<&isFolderIMP>());
  class_addMethod(cls, OBJC_SEL("getIconImage:"), objc::method<&imageIMP>());
}

OBJC_CLASS_IMPL(SBApplicationIcon) {}

namespace {
std::atomic<std::uint64_t> badgeChangeCount{0};
}  // namespace

void SBIcon::setBadgeNumberOrString(const id& value) {
  badge_ = objc_cast<NSNumber>(value) || objc_cast<NSString>(value) ? value : nullptr;
  badgeChangeCount.fetch_add(1, std::memory_order_relaxed);
}

std::uint64_t SBIcon::badgeChanges() {
  return badgeChangeCount.load(std::memory_order_relaxed);
}

BOOL SBIcon::badgeValueIsVisible(const id& value) {
  if (auto n = objc_cast<NSNumber>(value)) return n->doubleValue() != 0;
  if (auto s = objc_cast<NSString>(value)) return s->length() > 0;
  return NO;
}
