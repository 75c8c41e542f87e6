// A stack of controllers; the top one's view is shown beneath a bar with its title.
#pragma once

#include <vector>

#include "UIKit/UIKitExport.h"
#include "UIKit/UIViewController.h"

class UILabel;

class NIMBRA_UIKIT_API UINavigationController : public UIViewController {
  OBJC_CLASS(UINavigationController, UIViewController)

 public:
  static constexpr CGFloat kBarHeight = 64;  // status bar and navigation bar

  static Strong<UINavigationController> navigationControllerWithRootViewController(
      const Strong<UIViewController>& root);

  void pushViewControllerAnimated(const Strong<UIViewController>& controller, BOOL animated);
  // The popped controller; none (and nothing popped) when only the root is left.
  Strong<UIViewController> popViewControllerAnimated(BOOL animated);

  Strong<UIViewController> topViewController() const;
  const std::vector<Strong<UIViewController>>& viewControllers() const { return stack_; }
  // Our extension: the bar's back button ("< " and the previous title; empty at the root),
  // for hosts that take a click on it. None until the view is loaded.
  UILabel* backButton() const { return backLabel_.get(); }

  void loadView();
  // Shows the top controller's view under the bar; sent after every push and pop.
  void updateVisibleView();

 private:
  std::vector<Strong<UIViewController>> stack_;
  Strong<UIView> bar_;
  Strong<UILabel> titleLabel_;
  Strong<UILabel> backLabel_;
  Strong<UIView> shown_;
};
