// Responders: the objects events travel through. Views, controllers, windows and the
// application are responders; a touch goes to the view that hit-testing found, and each
// responder that does not handle it passes it on to its nextResponder: a view to its
// controller when it is that controller's root view, else to its superview; a controller
// to its view's superview; a window to the application; the application to none.
//
// These go through the runtime's method table, so a subclass overrides one by registering
// its own implementation and reaches the superclass's with UIViewSendSuper (UIView.h):
//   "nextResponder"                 () -> UIResponder*
//   "touchesBegan:withEvent:"       (NSSet* touches, UIEvent* event) -> void
//   "touchesMoved:withEvent:"       (NSSet*, UIEvent*) -> void
//   "touchesEnded:withEvent:"       (NSSet*, UIEvent*) -> void
//   "touchesCancelled:withEvent:"   (NSSet*, UIEvent*) -> void
//   "canBecomeFirstResponder"       () -> BOOL
//   "becomeFirstResponder"          () -> BOOL
//   "resignFirstResponder"          () -> BOOL
//   "isFirstResponder"              () -> BOOL
//   "canPerformAction:withSender:"  (SEL action, NSObject* sender) -> BOOL
// The touch sets hold UITouch objects. The four touch defaults pass the same set and
// event to nextResponder; at the end of the chain the touch is dropped.
#pragma once

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"

class NSSet;
class UIEvent;

class NIMBRA_UIKIT_API UIResponder : public NSObject {
  OBJC_CLASS(UIResponder, NSObject)

 public:
  UIResponder* nextResponder();

  void touchesBeganWithEvent(NSSet* touches, UIEvent* event);
  void touchesMovedWithEvent(NSSet* touches, UIEvent* event);
  void touchesEndedWithEvent(NSSet* touches, UIEvent* event);
  void touchesCancelledWithEvent(NSSet* touches, UIEvent* event);

  // NO by default. becomeFirstResponder answers NO when the receiver cannot become it or
  // the current first responder refuses to resign; YES when it is (or already was) first.
  BOOL canBecomeFirstResponder();
  BOOL becomeFirstResponder();
  BOOL resignFirstResponder();
  BOOL isFirstResponder();
  // The process's first responder, none when no responder is.
  static Strong<UIResponder> firstResponder();

  // Default: YES when the receiver implements `action`, else the next responder's answer
  // (NO at the end of the chain).
  BOOL canPerformActionWithSender(SEL action, NSObject* sender);
};
