// The choices of a list entry ("validTitles"/"validValues"), one row each, the current
// value checked. Choosing a row stores its value through the list that opened it.
#pragma once

#include "Preferences/PSListController.h"
#include "Preferences/PreferencesExport.h"

class NIMBRA_PREFERENCES_API PSListItemsController : public PSListController {
  OBJC_CLASS(PSListItemsController, PSListController)

 public:
  Strong<NSArray> specifiers();
  // Stores the value of the row with that title; NO when there is none.
  BOOL chooseTitle(const Strong<NSString>& title);
  void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path);
};
