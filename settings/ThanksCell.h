// The row thanking the icon's designer: one sentence in the rich text label, the
// designer's handle bold and linked to "action://twitter-<handle>". The cell is the
// label's delegate; a tap on the handle opens the designer's profile page.
#pragma once

#include "Preferences/PSTableCell.h"

class NSURL;
class TTTAttributedLabel;

class ThanksCell : public PSTableCell {
  OBJC_CLASS(ThanksCell, PSTableCell)

 public:
  static constexpr const char* kHandle = "Orlindu";

  // Made through the runtime from the class named "TTTAttributedLabel".
  Strong<TTTAttributedLabel> mainLabel;

  id initWithSpecifier(PSSpecifier* specifier);
  // A tapped link: "action://twitter-<handle>[-...]" opens that handle's profile; any
  // other host does nothing.
  void attributedLabelDidSelectLinkWithURL(NSObject* label, NSURL* url);
  CGFloat preferredHeightForWidthInTableView(CGFloat width, UITableView* table);
};
