#include "UIKit/UIControl.h"

OBJC_CLASS_IMPL(UIControl) {}

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
