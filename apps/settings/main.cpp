// nimbra-settings: the Settings app host, run headless from steps.
#include "SettingsHost.h"

int main(int argc, char** argv) {
  return settingshost::runCommand(argc, argv, "nimbra-settings");
}
