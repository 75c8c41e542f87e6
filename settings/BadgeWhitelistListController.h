// The editor of the apps whose badges stay visible (BadgeWhitelist). It writes the
// whole settings file itself after each change and posts the change notification.
#pragma once

#include <cstdint>

#include "Preferences/PSViewController.h"

class NSIndexPath;
class NSMutableArray;
class NSMutableDictionary;
class NSString;
class UIAlertView;
class UITableView;
class UITableViewCell;

class BadgeWhitelistListController : public PSViewController {
  OBJC_CLASS(BadgeWhitelistListController, PSViewController)

 public:
  Strong<UITableView> tabView;
  Strong<NSMutableArray> appArray;
  int32_t indexPathToUse = 0;
  Strong<NSMutableDictionary> prefs;

  static Strong<NSString> settingsPath();
  NSInteger indexPathToUseValue() const { return indexPathToUse; }

  void viewDidLoad();

  NSInteger numberOfSectionsInTableView(UITableView* table);
  NSInteger tableViewNumberOfRowsInSection(UITableView* table, NSInteger section);
  Strong<NSString> tableViewTitleForHeaderInSection(UITableView* table, NSInteger section);
  Strong<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* path);
  void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path);
  BOOL tableViewCanEditRowAtIndexPath(UITableView* table, NSIndexPath* path);
  void tableViewCommitEditingStyleForRowAtIndexPath(UITableView* table, NSInteger style,
                                                    NSIndexPath* path);
  void alertViewDidDismissWithButtonIndex(UIAlertView* alert, NSInteger buttonIndex);

 private:
  void readPrefs();
  void save();
  void showDialog(int64_t tag, const Strong<NSString>& message, const Strong<NSString>& text);
};
