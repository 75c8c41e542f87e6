// nimbra home: the home screen rendered to a PNG, the plug-in loaded as the host loads it.
#include <cstdio>

#include "Command.h"
#include "HomeHost.h"
#include "HomeWindow.h"

namespace {

int runHome(int argc, char** argv) {
  homehost::Options options;
  options.openWindow = &homewindow::run;
  std::string error;
  if (!homehost::parse(argc, argv, &options, &error)) {
    std::fprintf(stderr, "nimbra home: %s\n", error.c_str());
    return 2;
  }
  return homehost::run(options);
}

const nimbra::Command home{
    "home",
    "home --out FILE.png [--layout FILE] [--root DIR] [--watch] [--window] "
    "[--window-frames FILE] [--touch-down X,Y] "
    "[--touch-move X,Y] [--touch-up X,Y] [--touch-cancel] [--tap-point X,Y]   render the home "
    "screen (or show it in a window), the finger steps first in the order given",
    &runHome};

}  // namespace
