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

// A badge value is a number, a string or anything else; one look at its class tells.
enum class BadgeKind { None, Number, String, Other };

BadgeKind kindOf(NSObject* badge) {
  if (!badge) return BadgeKind::None;
  if (badge->isKindOfClass(NSNumber::class_())) return BadgeKind::Number;
  if (badge->isKindOfClass(NSString::class_())) return BadgeKind::String;
  return BadgeKind::Other;
}

// The layer is asked for anew before every change, as the host may swap a view's layer;
// the view machinery answers "layer" with a plain pointer (the view owns the layer).
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
  static const CGColorRef& clear = UIColor::clearColor()->CGColor();
  if (CALayer* layer = layerOf(view)) layer->setShadowColor(clear);
  if (CALayer* layer = layerOf(view)) layer->setShadowRadius(0.0);
  if (CALayer* layer = layerOf(view)) layer->setShadowOpacity(0.0f);
}

// Folders go by their badge; app icons take the custom strength when it is on.
enum class Strength { ByBadge, CustomWhenEnabled };

// What both passes share once the host's layout has run: the view's own badge test and
// radius, "hasBadge" and "calculateRadius" or the folder's.
void applyGlow(NSObject* view, BOOL enabled, SEL badgeTest, SEL radiusOf, Strength strength) {
  if (!enabled || !objc_msgSend<BOOL>(view, badgeTest)) {
    clearGlow(view);
    return;
  }
  if (!daColor && !sameAsApp) reloadPrefs();
  CGFloat radius = strength == Strength::CustomWhenEnabled && customStrengthEnabled
                       ? customStrength
                       : objc_msgSend<CGFloat>(view, radiusOf);
  if (radius <= kGlowThreshold) return;
  if (radius > kRadiusCap) radius = kRadiusCap;
  if (sameAsApp) {
    // The icon keeps its image: a plain pointer. dominantColor makes its colour.
    NSObject* icon = objc_msgSend<NSObject*>(view, OBJC_SEL("icon"));
    NSObject* image = objc_msgSend<NSObject*>(icon, OBJC_SEL("getIconImage:"), kIconImageVariant);
    daColor = objc_cast<UIColor>(objc_msgSend<id>(image, OBJC_SEL("dominantColor")));
  } else {
    checkColor();
  }
  setGlow(view, radius);
}

// floatValue in single precision, widened, as the badge value's own conversion gives it.
CGFloat radiusFor(NSObject* badge, BadgeKind kind) {
  float value = 0.0f;
  if (kind == BadgeKind::Number) {
    value = static_cast<NSNumber*>(badge)->floatValue();
  } else if (kind == BadgeKind::String) {
    value = static_cast<NSString*>(badge)->floatValue();
  }
  return double(value) * 2 + 6.0;
}

}  // namespace

void iconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  objc_callImp(origIconLayout, self, _cmd);
  applyGlow(self, isEnabled, OBJC_SEL("hasBadge"), OBJC_SEL("calculateRadius"),
            Strength::CustomWhenEnabled);
}

void folderIconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  objc_callImp(origFolderLayout, self, _cmd);
  applyGlow(self, isFolderEnabled, OBJC_SEL("folderHasBadge"), OBJC_SEL("calculateFolderRadius"),
            Strength::ByBadge);
}

BOOL hasBadge(NSObject* self, SEL) {
  if (!recycledContainerClass) recycledContainerClass = objc_getClass("SBRecycledViewsContainer");
  if (self->isKindOfClass(recycledContainerClass)) return NO;
  NSObject* badge = badgeValue(self);
  switch (kindOf(badge)) {
    case BadgeKind::String: {
      static const Strong<NSCharacterSet> nonDigits =
          NSCharacterSet::characterSetWithCharactersInString(NSSTR("0123456789"))->invertedSet();
      auto* s = static_cast<NSString*>(badge);
      return s->length() > 0 && s->rangeOfCharacterFromSet(nonDigits).location == NSNotFound;
    }
    case BadgeKind::Number:
      return YES;
    default:
      return NO;
  }
}

CGFloat calculateRadius(NSObject* self, SEL) {
  NSObject* badge = badgeValue(self);
  BadgeKind kind = kindOf(badge);
  if (kind != BadgeKind::Number && kind != BadgeKind::String) return 0.0;
  return radiusFor(badge, kind);
}

BOOL folderHasBadge(NSObject* self, SEL) {
  return badgeValue(self) != nullptr;
}

CGFloat calculateFolderRadius(NSObject* self, SEL) {
  NSObject* badge = badgeValue(self);
  return badge ? radiusFor(badge, kindOf(badge)) : 0.0;
}
