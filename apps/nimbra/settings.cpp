// nimbra settings: the settings pane in the Settings app host, driven by steps.
#include "Command.h"
#include "SettingsHost.h"

namespace {

int runSettings(int argc, char** argv) {
  return settingshost::runCommand(argc, argv, "nimbra settings");
}

const nimbra::Command settings{
    "settings",
    "settings [--tap LABEL] [--toggle LABEL] [--choose TITLE] [--screenshot FILE] "
    "[--script FILE] ...   drive the settings pane",
    &runSettings};

}  // namespace
