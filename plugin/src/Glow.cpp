// The glow on badged app and folder icon views.
#include "Nimbra.h"

namespace {

constexpr CGFloat kGlowThreshold = 4.0;  // a radius at or below it changes nothing
constexpr CGFloat kRadiusCap = 17.5;
constexpr int kIconImageVariant = 2;

Class recycledContainerClass = nullptr;

// The sends of one kind of pass, each from a site of its own. App icon views and folder
// icon views are sent the same selectors, and so are their icons, but a pass over one kind
// keeps to receivers of one class, which its sites stay bound to.
struct PassSends {
  PassSends(const char* badgeTest, const char* radius) : badgeTest(badgeTest), radius(radius) {}
  objc::SendSite badgeTest, radius;
  objc::SendSite icon{"icon"};
  objc::SendSite badgeNumberOrString{"badgeNumberOrString"};
  objc::SendSite layer{"layer"};
};
const PassSends appIcon("hasBadge", "calculateRadius");
const PassSends folderIcon("folderHasBadge", "calculateFolderRadius");

// The host answers "icon" with a plain pointer (the view owns its icon) and
// "badgeNumberOrString" with one the icon keeps, so reading a badge counts no references.
NSObject* badgeValue(const PassSends& sends, NSObject* view) {
  return sends.badgeNumberOrString.send<NSObject*>(sends.icon.send<NSObject*>(view));
}

// A badge value is a number, a string or anything else; one look at its class tells.
enum class BadgeKind { None, Number, String, Other };

BadgeKind kindOf(NSObject* badge) {
  if (!badge) return BadgeKind::None;
  static const Class number = NSNumber::class_();
  static const Class string = NSString::class_();
  Class cls = badge->getClass();
  if (cls == number || class_isSubclassOf(cls, number)) return BadgeKind::Number;
  if (cls == string || class_isSubclassOf(cls, string)) return BadgeKind::String;
  return BadgeKind::Other;
}

// The layer is asked for anew before every change, as the host may swap a view's layer;
// the view machinery answers "layer" with a plain pointer (the view owns the layer). The
// sends of one glow share their method lookup.
class LayerOf {
 public:
  LayerOf(const PassSends& sends, NSObject* view) : send_(sends.layer, view) {}
  CALayer* operator()() { return send_.send<CALayer*>(); }

 private:
  objc::RepeatedSend send_;
};

void setGlow(const PassSends& sends, NSObject* view, CGFloat radius) {
  static const CGColorRef none;
  const CGColorRef& color = daColor ? daColor->CGColor() : none;
  LayerOf layerOf(sends, view);
  if (CALayer* layer = layerOf()) layer->setShadowColor(color);
  if (CALayer* layer = layerOf()) layer->setShadowRadius(radius);
  if (CALayer* layer = layerOf()) layer->setShadowOpacity(1.0f);
  if (CALayer* layer = layerOf()) layer->setShadowOffset(CGSizeZero);
  if (CALayer* layer = layerOf()) layer->setMasksToBounds(NO);
}

void clearGlow(const PassSends& sends, NSObject* view) {
  LayerOf layerOf(sends, view);
  static const CGColorRef& clear = UIColor::clearColor()->CGColor();
  if (CALayer* layer = layerOf()) layer->setShadowColor(clear);
  if (CALayer* layer = layerOf()) layer->setShadowRadius(0.0);
  if (CALayer* layer = layerOf()) layer->setShadowOpacity(0.0f);
}

// Folders go by their badge; app icons take the custom strength when it is on.
enum class Strength { ByBadge, CustomWhenEnabled };

// What both passes share once the host's layout has run.
void applyGlow(const PassSends& sends, NSObject* view, BOOL enabled, Strength strength) {
  if (!enabled || !sends.badgeTest.send<BOOL>(view)) {
    clearGlow(sends, view);
    return;
  }
  if (!daColor && !sameAsApp) reloadPrefs();
  CGFloat radius = strength == Strength::CustomWhenEnabled && customStrengthEnabled
                       ? customStrength
                       : sends.radius.send<CGFloat>(view);
  if (radius <= kGlowThreshold) return;
  if (radius > kRadiusCap) radius = kRadiusCap;
  if (sameAsApp) {
    // The icon keeps its image: a plain pointer. dominantColor makes its colour.
    NSObject* image = objc_msgSend<NSObject*>(sends.icon.send<NSObject*>(view),
                                              OBJC_SEL("getIconImage:"), kIconImageVariant);
    daColor = objc_cast<UIColor>(objc_msgSend<id>(image, OBJC_SEL("dominantColor")));
  } else {
    checkColor();
  }
  setGlow(sends, view, radius);
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
  applyGlow(appIcon, self, isEnabled, Strength::CustomWhenEnabled);
}

void folderIconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  objc_callImp(origFolderLayout, self, _cmd);
  applyGlow(folderIcon, self, isFolderEnabled, Strength::ByBadge);
}

BOOL hasBadge(NSObject* self, SEL) {
  if (!recycledContainerClass) recycledContainerClass = objc_getClass("SBRecycledViewsContainer");
  if (self->isKindOfClass(recycledContainerClass)) return NO;
  NSObject* badge = badgeValue(appIcon, self);
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
  NSObject* badge = badgeValue(appIcon, self);
  BadgeKind kind = kindOf(badge);
  if (kind != BadgeKind::Number && kind != BadgeKind::String) return 0.0;
  return radiusFor(badge, kind);
}

BOOL folderHasBadge(NSObject* self, SEL) {
  return badgeValue(folderIcon, self) != nullptr;
}

CGFloat calculateFolderRadius(NSObject* self, SEL) {
  NSObject* badge = badgeValue(folderIcon, self);
  return badge ? radiusFor(badge, kindOf(badge)) : 0.0;
}
