// What every kind of scanner shares: the text's locale and zone and the moment relative
// dates count from.
#pragma once

#include <string>

#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSTimeZone.h"

namespace foundation::detect {

struct ScanContext {
  NSTimeInterval referenceDate = 0;  // seconds since 2001-01-01 UTC
  std::string locale;                // ICU locale identifier, "en_US", "de_DE"
  std::string region;                // the locale's region, "US" when it names none
  Strong<NSTimeZone> timeZone;       // the local zone
};

// The process's locale from LC_ALL, then LC_TIME, then LANG ("de_DE.UTF-8" gives
// "de_DE"); "en_US_POSIX" when none is set or the value is "C" or "POSIX".
std::string currentLocaleIdentifier();
// The region of a locale identifier; "US" when it has none.
std::string regionOfLocale(const std::string& locale);

}  // namespace foundation::detect
