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

class Badge : public commandline::Command {
 public:
  Badge()
      : Command("badge",
                "set an app's or folder's badge (a number, text or none) in your own home screen "
                "(~/Library/SpringBoard, copied from the sample on first use) or the one given") {
    add_option("NAME", name_)->required();
    add_option("VALUE", value_)->required();
    add_option("--layout", layout_, "the layout file to change")->type_name("FILE");
    rootOption_ = add_option("--root", rootDir_, "the device-like tree whose layout to change")
                      ->type_name("DIR");
    missing("needs an app or folder NAME and a VALUE");
    unknown([](const std::string& arg) {
      return arg.rfind("--", 0) == 0 ? "unknown option " + arg
                                     : std::string("needs an app or folder NAME and a VALUE");
    });
  }
  int run() override;

 private:
  std::string name_, value_, layout_, rootDir_;
  CLI::Option* rootOption_;
};

int Badge::run() {
  std::string layout, root = hostpaths::defaultRoot();
  bool rootGiven = rootOption_->count() > 0;
  if (rootGiven) root = rootDir_;
  std::string error;
  layout = homehost::layoutFor(layout_, root, rootGiven, &error);
  if (layout.empty()) {
    std::fprintf(stderr, "nimbra badge: %s\n", error.c_str());
    return 2;
  }
  if (!SBHomeScreen::setBadgeInLayoutFile(layout, name_, badgeValue(value_), &error)) {
    std::fprintf(stderr, "nimbra badge: %s\n", error.c_str());
    return 2;
  }
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSString::stringWithUTF8String(SBBadgeChangedNotification),
                                       nullptr, nullptr, true);
  return 0;
}

const nimbra::Registration badge{[] { return std::make_shared<Badge>(); }};

}  // namespace
