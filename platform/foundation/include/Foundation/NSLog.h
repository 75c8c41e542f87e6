// The system log: one line per call on standard error,
// "YYYY-MM-DD HH:MM:SS.mmm process[pid:tid] message", written with a single write(2)
// so lines from several threads or processes never interleave.
#pragma once

#include <string_view>

#include "Foundation/FoundationExport.h"
#include "Foundation/NSFormat.h"

namespace foundation {
NIMBRA_FOUNDATION_API void logLine(std::string_view message);
// On by default. A program whose users do not want the log in normal use (the nimbra
// command without --verbose) turns it off; lines logged meanwhile are dropped.
NIMBRA_FOUNDATION_API void setLogEnabled(bool enabled);
}  // namespace foundation

template <class F, class... A>
void NSLog(const F& fmt, const A&... args) {
  foundation::logLine(nsformat::formatWith(fmt, args...));
}
