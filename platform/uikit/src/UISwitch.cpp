#include "UIKit/UISwitch.h"

#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIAppearance.h"

namespace {

void switchLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UISwitch::super::class_(), self, cmd);
  static_cast<UISwitch*>(self)->layoutSubviews();
}

Strong<UIColor> defaultOnColor() {
  return UIColor::colorWithRedGreenBlueAlpha(0.30, 0.85, 0.39, 1);
}

// A tap inside flips the switch, after the control's own touch-up actions.
void switchTouchesEnded(NSObject* self, SEL cmd, NSSet* touches, UIEvent* event) {
  bool flip = UIControl::touchIsInside(self, touches);
  UIViewSendSuper<void>(UISwitch::super::class_(), self, cmd, touches, event);
  if (flip) static_cast<UISwitch*>(self)->toggle();
}

Strong<NSString> switchAccessibilityValue(NSObject* self, SEL) {
  return static_cast<UISwitch*>(self)->isOn() ? NSSTR("on") : NSSTR("off");
}

}  // namespace

OBJC_CLASS_IMPL(UISwitch) {
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&switchTouchesEnded>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&switchAccessibilityValue>());
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&switchLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("isOn"), objc::method<&UISwitch::isOn>());
  class_addMethod(cls, OBJC_SEL("setOn:"), objc::method<&UISwitch::setOn>());
}

UISwitch::UISwitch() : UIControl(CGRectMake(0, 0, kWidth, kHeight)) {
  layer()->setCornerRadius(kHeight / 2);
  layer()->setBorderWidth(1.5);
  knob_ = std::make_shared<UIView>(CGRectMake(0, 0, kHeight - 4, kHeight - 4));
  knob_->setBackgroundColor(UIColor::whiteColor());
  knob_->layer()->setCornerRadius((kHeight - 4) / 2);
  knob_->layer()->setBorderWidth(0.5);
  knob_->layer()->setBorderColor(UIColor::colorWithWhiteAlpha(0.75, 1)->CGColor());
  addSubview(knob_);
  // A screen reader reads a switch as a button whose value is "on" or "off"; its label is
  // the title of the row or screen it sits in, set by whoever places it.
  setIsAccessibilityElement(true);
  setAccessibilityTraits(UIAccessibilityTraitButton);
}

Strong<UIAppearance> UISwitch::appearance() {
  return UIAppearance::appearanceForClass(class_(), nullptr);
}

Strong<UIAppearance> UISwitch::appearanceWhenContainedIn(Class container) {
  return UIAppearance::appearanceForClass(class_(), container);
}

void UISwitch::setOn(BOOL on) {
  on_ = on;
  setNeedsLayout();
}

void UISwitch::toggle() {
  setOn(!on_);
  sendActionsForControlEvents(UIControlEventValueChanged);
}

Strong<UIColor> UISwitch::tintColor() const {
  if (tint_) return tint_;
  return objc_cast<UIColor>(UIAppearance::appearanceValueForView(this, "tintColor"));
}

Strong<UIColor> UISwitch::onTintColor() const {
  if (onTint_) return onTint_;
  return objc_cast<UIColor>(UIAppearance::appearanceValueForView(this, "onTintColor"));
}

void UISwitch::layoutSubviews() {
  // Colours are resolved here, once the switch knows its containers.
  CGRect b = bounds();
  auto onColor = onTintColor() ? onTintColor() : defaultOnColor();
  auto offBorder = tintColor() ? tintColor() : UIColor::colorWithWhiteAlpha(0.9, 1);
  setBackgroundColor(on_ ? onColor : UIColor::whiteColor());
  layer()->setBorderColor((on_ ? onColor : offBorder)->CGColor());
  CGFloat knob = b.size.height - 4;
  knob_->setFrame(CGRectMake(on_ ? b.size.width - knob - 2 : 2, 2, knob, knob));
}
