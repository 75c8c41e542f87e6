// A view that sends actions to targets by selector when the user changes it. A control
// keeps the touches that land on it: a finger lifted inside its bounds is a touch up
// inside, which subclasses turn into their own change by overriding
// "touchesEnded:withEvent:" in the runtime's table; a disabled control takes no touches.
#pragma once

#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIView.h"

enum UIControlEvents : uint64_t {
  UIControlEventTouchUpInside = 1 << 6,
  UIControlEventValueChanged = 1 << 12,
  UIControlEventEditingChanged = 1 << 17,
};

class NSSet;

class NIMBRA_UIKIT_API UIControl : public UIView {
  OBJC_CLASS(UIControl, UIView)

 public:
  using UIView::UIView;

  // The action is sent through the runtime as `action(sender)`; its implementation
  // takes (NSObject* self, SEL _cmd, NSObject* sender). Targets are not owned.
  void addTargetActionForControlEvents(const id& target, SEL action, uint64_t events);
  void removeTargetActionForControlEvents(const id& target, SEL action, uint64_t events);
  void sendActionsForControlEvents(uint64_t events);

  // Whether the finger of a touch set is inside `control`'s bounds now, for the subclasses'
  // touch handlers.
  static bool touchIsInside(NSObject* control, NSSet* touches);

  BOOL isEnabled() const { return enabled_; }
  void setEnabled(BOOL enabled) { enabled_ = enabled; }

 private:
  struct Target {
    Weak<NSObject> target;
    SEL action;
    uint64_t events;
  };
  std::vector<Target> targets_;
  BOOL enabled_ = YES;
};
