#include "UIKit/UIView.h"

#include <algorithm>
#include <cmath>

#include "QuartzCore/CACompositor.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UIScreen.h"
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
    if (view->isHidden() || !view->userInteractionEnabled_ || view->alpha() < 0.01) return nullptr;
    if (!view->pointInsideWithEvent(p, event)) return nullptr;
    auto subs = view->subviews_;  // hit-testing must not be upset by changes to the tree
    for (auto it = subs.rbegin(); it != subs.rend(); ++it) {
      CGPoint q = view->convertPointToView(p, it->get());
      if (UIView* hit = (*it)->hitTestWithEvent(q, event)) return hit;
    }
    return view;
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
    if (!ctx || own == reinterpret_cast<IMP>(&UIViewMethods::drawRect)) return;
    CGContextRef ref = ctx->retainedSelf<CGContext>();
    UIGraphicsPushContext(ref);
    CGRect b = view->bounds();
    objc_msgSend(view, OBJC_SEL("drawRect:"), b);
    UIGraphicsPopContext();
  }
};

OBJC_CLASS_IMPL(UIView) {
  using M = UIViewMethods;
  auto add = [cls](SEL sel, auto fn, const char* types) {
    class_addMethod(cls, sel, reinterpret_cast<IMP>(fn), types);
  };
  add(OBJC_SEL("layoutSubviews"), &M::layoutSubviews, "v@:");
  add(OBJC_SEL("drawRect:"), &M::drawRect, "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
  add(OBJC_SEL("setHidden:"), &M::setHidden, "v@:B");
  add(OBJC_SEL("isHidden"), &M::isHidden, "B@:");
  add(OBJC_SEL("frame"), &M::frame, "{CGRect={CGPoint=dd}{CGSize=dd}}@:");
  add(OBJC_SEL("bounds"), &M::bounds, "{CGRect={CGPoint=dd}{CGSize=dd}}@:");
  add(OBJC_SEL("setFrame:"), &M::setFrame, "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
  add(OBJC_SEL("setBounds:"), &M::setBounds, "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
  add(OBJC_SEL("setBackgroundColor:"), &M::setBackgroundColor, "v@:@");
  add(OBJC_SEL("sizeThatFits:"), &M::sizeThatFits, "{CGSize=dd}@:{CGSize=dd}");
  add(OBJC_SEL("intrinsicContentSize"), &M::intrinsicContentSize, "{CGSize=dd}@:");
  add(OBJC_SEL("pointInside:withEvent:"), &M::pointInside, "B@:{CGPoint=dd}@");
  add(OBJC_SEL("hitTest:withEvent:"), &M::hitTest, "@@:{CGPoint=dd}@");
  add(OBJC_SEL("willMoveToSuperview:"), &M::willMoveToSuperview, "v@:@");
  add(OBJC_SEL("didMoveToSuperview"), &M::didMoveToSuperview, "v@:");
  add(OBJC_SEL("didMoveToWindow"), &M::didMoveToWindow, "v@:");
  add(OBJC_SEL("layer"), &M::layer, "@@:");
  add(OBJC_SEL("superview"), &M::superview, "@@:");
  add(OBJC_SEL("setNeedsLayout"), &M::setNeedsLayout, "v@:");
  add(OBJC_SEL("layoutIfNeeded"), &M::layoutIfNeeded, "v@:");
  add(OBJC_SEL("setNeedsDisplay"), &M::setNeedsDisplay, "v@:");
  add(OBJC_SEL("sizeToFit"), &M::sizeToFit, "v@:");
  add(OBJC_SEL("drawLayer:inContext:"), &M::drawLayer, "v@:@^{CGContext=}");
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

Strong<UIColor> UIView::tintColor() const {
  for (const UIView* v = this; v; v = v->superview_)
    if (v->tintColor_) return v->tintColor_;
  return UIColor::colorWithRedGreenBlueAlpha(0, 122.0 / 255, 1, 1);
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
