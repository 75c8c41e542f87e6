// The red badge at an icon's top-right corner, with its number or string in white
// drawn by a label.
// Its "layoutSubviews" is in the runtime table (the plug-in's badge filter hooks it); the
// icon view leaves it out of the tree while the badge value shows no badge.
#pragma once

#include <string>

#include "SpringBoard/SpringBoardExport.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIView.h"

class NIMBRA_SPRINGBOARD_API SBIconBadgeView : public UIView {
  OBJC_CLASS(SBIconBadgeView, UIView)

 public:
  static constexpr CGFloat kHeight = 24;

  SBIconBadgeView();

  const std::string& text() const { return text_; }
  // The badge's text from a badge value: a number's integer digits or the string itself.
  void setBadgeValue(const id& value);
  // The white text over the red; laid out to the badge's bounds.
  UILabel* textLabel() const { return label_.get(); }
  // Fits the text, never narrower than it is high.
  CGSize preferredSize() const;

  void drawBadge(CGRect rect);

 private:
  std::string text_;
  Strong<UILabel> label_;
};
