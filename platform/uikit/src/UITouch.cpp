#include "UIKit/UITouch.h"

#include "UIKit/UIView.h"
#include "UIKit/UIWindow.h"

OBJC_CLASS_IMPL(UITouch) {}

namespace {
CGPoint inView(CGPoint windowPoint, const UIView* view, const UIWindow* window) {
  if (!view || view == window) return windowPoint;
  return view->convertPointFromView(windowPoint, window);
}
}  // namespace

CGPoint UITouch::locationInView(const UIView* view) const {
  return inView(location_, view, window());
}
CGPoint UITouch::previousLocationInView(const UIView* view) const {
  return inView(previous_, view, window());
}

UIWindow* UITouch::window() const {
  return static_cast<UIWindow*>(window_.lock().get());
}

void UITouch::setWindow(UIWindow* window) {
  window_ = window ? std::static_pointer_cast<UIView>(window->weak_from_this().lock()) : nullptr;
}

void UITouch::moveTo(CGPoint windowPoint, NSTimeInterval timestamp) {
  previous_ = placed_ ? location_ : windowPoint;
  placed_ = true;
  location_ = windowPoint;
  timestamp_ = timestamp;
}
