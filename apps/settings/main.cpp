// nimbra-settings: the Settings app host, run from steps, headless or in a window.
#include "SettingsHost.h"
#include "SettingsWindow.h"

int main(int argc, char** argv) {
  return settingshost::runCommand(argc, argv, "nimbra-settings", &settingswindow::run);
}
