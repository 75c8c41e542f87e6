#include "SpringBoard/SBIconView.h"

#include "SpringBoard/SBFolderIconView.h"
#include "SpringBoard/SBRecycledViewsContainer.h"
#include "UIKit/UILabel.h"

namespace {

constexpr CGFloat kLabelFontSize = 11;
constexpr CGFloat kLabelOverhang = 10;  // labels may be wider than the icon
constexpr CGFloat kBadgeOverhang = 10;  // the badge sits over the top-right corner

void iconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  UIViewSendSuper<void>(UIView::class_(), self, _cmd);
  static_cast<SBIconView*>(self)->layoutIconSubviews();
}

NSObject* iconIMP(NSObject* self, SEL) {
  return static_cast<SBIconView*>(self)->icon().get();
}

}  // namespace

OBJC_CLASS_IMPL(SBIconView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&iconViewLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("icon"), objc::method<&iconIMP>());
}

OBJC_CLASS_IMPL(SBFolderIconView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&iconViewLayoutSubviews>());
}

OBJC_CLASS_IMPL(SBRecycledViewsContainer) {}

SBRecycledViewsContainer::SBRecycledViewsContainer() {
  setHidden(true);
}

SBIconView::SBIconView() : UIView(CGRectMake(0, 0, kWidth, kHeight)) {
  build();
}

SBIconView::SBIconView(Strong<SBIcon> icon) : UIView(CGRectMake(0, 0, kWidth, kHeight)) {
  build();
  icon_ = std::move(icon);
}

void SBIconView::build() {
  setOpaque(false);
  imageView_ = std::make_shared<UIView>(CGRectMake(0, 0, kImageSize, kImageSize));
  imageView_->setOpaque(false);
  addSubview(imageView_);
  // The display name, white with a soft shadow as on a wallpaper.
  label_ = std::make_shared<UILabel>();
  label_->setFont(UIFont::systemFontOfSize(kLabelFontSize));
  label_->setTextColor(UIColor::whiteColor());
  label_->setTextAlignment(NSTextAlignmentCenter);
  label_->setShadowColor(UIColor::colorWithWhiteAlpha(0, 0.6));
  label_->setShadowOffset(CGSizeMake(0, 1));
  addSubview(label_);
  badge_ = std::make_shared<SBIconBadgeView>();
}

void SBIconView::setIcon(const Strong<SBIcon>& icon) {
  icon_ = icon;
  setNeedsLayout();
}

void SBIconView::layoutIconSubviews() {
  imageView_->setFrame(CGRectMake(0, 0, kImageSize, kImageSize));
  UIImage* image = icon_ ? icon_->getIconImage(2).get() : nullptr;
  imageView_->layer()->setContents(image ? id(image->CGImage()) : nullptr);

  label_->setFrame(
      CGRectMake(-kLabelOverhang, kImageSize + 2, kWidth + 2 * kLabelOverhang, kLabelHeight));
  // Set only when it changed: setting text again would redraw the label.
  Strong<NSString> name = icon_ ? icon_->displayName() : nullptr;
  Strong<NSString> shown = label_->text();
  if (!(name && shown ? name->isEqualToString(shown) : name == shown)) label_->setText(name);

  id badge = icon_ ? icon_->badgeNumberOrString() : nullptr;
  if (!SBIcon::badgeValueIsVisible(badge)) {
    if (badge_->superview()) badge_->removeFromSuperview();
    return;
  }
  badge_->setBadgeValue(badge);
  CGSize size = badge_->preferredSize();
  badge_->setFrame(CGRectMake(kImageSize + kBadgeOverhang - size.width, -kBadgeOverhang, size.width,
                              size.height));
  if (badge_->superview() != this) addSubview(badge_);
  badge_->setNeedsLayout();
}
