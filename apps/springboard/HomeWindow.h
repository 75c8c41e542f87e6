// `--window` for the home-screen host: a page at a time in a desktop window (drag or the
// arrow keys to page, click a folder to open it, outside it or Escape to close it),
// following settings and badge changes, until closed.
#pragma once

#include "HomeHost.h"

class SBHomeScreen;

namespace homewindow {

// 0 once the window is closed; 1 with a message when no window can be opened.
int run(SBHomeScreen* screen, const homehost::Options& options);

}  // namespace homewindow
