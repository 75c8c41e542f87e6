// What every kind of scanner shares: the text's locale and zone and the moment relative
// dates count from.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>

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

// Token offsets are 32-bit, so scanners take a longer text in pieces of at most 2^30
// units, each cut at the last of `breaks` in its second half when there is one there.
// Calls scanPiece(piece, base) with each piece and the offset of its start.
template <class ScanPiece>
void forEachPiece(std::u16string_view text, NSUInteger base, std::u16string_view breaks,
                  ScanPiece&& scanPiece) {
  constexpr std::size_t kMaxPiece = std::size_t(1) << 30;
  while (!text.empty()) {
    std::size_t size = std::min(text.size(), kMaxPiece);
    if (size < text.size()) {
      std::size_t cut = text.find_last_of(breaks, size);
      if (cut != std::u16string_view::npos && cut > size / 2) size = cut;
    }
    scanPiece(text.substr(0, size), base);
    text.remove_prefix(size);
    base += size;
  }
}

}  // namespace foundation::detect
