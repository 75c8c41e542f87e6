// nimbra settings: the settings pane in the Settings app host, driven by steps.
#include "Command.h"
#include "SettingsHost.h"
#include "SettingsWindow.h"

namespace {

int runSettings(int argc, char** argv) {
  return settingshost::runCommand(argc, argv, "nimbra settings", &settingswindow::run);
}

const nimbra::Command settings{
    "settings",
    "settings [--root DIR] [--xdg-open] [--window] [--window-frames FILE] [--screen WxH] [--script "
    "FILE] [--tap LABEL] "
    "[--toggle LABEL] [--slide LABEL VALUE] [--choose TITLE] [--type TEXT] [--clear] "
    "[--press TITLE] [--delete LABEL] [--back] [--screenshot FILE] [--accessibility] "
    "[--touch-down X,Y] [--touch-move X,Y] [--touch-up X,Y] [--touch-cancel] "
    "[--tap-point X,Y] ...   drive the settings pane, steps in the order given",
    &runSettings};

}  // namespace
