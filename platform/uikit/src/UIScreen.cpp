#include "UIKit/UIScreen.h"

#include <cmath>

OBJC_CLASS_IMPL(UIScreen) {}

Strong<UIScreen> UIScreen::mainScreen() {
  static const Strong<UIScreen> screen = std::make_shared<UIScreen>();
  return screen;
}

void UIScreen::setScale(CGFloat scale) {
  scale_ = (scale > 0 && std::isfinite(scale)) ? scale : 1;
}
