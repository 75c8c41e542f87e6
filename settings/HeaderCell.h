// The banner row of the root list: the product name in thin type, the credit beneath.
#pragma once

#include "Preferences/PSTableCell.h"

class UILabel;

class HeaderCell : public PSTableCell {
  OBJC_CLASS(HeaderCell, PSTableCell)

 public:
  Strong<UILabel> heading;
  Strong<UILabel> subtitle;

  // The configured cell, or none when the superclass gives none.
  id initWithSpecifier(PSSpecifier* specifier);
  void layoutSubviews();
  CGFloat preferredHeightForWidthInTableView(CGFloat width, UITableView* table) { return 90; }

  // The main screen's width cut to a whole number through a 32-bit signed integer
  // (clamped into its range; not-a-number gives 0).
  static int32_t screenWidth();
};
