// Expected moments for the date tests, worked out by the C library rather than by ICU,
// which the scanner uses: seconds since 2001 of a wall time in the process's TZ.
#pragma once

#include <ctime>

#include "Foundation/NSDate.h"

namespace walltime {

inline NSTimeInterval local(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
  struct tm tm = {};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  tm.tm_isdst = -1;
  return static_cast<double>(mktime(&tm)) - NSTimeIntervalSince1970;
}

}  // namespace walltime
