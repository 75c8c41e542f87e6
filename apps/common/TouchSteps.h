// Finger steps both headless hosts take, in window points. The table below is their one
// spelling: both hosts' options and script steps, and the usage texts, are made from it.
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

enum class Finger { Down, Move, Up, Cancel, TapPoint };

struct FingerStep {
  Finger finger;
  const char* verb;       // the step in a script; the option is "--" and the verb
  const char* arguments;  // "X,Y", or "" for none
  std::size_t count;      // how many arguments
  const char* summary;
};

inline const std::vector<FingerStep>& fingerSteps() {
  static const std::vector<FingerStep> steps = {
      {Finger::Down, "touch-down", "X,Y", 1,
       "a finger comes down (another while one is down is a second finger)"},
      {Finger::Move, "touch-move", "X,Y", 1, "the last finger down moves"},
      {Finger::Up, "touch-up", "X,Y", 1, "the last finger down lifts there"},
      {Finger::Cancel, "touch-cancel", "", 0, "the system takes every finger away"},
      {Finger::TapPoint, "tap-point", "X,Y", 1, "a finger comes down and lifts at one place"},
  };
  return steps;
}

inline const FingerStep* findFingerStep(const std::string& verb) {
  for (const FingerStep& step : fingerSteps()) {
    if (verb == step.verb) return &step;
  }
  return nullptr;
}

// A step's argument checked before anything runs; NO with `error` set.
inline bool checkFingerArguments(const FingerStep& step, const std::vector<std::string>& args,
                                 std::string* error) {
  CGPoint p;
  if (args.size() == step.count && (step.count == 0 || parsePoint(args[0], &p))) return true;
  if (error)
    *error = std::string(step.verb) +
             (step.count ? " needs a point X,Y in window points" : " takes no arguments");
  return false;
}

class Fingers {
 public:
  // Runs one finger step on `window`; NO with `error` set for a bad step.
  bool run(UIWindow* window, const FingerStep& step, const std::vector<std::string>& args,
           std::string* error) {
    if (!checkFingerArguments(step, args, error)) return false;
    CGPoint p = CGPointMake(0, 0);
    if (step.count) parsePoint(args[0], &p);
    switch (step.finger) {
      case Finger::Cancel:
        window->cancelAllTouches();
        fingers_.clear();
        return true;
      case Finger::Down:
        fingers_.push_back(window->touchDownAtPoint(p));
        return true;
      case Finger::TapPoint:
        if (auto touch = window->touchDownAtPoint(p)) window->touchUpAtPoint(touch, p);
        return true;
      case Finger::Move:
      case Finger::Up:
        break;
    }
    if (fingers_.empty()) return fail(error, "no finger is down");
    if (step.finger == Finger::Move) {
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
