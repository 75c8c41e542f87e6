// The home-screen host shared by nimbra-springboard and `nimbra home`: loads the
// plug-ins its filter selects, the layout, renders, and optionally follows changes.
#pragma once

#include <string>

namespace homehost {

struct Options {
  std::string out;     // PNG to write
  std::string layout;  // default: <root>/Library/SpringBoard/home.plist
  std::string root = NIMBRA_ROOT;
  bool watch = false;
};

std::string defaultLayout(const std::string& root);
// Parses --out, --layout, --root, --watch; NO with `error` for anything else.
bool parse(int argc, char** argv, Options* options, std::string* error);
// 0 on success; 2 with a message on stderr for bad input; 1 when rendering fails.
int run(const Options& options);

}  // namespace homehost
