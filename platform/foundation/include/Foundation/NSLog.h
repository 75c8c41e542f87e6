// The system log: one line per call on standard error,
// "YYYY-MM-DD HH:MM:SS.mmm process[pid:tid] message", written with a single write(2)
// so lines from several threads or processes never interleave.
#pragma once

#include <string_view>

#include "Foundation/NSFormat.h"

namespace foundation {
void logLine(std::string_view message);
}

template <class F, class... A>
void NSLog(const F& fmt, const A&... args) {
  foundation::logLine(nsformat::formatWith(fmt, args...));
}
