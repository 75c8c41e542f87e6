// A settings list: a grouped table of the entries that "specifiers" returns. Group
// entries start sections (their "label" heads the section, "footerText" ends it). The
// switches, sliders and choices read their values from the settings file of the entry
// ("defaults", "key", else "default") and each change writes that one key and posts
// the entry's "PostNotification".
//
// Sent through the runtime, so subclasses override them: "specifiers" () -> NSArray*
// (borrowed: the list the controller keeps in _specifiers),
// "loadSpecifiersFromPlistName:target:" (NSString*, NSObject*) -> Strong<NSArray> (made),
// "readPreferenceValue:" (PSSpecifier*) -> id (made), "setPreferenceValue:specifier:"
// (NSObject*, PSSpecifier*).
#pragma once

#include <unordered_map>
#include <vector>

#include "Preferences/PSViewController.h"
#include "Preferences/PreferencesExport.h"

class NSArray;
class NSIndexPath;
class PSSpecifier;
class UIControl;
class UITableView;
class UITableViewCell;

class NIMBRA_PREFERENCES_API PSListController : public PSViewController {
  OBJC_CLASS(PSListController, PSViewController)

 public:
  // The list; none until loaded.
  Strong<NSArray> _specifiers;

  // Base: `_specifiers` as it is.
  Strong<NSArray> specifiers();
  // Reads <bundlePath>/<name>.plist, a dictionary whose "items" array holds one
  // dictionary per entry (other items are skipped). None when the file is missing or
  // unreadable, or has no such array.
  Strong<NSArray> loadSpecifiersFromPlistNameTarget(const Strong<NSString>& name, const id& target);

  // The stored value of the entry, else its "default", else none.
  id readPreferenceValue(const Strong<PSSpecifier>& specifier);
  // Writes the entry's key (under the file lock) and posts its notification. A failed
  // write is logged; the notification is posted still.
  void setPreferenceValueSpecifier(const id& value, const Strong<PSSpecifier>& specifier);

  // Asks "specifiers" again and reloads the table.
  void reloadSpecifiers();
  // Refreshes the shown values (switches, sliders, choices) from the file.
  void reloadValues();

  Strong<UITableView> table();
  void loadView();

  // What the table shows, as loaded by the last reload.
  NSInteger numberOfGroups() const { return static_cast<NSInteger>(groups_.size()); }
  Strong<PSSpecifier> specifierAtIndexPath(const Strong<NSIndexPath>& indexPath) const;
  Strong<NSIndexPath> indexPathForSpecifier(const Strong<PSSpecifier>& specifier) const;
  Strong<UITableViewCell> cellForSpecifier(const Strong<PSSpecifier>& specifier);

  // Data source and delegate (registered in the runtime).
  NSInteger numberOfSectionsInTableView(UITableView* table);
  NSInteger tableViewNumberOfRowsInSection(UITableView* table, NSInteger section);
  Strong<UITableViewCell> tableViewCellForRowAtIndexPath(UITableView* table, NSIndexPath* path);
  Strong<NSString> tableViewTitleForHeaderInSection(UITableView* table, NSInteger section);
  Strong<NSString> tableViewTitleForFooterInSection(UITableView* table, NSInteger section);
  CGFloat tableViewHeightForRowAtIndexPath(UITableView* table, NSIndexPath* path);
  void tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path);
  void controlChanged(NSObject* sender);

 private:
  struct Group {
    Strong<PSSpecifier> group;  // none for entries before the first group
    std::vector<Strong<PSSpecifier>> rows;
  };
  void buildGroups();
  Strong<UITableViewCell> makeCell(const Strong<PSSpecifier>& specifier);
  // makeCell's stages: the bundle's own cell class, else a plain row with the control
  // its kind has.
  Strong<UITableViewCell> makeBundleCell(const Strong<PSSpecifier>& specifier);
  void addSwitch(const Strong<PSSpecifier>& specifier, const Strong<UITableViewCell>& cell);
  void addSlider(const Strong<PSSpecifier>& specifier, const Strong<UITableViewCell>& cell);
  void addSegments(const Strong<PSSpecifier>& specifier, const Strong<UITableViewCell>& cell);
  void refreshCell(const Strong<PSSpecifier>& specifier, const Strong<UITableViewCell>& cell);
  void openDetail(const Strong<PSSpecifier>& specifier);
  // Sends a button entry's "action" to its target, when the method is one that takes no
  // argument or the entry and returns nothing.
  void sendButtonAction(const Strong<PSSpecifier>& specifier);

  Strong<UITableView> table_;
  std::vector<Group> groups_;
  std::unordered_map<const PSSpecifier*, Strong<UITableViewCell>> cells_;
  std::unordered_map<const NSObject*, Strong<PSSpecifier>> controls_;
};
