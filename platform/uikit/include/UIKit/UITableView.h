// A list of rows in sections. The data source and the delegate are not owned and are
// asked through the runtime, the optional methods only when they respond:
//   data source: numberOfSectionsInTableView: (default 1),
//     tableView:numberOfRowsInSection:, tableView:cellForRowAtIndexPath:,
//     tableView:titleForHeaderInSection:, tableView:titleForFooterInSection:,
//     tableView:canEditRowAtIndexPath:, tableView:commitEditingStyle:forRowAtIndexPath:
//   delegate: tableView:heightForRowAtIndexPath:, tableView:didSelectRowAtIndexPath:
// with implementations taking (NSObject* self, SEL _cmd, UITableView*, ...): sections
// and rows as NSInteger, index paths as NSIndexPath*, titles and cells returned as
// Strong<NSString> and Strong<UITableViewCell>, heights as CGFloat, the editing style
// as NSInteger.
//
// Every row is laid out as a subview (no scrolling); contentHeight() is the whole list.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIView.h"

class NSString;
class NSIndexPath;
class UILabel;
class UITableViewCell;

enum UITableViewStyle : NSInteger {
  UITableViewStylePlain = 0,
  UITableViewStyleGrouped = 1,
};

enum UITableViewRowAnimation : NSInteger {
  UITableViewRowAnimationFade = 0,
  UITableViewRowAnimationNone = 5,
  UITableViewRowAnimationAutomatic = 100,
};

class NIMBRA_UIKIT_API UITableView : public UIView {
  OBJC_CLASS(UITableView, UIView)

 public:
  static constexpr CGFloat kDefaultRowHeight = 44;

  UITableView();
  static Strong<UITableView> tableViewWithFrame(CGRect frame, NSInteger style);

  UITableViewStyle style() const { return style_; }
  id dataSource() const { return dataSource_.lock(); }
  void setDataSource(const id& dataSource);
  id delegate() const { return delegate_.lock(); }
  void setDelegate(const id& delegate);

  BOOL alwaysBounceVertical() const { return bounce_; }
  void setAlwaysBounceVertical(BOOL bounce) { bounce_ = bounce; }
  CGFloat rowHeight() const { return rowHeight_; }
  void setRowHeight(CGFloat h) { rowHeight_ = h; }

  // Asks the data source again for everything; cells in use go to the reuse pool.
  void reloadData();
  // Asks again for the rows of those sections (section numbers outside the table are
  // ignored; a changed number of sections reloads everything).
  void reloadSectionsWithRowAnimation(const std::vector<NSInteger>& sections, NSInteger animation);
  Strong<UITableViewCell> dequeueReusableCellWithIdentifier(const Strong<NSString>& identifier);

  NSInteger numberOfSections() const { return static_cast<NSInteger>(sections_.size()); }
  NSInteger numberOfRowsInSection(NSInteger section) const;  // 0 out of range
  Strong<UITableViewCell> cellForRowAtIndexPath(const Strong<NSIndexPath>& indexPath) const;
  CGRect rectForRowAtIndexPath(const Strong<NSIndexPath>& indexPath) const;
  // The row under a point of the table's own coordinates; none between rows.
  Strong<NSIndexPath> indexPathForRowAtPoint(CGPoint point) const;
  Strong<NSString> headerTitleForSection(NSInteger section) const;
  Strong<NSString> footerTitleForSection(NSInteger section) const;
  CGFloat contentHeight() const { return contentHeight_; }
  // Scrolling: the list is shown from contentOffset on (the bounds' origin), so a row's
  // place on the screen moves up as the offset grows. Non-finite offsets are ignored.
  CGPoint contentOffset() const { return bounds().origin; }
  void setContentOffset(CGPoint offset);

  Strong<NSIndexPath> indexPathForSelectedRow() const;
  void selectRowAtIndexPath(const Strong<NSIndexPath>& indexPath);
  void deselectRowAtIndexPathAnimated(const Strong<NSIndexPath>& indexPath, BOOL animated);

  // A user's tap on a row: selects it and tells the delegate. NO for a row that does not
  // exist. A finger that comes down and lifts on one row (touches reach the table from
  // its cells) taps it the same way.
  BOOL tapRowAtIndexPath(const Strong<NSIndexPath>& indexPath);
  // A user's swipe-to-delete and confirm: NO when the row does not exist or the data
  // source does not allow editing it; otherwise the commit is sent with style 1.
  BOOL deleteRowAtIndexPath(const Strong<NSIndexPath>& indexPath);
  BOOL canEditRowAtIndexPath(const Strong<NSIndexPath>& indexPath) const;
  // The Delete button a swipe left across an editable row shows (see the touches in
  // UITableView.cpp); none while no row is swiped. Hidden by the next finger and by a reload.
  static constexpr CGFloat kSwipeDistance = 30;
  static constexpr CGFloat kDeleteButtonWidth = 82;
  void showDeleteButton(const Strong<NSIndexPath>& indexPath);
  void hideDeleteButton();
  Strong<UILabel> deleteButton() const { return deleteButton_; }

  void layoutSubviews();

 private:
  struct Section {
    Strong<NSString> header;
    Strong<NSString> footer;
    std::vector<Strong<UITableViewCell>> cells;
    std::vector<CGFloat> heights;
  };
  void loadSection(NSInteger index, Section& section);
  void recycle(Section& section);
  void relayout();
  BOOL validIndexPath(const Strong<NSIndexPath>& indexPath) const;

  UITableViewStyle style_ = UITableViewStylePlain;
  Weak<NSObject> dataSource_;
  Weak<NSObject> delegate_;
  BOOL bounce_ = NO;
  CGFloat rowHeight_ = kDefaultRowHeight;
  std::vector<Section> sections_;
  std::map<std::u16string, std::vector<Strong<UITableViewCell>>> pool_;
  std::vector<Strong<UIView>> decorations_;
  friend struct UITableViewTouches;
  Strong<NSIndexPath> selected_;
  Strong<NSIndexPath> pressed_;  // the row a finger came down on
  struct Swipe {
    CGPoint start{};
    Strong<NSIndexPath> row;  // the row the finger came down on
    bool swiping = false;     // it slid left far enough across an editable row
    bool answering = false;   // it came down while a Delete button was shown
  } swipe_;
  Strong<UILabel> deleteButton_;
  Strong<NSIndexPath> deleteRow_;
  CGFloat contentHeight_ = 0;
  CGFloat laidOutWidth_ = -1;
};
