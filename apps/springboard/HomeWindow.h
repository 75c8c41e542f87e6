// `--window` for the home-screen host: the first page in a desktop window, following
// settings and badge changes, until closed.
#pragma once

#include "HomeHost.h"

class SBHomeScreen;

namespace homewindow {

// 0 once the window is closed; 1 with a message when no window can be opened.
int run(SBHomeScreen* screen, const homehost::Options& options);

}  // namespace homewindow
