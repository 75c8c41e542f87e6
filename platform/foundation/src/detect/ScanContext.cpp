#include "ScanContext.h"

#include <cstdlib>

namespace foundation::detect {

std::string currentLocaleIdentifier() {
  for (const char* var : {"LC_ALL", "LC_TIME", "LANG"}) {
    const char* v = std::getenv(var);
    if (!v || !*v) continue;
    std::string s(v);
    if (auto cut = s.find_first_of(".@"); cut != std::string::npos) s.resize(cut);
    if (s.empty() || s == "C" || s == "POSIX") return "en_US_POSIX";
    return s;
  }
  return "en_US_POSIX";
}

std::string regionOfLocale(const std::string& locale) {
  auto sep = locale.find_first_of("_-");
  if (sep == std::string::npos) return "US";
  std::string rest = locale.substr(sep + 1);
  if (auto more = rest.find_first_of("_-"); more != std::string::npos) {
    // "zh_Hant_TW": a script comes before the region.
    if (more == 4)
      rest = rest.substr(more + 1);
    else
      rest.resize(more);
  }
  if (rest.size() != 2 || rest == "PO") return "US";  // "en_US_POSIX" gives US
  return rest;
}

}  // namespace foundation::detect
