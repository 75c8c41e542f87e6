// A host shown in a desktop window (SDL2), as a person would use it on the device.
//
// The window is the content's point size times a scale that fits the display (2 when the
// display is tall enough, else 1). It is drawn only when something changed: after a
// display commit, after input, or when the content asks. The process sleeps in the main
// run loop, which watches the display connection's descriptor; there is no polling.
//
// Input: the left mouse button pressed, dragged and released is one finger's began, moved
// and ended on the content's UIWindow. Leaving the window while pressed cancels it. A drag
// that starts on a table and moves more than a few points vertically becomes a scroll of
// that table (the finger is cancelled, as a scroll view takes it); the wheel scrolls the
// table under the pointer. Typed text, Backspace, Return and Escape go to the content.
// Closing the window stops the run loop.
#pragma once

#include <memory>
#include <string>

#include "CoreGraphics/CGImage.h"

class UITableView;
class UIWindow;

namespace desktop {

class Content {
 public:
  virtual ~Content() = default;
  virtual CGSize pointSize() = 0;
  virtual CGImageRef render(CGFloat scale) = 0;
  // Where fingers land.
  virtual UIWindow* touchWindow() = 0;
  // A press the content handles itself (a button of a dialog); YES when it did.
  virtual bool press(CGPoint) { return false; }
  // The table under a point, if the content scrolls one there.
  virtual UITableView* tableAt(CGPoint) { return nullptr; }
  virtual void typed(const std::string&) {}
  // "escape", "backspace" or "return".
  virtual void key(const std::string&) {}
};

class DesktopWindow {
 public:
  explicit DesktopWindow(Content* content);
  ~DesktopWindow();
  // NO with `error` when no display can be opened.
  bool open(const std::string& title, std::string* error);
  // Every frame drawn is also written to this PNG (replaced atomically): for tests.
  void setFrameDump(const std::string& path) { dump_ = path; }
  // Draws at the end of the current run-loop turn (once, however often it is asked).
  void setNeedsDisplay();
  // Serves the main run loop until the window is closed.
  void run();
  CGFloat scale() const { return scale_; }

 private:
  struct State;
  void draw();
  void pump();
  void handle(const void* event);
  Content* content_;
  std::unique_ptr<State> state_;
  std::string dump_;
  CGFloat scale_ = 1;
};

// The display's scale for a content of `height` points in a display `displayHeight`
// pixels tall (usable area).
CGFloat scaleForDisplay(CGFloat height, int displayHeight);

}  // namespace desktop
