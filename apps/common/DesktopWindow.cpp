#include "DesktopWindow.h"

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "QuartzCore/CATransaction.h"
#include "UIKit/UISlider.h"
#include "UIKit/UITableView.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"
#include "dispatch/CFRunLoop.h"
#include "dispatch/source.h"
#include "dispatch/time.h"

namespace desktop {

namespace {

// A drag this far (points) on a table scrolls it instead of moving the finger.
constexpr CGFloat kScrollSlop = 6;
constexpr CGFloat kWheelStep = 40;
// Scales NIMBRA_SCALE may force; the room kept free above and below a doubled window; the
// gap between the windows and the display's edge.
constexpr double kMinimumScale = 1, kMaximumScale = 4;
constexpr CGFloat kDisplayMargin = 80;
constexpr CGFloat kWindowGap = 16;

CGFloat maxOffset(UITableView* table) {
  return std::max<CGFloat>(0, table->contentHeight() - table->bounds().size.height);
}

void scrollTo(UITableView* table, CGFloat y) {
  CGPoint offset = table->contentOffset();
  offset.y = std::clamp<CGFloat>(y, 0, maxOffset(table));
  table->setContentOffset(offset);
}

// The keys a content is told about, by name, with "shift+" or "ctrl+" before them when
// those are held; none for the others (typed text arrives as text).
std::string keyName(SDL_Keycode key, Uint16 modifiers) {
  bool ctrl = modifiers & KMOD_CTRL, shift = modifiers & KMOD_SHIFT;
  if (ctrl) {
    switch (key) {
      case SDLK_a:
        return "ctrl+a";
      case SDLK_c:
        return "ctrl+c";
      case SDLK_q:
        return "ctrl+q";
      case SDLK_v:
        return "ctrl+v";
      case SDLK_x:
        return "ctrl+x";
      default:
        return {};
    }
  }
  std::string name;
  switch (key) {
    case SDLK_ESCAPE:
      return "escape";
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      return "return";
    case SDLK_BACKSPACE:
      return "backspace";
    case SDLK_DELETE:
      return "delete";
    case SDLK_LEFT:
      name = "left";
      break;
    case SDLK_RIGHT:
      name = "right";
      break;
    case SDLK_HOME:
      name = "home";
      break;
    case SDLK_END:
      name = "end";
      break;
    default:
      return {};
  }
  return shift ? "shift+" + name : name;
}

}  // namespace

CGFloat scaleForDisplay(CGFloat height, int displayHeight, const char* forced) {
  if (forced && *forced) {
    char* end = nullptr;
    double scale = std::strtod(forced, &end);
    if (*end == '\0' && scale >= kMinimumScale && scale <= kMaximumScale) return scale;
  }
  return displayHeight >= 2 * height + kDisplayMargin ? 2 : 1;
}

CGPoint placeWindow(Placement placement, CGSize size, CGRect display) {
  CGFloat x = display.origin.x + kWindowGap;
  if (placement == Placement::Beside) x += size.width + kWindowGap;
  // Beside needs room; without it the second window overlaps as little as it can.
  x = std::min(x, CGRectGetMaxX(display) - size.width);
  CGFloat y = display.origin.y + std::max<CGFloat>(0, (display.size.height - size.height) / 2);
  return CGPointMake(std::max(display.origin.x, x), y);
}

struct DesktopWindow::State {
  SDL_Window* window = nullptr;
  dispatch_source_t source;  // the display connection
  uint64_t commitHandler = 0;
  bool queued = false;
  bool pressed = false;
  bool contentPress = false;  // the press went to the content, not to a finger
  bool rawPointer = false;    // buttons and wheel read from the X server's own events
  CGPoint pointer{};          // where the pointer last was
  Strong<UITouch> touch;
  UITableView* dragTable = nullptr;
  bool scrolling = false;
  CGPoint pressPoint{};
  CGFloat pressOffset = 0;
};

DesktopWindow::DesktopWindow(Content* content, Placement placement)
    : content_(content), placement_(placement), state_(std::make_unique<State>()) {}

DesktopWindow::~DesktopWindow() {
  if (state_->commitHandler) CATransaction::removeCommitHandler(state_->commitHandler);
  if (state_->source) dispatch_source_cancel(state_->source);
  if (state_->window) SDL_DestroyWindow(state_->window);
  if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_Quit();
}

bool DesktopWindow::open(const std::string& title, std::string* error) {
  // No capture of the mouse: the server's own grab while a button is down already reports
  // leaving the window and the release out there.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  // SIGINT and SIGTERM end the host as they do headless, not as events nobody wakes for.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
  // Frames are blitted from memory: a renderer behind the window surface would only add
  // a GL context, and making one recreates the window under a new id.
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
    *error = "cannot open a window: no display (DISPLAY is not set)";
    return false;
  }
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  // Drivers that draw nowhere would leave a window no one can see or close.
  std::string driver = SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "";
  if (driver == "offscreen" || driver == "dummy" || driver == "evdev") {
    *error = "cannot open a window: no display";
    return false;
  }
  CGSize size = content_->pointSize();
  SDL_Rect usable{0, 0, 0, 0};
  bool known = SDL_GetDisplayUsableBounds(0, &usable) == 0;
  scale_ = scaleForDisplay(size.height, known ? usable.h : 0, std::getenv("NIMBRA_SCALE"));
  int width = int(std::lround(size.width * scale_)),
      height = int(std::lround(size.height * scale_));
  int x = SDL_WINDOWPOS_UNDEFINED, y = SDL_WINDOWPOS_UNDEFINED;
  if (known) {
    CGPoint corner = placeWindow(placement_, CGSizeMake(width, height),
                                 CGRectMake(usable.x, usable.y, usable.w, usable.h));
    x = int(corner.x);
    y = int(corner.y);
  }
  state_->window = SDL_CreateWindow(title.c_str(), x, y, width, height, SDL_WINDOW_SHOWN);
  if (!state_->window) {
    *error = std::string("cannot open a window: ") + SDL_GetError();
    return false;
  }
  SDL_StartTextInput();
  // Sleep on the display connection: the run loop wakes when the server sends something.
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  int fd = -1;
#if defined(SDL_VIDEO_DRIVER_X11)
  if (SDL_GetWindowWMInfo(state_->window, &info) && info.subsystem == SDL_SYSWM_X11) {
    fd = ConnectionNumber(info.info.x11.display);
    // The buttons and the wheel are read from the server's events as they come: the
    // library's own mouse state loses a release outside the window (the next press then
    // reads as no change) and places the wheel where the pointer was before it came back.
    SDL_EventState(SDL_SYSWMEVENT, SDL_ENABLE);
    state_->rawPointer = true;
  }
#endif
  if (fd >= 0) {
    state_->source =
        dispatch_source_create(DISPATCH_SOURCE_TYPE_READ, fd, 0, dispatch_get_main_queue());
  }
  if (!state_->source) {
    // Another video driver: no descriptor to watch, so look for events ten times a second.
    state_->source =
        dispatch_source_create(DISPATCH_SOURCE_TYPE_TIMER, 0, 0, dispatch_get_main_queue());
    dispatch_source_set_timer(state_->source, dispatch_time(DISPATCH_TIME_NOW, 0),
                              100 * NSEC_PER_MSEC, 0);
  }
  dispatch_source_set_event_handler(state_->source, [this] { pump(); });
  dispatch_resume(state_->source);
  state_->commitHandler = CATransaction::addCommitHandler([this] { setNeedsDisplay(); });
  setNeedsDisplay();
  return true;
}

void DesktopWindow::setNeedsDisplay() {
  if (state_->queued) return;
  state_->queued = true;
  dispatch_async(dispatch_get_main_queue(), [this] {
    state_->queued = false;
    draw();
    // Drawing talks to the server, which may have queued events meanwhile.
    pump();
  });
}

void DesktopWindow::draw() {
  CGImageRef image = content_->render(scale_);
  SDL_Surface* target = SDL_GetWindowSurface(state_->window);
  if (!image || !target) return;
  // Premultiplied RGBA over an opaque window: the pixels are used as they are.
  SDL_Surface* source = SDL_CreateRGBSurfaceWithFormatFrom(
      const_cast<uint8_t*>(image->pixels()), int(image->width()), int(image->height()), 32,
      int(image->bytesPerRow()), SDL_PIXELFORMAT_ABGR8888);
  if (!source) return;
  SDL_SetSurfaceBlendMode(source, SDL_BLENDMODE_NONE);
  SDL_FillRect(target, nullptr, SDL_MapRGB(target->format, 255, 255, 255));
  SDL_BlitSurface(source, nullptr, target, nullptr);
  SDL_FreeSurface(source);
  SDL_UpdateWindowSurface(state_->window);
  if (!dump_.empty()) {
    std::string partial = dump_ + ".partial";
    if (CGImageWriteToPNGFile(image, partial)) {
      std::error_code ec;
      std::filesystem::rename(partial, dump_, ec);
    }
  }
}

void DesktopWindow::pump() {
  SDL_Event event;
  while (SDL_PollEvent(&event)) handle(&event);
}

void DesktopWindow::handle(const void* raw) {
  const SDL_Event& event = *static_cast<const SDL_Event*>(raw);
  State& s = *state_;
  auto point = [&](int x, int y) { return CGPointMake(x / scale_, y / scale_); };
  switch (event.type) {
    case SDL_QUIT:
      CFRunLoopStop(CFRunLoopGetMain());
      return;
    case SDL_WINDOWEVENT:
      if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
        CFRunLoopStop(CFRunLoopGetMain());
      } else if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
        if (s.pressed) cancelPress();
      } else if (event.window.event == SDL_WINDOWEVENT_EXPOSED ||
                 event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
        break;  // drawn below
      } else {
        return;
      }
      break;
#if defined(SDL_VIDEO_DRIVER_X11)
    case SDL_SYSWMEVENT: {
      if (event.syswm.msg->subsystem != SDL_SYSWM_X11) return;
      const XEvent& x = event.syswm.msg->msg.x11.event;
      if (x.type == ButtonPress && x.xbutton.button == Button1) {
        pointerDown(point(x.xbutton.x, x.xbutton.y));
      } else if (x.type == ButtonPress &&
                 (x.xbutton.button == Button4 || x.xbutton.button == Button5)) {
        wheel(point(x.xbutton.x, x.xbutton.y), x.xbutton.button == Button4 ? 1 : -1);
      } else if (x.type == ButtonRelease && x.xbutton.button == Button1) {
        pointerUp(point(x.xbutton.x, x.xbutton.y));
      } else if (x.type == LeaveNotify && x.xcrossing.mode == NotifyNormal &&
                 x.xcrossing.detail != NotifyInferior) {
        // The library reports neither this nor the motion out there while a button is down.
        if (s.pressed) cancelPress();
      } else {
        return;
      }
      break;
    }
#endif
    case SDL_MOUSEBUTTONDOWN:
      if (s.rawPointer || event.button.button != SDL_BUTTON_LEFT) return;
      pointerDown(point(event.button.x, event.button.y));
      break;
    case SDL_MOUSEMOTION:  // the server sends motion to the library in its extension's events
      pointerMoved(point(event.motion.x, event.motion.y));
      break;
    case SDL_MOUSEBUTTONUP:
      if (s.rawPointer || event.button.button != SDL_BUTTON_LEFT) return;
      pointerUp(point(event.button.x, event.button.y));
      break;
    case SDL_MOUSEWHEEL:
      if (s.rawPointer) return;
      wheel(s.pointer, event.wheel.y);
      break;
    case SDL_TEXTINPUT:
      content_->typed(event.text.text);
      break;
    case SDL_KEYDOWN: {
      std::string name = keyName(event.key.keysym.sym, event.key.keysym.mod);
      if (name.empty()) return;
      if (name == "ctrl+q") {
        // The quit key ends the host as the close button does.
        CFRunLoopStop(CFRunLoopGetMain());
        return;
      }
      content_->key(name);
      break;
    }
    default:
      return;
  }
  setNeedsDisplay();
}

bool DesktopWindow::inside(CGPoint p) const {
  CGSize size = content_->pointSize();
  return p.x >= 0 && p.y >= 0 && p.x < size.width && p.y < size.height;
}

void DesktopWindow::endPress() {
  State& s = *state_;
  s.touch = nullptr;
  s.pressed = false;
  s.contentPress = false;
  s.scrolling = false;
}

void DesktopWindow::cancelPress() {
  State& s = *state_;
  if (s.contentPress) content_->pressCancelled();
  if (s.touch) content_->touchWindow()->touchCancel(s.touch);
  endPress();
}

void DesktopWindow::pointerDown(CGPoint p) {
  State& s = *state_;
  s.pointer = p;
  if (s.pressed) cancelPress();  // a press whose release this window never saw
  if (content_->pressBegan(p)) {
    s.pressed = s.contentPress = true;
    return;
  }
  s.pressed = true;
  s.scrolling = false;
  s.pressPoint = p;
  s.dragTable = content_->tableAt(p);
  s.touch = content_->touchWindow()->touchDownAtPoint(p);
  // A slider's thumb follows the pointer wherever it goes, as a finger on it does.
  for (UIView* v = s.touch ? s.touch->view() : nullptr; v && s.dragTable; v = v->superview()) {
    if (objc_cast<UISlider>(v)) s.dragTable = nullptr;
  }
  if (s.dragTable) s.pressOffset = s.dragTable->contentOffset().y;
}

void DesktopWindow::pointerMoved(CGPoint p) {
  State& s = *state_;
  s.pointer = p;
  if (!s.pressed) return;
  if (!inside(p)) {
    cancelPress();
  } else if (s.contentPress) {
    content_->pressMoved(p);
  } else if (s.dragTable && (s.scrolling || std::fabs(p.y - s.pressPoint.y) > kScrollSlop)) {
    if (!s.scrolling && s.touch) content_->touchWindow()->touchCancel(s.touch);
    s.touch = nullptr;
    s.scrolling = true;
    scrollTo(s.dragTable, s.pressOffset - (p.y - s.pressPoint.y));
  } else if (s.touch) {
    content_->touchWindow()->touchMoveToPoint(s.touch, p);
  }
}

void DesktopWindow::pointerUp(CGPoint p) {
  State& s = *state_;
  s.pointer = p;
  if (!s.pressed) return;
  if (!inside(p)) {
    cancelPress();
    return;
  }
  if (s.contentPress) {
    content_->pressEnded(p);
  } else if (s.touch) {
    content_->touchWindow()->touchUpAtPoint(s.touch, p);
  }
  endPress();
}

void DesktopWindow::wheel(CGPoint p, CGFloat notches) {
  UITableView* table = content_->tableAt(p);
  if (table) scrollTo(table, table->contentOffset().y - notches * kWheelStep);
}

void DesktopWindow::run() {
  CFRunLoopRun();
}

}  // namespace desktop
