#include "UIKit/UISlider.h"

#include <cmath>

#include "UIKit/UIAppearance.h"

namespace {

void sliderLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UISlider::super::class_(), self, cmd);
  static_cast<UISlider*>(self)->layoutSubviews();
}

constexpr CGFloat kThumb = 28;

}  // namespace

OBJC_CLASS_IMPL(UISlider) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::imp<&sliderLayoutSubviews>(), "v@:");
  class_addMethod(cls, OBJC_SEL("value"), objc::imp<&UISlider::value>(), "f@:");
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
