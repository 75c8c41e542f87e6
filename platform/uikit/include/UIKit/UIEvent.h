// An event: for touches, the set of every finger currently on the window.
#pragma once

#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"

class NSSet;
class UITouch;
class UIView;
class UIWindow;

enum UIEventType : NSInteger {
  UIEventTypeTouches = 0,
};

class NIMBRA_UIKIT_API UIEvent : public NSObject {
  OBJC_CLASS(UIEvent, NSObject)

 public:
  UIEvent() = default;

  UIEventType type() const { return UIEventTypeTouches; }
  NSTimeInterval timestamp() const { return timestamp_; }
  Strong<NSSet> allTouches() const;
  // The touches whose hit view (or window) is the given one.
  Strong<NSSet> touchesForView(const UIView* view) const;
  Strong<NSSet> touchesForWindow(const UIWindow* window) const;

  // Our extension, for the window that delivers touches.
  void setTimestamp(NSTimeInterval t) { timestamp_ = t; }
  void addTouch(const Strong<UITouch>& touch);
  void removeTouch(const UITouch* touch);
  const std::vector<Strong<UITouch>>& touches() const { return touches_; }

 private:
  std::vector<Strong<UITouch>> touches_;
  NSTimeInterval timestamp_ = 0;
};
