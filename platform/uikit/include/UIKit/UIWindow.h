// A window: the root view of a tree, on a screen.
#pragma once

#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

class UIWindow : public UIView {
  OBJC_CLASS(UIWindow, UIView)
 public:
  UIWindow();
  explicit UIWindow(CGRect frame);
  const Strong<UIScreen>& screen() const { return screen_; }
  void setScreen(const Strong<UIScreen>& screen) { screen_ = screen; }
  void makeKeyAndVisible();
  bool isKeyWindow() const { return keyWindow_; }
  // Our extension: the screen's scale, the tree laid out first.
  bool writePNG(const std::string& path) { return UIView::writePNG(path, screen_->scale()); }

 private:
  Strong<UIScreen> screen_;
  bool keyWindow_ = false;
};
