// Kept apart from the tests: Xlib's macros (None, Status, ...) clash with the platform's
// names.
#include <X11/Xlib.h>

#include <string>

// WM_DELETE_WINDOW, as a window manager sends it for the window's close button.
bool askToClose(const std::string& window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = std::stoul(window);
  event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  Status sent = XSendEvent(display, event.xclient.window, False, NoEventMask, &event);
  XCloseDisplay(display);
  return sent != 0;
}
