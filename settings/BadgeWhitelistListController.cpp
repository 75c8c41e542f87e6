#include "BadgeWhitelistListController.h"

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSString.h"
#include "NimbraSettings/Settings.h"
#include "Preferences/PSAllocation.h"
#include "Preferences/PSPreferenceStore.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITextField.h"

namespace {

constexpr int64_t kAddTag = 1;
constexpr int64_t kEditTag = 2;

}  // namespace

OBJC_CLASS_IMPL(BadgeWhitelistListController) {
  using C = BadgeWhitelistListController;
  objc::registerAlloc<C>(cls);
  class_addMethod(cls, OBJC_SEL("viewDidLoad"), objc::method<&C::viewDidLoad>());
  class_addMethod(cls, OBJC_SEL("numberOfSectionsInTableView:"),
                  objc::method<&C::numberOfSectionsInTableView>());
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"),
                  objc::method<&C::tableViewNumberOfRowsInSection>());
  class_addMethod(cls, OBJC_SEL("tableView:titleForHeaderInSection:"),
                  objc::method<&C::tableViewTitleForHeaderInSection>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"),
                  objc::method<&C::tableViewCellForRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&C::tableViewDidSelectRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("tableView:canEditRowAtIndexPath:"),
                  objc::method<&C::tableViewCanEditRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("tableView:commitEditingStyle:forRowAtIndexPath:"),
                  objc::method<&C::tableViewCommitEditingStyleForRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("indexPathToUse"), objc::method<&C::indexPathToUseValue>());
  class_addMethod(cls, OBJC_SEL("alertView:didDismissWithButtonIndex:"),
                  objc::method<&C::alertViewDidDismissWithButtonIndex>());
}

Strong<NSString> BadgeWhitelistListController::settingsPath() {
  return PSPreferenceStore::pathForDomain(NSSTR(NimbraSettings::kDomain));
}

void BadgeWhitelistListController::readPrefs() {
  prefs = NSMutableDictionary::dictionaryWithContentsOfFile(settingsPath());
  if (!prefs) prefs = NSMutableDictionary::dictionary();
}

void BadgeWhitelistListController::viewDidLoad() {
  tabView =
      UITableView::tableViewWithFrame(UIScreen::mainScreen()->bounds(), UITableViewStylePlain);
  tabView->setDelegate(retainedSelf());
  tabView->setDataSource(retainedSelf());
  tabView->setAlwaysBounceVertical(YES);
  readPrefs();
  // A whitelist that is not a list is taken as empty; entries that are not names are
  // dropped, so the list only ever holds strings.
  appArray = NSMutableArray::array();
  if (auto stored =
          objc_cast<NSArray>(prefs->objectForKey(NSSTR(NimbraSettings::kBadgeWhitelist)))) {
    for (const id& name : *stored) {
      if (objc_cast<NSString>(name)) appArray->addObject(name);
    }
  }
  view()->addSubview(tabView);
  tabView->reloadSectionsWithRowAnimation({1}, UITableViewRowAnimationFade);
}

void BadgeWhitelistListController::save() {
  // The store rereads the file under its lock, so keys changed meanwhile by other
  // writers are kept.
  if (!PSPreferenceStore::setValueForKey(NSSTR(NimbraSettings::kDomain),
                                         NSSTR(NimbraSettings::kBadgeWhitelist), appArray)) {
    NSLog("[%@] %@", NSSTR("Nimbra"),
          NSString::stringWithFormat("Failed to save settings to %@", settingsPath()));
  }
  tabView->reloadSectionsWithRowAnimation({1}, UITableViewRowAnimationFade);
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSSTR(NimbraSettings::kChangedNotification), nullptr,
                                       nullptr, true);
}

NSInteger BadgeWhitelistListController::numberOfSectionsInTableView(UITableView*) {
  return 2;
}

NSInteger BadgeWhitelistListController::tableViewNumberOfRowsInSection(UITableView*,
                                                                       NSInteger section) {
  return section == 0 ? 1 : static_cast<NSInteger>(appArray ? appArray->count() : 0);
}

Strong<NSString> BadgeWhitelistListController::tableViewTitleForHeaderInSection(UITableView*,
                                                                                NSInteger section) {
  return section == 0 ? NSSTR("Add") : NSSTR("Settings");
}

Strong<UITableViewCell> BadgeWhitelistListController::tableViewCellForRowAtIndexPath(
    UITableView* table, NSIndexPath* path) {
  auto cell = table ? table->dequeueReusableCellWithIdentifier(NSSTR("Cell")) : nullptr;
  if (!cell) cell = UITableViewCell::cellWithStyle(UITableViewCellStyleDefault, NSSTR("Cell"));
  if (!path) return cell;
  if (path->section() == 1 && path->row() >= 0 &&
      path->row() < static_cast<NSInteger>(appArray->count())) {
    cell->textLabel()->setText(objc_cast<NSString>(appArray->objectAtIndex(path->row())));
  }
  if (path->section() == 0 && path->row() == 0) cell->textLabel()->setText(NSSTR("Add App"));
  return cell;
}

void BadgeWhitelistListController::showDialog(int64_t tag, const Strong<NSString>& message,
                                              const Strong<NSString>& text) {
  auto alert = UIAlertView::alertWithTitle(NSSTR("Nimbra"), message, retainedSelf(),
                                           NSSTR("Cancel"), {NSSTR("Save")});
  alert->setAlertViewStyle(UIAlertViewStylePlainTextInput);
  auto field = alert->textFieldAtIndex(0);
  field->setPlaceholder(NSSTR("App Display Name"));
  if (text) field->setText(text);
  alert->setTag(tag);
  alert->show();
}

void BadgeWhitelistListController::tableViewDidSelectRowAtIndexPath(UITableView* table,
                                                                    NSIndexPath* path) {
  if (!path) return;
  if (table) table->deselectRowAtIndexPathAnimated(path->retainedSelf<NSIndexPath>(), YES);
  if (path->section() == 0 && path->row() == 0) {
    showDialog(kAddTag, NSSTR("Please enter the display name exactly as it appears:"), nullptr);
  } else if (path->section() == 1 && path->row() >= 0 &&
             path->row() < static_cast<NSInteger>(appArray->count())) {
    indexPathToUse = static_cast<int32_t>(path->row());
    showDialog(kEditTag, NSSTR("Edit name:"),
               objc_cast<NSString>(appArray->objectAtIndex(path->row())));
  }
}

BOOL BadgeWhitelistListController::tableViewCanEditRowAtIndexPath(UITableView*, NSIndexPath* path) {
  return path && path->section() == 1;
}

void BadgeWhitelistListController::tableViewCommitEditingStyleForRowAtIndexPath(UITableView*,
                                                                                NSInteger style,
                                                                                NSIndexPath* path) {
  if (style != UITableViewCellEditingStyleDelete || !path || path->section() != 1) return;
  if (path->row() < 0 || path->row() >= static_cast<NSInteger>(appArray->count())) return;
  auto name = appArray->objectAtIndex(path->row());
  NSLog("[%@] %@", NSSTR("Nimbra"), NSString::stringWithFormat("Deleting... %@", name));
  appArray->removeObjectAtIndex(path->row());
  save();
}

void BadgeWhitelistListController::alertViewDidDismissWithButtonIndex(UIAlertView* alert,
                                                                      NSInteger buttonIndex) {
  if (buttonIndex == 0 || !alert || buttonIndex != 1) return;
  if (alert->alertViewStyle() == UIAlertViewStyleDefault) return;
  auto name = alert->textFieldAtIndex(0)->text();
  if (alert->tag() == kAddTag) {
    appArray->addObject(name);
    save();
  } else if (alert->tag() == kEditTag) {
    // The entry may have gone meanwhile; then there is nothing to edit.
    if (indexPathToUse < 0 || indexPathToUse >= static_cast<int64_t>(appArray->count())) return;
    appArray->removeObjectAtIndex(indexPathToUse);
    appArray->insertObjectAtIndex(name, indexPathToUse);
    save();
  }
}
