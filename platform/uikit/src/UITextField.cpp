#include "UIKit/UITextField.h"

#include "Foundation/NSString.h"
#include "UIKit/UILabel.h"

namespace {

void textFieldLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UITextField::super::class_(), self, cmd);
  static_cast<UITextField*>(self)->layoutSubviews();
}

// Borrowed: the field keeps its text.
NSString* textFieldText(NSObject* self, SEL) {
  return static_cast<UITextField*>(self)->text().get();
}

}  // namespace

OBJC_CLASS_IMPL(UITextField) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::imp<&textFieldLayoutSubviews>(), "v@:");
  class_addMethod(cls, OBJC_SEL("text"), objc::imp<&textFieldText>(), "@@:");
}

UITextField::UITextField() : UIControl(CGRectMake(0, 0, 240, 30)) {
  text_ = NSString::string();
  setBackgroundColor(UIColor::whiteColor());
  layer()->setBorderWidth(0.5);
  layer()->setBorderColor(UIColor::colorWithWhiteAlpha(0.6, 1)->CGColor());
  label_ = std::make_shared<UILabel>(CGRectZero);
  label_->setFont(UIFont::systemFontOfSize(13));
  addSubview(label_);
  refresh();
}

Strong<NSString> UITextField::text() const {
  return text_;
}

void UITextField::setText(const Strong<NSString>& text) {
  text_ = text ? NSString::stringWithString(text) : NSString::string();
  refresh();
}

void UITextField::setPlaceholder(const Strong<NSString>& placeholder) {
  placeholder_ = placeholder;
  refresh();
}

void UITextField::insertText(const Strong<NSString>& text) {
  if (!text || !text->length()) return;
  text_ = text_->stringByAppendingString(text);
  refresh();
  sendActionsForControlEvents(UIControlEventEditingChanged);
}

void UITextField::deleteBackward() {
  NSUInteger n = text_->length();
  if (!n) return;
  // A surrogate pair goes as one character.
  NSUInteger cut = 1;
  if (n >= 2 && text_->characterAtIndex(n - 1) >= 0xDC00 &&
      text_->characterAtIndex(n - 1) <= 0xDFFF && text_->characterAtIndex(n - 2) >= 0xD800 &&
      text_->characterAtIndex(n - 2) <= 0xDBFF) {
    cut = 2;
  }
  text_ = text_->substringToIndex(n - cut);
  refresh();
  sendActionsForControlEvents(UIControlEventEditingChanged);
}

void UITextField::refresh() {
  bool empty = text_->length() == 0;
  label_->setText(empty ? (placeholder_ ? placeholder_ : NSString::string()) : text_);
  label_->setTextColor(empty ? UIColor::colorWithWhiteAlpha(0.7, 1) : UIColor::blackColor());
}

void UITextField::layoutSubviews() {
  CGRect b = bounds();
  label_->setFrame(CGRectMake(6, 0, b.size.width - 12, b.size.height));
}
