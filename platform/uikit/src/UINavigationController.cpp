#include "UIKit/UINavigationController.h"

#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

OBJC_CLASS_IMPL(UINavigationController) {
  class_addMethod(cls, OBJC_SEL("loadView"), objc::method<&UINavigationController::loadView>());
}

Strong<UINavigationController> UINavigationController::navigationControllerWithRootViewController(
    const Strong<UIViewController>& root) {
  auto nav = std::make_shared<UINavigationController>();
  if (root) nav->pushViewControllerAnimated(root, NO);
  return nav;
}

void UINavigationController::pushViewControllerAnimated(const Strong<UIViewController>& controller,
                                                        BOOL animated) {
  if (!controller) return;
  for (const auto& c : stack_) {
    if (c == controller) return;  // already on the stack
  }
  controller->setNavigationController(retainedSelf<UINavigationController>());
  stack_.push_back(controller);
  if (isViewLoaded()) updateVisibleView();
}

Strong<UIViewController> UINavigationController::popViewControllerAnimated(BOOL animated) {
  if (stack_.size() <= 1) return nullptr;
  auto top = stack_.back();
  stack_.pop_back();
  top->setNavigationController(nullptr);
  if (isViewLoaded()) updateVisibleView();
  return top;
}

Strong<UIViewController> UINavigationController::topViewController() const {
  return stack_.empty() ? nullptr : stack_.back();
}

void UINavigationController::loadView() {
  CGRect screen = UIScreen::mainScreen()->bounds();
  auto view = std::make_shared<UIView>(screen);
  view->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.94, 1));
  bar_ = std::make_shared<UIView>(CGRectMake(0, 0, screen.size.width, kBarHeight));
  bar_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.97, 1));
  auto rule = std::make_shared<UIView>(CGRectMake(0, kBarHeight - 0.5, screen.size.width, 0.5));
  rule->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.7, 1));
  bar_->addSubview(rule);
  titleLabel_ = std::make_shared<UILabel>(CGRectMake(96, 20, screen.size.width - 192, 44));
  titleLabel_->setFont(UIFont::boldSystemFontOfSize(16));
  titleLabel_->setTextAlignment(NSTextAlignmentCenter);
  bar_->addSubview(titleLabel_);
  backLabel_ = std::make_shared<UILabel>(CGRectMake(8, 20, 90, 44));
  backLabel_->setFont(UIFont::systemFontOfSize(16));
  backLabel_->setTextColor(UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1));
  // Read as the button it is, named for where it goes; the title as the screen's header.
  backLabel_->setAccessibilityTraits(UIAccessibilityTraitButton);
  titleLabel_->setAccessibilityTraits(UIAccessibilityTraitHeader);
  bar_->addSubview(backLabel_);
  view->addSubview(bar_);
  setView(view);
  updateVisibleView();
}

void UINavigationController::updateVisibleView() {
  auto root = view();
  if (shown_) shown_->removeFromSuperview();
  shown_ = nullptr;
  auto top = topViewController();
  if (!top) return;
  CGRect bounds = root->bounds();
  auto content = top->view();
  content->setFrame(CGRectMake(0, kBarHeight, bounds.size.width, bounds.size.height - kBarHeight));
  root->insertSubviewBelowSubview(content, bar_);
  shown_ = content;
  titleLabel_->setText(top->title() ? top->title() : NSString::string());
  if (stack_.size() > 1) {
    auto previous = stack_[stack_.size() - 2]->title();
    auto back = NSString::stringWithFormat("< %@", previous ? previous : NSSTR("Back"));
    backLabel_->setText(back);
    backLabel_->setAccessibilityLabel(previous ? previous : NSSTR("Back"));
  } else {
    backLabel_->setText(NSString::string());
    backLabel_->setAccessibilityLabel(nullptr);
  }
}
