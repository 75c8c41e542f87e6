// nimbra-settings: the Settings app host, run from steps, headless or in a window.
#include "SettingsHost.h"
#include "SettingsWindow.h"

int main(int argc, char** argv) {
  settingshost::SettingsCommand program("nimbra-settings", &settingswindow::run);
  return commandline::run(program, argc, argv);
}
