#include "Preferences/PSListController.h"

#include <cmath>

#include "Foundation/NSArray.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "Preferences/PSAllocation.h"
#include "Preferences/PSPreferenceStore.h"
#include "Preferences/PSSpecifier.h"
#include "Preferences/PSTableCell.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UISegmentedControl.h"
#include "UIKit/UISlider.h"
#include "UIKit/UISwitch.h"
#include "UIKit/UITableView.h"

namespace {

// Borrowed: the controller keeps its specifiers.
NSArray* sendSpecifiers(NSObject* self, SEL) {
  return static_cast<PSListController*>(self)->specifiers().get();
}

Strong<NSArray> sendLoad(NSObject* self, SEL, NSString* name, NSObject* target) {
  return static_cast<PSListController*>(self)->loadSpecifiersFromPlistNameTarget(
      name ? name->retainedSelf<NSString>() : nullptr, target ? target->retainedSelf() : nullptr);
}

id sendRead(NSObject* self, SEL, PSSpecifier* specifier) {
  return static_cast<PSListController*>(self)->readPreferenceValue(
      specifier ? specifier->retainedSelf<PSSpecifier>() : nullptr);
}

void sendSet(NSObject* self, SEL, NSObject* value, PSSpecifier* specifier) {
  static_cast<PSListController*>(self)->setPreferenceValueSpecifier(
      value ? value->retainedSelf() : nullptr,
      specifier ? specifier->retainedSelf<PSSpecifier>() : nullptr);
}

Strong<UIColor> linkBlue() {
  return UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1);
}

Strong<NSString> sliderText(float value) {
  return NSString::stringWithFormat("%.1f", value);
}

constexpr NSInteger kSliderValueTag = 7001;

}  // namespace

OBJC_CLASS_IMPL(PSListController) {
  objc::registerAlloc<PSListController>(cls);
  class_addMethod(cls, OBJC_SEL("specifiers"), objc::method<&sendSpecifiers>());
  class_addMethod(cls, OBJC_SEL("loadSpecifiersFromPlistName:target:"), objc::method<&sendLoad>());
  class_addMethod(cls, OBJC_SEL("readPreferenceValue:"), objc::method<&sendRead>());
  class_addMethod(cls, OBJC_SEL("setPreferenceValue:specifier:"), objc::method<&sendSet>());
  class_addMethod(cls, OBJC_SEL("loadView"), objc::method<&PSListController::loadView>());
  class_addMethod(cls, OBJC_SEL("numberOfSectionsInTableView:"),
                  objc::method<&PSListController::numberOfSectionsInTableView>());
  class_addMethod(cls, OBJC_SEL("tableView:numberOfRowsInSection:"),
                  objc::method<&PSListController::tableViewNumberOfRowsInSection>());
  class_addMethod(cls, OBJC_SEL("tableView:cellForRowAtIndexPath:"),
                  objc::method<&PSListController::tableViewCellForRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("tableView:titleForHeaderInSection:"),
                  objc::method<&PSListController::tableViewTitleForHeaderInSection>());
  class_addMethod(cls, OBJC_SEL("tableView:titleForFooterInSection:"),
                  objc::method<&PSListController::tableViewTitleForFooterInSection>());
  class_addMethod(cls, OBJC_SEL("tableView:heightForRowAtIndexPath:"),
                  objc::method<&PSListController::tableViewHeightForRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                  objc::method<&PSListController::tableViewDidSelectRowAtIndexPath>());
  class_addMethod(cls, OBJC_SEL("controlChanged:"),
                  objc::method<&PSListController::controlChanged>());
}

Strong<NSArray> PSListController::specifiers() {
  return _specifiers;
}

Strong<NSArray> PSListController::loadSpecifiersFromPlistNameTarget(const Strong<NSString>& name,
                                                                    const id& target) {
  if (!name || !bundlePath()) return nullptr;
  auto path =
      bundlePath()->stringByAppendingPathComponent(name->stringByAppendingString(NSSTR(".plist")));
  auto plist = NSDictionary::dictionaryWithContentsOfFile(path);
  auto items = plist ? objc_cast<NSArray>(plist->objectForKey(NSSTR("items"))) : nullptr;
  if (!items) return nullptr;
  auto list = NSMutableArray::array();
  for (const id& item : *items) {
    if (auto specifierObject =
            PSSpecifier::specifierWithEntry(objc_cast<NSDictionary>(item), target)) {
      list->addObject(specifierObject);
    }
  }
  return list;
}

id PSListController::readPreferenceValue(const Strong<PSSpecifier>& specifier) {
  if (!specifier) return nullptr;
  if (specifier->defaults() && specifier->key()) {
    if (id stored = PSPreferenceStore::valueForKey(specifier->defaults(), specifier->key())) {
      return stored;
    }
  }
  return specifier->defaultValue();
}

void PSListController::setPreferenceValueSpecifier(const id& value,
                                                   const Strong<PSSpecifier>& specifier) {
  if (!specifier || !specifier->defaults() || !specifier->key()) return;
  std::string error;
  if (!PSPreferenceStore::setValueForKey(specifier->defaults(), specifier->key(), value, &error)) {
    NSLog("[Preferences] %@: %s", specifier->key(), error);
  }
  PSPreferenceStore::postNotification(specifier->postNotification());
}

Strong<UITableView> PSListController::table() {
  view();
  return table_;
}

void PSListController::loadView() {
  table_ =
      UITableView::tableViewWithFrame(UIScreen::mainScreen()->bounds(), UITableViewStyleGrouped);
  table_->setDataSource(retainedSelf());
  table_->setDelegate(retainedSelf());
  setView(table_);
  reloadSpecifiers();
}

void PSListController::buildGroups() {
  groups_.clear();
  NSArray* list = objc_msgSend<NSArray*>(this, OBJC_SEL("specifiers"));
  if (!list) return;
  for (const id& item : *list) {
    auto specifierObject = objc_cast<PSSpecifier>(item);
    if (!specifierObject) continue;
    if (specifierObject->cellType() == PSGroupCell) {
      groups_.push_back({specifierObject, {}});
    } else {
      if (groups_.empty()) groups_.push_back({nullptr, {}});
      groups_.back().rows.push_back(specifierObject);
    }
  }
}

void PSListController::reloadSpecifiers() {
  cells_.clear();
  controls_.clear();
  buildGroups();
  if (table_) table_->reloadData();
}

void PSListController::reloadValues() {
  for (const auto& group : groups_) {
    for (const auto& specifierObject : group.rows) {
      auto it = cells_.find(specifierObject.get());
      if (it != cells_.end()) refreshCell(specifierObject, it->second);
    }
  }
}

Strong<PSSpecifier> PSListController::specifierAtIndexPath(
    const Strong<NSIndexPath>& indexPath) const {
  if (!indexPath || indexPath->section() < 0 || indexPath->section() >= numberOfGroups()) {
    return nullptr;
  }
  const auto& rows = groups_[indexPath->section()].rows;
  if (indexPath->row() < 0 || indexPath->row() >= static_cast<NSInteger>(rows.size())) {
    return nullptr;
  }
  return rows[indexPath->row()];
}

Strong<NSIndexPath> PSListController::indexPathForSpecifier(
    const Strong<PSSpecifier>& specifier) const {
  for (std::size_t s = 0; s < groups_.size(); ++s) {
    for (std::size_t r = 0; r < groups_[s].rows.size(); ++r) {
      if (groups_[s].rows[r] == specifier) return NSIndexPath::indexPathForRowInSection(r, s);
    }
  }
  return nullptr;
}

Strong<UITableViewCell> PSListController::cellForSpecifier(const Strong<PSSpecifier>& specifier) {
  if (!specifier) return nullptr;
  auto it = cells_.find(specifier.get());
  if (it != cells_.end()) return it->second;
  auto cell = makeCell(specifier);
  cells_[specifier.get()] = cell;
  refreshCell(specifier, cell);
  return cell;
}

Strong<UITableViewCell> PSListController::makeBundleCell(const Strong<PSSpecifier>& specifier) {
  auto name = specifier->cellClassName();
  if (!name) return nullptr;
  Class cls = objc_getClass(name->stdString());
  if (!cls || !class_isSubclassOf(cls, UITableViewCell::class_())) return nullptr;
  id made = PSAllocInstance(cls);
  if (!made) return nullptr;
  id result;
  if (made->respondsToSelector(OBJC_SEL("initWithSpecifier:"))) {
    result = objc_msgSend<id>(made, OBJC_SEL("initWithSpecifier:"), specifier.get());
  } else {
    result = objc_msgSend<id>(made, OBJC_SEL("initWithStyle:reuseIdentifier:specifier:"),
                              NSInteger{0}, specifier->identifier().get(), specifier.get());
  }
  return objc_cast<UITableViewCell>(result);
}

Strong<UITableViewCell> PSListController::makeCell(const Strong<PSSpecifier>& specifier) {
  // A class the bundle does not provide (or that gives no cell) shows as a plain row.
  if (auto cell = makeBundleCell(specifier)) return cell;
  NSInteger style = specifier->cellType() == PSLinkListCell ? UITableViewCellStyleValue1
                                                            : UITableViewCellStyleDefault;
  auto cell = std::make_shared<PSTableCell>()->initWithStyleReuseIdentifierSpecifier(
      style, specifier->identifier(), specifier);
  switch (specifier->cellType()) {
    case PSSwitchCell:
      addSwitch(specifier, cell);
      break;
    case PSSliderCell:
      addSlider(specifier, cell);
      break;
    case PSSegmentCell:
      addSegments(specifier, cell);
      break;
    case PSLinkCell:
    case PSLinkListCell:
      cell->setAccessoryType(UITableViewCellAccessoryDisclosureIndicator);
      break;
    case PSButtonCell:
      cell->textLabel()->setTextColor(linkBlue());
      break;
    default:
      break;
  }
  return cell;
}

// A screen reader reads the row's control under the row's title, the title not twice.
void PSListController::addSwitch(const Strong<PSSpecifier>& specifier,
                                 const Strong<UITableViewCell>& cell) {
  auto control = std::make_shared<UISwitch>();
  control->addTargetActionForControlEvents(retainedSelf(), OBJC_SEL("controlChanged:"),
                                           UIControlEventValueChanged);
  control->setAccessibilityLabel(specifier->name());
  cell->textLabel()->setIsAccessibilityElement(false);
  cell->setAccessoryView(control);
  controls_[control.get()] = specifier;
}

void PSListController::addSlider(const Strong<PSSpecifier>& specifier,
                                 const Strong<UITableViewCell>& cell) {
  CGFloat width = UIScreen::mainScreen()->bounds().size.width;
  cell->textLabel()->setText(nullptr);
  auto title = std::make_shared<UILabel>(CGRectMake(15, 0, 90, 44));
  title->setText(specifier->name());
  title->setFont(UIFont::systemFontOfSize(17));
  title->setIsAccessibilityElement(false);
  cell->contentView()->addSubview(title);
  auto control = std::make_shared<UISlider>();
  auto bound = [&](const char* key, float fallback) {
    auto n = objc_cast<NSNumber>(specifier->propertyForKey(key));
    return n && std::isfinite(n->floatValue()) ? n->floatValue() : fallback;
  };
  control->setMaximumValue(bound("max", 1));
  control->setMinimumValue(bound("min", 0));
  control->setAccessibilityLabel(specifier->name());
  bool showValue = false;
  if (auto n = objc_cast<NSNumber>(specifier->propertyForKey("showValue"))) {
    showValue = n->boolValue();
  }
  CGFloat valueWidth = showValue ? 48 : 0;
  control->setFrame(CGRectMake(110, 6, width - 125 - valueWidth, 32));
  control->addTargetActionForControlEvents(retainedSelf(), OBJC_SEL("controlChanged:"),
                                           UIControlEventValueChanged);
  cell->contentView()->addSubview(control);
  if (showValue) {
    auto value = std::make_shared<UILabel>(CGRectMake(width - 15 - valueWidth, 0, valueWidth, 44));
    value->setTag(kSliderValueTag);
    value->setFont(UIFont::systemFontOfSize(15));
    value->setTextAlignment(NSTextAlignmentRight);
    value->setIsAccessibilityElement(false);  // the slider's value says it
    cell->contentView()->addSubview(value);
  }
  controls_[control.get()] = specifier;
}

void PSListController::addSegments(const Strong<PSSpecifier>& specifier,
                                   const Strong<UITableViewCell>& cell) {
  CGFloat width = UIScreen::mainScreen()->bounds().size.width;
  std::vector<Strong<NSString>> titles;
  auto names = specifier->titles();
  for (const id& t : *names) titles.push_back(objc_cast<NSString>(t));
  auto control = UISegmentedControl::segmentedControlWithItems(titles);
  control->setFrame(CGRectMake(15, 7, width - 30, 29));
  control->addTargetActionForControlEvents(retainedSelf(), OBJC_SEL("controlChanged:"),
                                           UIControlEventValueChanged);
  control->setAccessibilityLabel(specifier->name());
  cell->textLabel()->setText(nullptr);
  cell->contentView()->addSubview(control);
  controls_[control.get()] = specifier;
}

void PSListController::refreshCell(const Strong<PSSpecifier>& specifier,
                                   const Strong<UITableViewCell>& cell) {
  auto read = [&](const Strong<PSSpecifier>& specifierObject) {
    return objc_msgSend<id>(this, OBJC_SEL("readPreferenceValue:"), specifierObject.get());
  };
  switch (specifier->cellType()) {
    case PSSwitchCell:
      if (auto control = objc_cast<UISwitch>(cell->accessoryView())) {
        auto n = objc_cast<NSNumber>(read(specifier));
        control->setOn(n && n->boolValue());
      }
      break;
    case PSSliderCell:
    case PSSegmentCell:
      for (auto& [control, specifierObject] : controls_) {
        if (specifierObject != specifier) continue;
        id value = read(specifier);
        if (auto slider = objc_cast<UISlider>(const_cast<NSObject*>(control))) {
          auto n = objc_cast<NSNumber>(value);
          slider->setValue(n ? n->floatValue() : slider->minimumValue());
          if (auto label =
                  dynamic_cast<UILabel*>(cell->contentView()->viewWithTag(kSliderValueTag))) {
            label->setText(sliderText(slider->value()));
          }
        } else if (auto segments = objc_cast<UISegmentedControl>(const_cast<NSObject*>(control))) {
          auto values = specifier->values();
          segments->setSelectedSegmentIndex(
              value && values->containsObject(value) ? values->indexOfObject(value) : -1);
        }
      }
      break;
    case PSLinkListCell:
      if (cell->detailTextLabel())
        cell->detailTextLabel()->setText(specifier->titleForValue(read(specifier)));
      break;
    case PSListItemCell: {
      id current = read(this->specifier());
      id mine = specifier->propertyForKey("value");
      cell->setAccessoryType(current && mine && current->isEqual(mine)
                                 ? UITableViewCellAccessoryCheckmark
                                 : UITableViewCellAccessoryNone);
      break;
    }
    default:
      break;
  }
}

void PSListController::controlChanged(NSObject* sender) {
  auto it = controls_.find(sender);
  if (it == controls_.end()) return;
  auto specifier = it->second;
  id value;
  if (auto control = objc_cast<UISwitch>(sender)) {
    value = NSNumber::numberWithBool(control->isOn());
  } else if (auto slider = objc_cast<UISlider>(sender)) {
    value = NSNumber::numberWithFloat(slider->value());
    auto cell = cellForSpecifier(specifier);
    if (auto label = dynamic_cast<UILabel*>(cell->contentView()->viewWithTag(kSliderValueTag))) {
      label->setText(sliderText(slider->value()));
    }
  } else if (auto segments = objc_cast<UISegmentedControl>(sender)) {
    auto values = specifier->values();
    NSInteger index = segments->selectedSegmentIndex();
    if (index < 0 || index >= static_cast<NSInteger>(values->count())) return;
    value = values->objectAtIndex(index);
  }
  if (!value) return;
  objc_msgSend(this, OBJC_SEL("setPreferenceValue:specifier:"), value.get(), specifier.get());
}

void PSListController::sendButtonAction(const Strong<PSSpecifier>& specifier) {
  SEL action = specifier->buttonAction();
  id target = specifier->target() ? specifier->target() : retainedSelf();
  if (!action || !target->respondsToSelector(action)) return;
  // The list names the method; only one of an action's shape takes what is passed (nothing,
  // or the entry). Another ("tableView:cellForRowAtIndexPath:", "specifiers") would run
  // with arguments or a result it does not have.
  Method method = class_getInstanceMethod(target->getClass(), action);
  std::string types = method ? method_getTypeEncoding(method) : "";
  if (types == "v@:") {
    objc_msgSend(target, action);
  } else if (types == "v@:@") {
    objc_msgSend(target, action, specifier.get());
  } else {
    NSLog("[Preferences] %s is not an action (%s)", sel_getName(action), types);
  }
}

void PSListController::openDetail(const Strong<PSSpecifier>& specifier) {
  auto name = specifier->detailControllerClassName();
  if (!name) return;
  auto controller = objc_cast<UIViewController>(PSAllocInstance(objc_getClass(name->stdString())));
  if (!controller) {
    NSLog("[Preferences] no controller class named %@", name);
    return;
  }
  if (auto ps = objc_cast<PSViewController>(controller)) {
    auto self = retainedSelf<PSViewController>();
    ps->setSpecifier(specifier);
    ps->setParentController(self);
    ps->setRootController(rootController() ? rootController() : self);
    ps->setBundlePath(bundlePath());
  }
  controller->setTitle(specifier->name());
  if (auto nav = navigationController()) nav->pushViewControllerAnimated(controller, YES);
}

NSInteger PSListController::numberOfSectionsInTableView(UITableView*) {
  return numberOfGroups();
}

NSInteger PSListController::tableViewNumberOfRowsInSection(UITableView*, NSInteger section) {
  if (section < 0 || section >= numberOfGroups()) return 0;
  return static_cast<NSInteger>(groups_[section].rows.size());
}

Strong<UITableViewCell> PSListController::tableViewCellForRowAtIndexPath(UITableView*,
                                                                         NSIndexPath* path) {
  return cellForSpecifier(specifierAtIndexPath(path ? path->retainedSelf<NSIndexPath>() : nullptr));
}

Strong<NSString> PSListController::tableViewTitleForHeaderInSection(UITableView*,
                                                                    NSInteger section) {
  if (section < 0 || section >= numberOfGroups() || !groups_[section].group) return nullptr;
  return groups_[section].group->name();
}

Strong<NSString> PSListController::tableViewTitleForFooterInSection(UITableView*,
                                                                    NSInteger section) {
  if (section < 0 || section >= numberOfGroups() || !groups_[section].group) return nullptr;
  return groups_[section].group->stringForKey("footerText");
}

CGFloat PSListController::tableViewHeightForRowAtIndexPath(UITableView* table, NSIndexPath* path) {
  auto specifier = specifierAtIndexPath(path ? path->retainedSelf<NSIndexPath>() : nullptr);
  if (!specifier) return UITableView::kDefaultRowHeight;
  auto cell = cellForSpecifier(specifier);
  SEL preferred = OBJC_SEL("preferredHeightForWidth:inTableView:");
  if (cell && cell->respondsToSelector(preferred)) {
    CGFloat width = table ? table->bounds().size.width : 0;
    CGFloat h = objc_msgSend<CGFloat>(cell, preferred, width, table);
    if (h >= 0 && std::isfinite(h)) return h;
  }
  if (auto n = objc_cast<NSNumber>(specifier->propertyForKey("height"))) {
    double h = n->doubleValue();
    if (h >= 0 && std::isfinite(h)) return h;
  }
  return UITableView::kDefaultRowHeight;
}

void PSListController::tableViewDidSelectRowAtIndexPath(UITableView* table, NSIndexPath* path) {
  auto indexPath = path ? path->retainedSelf<NSIndexPath>() : nullptr;
  auto specifier = specifierAtIndexPath(indexPath);
  if (table) table->deselectRowAtIndexPathAnimated(indexPath, YES);
  if (!specifier) return;
  switch (specifier->cellType()) {
    case PSLinkCell:
    case PSLinkListCell:
      openDetail(specifier);
      break;
    case PSButtonCell:
      sendButtonAction(specifier);
      break;
    default:
      break;
  }
}
