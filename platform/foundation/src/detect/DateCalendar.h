// Calendar arithmetic for the date scanner: the Gregorian calendar of ICU in the scan's
// local zone, set to its reference date.
#pragma once

#include <cstdint>
#include <memory>

#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSTimeZone.h"

#include <unicode/calendar.h>
#include <unicode/timezone.h>

namespace foundation::detect {

struct CivilDay {
  int year = 0, month = 0, day = 0;  // month 1 to 12
};

// Whether the day exists in the proleptic Gregorian calendar, years 1 to 9999.
bool isValidDay(int year, int month, int day);
// Days since 1970-01-01 of a valid day, for distances between days.
int64_t dayNumber(CivilDay day);
// 1 (Sunday) to 7 (Saturday), as ICU counts.
int weekdayOf(CivilDay day);

// ICU's zone for one of ours (a fixed offset or an IANA name); never null (GMT when
// the name is unknown).
std::unique_ptr<icu::TimeZone> icuTimeZone(const NSTimeZone& zone);

class DateCalendar {
 public:
  // A reference that is not finite counts as 2001-01-01; one beyond some 6,000 years of
  // 2001 is clamped to that.
  DateCalendar(NSTimeInterval reference, const NSTimeZone* local);
  ~DateCalendar();
  DateCalendar(const DateCalendar&) = delete;
  DateCalendar& operator=(const DateCalendar&) = delete;

  NSTimeInterval reference() const { return reference_; }
  CivilDay today() const { return today_; }
  int weekdayToday() const { return weekday_; }  // 1 Sunday to 7 Saturday

  CivilDay addDays(CivilDay day, int days);
  CivilDay addMonths(CivilDay day, int months);
  // Seconds since 2001 of the wall time in the local zone, or in `zone` when given.
  NSTimeInterval instant(CivilDay day, int hour, int minute, int second,
                         const NSTimeZone* zone = nullptr);

 private:
  void set(CivilDay day, int hour, int minute, int second);
  CivilDay day();

  NSTimeInterval reference_;
  std::unique_ptr<icu::Calendar> calendar_;
  CivilDay today_;
  int weekday_ = 1;
};

}  // namespace foundation::detect
