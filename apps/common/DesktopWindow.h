// A host shown in a desktop window (SDL2), as a person would use it on the device.
//
// The window is the content's point size times a scale that fits the display (2 when the
// display is tall enough for twice the content, else 1; NIMBRA_SCALE=1..4 forces one). The
// home screen opens at the display's left and the Settings app right beside it, so both
// show side by side. It is drawn only when something changed: after a
// display commit, after input, or when the content asks. The process sleeps in the main
// run loop, which watches the display connection's descriptor; there is no polling.
//
// Input: the left mouse button pressed, dragged and released is one finger's began, moved
// and ended on the content's UIWindow, or on a part the content tracks itself (see
// Content::pressBegan). Leaving the window while pressed cancels it. A drag
// that starts on a table and moves more than a few points vertically becomes a scroll of
// that table (the finger is cancelled, as a scroll view takes it); the wheel scrolls the
// table under the pointer (a drag that starts on a slider moves the slider). Typed text
// and the editing keys go to the content (see Content::key). Closing the window or
// Ctrl+Q stops the run loop.
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
  // A press on a part the content tracks itself, not through the view tree (a dialog's
  // button, the bar's back button): YES when it takes the press. A press taken gets the
  // moves, then exactly one of ended (the button released inside the window) or cancelled
  // (the pointer left the window), as a finger does.
  virtual bool pressBegan(CGPoint) { return false; }
  virtual void pressMoved(CGPoint) {}
  virtual void pressEnded(CGPoint) {}
  virtual void pressCancelled() {}
  // The table under a point, if the content scrolls one there.
  virtual UITableView* tableAt(CGPoint) { return nullptr; }
  virtual void typed(const std::string&) {}
  // "escape", "return", "backspace", "delete", "left", "right", "home", "end" (those four
  // also with "shift+" before them), "ctrl+a", "ctrl+x", "ctrl+c", "ctrl+v".
  virtual void key(const std::string&) {}
};

// Where on the display a window opens: the first place, or beside a window of the first.
enum class Placement { First, Beside };

class DesktopWindow {
 public:
  explicit DesktopWindow(Content* content, Placement placement = Placement::First);
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
  // One pointer, in content points: its left button is the finger.
  void pointerDown(CGPoint p);
  void pointerMoved(CGPoint p);
  void pointerUp(CGPoint p);
  void wheel(CGPoint p, CGFloat notches);
  void cancelPress();
  void endPress();
  bool inside(CGPoint p) const;
  Content* content_;
  Placement placement_;
  std::unique_ptr<State> state_;
  std::string dump_;
  CGFloat scale_ = 1;
};

// The display's scale for a content of `height` points in a display `displayHeight`
// pixels tall (usable area); `forced` (NIMBRA_SCALE's value, may be none) wins when it is a
// number from 1 to 4.
CGFloat scaleForDisplay(CGFloat height, int displayHeight, const char* forced = nullptr);

// The window's top-left corner (pixels) for a window `size` pixels big in the usable area
// `display` (x, y, width, height) of a display, for two windows of `width` pixels each.
CGPoint placeWindow(Placement placement, CGSize size, CGRect display);

}  // namespace desktop
