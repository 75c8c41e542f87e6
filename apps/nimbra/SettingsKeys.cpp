#include "SettingsKeys.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <optional>

#include "Foundation/Foundation.h"
#include "NimbraSettings/Settings.h"

namespace settingskeys {

namespace {

using namespace NimbraSettings;

constexpr const char* yesNo(bool value) {
  return value ? "YES" : "NO";
}

// The slider's range in the pane's list.
constexpr double kStrengthMinimum = 0;
constexpr double kStrengthMaximum = 30;

static_assert(kShowBadgesDefault == 3 && kCustomStrengthDefault == 5 && kColorDefault == 0,
              "the fallbacks below print these");

std::optional<long> wholeNumber(const std::string& text) {
  char* end = nullptr;
  long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0') return std::nullopt;
  return n;
}

// Titles compare without case and without blanks: "dark gray", "DarkGray", "Dark Gray".
std::string folded(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '-' || c == '_') continue;
    out += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  }
  return out;
}

std::string choicesText(const Key& key) {
  std::string out;
  for (const Choice& c : key.choices)
    out += (out.empty() ? "" : ", ") + std::to_string(c.value) + " (" + c.title + ")";
  return out;
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", v);
  return buf;
}

id parseNames(const std::vector<std::string>& args) {
  auto names = NSMutableArray::array();
  for (const auto& arg : args) {
    std::size_t start = 0;
    while (start <= arg.size()) {
      std::size_t comma = arg.find(',', start);
      std::string name =
          arg.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (!name.empty()) names->addObject(NSString::stringWithUTF8String(name));
      if (comma == std::string::npos) break;
      start = comma + 1;
    }
  }
  return names;
}

id parseBoolean(const Key& key, const std::string& v, std::string* error) {
  for (const char* yes : {"YES", "true", "1", "on"}) {
    if (!strcasecmp(v.c_str(), yes)) return NSNumber::numberWithBool(YES);
  }
  for (const char* no : {"NO", "false", "0", "off"}) {
    if (!strcasecmp(v.c_str(), no)) return NSNumber::numberWithBool(NO);
  }
  *error = std::string(key.name) + " is a boolean (YES or NO), not '" + v + "'";
  return nullptr;
}

id parseChoice(const Key& key, const std::string& v, std::string* error) {
  auto n = wholeNumber(v);
  for (const Choice& c : key.choices) {
    if ((n && *n == c.value) || (!v.empty() && folded(v) == folded(c.title)))
      return NSNumber::numberWithInt(c.value);
  }
  *error = std::string(key.name) + " is one of " + choicesText(key) + "; a title may be given " +
           "for its value, not '" + v + "'";
  return nullptr;
}

id parseReal(const Key& key, const std::string& v, std::string* error) {
  char* end = nullptr;
  double d = std::strtod(v.c_str(), &end);
  if (!v.empty() && *end == '\0' && std::isfinite(d) && d >= key.minimum && d <= key.maximum)
    return NSNumber::numberWithDouble(d);
  *error = std::string(key.name) + " is a number from " + number(key.minimum) + " to " +
           number(key.maximum) + " (the slider's range), not '" + v + "'";
  return nullptr;
}

}  // namespace

const std::vector<Key>& keys() {
  static const std::vector<Key> table = {
      {kEnabled, Kind::Boolean, {}, 0, 0, yesNo(kEnabledDefault)},
      {kFoldersEnabled, Kind::Boolean, {}, 0, 0, yesNo(kFoldersEnabledDefault)},
      {kShowBadgesKey,
       Kind::Choice,
       {{kShowNoBadges, "Hide all"},
        {kShowFolderBadges, "Folders only"},
        {kShowWhitelistedBadges, "Whitelist only"},
        {kShowAllBadges, "Show all"}},
       0,
       0,
       "3"},
      {kBadgeWhitelist, Kind::Names, {}, 0, 0, ""},
      {kCustomStrengthEnabled, Kind::Boolean, {}, 0, 0, yesNo(kCustomStrengthEnabledDefault)},
      {kCustomStrength, Kind::Real, {}, kStrengthMinimum, kStrengthMaximum, "5"},
      {kColor,
       Kind::Choice,
       {{0, "Yellow"},
        {1, "Dark Gray"},
        {2, "Light Gray"},
        {3, "Gray"},
        {4, "Red"},
        {5, "Green"},
        {6, "Blue"},
        {7, "Cyan"},
        {8, "Magenta"},
        {9, "Orange"},
        {10, "Purple"},
        {11, "Brown"},
        {12, "Black"},
        {13, "White"},
        {kRandomColor, "Random"},
        {kSameColorAsApp, "Same as app"}},
       0,
       0,
       "0"},
  };
  return table;
}

const Key* findKey(const std::string& name) {
  for (const Key& key : keys()) {
    if (name == key.name) return &key;
  }
  return nullptr;
}

id parseValue(const Key& key, const std::vector<std::string>& args, std::string* error) {
  if (key.kind == Kind::Names) return parseNames(args);
  if (args.size() != 1) {
    *error = std::string(key.name) + " takes one value";
    return nullptr;
  }
  switch (key.kind) {
    case Kind::Boolean:
      return parseBoolean(key, args[0], error);
    case Kind::Choice:
      return parseChoice(key, args[0], error);
    case Kind::Real:
      return parseReal(key, args[0], error);
    case Kind::Names:
      break;
  }
  return nullptr;
}

std::string show(const Key& key, const id& value) {
  if (auto list = objc_cast<NSArray>(value)) {
    std::string out;
    for (const id& item : *list) out += (out.empty() ? "" : ",") + item->description();
    return out;
  }
  auto n = objc_cast<NSNumber>(value);
  if (n && n->isBoolean()) return n->boolValue() ? "YES" : "NO";
  if (n && key.kind == Kind::Choice) {
    for (const Choice& c : key.choices) {
      if (!n->isReal() && n->intValue() == c.value)
        return std::to_string(c.value) + " (" + c.title + ")";
    }
    return value->description() + " (not one the settings pane offers)";
  }
  return value->description();
}

namespace {

std::string titledFallback(const Key& key) {
  std::string fallback = key.fallback;
  for (const Choice& c : key.choices) {
    if (std::to_string(c.value) == fallback) fallback += std::string(" (") + c.title + ")";
  }
  return fallback;
}

}  // namespace

std::string showDefault(const Key& key) {
  std::string fallback = titledFallback(key);
  if (!fallback.empty() && fallback.back() == ')') {
    fallback.pop_back();
    return fallback + ", default)";
  }
  return (fallback.empty() ? std::string("none") : fallback) + " (default)";
}

std::string describe(const Key& key) {
  std::string fallback = titledFallback(key);
  std::string what;
  switch (key.kind) {
    case Kind::Boolean:
      what = "boolean: YES or NO";
      break;
    case Kind::Choice:
      what = "choice: " + choicesText(key) + "; the value or its title";
      break;
    case Kind::Real:
      what = "number: " + number(key.minimum) + " to " + number(key.maximum);
      break;
    case Kind::Names:
      what = "app names: one argument each, or comma-separated";
      break;
  }
  return what + "; default " + (fallback.empty() ? "none" : fallback);
}

}  // namespace settingskeys
