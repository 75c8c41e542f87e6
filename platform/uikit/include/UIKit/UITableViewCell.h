// A row of a table: a content view with a text label (and a detail label in the
// styles that have one), and an accessory at the right edge.
#pragma once

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIView.h"

class NSString;
class UILabel;
class UIColor;

enum UITableViewCellStyle : NSInteger {
  UITableViewCellStyleDefault = 0,
  UITableViewCellStyleValue1 = 1,
  UITableViewCellStyleValue2 = 2,
  UITableViewCellStyleSubtitle = 3,
};

enum UITableViewCellAccessoryType : NSInteger {
  UITableViewCellAccessoryNone = 0,
  UITableViewCellAccessoryDisclosureIndicator = 1,
  UITableViewCellAccessoryDetailDisclosureButton = 2,
  UITableViewCellAccessoryCheckmark = 3,
};

enum UITableViewCellEditingStyle : NSInteger {
  UITableViewCellEditingStyleNone = 0,
  UITableViewCellEditingStyleDelete = 1,
  UITableViewCellEditingStyleInsert = 2,
};

class NIMBRA_UIKIT_API UITableViewCell : public UIView {
  OBJC_CLASS(UITableViewCell, UIView)

 public:
  UITableViewCell();

  // The cell itself, set up for the style (an unknown style counts as the default).
  Strong<UITableViewCell> initWithStyleReuseIdentifier(NSInteger style,
                                                       const Strong<NSString>& reuseIdentifier);
  static Strong<UITableViewCell> cellWithStyle(NSInteger style,
                                               const Strong<NSString>& reuseIdentifier);

  UITableViewCellStyle style() const { return style_; }
  Strong<NSString> reuseIdentifier() const { return reuseIdentifier_; }
  Strong<UIView> contentView() const { return contentView_; }
  Strong<UILabel> textLabel() const { return textLabel_; }
  Strong<UILabel> detailTextLabel() const { return detailTextLabel_; }  // none: default style

  UITableViewCellAccessoryType accessoryType() const { return accessoryType_; }
  void setAccessoryType(NSInteger type);
  Strong<UIView> accessoryView() const { return accessoryView_; }
  void setAccessoryView(const Strong<UIView>& view);

  BOOL isSelected() const { return selected_; }
  void setSelectedAnimated(BOOL selected, BOOL animated);
  // While a finger is on the row: looks as selected does, and gives the cell its own
  // background back when it ends without a selection.
  BOOL isHighlighted() const { return highlighted_; }
  void setHighlightedAnimated(BOOL highlighted, BOOL animated);

  void prepareForReuse();
  void layoutSubviews();

  // A screen reader reads the row as one element (its title, its detail as the value, a
  // button) when it has a title and no control of its own; a switch or slider is read by
  // itself, and a cell that draws its own content is a container of what it draws.
  // Setting isAccessibilityElement on the cell overrides this.
  bool readsAsOneAccessibilityElement() const;

 private:
  void setUp(NSInteger style, const Strong<NSString>& reuseIdentifier);
  UITableViewCellStyle style_ = UITableViewCellStyleDefault;
  Strong<NSString> reuseIdentifier_;
  Strong<UIView> contentView_;
  Strong<UILabel> textLabel_;
  Strong<UILabel> detailTextLabel_;
  UITableViewCellAccessoryType accessoryType_ = UITableViewCellAccessoryNone;
  Strong<UIView> accessoryView_;
  Strong<UIView> accessoryMark_;
  BOOL selected_ = NO;
  BOOL highlighted_ = NO;
  Strong<UIColor> beforeHighlight_;  // the background a highlight covers
};
