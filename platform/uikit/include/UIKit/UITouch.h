// One finger on the screen, from the moment it comes down until it lifts or is cancelled.
// The window that delivers it (UIWindow's touch input) keeps it up to date; the view it
// first landed on keeps it for its whole life, even when the finger moves out of that view.
#pragma once

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UIKitExport.h"

class UIView;
class UIWindow;

enum UITouchPhase : NSInteger {
  UITouchPhaseBegan = 0,
  UITouchPhaseMoved = 1,
  UITouchPhaseStationary = 2,
  UITouchPhaseEnded = 3,
  UITouchPhaseCancelled = 4,
};

class NIMBRA_UIKIT_API UITouch : public NSObject {
  OBJC_CLASS(UITouch, NSObject)

 public:
  UITouch() = default;

  // The finger's place in `view`'s coordinates; none means the window's.
  CGPoint locationInView(const UIView* view) const;
  CGPoint previousLocationInView(const UIView* view) const;
  UITouchPhase phase() const { return phase_; }
  // The hit view; kept alive while the touch is.
  UIView* view() const { return view_.get(); }
  UIWindow* window() const;
  // 1 for a single tap, 2 for the second of a double tap, and so on.
  NSUInteger tapCount() const { return tapCount_; }
  // Seconds on a monotonic clock.
  NSTimeInterval timestamp() const { return timestamp_; }

  // Our extension, for the window that delivers touches.
  void setPhase(UITouchPhase phase) { phase_ = phase; }
  void setView(const Strong<UIView>& view) { view_ = view; }
  void setWindow(UIWindow* window);
  void moveTo(CGPoint windowPoint, NSTimeInterval timestamp);
  void setTapCount(NSUInteger count) { tapCount_ = count; }

 private:
  UITouchPhase phase_ = UITouchPhaseBegan;
  Strong<UIView> view_;
  Weak<UIView> window_;
  CGPoint location_{};  // in the window
  CGPoint previous_{};
  bool placed_ = false;
  NSUInteger tapCount_ = 1;
  NSTimeInterval timestamp_ = 0;
};
