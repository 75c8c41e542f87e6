#include "CoreGraphics/CGColor.h"

#include <cstdio>
#include <functional>

OBJC_CLASS_IMPL(CGColorSpace) {}
OBJC_CLASS_IMPL(CGColor) {}

BOOL CGColorSpace::isEqual(const NSObject* other) const {
  auto* o = objc_cast<CGColorSpace>(other);
  return o && o->model_ == model_;
}

// A space is no more than its model, so each device space is made once and shared;
// never destroyed, as colours may still be made while static destructors run at exit.
CGColorSpaceRef CGColorSpaceCreateDeviceRGB() {
  static const auto* space =
      new CGColorSpaceRef(std::make_shared<CGColorSpace>(kCGColorSpaceModelRGB));
  return *space;
}
CGColorSpaceRef CGColorSpaceCreateDeviceGray() {
  static const auto* space =
      new CGColorSpaceRef(std::make_shared<CGColorSpace>(kCGColorSpaceModelMonochrome));
  return *space;
}
CGColorSpaceModel CGColorSpaceGetModel(const CGColorSpaceRef& space) {
  return space ? space->model() : kCGColorSpaceModelUnknown;
}
size_t CGColorSpaceGetNumberOfComponents(const CGColorSpaceRef& space) {
  return space ? space->numberOfComponents() : 0;
}

CGColor::CGColor(CGColorSpaceRef space, std::vector<CGFloat> components)
    : space_(space ? std::move(space) : CGColorSpaceCreateDeviceRGB()),
      components_(std::move(components)) {
  size_t n = space_->numberOfComponents() + 1;
  if (components_.size() < n) {
    components_.resize(n - 1, 0.0);
    components_.push_back(1.0);
  }
  components_.resize(n);
}

void CGColor::getRGBA(CGFloat rgba[4]) const {
  if (space_->model() == kCGColorSpaceModelRGB) {
    for (int i = 0; i < 4; ++i) rgba[i] = components_[i];
  } else {
    rgba[0] = rgba[1] = rgba[2] = components_[0];
    rgba[3] = components_[1];
  }
}

BOOL CGColor::isEqual(const NSObject* other) const {
  auto* o = objc_cast<CGColor>(other);
  return o && o->space_->isEqual(space_.get()) && o->components_ == components_;
}

std::size_t CGColor::hash() const {
  std::size_t h = space_->model();
  for (CGFloat c : components_) h = h * 31 + std::hash<CGFloat>()(c);
  return h;
}

std::string CGColor::description() const {
  std::string s = space_->model() == kCGColorSpaceModelRGB ? "<CGColor RGB" : "<CGColor gray";
  char buf[32];
  for (CGFloat c : components_) {
    std::snprintf(buf, sizeof buf, " %g", c);
    s += buf;
  }
  return s + ">";
}

CGColorRef CGColorCreate(const CGColorSpaceRef& space, const CGFloat* components) {
  if (!space || !components) return nullptr;
  size_t n = space->numberOfComponents() + 1;
  return std::make_shared<CGColor>(space, std::vector<CGFloat>(components, components + n));
}
CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue, CGFloat alpha) {
  return std::make_shared<CGColor>(CGColorSpaceCreateDeviceRGB(),
                                   std::vector<CGFloat>{red, green, blue, alpha});
}
CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha) {
  return std::make_shared<CGColor>(CGColorSpaceCreateDeviceGray(),
                                   std::vector<CGFloat>{gray, alpha});
}
CGColorRef CGColorCreateCopy(const CGColorRef& color) {
  if (!color) return nullptr;
  return std::make_shared<CGColor>(color->colorSpace(), color->components());
}
CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color, CGFloat alpha) {
  if (!color) return nullptr;
  auto comps = color->components();
  comps.back() = alpha;
  return std::make_shared<CGColor>(color->colorSpace(), std::move(comps));
}
const CGFloat* CGColorGetComponents(const CGColorRef& color) {
  return color ? color->components().data() : nullptr;
}
size_t CGColorGetNumberOfComponents(const CGColorRef& color) {
  return color ? color->components().size() : 0;
}
CGFloat CGColorGetAlpha(const CGColorRef& color) {
  return color ? color->alpha() : 0.0;
}
CGColorSpaceRef CGColorGetColorSpace(const CGColorRef& color) {
  return color ? color->colorSpace() : nullptr;
}
bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b) {
  if (!a || !b) return !a && !b;
  return a->isEqual(b.get());
}
