// An icon on the home screen: the icon's image, its display name below it and, while it
// has one, its badge view. "layoutSubviews" and "icon" are in the runtime table; "icon"
// answers a plain `SBIcon*`: the view owns its icon.
#pragma once

#include "SpringBoard/SBIcon.h"
#include "SpringBoard/SBIconBadgeView.h"
#include "SpringBoard/SpringBoardExport.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"

class NIMBRA_SPRINGBOARD_API SBIconView : public UIView {
  OBJC_CLASS(SBIconView, UIView)

 public:
  static constexpr CGFloat kImageSize = 60;
  static constexpr CGFloat kLabelHeight = 16;
  static constexpr CGFloat kWidth = kImageSize;
  static constexpr CGFloat kHeight = kImageSize + kLabelHeight;

  SBIconView();
  explicit SBIconView(Strong<SBIcon> icon);

  const Strong<SBIcon>& icon() const { return icon_; }
  void setIcon(const Strong<SBIcon>& icon);

  UIView* iconImageView() const { return imageView_.get(); }
  UILabel* labelView() const { return label_.get(); }
  // Always the same view, in the tree or not.
  SBIconBadgeView* badgeView() const { return badge_.get(); }

  // The host's own layout of image, label and badge; what "layoutSubviews" runs.
  void layoutIconSubviews();

 private:
  void build();

  Strong<SBIcon> icon_;
  Strong<UIView> imageView_;
  Strong<UILabel> label_;
  Strong<SBIconBadgeView> badge_;
};
