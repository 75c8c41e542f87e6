#include "UIKit/UITableViewCell.h"

#include <functional>

#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIControl.h"
#include "UIKit/UILabel.h"

namespace {

void cellLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UITableViewCell::super::class_(), self, cmd);
  static_cast<UITableViewCell*>(self)->layoutSubviews();
}

id cellInitWithStyle(NSObject* self, SEL, NSInteger style, NSString* reuseIdentifier) {
  auto cell = static_cast<UITableViewCell*>(self);
  Strong<NSString> identifier =
      reuseIdentifier ? reuseIdentifier->retainedSelf<NSString>() : nullptr;
  return cell->initWithStyleReuseIdentifier(style, identifier);
}

// Borrowed: the cell keeps its label.
UILabel* cellTextLabel(NSObject* self, SEL) {
  return static_cast<UITableViewCell*>(self)->textLabel().get();
}

BOOL cellIsAccessibilityElement(NSObject* self, SEL) {
  return static_cast<UITableViewCell*>(self)->readsAsOneAccessibilityElement();
}
Strong<NSString> cellAccessibilityLabel(NSObject* self, SEL sel) {
  auto label = UIViewSendSuper<Strong<NSString>>(UITableViewCell::super::class_(), self, sel);
  auto* cell = static_cast<UITableViewCell*>(self);
  return label ? label : cell->textLabel() ? cell->textLabel()->text() : nullptr;
}
Strong<NSString> cellAccessibilityValue(NSObject* self, SEL sel) {
  auto value = UIViewSendSuper<Strong<NSString>>(UITableViewCell::super::class_(), self, sel);
  auto* cell = static_cast<UITableViewCell*>(self);
  if (value || !cell->detailTextLabel()) return value;
  auto detail = cell->detailTextLabel()->text();
  return detail && detail->length() ? detail : nullptr;
}
// A row acts when tapped: a button, selected when it carries the checkmark.
uint64_t cellAccessibilityTraits(NSObject* self, SEL sel) {
  uint64_t traits = UIViewSendSuper<uint64_t>(UITableViewCell::super::class_(), self, sel);
  if (traits) return traits;
  auto* cell = static_cast<UITableViewCell*>(self);
  traits = UIAccessibilityTraitButton;
  if (cell->accessoryType() == UITableViewCellAccessoryCheckmark)
    traits |= UIAccessibilityTraitSelected;
  return traits;
}

constexpr CGFloat kInset = 15;
constexpr CGFloat kMarkWidth = 24;

Strong<UIColor> selectionColor() {
  return UIColor::colorWithWhiteAlpha(0.85, 1);
}

}  // namespace

OBJC_CLASS_IMPL(UITableViewCell) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&cellLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("initWithStyle:reuseIdentifier:"),
                  objc::method<&cellInitWithStyle>());
  class_addMethod(cls, OBJC_SEL("prepareForReuse"),
                  objc::method<&UITableViewCell::prepareForReuse>());
  class_addMethod(cls, OBJC_SEL("textLabel"), objc::method<&cellTextLabel>());
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"),
                  objc::method<&cellIsAccessibilityElement>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"), objc::method<&cellAccessibilityLabel>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"), objc::method<&cellAccessibilityValue>());
  class_addMethod(cls, OBJC_SEL("accessibilityTraits"), objc::method<&cellAccessibilityTraits>());
}

bool UITableViewCell::readsAsOneAccessibilityElement() const {
  int setting = accessibilityElementSetting();
  if (setting >= 0) return setting == 1;
  auto text = textLabel_ ? textLabel_->text() : nullptr;
  if (!text || !text->length()) return false;
  std::function<bool(const UIView*)> holdsControl = [&](const UIView* view) {
    if (objc_cast<UIControl>(view)) return true;
    for (const auto& sub : view->subviews())
      if (holdsControl(sub.get())) return true;
    return false;
  };
  return !holdsControl(this);
}

UITableViewCell::UITableViewCell() : UIView(CGRectMake(0, 0, 320, 44)) {
  setUp(UITableViewCellStyleDefault, nullptr);
}

Strong<UITableViewCell> UITableViewCell::initWithStyleReuseIdentifier(
    NSInteger style, const Strong<NSString>& reuseIdentifier) {
  setUp(style, reuseIdentifier);
  return retainedSelf<UITableViewCell>();
}

Strong<UITableViewCell> UITableViewCell::cellWithStyle(NSInteger style,
                                                       const Strong<NSString>& reuseIdentifier) {
  return std::make_shared<UITableViewCell>()->initWithStyleReuseIdentifier(style, reuseIdentifier);
}

void UITableViewCell::setUp(NSInteger style, const Strong<NSString>& reuseIdentifier) {
  if (style < UITableViewCellStyleDefault || style > UITableViewCellStyleSubtitle) {
    style = UITableViewCellStyleDefault;
  }
  style_ = static_cast<UITableViewCellStyle>(style);
  reuseIdentifier_ = reuseIdentifier;
  setBackgroundColor(UIColor::whiteColor());
  if (!contentView_) {
    contentView_ = std::make_shared<UIView>(bounds());
    addSubview(contentView_);
    textLabel_ = std::make_shared<UILabel>(CGRectZero);
    textLabel_->setFont(UIFont::systemFontOfSize(17));
    contentView_->addSubview(textLabel_);
  }
  if (style_ != UITableViewCellStyleDefault && !detailTextLabel_) {
    detailTextLabel_ = std::make_shared<UILabel>(CGRectZero);
    detailTextLabel_->setFont(
        UIFont::systemFontOfSize(style_ == UITableViewCellStyleSubtitle ? 12 : 17));
    detailTextLabel_->setTextColor(UIColor::colorWithWhiteAlpha(0.56, 1));
    contentView_->addSubview(detailTextLabel_);
  } else if (style_ == UITableViewCellStyleDefault && detailTextLabel_) {
    detailTextLabel_->removeFromSuperview();
    detailTextLabel_ = nullptr;
  }
  setNeedsLayout();
}

void UITableViewCell::setAccessoryType(NSInteger type) {
  if (type < UITableViewCellAccessoryNone || type > UITableViewCellAccessoryCheckmark) {
    type = UITableViewCellAccessoryNone;
  }
  accessoryType_ = static_cast<UITableViewCellAccessoryType>(type);
  if (accessoryMark_) accessoryMark_->removeFromSuperview();
  accessoryMark_ = nullptr;
  if (accessoryType_ != UITableViewCellAccessoryNone) {
    auto mark = std::make_shared<UILabel>(CGRectZero);
    bool check = accessoryType_ == UITableViewCellAccessoryCheckmark;
    mark->setText(check ? NSSTR("\u2713") : NSSTR("\u203A"));
    mark->setFont(UIFont::systemFontOfSize(check ? 18 : 24));
    mark->setTextColor(check ? UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1)
                             : UIColor::colorWithWhiteAlpha(0.78, 1));
    mark->setTextAlignment(NSTextAlignmentCenter);
    accessoryMark_ = mark;
    addSubview(mark);
  }
  setNeedsLayout();
}

void UITableViewCell::setAccessoryView(const Strong<UIView>& view) {
  if (accessoryView_) accessoryView_->removeFromSuperview();
  accessoryView_ = view;
  if (view) addSubview(view);
  setNeedsLayout();
}

void UITableViewCell::setSelectedAnimated(BOOL selected, BOOL animated) {
  selected_ = selected;
  setBackgroundColor(selected || highlighted_ ? selectionColor() : UIColor::whiteColor());
}

void UITableViewCell::setHighlightedAnimated(BOOL highlighted, BOOL animated) {
  if (highlighted_ == highlighted) return;
  highlighted_ = highlighted;
  if (selected_) return;  // shown as selected either way
  // A press that ends without selecting leaves the cell as it was.
  if (highlighted) {
    beforeHighlight_ = backgroundColor();
    setBackgroundColor(selectionColor());
  } else {
    setBackgroundColor(beforeHighlight_);
    beforeHighlight_ = nullptr;
  }
}

void UITableViewCell::prepareForReuse() {
  setHighlightedAnimated(NO, NO);
  setSelectedAnimated(NO, NO);
}

void UITableViewCell::layoutSubviews() {
  CGRect b = bounds();
  CGFloat right = b.size.width;
  // The accessory view wins over the accessory type, as on the device.
  if (accessoryView_) {
    CGRect f = accessoryView_->frame();
    right = b.size.width - kInset - f.size.width;
    accessoryView_->setFrame(
        CGRectMake(right, (b.size.height - f.size.height) / 2, f.size.width, f.size.height));
    if (accessoryMark_) accessoryMark_->setHidden(true);
  } else if (accessoryMark_) {
    accessoryMark_->setHidden(false);
    right = b.size.width - kInset / 2 - kMarkWidth;
    accessoryMark_->setFrame(CGRectMake(right, 0, kMarkWidth, b.size.height));
  }
  contentView_->setFrame(CGRectMake(0, 0, right, b.size.height));
  CGFloat width = right - 2 * kInset;
  if (width < 0) width = 0;
  switch (style_) {
    case UITableViewCellStyleSubtitle:
      textLabel_->setFrame(CGRectMake(kInset, 4, width, b.size.height * 0.55 - 4));
      detailTextLabel_->setFrame(
          CGRectMake(kInset, b.size.height * 0.55, width, b.size.height * 0.45 - 4));
      break;
    case UITableViewCellStyleValue1:
    case UITableViewCellStyleValue2:
      textLabel_->setFrame(CGRectMake(kInset, 0, width, b.size.height));
      detailTextLabel_->setFrame(CGRectMake(kInset, 0, width, b.size.height));
      detailTextLabel_->setTextAlignment(NSTextAlignmentRight);
      break;
    default:
      textLabel_->setFrame(CGRectMake(kInset, 0, width, b.size.height));
      break;
  }
}
