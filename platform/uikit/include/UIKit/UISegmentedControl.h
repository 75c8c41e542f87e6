// A row of titled segments, one of them selected.
#pragma once

#include <vector>

#include "UIKit/UIControl.h"
#include "UIKit/UIKitExport.h"

class NSString;
class UIColor;
class UIAppearance;
class UILabel;

class NIMBRA_UIKIT_API UISegmentedControl : public UIControl {
  OBJC_CLASS(UISegmentedControl, UIControl)

 public:
  static constexpr NSInteger UISegmentedControlNoSegment = -1;

  UISegmentedControl();
  static Strong<UISegmentedControl> segmentedControlWithItems(
      const std::vector<Strong<NSString>>& items);

  static Strong<UIAppearance> appearance();
  static Strong<UIAppearance> appearanceWhenContainedIn(Class container);

  NSUInteger numberOfSegments() const { return titles_.size(); }
  Strong<NSString> titleForSegmentAtIndex(NSUInteger index) const;  // none out of range
  NSInteger selectedSegmentIndex() const { return selected_; }
  // An index outside the segments (other than -1, none) is ignored.
  void setSelectedSegmentIndex(NSInteger index);
  // A user's tap on a segment: selects it and sends the value-changed actions.
  void tapSegment(NSInteger index);

  Strong<UIColor> tintColor() const;
  void setTintColor(const Strong<UIColor>& color) { tint_ = color; }

  void layoutSubviews();

 private:
  std::vector<Strong<NSString>> titles_;
  std::vector<Strong<UIView>> segments_;
  std::vector<Strong<UILabel>> labels_;
  NSInteger selected_ = UISegmentedControlNoSegment;
  Strong<UIColor> tint_;
};
