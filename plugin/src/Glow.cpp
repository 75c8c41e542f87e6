// The glow on badged app and folder icon views.
#include "Nimbra.h"

namespace {

constexpr CGFloat kGlowThreshold = 4.0;  // a radius at or below it changes nothing
constexpr CGFloat kRadiusCap = 17.5;
constexpr int kIconImageVariant = 2;

Class recycledContainerClass = nullptr;

// The host answers "icon" with a plain pointer (the view owns its icon) and
// "badgeNumberOrString" with one the icon keeps, so reading a badge counts no references.
NSObject* badgeValue(NSObject* view) {
  NSObject* icon = objc_msgSend<NSObject*>(view, OBJC_SEL("icon"));
  return objc_msgSend<NSObject*>(icon, OBJC_SEL("badgeNumberOrString"));
}

// Asked for anew before every change, as the host may swap a view's layer.
// The view machinery answers "layer" with a plain pointer; the view owns the layer.
CALayer* layerOf(NSObject* view) {
  return objc_msgSend<CALayer*>(view, OBJC_SEL("layer"));
}

void setGlow(NSObject* view, CGFloat radius) {
  static const CGColorRef none;
  const CGColorRef& color = daColor ? daColor->CGColor() : none;
  if (CALayer* layer = layerOf(view)) layer->setShadowColor(color);
  if (CALayer* layer = layerOf(view)) layer->setShadowRadius(radius);
  if (CALayer* layer = layerOf(view)) layer->setShadowOpacity(1.0f);
  if (CALayer* layer = layerOf(view)) layer->setShadowOffset(CGSizeZero);
  if (CALayer* layer = layerOf(view)) layer->setMasksToBounds(NO);
}

void clearGlow(NSObject* view) {
  if (CALayer* layer = layerOf(view)) layer->setShadowColor(UIColor::clearColor()->CGColor());
  if (CALayer* layer = layerOf(view)) layer->setShadowRadius(0.0);
  if (CALayer* layer = layerOf(view)) layer->setShadowOpacity(0.0f);
}

// Folders go by their badge; app icons take the custom strength when it is on.
enum class Strength { ByBadge, CustomWhenEnabled };

// What both passes share once the host's layout has run.
void applyGlow(NSObject* view, BOOL enabled, SEL badgeTest, Strength strength, SEL radiusSel) {
  if (!enabled || !objc_msgSend<BOOL>(view, badgeTest)) {
    clearGlow(view);
    return;
  }
  if (!daColor && !sameAsApp) reloadPrefs();
  CGFloat radius = strength == Strength::CustomWhenEnabled && customStrengthEnabled
                       ? customStrength
                       : objc_msgSend<CGFloat>(view, radiusSel);
  if (radius <= kGlowThreshold) return;
  if (radius > kRadiusCap) radius = kRadiusCap;
  if (sameAsApp) {
    NSObject* icon = objc_msgSend<NSObject*>(view, OBJC_SEL("icon"));
    id image = objc_msgSend<id>(icon, OBJC_SEL("getIconImage:"), kIconImageVariant);
    daColor = objc_cast<UIColor>(objc_msgSend<id>(image, OBJC_SEL("dominantColor")));
  } else {
    checkColor();
  }
  setGlow(view, radius);
}

// floatValue in single precision, widened, as the badge value's own conversion gives it.
CGFloat radiusFor(NSObject* badge) {
  float value = 0.0f;
  if (auto* n = objc_cast<NSNumber>(badge)) {
    value = n->floatValue();
  } else if (auto* s = objc_cast<NSString>(badge)) {
    value = s->floatValue();
  }
  return double(value) * 2 + 6.0;
}

}  // namespace

void iconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  origIconLayout(self, _cmd);
  applyGlow(self, isEnabled, OBJC_SEL("hasBadge"), Strength::CustomWhenEnabled,
            OBJC_SEL("calculateRadius"));
}

void folderIconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  origFolderLayout(self, _cmd);
  applyGlow(self, isFolderEnabled, OBJC_SEL("folderHasBadge"), Strength::ByBadge,
            OBJC_SEL("calculateFolderRadius"));
}

BOOL hasBadge(NSObject* self, SEL) {
  if (!recycledContainerClass) recycledContainerClass = objc_getClass("SBRecycledViewsContainer");
  if (self->isKindOfClass(recycledContainerClass)) return NO;
  NSObject* badge = badgeValue(self);
  if (auto* s = objc_cast<NSString>(badge)) {
    static const Strong<NSCharacterSet> nonDigits =
        NSCharacterSet::characterSetWithCharactersInString(NSSTR("0123456789"))->invertedSet();
    return s->length() > 0 && s->rangeOfCharacterFromSet(nonDigits).location == NSNotFound;
  }
  return objc_cast<NSNumber>(badge) != nullptr;
}

CGFloat calculateRadius(NSObject* self, SEL) {
  NSObject* badge = badgeValue(self);
  if (!objc_cast<NSNumber>(badge) && !objc_cast<NSString>(badge)) return 0.0;
  return radiusFor(badge);
}

BOOL folderHasBadge(NSObject* self, SEL) {
  return badgeValue(self) != nullptr;
}

CGFloat calculateFolderRadius(NSObject* self, SEL) {
  NSObject* badge = badgeValue(self);
  return badge ? radiusFor(badge) : 0.0;
}
