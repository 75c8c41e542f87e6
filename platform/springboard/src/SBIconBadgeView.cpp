#include "SpringBoard/SBIconBadgeView.h"

#include <algorithm>

#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "UIKit/UIBezierPath.h"
#include "UIKit/UILabel.h"

namespace {

constexpr CGFloat kFontSize = 15;
constexpr CGFloat kPadding = 7;

void badgeLayoutSubviews(NSObject* self, SEL _cmd) {
  UIViewSendSuper<void>(SBIconBadgeView::super::class_(), self, _cmd);
  auto* badge = static_cast<SBIconBadgeView*>(self);
  badge->textLabel()->setFrame(badge->bounds());
}

void badgeDrawRect(NSObject* self, SEL, CGRect rect) {
  static_cast<SBIconBadgeView*>(self)->drawBadge(rect);
}

}  // namespace

OBJC_CLASS_IMPL(SBIconBadgeView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&badgeLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("drawRect:"), objc::method<&badgeDrawRect>());
}

SBIconBadgeView::SBIconBadgeView() : UIView(CGRectMake(0, 0, kHeight, kHeight)) {
  setOpaque(false);
  label_ = std::make_shared<UILabel>(bounds());
  label_->setFont(UIFont::systemFontOfSize(kFontSize));
  label_->setTextColor(UIColor::whiteColor());
  label_->setTextAlignment(NSTextAlignmentCenter);
  label_->setLineBreakMode(NSLineBreakByClipping);
  addSubview(label_);
}

void SBIconBadgeView::setBadgeValue(const id& value) {
  std::string text;
  if (auto n = objc_cast<NSNumber>(value)) {
    text = n->isReal() ? n->stringValue()->stdString() : std::to_string(n->longLongValue());
  } else if (auto s = objc_cast<NSString>(value)) {
    text = s->stdString();
  }
  if (text != text_) {
    text_ = std::move(text);
    label_->setText(NSString::stringWithUTF8String(text_));
    setNeedsLayout();
  }
}

CGSize SBIconBadgeView::preferredSize() const {
  CGSize textSize = label_->intrinsicContentSize();
  return CGSizeMake(std::max(kHeight, textSize.width + 2 * kPadding), kHeight);
}

void SBIconBadgeView::drawBadge(CGRect) {
  CGRect bounds = this->bounds();
  UIColor::colorWithRedGreenBlueAlpha(1.0, 0.23, 0.19, 1.0)->setFill();
  UIBezierPath::bezierPathWithRoundedRectCornerRadius(bounds, kHeight / 2)->fill();
}
