// `--window` for the Settings app host: the host shown in a desktop window until closed.
#pragma once

#include <string>

#include "SettingsHost.h"

namespace settingswindow {

// 0 once the window is closed; 1 with a message when no window can be opened.
int run(settingshost::Host& host, const std::string& frameDump);

}  // namespace settingswindow
