#include "UIKit/UISlider.h"

#include <cmath>
#include <cstdio>

#include "Foundation/NSSet.h"
#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIAppearance.h"
#include "UIKit/UITouch.h"

namespace {

void sliderLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UISlider::super::class_(), self, cmd);
  static_cast<UISlider*>(self)->layoutSubviews();
}

constexpr CGFloat kThumb = 28;
// What one increment or decrement of an assistive technology moves, as a share of the range.
constexpr float kAccessibilityStep = 0.1f;

// A finger down on the thumb or the track moves the thumb under it; moving drags it, even
// past the ends (clamped); lifting keeps the last value. Each change is a value change.
void sliderTrack(NSObject* self, SEL, NSSet* touches, UIEvent*) {
  auto* slider = static_cast<UISlider*>(self);
  auto touch = touches ? objc_cast<UITouch>(touches->anyObject()) : nullptr;
  if (touch) slider->trackTo(touch->locationInView(slider).x);
}
void sliderCancelled(NSObject*, SEL, NSSet*, UIEvent*) {}

Strong<NSString> sliderAccessibilityValue(NSObject* self, SEL) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<UISlider*>(self)->value());
  return NSString::stringWithUTF8String(text);
}
void sliderIncrement(NSObject* self, SEL) {
  static_cast<UISlider*>(self)->accessibilityStep(+1);
}
void sliderDecrement(NSObject* self, SEL) {
  static_cast<UISlider*>(self)->accessibilityStep(-1);
}

}  // namespace

OBJC_CLASS_IMPL(UISlider) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&sliderLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("value"), objc::method<&UISlider::value>());
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&sliderTrack>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&sliderTrack>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&sliderTrack>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"), objc::method<&sliderCancelled>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&sliderAccessibilityValue>());
  class_addMethod(cls, OBJC_SEL("accessibilityIncrement"), objc::method<&sliderIncrement>());
  class_addMethod(cls, OBJC_SEL("accessibilityDecrement"), objc::method<&sliderDecrement>());
}

UISlider::UISlider() : UIControl(CGRectMake(0, 0, 200, 31)) {
  track_ = std::make_shared<UIView>();
  track_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.72, 1));
  fill_ = std::make_shared<UIView>();
  thumb_ = std::make_shared<UIView>();
  thumb_->setBackgroundColor(UIColor::whiteColor());
  thumb_->layer()->setCornerRadius(kThumb / 2);
  thumb_->layer()->setBorderWidth(0.5);
  thumb_->layer()->setBorderColor(UIColor::colorWithWhiteAlpha(0.6, 1)->CGColor());
  addSubview(track_);
  addSubview(fill_);
  addSubview(thumb_);
  // A screen reader reads a slider as adjustable, its value the number it holds.
  setIsAccessibilityElement(true);
  setAccessibilityTraits(UIAccessibilityTraitAdjustable);
}

Strong<UIAppearance> UISlider::appearance() {
  return UIAppearance::appearanceForClass(class_(), nullptr);
}

Strong<UIAppearance> UISlider::appearanceWhenContainedIn(Class container) {
  return UIAppearance::appearanceForClass(class_(), container);
}

void UISlider::setValue(float value) {
  if (std::isnan(value)) value = min_;
  value_ = std::fmin(std::fmax(value, min_), max_);
  setNeedsLayout();
}

void UISlider::setMinimumValue(float v) {
  if (std::isnan(v)) return;
  min_ = v;
  if (max_ < min_) max_ = min_;
  setValue(value_);
}

void UISlider::setMaximumValue(float v) {
  if (std::isnan(v)) return;
  max_ = v;
  if (min_ > max_) min_ = max_;
  setValue(value_);
}

void UISlider::slideTo(float value) {
  setValue(value);
  sendActionsForControlEvents(UIControlEventValueChanged);
}

float UISlider::valueAtX(CGFloat x) const {
  CGFloat usable = bounds().size.width - kThumb;
  if (usable <= 0 || max_ <= min_) return min_;
  CGFloat fraction = std::fmin(std::fmax((x - kThumb / 2) / usable, 0), 1);
  return min_ + float(fraction) * (max_ - min_);
}

void UISlider::trackTo(CGFloat x) {
  float value = valueAtX(x);
  if (value == value_) return;
  slideTo(value);
}

void UISlider::accessibilityStep(int direction) {
  float step = (max_ - min_) * kAccessibilityStep;
  slideTo(value_ + float(direction) * step);
}

Strong<UIColor> UISlider::tintColor() const {
  if (tint_) return tint_;
  return objc_cast<UIColor>(UIAppearance::appearanceValueForView(this, "tintColor"));
}

void UISlider::layoutSubviews() {
  CGRect b = bounds();
  CGFloat mid = b.size.height / 2;
  CGFloat usable = std::fmax(b.size.width - kThumb, 0);
  CGFloat fraction = max_ > min_ ? (value_ - min_) / (max_ - min_) : 0;
  CGFloat x = kThumb / 2 + usable * fraction;
  track_->setFrame(CGRectMake(kThumb / 2, mid - 1, usable, 2));
  fill_->setFrame(CGRectMake(kThumb / 2, mid - 1, x - kThumb / 2, 2));
  fill_->setBackgroundColor(tintColor() ? tintColor()
                                        : UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1));
  thumb_->setFrame(CGRectMake(x - kThumb / 2, mid - kThumb / 2, kThumb, kThumb));
}
