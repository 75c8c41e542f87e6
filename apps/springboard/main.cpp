// nimbra-springboard: the home-screen host process, headless. Renders the home screen to
// a PNG with the plug-ins its filters select, and with --watch keeps following settings
// and badge changes.
#include <cstdio>

#include "HomeHost.h"
#include "HomeWindow.h"

int main(int argc, char** argv) {
  homehost::Options options;
  options.openWindow = &homewindow::run;
  options.name = "nimbra-springboard";
  std::string error;
  if (!homehost::parse(argc, argv, &options, &error)) {
    std::fprintf(stderr,
                 "nimbra-springboard: %s\nusage: nimbra-springboard --out FILE.png "
                 "[--layout FILE] [--root DIR] [--watch] [--window] [--window-frames FILE] "
                 "[--tap-point X,Y] [--touch-down X,Y] "
                 "[--touch-move X,Y] [--touch-up X,Y] [--touch-cancel]\n",
                 error.c_str());
    return 2;
  }
  return homehost::run(options);
}
