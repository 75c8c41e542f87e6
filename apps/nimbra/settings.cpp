// nimbra settings: the settings pane in the Settings app host, driven by steps.
#include "Command.h"
#include "SettingsHost.h"
#include "SettingsWindow.h"

namespace {

const nimbra::Registration settings{[] {
  return std::make_shared<settingshost::SettingsCommand>("settings", &settingswindow::run);
}};

}  // namespace
