// The home-screen host shared by nimbra-springboard and `nimbra home`: loads the
// plug-ins its filter selects, the layout, renders, and optionally follows changes.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "../common/CommandLine.h"
#include "../common/DefaultRoot.h"

class SBHomeScreen;

namespace homehost {

struct Options;
// Shows the laid-out screen in a desktop window until it is closed; the exit status.
using WindowRunner = int (*)(SBHomeScreen* screen, const Options& options);

struct Options {
  std::string out;     // PNG to write (optional with a window)
  std::string layout;  // default: see layoutFor
  std::string root = hostpaths::defaultRoot();
  bool rootGiven = false;            // --root was given
  std::string name = "nimbra home";  // starts every message
  bool watch = false;
  // Finger steps (apps/common/TouchSteps.h) on the first page's window, in order, after
  // the first layout pass and before the picture: (verb, argument or empty).
  std::vector<std::pair<std::string, std::string>> touches;
  bool window = false;                // --window: show it in a desktop window, following changes
  std::string windowFrames;           // --window-frames FILE: each frame drawn there, as a PNG
  WindowRunner openWindow = nullptr;  // set by the programs that can open windows
  // Filled by the host for the window: the notifications the loaded plug-ins re-lay out on.
  std::vector<std::string> relayoutNotifications;
};

std::string defaultLayout(const std::string& root);
// The layout a command reads and writes: `layout` when given; with --root the root's own;
// otherwise the user's copy of the sample layout, ~/Library/SpringBoard/home.plist, made
// from <root>/Library/SpringBoard (the file and its images) on first use, so that changes
// never reach the staged tree. Empty with `error` when the copy cannot be made.
std::string layoutFor(const std::string& layout, const std::string& root, bool rootGiven,
                      std::string* error);
// 0 on success; 2 with a message on stderr for bad input; 1 when rendering fails.
int run(const Options& options);

// `nimbra home` and the nimbra-springboard program: --out, --layout, --root, --watch,
// --window, --window-frames and the finger steps, in the order given.
class HomeCommand : public commandline::Command {
 public:
  HomeCommand(std::string name, WindowRunner window);
  int run() override;

 private:
  Options options_;
};

}  // namespace homehost
