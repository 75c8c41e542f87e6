#include "UIKit/UIWindow.h"

OBJC_CLASS_IMPL(UIWindow) {}

UIWindow::UIWindow() : UIWindow(UIScreen::mainScreen()->bounds()) {}
UIWindow::UIWindow(CGRect frame) : UIView(frame), screen_(UIScreen::mainScreen()) {}

void UIWindow::makeKeyAndVisible() {
  keyWindow_ = true;
  setHidden(false);
}
