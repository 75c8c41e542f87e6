#include "UIKit/UIView.h"

#include <algorithm>
#include <cmath>

#include "Foundation/NSString.h"
#include "QuartzCore/CACompositor.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIViewController.h"
#include "UIKit/UIWindow.h"

// The default implementations behind the runtime's method table.
struct UIViewMethods {
  static UIView* v(NSObject* self) { return static_cast<UIView*>(self); }

  static void layoutSubviews(NSObject*, SEL) {}
  static void drawRect(NSObject*, SEL, CGRect) {}
  static void willMoveToSuperview(NSObject*, SEL, UIView*) {}
  static void didMoveToSuperview(NSObject*, SEL) {}
  static void didMoveToWindow(NSObject*, SEL) {}
  static void setHidden(NSObject* self, SEL, BOOL hidden) { v(self)->layer_->setHidden(hidden); }
  static BOOL isHidden(NSObject* self, SEL) { return v(self)->layer_->isHidden(); }
  static CGRect frame(NSObject* self, SEL) { return v(self)->layer_->frame(); }
  static CGRect bounds(NSObject* self, SEL) { return v(self)->layer_->bounds(); }
  static void setFrame(NSObject* self, SEL, CGRect frame) {
    UIView* view = v(self);
    if (CGRectIsNull(frame) || !std::isfinite(frame.origin.x) || !std::isfinite(frame.origin.y) ||
        !std::isfinite(frame.size.width) || !std::isfinite(frame.size.height))
      return;
    CGSize old = view->layer_->bounds().size;
    view->layer_->setFrame(frame);
    if (!(view->layer_->bounds().size == old)) view->setNeedsLayout();
  }
  static void setBounds(NSObject* self, SEL, CGRect bounds) {
    UIView* view = v(self);
    CGSize old = view->layer_->bounds().size;
    view->layer_->setBounds(bounds);
    if (!(view->layer_->bounds().size == old)) view->setNeedsLayout();
  }
  static void setBackgroundColor(NSObject* self, SEL, UIColor* color) {
    UIView* view = v(self);
    view->backgroundColor_ = color ? color->retainedSelf<UIColor>() : nullptr;
    view->layer_->setBackgroundColor(color ? color->CGColor() : nullptr);
  }
  static CGSize sizeThatFits(NSObject* self, SEL, CGSize) { return v(self)->bounds().size; }
  static CGSize intrinsicContentSize(NSObject*, SEL) { return CGSizeMake(-1, -1); }
  static bool pointInside(NSObject* self, SEL, CGPoint p, UIEvent*) {
    return CGRectContainsPoint(v(self)->bounds(), p);
  }
  static UIView* hitTest(NSObject* self, SEL, CGPoint p, UIEvent* event) {
    UIView* view = v(self);
    // The layer keeps alpha as a float: compare in that precision, so 0.01 itself counts.
    if (view->isHidden() || !view->isUserInteractionEnabled() ||
        static_cast<float>(view->alpha()) < 0.01f)
      return nullptr;
    if (!view->pointInsideWithEvent(p, event)) return nullptr;
    auto subs = view->subviews_;  // hit-testing must not be upset by changes to the tree
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
      CGPoint q = view->convertPointToView(p, it->get());
      if (UIView* hit = (*it)->hitTestWithEvent(q, event)) return hit;
    }
    return view;
  }
  static UIResponder* nextResponder(NSObject* self, SEL) {
    UIView* view = v(self);
    if (auto controller = UIViewController::viewControllerForView(view)) return controller.get();
    return view->superview_;
  }
  static BOOL isUserInteractionEnabled(NSObject* self, SEL) {
    return v(self)->userInteractionEnabled_;
  }
  static BOOL isMultipleTouchEnabled(NSObject* self, SEL) { return v(self)->multipleTouchEnabled_; }

  // Tint: what a view inherits, and the views a change reaches.
  struct TintState {
    UIView* view;
    UIColor* color;  // the effective colour before dimming
    UIViewTintAdjustmentMode mode;
  };
  static UIColor* defaultTint() {
    static auto* blue =
        new Strong<UIColor>(UIColor::colorWithRedGreenBlueAlpha(0, 122.0 / 255, 1, 1));
    return blue->get();
  }
  static UIColor* inheritedColor(const UIView* from) {
    for (const UIView* u = from; u; u = u->superview_)
      if (u->tintColor_) return u->tintColor_.get();
    return defaultTint();
  }
  static UIViewTintAdjustmentMode inheritedMode(const UIView* from) {
    for (const UIView* u = from; u; u = u->superview_)
      if (u->tintAdjustmentMode_ != UIViewTintAdjustmentModeAutomatic)
        return u->tintAdjustmentMode_;
    return UIViewTintAdjustmentModeNormal;
  }
  static void collectTint(UIView* view, UIColor* color, UIViewTintAdjustmentMode mode,
                          std::vector<TintState>* out) {
    if (view->tintColor_) color = view->tintColor_.get();
    if (view->tintAdjustmentMode_ != UIViewTintAdjustmentModeAutomatic)
      mode = view->tintAdjustmentMode_;
    out->push_back({view, color, mode});
    for (auto& sub : view->subviews_) collectTint(sub.get(), color, mode, out);
  }
  static std::vector<TintState> tintOf(UIView* root) {
    std::vector<TintState> states;
    collectTint(root, inheritedColor(root->superview_), inheritedMode(root->superview_), &states);
    return states;
  }
  // The effective tints of a subtree, to compare after a change. The colours are held:
  // the change may drop the last reference to one.
  struct TintSnapshot {
    std::vector<TintState> states;
    std::vector<Strong<UIColor>> held;
  };
  static TintSnapshot snapshotTint(UIView* root) {
    TintSnapshot snap{tintOf(root), {}};
    for (auto& st : snap.states) snap.held.push_back(st.color->retainedSelf<UIColor>());
    return snap;
  }
  // Tells every view of `root`'s subtree whose effective tint differs from `before`. The
  // views are gathered first: a handler may rearrange the tree.
  static void notifyTintChanges(UIView* root, const TintSnapshot& before) {
    std::vector<TintState> after = tintOf(root);
    std::vector<std::pair<UIView*, Strong<NSObject>>> changed;
    for (std::size_t i = 0; i < before.states.size() && i < after.size(); ++i) {
      const TintState &a = before.states[i], &b = after[i];
      if (a.view != b.view) break;  // the tree changed meanwhile: stop comparing
      if (a.mode == b.mode && (a.color == b.color || a.color->isEqual(b.color))) continue;
      changed.emplace_back(b.view, b.view->weak_from_this().lock());
    }
    for (auto& [view, keep] : changed) view->tintColorDidChange();
  }
  template <class Change>
  static void changingTint(UIView* root, Change&& change) {
    auto keep = root->weak_from_this().lock();
    TintSnapshot before = snapshotTint(root);
    change();
    notifyTintChanges(root, before);
  }
  static void tintColorDidChange(NSObject*, SEL) {}
  static UIColor* tintColor(NSObject* self, SEL) { return inheritedColor(v(self)); }
  static void setTintColor(NSObject* self, SEL, UIColor* color) {
    UIView* view = v(self);
    if (view->tintColor_.get() == color) return;
    Strong<UIColor> next = color ? color->retainedSelf<UIColor>() : nullptr;
    changingTint(view, [&] { view->tintColor_ = next; });
  }
  static NSInteger tintAdjustmentMode(NSObject* self, SEL) { return inheritedMode(v(self)); }
  static void setTintAdjustmentMode(NSObject* self, SEL, NSInteger mode) {
    UIView* view = v(self);
    auto next = mode == UIViewTintAdjustmentModeNormal || mode == UIViewTintAdjustmentModeDimmed
                    ? static_cast<UIViewTintAdjustmentMode>(mode)
                    : UIViewTintAdjustmentModeAutomatic;
    if (view->tintAdjustmentMode_ == next) return;
    changingTint(view, [&] { view->tintAdjustmentMode_ = next; });
  }

  // Accessibility: a plain view is no element; what is set on it wins.
  static BOOL isAccessibilityElement(NSObject* self, SEL) {
    return v(self)->accessibility_.element == 1;
  }
  static Strong<NSString> accessibilityLabel(NSObject* self, SEL) {
    return v(self)->accessibility_.label;
  }
  static Strong<NSString> accessibilityHint(NSObject* self, SEL) {
    return v(self)->accessibility_.hint;
  }
  static Strong<NSString> accessibilityValue(NSObject* self, SEL) {
    return v(self)->accessibility_.value;
  }
  static uint64_t accessibilityTraits(NSObject* self, SEL) {
    return v(self)->accessibility_.traits;
  }
  static CGRect accessibilityFrame(NSObject* self, SEL) {
    UIView* view = v(self);
    CGRect r = view->convertRectToView(view->bounds(), nullptr);
    if (UIWindow* window = view->window()) {
      CGRect f = window->frame(), b = window->bounds();
      r = CGRectOffset(r, f.origin.x - b.origin.x, f.origin.y - b.origin.y);
    }
    return r;
  }

  static CALayer* layer(NSObject* self, SEL) { return v(self)->layer_.get(); }
  static UIView* superview(NSObject* self, SEL) { return v(self)->superview_; }
  static void setNeedsLayout(NSObject* self, SEL) { v(self)->setNeedsLayout(); }
  static void layoutIfNeeded(NSObject* self, SEL) { v(self)->layoutIfNeeded(); }
  static void setNeedsDisplay(NSObject* self, SEL) { v(self)->setNeedsDisplay(); }
  static void sizeToFit(NSObject* self, SEL) { v(self)->sizeToFit(); }
  // The layer asks its view to draw: only views whose class has its own drawRect: do.
  static void drawLayer(NSObject* self, SEL, CALayer*, CGContext* ctx) {
    UIView* view = v(self);
    IMP own = class_getMethodImplementation(view->getClass(), OBJC_SEL("drawRect:"));
    if (!ctx || own == objc::imp<&UIViewMethods::drawRect>()) return;
    CGContextRef ref = ctx->retainedSelf<CGContext>();
    UIGraphicsPushContext(ref);
    CGRect b = view->bounds();
    objc_msgSend(view, OBJC_SEL("drawRect:"), b);
    UIGraphicsPopContext();
  }
};

OBJC_CLASS_IMPL(UIView) {
  using M = UIViewMethods;
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&M::layoutSubviews>());
  class_addMethod(cls, OBJC_SEL("drawRect:"), objc::method<&M::drawRect>());
  class_addMethod(cls, OBJC_SEL("setHidden:"), objc::method<&M::setHidden>());
  class_addMethod(cls, OBJC_SEL("isHidden"), objc::method<&M::isHidden>());
  class_addMethod(cls, OBJC_SEL("frame"), objc::method<&M::frame>());
  class_addMethod(cls, OBJC_SEL("bounds"), objc::method<&M::bounds>());
  class_addMethod(cls, OBJC_SEL("setFrame:"), objc::method<&M::setFrame>());
  class_addMethod(cls, OBJC_SEL("setBounds:"), objc::method<&M::setBounds>());
  class_addMethod(cls, OBJC_SEL("setBackgroundColor:"), objc::method<&M::setBackgroundColor>());
  class_addMethod(cls, OBJC_SEL("sizeThatFits:"), objc::method<&M::sizeThatFits>());
  class_addMethod(cls, OBJC_SEL("intrinsicContentSize"), objc::method<&M::intrinsicContentSize>());
  class_addMethod(cls, OBJC_SEL("pointInside:withEvent:"), objc::method<&M::pointInside>());
  class_addMethod(cls, OBJC_SEL("hitTest:withEvent:"), objc::method<&M::hitTest>());
  class_addMethod(cls, OBJC_SEL("willMoveToSuperview:"), objc::method<&M::willMoveToSuperview>());
  class_addMethod(cls, OBJC_SEL("didMoveToSuperview"), objc::method<&M::didMoveToSuperview>());
  class_addMethod(cls, OBJC_SEL("didMoveToWindow"), objc::method<&M::didMoveToWindow>());
  class_addMethod(cls, OBJC_SEL("layer"), objc::method<&M::layer>());
  class_addMethod(cls, OBJC_SEL("superview"), objc::method<&M::superview>());
  class_addMethod(cls, OBJC_SEL("setNeedsLayout"), objc::method<&M::setNeedsLayout>());
  class_addMethod(cls, OBJC_SEL("layoutIfNeeded"), objc::method<&M::layoutIfNeeded>());
  class_addMethod(cls, OBJC_SEL("setNeedsDisplay"), objc::method<&M::setNeedsDisplay>());
  class_addMethod(cls, OBJC_SEL("sizeToFit"), objc::method<&M::sizeToFit>());
  class_addMethod(cls, OBJC_SEL("drawLayer:inContext:"), objc::method<&M::drawLayer>());
  class_addMethod(cls, OBJC_SEL("nextResponder"), objc::method<&M::nextResponder>());
  class_addMethod(cls, OBJC_SEL("isUserInteractionEnabled"),
                  objc::method<&M::isUserInteractionEnabled>());
  class_addMethod(cls, OBJC_SEL("isMultipleTouchEnabled"),
                  objc::method<&M::isMultipleTouchEnabled>());
  class_addMethod(cls, OBJC_SEL("tintColorDidChange"), objc::method<&M::tintColorDidChange>());
  class_addMethod(cls, OBJC_SEL("tintColor"), objc::method<&M::tintColor>());
  class_addMethod(cls, OBJC_SEL("setTintColor:"), objc::method<&M::setTintColor>());
  class_addMethod(cls, OBJC_SEL("tintAdjustmentMode"), objc::method<&M::tintAdjustmentMode>());
  class_addMethod(cls, OBJC_SEL("setTintAdjustmentMode:"),
                  objc::method<&M::setTintAdjustmentMode>());
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"),
                  objc::method<&M::isAccessibilityElement>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"), objc::method<&M::accessibilityLabel>());
  class_addMethod(cls, OBJC_SEL("accessibilityHint"), objc::method<&M::accessibilityHint>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&M::accessibilityValue>());
  class_addMethod(cls, OBJC_SEL("accessibilityTraits"), objc::method<&M::accessibilityTraits>());
  class_addMethod(cls, OBJC_SEL("accessibilityFrame"), objc::method<&M::accessibilityFrame>());
}

UIView::UIView() : layer_(std::make_shared<CALayer>()) {
  layer_->setDelegate(this);
}
UIView::UIView(CGRect frame) : UIView() {
  layer_->setFrame(frame);
}

UIView::~UIView() {
  layer_->setDelegate(nullptr);
  for (auto& s : subviews_) s->superview_ = nullptr;
}

Strong<UIView> UIView::initWithFrame(CGRect frame) {
  return std::make_shared<UIView>(frame);
}

CGRect UIView::frame() const {
  return layer_->frame();
}
void UIView::setFrame(CGRect frame) {
  objc_msgSend(this, OBJC_SEL("setFrame:"), frame);
}
CGRect UIView::bounds() const {
  return layer_->bounds();
}
void UIView::setBounds(CGRect bounds) {
  objc_msgSend(this, OBJC_SEL("setBounds:"), bounds);
}
CGPoint UIView::center() const {
  return layer_->position();
}
void UIView::setCenter(CGPoint center) {
  if (std::isfinite(center.x) && std::isfinite(center.y)) layer_->setPosition(center);
}

UIView* UIView::superview() const {
  return superview_;
}

bool UIView::isDescendantOfView(const UIView* view) const {
  for (const UIView* v = this; v; v = v->superview_)
    if (v == view) return true;
  return false;
}

UIWindow* UIView::window() const {
  const UIView* top = this;
  while (top->superview_) top = top->superview_;
  return const_cast<UIWindow*>(objc_cast<UIWindow>(static_cast<const NSObject*>(top)));
}

namespace {
void notifyWindow(UIView* view) {
  objc_msgSend(view, OBJC_SEL("didMoveToWindow"));
  auto subs = view->subviews();
  for (auto& s : subs) notifyWindow(s.get());
}
}  // namespace

void UIView::insertSubviewAtIndex(const Strong<UIView>& view, int64_t index) {
  if (!view || isDescendantOfView(view.get())) return;
  Strong<UIView> keep = view;
  UIWindow* oldWindow = keep->window();
  if (keep->superview_ != this) {
    objc_msgSend(keep, OBJC_SEL("willMoveToSuperview:"), this);
    // The hook may have rearranged the tree so that the move would now close a cycle.
    if (isDescendantOfView(keep.get())) return;
  }
  auto tintBefore = UIViewMethods::snapshotTint(keep.get());
  // Leave the old place quietly (wherever a hook may have put it): the move is one event.
  if (UIView* old = keep->superview_) {
    auto& list = old->subviews_;
    if (auto it = std::find(list.begin(), list.end(), keep); it != list.end()) list.erase(it);
    keep->layer_->removeFromSuperlayer();
    keep->superview_ = nullptr;
  }
  size_t at = static_cast<size_t>(std::clamp<int64_t>(index, 0, subviews_.size()));
  // The layer goes just below the layer of the view it is inserted before.
  uint32_t layerIndex = static_cast<uint32_t>(layer_->sublayers().size());
  if (at < subviews_.size()) {
    const auto& sl = layer_->sublayers();
    auto it = std::find(sl.begin(), sl.end(), subviews_[at]->layer_);
    if (it != sl.end()) layerIndex = static_cast<uint32_t>(it - sl.begin());
  }
  subviews_.insert(subviews_.begin() + static_cast<std::ptrdiff_t>(at), keep);
  layer_->insertSublayerAtIndex(keep->layer_, layerIndex);
  keep->superview_ = this;
  keep->needsLayout_ = true;
  setNeedsLayout();
  objc_msgSend(keep, OBJC_SEL("didMoveToSuperview"));
  if (keep->window() != oldWindow) notifyWindow(keep.get());
  if (keep->superview_ == this) UIViewMethods::notifyTintChanges(keep.get(), tintBefore);
}

void UIView::addSubview(const Strong<UIView>& view) {
  int64_t end = static_cast<int64_t>(subviews_.size());
  if (view && view->superview_ == this) --end;  // moving to the front
  insertSubviewAtIndex(view, end);
}

void UIView::insertSubviewAboveSubview(const Strong<UIView>& view, const Strong<UIView>& sibling) {
  auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
  if (it == subviews_.end()) return addSubview(view);
  int64_t at = it - subviews_.begin() + 1;
  if (view && view->superview_ == this && std::find(subviews_.begin(), subviews_.end(), view) < it)
    --at;
  insertSubviewAtIndex(view, at);
}

void UIView::insertSubviewBelowSubview(const Strong<UIView>& view, const Strong<UIView>& sibling) {
  auto it = std::find(subviews_.begin(), subviews_.end(), sibling);
  if (it == subviews_.end()) return addSubview(view);
  int64_t at = it - subviews_.begin();
  if (view && view->superview_ == this && std::find(subviews_.begin(), subviews_.end(), view) < it)
    --at;
  insertSubviewAtIndex(view, at);
}

void UIView::bringSubviewToFront(const Strong<UIView>& view) {
  if (view && view->superview_ == this) addSubview(view);
}
void UIView::sendSubviewToBack(const Strong<UIView>& view) {
  if (view && view->superview_ == this) insertSubviewAtIndex(view, 0);
}

void UIView::removeFromSuperview() {
  UIView* parent = superview_;
  if (!parent) return;
  auto self = std::static_pointer_cast<UIView>(weak_from_this().lock());
  bool hadWindow = window() != nullptr;
  objc_msgSend(this, OBJC_SEL("willMoveToSuperview:"), static_cast<UIView*>(nullptr));
  if (superview_ != parent) return;  // the hook moved or removed the view: that stands
  auto tintBefore = UIViewMethods::snapshotTint(this);
  auto& list = parent->subviews_;
  auto it =
      std::find_if(list.begin(), list.end(), [this](const auto& v) { return v.get() == this; });
  layer_->removeFromSuperlayer();
  superview_ = nullptr;
  parent->setNeedsLayout();
  if (it != list.end()) list.erase(it);
  if (!self) return;  // nothing else owned it
  objc_msgSend(this, OBJC_SEL("didMoveToSuperview"));
  if (hadWindow) notifyWindow(this);
  if (!superview_) UIViewMethods::notifyTintChanges(this, tintBefore);
}

UIView* UIView::viewWithTag(int64_t tag) {
  if (tag_ == tag) return this;
  for (auto& s : subviews_)
    if (UIView* v = s->viewWithTag(tag)) return v;
  return nullptr;
}

bool UIView::isHidden() const {
  return objc_msgSend<BOOL>(const_cast<UIView*>(this), OBJC_SEL("isHidden"));
}
void UIView::setHidden(bool hidden) {
  objc_msgSend(this, OBJC_SEL("setHidden:"), BOOL(hidden));
}
CGFloat UIView::alpha() const {
  return layer_->opacity();
}
void UIView::setAlpha(CGFloat alpha) {
  layer_->setOpacity(static_cast<float>(alpha));
}
void UIView::setBackgroundColor(const Strong<UIColor>& color) {
  objc_msgSend(this, OBJC_SEL("setBackgroundColor:"), color.get());
}
bool UIView::clipsToBounds() const {
  return layer_->masksToBounds();
}
void UIView::setClipsToBounds(bool clips) {
  layer_->setMasksToBounds(clips);
}

bool UIView::isUserInteractionEnabled() const {
  return objc_msgSend<BOOL>(const_cast<UIView*>(this), OBJC_SEL("isUserInteractionEnabled"));
}
bool UIView::isMultipleTouchEnabled() const {
  return objc_msgSend<BOOL>(const_cast<UIView*>(this), OBJC_SEL("isMultipleTouchEnabled"));
}

namespace {
// The device greys a dimmed tint: the colour's luminance, lifted towards white.
Strong<UIColor> dimmedColor(UIColor* color) {
  CGFloat r = 0, g = 0, b = 0, a = 1;
  color->getRedGreenBlueAlpha(&r, &g, &b, &a);
  CGFloat luminance = 0.299 * r + 0.587 * g + 0.114 * b;
  return UIColor::colorWithWhiteAlpha(luminance + (1 - luminance) * 0.5, a);
}
}  // namespace

Strong<UIColor> UIView::tintColor() const {
  auto* self = const_cast<UIView*>(this);
  UIColor* color = objc_msgSend<UIColor*>(self, OBJC_SEL("tintColor"));
  if (!color) return nullptr;
  if (tintAdjustmentMode() == UIViewTintAdjustmentModeDimmed) return dimmedColor(color);
  return color->retainedSelf<UIColor>();
}
void UIView::setTintColor(const Strong<UIColor>& color) {
  objc_msgSend(this, OBJC_SEL("setTintColor:"), color.get());
}
UIViewTintAdjustmentMode UIView::tintAdjustmentMode() const {
  return static_cast<UIViewTintAdjustmentMode>(
      objc_msgSend<NSInteger>(const_cast<UIView*>(this), OBJC_SEL("tintAdjustmentMode")));
}
void UIView::setTintAdjustmentMode(NSInteger mode) {
  objc_msgSend(this, OBJC_SEL("setTintAdjustmentMode:"), mode);
}
void UIView::tintColorDidChange() {
  objc_msgSend(this, OBJC_SEL("tintColorDidChange"));
}

bool UIView::isAccessibilityElement() const {
  return objc_msgSend<BOOL>(const_cast<UIView*>(this), OBJC_SEL("isAccessibilityElement"));
}
Strong<NSString> UIView::accessibilityLabel() const {
  return objc_msgSend<Strong<NSString>>(const_cast<UIView*>(this), OBJC_SEL("accessibilityLabel"));
}
Strong<NSString> UIView::accessibilityHint() const {
  return objc_msgSend<Strong<NSString>>(const_cast<UIView*>(this), OBJC_SEL("accessibilityHint"));
}
Strong<NSString> UIView::accessibilityValue() const {
  return objc_msgSend<Strong<NSString>>(const_cast<UIView*>(this), OBJC_SEL("accessibilityValue"));
}
uint64_t UIView::accessibilityTraits() const {
  return objc_msgSend<uint64_t>(const_cast<UIView*>(this), OBJC_SEL("accessibilityTraits"));
}
CGRect UIView::accessibilityFrame() const {
  return objc_msgSend<CGRect>(const_cast<UIView*>(this), OBJC_SEL("accessibilityFrame"));
}

void UIView::setNeedsLayout() {
  needsLayout_ = true;
}

void UIView::layoutIfNeeded() {
  auto self = weak_from_this().lock();  // a hook may remove this view while it runs
  if (needsLayout_) {
    needsLayout_ = false;
    objc_msgSend(this, OBJC_SEL("layoutSubviews"));
  }
  auto subs = subviews_;
  for (auto& s : subs) s->layoutIfNeeded();
}

void UIView::layoutSubviews() {
  objc_msgSend(this, OBJC_SEL("layoutSubviews"));
}
void UIView::setNeedsDisplay() {
  layer_->setNeedsDisplay();
}
void UIView::setNeedsDisplayInRect(CGRect) {
  layer_->setNeedsDisplay();
}
void UIView::drawRect(CGRect rect) {
  objc_msgSend(this, OBJC_SEL("drawRect:"), rect);
}
CGSize UIView::sizeThatFits(CGSize size) {
  return objc_msgSend<CGSize>(this, OBJC_SEL("sizeThatFits:"), size);
}
void UIView::sizeToFit() {
  CGSize s = sizeThatFits(bounds().size);
  CGRect f = frame();
  f.size = s;
  setFrame(f);
}
CGSize UIView::intrinsicContentSize() {
  return objc_msgSend<CGSize>(this, OBJC_SEL("intrinsicContentSize"));
}

UIView* UIView::hitTestWithEvent(CGPoint point, UIEvent* event) {
  return objc_msgSend<UIView*>(this, OBJC_SEL("hitTest:withEvent:"), point, event);
}
bool UIView::pointInsideWithEvent(CGPoint point, UIEvent* event) {
  return objc_msgSend<bool>(this, OBJC_SEL("pointInside:withEvent:"), point, event);
}

CGPoint UIView::convertPointToView(CGPoint point, const UIView* view) const {
  return layer_->convertPointToLayer(point, view ? view->layer_.get() : nullptr);
}
CGPoint UIView::convertPointFromView(CGPoint point, const UIView* view) const {
  return layer_->convertPointFromLayer(point, view ? view->layer_.get() : nullptr);
}
CGRect UIView::convertRectToView(CGRect rect, const UIView* view) const {
  return layer_->convertRectToLayer(rect, view ? view->layer_.get() : nullptr);
}
CGRect UIView::convertRectFromView(CGRect rect, const UIView* view) const {
  return layer_->convertRectFromLayer(rect, view ? view->layer_.get() : nullptr);
}

void UIView::willMoveToSuperview(UIView* newSuperview) {
  objc_msgSend(this, OBJC_SEL("willMoveToSuperview:"), newSuperview);
}
void UIView::didMoveToSuperview() {
  objc_msgSend(this, OBJC_SEL("didMoveToSuperview"));
}
void UIView::didMoveToWindow() {
  objc_msgSend(this, OBJC_SEL("didMoveToWindow"));
}

CGImageRef UIView::renderImage(CGFloat scale) {
  if (!(scale > 0)) scale = UIScreen::mainScreen()->scale();
  layoutIfNeeded();
  return CACompositor::renderLayer(layer_.get(), scale);
}

bool UIView::writePNG(const std::string& path, CGFloat scale) {
  return CGImageWriteToPNGFile(renderImage(scale), path);
}
