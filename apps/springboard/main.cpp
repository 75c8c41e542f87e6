// nimbra-springboard: the home-screen host process, headless. Renders the home screen to
// a PNG with the plug-ins its filters select, and with --watch keeps following settings
// and badge changes.
#include "HomeHost.h"
#include "HomeWindow.h"

int main(int argc, char** argv) {
  homehost::HomeCommand program("nimbra-springboard", &homewindow::run);
  return commandline::run(program, argc, argv);
}
