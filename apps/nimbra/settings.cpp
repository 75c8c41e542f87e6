// nimbra settings: the settings pane in the Settings app host, driven by steps.
#include "Command.h"
#include "SettingsHost.h"
#include "SettingsWindow.h"

namespace {

int runSettings(int argc, char** argv) {
  return settingshost::runCommand(argc, argv, "nimbra settings", &settingswindow::run);
}

// Each step, with its arguments and what it does.
std::string stepList() {
  std::string out = "steps (as options, or one a line in a --script FILE without the --):\n";
  for (const auto& kind : settingshost::stepKinds()) {
    std::string head = std::string(kind.verb) + (kind.count ? " " : "") + kind.arguments;
    out += "  " + head + std::string(head.size() < 20 ? 20 - head.size() : 1, ' ') + kind.summary +
           "\n";
  }
  return out;
}

const nimbra::Command settings{
    "settings",
    "settings [--root DIR] [--xdg-open] [--window] [--window-frames FILE.png] [--screen WxH] "
    "[--script FILE] " +
        settingshost::stepOptionsUsage() +
        " ...   drive the settings pane, steps in the order given (or show it in a window)",
    &runSettings, stepList()};

}  // namespace
