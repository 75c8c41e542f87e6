#include "UIKit/UIAlertView.h"

#include <algorithm>

#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITextField.h"

namespace {

std::vector<Strong<UIAlertView>>& shown() {
  static auto* list = new std::vector<Strong<UIAlertView>>;
  return *list;
}

void alertLayoutSubviews(NSObject* self, SEL cmd) {
  UIViewSendSuper<void>(UIAlertView::super::class_(), self, cmd);
  static_cast<UIAlertView*>(self)->layoutSubviews();
}

void tell(const id& delegate, const char* selector, UIAlertView* alert, NSInteger index) {
  SEL sel = sel_registerName(selector);
  if (delegate && delegate->respondsToSelector(sel)) objc_msgSend(delegate, sel, alert, index);
}

constexpr CGFloat kWidth = 270;

Strong<UILabel> makeLabel(const Strong<NSString>& text, Strong<UIFont> font, CGFloat y,
                          CGFloat height) {
  auto label = std::make_shared<UILabel>(CGRectMake(12, y, kWidth - 24, height));
  label->setText(text ? text : NSString::string());
  label->setFont(font);
  label->setTextAlignment(NSTextAlignmentCenter);
  label->setNumberOfLines(0);
  return label;
}

}  // namespace

OBJC_CLASS_IMPL(UIAlertView) {
  class_addMethod(cls, OBJC_SEL("layoutSubviews"), objc::method<&alertLayoutSubviews>());
  class_addMethod(cls, OBJC_SEL("show"), objc::method<&UIAlertView::show>());
}

UIAlertView::UIAlertView() : UIView(CGRectMake(0, 0, kWidth, 140)) {
  setBackgroundColor(UIColor::colorWithWhiteAlpha(0.97, 1));
  layer()->setCornerRadius(12);
  layer()->setMasksToBounds(true);
}

Strong<UIAlertView> UIAlertView::alertWithTitle(
    const Strong<NSString>& title, const Strong<NSString>& message, const id& delegate,
    const Strong<NSString>& cancelButtonTitle,
    const std::vector<Strong<NSString>>& otherButtonTitles) {
  auto alert = std::make_shared<UIAlertView>();
  alert->title_ = title;
  alert->message_ = message;
  alert->delegate_ = delegate;
  if (cancelButtonTitle) {
    alert->cancelIndex_ = 0;
    alert->buttons_.push_back(cancelButtonTitle);
  }
  for (const auto& t : otherButtonTitles) {
    if (t) alert->buttons_.push_back(t);
  }
  return alert;
}

void UIAlertView::setAlertViewStyle(NSInteger style) {
  if (style < UIAlertViewStyleDefault || style > UIAlertViewStyleLoginAndPasswordInput) {
    style = UIAlertViewStyleDefault;
  }
  style_ = static_cast<UIAlertViewStyle>(style);
  for (const auto& f : fields_) f->removeFromSuperview();
  fields_.clear();
  for (const auto& p : parts_) p->removeFromSuperview();
  parts_.clear();
  int count = style_ == UIAlertViewStyleDefault                 ? 0
              : style_ == UIAlertViewStyleLoginAndPasswordInput ? 2
                                                                : 1;
  for (int i = 0; i < count; ++i) {
    fields_.push_back(std::make_shared<UITextField>());
    addSubview(fields_.back());
  }
  setNeedsLayout();
}

Strong<UITextField> UIAlertView::textFieldAtIndex(NSInteger index) const {
  if (index < 0 || index >= static_cast<NSInteger>(fields_.size())) {
    NSException::raise(NSRangeException, "textFieldIndex (" + std::to_string(index) +
                                             ") is outside of the bounds of the array of text "
                                             "fields");
  }
  return fields_[index];
}

Strong<NSString> UIAlertView::buttonTitleAtIndex(NSInteger index) const {
  if (index < 0 || index >= numberOfButtons()) return nullptr;
  return buttons_[index];
}

NSInteger UIAlertView::firstOtherButtonIndex() const {
  NSInteger first = cancelIndex_ == 0 ? 1 : 0;
  return first < numberOfButtons() ? first : -1;
}

void UIAlertView::show() {
  if (isVisible()) return;
  auto self = retainedSelf<UIAlertView>();
  shown().push_back(self);
  CGRect screen = UIScreen::mainScreen()->bounds();
  CGFloat height = preferredHeight();
  setFrame(CGRectMake((screen.size.width - kWidth) / 2, (screen.size.height - height) / 2, kWidth,
                      height));
  setNeedsLayout();
}

BOOL UIAlertView::isVisible() const {
  for (const auto& a : shown()) {
    if (a.get() == this) return YES;
  }
  return NO;
}

void UIAlertView::dismissWithClickedButtonIndexAnimated(NSInteger index, BOOL animated) {
  if (index < 0 || index >= numberOfButtons()) return;
  // Kept alive until the delegate is done with it.
  auto self = retainedSelf<UIAlertView>();
  auto delegate = delegate_.lock();
  tell(delegate, "alertView:clickedButtonAtIndex:", this, index);
  tell(delegate, "alertView:willDismissWithButtonIndex:", this, index);
  auto& list = shown();
  list.erase(std::remove(list.begin(), list.end(), self), list.end());
  removeFromSuperview();
  tell(delegate, "alertView:didDismissWithButtonIndex:", this, index);
}

std::vector<Strong<UIAlertView>> UIAlertView::visibleAlerts() {
  return shown();
}

Strong<UIAlertView> UIAlertView::topAlert() {
  return shown().empty() ? nullptr : shown().back();
}

void UIAlertView::dismissAllWithoutDelegate() {
  for (const auto& a : shown()) a->removeFromSuperview();
  shown().clear();
}

void UIAlertView::layoutSubviews() {
  // The parts are made once per style: made afresh on every pass they would be added
  // again, which asks for another pass, and each pass would redisplay the alert.
  if (!parts_.empty()) return;
  CGFloat y = 18;
  auto title = makeLabel(title_, UIFont::boldSystemFontOfSize(17), y, 22);
  parts_.push_back(title);
  y += 24;
  if (message_ && message_->length()) {
    auto message = makeLabel(message_, UIFont::systemFontOfSize(13), y, 36);
    parts_.push_back(message);
    y += 40;
  }
  for (const auto& f : fields_) {
    f->setFrame(CGRectMake(14, y, kWidth - 28, 28));
    y += 34;
  }
  y += 6;
  auto rule = std::make_shared<UIView>(CGRectMake(0, y, kWidth, 0.5));
  rule->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.75, 1));
  parts_.push_back(rule);
  CGFloat width = buttons_.empty() ? kWidth : kWidth / buttons_.size();
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    auto button = std::make_shared<UILabel>(CGRectMake(width * i, y, width, 44));
    button->setText(buttons_[i]);
    button->setAccessibilityTraits(UIAccessibilityTraitButton);
    bool cancel = static_cast<NSInteger>(i) == cancelIndex_;
    button->setFont(cancel ? UIFont::systemFontOfSize(17) : UIFont::boldSystemFontOfSize(17));
    button->setTextColor(UIColor::colorWithRedGreenBlueAlpha(0, 0.48, 1, 1));
    button->setTextAlignment(NSTextAlignmentCenter);
    parts_.push_back(button);
  }
  for (const auto& p : parts_) addSubview(p);
}

CGFloat UIAlertView::preferredHeight() const {
  CGFloat y = 18 + 24;
  if (message_ && message_->length()) y += 40;
  return y + 34 * fields_.size() + 6 + 44;
}
