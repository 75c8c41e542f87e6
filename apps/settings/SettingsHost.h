// The Settings app host, headless: the root list of the preference entries found under
// <root>/Library/PreferenceLoader/Preferences, the bundles they open (loaded from
// <root>/Library/PreferenceBundles by their Info.plist), a navigation stack and alerts,
// driven by steps:
//
//   tap LABEL          tap the row with that label (opens entries, presses buttons)
//   toggle LABEL       flip the switch of that row
//   slide LABEL VALUE  move the slider of that row
//   choose TITLE       pick a choice in an open choice list
//   type TEXT          type into the shown alert's first field
//   clear              empty the shown alert's first field
//   press TITLE        press the shown alert's button with that title
//   delete LABEL       delete the row with that label
//   back               go back one screen
//   screenshot FILE    render the screen (the whole list, and an alert if shown) to PNG
//   accessibility      print what a screen reader finds on the screen, in its order: per
//                      element its kind, frame (screen points), traits, label, value, hint
//   touch-down X,Y, touch-move X,Y, touch-up X,Y, touch-cancel, tap-point X,Y
//                      fingers on the window (see apps/common/TouchSteps.h)
//
// Steps that change a setting write the settings file and post its notification, as the
// entries do on a device. A tap is a real touch down and up at the row's centre (the list
// scrolled to show the row first). While an alert is shown the views behind it are dimmed
// (their tint adjustment mode is dimmed) and fingers on them are cancelled; closing it
// restores them. A finger lifted on a root list entry opens it as the tap step does.
// Every display commit renders a frame, counted by frameCount(), so what a
// step flushed is drawn before the step's handler returns. Opened URLs are printed as
// "openURL URL".
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "../common/TouchSteps.h"
#include "objc/runtime.h"

class UINavigationController;
class UIViewController;
class UITableView;
class UIWindow;

namespace settingshost {

struct Step {
  std::string verb;
  std::vector<std::string> args;
};

// Splits a script into steps: one per line, words separated by blanks, "double quotes"
// around words with blanks, # starts a comment. NO with `error` set on a bad line.
bool parseScript(const std::string& text, std::vector<Step>* steps, std::string* error);

class Host {
 public:
  explicit Host(std::string root);
  ~Host();

  // Reads the root list's entries and shows it. NO when the root has no entries folder.
  bool start(std::string* error);
  bool run(const Step& step, std::string* error);

  // Also run xdg-open on every URL the pane opens (off by default: URLs are printed).
  void setOpenURLsExternally(bool open) { external_ = open; }

  Strong<UINavigationController> navigation() const { return nav_; }
  Strong<UIViewController> topViewController() const;
  // The table the top screen shows; none when it has none.
  Strong<UITableView> topTable() const;
  bool screenshot(const std::string& path, std::string* error);
  // The screen's accessibility elements as the accessibility step prints them.
  std::string accessibilityTree();
  Strong<UIWindow> window() const { return window_; }
  // Frames rendered by display commits since start.
  uint64_t frameCount() const { return frames_; }
  // Dims or restores the views behind the top alert when it came or went. Every step
  // does this; a window that delivers fingers itself does it after each input.
  void followAlert();

 private:
  bool openEntry(const std::string& label, std::string* error);
  bool runStep(const Step& step, std::string* error);
  bool tap(const std::string& label, std::string* error);

  std::string root_;
  Strong<UINavigationController> nav_;
  Strong<UIWindow> window_;
  bool external_ = false;
  hoststeps::Fingers fingers_;
  bool dimmed_ = false;
  uint64_t frames_ = 0;
  uint64_t commitHandler_ = 0;
};

// Shows a started host in a desktop window until it is closed; the exit status.
using WindowRunner = int (*)(Host& host, const std::string& frameDump);

// `nimbra settings` and the nimbra-settings program: steps from the options, in order;
// then with --window (programs that pass `window`) the host in a window, each frame drawn
// also written to the PNG of --window-frames FILE.
int runCommand(int argc, char** argv, const char* name, WindowRunner window = nullptr);

}  // namespace settingshost
