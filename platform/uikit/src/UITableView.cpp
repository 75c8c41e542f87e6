#include "UIKit/UITableView.h"

#include <cmath>

#include "Foundation/NSSet.h"
#include "Foundation/NSString.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UILabel.h"
#include "UIKit/UITableViewCell.h"
#include "UIKit/UITouch.h"

namespace {

void tableLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UITableView::super::class_(), self, cmd);
  static_cast<UITableView*>(self)->layoutSubviews();
}

bool responds(const id& obj, SEL sel) {
  return obj && obj->respondsToSelector(sel);
}

constexpr CGFloat kInset = 15;

}  // namespace

// A finger lifted on the row it came down on taps that row; one that leaves the row
// first, or is cancelled, taps nothing. The row is highlighted while the finger is on it.
// A finger that slides left across an editable row swipes it: the row's Delete button
// shows at its right edge, and the next finger either lifts on that button (the row is
// deleted) or anywhere else (the button goes, nothing is tapped).
struct UITableViewTouches {
  static UITableView* t(NSObject* self) { return static_cast<UITableView*>(self); }
  static CGPoint where(NSObject* self, NSSet* touches) {
    auto touch = touches ? objc_cast<UITouch>(touches->anyObject()) : nullptr;
    return touch ? touch->locationInView(t(self)) : CGPointMake(-1, -1);
  }
  static void press(NSObject* self, Strong<NSIndexPath> row) {
    auto& pressed = t(self)->pressed_;
    if (auto cell = t(self)->cellForRowAtIndexPath(pressed)) cell->setHighlightedAnimated(NO, NO);
    pressed = std::move(row);
    if (auto cell = t(self)->cellForRowAtIndexPath(pressed)) cell->setHighlightedAnimated(YES, NO);
  }
  static bool onDeleteButton(UITableView* table, CGPoint p) {
    return table->deleteButton_ && CGRectContainsPoint(table->deleteButton_->frame(), p);
  }
  static void began(NSObject* self, SEL, NSSet* touches, UIEvent*) {
    UITableView* table = t(self);
    CGPoint p = where(self, touches);
    table->swipe_ = {};
    table->swipe_.start = p;
    if (table->deleteButton_) {
      // This finger answers the shown Delete button; it taps no row.
      table->swipe_.answering = true;
      if (!onDeleteButton(table, p)) table->hideDeleteButton();
      return;
    }
    table->swipe_.row = table->indexPathForRowAtPoint(p);
    press(self, table->swipe_.row);
  }
  static void moved(NSObject* self, SEL, NSSet* touches, UIEvent*) {
    UITableView* table = t(self);
    if (table->swipe_.answering) return;
    CGPoint p = where(self, touches);
    CGFloat dx = table->swipe_.start.x - p.x, dy = std::fabs(p.y - table->swipe_.start.y);
    if (!table->swipe_.swiping && dx > UITableView::kSwipeDistance && dx > dy &&
        table->canEditRowAtIndexPath(table->swipe_.row)) {
      table->swipe_.swiping = true;
    }
    auto& pressed = table->pressed_;
    auto now = table->indexPathForRowAtPoint(p);
    if (pressed && (table->swipe_.swiping || !(now && now->isEqual(pressed.get()))))
      press(self, nullptr);
  }
  static void ended(NSObject* self, SEL sel, NSSet* touches, UIEvent* event) {
    UITableView* table = t(self);
    moved(self, sel, touches, event);
    if (table->swipe_.answering) {
      auto row = table->deleteRow_;
      bool confirm = onDeleteButton(table, where(self, touches));
      table->hideDeleteButton();
      if (confirm) table->deleteRowAtIndexPath(row);
      table->swipe_ = {};
      return;
    }
    if (table->swipe_.swiping) {
      table->showDeleteButton(table->swipe_.row);
      table->swipe_ = {};
      return;
    }
    auto pressed = table->pressed_;
    press(self, nullptr);
    if (pressed) table->tapRowAtIndexPath(pressed);
  }
  static void cancelled(NSObject* self, SEL, NSSet*, UIEvent*) {
    t(self)->swipe_ = {};
    press(self, nullptr);
  }
};

OBJC_CLASS_IMPL(UITableView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&tableLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("reloadData"), objc::method<&UITableView::reloadData>());
  using T = UITableViewTouches;
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"), objc::method<&T::began>());
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"), objc::method<&T::moved>());
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"), objc::method<&T::ended>());
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"), objc::method<&T::cancelled>());
}

Strong<NSIndexPath> UITableView::indexPathForRowAtPoint(CGPoint point) const {
  for (std::size_t s = 0; s < sections_.size(); ++s) {
    const auto& cells = sections_[s].cells;
    for (std::size_t r = 0; r < cells.size(); ++r) {
      if (cells[r] && CGRectContainsPoint(cells[r]->frame(), point))
        return NSIndexPath::indexPathForRowInSection(static_cast<NSInteger>(r),
                                                     static_cast<NSInteger>(s));
    }
  }
  return nullptr;
}

UITableView::UITableView() : UIView(CGRectMake(0, 0, 320, 568)) {}

Strong<UITableView> UITableView::tableViewWithFrame(CGRect frame, NSInteger style) {
  auto table = std::make_shared<UITableView>();
  table->setFrame(frame);
  table->style_ =
      style == UITableViewStyleGrouped ? UITableViewStyleGrouped : UITableViewStylePlain;
  table->setBackgroundColor(table->style_ == UITableViewStyleGrouped
                                ? UIColor::colorWithWhiteAlpha(0.94, 1)
                                : UIColor::whiteColor());
  return table;
}

void UITableView::setDataSource(const id& dataSource) {
  dataSource_ = dataSource;
}
void UITableView::setDelegate(const id& delegate) {
  delegate_ = delegate;
}

void UITableView::recycle(Section& section) {
  for (auto& cell : section.cells) {
    cell->removeFromSuperview();
    if (cell->reuseIdentifier()) pool_[cell->reuseIdentifier()->characters()].push_back(cell);
  }
  section.cells.clear();
  section.heights.clear();
}

void UITableView::loadSection(NSInteger index, Section& section) {
  auto source = dataSource();
  auto del = delegate();
  auto self = static_cast<UITableView*>(this);
  section.header = responds(source, OBJC_SEL("tableView:titleForHeaderInSection:"))
                       ? objc_msgSend<Strong<NSString>>(
                             source, OBJC_SEL("tableView:titleForHeaderInSection:"), self, index)
                       : nullptr;
  section.footer = responds(source, OBJC_SEL("tableView:titleForFooterInSection:"))
                       ? objc_msgSend<Strong<NSString>>(
                             source, OBJC_SEL("tableView:titleForFooterInSection:"), self, index)
                       : nullptr;
  NSInteger rows = responds(source, OBJC_SEL("tableView:numberOfRowsInSection:"))
                       ? objc_msgSend<NSInteger>(
                             source, OBJC_SEL("tableView:numberOfRowsInSection:"), self, index)
                       : 0;
  bool cellSource = responds(source, OBJC_SEL("tableView:cellForRowAtIndexPath:"));
  bool heightSource = responds(del, OBJC_SEL("tableView:heightForRowAtIndexPath:"));
  for (NSInteger row = 0; row < rows; ++row) {
    auto path = NSIndexPath::indexPathForRowInSection(row, index);
    Strong<UITableViewCell> cell;
    if (cellSource) {
      cell = objc_msgSend<Strong<UITableViewCell>>(
          source, OBJC_SEL("tableView:cellForRowAtIndexPath:"), self, path.get());
    }
    // A data source that gives no cell gets an empty row rather than a crash.
    if (!cell) cell = UITableViewCell::cellWithStyle(UITableViewCellStyleDefault, nullptr);
    CGFloat height = rowHeight_;
    if (heightSource) {
      height = objc_msgSend<CGFloat>(del, OBJC_SEL("tableView:heightForRowAtIndexPath:"), self,
                                     path.get());
      if (!(height >= 0)) height = rowHeight_;
    }
    section.cells.push_back(cell);
    section.heights.push_back(height);
  }
}

void UITableView::reloadData() {
  hideDeleteButton();
  for (auto& s : sections_) recycle(s);
  sections_.clear();
  auto source = dataSource();
  NSInteger count = 1;
  if (!source) {
    count = 0;
  } else if (responds(source, OBJC_SEL("numberOfSectionsInTableView:"))) {
    count = objc_msgSend<NSInteger>(source, OBJC_SEL("numberOfSectionsInTableView:"),
                                    static_cast<UITableView*>(this));
  }
  if (count < 0) count = 0;
  sections_.resize(count);
  for (NSInteger i = 0; i < count; ++i) loadSection(i, sections_[i]);
  pool_.clear();
  if (selected_ && !validIndexPath(selected_)) selected_ = nullptr;
  relayout();
}

void UITableView::reloadSectionsWithRowAnimation(const std::vector<NSInteger>& sections,
                                                 NSInteger animation) {
  auto source = dataSource();
  NSInteger count = 1;
  if (source && responds(source, OBJC_SEL("numberOfSectionsInTableView:"))) {
    count = objc_msgSend<NSInteger>(source, OBJC_SEL("numberOfSectionsInTableView:"),
                                    static_cast<UITableView*>(this));
  }
  if (!source || count != numberOfSections()) {
    reloadData();
    return;
  }
  for (NSInteger s : sections) {
    if (s < 0 || s >= numberOfSections()) continue;
    recycle(sections_[s]);
    loadSection(s, sections_[s]);
  }
  pool_.clear();
  if (selected_ && !validIndexPath(selected_)) selected_ = nullptr;
  relayout();
}

Strong<UITableViewCell> UITableView::dequeueReusableCellWithIdentifier(
    const Strong<NSString>& identifier) {
  if (!identifier) return nullptr;
  auto it = pool_.find(identifier->characters());
  if (it == pool_.end() || it->second.empty()) return nullptr;
  auto cell = it->second.back();
  it->second.pop_back();
  objc_msgSend(cell, OBJC_SEL("prepareForReuse"));
  return cell;
}

NSInteger UITableView::numberOfRowsInSection(NSInteger section) const {
  if (section < 0 || section >= numberOfSections()) return 0;
  return static_cast<NSInteger>(sections_[section].cells.size());
}

BOOL UITableView::validIndexPath(const Strong<NSIndexPath>& p) const {
  return p && p->row() >= 0 && p->row() < numberOfRowsInSection(p->section());
}

Strong<UITableViewCell> UITableView::cellForRowAtIndexPath(
    const Strong<NSIndexPath>& indexPath) const {
  if (!validIndexPath(indexPath)) return nullptr;
  return sections_[indexPath->section()].cells[indexPath->row()];
}

CGRect UITableView::rectForRowAtIndexPath(const Strong<NSIndexPath>& indexPath) const {
  auto cell = cellForRowAtIndexPath(indexPath);
  return cell ? cell->frame() : CGRectZero;
}

Strong<NSString> UITableView::headerTitleForSection(NSInteger section) const {
  return section >= 0 && section < numberOfSections() ? sections_[section].header : nullptr;
}

Strong<NSString> UITableView::footerTitleForSection(NSInteger section) const {
  return section >= 0 && section < numberOfSections() ? sections_[section].footer : nullptr;
}

Strong<NSIndexPath> UITableView::indexPathForSelectedRow() const {
  return selected_;
}

void UITableView::selectRowAtIndexPath(const Strong<NSIndexPath>& indexPath) {
  if (!validIndexPath(indexPath)) return;
  if (auto old = cellForRowAtIndexPath(selected_)) old->setSelectedAnimated(NO, NO);
  selected_ = indexPath;
  cellForRowAtIndexPath(indexPath)->setSelectedAnimated(YES, NO);
}

void UITableView::deselectRowAtIndexPathAnimated(const Strong<NSIndexPath>& indexPath,
                                                 BOOL animated) {
  if (!indexPath || !selected_ || !selected_->isEqual(indexPath.get())) return;
  if (auto cell = cellForRowAtIndexPath(selected_)) cell->setSelectedAnimated(NO, animated);
  selected_ = nullptr;
}

BOOL UITableView::tapRowAtIndexPath(const Strong<NSIndexPath>& indexPath) {
  if (!validIndexPath(indexPath)) return NO;
  auto path = NSIndexPath::indexPathForRowInSection(indexPath->row(), indexPath->section());
  selectRowAtIndexPath(path);
  auto del = delegate();
  if (responds(del, OBJC_SEL("tableView:didSelectRowAtIndexPath:"))) {
    objc_msgSend(del, OBJC_SEL("tableView:didSelectRowAtIndexPath:"),
                 static_cast<UITableView*>(this), path.get());
  }
  return YES;
}

BOOL UITableView::canEditRowAtIndexPath(const Strong<NSIndexPath>& indexPath) const {
  if (!validIndexPath(indexPath)) return NO;
  auto source = dataSource();
  // Rows are editable when the data source can commit and does not say otherwise.
  if (!responds(source, OBJC_SEL("tableView:commitEditingStyle:forRowAtIndexPath:"))) return NO;
  if (!responds(source, OBJC_SEL("tableView:canEditRowAtIndexPath:"))) return YES;
  return objc_msgSend<BOOL>(source, OBJC_SEL("tableView:canEditRowAtIndexPath:"),
                            const_cast<UITableView*>(this), indexPath.get());
}

BOOL UITableView::deleteRowAtIndexPath(const Strong<NSIndexPath>& indexPath) {
  if (!canEditRowAtIndexPath(indexPath)) return NO;
  auto path = NSIndexPath::indexPathForRowInSection(indexPath->row(), indexPath->section());
  objc_msgSend(dataSource(), OBJC_SEL("tableView:commitEditingStyle:forRowAtIndexPath:"),
               static_cast<UITableView*>(this),
               static_cast<NSInteger>(UITableViewCellEditingStyleDelete), path.get());
  return YES;
}

void UITableView::showDeleteButton(const Strong<NSIndexPath>& indexPath) {
  hideDeleteButton();
  if (!canEditRowAtIndexPath(indexPath)) return;
  CGRect row = rectForRowAtIndexPath(indexPath);
  auto button = std::make_shared<UILabel>(CGRectMake(
      CGRectGetMaxX(row) - kDeleteButtonWidth, row.origin.y, kDeleteButtonWidth, row.size.height));
  button->setText(NSSTR("Delete"));
  button->setTextAlignment(NSTextAlignmentCenter);
  button->setTextColor(UIColor::whiteColor());
  button->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(1, 0.23, 0.19, 1));
  button->setAccessibilityTraits(UIAccessibilityTraitButton);
  deleteButton_ = button;
  deleteRow_ = NSIndexPath::indexPathForRowInSection(indexPath->row(), indexPath->section());
  addSubview(button);
}

void UITableView::hideDeleteButton() {
  if (!deleteButton_) return;
  deleteButton_->removeFromSuperview();
  deleteButton_ = nullptr;
  deleteRow_ = nullptr;
}

void UITableView::relayout() {
  for (auto& d : decorations_) d->removeFromSuperview();
  decorations_.clear();
  CGFloat width = bounds().size.width;
  laidOutWidth_ = width;
  bool grouped = style_ == UITableViewStyleGrouped;
  auto gray = UIColor::colorWithWhiteAlpha(0.43, 1);
  auto addNote = [&](const Strong<NSString>& text, CGFloat y, CGFloat h, CGFloat size,
                     uint64_t traits) {
    auto label = std::make_shared<UILabel>(CGRectMake(kInset, y, width - 2 * kInset, h));
    if (traits) label->setAccessibilityTraits(traits);
    label->setText(text);
    label->setFont(UIFont::systemFontOfSize(size));
    label->setTextColor(gray);
    label->setNumberOfLines(0);
    decorations_.push_back(label);
  };
  CGFloat y = 0;
  for (auto& s : sections_) {
    if (s.header) {
      CGFloat h = grouped ? 38 : 28;
      // A screen reader reads a section's title as a header, its footer as text.
      addNote(grouped ? s.header->uppercaseString() : s.header, y + h - 26, 24, grouped ? 13 : 15,
              UIAccessibilityTraitHeader);
      y += h;
    } else {
      y += grouped ? 18 : 0;
    }
    for (std::size_t r = 0; r < s.cells.size(); ++r) {
      auto& cell = s.cells[r];
      cell->setFrame(CGRectMake(0, y, width, s.heights[r]));
      if (cell->superview() != this) addSubview(cell);
      y += s.heights[r];
      if (r + 1 < s.cells.size()) {
        auto rule = std::make_shared<UIView>(CGRectMake(kInset, y - 0.5, width - kInset, 0.5));
        rule->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.8, 1));
        decorations_.push_back(rule);
      }
    }
    if (s.footer) {
      CGFloat h = 16.0 * (1 + s.footer->length() / 48) + 14;
      addNote(s.footer, y + 6, h - 10, 13, 0);
      y += h;
    } else {
      y += grouped ? 8 : 0;
    }
  }
  for (auto& d : decorations_) addSubview(d);
  contentHeight_ = y;
}

void UITableView::setContentOffset(CGPoint offset) {
  if (!std::isfinite(offset.x) || !std::isfinite(offset.y)) return;
  CGRect b = bounds();
  b.origin = offset;
  setBounds(b);
}

void UITableView::layoutSubviews() {
  // A width change moves rows; the rows themselves stay as loaded.
  if (bounds().size.width != laidOutWidth_) relayout();
}
