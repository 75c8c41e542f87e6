#include "HomeWindow.h"

#include <cstdio>

#include "DesktopWindow.h"
#include "SpringBoard/SBHomeScreen.h"
#include "UIKit/UIWindow.h"

namespace homewindow {

namespace {

// The first page, as the device's screen shows it.
class HomeContent : public desktop::Content {
 public:
  explicit HomeContent(SBHomeScreen* screen)
      : window_(std::make_shared<UIWindow>(
            CGRectMake(0, 0, SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight))) {
    window_->addSubview(screen->rootView());
  }
  ~HomeContent() override {
    for (const auto& sub : window_->subviews()) sub->removeFromSuperview();
  }
  CGSize pointSize() override {
    return CGSizeMake(SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight);
  }
  CGImageRef render(CGFloat scale) override { return window_->renderImage(scale); }
  UIWindow* touchWindow() override { return window_.get(); }

 private:
  Strong<UIWindow> window_;
};

}  // namespace

int run(SBHomeScreen* screen, const homehost::Options& options) {
  HomeContent content(screen);
  desktop::DesktopWindow window(&content);
  window.setFrameDump(options.windowFrames);
  std::string error;
  if (!window.open("Nimbra Home", &error)) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 1;
  }
  // Settings and badge changes: the screen has laid itself out again.
  screen->observeChanges(options.relayoutNotifications, [&] { window.setNeedsDisplay(); });
  window.run();
  screen->observeChanges({}, nullptr);
  return 0;
}

}  // namespace homewindow
