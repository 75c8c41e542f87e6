// Views: a tree of rectangles, each owning one layer that follows its frame.
//
// Methods that hosts and plug-ins hook or send by name are in the runtime's method table
// and the C++ members below send them through it, so a hook replacing one on any class
// takes effect wherever the view machinery calls it. Those are: "layoutSubviews",
// "drawRect:", "setHidden:", "setFrame:", "setBounds:", "setBackgroundColor:",
// "sizeThatFits:", "intrinsicContentSize", "hitTest:withEvent:", "pointInside:withEvent:",
// "willMoveToSuperview:", "didMoveToSuperview", "didMoveToWindow", "layer", "superview",
// "isHidden", "frame", "bounds", "setNeedsLayout", "layoutIfNeeded", "setNeedsDisplay",
// "sizeToFit", "drawLayer:inContext:", "tintColorDidChange", "tintColor", "setTintColor:",
// "tintAdjustmentMode", "setTintAdjustmentMode:", "isUserInteractionEnabled",
// "isMultipleTouchEnabled", the responder methods of UIResponder.h ("nextResponder",
// the four touch methods, the first-responder questions) and the accessibility methods of
// UIAccessibility.h.
//
// A subclass written in C++ overrides one by registering its own implementation in its
// OBJC_CLASS_IMPL, and calls the superclass's first with UIViewSendSuper:
//
//   static void MyViewLayoutSubviews(NSObject* self, SEL _cmd) {
//     UIViewSendSuper<void>(MyView::super::class_(), self, _cmd);
//     ... own layout ...
//   }
//   OBJC_CLASS_IMPL(MyView) {
//     class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&MyViewLayoutSubviews>());
//   }
//
// Implementations take raw pointers: hitTest:withEvent: is (CGPoint, UIEvent*) -> UIView*,
// drawRect: is (CGRect), setHidden: is (BOOL), sizeThatFits: is (CGSize) -> CGSize,
// willMoveToSuperview: is (UIView*), pointInside:withEvent: is (CGPoint, UIEvent*) -> BOOL,
// tintColorDidChange is () -> void, tintColor () -> UIColor*, setTintColor: (UIColor*),
// tintAdjustmentMode () -> NSInteger, setTintAdjustmentMode: (NSInteger).
//
// Hit-testing answers none for a view that is hidden, has an alpha below 0.01, has user
// interaction off or does not contain the point (pointInside:withEvent:, a bounds test);
// otherwise the first answer of its subviews from the front-most, the point converted into
// each, else the view itself.
//
// Tint: a view's tintColor is its own or the nearest superview's, systemBlue when none
// sets one; its effective tintAdjustmentMode is the first mode other than automatic found
// walking up from it, normal when there is none. While the effective mode is dimmed,
// tintColor answers a desaturated, lighter form of that colour. Every view whose effective
// colour or mode changes (by a setter, or by moving to another superview) is sent
// "tintColorDidChange", ancestors before descendants, after the change is complete.
#pragma once

#include <string>
#include <vector>

#include "QuartzCore/CALayer.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIResponder.h"

class NSString;
class UIEvent;
class UIWindow;

enum UIViewContentMode : int64_t {
  UIViewContentModeScaleToFill = 0,
  UIViewContentModeScaleAspectFit = 1,
  UIViewContentModeScaleAspectFill = 2,
  UIViewContentModeRedraw = 3,
  UIViewContentModeCenter = 4,
};

enum UIViewAutoresizing : uint64_t {
  UIViewAutoresizingNone = 0,
  UIViewAutoresizingFlexibleLeftMargin = 1 << 0,
  UIViewAutoresizingFlexibleWidth = 1 << 1,
  UIViewAutoresizingFlexibleRightMargin = 1 << 2,
  UIViewAutoresizingFlexibleTopMargin = 1 << 3,
  UIViewAutoresizingFlexibleHeight = 1 << 4,
  UIViewAutoresizingFlexibleBottomMargin = 1 << 5,
};

enum UIViewTintAdjustmentMode : NSInteger {
  UIViewTintAdjustmentModeAutomatic = 0,
  UIViewTintAdjustmentModeNormal = 1,
  UIViewTintAdjustmentModeDimmed = 2,
};

// Calls `cls`'s implementation of `sel` (found from `cls` upwards) on `self`.
template <class R = void, class... Args>
R UIViewSendSuper(Class cls, NSObject* self, SEL sel, Args... args) {
  IMP imp = class_getMethodImplementation(cls, sel);
  if (!imp) {
    if constexpr (std::is_void_v<R>) {
      return;
    } else {
      return R{};
    }
  }
  return objc_callImp<R>(imp, self, sel, args...);
}

class NIMBRA_UIKIT_API UIView : public UIResponder {
  OBJC_CLASS(UIView, UIResponder)
 public:
  UIView();
  explicit UIView(CGRect frame);
  ~UIView() override;

  // Device-style creation: std::make_shared<UIView>(frame) does the same.
  static Strong<UIView> initWithFrame(CGRect frame);

  // Geometry (in the superview's coordinates for frame and center).
  CGRect frame() const;
  void setFrame(CGRect frame);
  CGRect bounds() const;
  void setBounds(CGRect bounds);
  CGPoint center() const;
  void setCenter(CGPoint center);

  // Tree. Adding a view that has another superview moves it; adding a view to itself or
  // to one of its own subviews is ignored.
  const std::vector<Strong<UIView>>& subviews() const { return subviews_; }
  UIView* superview() const;
  void addSubview(const Strong<UIView>& view);
  void insertSubviewAtIndex(const Strong<UIView>& view, int64_t index);  // clamped
  void insertSubviewAboveSubview(const Strong<UIView>& view, const Strong<UIView>& sibling);
  void insertSubviewBelowSubview(const Strong<UIView>& view, const Strong<UIView>& sibling);
  void bringSubviewToFront(const Strong<UIView>& view);
  void sendSubviewToBack(const Strong<UIView>& view);
  void removeFromSuperview();
  bool isDescendantOfView(const UIView* view) const;  // inclusive
  UIWindow* window() const;
  // This view or the first descendant (depth first) with the tag; none when missing.
  UIView* viewWithTag(int64_t tag);

  // Appearance
  bool isHidden() const;
  bool hidden() const { return isHidden(); }
  void setHidden(bool hidden);
  CGFloat alpha() const;
  void setAlpha(CGFloat alpha);
  Strong<UIColor> backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const Strong<UIColor>& color);
  bool clipsToBounds() const;
  void setClipsToBounds(bool clips);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  int64_t tag() const { return tag_; }
  void setTag(int64_t tag) { tag_ = tag; }
  bool isUserInteractionEnabled() const;
  void setUserInteractionEnabled(bool enabled) { userInteractionEnabled_ = enabled; }
  // NO by default: while one finger is on the view, another that lands on it is ignored.
  bool isMultipleTouchEnabled() const;
  void setMultipleTouchEnabled(bool enabled) { multipleTouchEnabled_ = enabled; }
  UIViewContentMode contentMode() const { return contentMode_; }
  void setContentMode(UIViewContentMode mode) { contentMode_ = mode; }
  uint64_t autoresizingMask() const { return autoresizingMask_; }
  void setAutoresizingMask(uint64_t mask) { autoresizingMask_ = mask; }
  Strong<UIColor> tintColor() const;
  void setTintColor(const Strong<UIColor>& color);  // none inherits again
  // The effective mode (never automatic); values outside the enumeration set automatic.
  UIViewTintAdjustmentMode tintAdjustmentMode() const;
  void setTintAdjustmentMode(NSInteger mode);
  void tintColorDidChange();
  CALayer* layer() const { return layer_.get(); }
  const Strong<CALayer>& layerRef() const { return layer_; }

  // Layout and display
  void setNeedsLayout();
  bool needsLayout() const { return needsLayout_; }
  // Lays out this view if it needs it, then its subviews, sending "layoutSubviews".
  void layoutIfNeeded();
  void layoutSubviews();
  void setNeedsDisplay();
  void setNeedsDisplayInRect(CGRect rect);
  void drawRect(CGRect rect);
  CGSize sizeThatFits(CGSize size);
  void sizeToFit();
  CGSize intrinsicContentSize();

  // Events and conversion
  UIView* hitTestWithEvent(CGPoint point, UIEvent* event);
  bool pointInsideWithEvent(CGPoint point, UIEvent* event);
  // `view` none means the window (the root of the tree).
  CGPoint convertPointToView(CGPoint point, const UIView* view) const;
  CGPoint convertPointFromView(CGPoint point, const UIView* view) const;
  CGRect convertRectToView(CGRect rect, const UIView* view) const;
  CGRect convertRectFromView(CGRect rect, const UIView* view) const;

  // Accessibility (see UIAccessibility.h). A view is not an element unless set to be; its
  // frame is its bounds on the screen.
  bool isAccessibilityElement() const;
  void setIsAccessibilityElement(bool element) { accessibility_.element = element ? 1 : 0; }
  Strong<NSString> accessibilityLabel() const;
  void setAccessibilityLabel(const Strong<NSString>& label) { accessibility_.label = label; }
  Strong<NSString> accessibilityHint() const;
  void setAccessibilityHint(const Strong<NSString>& hint) { accessibility_.hint = hint; }
  Strong<NSString> accessibilityValue() const;
  void setAccessibilityValue(const Strong<NSString>& value) { accessibility_.value = value; }
  uint64_t accessibilityTraits() const;
  void setAccessibilityTraits(uint64_t traits) { accessibility_.traits = traits; }
  CGRect accessibilityFrame() const;

  // Hooks for subclasses (sent through the runtime).
  void willMoveToSuperview(UIView* newSuperview);
  void didMoveToSuperview();
  void didMoveToWindow();

  // Our extension: renders this view's tree (laid out first) to a PNG at `scale` pixels
  // per point (0: the main screen's scale). NO on failure.
  bool writePNG(const std::string& path, CGFloat scale = 0);
  // The same as an image.
  CGImageRef renderImage(CGFloat scale = 0);

 protected:
  // What setIsAccessibilityElement said: 1 yes, 0 no, -1 never set (the class decides).
  int accessibilityElementSetting() const { return accessibility_.element; }

 private:
  friend struct UIViewMethods;
  void setSuperview(UIView* superview);
  Strong<CALayer> layer_;
  std::vector<Strong<UIView>> subviews_;
  UIView* superview_ = nullptr;
  Strong<UIColor> backgroundColor_;
  Strong<UIColor> tintColor_;
  UIViewTintAdjustmentMode tintAdjustmentMode_ = UIViewTintAdjustmentModeAutomatic;
  bool multipleTouchEnabled_ = false;
  struct Accessibility {
    int element = -1;  // -1: the class's default
    Strong<NSString> label, hint, value;
    uint64_t traits = 0;
  } accessibility_;
  bool opaque_ = true;
  int64_t tag_ = 0;
  bool userInteractionEnabled_ = true;
  bool needsLayout_ = true;
  UIViewContentMode contentMode_ = UIViewContentModeScaleToFill;
  uint64_t autoresizingMask_ = 0;
};
