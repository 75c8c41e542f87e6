// A one-line editable text.
#pragma once

#include "UIKit/UIControl.h"

class NSString;
class UILabel;

class UITextField : public UIControl {
  OBJC_CLASS(UITextField, UIControl)

 public:
  UITextField();

  // Never none: an empty field has the empty string.
  Strong<NSString> text() const;
  void setText(const Strong<NSString>& text);
  Strong<NSString> placeholder() const { return placeholder_; }
  void setPlaceholder(const Strong<NSString>& placeholder);

  // Typing: appends at the end and sends the editing-changed actions.
  void insertText(const Strong<NSString>& text);
  void deleteBackward();

  void layoutSubviews();

 private:
  void refresh();
  Strong<NSString> text_;
  Strong<NSString> placeholder_;
  Strong<UILabel> label_;
};
