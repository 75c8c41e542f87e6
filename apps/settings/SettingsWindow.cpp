#include "SettingsWindow.h"

#include <algorithm>
#include <cstdio>

#include "DesktopWindow.h"
#include "Foundation/NSString.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITextField.h"
#include "UIKit/UIWindow.h"

namespace settingswindow {

namespace {

class SettingsContent : public desktop::Content {
 public:
  explicit SettingsContent(settingshost::Host& host) : host_(host) {}

  CGSize pointSize() override { return UIScreen::mainScreen()->bounds().size; }

  CGImageRef render(CGFloat scale) override {
    fitToScreen();
    // Fingers this window delivered may have brought an alert up or taken it away.
    host_.followAlert();
    showAlert();
    showPressed();
    return host_.window()->renderImage(scale);
  }

  UIWindow* touchWindow() override { return host_.window().get(); }

  // A dialog's buttons and the bar's back button act when released on them, as a finger
  // lifted on a button does; one moved off first or cancelled does nothing.
  bool pressBegan(CGPoint p) override {
    press_ = held_ = partAt(p);
    if (press_.part == Part::field) {
      // The caret goes where the pointer is; a drag selects from there.
      UITextField* field = alertField();
      NSUInteger at = field->indexAtPoint(fieldPoint(field, p));
      field->setSelectedRange(NSMakeRange(at, 0));
      fieldAnchor_ = at;
    }
    // Nothing behind an alert takes a finger.
    return press_ || UIAlertView::topAlert();
  }

  void pressMoved(CGPoint p) override {
    if (press_.part == Part::field) {
      UITextField* field = alertField();
      if (!field) return;
      NSUInteger at = field->indexAtPoint(fieldPoint(field, p));
      NSUInteger from = std::min(at, fieldAnchor_), to = std::max(at, fieldAnchor_);
      field->setSelectedRange(NSMakeRange(from, to - from));
      return;
    }
    held_ = partAt(p) == press_ ? press_ : Press{};
  }

  void pressEnded(CGPoint p) override {
    Press press = press_;
    press_ = held_ = {};
    if (!press || press.part == Part::field || !(partAt(p) == press)) return;
    if (press.part == Part::back) {
      step("back", {});
    } else if (auto alert = UIAlertView::topAlert()) {
      pressButton(alert, press.index);
    }
  }

  void pressCancelled() override { press_ = held_ = {}; }

  UITableView* tableAt(CGPoint p) override {
    if (UIAlertView::topAlert()) return nullptr;
    auto table = host_.topTable();
    if (!table) return nullptr;
    CGRect shown = table->convertRectToView(table->bounds(), host_.window().get());
    return CGRectContainsPoint(shown, p) ? table.get() : nullptr;
  }

  void typed(const std::string& text) override { step("type", {text}); }

  // Every key is the host's key step: Escape cancels a dialog (or goes back a screen),
  // Return saves it, the editing keys go to its field.
  void key(const std::string& name) override { step("key", {name}); }

 private:
  enum class Part { none, button, back, field };
  // What a press is on: a dialog's button (by index) or the back button.
  struct Press {
    Part part = Part::none;
    NSInteger index = -1;
    explicit operator bool() const { return part != Part::none; }
    bool operator==(const Press& other) const { return part == other.part && index == other.index; }
  };
  static constexpr CGFloat kPressedAlpha = 0.3;

  Press partAt(CGPoint p) {
    if (auto alert = UIAlertView::topAlert()) {
      // The alert's buttons are the subviews a screen reader reads as buttons, in order.
      CGRect frame = alert->frame();
      CGPoint local = CGPointMake(p.x - frame.origin.x, p.y - frame.origin.y);
      NSInteger index = 0;
      for (const auto& part : alert->subviews()) {
        if (!(part->accessibilityTraits() & UIAccessibilityTraitButton)) continue;
        if (CGRectContainsPoint(part->frame(), local)) return {Part::button, index};
        ++index;
      }
      UITextField* field = alertField();
      if (field && CGRectContainsPoint(field->bounds(), fieldPoint(field, p))) return {Part::field};
      return {};
    }
    UILabel* back = backButton();
    if (back &&
        CGRectContainsPoint(back->convertRectToView(back->bounds(), host_.window().get()), p))
      return {Part::back};
    return {};
  }

  // A shown alert is drawn over the dimmed screen, as the host's screenshots show it. It
  // stays on the window while it is shown, so that drawing a frame leaves the tree as it
  // was: a frame that changed it could ask for the next one, and the window never rests.
  void showAlert() {
    auto alert = UIAlertView::topAlert();
    if (alert == alert_) return;
    auto window = host_.window();
    if (alert_) alert_->removeFromSuperview();
    alert_ = alert;
    if (!alert) {
      if (dim_) dim_->removeFromSuperview();
      dim_ = nullptr;
      return;
    }
    if (!dim_) {
      dim_ = std::make_shared<UIView>(window->bounds());
      dim_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4));
      window->addSubview(dim_);
    }
    window->addSubview(alert);
    window->layoutIfNeeded();  // the buttons placed, for the presses that follow
  }

  // The part pressed looks pressed while the pointer is on it: a dialog's button shaded,
  // the back button faded. Changed only when that changes, for the same reason.
  void showPressed() {
    if (held_ == shown_) return;
    shown_ = held_;
    if (highlight_) highlight_->removeFromSuperview();
    highlight_ = nullptr;
    auto nav = host_.navigation();
    if (nav && nav->backButton())
      nav->backButton()->setAlpha(held_.part == Part::back ? kPressedAlpha : 1);
    auto alert = UIAlertView::topAlert();
    UIView* part = held_.part == Part::button ? partView(held_) : nullptr;
    if (!part || !alert) return;
    highlight_ = std::make_shared<UIView>(part->frame());
    highlight_->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.85, 1));
    alert->insertSubviewBelowSubview(highlight_, part->retainedSelf<UIView>());
  }

  // The view drawn for a part, while it is still there.
  UIView* partView(const Press& press) {
    if (press.part == Part::back) return backButton();
    auto alert = UIAlertView::topAlert();
    if (!alert) return nullptr;
    NSInteger index = 0;
    for (const auto& part : alert->subviews()) {
      if (!(part->accessibilityTraits() & UIAccessibilityTraitButton)) continue;
      if (index++ == press.index) return part.get();
    }
    return nullptr;
  }

  // The shown alert's text field, if it has one.
  UITextField* alertField() {
    auto alert = UIAlertView::topAlert();
    if (!alert || alert->alertViewStyle() == UIAlertViewStyleDefault) return nullptr;
    return alert->textFieldAtIndex(0).get();
  }

  CGPoint fieldPoint(UITextField* field, CGPoint p) {
    return host_.window()->convertPointToView(p, field);
  }

  // The back button while there is a screen to go back to.
  UILabel* backButton() {
    auto nav = host_.navigation();
    if (!nav || nav->viewControllers().size() < 2) return nullptr;
    return nav->backButton();
  }

  void pressButton(const Strong<UIAlertView>& alert, NSInteger index) {
    auto title = alert->buttonTitleAtIndex(index);
    if (title) step("press", {title->stdString()});
  }

  // Quiet steps: what a key cannot do here (back at the root list, typing without a
  // field) is simply nothing.
  void step(const std::string& verb, std::vector<std::string> args) {
    std::string error;
    host_.run({verb, std::move(args)}, &error);
  }

  // The screen's size, whatever a screenshot step made of the window before.
  void fitToScreen() {
    CGRect screen = UIScreen::mainScreen()->bounds();
    auto window = host_.window();
    if (CGRectEqualToRect(window->frame(), screen)) return;
    window->setFrame(screen);
    host_.navigation()->view()->setFrame(screen);
    CGRect below = CGRectMake(0, UINavigationController::kBarHeight, screen.size.width,
                              screen.size.height - UINavigationController::kBarHeight);
    auto top = host_.topViewController();
    if (top) top->view()->setFrame(below);
    auto table = host_.topTable();
    if (table && top && table.get() != top->view().get()) {
      CGRect f = table->frame();
      table->setFrame(CGRectMake(f.origin.x, f.origin.y, f.size.width, below.size.height));
    }
  }

  settingshost::Host& host_;
  Press press_;                // where the press began
  Press held_;                 // the same part while the pointer is still on it
  Press shown_;                // the part drawn pressed
  Strong<UIAlertView> alert_;  // the alert on the window
  Strong<UIView> dim_;
  Strong<UIView> highlight_;    // behind the pressed button of the alert
  NSUInteger fieldAnchor_ = 0;  // where a press in the field began
};

}  // namespace

int run(settingshost::Host& host, const std::string& frameDump) {
  SettingsContent content(host);
  desktop::DesktopWindow window(&content, desktop::Placement::Beside);
  window.setFrameDump(frameDump);
  std::string error;
  if (!window.open("Nimbra Settings", &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  window.run();
  return 0;
}

}  // namespace settingswindow
