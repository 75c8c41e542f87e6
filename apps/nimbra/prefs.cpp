// nimbra prefs get KEY | set KEY VALUE...: the plug-in's settings file, written whole
// under the file lock with the types the plug-in reads, then the change notification.
//   Enabled, FoldersEnabled, CustomStrengthEnabled   YES/NO, true/false, 1/0
//   ShowBadges       0 to 3
//   Color            0 to 13, 673 (random), 674 (same as app), or a colour's name
//   CustomStrength   a finite real, 0 or more
//   BadgeWhitelist   display names: one argument each, or comma-separated
#include <strings.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <optional>

#include "Command.h"
#include "CoreFoundation/CFNotificationCenter.h"
#include "Foundation/Foundation.h"
#include "NimbraSettings/Settings.h"

namespace {

using namespace NimbraSettings;

const char* const kColorNames[] = {"yellow", "darkgray", "lightgray", "gray",    "red",
                                   "green",  "blue",     "cyan",      "magenta", "orange",
                                   "purple", "brown",    "black",     "white"};
static_assert(std::size(kColorNames) == kColorCount, "one name for each entry of the table");

enum class Kind { Boolean, ShowBadges, Color, Real, Names };
struct Key {
  const char* name;
  Kind kind;
  const char* fallback;  // what the plug-in uses when the key is absent
};
constexpr const char* yesNo(bool value) {
  return value ? "YES" : "NO";
}
// The defaults as `get` prints them; the settings header holds their values.
static_assert(kShowBadgesDefault == 3 && kCustomStrengthDefault == 5 && kColorDefault == 0);
const Key kKeys[] = {{kEnabled, Kind::Boolean, yesNo(kEnabledDefault)},
                     {kFoldersEnabled, Kind::Boolean, yesNo(kFoldersEnabledDefault)},
                     {kShowBadgesKey, Kind::ShowBadges, "3"},
                     {kBadgeWhitelist, Kind::Names, ""},
                     {kCustomStrengthEnabled, Kind::Boolean, yesNo(kCustomStrengthEnabledDefault)},
                     {kCustomStrength, Kind::Real, "5"},
                     {kColor, Kind::Color, "0"}};

std::string settingsPath() {
  return NSHomeDirectory()->stringByAppendingPathComponent(NSSTR(kFile))->stdString();
}

const Key* findKey(const std::string& name) {
  for (const Key& key : kKeys) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

std::optional<long> wholeNumber(const std::string& text) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return n;
}

// The property-list value for `args`, or none with `error` filled.
id parseValue(const Key& key, const std::vector<std::string>& args, std::string* error) {
  if (key.kind == Kind::Names) {
    auto names = NSMutableArray::array();
    for (const auto& arg : args) {
      size_t start = 0;
      while (start <= arg.size()) {
        size_t comma = arg.find(',', start);
        std::string name =
            arg.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!name.empty()) names->addObject(NSString::stringWithUTF8String(name));
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    return names;
  }
  if (args.size() != 1) {
    *error = std::string(key.name) + " takes one value";
    return nullptr;
  }
  const std::string& v = args[0];
  switch (key.kind) {
    case Kind::Boolean:
      for (const char* yes : {"YES", "true", "1"}) {
        if (!strcasecmp(v.c_str(), yes)) return NSNumber::numberWithBool(YES);
      }
      for (const char* no : {"NO", "false", "0"}) {
        if (!strcasecmp(v.c_str(), no)) return NSNumber::numberWithBool(NO);
      }
      *error = std::string(key.name) + " is a boolean (YES or NO), not '" + v + "'";
      return nullptr;
    case Kind::ShowBadges: {
      auto n = wholeNumber(v);
      if (n && *n >= kShowNoBadges && *n <= kShowAllBadges) return NSNumber::numberWithInt(int(*n));
      *error = "ShowBadges is 0 (none), 1 (folders), 2 (whitelist) or 3 (all), not '" + v + "'";
      return nullptr;
    }
    case Kind::Color: {
      for (int i = 0; i < kColorCount; ++i) {
        if (!strcasecmp(v.c_str(), kColorNames[i])) return NSNumber::numberWithInt(i);
      }
      if (!strcasecmp(v.c_str(), "random")) return NSNumber::numberWithInt(kRandomColor);
      if (!strcasecmp(v.c_str(), "app")) return NSNumber::numberWithInt(kSameColorAsApp);
      auto n = wholeNumber(v);
      if (n && ((*n >= 0 && *n < kColorCount) || *n == kRandomColor || *n == kSameColorAsApp)) {
        return NSNumber::numberWithInt(int(*n));
      }
      *error =
          "Color is 0 to 13, 673 (random), 674 (same as app) or a colour name, not '" + v + "'";
      return nullptr;
    }
    case Kind::Real: {
      char* end = nullptr;
      double d = std::strtod(v.c_str(), &end);
      if (!v.empty() && *end == '\0' && std::isfinite(d) && d >= 0) {
        return NSNumber::numberWithDouble(d);
      }
      *error = "CustomStrength is a finite number of points, 0 or more, not '" + v + "'";
      return nullptr;
    }
    case Kind::Names:
      break;
  }
  return nullptr;
}

std::string show(const id& value) {
  if (auto list = objc_cast<NSArray>(value)) {
    std::string out;
    for (const id& item : *list) out += (out.empty() ? "" : ",") + item->description();
    return out;
  }
  if (auto n = objc_cast<NSNumber>(value); n && n->isBoolean())
    return n->boolValue() ? "YES" : "NO";
  return value->description();
}

int fail(const std::string& message) {
  std::fprintf(stderr, "nimbra prefs: %s\n", message.c_str());
  return 2;
}

int runPrefs(int argc, char** argv) {
  if (argc < 3) return fail("usage: nimbra prefs get KEY | nimbra prefs set KEY VALUE...");
  std::string verb = argv[1];
  const Key* key = findKey(argv[2]);
  if (!key) return fail(std::string("unknown key '") + argv[2] + "'");
  if (verb == "get" && argc == 3) {
    auto settings = NSDictionary::dictionaryWithContentsOfFile(settingsPath());
    id value =
        settings ? settings->objectForKey(NSString::stringWithUTF8String(key->name)) : nullptr;
    std::printf("%s\n",
                value ? show(value).c_str() : (std::string(key->fallback) + " (default)").c_str());
    return 0;
  }
  if (verb != "set") return fail("usage: nimbra prefs get KEY | nimbra prefs set KEY VALUE...");
  std::string error;
  id value = parseValue(*key, std::vector<std::string>(argv + 3, argv + argc), &error);
  if (!value) return fail(error);

  std::string path = settingsPath();
  std::error_code ec;
  std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ec);
  enum class Outcome { Written, Unreadable, WriteFailed } outcome = Outcome::WriteFailed;
  BOOL locked = NSFileCoordinator::coordinateWritingItemAtPath(path, [&] {
    auto settings = NSMutableDictionary::dictionaryWithContentsOfFile(path);
    if (!settings) {
      // A file that is there but unreadable is left for the user to look at, not
      // replaced by one holding a single key.
      if (std::filesystem::exists(path, ec)) {
        outcome = Outcome::Unreadable;
        return;
      }
      settings = NSMutableDictionary::dictionary();
    }
    settings->setObjectForKey(value, NSString::stringWithUTF8String(key->name));
    outcome = settings->writeToFileAtomically(path, YES) ? Outcome::Written : Outcome::WriteFailed;
  });
  if (locked && outcome == Outcome::Unreadable) {
    return fail(path + " is not a property-list dictionary; fix or remove it first");
  }
  if (!locked || outcome != Outcome::Written) {
    std::fprintf(stderr, "nimbra prefs: cannot write %s\n", path.c_str());
    return 1;
  }
  CFNotificationCenterPostNotification(CFNotificationCenterGetDarwinNotifyCenter(),
                                       NSString::stringWithUTF8String(kChangedNotification),
                                       nullptr, nullptr, true);
  return 0;
}

const nimbra::Command prefs{
    "prefs", "prefs get KEY | prefs set KEY VALUE...   read or change the Nimbra settings",
    &runPrefs};

}  // namespace
