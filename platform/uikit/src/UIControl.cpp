#include "UIKit/UIControl.h"

#include "Foundation/NSSet.h"
#include "UIKit/UITouch.h"

namespace {

// Whether the finger of `touches` is inside the control now.
bool inside(NSObject* self, NSSet* touches) {
  auto* control = static_cast<UIControl*>(self);
  auto touch = touches ? objc_cast<UITouch>(touches->anyObject()) : nullptr;
  return touch && CGRectContainsPoint(control->bounds(), touch->locationInView(control));
}

void keepTouch(NSObject*, SEL, NSSet*, UIEvent*) {}
void touchEnded(NSObject* self, SEL, NSSet* touches, UIEvent*) {
  if (inside(self, touches))
    static_cast<UIControl*>(self)->sendActionsForControlEvents(UIControlEventTouchUpInside);
}
UIView* controlHitTest(NSObject* self, SEL sel, CGPoint p, UIEvent* event) {
  if (!static_cast<UIControl*>(self)->isEnabled()) return nullptr;
  return UIViewSendSuper<UIView*>(UIControl::super::class_(), self, sel, p, event);
}

}  // namespace

OBJC_CLASS_IMPL(UIControl) {
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&keepTouch>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&keepTouch>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&touchEnded>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"), objc::method<&keepTouch>());
  class_addMethod(cls, OBJC_SEL("hitTest:withEvent:"), objc::method<&controlHitTest>());
}

bool UIControl::touchIsInside(NSObject* self, NSSet* touches) {
  return inside(self, touches);
}

void UIControl::addTargetActionForControlEvents(const id& target, SEL action, uint64_t events) {
  if (!action || !events) return;
  for (auto& t : targets_) {
    if (t.target.lock() == target && t.action == action) {
      t.events |= events;
      return;
    }
  }
  targets_.push_back({target, action, events});
}

void UIControl::removeTargetActionForControlEvents(const id& target, SEL action, uint64_t events) {
  for (auto it = targets_.begin(); it != targets_.end();) {
    bool matches = (!target || it->target.lock() == target) && (!action || it->action == action);
    if (matches) it->events &= ~events;
    it = it->events ? it + 1 : targets_.erase(it);
  }
}

void UIControl::sendActionsForControlEvents(uint64_t events) {
  // A copy: an action may add or remove targets.
  auto targets = targets_;
  for (const auto& t : targets) {
    if (!(t.events & events)) continue;
    if (auto target = t.target.lock()) {
      if (target->respondsToSelector(t.action)) {
        objc_msgSend(target, t.action, static_cast<NSObject*>(this));
      }
    }
  }
}
