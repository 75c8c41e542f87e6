#include "UIKit/UIWindow.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <map>

#include "Foundation/NSSet.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"

namespace {

// Taps closer than this in time and space count as one multiple tap.
constexpr double kMultipleTapInterval = 0.35;
constexpr CGFloat kMultipleTapDistance = 22;

double now() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

SEL selectorForPhase(NSInteger phase) {
  switch (phase) {
    case UITouchPhaseBegan:
      return OBJC_SEL("touchesBegan:withEvent:");
    case UITouchPhaseMoved:
      return OBJC_SEL("touchesMoved:withEvent:");
    case UITouchPhaseEnded:
      return OBJC_SEL("touchesEnded:withEvent:");
    case UITouchPhaseCancelled:
      return OBJC_SEL("touchesCancelled:withEvent:");
    default:
      return nullptr;
  }
}

struct UIWindowMethods {
  static UIResponder* nextResponder(NSObject*, SEL) {
    return UIApplication::sharedApplication().get();
  }
  // Each view gets one message per phase with the set of its fingers in that phase.
  static void sendEvent(NSObject*, SEL, UIEvent* event) {
    if (!event) return;
    std::vector<std::pair<std::pair<UIView*, NSInteger>, std::vector<id>>> groups;
    auto touches = event->touches();  // a handler may start or end touches
    for (const auto& touch : touches) {
      if (touch->phase() == UITouchPhaseStationary || !touch->view()) continue;
      std::pair<UIView*, NSInteger> key{touch->view(), touch->phase()};
      auto it = std::find_if(groups.begin(), groups.end(), [&](auto& g) { return g.first == key; });
      if (it == groups.end()) {
        groups.push_back({key, {}});
        it = groups.end() - 1;
      }
      it->second.push_back(touch);
    }
    for (auto& [key, members] : groups) {
      auto set = std::make_shared<NSSet>(members);
      Strong<NSObject> keep = key.first->weak_from_this().lock();
      objc_msgSend(key.first, selectorForPhase(key.second), set.get(), event);
    }
  }
};

}  // namespace

OBJC_CLASS_IMPL(UIWindow) {
  class_addMethod(cls, OBJC_SEL("nextResponder"), objc::method<&UIWindowMethods::nextResponder>());
  class_addMethod(cls, OBJC_SEL("sendEvent:"), objc::method<&UIWindowMethods::sendEvent>());
}

UIWindow::UIWindow() : UIWindow(UIScreen::mainScreen()->bounds()) {}
UIWindow::UIWindow(CGRect frame)
    : UIView(frame), screen_(UIScreen::mainScreen()), event_(std::make_shared<UIEvent>()) {}
UIWindow::~UIWindow() = default;

void UIWindow::makeKeyAndVisible() {
  keyWindow_ = true;
  setHidden(false);
}

void UIWindow::sendEvent(UIEvent* event) {
  objc_msgSend(this, OBJC_SEL("sendEvent:"), event);
}

const std::vector<Strong<UITouch>>& UIWindow::activeTouches() const {
  return event_->touches();
}

Strong<UITouch> UIWindow::touchDownAtPoint(CGPoint point) {
  if (!std::isfinite(point.x) || !std::isfinite(point.y)) return nullptr;
  UIView* hit = hitTestWithEvent(point, event_.get());
  auto view = hit ? std::static_pointer_cast<UIView>(hit->weak_from_this().lock()) : nullptr;
  if (!view) return nullptr;
  if (!view->isMultipleTouchEnabled()) {
    for (const auto& other : event_->touches())
      if (other->view() == view.get()) return nullptr;  // a second finger on a one-finger view
  }
  auto touch = std::make_shared<UITouch>();
  double t = now();
  bool again =
      lastTap_.time >= 0 && t - lastTap_.time <= kMultipleTapInterval &&
      std::hypot(point.x - lastTap_.point.x, point.y - lastTap_.point.y) <= kMultipleTapDistance;
  touch->setTapCount(again ? lastTap_.count + 1 : 1);
  touch->setView(view);
  touch->setWindow(this);
  touch->moveTo(point, t);
  event_->addTouch(touch);
  step(touch, UITouchPhaseBegan, point);
  return touch;
}

void UIWindow::touchMoveToPoint(const Strong<UITouch>& touch, CGPoint point) {
  step(touch, UITouchPhaseMoved, point);
}

void UIWindow::touchUpAtPoint(const Strong<UITouch>& touch, CGPoint point) {
  step(touch, UITouchPhaseEnded, point);
}

void UIWindow::touchCancel(const Strong<UITouch>& touch) {
  if (touch) step(touch, UITouchPhaseCancelled, touch->locationInView(nullptr));
}

void UIWindow::cancelAllTouches() {
  auto touches = event_->touches();
  if (touches.empty()) return;
  for (const auto& touch : touches) touch->setPhase(UITouchPhaseCancelled);
  event_->setTimestamp(now());
  sendEvent(event_.get());
  for (const auto& touch : touches) event_->removeTouch(touch.get());
}

void UIWindow::step(const Strong<UITouch>& touch, NSInteger phase, CGPoint point) {
  auto& touches = event_->touches();
  if (!touch || std::find(touches.begin(), touches.end(), touch) == touches.end()) return;
  if (!std::isfinite(point.x) || !std::isfinite(point.y)) point = touch->locationInView(nullptr);
  double t = now();
  if (phase != UITouchPhaseBegan) touch->moveTo(point, t);
  for (const auto& other : touches)
    if (other != touch) other->setPhase(UITouchPhaseStationary);
  touch->setPhase(static_cast<UITouchPhase>(phase));
  event_->setTimestamp(t);
  Strong<UIWindow> keep = std::static_pointer_cast<UIWindow>(weak_from_this().lock());
  sendEvent(event_.get());
  if (phase == UITouchPhaseEnded) lastTap_ = {point, t, touch->tapCount()};
  if (phase == UITouchPhaseEnded || phase == UITouchPhaseCancelled)
    event_->removeTouch(touch.get());
}
