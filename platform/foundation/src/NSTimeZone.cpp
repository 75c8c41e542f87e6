#include "Foundation/NSTimeZone.h"

#include <unicode/locid.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <utility>

#include "Foundation/NSCoder.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSError.h"
#include "Foundation/NSString.h"
#include "objc/alloc.h"

// {"NS.name": the zone's name}; fixed zones are named "GMT+0100" and the like.
namespace {

void timeZoneEncode(NSObject* self, SEL, NSCoder* coder) {
  coder->encodeObjectForKey(static_cast<NSTimeZone*>(self)->name(), NSSTR("NS.name"));
}

id timeZoneInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  auto name = coder->decodeStringForKey(NSSTR("NS.name"));
  auto zone = name ? NSTimeZone::timeZoneWithName(name) : nullptr;
  if (!zone && !coder->error()) {
    coder->failWithError(NSError::errorWithCode(
        NSCoderReadCorruptError,
        "unknown time zone '" + (name ? name->stdString() : std::string()) + "'"));
  }
  return zone;
}

id makeTimeZone() {
  return std::make_shared<NSTimeZone>("GMT", 0, true);
}

}  // namespace

OBJC_CLASS_IMPL(NSTimeZone) {
  objc::registerAllocWith<&makeTimeZone>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&timeZoneEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&timeZoneInitWithCoder>());
}

namespace {
constexpr NSInteger kMaxOffset = 18 * 3600;

// Abbreviations people write after a time, each standing for the region that uses it,
// standard and daylight time alike ("PDT" and "PST" both name Los Angeles). Where one
// abbreviation names several regions, the North American or European reading wins.
constexpr std::pair<const char*, const char*> kAbbreviations[] = {
    {"EST", "America/New_York"},
    {"EDT", "America/New_York"},
    {"ET", "America/New_York"},
    {"CST", "America/Chicago"},
    {"CDT", "America/Chicago"},
    {"CT", "America/Chicago"},
    {"MST", "America/Denver"},
    {"MDT", "America/Denver"},
    {"MT", "America/Denver"},
    {"PST", "America/Los_Angeles"},
    {"PDT", "America/Los_Angeles"},
    {"PT", "America/Los_Angeles"},
    {"AKST", "America/Anchorage"},
    {"AKDT", "America/Anchorage"},
    {"HST", "Pacific/Honolulu"},
    {"AST", "America/Halifax"},
    {"ADT", "America/Halifax"},
    {"NST", "America/St_Johns"},
    {"NDT", "America/St_Johns"},
    {"BRT", "America/Sao_Paulo"},
    {"ART", "America/Argentina/Buenos_Aires"},
    {"BST", "Europe/London"},
    {"WET", "Europe/Lisbon"},
    {"WEST", "Europe/Lisbon"},
    {"CET", "Europe/Paris"},
    {"CEST", "Europe/Paris"},
    {"MEZ", "Europe/Berlin"},
    {"MESZ", "Europe/Berlin"},
    {"EET", "Europe/Athens"},
    {"EEST", "Europe/Athens"},
    {"MSK", "Europe/Moscow"},
    {"WAT", "Africa/Lagos"},
    {"CAT", "Africa/Maputo"},
    {"EAT", "Africa/Nairobi"},
    {"SAST", "Africa/Johannesburg"},
    {"GST", "Asia/Dubai"},
    {"PKT", "Asia/Karachi"},
    {"IST", "Asia/Kolkata"},
    {"ICT", "Asia/Bangkok"},
    {"WIB", "Asia/Jakarta"},
    {"SGT", "Asia/Singapore"},
    {"HKT", "Asia/Hong_Kong"},
    {"PHT", "Asia/Manila"},
    {"JST", "Asia/Tokyo"},
    {"KST", "Asia/Seoul"},
    {"AWST", "Australia/Perth"},
    {"ACST", "Australia/Adelaide"},
    {"ACDT", "Australia/Adelaide"},
    {"AEST", "Australia/Sydney"},
    {"AEDT", "Australia/Sydney"},
    {"NZST", "Pacific/Auckland"},
    {"NZDT", "Pacific/Auckland"},
};

std::unique_ptr<icu::TimeZone> icuZone(const std::string& name) {
  std::unique_ptr<icu::TimeZone> z(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(name)));
  if (!z || *z == icu::TimeZone::getUnknown()) return nullptr;
  return z;
}

std::string offsetName(NSInteger seconds) {
  if (seconds == 0) return "GMT";
  char buf[16];
  NSInteger a = seconds < 0 ? -seconds : seconds;
  std::snprintf(buf, sizeof buf, "GMT%c%02d%02d", seconds < 0 ? '-' : '+', int(a / 3600),
                int(a % 3600 / 60));
  return buf;
}
}  // namespace

Strong<NSTimeZone> NSTimeZone::timeZoneWithName(const std::string& name) {
  if (name.empty() || !icuZone(name)) return nullptr;
  return std::make_shared<NSTimeZone>(name, 0, false);
}

Strong<NSTimeZone> NSTimeZone::timeZoneWithName(const Strong<NSString>& name) {
  return name ? timeZoneWithName(name->stdString()) : nullptr;
}

Strong<NSTimeZone> NSTimeZone::timeZoneForSecondsFromGMT(NSInteger seconds) {
  if (seconds < -kMaxOffset || seconds > kMaxOffset) return nullptr;
  return std::make_shared<NSTimeZone>(offsetName(seconds), seconds, true);
}

Strong<NSTimeZone> NSTimeZone::timeZoneWithAbbreviation(const std::string& a) {
  if (a == "UTC" || a == "GMT") return timeZoneForSecondsFromGMT(0);
  for (const auto& [abbreviation, name] : kAbbreviations) {
    if (a == abbreviation) return timeZoneWithName(std::string(name));
  }
  return timeZoneWithName(a);
}

Strong<NSTimeZone> NSTimeZone::timeZoneWithAbbreviation(const Strong<NSString>& abbreviation) {
  return abbreviation ? timeZoneWithAbbreviation(abbreviation->stdString()) : nullptr;
}

Strong<NSDictionary> NSTimeZone::abbreviationDictionary() {
  auto d = NSMutableDictionary::dictionary();
  for (const auto& [abbreviation, name] : kAbbreviations) {
    d->setObjectForKey(NSString::stringWithUTF8String(name),
                       NSString::stringWithUTF8String(abbreviation));
  }
  d->setObjectForKey(NSString::stringWithUTF8String("GMT"), NSString::stringWithUTF8String("GMT"));
  d->setObjectForKey(NSString::stringWithUTF8String("UTC"), NSString::stringWithUTF8String("UTC"));
  return NSDictionary::dictionaryWithDictionary(d);
}

Strong<NSTimeZone> NSTimeZone::localTimeZone() {
  const char* tz = std::getenv("TZ");
  if (tz && *tz) {
    if (*tz == ':') ++tz;
    if (auto z = timeZoneWithName(std::string(tz))) return z;
  }
  // ICU's look at the host runs the C library's tzset(), which is not safe against
  // itself on several threads, so callers take turns here.
  static std::mutex hostLookup;
  std::unique_lock<std::mutex> hold(hostLookup);
  std::unique_ptr<icu::TimeZone> def(icu::TimeZone::detectHostTimeZone());
  hold.unlock();
  if (def && *def != icu::TimeZone::getUnknown()) {
    icu::UnicodeString id;
    def->getID(id);
    std::string name;
    id.toUTF8String(name);
    if (auto z = timeZoneWithName(name)) return z;
  }
  return timeZoneForSecondsFromGMT(0);
}

Strong<NSString> NSTimeZone::name() const {
  return NSString::stringWithUTF8String(name_);
}

NSInteger NSTimeZone::secondsFromGMTForDate(const Strong<NSDate>& date) const {
  if (fixed_) return fixedOffset_;
  auto z = icuZone(name_);
  if (!z) return 0;
  double ms = (date ? date->timeIntervalSince1970() : 0) * 1000.0;
  int32_t raw = 0, dst = 0;
  UErrorCode status = U_ZERO_ERROR;
  z->getOffset(ms, false, raw, dst, status);
  if (U_FAILURE(status)) return 0;
  return (raw + dst) / 1000;
}

NSInteger NSTimeZone::secondsFromGMT() const {
  return secondsFromGMTForDate(NSDate::date());
}

Strong<NSString> NSTimeZone::abbreviation() const {
  if (fixed_) return NSString::stringWithUTF8String(offsetName(fixedOffset_));
  auto z = icuZone(name_);
  if (!z) return nullptr;
  icu::UnicodeString s;
  UErrorCode status = U_ZERO_ERROR;
  int32_t raw = 0, dst = 0;
  z->getOffset(NSDate::date()->timeIntervalSince1970() * 1000.0, false, raw, dst, status);
  z->getDisplayName(dst != 0, icu::TimeZone::SHORT, icu::Locale::getUS(), s);
  std::string out;
  s.toUTF8String(out);
  return NSString::stringWithUTF8String(out);
}

BOOL NSTimeZone::isEqualToTimeZone(const Strong<NSTimeZone>& other) const {
  return other && isEqual(other.get());
}

BOOL NSTimeZone::isEqual(const NSObject* other) const {
  auto* o = objc_cast<NSTimeZone>(other);
  return o && o->name_ == name_ && o->fixed_ == fixed_ && o->fixedOffset_ == fixedOffset_;
}

std::size_t NSTimeZone::hash() const {
  return std::hash<std::string>()(name_);
}
