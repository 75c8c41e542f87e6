#include "HomeWindow.h"

#include <cstdio>

#include "DesktopWindow.h"
#include "HomePager.h"
#include "SpringBoard/SBHomeScreen.h"
#include "UIKit/UIWindow.h"

namespace homewindow {

namespace {

// One page at a time, as the device's screen shows it; the pointer pages it and opens
// folders (HomePager), the arrow keys page it, Escape closes a folder.
class HomeContent : public desktop::Content {
 public:
  explicit HomeContent(SBHomeScreen* screen)
      : window_(std::make_shared<UIWindow>(
            CGRectMake(0, 0, SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight))),
        pager_(screen, window_.get()) {
    window_->addSubview(screen->rootView());
  }
  ~HomeContent() override {
    pager_.close();
    for (const auto& sub : window_->subviews()) sub->removeFromSuperview();
  }
  CGSize pointSize() override {
    return CGSizeMake(SBHomeScreen::kPageWidth, SBHomeScreen::kPageHeight);
  }
  CGImageRef render(CGFloat scale) override { return window_->renderImage(scale); }
  UIWindow* touchWindow() override { return window_.get(); }
  bool pressBegan(CGPoint p) override {
    pager_.pressBegan(p);
    return true;
  }
  void pressMoved(CGPoint p) override { pager_.pressMoved(p); }
  void pressEnded(CGPoint p) override { pager_.pressEnded(p); }
  void pressCancelled() override { pager_.pressCancelled(); }
  void key(const std::string& name) override { pager_.key(name); }

  HomePager& pager() { return pager_; }

 private:
  Strong<UIWindow> window_;
  HomePager pager_;
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
  // Settings and badge changes: the screen has laid itself out again; an open folder's
  // apps follow.
  screen->observeChanges(options.relayoutNotifications, [&] {
    content.pager().layoutFolder();
    window.setNeedsDisplay();
  });
  window.run();
  screen->observeChanges({}, nullptr);
  return 0;
}

}  // namespace homewindow
