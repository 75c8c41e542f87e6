// A window: the root view of a tree, on a screen, and where touches enter it.
//
// Touch input (our extension, for hosts and tests; points in the window's coordinates):
// touchDownAtPoint hit-tests the point and starts a finger on the view found, unless
// nothing takes it or that view already has a finger and multiple touch off, in which
// case it answers none and delivers nothing. Moving, lifting and cancelling a finger
// deliver to the view it started on, wherever the finger is now. Each step sends
// "sendEvent:" (UIEvent*) -> void to the window, which is in the runtime's method table;
// its default hands every touch that changed to its view's touchesBegan/Moved/Ended/
// Cancelled:withEvent:, the event's other fingers standing still. The window's
// nextResponder is the application.
#pragma once

#include <vector>

#include "UIKit/UIKitExport.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

class UITouch;

class NIMBRA_UIKIT_API UIWindow : public UIView {
  OBJC_CLASS(UIWindow, UIView)
 public:
  UIWindow();
  explicit UIWindow(CGRect frame);
  ~UIWindow() override;
  const Strong<UIScreen>& screen() const { return screen_; }
  void setScreen(const Strong<UIScreen>& screen) { screen_ = screen; }
  void makeKeyAndVisible();
  bool isKeyWindow() const { return keyWindow_; }
  // Our extension: the screen's scale, the tree laid out first.
  bool writePNG(const std::string& path) { return UIView::writePNG(path, screen_->scale()); }

  void sendEvent(UIEvent* event);
  Strong<UITouch> touchDownAtPoint(CGPoint point);
  // A finger that has ended or belongs to another window is ignored.
  void touchMoveToPoint(const Strong<UITouch>& touch, CGPoint point);
  void touchUpAtPoint(const Strong<UITouch>& touch, CGPoint point);
  void touchCancel(const Strong<UITouch>& touch);
  // The system takes every finger away (an alert appears, the window goes).
  void cancelAllTouches();
  // Fingers down, oldest first.
  const std::vector<Strong<UITouch>>& activeTouches() const;

 private:
  void step(const Strong<UITouch>& touch, NSInteger phase, CGPoint point);
  Strong<UIScreen> screen_;
  bool keyWindow_ = false;
  Strong<UIEvent> event_;
  struct LastTap {
    CGPoint point{};
    double time = -1;
    NSUInteger count = 0;
  } lastTap_;
};
