#include "UIKit/UIResponder.h"

#include "Foundation/NSSet.h"

namespace {

// One first responder per process, as there is one key window. Not owned: a responder
// that goes away stops being first.
Weak<UIResponder>& current() {
  static auto* responder = new Weak<UIResponder>;
  return *responder;
}

struct UIResponderMethods {
  static UIResponder* nextResponder(NSObject*, SEL) { return nullptr; }
  static void forward(NSObject* self, SEL sel, NSSet* touches, UIEvent* event) {
    UIResponder* next = static_cast<UIResponder*>(self)->nextResponder();
    if (next) objc_msgSend(next, sel, touches, event);
  }
  static BOOL canBecomeFirstResponder(NSObject*, SEL) { return NO; }
  static BOOL isFirstResponder(NSObject* self, SEL) { return current().lock().get() == self; }
  static BOOL becomeFirstResponder(NSObject* self, SEL) {
    auto* responder = static_cast<UIResponder*>(self);
    if (responder->isFirstResponder()) return YES;
    if (!responder->canBecomeFirstResponder()) return NO;
    if (auto previous = current().lock(); previous && !previous->resignFirstResponder()) return NO;
    // Only an owned responder can be remembered; one on the stack cannot become first.
    auto owned = std::static_pointer_cast<UIResponder>(responder->weak_from_this().lock());
    if (!owned) return NO;
    current() = owned;
    return YES;
  }
  static BOOL resignFirstResponder(NSObject* self, SEL) {
    if (current().lock().get() == self) current().reset();
    return YES;
  }
  static BOOL canPerformAction(NSObject* self, SEL, SEL action, NSObject* sender) {
    if (action && self->respondsToSelector(action)) return YES;
    UIResponder* next = static_cast<UIResponder*>(self)->nextResponder();
    return next ? next->canPerformActionWithSender(action, sender) : NO;
  }
};

}  // namespace

OBJC_CLASS_IMPL(UIResponder) {
  using M = UIResponderMethods;
  class_addMethod(cls, OBJC_SEL("nextResponder"), objc::method<&M::nextResponder>());
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&M::forward>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&M::forward>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&M::forward>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"), objc::method<&M::forward>());
  class_addMethod(cls, OBJC_SEL("canBecomeFirstResponder"),
                  objc::method<&M::canBecomeFirstResponder>());
  class_addMethod(cls, OBJC_SEL("becomeFirstResponder"), objc::method<&M::becomeFirstResponder>());
  class_addMethod(cls, OBJC_SEL("resignFirstResponder"), objc::method<&M::resignFirstResponder>());
  class_addMethod(cls, OBJC_SEL("isFirstResponder"), objc::method<&M::isFirstResponder>());
  class_addMethod(cls, OBJC_SEL("canPerformAction:withSender:"),
                  objc::method<&M::canPerformAction>());
}

UIResponder* UIResponder::nextResponder() {
  return objc_msgSend<UIResponder*>(this, OBJC_SEL("nextResponder"));
}
void UIResponder::touchesBeganWithEvent(NSSet* touches, UIEvent* event) {
  objc_msgSend(this, OBJC_SEL("touchesBegan:withEvent:"), touches, event);
}
void UIResponder::touchesMovedWithEvent(NSSet* touches, UIEvent* event) {
  objc_msgSend(this, OBJC_SEL("touchesMoved:withEvent:"), touches, event);
}
void UIResponder::touchesEndedWithEvent(NSSet* touches, UIEvent* event) {
  objc_msgSend(this, OBJC_SEL("touchesEnded:withEvent:"), touches, event);
}
void UIResponder::touchesCancelledWithEvent(NSSet* touches, UIEvent* event) {
  objc_msgSend(this, OBJC_SEL("touchesCancelled:withEvent:"), touches, event);
}
BOOL UIResponder::canBecomeFirstResponder() {
  return objc_msgSend<BOOL>(this, OBJC_SEL("canBecomeFirstResponder"));
}
BOOL UIResponder::becomeFirstResponder() {
  return objc_msgSend<BOOL>(this, OBJC_SEL("becomeFirstResponder"));
}
BOOL UIResponder::resignFirstResponder() {
  return objc_msgSend<BOOL>(this, OBJC_SEL("resignFirstResponder"));
}
BOOL UIResponder::isFirstResponder() {
  return objc_msgSend<BOOL>(this, OBJC_SEL("isFirstResponder"));
}
Strong<UIResponder> UIResponder::firstResponder() {
  return current().lock();
}
BOOL UIResponder::canPerformActionWithSender(SEL action, NSObject* sender) {
  return objc_msgSend<BOOL>(this, OBJC_SEL("canPerformAction:withSender:"), action, sender);
}
