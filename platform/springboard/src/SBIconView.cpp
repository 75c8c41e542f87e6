#include "SpringBoard/SBIconView.h"

#include "SBText.h"
#include "SpringBoard/SBFolderIconView.h"
#include "SpringBoard/SBRecycledViewsContainer.h"

namespace {

constexpr CGFloat kLabelFontSize = 11;
constexpr CGFloat kLabelOverhang = 10;  // labels may be wider than the icon
constexpr CGFloat kBadgeOverhang = 10;  // the badge sits over the top-right corner

// The display name under the icon, white with a soft shadow as on a wallpaper.
class SBIconLabelView : public UIView {
  OBJC_CLASS(SBIconLabelView, UIView)

 public:
  SBIconLabelView() { setOpaque(false); }
  void setText(const std::string& text) {
    if (text == text_) return;
    text_ = text;
    setNeedsDisplay();
  }
  void draw() {
    const CGFloat shadow[4] = {0, 0, 0, 0.6};
    const CGFloat white[4] = {1, 1, 1, 1};
    CGRect b = bounds();
    sbtext::drawCentered(text_, CGRectOffset(b, 0, 1), kLabelFontSize, false, shadow);
    sbtext::drawCentered(text_, b, kLabelFontSize, false, white);
  }

 private:
  std::string text_;
};

void labelDrawRect(NSObject* self, SEL, CGRect) {
  static_cast<SBIconLabelView*>(self)->draw();
}

void iconViewLayoutSubviews(NSObject* self, SEL _cmd) {
  UIViewSendSuper<void>(UIView::class_(), self, _cmd);
  static_cast<SBIconView*>(self)->layoutIconSubviews();
}

id iconIMP(NSObject* self, SEL) {
  return static_cast<SBIconView*>(self)->icon();
}

}  // namespace

OBJC_CLASS_IMPL(SBIconLabelView) {
  class_addMethod(cls, OBJC_SEL("drawRect:"), reinterpret_cast<IMP>(&labelDrawRect),
                  "v@:{CGRect={CGPoint=dd}{CGSize=dd}}");
}

OBJC_CLASS_IMPL(SBIconView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), reinterpret_cast<IMP>(&iconViewLayoutSubviews),
                  "v@:");
  class_addMethod(cls, OBJC_SEL("icon"), reinterpret_cast<IMP>(&iconIMP), "@@:");
}

OBJC_CLASS_IMPL(SBFolderIconView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), reinterpret_cast<IMP>(&iconViewLayoutSubviews),
                  "v@:");
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
  label_ = std::make_shared<SBIconLabelView>();
  addSubview(label_);
  badge_ = std::make_shared<SBIconBadgeView>();
}

void SBIconView::setIcon(const Strong<SBIcon>& icon) {
  icon_ = icon;
  setNeedsLayout();
}

void SBIconView::layoutIconSubviews() {
  imageView_->setFrame(CGRectMake(0, 0, kImageSize, kImageSize));
  Strong<UIImage> image = icon_ ? icon_->getIconImage(2) : nullptr;
  imageView_->layer()->setContents(image ? id(image->CGImage()) : nullptr);

  label_->setFrame(
      CGRectMake(-kLabelOverhang, kImageSize + 2, kWidth + 2 * kLabelOverhang, kLabelHeight));
  static_cast<SBIconLabelView*>(label_.get())
      ->setText(icon_ && icon_->displayName() ? icon_->displayName()->stdString() : "");

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
