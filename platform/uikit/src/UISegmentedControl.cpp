#include "UIKit/UISegmentedControl.h"

#include <algorithm>

#include "Foundation/NSSet.h"
#include "Foundation/NSString.h"
#include "UIKit/UIAppearance.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITouch.h"

namespace {

void segmentedLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UISegmentedControl::super::class_(), self, cmd);
  static_cast<UISegmentedControl*>(self)->layoutSubviews();
}

Strong<UIColor> defaultTint() {
  return UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1);
}

}  // namespace

namespace {
// A tap inside picks the segment under the finger.
void segmentedTouchesEnded(NSObject* self, SEL cmd, NSSet* touches, UIEvent* event) {
  auto* control = static_cast<UISegmentedControl*>(self);
  auto touch = touches ? objc_cast<UITouch>(touches->anyObject()) : nullptr;
  bool inside = UIControl::touchIsInside(self, touches);
  UIViewSendSuper<void>(UISegmentedControl::super::class_(), self, cmd, touches, event);
  CGFloat width = control->bounds().size.width;
  NSUInteger count = control->numberOfSegments();
  if (!inside || !touch || count == 0 || !(width > 0)) return;
  CGFloat x = touch->locationInView(control).x - control->bounds().origin.x;
  auto index = static_cast<NSInteger>(x / (width / static_cast<CGFloat>(count)));
  control->tapSegment(std::clamp<NSInteger>(index, 0, static_cast<NSInteger>(count) - 1));
}
}  // namespace

OBJC_CLASS_IMPL(UISegmentedControl) {
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&segmentedTouchesEnded>());
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&segmentedLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("selectedSegmentIndex"),
                  objc::method<&UISegmentedControl::selectedSegmentIndex>());
}

UISegmentedControl::UISegmentedControl() : UIControl(CGRectMake(0, 0, 200, 29)) {
  layer()->setCornerRadius(4);
  layer()->setBorderWidth(1);
  layer()->setMasksToBounds(true);
}

Strong<UISegmentedControl> UISegmentedControl::segmentedControlWithItems(
    const std::vector<Strong<NSString>>& items) {
  auto control = std::make_shared<UISegmentedControl>();
  for (const auto& item : items) {
    control->titles_.push_back(item ? item : NSString::string());
    auto segment = std::make_shared<UIView>();
    auto label = std::make_shared<UILabel>(CGRectZero);
    label->setText(control->titles_.back());
    label->setFont(UIFont::systemFontOfSize(13));
    label->setTextAlignment(NSTextAlignmentCenter);
    segment->addSubview(label);
    control->addSubview(segment);
    control->segments_.push_back(segment);
    control->labels_.push_back(label);
  }
  return control;
}

Strong<UIAppearance> UISegmentedControl::appearance() {
  return UIAppearance::appearanceForClass(class_(), nullptr);
}

Strong<UIAppearance> UISegmentedControl::appearanceWhenContainedIn(Class container) {
  return UIAppearance::appearanceForClass(class_(), container);
}

Strong<NSString> UISegmentedControl::titleForSegmentAtIndex(NSUInteger index) const {
  return index < titles_.size() ? titles_[index] : nullptr;
}

void UISegmentedControl::setSelectedSegmentIndex(NSInteger index) {
  if (index < UISegmentedControlNoSegment || index >= static_cast<NSInteger>(titles_.size())) {
    return;
  }
  selected_ = index;
  setNeedsLayout();
}

void UISegmentedControl::tapSegment(NSInteger index) {
  if (index < 0 || index >= static_cast<NSInteger>(titles_.size())) return;
  setSelectedSegmentIndex(index);
  sendActionsForControlEvents(UIControlEventValueChanged);
}

Strong<UIColor> UISegmentedControl::tintColor() const {
  if (tint_) return tint_;
  return objc_cast<UIColor>(UIAppearance::appearanceValueForView(this, "tintColor"));
}

void UISegmentedControl::layoutSubviews() {
  CGRect b = bounds();
  auto tint = tintColor() ? tintColor() : defaultTint();
  layer()->setBorderColor(tint->CGColor());
  CGFloat width = titles_.empty() ? 0 : b.size.width / titles_.size();
  for (std::size_t i = 0; i < segments_.size(); ++i) {
    bool on = static_cast<NSInteger>(i) == selected_;
    segments_[i]->setFrame(CGRectMake(width * i, 0, width, b.size.height));
    segments_[i]->setBackgroundColor(on ? tint : UIColor::whiteColor());
    labels_[i]->setFrame(CGRectMake(0, 0, width, b.size.height));
    labels_[i]->setTextColor(on ? UIColor::whiteColor() : tint);
  }
}
