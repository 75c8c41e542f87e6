// The base of the rows of a settings list. Custom cells (named by an entry's
// "cellClass") are created by the list with "initWithSpecifier:" when they answer it,
// else with "initWithStyle:reuseIdentifier:specifier:"; a cell that answers
// "preferredHeightForWidth:inTableView:" ((CGFloat, UITableView*) -> CGFloat) sets its
// row's height.
#pragma once

#include "Preferences/PreferencesExport.h"
#include "UIKit/UITableViewCell.h"

class PSSpecifier;
class UITableView;

class NIMBRA_PREFERENCES_API PSTableCell : public UITableViewCell {
  OBJC_CLASS(PSTableCell, UITableViewCell)

 public:
  // The cell itself (never none here; subclasses may answer none).
  Strong<PSTableCell> initWithStyleReuseIdentifierSpecifier(NSInteger style,
                                                            const Strong<NSString>& reuseIdentifier,
                                                            const Strong<PSSpecifier>& specifier);
  Strong<PSSpecifier> specifier() const { return specifier_; }
  void setSpecifier(const Strong<PSSpecifier>& specifier) { specifier_ = specifier; }

  // Sends the runtime initialiser to `cell`: what a subclass calls as its super.
  static id sendInitWithStyleReuseIdentifierSpecifier(Class from, NSObject* cell, NSInteger style,
                                                      NSString* reuseIdentifier,
                                                      PSSpecifier* specifier);

 private:
  Strong<PSSpecifier> specifier_;
};
