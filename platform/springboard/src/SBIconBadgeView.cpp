#include "SpringBoard/SBIconBadgeView.h"

#include <algorithm>

#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "SBText.h"
#include "UIKit/UIBezierPath.h"

namespace {

constexpr CGFloat kFontSize = 15;
constexpr CGFloat kPadding = 7;

void badgeLayoutSubviews(NSObject* self, SEL _cmd) {
  UIViewSendSuper<void>(SBIconBadgeView::super::class_(), self, _cmd);
}

void badgeDrawRect(NSObject* self, SEL, CGRect rect) {
  static_cast<SBIconBadgeView*>(self)->drawBadge(rect);
}

}  // namespace

OBJC_CLASS_IMPL(SBIconBadgeView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), reinterpret_cast<IMP>(&badgeLayoutSubviews),
                  "v@:");
  class_addMethod(cls, OBJC_SEL("drawRect:"), reinterpret_cast<IMP>(&badgeDrawRect),
                  "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
}

SBIconBadgeView::SBIconBadgeView() : UIView(CGRectMake(0, 0, kHeight, kHeight)) {
  setOpaque(false);
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
    setNeedsDisplay();
  }
}

CGSize SBIconBadgeView::preferredSize() const {
  CGSize textSize = sbtext::measure(text_, kFontSize, false);
  return CGSizeMake(std::max(kHeight, textSize.width + 2 * kPadding), kHeight);
}

void SBIconBadgeView::drawBadge(CGRect) {
  CGRect bounds = this->bounds();
  UIColor::colorWithRedGreenBlueAlpha(1.0, 0.23, 0.19, 1.0)->setFill();
  UIBezierPath::bezierPathWithRoundedRectCornerRadius(bounds, kHeight / 2)->fill();
  const CGFloat white[4] = {1, 1, 1, 1};
  sbtext::drawCentered(text_, bounds, kFontSize, false, white);
}
