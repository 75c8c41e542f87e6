#include "SettingsWindow.h"

#include <cstdio>

#include "DesktopWindow.h"
#include "Foundation/NSString.h"
#include "UIKit/NSIndexPath.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIAlertView.h"
#include "UIKit/UIColor.h"
#include "UIKit/UILabel.h"
#include "UIKit/UINavigationController.h"
#include "UIKit/UIScreen.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITableViewCell.h"
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
    auto window = host_.window();
    // A shown alert is drawn over the dimmed screen, as the host's screenshots show it.
    auto alert = UIAlertView::topAlert();
    Strong<UIView> dim;
    if (alert) {
      dim = std::make_shared<UIView>(window->bounds());
      dim->setBackgroundColor(UIColor::colorWithWhiteAlpha(0, 0.4));
      window->addSubview(dim);
      window->addSubview(alert);
    }
    CGImageRef image = window->renderImage(scale);
    if (alert) {
      alert->removeFromSuperview();
      dim->removeFromSuperview();
    }
    return image;
  }

  UIWindow* touchWindow() override { return host_.window().get(); }

  bool press(CGPoint p) override {
    auto alert = UIAlertView::topAlert();
    if (!alert) return pressEntry(p);
    // The alert's buttons are the subviews a screen reader reads as buttons, in order.
    CGRect frame = alert->frame();
    CGPoint local = CGPointMake(p.x - frame.origin.x, p.y - frame.origin.y);
    NSInteger index = 0;
    for (const auto& part : alert->subviews()) {
      if (!(part->accessibilityTraits() & UIAccessibilityTraitButton)) continue;
      if (CGRectContainsPoint(part->frame(), local)) {
        pressButton(alert, index);
        break;
      }
      ++index;
    }
    return true;  // nothing behind an alert takes a finger
  }

  UITableView* tableAt(CGPoint p) override {
    if (UIAlertView::topAlert()) return nullptr;
    auto table = host_.topTable();
    if (!table) return nullptr;
    CGRect shown = table->convertRectToView(table->bounds(), host_.window().get());
    return CGRectContainsPoint(shown, p) ? table.get() : nullptr;
  }

  void typed(const std::string& text) override { step("type", {text}); }

  void key(const std::string& name) override {
    auto alert = UIAlertView::topAlert();
    if (name == "escape") {
      if (alert) {
        pressButton(alert, alert->cancelButtonIndex());
      } else {
        step("back", {});
      }
    } else if (name == "return") {
      if (alert) pressButton(alert, alert->firstOtherButtonIndex());
    } else if (name == "backspace") {
      if (alert && alert->alertViewStyle() != UIAlertViewStyleDefault)
        alert->textFieldAtIndex(0)->deleteBackward();
    }
  }

 private:
  // The root list's entries are opened by the host (they name bundles to load), so a
  // press on one opens it as the tap step does.
  bool pressEntry(CGPoint p) {
    auto nav = host_.navigation();
    auto table = host_.topTable();
    if (!nav || nav->viewControllers().size() != 1 || !table) return false;
    for (NSInteger s = 0; s < table->numberOfSections(); ++s) {
      for (NSInteger r = 0; r < table->numberOfRowsInSection(s); ++r) {
        auto cell = table->cellForRowAtIndexPath(NSIndexPath::indexPathForRowInSection(r, s));
        if (!cell || !cell->textLabel() || !cell->textLabel()->text()) continue;
        CGRect shown = cell->convertRectToView(cell->bounds(), host_.window().get());
        if (!CGRectContainsPoint(shown, p)) continue;
        step("tap", {cell->textLabel()->text()->stdString()});
        return true;
      }
    }
    return false;
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
};

}  // namespace

int run(settingshost::Host& host, const std::string& frameDump) {
  SettingsContent content(host);
  desktop::DesktopWindow window(&content);
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
