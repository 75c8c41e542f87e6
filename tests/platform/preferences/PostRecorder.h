// Records Darwin notification posts instead of sending them: the test executable's own
// CFNotificationCenterPostNotification (exported) takes the place of the platform's for
// every library in the process, so each post is counted exactly, with no coalescing.
#pragma once

#include <string>
#include <vector>

#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSString.h"

inline std::vector<std::string>& postedNames() {
  static std::vector<std::string> names;
  return names;
}

inline int postsOf(const std::string& name) {
  int n = 0;
  for (const auto& p : postedNames()) n += p == name;
  return n;
}
