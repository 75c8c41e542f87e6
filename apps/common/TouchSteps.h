// Finger steps both headless hosts take, in window points:
//
//   touch-down X,Y    a finger comes down (a second one while the first is down is a
//                     second finger)
//   touch-move X,Y    the last finger down moves
//   touch-up X,Y      the last finger down lifts there
//   touch-cancel      the system takes every finger away
//   tap-point X,Y     a finger comes down and lifts at one place
//
// A finger that nothing takes (outside every view, or a second finger on a one-finger
// view) is still counted, so a later up lifts it, and delivers nothing.
#pragma once

#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"

namespace hoststeps {

// "X,Y" with finite numbers; NO otherwise.
inline bool parsePoint(const std::string& text, CGPoint* point) {
  auto comma = text.find(',');
  if (comma == std::string::npos) return false;
  std::string xs = text.substr(0, comma), ys = text.substr(comma + 1);
  char* end = nullptr;
  double x = std::strtod(xs.c_str(), &end);
  if (xs.empty() || *end) return false;
  double y = std::strtod(ys.c_str(), &end);
  if (ys.empty() || *end || !std::isfinite(x) || !std::isfinite(y)) return false;
  *point = CGPointMake(x, y);
  return true;
}

class Fingers {
 public:
  static bool handles(const std::string& verb) {
    return verb == "touch-down" || verb == "touch-move" || verb == "touch-up" ||
           verb == "touch-cancel" || verb == "tap-point";
  }

  // Runs one finger step on `window`; NO with `error` set for a bad step.
  bool run(UIWindow* window, const std::string& verb, const std::vector<std::string>& args,
           std::string* error) {
    if (verb == "touch-cancel") {
      if (!args.empty()) return fail(error, "touch-cancel takes no arguments");
      window->cancelAllTouches();
      fingers_.clear();
      return true;
    }
    CGPoint p;
    if (args.size() != 1 || !parsePoint(args[0], &p))
      return fail(error, verb + " needs a point X,Y in window points");
    if (verb == "touch-down") {
      fingers_.push_back(window->touchDownAtPoint(p));
      return true;
    }
    if (verb == "tap-point") {
      auto touch = window->touchDownAtPoint(p);
      if (touch) window->touchUpAtPoint(touch, p);
      return true;
    }
    if (fingers_.empty()) return fail(error, "no finger is down");
    if (verb == "touch-move") {
      if (fingers_.back()) window->touchMoveToPoint(fingers_.back(), p);
      return true;
    }
    if (fingers_.back()) window->touchUpAtPoint(fingers_.back(), p);
    fingers_.pop_back();
    return true;
  }

  // The window cancelled every finger (an alert came up).
  void forget() { fingers_.clear(); }

 private:
  static bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
  }
  std::vector<Strong<UITouch>> fingers_;  // none for a finger nothing took
};

}  // namespace hoststeps
