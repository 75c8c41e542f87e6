// A controller of one view tree. Its view is made on first use by "loadView" and then
// "viewDidLoad", both sent through the runtime so a subclass (from a bundle too)
// overrides them by registering its own implementation.
#pragma once

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIResponder.h"

class NSString;
class UIView;
class UINavigationController;

// A responder whose nextResponder is its view's superview.
class NIMBRA_UIKIT_API UIViewController : public UIResponder {
  OBJC_CLASS(UIViewController, UIResponder)

 public:
  UIViewController() = default;
  ~UIViewController() override;

  Strong<UIView> view();
  BOOL isViewLoaded() const { return view_ != nullptr; }
  void setView(const Strong<UIView>& view);

  // Default: a plain view with the main screen's bounds.
  void loadView();
  void viewDidLoad() {}

  Strong<NSString> title() const { return title_; }
  void setTitle(const Strong<NSString>& title) { title_ = title; }

  // None until pushed onto a navigation controller.
  Strong<UINavigationController> navigationController() const { return navigation_.lock(); }
  void setNavigationController(const Strong<UINavigationController>& nav) { navigation_ = nav; }

  // The controller whose root view is `view`; none for other views.
  static Strong<UIViewController> viewControllerForView(const UIView* view);

 private:
  Strong<UIView> view_;
  Strong<NSString> title_;
  Weak<UINavigationController> navigation_;
};
