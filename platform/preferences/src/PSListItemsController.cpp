#include "Preferences/PSListItemsController.h"

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSString.h"
#include "Preferences/PSAllocation.h"
#include "Preferences/PSSpecifier.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UITableView.h"

namespace {

// Borrowed: the controller keeps its specifiers.
NSArray* itemsSpecifiers(NSObject* self, SEL) {
  return static_cast<PSListItemsController*>(self)->specifiers().get();
}

}  // namespace

OBJC_CLASS_IMPL(PSListItemsController) {
  objc::registerAlloc<PSListItemsController>(cls);
  class_addMethod(cls, OBJC_SEL("specifiers"), objc::method<&itemsSpecifiers>());
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&PSListItemsController::tableViewDidSelectRowAtIndexPath>());
}

Strong<NSArray> PSListItemsController::specifiers() {
  if (_specifiers) return _specifiers;
  auto list = NSMutableArray::array();
  list->addObject(PSSpecifier::specifierWithEntry(
      NSDictionary::dictionaryWithObjectsAndKeys({{NSSTR("cell"), NSSTR("PSGroupCell")}}),
      nullptr));
  if (auto entry = specifier()) {
    auto values = entry->values();
    auto titles = entry->titles();
    for (NSUInteger i = 0; i < values->count(); ++i) {
      auto item = NSMutableDictionary::dictionary();
      item->setObjectForKey(NSSTR("PSListItemCell"), NSSTR("cell"));
      item->setObjectForKey(titles->objectAtIndex(i), NSSTR("label"));
      item->setObjectForKey(values->objectAtIndex(i), NSSTR("value"));
      list->addObject(PSSpecifier::specifierWithEntry(item, retainedSelf()));
    }
  }
  _specifiers = list;
  return _specifiers;
}

BOOL PSListItemsController::chooseTitle(const Strong<NSString>& title) {
  auto entry = specifier();
  if (!entry || !title) return NO;
  auto titles = entry->titles();
  for (NSUInteger i = 0; i < titles->count(); ++i) {
    if (!title->isEqual(titles->objectAtIndex(i))) continue;
    id value = entry->values()->objectAtIndex(i);
    // The list that made the entry stores it, so its own overrides apply.
    id writer = entry->target();
    if (!writer || !writer->respondsToSelector(OBJC_SEL("setPreferenceValue:specifier:"))) {
      writer = retainedSelf();
    }
    objc_msgSend(writer, OBJC_SEL("setPreferenceValue:specifier:"), value.get(), entry.get());
    reloadValues();
    if (auto parent = objc_cast<PSListController>(parentController())) parent->reloadValues();
    return YES;
  }
  return NO;
}

void PSListItemsController::tableViewDidSelectRowAtIndexPath(UITableView* table,
                                                             NSIndexPath* path) {
  auto indexPath = path ? path->retainedSelf<NSIndexPath>() : nullptr;
  if (table) table->deselectRowAtIndexPathAnimated(indexPath, YES);
  if (auto item = specifierAtIndexPath(indexPath)) chooseTitle(item->name());
}
