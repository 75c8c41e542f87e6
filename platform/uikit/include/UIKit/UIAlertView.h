// A modal dialog with a title, a message, buttons and, by style, text fields. Shown
// alerts are kept by the class until dismissed; the host draws the topmost one. The
// delegate is not owned and gets, when they are implemented:
//   alertView:clickedButtonAtIndex:, alertView:willDismissWithButtonIndex:,
//   alertView:didDismissWithButtonIndex:
// each as (NSObject* self, SEL _cmd, UIAlertView* alert, NSInteger index).
#pragma once

#include <vector>

#include "Foundation/NSObjCRuntime.h"
#include "UIKit/UIKitExport.h"
#include "UIKit/UIView.h"

class NSString;
class UILabel;
class UITextField;

enum UIAlertViewStyle : NSInteger {
  UIAlertViewStyleDefault = 0,
  UIAlertViewStyleSecureTextInput = 1,
  UIAlertViewStylePlainTextInput = 2,
  UIAlertViewStyleLoginAndPasswordInput = 3,
};

class NIMBRA_UIKIT_API UIAlertView : public UIView {
  OBJC_CLASS(UIAlertView, UIView)

 public:
  UIAlertView();

  // Buttons are numbered with the cancel button first (index 0) when there is one.
  static Strong<UIAlertView> alertWithTitle(const Strong<NSString>& title,
                                            const Strong<NSString>& message, const id& delegate,
                                            const Strong<NSString>& cancelButtonTitle,
                                            const std::vector<Strong<NSString>>& otherButtonTitles);

  Strong<NSString> title() const { return title_; }
  Strong<NSString> message() const { return message_; }
  id delegate() const { return delegate_.lock(); }
  void setDelegate(const id& delegate) { delegate_ = delegate; }

  UIAlertViewStyle alertViewStyle() const { return style_; }
  // Makes the style's text fields afresh; an unknown style counts as the default.
  void setAlertViewStyle(NSInteger style);
  // Raises NSRangeException for an index the style has no field for.
  Strong<UITextField> textFieldAtIndex(NSInteger index) const;

  NSInteger numberOfButtons() const { return static_cast<NSInteger>(buttons_.size()); }
  Strong<NSString> buttonTitleAtIndex(NSInteger index) const;  // none out of range
  NSInteger cancelButtonIndex() const { return cancelIndex_; }
  NSInteger firstOtherButtonIndex() const;  // -1 when there is none

  void show();
  BOOL isVisible() const;
  // Hides the alert and tells the delegate; an index out of range is ignored.
  void dismissWithClickedButtonIndexAnimated(NSInteger index, BOOL animated);

  // Shown alerts, oldest first.
  static std::vector<Strong<UIAlertView>> visibleAlerts();
  static Strong<UIAlertView> topAlert();
  static void dismissAllWithoutDelegate();

  void layoutSubviews();
  CGFloat preferredHeight() const;

 private:
  Strong<NSString> title_;
  Strong<NSString> message_;
  Weak<NSObject> delegate_;
  UIAlertViewStyle style_ = UIAlertViewStyleDefault;
  std::vector<Strong<UITextField>> fields_;
  std::vector<Strong<NSString>> buttons_;
  NSInteger cancelIndex_ = -1;
  std::vector<Strong<UIView>> parts_;
};
