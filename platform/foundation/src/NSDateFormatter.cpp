#include "Foundation/NSDateFormatter.h"

#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <array>
#include <cstdint>

#include "Foundation/NSDate.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTimeZone.h"
#include "detect/DateCalendar.h"
#include "detect/ScanContext.h"

OBJC_CLASS_IMPL(NSDateFormatter) {}

// ICU's formatter, out of the public header.
struct NSDateFormatter::Format {
  std::unique_ptr<icu::DateFormat> icu;
};

namespace {

icu::DateFormat::EStyle icuStyle(NSDateFormatterStyle style) {
  switch (style) {
    case NSDateFormatterNoStyle:
      return icu::DateFormat::kNone;
    case NSDateFormatterShortStyle:
      return icu::DateFormat::kShort;
    case NSDateFormatterMediumStyle:
      return icu::DateFormat::kMedium;
    case NSDateFormatterLongStyle:
      return icu::DateFormat::kLong;
    default:
      return icu::DateFormat::kFull;
  }
}

UDate toUDate(const NSDate& date) {
  return date.timeIntervalSince1970() * 1000.0;
}

Strong<NSString> toNSString(const icu::UnicodeString& s) {
  return NSString::stringWithCharacters(
      std::u16string_view(reinterpret_cast<const char16_t*>(s.getBuffer()), s.length()));
}

// None when there is nothing to write (no pattern and both styles NoStyle).
std::unique_ptr<icu::DateFormat> makeFormat(const std::string& locale, NSDateFormatterStyle date,
                                            NSDateFormatterStyle time, const std::string& pattern,
                                            const NSTimeZone& zone) {
  icu::Locale loc(locale.c_str());
  std::unique_ptr<icu::DateFormat> f;
  if (!pattern.empty()) {
    UErrorCode status = U_ZERO_ERROR;
    f = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), loc, status);
    if (U_FAILURE(status)) f.reset();
  } else if (date != NSDateFormatterNoStyle || time != NSDateFormatterNoStyle) {
    f.reset(icu::DateFormat::createDateTimeInstance(icuStyle(date), icuStyle(time), loc));
  }
  if (f) {
    f->adoptTimeZone(foundation::detect::icuTimeZone(zone).release());
    f->setLenient(false);
  }
  return f;
}

}  // namespace

NSDateFormatter::NSDateFormatter()
    : locale_(foundation::detect::currentLocaleIdentifier()), zone_(NSTimeZone::localTimeZone()) {}

NSDateFormatter::~NSDateFormatter() = default;

Strong<NSString> NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
    const Strong<NSDate>& date, NSDateFormatterStyle dateStyle, NSDateFormatterStyle timeStyle) {
  if (!date) return nullptr;
  if (dateStyle == NSDateFormatterNoStyle && timeStyle == NSDateFormatterNoStyle)
    return NSString::string();
  // Building an ICU format costs far more than using one: each thread keeps the last
  // few it built, keyed by everything that shapes them.
  struct Entry {
    std::string locale, zone;
    NSDateFormatterStyle date = 0, time = 0;
    std::unique_ptr<icu::DateFormat> format;
  };
  thread_local std::array<Entry, 4> cache;
  thread_local std::size_t next = 0;
  std::string locale = foundation::detect::currentLocaleIdentifier();
  Strong<NSTimeZone> zone = NSTimeZone::localTimeZone();
  std::string zoneKey = zone->description() + (zone->isFixedOffset() ? "/fixed" : "");
  icu::DateFormat* f = nullptr;
  for (Entry& e : cache) {
    if (e.format && e.date == dateStyle && e.time == timeStyle && e.locale == locale &&
        e.zone == zoneKey) {
      f = e.format.get();
      break;
    }
  }
  if (!f) {
    Entry& e = cache[next++ % cache.size()];
    e = Entry{locale, zoneKey, dateStyle, timeStyle,
              makeFormat(locale, dateStyle, timeStyle, std::string(), *zone)};
    f = e.format.get();
  }
  if (!f) return NSString::string();
  icu::UnicodeString out;
  f->format(toUDate(*date), out);
  return toNSString(out);
}

NSDateFormatterStyle NSDateFormatter::dateStyle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return dateStyle_;
}

NSDateFormatterStyle NSDateFormatter::timeStyle() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return timeStyle_;
}

void NSDateFormatter::setDateStyle(NSDateFormatterStyle style) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (style == dateStyle_ && pattern_.empty()) return;
  dateStyle_ = style;
  pattern_.clear();
  dropFormat();
}

void NSDateFormatter::setTimeStyle(NSDateFormatterStyle style) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (style == timeStyle_ && pattern_.empty()) return;
  timeStyle_ = style;
  pattern_.clear();
  dropFormat();
}

Strong<NSString> NSDateFormatter::dateFormat() const {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!pattern_.empty()) return NSString::stringWithUTF8String(pattern_);
  auto* simple = dynamic_cast<icu::SimpleDateFormat*>(format()->icu.get());
  if (!simple) return NSString::string();
  icu::UnicodeString p;
  simple->toPattern(p);
  return toNSString(p);
}

void NSDateFormatter::setDateFormat(const Strong<NSString>& format) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string p = format ? format->stdString() : std::string();
  if (p == pattern_) return;
  pattern_ = std::move(p);
  dropFormat();
}

std::string NSDateFormatter::localeIdentifier() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return locale_;
}

void NSDateFormatter::setLocaleIdentifier(const std::string& identifier) {
  std::lock_guard<std::mutex> lock(mutex_);
  std::string id = identifier.empty() ? foundation::detect::currentLocaleIdentifier() : identifier;
  if (id == locale_) return;
  locale_ = std::move(id);
  dropFormat();
}

Strong<NSTimeZone> NSDateFormatter::timeZone() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return zone_;
}

void NSDateFormatter::setTimeZone(const Strong<NSTimeZone>& zone) {
  std::lock_guard<std::mutex> lock(mutex_);
  Strong<NSTimeZone> z = zone ? zone : NSTimeZone::localTimeZone();
  if (z->isEqualToTimeZone(zone_)) return;
  zone_ = std::move(z);
  dropFormat();
}

Strong<NSString> NSDateFormatter::stringFromDate(const Strong<NSDate>& date) const {
  if (!date) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  icu::DateFormat* f = format()->icu.get();
  if (!f) return NSString::string();
  icu::UnicodeString out;
  f->format(toUDate(*date), out);
  return toNSString(out);
}

Strong<NSDate> NSDateFormatter::dateFromString(const Strong<NSString>& string) const {
  if (!string || string->length() > INT32_MAX) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  icu::DateFormat* f = format()->icu.get();
  if (!f) return nullptr;
  const std::u16string& units = string->characters();
  icu::UnicodeString text(false, reinterpret_cast<const UChar*>(units.data()),
                          static_cast<int32_t>(units.size()));
  icu::ParsePosition pos(0);
  UDate t = f->parse(text, pos);
  if (pos.getErrorIndex() >= 0 || pos.getIndex() != text.length()) return nullptr;
  return NSDate::dateWithTimeIntervalSince1970(t / 1000.0);
}

NSDateFormatter::Format* NSDateFormatter::format() const {
  if (!format_) {
    format_ = std::make_unique<Format>();
    format_->icu = makeFormat(locale_, dateStyle_, timeStyle_, pattern_, *zone_);
  }
  return format_.get();
}

void NSDateFormatter::dropFormat() {
  format_.reset();
}
