// The home-screen host shared by nimbra-springboard and `nimbra home`: loads the
// plug-ins its filter selects, the layout, renders, and optionally follows changes.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace homehost {

struct Options {
  std::string out;     // PNG to write
  std::string layout;  // default: <root>/Library/SpringBoard/home.plist
  std::string root = NIMBRA_ROOT;
  bool watch = false;
  // Finger steps (apps/common/TouchSteps.h) on the first page's window, in order, after
  // the first layout pass and before the picture: (verb, argument or empty).
  std::vector<std::pair<std::string, std::string>> touches;
};

std::string defaultLayout(const std::string& root);
// Parses --out, --layout, --root, --watch and the finger steps --touch-down X,Y,
// --touch-move X,Y, --touch-up X,Y, --touch-cancel, --tap-point X,Y; NO with `error` for
// anything else.
bool parse(int argc, char** argv, Options* options, std::string* error);
// 0 on success; 2 with a message on stderr for bad input; 1 when rendering fails.
int run(const Options& options);

}  // namespace homehost
