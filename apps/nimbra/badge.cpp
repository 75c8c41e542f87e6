// nimbra badge NAME VALUE: changes an app's or a folder's badge in the layout file and tells a
// running home screen. VALUE is a whole number, "none" (no badge) or any other string.
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "../common/DefaultRoot.h"
#include "Command.h"
#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/NSNumber.h"
#include "HomeHost.h"
#include "SpringBoard/SBHomeScreen.h"

namespace {

id badgeValue(const std::string& text) {
  if (text == "none") return nullptr;
  errno = 0;
  char* end = nullptr;
  long long n = std::strtoll(text.c_str(), &end, 10);
  bool whole = !text.empty() && *end == '\0' && errno == 0 && (text[0] != '+' && text[0] != ' ');
  // Leading zeros and signs stay strings: the badge shows exactly what was given.
  if (whole && (text == "0" || (text[0] != '0' && text[0] != '-'))) {
    return NSNumber::numberWithLongLong(n);
  }
  return NSString::stringWithUTF8String(text);
}

int runBadge(int argc, char** argv) {
  std::string layout, root = hostpaths::defaultRoot();
  bool rootGiven = false;
  std::vector<std::string> positional;
  const char* const usage = "usage: nimbra badge NAME VALUE [--layout FILE] [--root DIR]";
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--layout" || arg == "--root") {
      if (i + 1 >= argc) {
        std::fprintf(stderr, "nimbra badge: %s needs a value\n%s\n", arg.c_str(), usage);
        return 2;
      }
      (arg == "--layout" ? layout : root) = argv[++i];
      rootGiven = rootGiven || arg == "--root";
    } else if (arg.size() > 2 && arg.rfind("--", 0) == 0) {
      std::fprintf(stderr, "nimbra badge: unknown option %s\n%s\n", arg.c_str(), usage);
      return 2;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "nimbra badge: needs an app or folder NAME and a VALUE\n%s\n", usage);
    return 2;
  }
  std::string error;
  layout = homehost::layoutFor(layout, root, rootGiven, &error);
  if (layout.empty()) {
    std::fprintf(stderr, "nimbra badge: %s\n", error.c_str());
    return 2;
  }
  if (!SBHomeScreen::setBadgeInLayoutFile(layout, positional[0], badgeValue(positional[1]),
                                          &error)) {
    std::fprintf(stderr, "nimbra badge: %s\n", error.c_str());
    return 2;
  }
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSString::stringWithUTF8String(SBBadgeChangedNotification),
                                       nullptr, nullptr, true);
  return 0;
}

const nimbra::Command badge{
    "badge",
    "badge NAME VALUE [--layout FILE] [--root DIR]   set an app's or folder's badge (a number, "
    "text or none) in your own home screen (~/Library/SpringBoard, copied from the sample on "
    "first use) or the one given",
    &runBadge};

}  // namespace
