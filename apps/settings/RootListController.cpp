#include "RootListController.h"

#include "Foundation/NSString.h"
#include "Preferences/PSSpecifier.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UITableView.h"

OBJC_CLASS_IMPL(RootListController) {
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&RootListController::tableViewDidSelectRowAtIndexPath>());
}

void RootListController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path) {
  auto indexPath = path ? path->retainedSelf<NSIndexPath>() : nullptr;
  if (table) table->deselectRowAtIndexPathAnimated(indexPath, YES);
  auto entry = specifierAtIndexPath(indexPath);
  if (entry && entry->name() && opener_) opener_(entry->name()->stdString());
}
