// The settings store: reading the settings file and choosing the glow colour.
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include "Nimbra.h"

Strong<NSDictionary> prefs;
using namespace NimbraSettings;

BOOL isEnabled = kEnabledDefault;
BOOL isFolderEnabled = kFoldersEnabledDefault;
ShowBadges showBadge = kShowBadgesDefault;
Strong<NSArray> badgeWhitelist;
BOOL customStrengthEnabled = kCustomStrengthEnabledDefault;
CGFloat customStrength = kCustomStrengthDefault;
Strong<UIColor> daColor;
BOOL sameAsApp = NO;
Strong<NSArray> colors;

namespace {

constexpr uint32_t kNeverRandom = 2;  // light grey is never drawn at random

// Keys are NSSTR literals, made once: checkColor runs on every applied glow. The value is
// the dictionary's own, read while the settings are not replaced.
NSObject* valueFor(const Strong<NSDictionary>& dict, const Strong<NSString>& key) {
  return dict ? dict->objectForKey(key).get() : nullptr;
}

// A value of another type than the settings pane writes for the key counts as absent;
// strings convert by the platform's string rules.
bool isBooleanNumber(const NSNumber& n) {
  return n.isBoolean();
}
bool isIntegerNumber(const NSNumber& n) {
  return !n.isBoolean() && !n.isReal();
}
bool isRealNumber(const NSNumber& n) {
  return n.isReal();
}

std::optional<BOOL> boolFor(const Strong<NSString>& key) {
  NSObject* v = valueFor(prefs, key);
  if (auto* n = objc_cast<NSNumber>(v)) {
    return isBooleanNumber(*n) ? std::optional<BOOL>(n->boolValue()) : std::nullopt;
  }
  if (auto* s = objc_cast<NSString>(v)) return s->boolValue();
  return std::nullopt;
}

std::optional<int32_t> intFor(const Strong<NSString>& key) {
  NSObject* v = valueFor(prefs, key);
  if (auto* n = objc_cast<NSNumber>(v)) {
    return isIntegerNumber(*n) ? std::optional<int32_t>(n->intValue()) : std::nullopt;
  }
  if (auto* s = objc_cast<NSString>(v)) return s->intValue();
  return std::nullopt;
}

std::optional<float> floatFor(const Strong<NSString>& key) {
  NSObject* v = valueFor(prefs, key);
  if (auto* n = objc_cast<NSNumber>(v)) {
    return isRealNumber(*n) ? std::optional<float>(n->floatValue()) : std::nullopt;
  }
  if (auto* s = objc_cast<NSString>(v)) return s->floatValue();
  return std::nullopt;
}

// The Color setting; values that choose nothing fall back to the first table entry.
int32_t colorSetting() {
  int32_t k = intFor(NSSTR(kColor)).value_or(kColorDefault);
  if ((k >= 0 && k < kColorCount) || k == kRandomColor || k == kSameColorAsApp) return k;
  return kColorDefault;
}

// The table's entry when it is a colour, else none; a reference into the table.
constinit const id none;

const id& colorAt(uint64_t index) {
  if (!colors || index >= colors->count()) return none;
  const id& entry = colors->objectAtIndex(index);
  return objc_cast<UIColor>(entry.get()) ? entry : none;
}

// checkColor runs on every applied glow: the same colour again touches no reference count.
void setDaColor(const id& color) {
  if (daColor != color) daColor = std::static_pointer_cast<UIColor>(color);
}

}  // namespace

Strong<NSDictionary> readPrefsFile() {
  Strong<NSString> path = NSHomeDirectory()->stringByAppendingPathComponent(NSSTR(kFile));
  return NSDictionary::dictionaryWithContentsOfFile(path);
}

Strong<NSArray> whitelistFromPrefs(const Strong<NSDictionary>& dict) {
  if (auto list = dict ? dict->objectForKeyAs<NSArray>(NSSTR(kBadgeWhitelist)) : nullptr)
    return list;
  return NSArray::array();
}

Strong<NSArray> buildColorTable() {
  return NSArray::arrayWithObjects(
      {UIColor::yellowColor(), UIColor::darkGrayColor(), UIColor::lightGrayColor(),
       UIColor::grayColor(), UIColor::redColor(), UIColor::greenColor(), UIColor::blueColor(),
       UIColor::cyanColor(), UIColor::magentaColor(), UIColor::orangeColor(),
       UIColor::purpleColor(), UIColor::brownColor(), UIColor::blackColor(),
       UIColor::whiteColor()});
}

void reloadPrefs(CFNotificationCenterRef, void*, CFStringRef, const void*, CFDictionaryRef) {
  prefs = readPrefsFile();
  isEnabled = boolFor(NSSTR(kEnabled)).value_or(kEnabledDefault);
  isFolderEnabled = boolFor(NSSTR(kFoldersEnabled)).value_or(kFoldersEnabledDefault);
  showBadge = static_cast<ShowBadges>(intFor(NSSTR(kShowBadgesKey)).value_or(kShowBadgesDefault));
  badgeWhitelist = whitelistFromPrefs(prefs);
  customStrengthEnabled =
      boolFor(NSSTR(kCustomStrengthEnabled)).value_or(kCustomStrengthEnabledDefault);
  std::optional<float> strength = floatFor(NSSTR(kCustomStrength));
  customStrength =
      strength && std::isfinite(*strength) ? double(*strength) : kCustomStrengthDefault;
  checkColor();
}

void checkColor() {
  int32_t k = colorSetting();
  if (k == kSameColorAsApp) {
    sameAsApp = YES;
    return;
  }
  sameAsApp = NO;
  if (k == kRandomColor) {
    auto n = static_cast<uint32_t>(colors ? colors->count() : 0);
    uint32_t r;
    do {
      r = arc4random_uniform(n);
    } while (r == kNeverRandom);
    setDaColor(colorAt(r));
  } else {
    setDaColor(colorAt(static_cast<uint64_t>(k)));
  }
}
