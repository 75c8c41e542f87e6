#include "DateCalendar.h"

#include <unicode/gregocal.h>
#include <unicode/simpletz.h>
#include <unicode/timezone.h>

#include <algorithm>
#include <chrono>
#include <cmath>

#include "Foundation/NSDate.h"

namespace foundation::detect {

namespace {
constexpr double kMillis = 1000.0;
// About 6,000 years either side of 2001: relative dates stay within years 1 to 9999.
constexpr double kMaxReference = 2e11;

UDate toUDate(NSTimeInterval t) {
  return (t + NSTimeIntervalSince1970) * kMillis;
}
}  // namespace

namespace {
std::chrono::year_month_day civil(CivilDay day) {
  return std::chrono::year{day.year} / std::chrono::month{static_cast<unsigned>(day.month)} /
         std::chrono::day{static_cast<unsigned>(day.day)};
}
}  // namespace

bool isValidDay(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > 31) return false;
  return civil({year, month, day}).ok();
}

int64_t dayNumber(CivilDay day) {
  return std::chrono::sys_days(civil(day)).time_since_epoch().count();
}

int weekdayOf(CivilDay day) {
  return static_cast<int>(std::chrono::weekday(std::chrono::sys_days(civil(day))).c_encoding()) + 1;
}

std::unique_ptr<icu::TimeZone> icuTimeZone(const NSTimeZone& zone) {
  if (zone.isFixedOffset()) {
    auto offset = static_cast<int32_t>(zone.secondsFromGMT() * 1000);
    return std::make_unique<icu::SimpleTimeZone>(offset,
                                                 icu::UnicodeString::fromUTF8(zone.stdName()));
  }
  std::unique_ptr<icu::TimeZone> z(
      icu::TimeZone::createTimeZone(icu::UnicodeString::fromUTF8(zone.stdName())));
  if (!z) z.reset(icu::TimeZone::getGMT()->clone());
  return z;
}

DateCalendar::DateCalendar(NSTimeInterval reference, const NSTimeZone* local)
    : reference_(std::isfinite(reference) ? std::clamp(reference, -kMaxReference, kMaxReference)
                                          : 0) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::TimeZone> zone =
      local ? icuTimeZone(*local)
            : std::unique_ptr<icu::TimeZone>(icu::TimeZone::getGMT()->clone());
  calendar_ = std::make_unique<icu::GregorianCalendar>(zone.release(), status);
  // Proleptic Gregorian throughout, as NSDate's description counts.
  static_cast<icu::GregorianCalendar*>(calendar_.get())->setGregorianChange(-8.64e15, status);
  calendar_->setTime(toUDate(reference_), status);
  today_ = day();
  weekday_ = calendar_->get(UCAL_DAY_OF_WEEK, status);
}

DateCalendar::~DateCalendar() = default;

void DateCalendar::set(CivilDay day, int hour, int minute, int second) {
  calendar_->clear();
  calendar_->set(UCAL_EXTENDED_YEAR, day.year);
  calendar_->set(UCAL_MONTH, day.month - 1);
  calendar_->set(UCAL_DATE, day.day);
  calendar_->set(UCAL_HOUR_OF_DAY, hour);
  calendar_->set(UCAL_MINUTE, minute);
  calendar_->set(UCAL_SECOND, second);
}

CivilDay DateCalendar::day() {
  UErrorCode status = U_ZERO_ERROR;
  return {calendar_->get(UCAL_EXTENDED_YEAR, status), calendar_->get(UCAL_MONTH, status) + 1,
          calendar_->get(UCAL_DATE, status)};
}

CivilDay DateCalendar::addDays(CivilDay day, int days) {
  UErrorCode status = U_ZERO_ERROR;
  set(day, 12, 0, 0);
  calendar_->add(UCAL_DATE, days, status);
  return this->day();
}

CivilDay DateCalendar::addMonths(CivilDay day, int months) {
  UErrorCode status = U_ZERO_ERROR;
  set(day, 12, 0, 0);
  calendar_->add(UCAL_MONTH, months, status);  // January 31 + 1 gives the last of February
  return this->day();
}

NSTimeInterval DateCalendar::instant(CivilDay day, int hour, int minute, int second,
                                     const NSTimeZone* zone) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::TimeZone> saved;
  if (zone) {
    saved.reset(calendar_->getTimeZone().clone());
    calendar_->adoptTimeZone(icuTimeZone(*zone).release());
  }
  set(day, hour, minute, second);
  UDate t = calendar_->getTime(status);
  if (saved) calendar_->adoptTimeZone(saved.release());
  if (U_FAILURE(status)) return reference_;
  return t / kMillis - NSTimeIntervalSince1970;
}

}  // namespace foundation::detect
