// The row thanking the icon's designer, whose handle links to the designer's profile.
//
// Until the rich text label is part of the bundle, the sentence is shown by a plain
// label; the link report below is what that label will call.
#pragma once

#include "Preferences/PSTableCell.h"

class NSURL;
class UILabel;

class ThanksCell : public PSTableCell {
  OBJC_CLASS(ThanksCell, PSTableCell)

 public:
  static constexpr const char* kHandle = "Orlindu";

  Strong<UILabel> mainLabel;

  id initWithSpecifier(PSSpecifier* specifier);
  // A tapped link: "action://twitter-<handle>" opens that handle's profile; any other
  // host does nothing.
  void attributedLabelDidSelectLinkWithURL(NSObject* label, NSURL* url);
  CGFloat preferredHeightForWidthInTableView(CGFloat width, UITableView* table);
};
