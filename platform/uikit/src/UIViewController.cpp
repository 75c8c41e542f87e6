#include "UIKit/UIViewController.h"

#include <mutex>
#include <unordered_map>

#include "Foundation/NSString.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UIView.h"

namespace {

// Root views to their controllers, so appearance containment can see controllers.
std::unordered_map<const UIView*, Weak<UIViewController>>& owners() {
  static auto* map = new std::unordered_map<const UIView*, Weak<UIViewController>>;
  return *map;
}

UIViewController* c(NSObject* self) {
  return static_cast<UIViewController*>(self);
}

// The controller keeps its view and title, so both are borrowed.
UIView* controllerView(NSObject* self, SEL) {
  return c(self)->view().get();
}
NSString* controllerTitle(NSObject* self, SEL) {
  return c(self)->title().get();
}
UIResponder* controllerNextResponder(NSObject* self, SEL) {
  return c(self)->isViewLoaded() ? c(self)->view()->superview() : nullptr;
}

}  // namespace

OBJC_CLASS_IMPL(UIViewController) {
  class_addMethod(cls, OBJC_SEL("loadView"), objc::method<&UIViewController::loadView>());
  class_addMethod(cls, OBJC_SEL("viewDidLoad"), objc::method<&UIViewController::viewDidLoad>());
  class_addMethod(cls, OBJC_SEL("view"), objc::method<&controllerView>());
  class_addMethod(cls, OBJC_SEL("title"), objc::method<&controllerTitle>());
  class_addMethod(cls, OBJC_SEL("nextResponder"), objc::method<&controllerNextResponder>());
}

UIViewController::~UIViewController() {
  if (view_) owners().erase(view_.get());
}

Strong<UIView> UIViewController::view() {
  if (!view_) {
    objc_msgSend(this, OBJC_SEL("loadView"));
    if (!view_) loadView();  // an override that set nothing
    objc_msgSend(this, OBJC_SEL("viewDidLoad"));
  }
  return view_;
}

void UIViewController::setView(const Strong<UIView>& view) {
  if (view_) owners().erase(view_.get());
  view_ = view;
  if (view_) owners()[view_.get()] = retainedSelf<UIViewController>();
}

void UIViewController::loadView() {
  auto view = std::make_shared<UIView>(UIScreen::mainScreen()->bounds());
  view->setBackgroundColor(UIColor::whiteColor());
  setView(view);
}

Strong<UIViewController> UIViewController::viewControllerForView(const UIView* view) {
  auto it = owners().find(view);
  return it == owners().end() ? nullptr : it->second.lock();
}
