#include "UIKit/UITextField.h"

#include <algorithm>

#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIPasteboard.h"

namespace {

void textFieldLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UITextField::super::class_(), self, cmd);
  static_cast<UITextField*>(self)->layoutSubviews();
}

// Borrowed: the field keeps its text.
NSString* textFieldText(NSObject* self, SEL) {
  return static_cast<UITextField*>(self)->text().get();
}

// A screen reader reads the field as one element: the placeholder as its label, the text
// typed as its value.
Strong<NSString> textFieldAccessibilityLabel(NSObject* self, SEL sel) {
  auto label = UIViewSendSuper<Strong<NSString>>(UITextField::super::class_(), self, sel);
  return label ? label : static_cast<UITextField*>(self)->placeholder();
}
Strong<NSString> textFieldAccessibilityValue(NSObject* self, SEL) {
  return static_cast<UITextField*>(self)->text();
}

constexpr CGFloat kTextInset = 6;
constexpr CGFloat kCaretWidth = 1.5;
constexpr CGFloat kFontSize = 13;

bool isHighSurrogate(unichar c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
bool isLowSurrogate(unichar c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace

OBJC_CLASS_IMPL(UITextField) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&textFieldLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("text"), objc::method<&textFieldText>());
  class_addMethod(cls, OBJC_SEL("accessibilityLabel"),
                  objc::method<&textFieldAccessibilityLabel>());
  class_addMethod(cls, OBJC_SEL("accessibilityValue"),
                  objc::method<&textFieldAccessibilityValue>());
}

UITextField::UITextField() : UIControl(CGRectMake(0, 0, 240, 30)) {
  text_ = NSString::string();
  setBackgroundColor(UIColor::whiteColor());
  layer()->setBorderWidth(0.5);
  layer()->setBorderColor(UIColor::colorWithWhiteAlpha(0.6, 1)->CGColor());
  selectionView_ = std::make_shared<UIView>(CGRectZero);
  selectionView_->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0.7, 0.84, 1, 1));
  addSubview(selectionView_);
  label_ = std::make_shared<UILabel>(CGRectZero);
  label_->setFont(UIFont::systemFontOfSize(kFontSize));
  addSubview(label_);
  caretView_ = std::make_shared<UIView>(CGRectZero);
  caretView_->setBackgroundColor(UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1));
  addSubview(caretView_);
  setIsAccessibilityElement(true);
  refresh();
}

Strong<NSString> UITextField::text() const {
  return text_;
}

void UITextField::setText(const Strong<NSString>& text) {
  text_ = text ? NSString::stringWithString(text) : NSString::string();
  anchor_ = caret_ = text_->length();
  refresh();
}

void UITextField::setPlaceholder(const Strong<NSString>& placeholder) {
  if (placeholder_ == placeholder) return;
  placeholder_ = placeholder;
  refresh();
}

NSRange UITextField::selectedRange() const {
  NSUInteger start = std::min(anchor_, caret_);
  return NSMakeRange(start, std::max(anchor_, caret_) - start);
}

NSUInteger UITextField::wholeCharacterBoundary(NSUInteger index, int direction) const {
  NSUInteger n = text_->length();
  index = std::min(index, n);
  // Inside a surrogate pair: to its start going back, past it going on.
  if (index > 0 && index < n && isHighSurrogate(text_->characterAtIndex(index - 1)) &&
      isLowSurrogate(text_->characterAtIndex(index)))
    return direction < 0 ? index - 1 : index + 1;
  return index;
}

void UITextField::setSelectedRange(NSRange range) {
  NSUInteger n = text_->length();
  NSUInteger start = std::min<NSUInteger>(range.location, n);
  NSUInteger end = std::min<NSUInteger>(n, start + std::min<NSUInteger>(range.length, n - start));
  anchor_ = wholeCharacterBoundary(start, -1);
  caret_ = wholeCharacterBoundary(end, +1);
  refresh();
}

void UITextField::replaceSelection(const Strong<NSString>& with) {
  NSRange r = selectedRange();
  std::u16string units = text_->characters();
  const std::u16string& insert = with ? with->characters() : std::u16string();
  units.replace(r.location, r.length, insert);
  text_ = NSString::stringWithCharacters(units);
  anchor_ = caret_ = r.location + insert.size();
  refresh();
  sendActionsForControlEvents(UIControlEventEditingChanged);
}

void UITextField::insertText(const Strong<NSString>& text) {
  if ((!text || !text->length()) && selectedRange().length == 0) return;
  replaceSelection(text);
}

void UITextField::deleteBackward() {
  if (selectedRange().length == 0) {
    if (caret_ == 0) return;
    anchor_ = wholeCharacterBoundary(caret_ - 1, -1);
  }
  replaceSelection(nullptr);
}

void UITextField::deleteForward() {
  if (selectedRange().length == 0) {
    if (caret_ >= text_->length()) return;
    anchor_ = wholeCharacterBoundary(caret_ + 1, +1);
  }
  replaceSelection(nullptr);
}

void UITextField::moveCaret(int direction, Extend extend) {
  NSRange r = selectedRange();
  NSUInteger next;
  if (extend == Extend::No && r.length) {
    // A selection collapses to the side the arrow points to.
    next = direction < 0 ? r.location : r.location + r.length;
  } else if (direction < 0) {
    next = caret_ == 0 ? 0 : wholeCharacterBoundary(caret_ - 1, -1);
  } else {
    next = wholeCharacterBoundary(std::min(caret_ + 1, text_->length()), +1);
  }
  caret_ = next;
  if (extend == Extend::No) anchor_ = caret_;
  refresh();
}

void UITextField::moveCaretToEnd(int direction, Extend extend) {
  caret_ = direction < 0 ? 0 : text_->length();
  if (extend == Extend::No) anchor_ = caret_;
  refresh();
}

void UITextField::selectAll() {
  anchor_ = 0;
  caret_ = text_->length();
  refresh();
}

void UITextField::cut() {
  if (selectedRange().length == 0) return;
  copy();
  replaceSelection(nullptr);
}

void UITextField::copy() {
  NSRange r = selectedRange();
  if (r.length == 0) return;
  UIPasteboard::generalPasteboard()->setString(text_->substringWithRange(r));
}

void UITextField::paste() {
  auto pasted = UIPasteboard::generalPasteboard()->string();
  if (!pasted || !pasted->length()) return;
  // One line: a pasted line break would end up in a name.
  std::u16string units = pasted->characters();
  for (char16_t& c : units)
    if (c == u'\n' || c == u'\r' || c == u'\t') c = u' ';
  replaceSelection(NSString::stringWithCharacters(units));
}

CGFloat UITextField::offsetOfIndex(NSUInteger index) const {
  if (index == 0) return 0;
  auto measure = std::make_shared<UILabel>(CGRectZero);
  measure->setFont(label_->font());
  measure->setText(text_->substringToIndex(std::min(index, text_->length())));
  return measure->sizeThatFits(CGSizeMake(1e6, 1e6)).width;
}

NSUInteger UITextField::indexAtPoint(CGPoint point) const {
  CGFloat x = point.x - kTextInset;
  NSUInteger best = 0;
  CGFloat bestDistance = std::abs(x);
  for (NSUInteger i = 1; i <= text_->length(); ++i) {
    if (wholeCharacterBoundary(i, +1) != i) continue;
    CGFloat distance = std::abs(offsetOfIndex(i) - x);
    if (distance < bestDistance) {
      best = i;
      bestDistance = distance;
    }
  }
  return best;
}

void UITextField::refresh() {
  bool empty = text_->length() == 0;
  label_->setText(empty ? (placeholder_ ? placeholder_ : NSString::string()) : text_);
  label_->setTextColor(empty ? UIColor::colorWithWhiteAlpha(0.7, 1) : UIColor::blackColor());
  setNeedsLayout();
}

void UITextField::layoutSubviews() {
  CGRect b = bounds();
  label_->setFrame(CGRectMake(kTextInset, 0, b.size.width - 2 * kTextInset, b.size.height));
  CGFloat lineHeight = kFontSize + 5;
  CGFloat top = (b.size.height - lineHeight) / 2;
  NSRange r = selectedRange();
  CGFloat start = kTextInset + offsetOfIndex(r.location);
  if (r.length) {
    CGFloat end = kTextInset + offsetOfIndex(r.location + r.length);
    selectionView_->setFrame(CGRectMake(start, top, end - start, lineHeight));
    selectionView_->setHidden(NO);
    caretView_->setHidden(YES);
  } else {
    selectionView_->setHidden(YES);
    caretView_->setFrame(CGRectMake(start, top, kCaretWidth, lineHeight));
    caretView_->setHidden(NO);
  }
}
