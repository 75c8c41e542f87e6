#include "DateScanner.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "DateCalendar.h"
#include "DateCjkScanner.h"
#include "DateLexicon.h"
#include "DateTokenizer.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTimeZone.h"

// The scanner tries its forms at each token that can begin a date and looks ahead a
// bounded number of tokens; a match moves the scan past it, a miss moves it one token.
// No form looks back more than two tokens, so a scan is linear in the text.
//
// Choices where prose leaves the moment open, all counted in the local zone:
//  - a day without a time is that day at noon; "tonight" is today at 20:00, and a part
//    of the day after a day stands for one hour of it ("tomorrow morning" at 9:00,
//    afternoon 15:00, evening 19:00, night 21:00);
//  - a time without a day is on the reference day;
//  - a weekday alone is the next such day, today included; "next Friday" is 1 to 7
//    days ahead, "last Friday" 1 to 7 days back;
//  - a day and month without a year take the year that puts them nearest the reference;
//  - two-digit years fall within 80 years before and 20 after the reference;
//  - "12/09/2026" reads month first where the locale's short pattern does, day first
//    elsewhere, and the other way round when only that order is a valid date;
//  - a lone hour after "at" and a date ("Friday at 5") is read as 24-hour time, except
//    1 to 7, read as the afternoon;
//  - a range's duration is its end less its start: "from 3 to 5pm" is 7200 s, a range
//    of days ("Dec 9-11") runs from noon of the first to noon of the last;
//  - a named zone ("3pm PST") gives the wall time in the zone the abbreviation stands
//    for, daylight saving included, and that zone as the result's time zone.
//  - a month without a day ("March 2012", "next March", "in December") is its first
//    day; "end of March" its last, "middle of" its fifteenth;
//  - an amount counts from the reference moment: "in 2 hours" and "half an hour ago" are
//    moments, "in 3 days" and "2 weeks ago" days; "a few" is 3, "a couple" 2;
//  - "last night" is yesterday at 21:00; "this weekend" its Saturday;
//  - a time after a part of the day takes its half ("tomorrow morning at 9" is 9:00,
//    "this afternoon at 3" 15:00, "11 at night" 23:00);
//  - the range covers "at" before a time in figures and "on" before a weekday or a day
//    number, as people read them with the time ("at 5pm", "on Monday"), but not "at"
//    before "noon"; a lone hour after "at" is a time only where the clause ends or a
//    part of the day follows ("at 7.", not "at 7 Main Street");
//  - a date keeps to its line, and dotted numbers are versions unless written as dates
//    ("03.04.2027" is a date, "1.1.30" and "2024.1.2" are not);
//  - "9.45" is a time only after "at", before a day or a part of the day, with "am" or
//    "pm", or with an offset against it ("23.00+02"); otherwise it is a price or a version;
//  - "midnight" without a day is the coming one; with a day ("Friday at midnight") it is
//    that day's start;
//  - an amount of several parts adds them ("1d 3h 10m"); a part finer than a day makes
//    the result a moment, the reference's wall time on the day moved to;
//  - a quarter is three months ("next quarter"); "Q3 2024" is the quarter's first day;
//  - "next weekday" is the first Monday-to-Friday day after the reference day;
//  - in English, a spoken time ("half past 3", "quarter to five") takes its hour as a lone
//    hour after "at" does, 1 to 7 the afternoon; "12/25" alone is a date only with a day
//    past 12 at the end of a clause, or before a time ("3/4 at 2pm"), so that fractions
//    and ratings stay numbers; two lone hours are a range after a day ("today from 3 to
//    5") or as a working day's ("from 9 to 5"); "Wednesday the 16th" is the nearest 16th
//    that is a Wednesday.

namespace foundation::detect {

namespace {

constexpr int kNoon = 12;
constexpr double kSecondsPerDay = 86400;

struct Time {
  int hour = 0, minute = 0, second = 0;
  double fraction = 0;    // of the second: "10:20:30.123"
  uint8_t meridiem = 0;   // as written: 0 none, 1 before noon, 2 after
  bool bare = false;      // a lone hour, a time only as one end of a range
  bool dotted = false;    // "9.45": a time only after "at", never one end of a range
  bool midnight = false;  // the word: without a day, the coming midnight
  bool spoken = false;    // "half past 3": its hour read as a lone one's
  Strong<NSTimeZone> zone;
  std::size_t end = 0;

  int seconds() const { return (hour * 60 + minute) * 60 + second; }
};

struct Match {
  std::size_t end = 0;  // one past the last token
  bool hasDay = false;
  bool weakDay = false;   // "Fri" alone: a date only beside a time
  bool yearless = false;  // a day and month whose year was taken as the nearest
  uint8_t weekday = 0;    // a weekday alone, 1 (Sunday) to 7
  CivilDay day;
  int defaultHour = kNoon;
  bool hasTime = false;
  Time time;
  double duration = 0;
  std::optional<NSTimeInterval> instant;  // "in 2 hours": a moment, not a wall time
};

// An amount of time as the calendar moves by it: "1d 3h 10m" is a day and 11,400 s.
struct Span {
  int months = 0, days = 0;
  double seconds = 0;
  bool timed = false;  // a part finer than a day: the result is a moment
  uint64_t units = 0;

  // Adds n of a unit; false for parts the calendar cannot take ("1.5 months").
  bool add(double n, uint64_t unit) {
    constexpr double kMaxCount = 100000;
    if (std::fabs(n) > kMaxCount) return false;
    units |= unit;
    if (unit & (kRoleUnitSecond | kRoleUnitMinute | kRoleUnitHour)) {
      seconds += n * ((unit & kRoleUnitHour) ? 3600 : (unit & kRoleUnitMinute) ? 60 : 1);
      timed = true;
    } else if (unit & (kRoleUnitDay | kRoleUnitWeek)) {
      double d = (unit & kRoleUnitWeek) ? 7 * n : n;
      if (d == std::floor(d)) {
        days += static_cast<int>(d);
      } else {
        seconds += d * kSecondsPerDay;  // "1.5 days ago": 36 hours back
        timed = true;
      }
    } else {
      double mo = n * ((unit & kRoleUnitYear) ? 12 : (unit & kRoleUnitQuarter) ? 3 : 1);
      if (mo != std::floor(mo)) return false;
      months += static_cast<int>(mo);
    }
    return true;
  }
};

// Units from the finest: a later part of "1d 3h 10m" is finer than the one before.
int unitRank(uint64_t unit) {
  constexpr uint64_t kOrder[] = {kRoleUnitSecond, kRoleUnitMinute, kRoleUnitHour,    kRoleUnitDay,
                                 kRoleUnitWeek,   kRoleUnitMonth,  kRoleUnitQuarter, kRoleUnitYear};
  for (int r = 0; r < 8; ++r)
    if (unit & kOrder[r]) return r;
  return 8;
}

int to24(int hour, uint8_t meridiem) {
  if (meridiem == 1) return hour == 12 ? 0 : hour;
  if (meridiem == 2) return hour == 12 ? 12 : hour + 12;
  return hour;
}

class Parser {
 public:
  Parser(std::u16string_view text, const std::vector<Token>& toks, const DateLexicon& lex,
         const ScanContext& context)
      : text_(text), toks_(toks), lex_(lex), context_(context), words_(toks.size(), nullptr) {
    for (std::size_t i = 0; i < toks.size(); ++i) {
      if (toks[i].kind != TokenKind::Word) continue;
      WordKey k = foldedKey(text, toks[i]);
      if (k.size) words_[i] = lex.find(k.view());
    }
  }

  void scan(NSUInteger base, std::vector<Strong<NSTextCheckingResult>>& out) {
    std::size_t i = 0;
    while (i < toks_.size()) {
      if (i >= lineEnd_) {
        // A date keeps to its line: every look-ahead stops at the next line break.
        lineEnd_ = i + 1;
        while (lineEnd_ < toks_.size() && !toks_[lineEnd_].newlineBefore) ++lineEnd_;
      }
      Match m;
      if (canStart(i) && parseDateTime(i, m) && cleanEnd(m.end)) {
        out.push_back(result(i, m, base));
        i = m.end;
      } else {
        ++i;
      }
    }
  }

 private:
  // Token access; every index past the end reads as nothing.
  bool has(std::size_t i) const { return i < lineEnd_; }
  const DateWord* word(std::size_t i) const { return has(i) ? words_[i] : nullptr; }
  uint64_t roles(std::size_t i) const { return word(i) ? word(i)->roles : 0; }
  bool adjacent(std::size_t i) const { return has(i) && !toks_[i].spaceBefore; }
  bool isMark(std::size_t i, char16_t c) const {
    return has(i) && toks_[i].kind == TokenKind::Mark && toks_[i].value == c;
  }
  bool isDash(std::size_t i) const {
    return isMark(i, u'-') || isMark(i, u'\u2013') || isMark(i, u'\u2014');
  }
  // A number of at most `digits` digits.
  bool isNumber(std::size_t i, uint32_t digits) const {
    return has(i) && toks_[i].kind == TokenKind::Number && toks_[i].length() <= digits;
  }
  bool isNumberOfLength(std::size_t i, uint32_t digits) const {
    return has(i) && toks_[i].kind == TokenKind::Number && toks_[i].length() == digits;
  }
  uint32_t value(std::size_t i) const { return toks_[i].value; }
  bool isWord(std::size_t i, char16_t lower) const {
    if (!has(i) || toks_[i].kind != TokenKind::Word || toks_[i].length() != 1) return false;
    char16_t c = text_[toks_[i].start];
    return c == lower || c == lower - 32;
  }

  DateCalendar& calendar() {
    if (!calendar_) calendar_.emplace(context_.referenceDate, context_.timeZone.get());
    return *calendar_;
  }

  // A date may not begin inside a word, a number or a run like "1.2.3".
  bool canStart(std::size_t i) const {
    const Token& t = toks_[i];
    if (t.kind == TokenKind::Mark) return isSign(i) && (i == 0 || t.spaceBefore);
    if (t.kind == TokenKind::Word &&
        !(words_[i] && (words_[i]->startsDate() || (words_[i]->roles & (kRoleOn | kRoleJoiner)))))
      return false;
    if (i == 0 || t.spaceBefore) return true;
    const Token& before = toks_[i - 1];
    if (before.kind != TokenKind::Mark) return false;
    if (i >= 2 && !before.spaceBefore && toks_[i - 2].kind == TokenKind::Number) {
      char16_t c = static_cast<char16_t>(before.value);
      if (c == u'.' || c == u'/' || c == u'-' || c == u':' || c == u',') return false;
    }
    return true;
  }

  // Nor end inside one: "12/09/2026abc", "10:30:45:10", "1.2.2026.5".
  bool cleanEnd(std::size_t end) const {
    if (!adjacent(end)) return true;
    const Token& t = toks_[end];
    if (t.kind != TokenKind::Mark) return false;
    char16_t c = static_cast<char16_t>(t.value);
    bool joins = c == u'.' || c == u'/' || c == u'-' || c == u':';
    return !(joins && adjacent(end + 1) && toks_[end + 1].kind == TokenKind::Number);
  }

  // Dates and times, alone or together, and time ranges.

  bool parseDateTime(std::size_t i, Match& m) {
    uint64_t r = roles(i);
    if (r & (kRoleOn | kRoleJoiner)) {
      // "on Monday" keeps its "on", "at 5pm" its "at". A lone hour after "at" is a time
      // when the clause ends there or a part of the day follows ("at 7.", "at 5 in the
      // morning"), not in "at 7 Main Street".
      // English "on", and the words a language's data keeps as it ("am 3. März"); others
      // read better without theirs ("le 9 décembre").
      bool on = (r & kRoleOn) &&
                (foldedKey(text_, toks_[i]).view() == u"on" || (word(i)->intl & kIntlKeep));
      if (on && word(i + 1) && word(i + 1)->weekday) return parseDateTime(i + 1, m);
      // A language's "on" before a unit, a direction or an edge stays in the range.
      bool article = (r & kRoleOn) && foldedKey(text_, toks_[i]).view() != u"on";
      if (article && word(i + 1) &&
          (word(i + 1)->intl & (kIntlStarts | kIntlEdge) || word(i + 1)->month ||
           roles(i + 1) & (kRoleNext | kRoleLast | kRoleThis))) {
        // "la semaine prochaine", "в следующий понедельник", "le mois prochain", "в конце марта"
        if (parseDateTime(i + 1, m)) return true;
        m = Match();
      }
      if (on && isDayNumber(i + 1)) {  // "on 3 January", "on 3rd of May"
        std::size_t k = i + 2;
        if (((roles(k) & kRoleOrdinal) || isMark(k, u'.')) && adjacent(k)) ++k;  // "am 3. März"
        if (roles(k) & kRoleOf) ++k;
        if (word(k) && word(k)->month) return parseDateTime(i + 1, m);
      }
      if ((r & kRoleJoiner) && (r & kRoleRangeFrom)) {  // "dalle 10 alle 12"
        if (parseTimeRange(i + 1, false, m)) {
          trailingDate(m);
          return true;
        }
        m = Match();
      }
      Time t;
      std::size_t after;
      if ((r & kRoleJoiner) && !isNumber(i + 1, 2) && english_ && spokenTime(i + 1, t) &&
          parseTimeOrRange(i + 1, m, true)) {  // "at half past seven"
        trailingDate(m);
        return true;
      }
      // A lone hour after a number is one end of a score or of pages ("3 à 1", "12 a 15").
      bool afterNumber = i > 0 && !toks_[i].newlineBefore && toks_[i - 1].kind == TokenKind::Number;
      if ((r & kRoleJoiner) && isNumber(i + 1, 2) && parseTime(i + 1, t) &&
          ((!t.bare && !t.dotted) ||
           (t.dotted && (quietAfter(t.end) || dayPartSuffix(t.end, after))) ||
           (!afterNumber && t.hour >= 1 && t.hour <= 12 &&
            (quietAfter(t.end) || dayPartSuffix(t.end, after))) ||
           (!afterNumber && t.bare && t.hour > 12 && quietAfter(t.end))) &&  // "alle 14"
          parseTimeOrRange(i + 1, m, true)) {
        trailingDate(m);
        return true;
      }
      if (!(r & (kRoleRangeFrom | kRoleBetween)) && !word(i)->startsDate()) return false;
    }
    if (isDayNumber(i) && dayNumberRange(i, m)) return true;
    if (r & (kRoleRangeFrom | kRoleBetween)) {
      if (parseTimeRange(i + 1, r & kRoleBetween, m, LoneHours::WorkingDay)) {
        trailingDate(m);
        return true;
      }
      // "from Monday to Friday", "from Dec 9 to Dec 12"
      m = Match();
      return (r & kRoleRangeFrom) && parseDate(i + 1, m) && !m.weakDay && dayRange(m);
    }
    if (parseDate(i, m)) {
      if (m.hasTime) return true;  // "2026-12-09T10:00Z", "in 2 hours"
      if (const DateWord* part = word(m.end);
          part && part->dayPartHour && part->dayOffset == kNoDayOffset) {  // "Friday evening"
        m.defaultHour = part->dayPartHour;
        ++m.end;
      } else if (const DateWord* later = word(m.end + 1);
                 (roles(m.end) & (kRoleJoiner | kRoleOf)) && !isNumber(m.end + 1, 9) && later &&
                 later->dayPartHour && later->dayOffset == kNoDayOffset) {
        m.defaultHour = later->dayPartHour;  // "amanhã à noite", "mañana por la noche"
        m.end += 2;
      }
      // "tomorrow morning at 9" is 9 in the morning, "this afternoon at 3" at 15:00.
      uint8_t hint = m.defaultHour == kNoon ? 0 : m.defaultHour < kNoon ? 1 : 2;
      std::size_t k = m.end;
      bool joined = false;
      if (isMark(k, u',') || (m.weekday && isMark(k, u'.') && adjacent(k))) ++k;  // "Sat. 4pm"
      if ((roles(k) & kRoleJoiner) || isMark(k, u'@')) {
        ++k;
        joined = true;
      } else if (isDash(k) && k == m.end) {
        ++k;  // "Dec 12 - 10am"; a lone hour after it is a day ("Dec 9-11")
      }
      Match t;
      uint64_t rk = roles(k);
      bool timed = (rk & (kRoleRangeFrom | kRoleBetween))
                       ? parseTimeRange(k + 1, rk & kRoleBetween, t, LoneHours::AfterDay)
                       : parseTimeOrRange(k, t, joined, hint);
      if (timed) {
        m.end = t.end;
        m.hasTime = true;
        m.time = t.time;
        m.duration = t.duration;
        trailingYear(m);
      } else if (dayRange(m)) {
        m.weakDay = false;  // "Mon-Fri"
      }
      return !m.weakDay || m.hasTime;
    }
    if (parseTimeOrRange(i, m, false)) {
      trailingDate(m);
      return true;
    }
    // "7.30 tonight", "9.45 tomorrow": a dotted time made one by the day after it.
    if (Time t; parseTime(i, t) && t.dotted && word(t.end) && word(t.end)->startsDate() &&
                parseTimeOrRange(i, m, true)) {
      trailingDate(m);
      if (m.hasDay) return true;
      m = Match();
    }
    return false;
  }

  // Days from m's to a later one: "December 9-11, 2026", "Dec 9 – Dec 12",
  // "Monday to Friday". The duration runs from noon to noon.
  bool dayRange(Match& m) {
    std::size_t k = m.end;
    if (!isDash(k) && !(roles(k) & kRoleRangeTo)) return false;
    if (m.weakDay && !(word(k + 1) && word(k + 1)->weekday)) return false;
    CivilDay start = m.day, end;
    std::size_t after;
    Time asTime;
    Match other;
    if (parseDate(k + 1, other) && (!other.weakDay || m.weekday) && !other.instant) {
      end = other.day;
      after = other.end;
      if (other.weekday) {  // "Monday to Friday": the first Friday from Monday on
        end = calendar().addDays(start, (other.weekday - weekdayOf(start) + 7) % 7);
      }
    } else if (isDayNumber(k + 1) && parseTime(k + 1, asTime) && asTime.bare) {
      end = {start.year, start.month, static_cast<int>(value(k + 1))};
      after = k + 2;
      if ((roles(after) & kRoleOrdinal) && adjacent(after)) ++after;
      int y = 0;
      after = year(after, y);
      if (y) start.year = end.year = y;
    } else {
      return false;
    }
    if (!isValidDay(start.year, start.month, start.day) ||
        !isValidDay(end.year, end.month, end.day))
      return false;
    double length = calendar().instant(end, kNoon, 0, 0) - calendar().instant(start, kNoon, 0, 0);
    if (length <= 0) return false;
    m.day = start;
    m.duration = length;
    m.end = after;
    return true;
  }

  // "Tue Mar 12 08:15:30 2019", "Mar 12 08:15:30 UTC 2019": the year after the time, as
  // C's clock and Unix's date print it.
  void trailingYear(Match& m) {
    std::size_t k = m.end;
    if (!m.yearless || adjacent(k) || !isNumberOfLength(k, 4) || value(k) < 1000 ||
        (has(k + 1) && toks_[k + 1].kind == TokenKind::Number) ||
        !isValidDay(static_cast<int>(value(k)), m.day.month, m.day.day))
      return;
    m.day.year = static_cast<int>(value(k));
    m.end = k + 1;
  }

  // "5pm tomorrow", "3pm on Friday", "10:00, 12/09/2026".
  void trailingDate(Match& m) {
    std::size_t k = m.end;
    if (isMark(k, u',')) ++k;
    if (roles(k) & kRoleOn) ++k;
    Match d;
    if (!parseDate(k, d)) return;
    if (const DateWord* part = word(d.end);
        part && part->dayPartHour && part->dayOffset == kNoDayOffset && !d.instant) {
      d.defaultHour = part->dayPartHour;  // "at 8 tomorrow morning"
      ++d.end;
    }
    m.end = d.end;
    m.hasDay = true;
    m.day = d.day;
    // "at 8 tonight", "at 8.00 tonight": the evening's 8.
    if (m.hasTime && !m.time.meridiem && m.time.hour >= 1 && m.time.hour < kNoon &&
        d.defaultHour > kNoon && !m.duration)
      m.time.hour += kNoon;
  }

  bool parseTimeOrRange(std::size_t i, Match& m, bool afterJoiner, uint8_t hint = 0) {
    Time start;
    if (!parseTime(i, start)) return false;
    if (start.hour >= 1 && start.hour <= 12 && !start.meridiem) {
      std::size_t after;
      if (uint8_t part = dayPartSuffix(start.end, after)) {  // "11 at night"
        start.hour = to24(start.hour, part);
        start.meridiem = part;
        start.bare = start.dotted = start.spoken = false;
        start.end = after;
      }
    }
    if (start.dotted && !afterJoiner) return false;
    std::size_t k = start.end;
    if (isDash(k) || (roles(k) & kRoleRangeTo)) {
      Time end;
      if (parseTime(k + 1, end) && range(start, end, m)) return true;
    }
    if (start.bare || start.dotted || start.spoken) {
      if (!start.spoken && (!afterJoiner || (start.bare && start.hour == 0))) return false;
      if (hint && start.hour <= 12) {
        start.hour = to24(start.hour, hint);
      } else if (start.hour <= 7 && (start.bare || start.spoken)) {
        start.hour += 12;
      }
    } else if (hint == 2 && !start.meridiem && start.hour >= 1 && start.hour < 12) {
      start.hour += 12;  // "this evening at 8:00", "vanavond om 8 uur"
    }
    m.hasTime = true;
    m.time = start;
    m.end = start.end;
    return true;
  }

  // After "from" or "between": "from 3 to 5pm", "between 2 and 4pm". Two lone hours make
  // a range after a day ("today from 3 to 5"), and alone as the hours of a working day
  // ("from 9 to 5"), where the clause ends after them.
  enum class LoneHours { No, AfterDay, WorkingDay };
  bool parseTimeRange(std::size_t i, bool between, Match& m, LoneHours lone = LoneHours::No) {
    Time start, end;
    if (!parseTime(i, start)) return false;
    std::size_t k = start.end;
    bool connector =
        between ? (roles(k) & kRoleAnd) != 0 : isDash(k) || (roles(k) & kRoleRangeTo) != 0;
    if (!connector || !parseTime(k + 1, end)) return false;
    if (start.bare && end.bare && english_ && lone != LoneHours::No && quietAfter(end.end) &&
        start.hour >= 1 && start.hour <= 12 && end.hour >= 1 && end.hour <= 12 &&
        !(lone == LoneHours::WorkingDay && (start.hour < 7 || start.hour > 11 || end.hour > 7))) {
      // The afternoon's 1 to 7, as a lone hour after "at"; the end after the start.
      if (start.hour <= 7) start.hour += 12;
      if (end.hour <= start.hour && end.hour < 12) end.hour += 12;
      start.bare = end.bare = false;
    }
    // Two lone hours after a "from" that is an "at" as well ("dalle 10 alle 12", "с 10 до
    // 12"), and that end the clause: hours as written, not pages or days of a month.
    const DateWord* after = word(end.end);
    bool hours = i > 0 && (roles(i - 1) & kRoleJoiner) && start.bare && end.bare &&
                 quietAfter(end.end) && !(after && (after->month || (after->roles & kRoleOf)));
    return range(start, end, m, hours);
  }

  // Gives a lone hour at one end the other end's half of the day.
  bool range(Time start, Time end, Match& m, bool hours = false) {
    if ((start.bare && end.bare && !hours) || start.dotted || end.dotted) return false;
    if (hours) start.bare = end.bare = false;
    if (start.bare) {
      int h = to24(start.hour, end.meridiem);
      int endSeconds = end.seconds();
      start.hour = h;
      if (end.meridiem && start.seconds() > endSeconds && start.hour >= 12) start.hour -= 12;
    } else if (end.bare) {
      end.hour = to24(end.hour, start.meridiem);
      if (start.meridiem && end.seconds() <= start.seconds() && end.hour < 12) end.hour += 12;
    }
    if (start.hour > 23 || end.hour > 23) return false;
    double length = end.seconds() - start.seconds();
    if (length <= 0) length += kSecondsPerDay;  // "10pm to 2am"
    m.hasTime = true;
    m.time = start;
    m.time.zone = end.zone ? end.zone : start.zone;
    m.duration = length;
    m.end = end.end;
    return true;
  }

  // One time of day, or a lone hour marked bare.
  bool parseTime(std::size_t i, Time& t) {
    uint64_t r = roles(i);
    if (r & (kRoleNoon | kRoleMidnight)) {
      t.hour = (r & kRoleNoon) ? kNoon : 0;
      t.midnight = (r & kRoleMidnight) != 0;
      t.end = zone(i + 1, t.zone);  // "noon PST"
      return true;
    }
    if (english_ && spokenTime(i, t)) return true;
    if (!isNumber(i, 2) || value(i) > 24) return false;
    t.hour = static_cast<int>(value(i));
    std::size_t k = i + 1;
    bool clock = false;  // written with minutes, or marked as a time of day
    if (isMark(k, u':') && adjacent(k) && adjacent(k + 1) && isNumberOfLength(k + 1, 2)) {
      if (value(k + 1) > 59) return false;
      t.minute = static_cast<int>(value(k + 1));
      k += 2;
      if (isMark(k, u':') && adjacent(k) && adjacent(k + 1) && isNumberOfLength(k + 1, 2)) {
        if (value(k + 1) > 59) return false;
        t.second = static_cast<int>(value(k + 1));
        k += 2;
        if ((isMark(k, u'.') || isMark(k, u',')) && adjacent(k) && adjacent(k + 1) &&
            isNumber(k + 1, 9)) {
          t.fraction = value(k + 1) / std::pow(10.0, toks_[k + 1].length());
          k += 2;
        }
      }
      clock = true;
    } else if ((roles(k) & kRoleHourMark) && adjacent(k)) {  // "17h", "17h30"
      ++k;
      if (adjacent(k) && isNumberOfLength(k, 2) && value(k) <= 59) {
        t.minute = static_cast<int>(value(k));
        ++k;
      }
      clock = true;
    } else if (isMark(k, u'.') && adjacent(k) && adjacent(k + 1) && isNumberOfLength(k + 1, 2) &&
               value(k + 1) <= 59 && !(isMark(k + 2, u'.') && adjacent(k + 2))) {
      // "3.30pm", "23.00+02"; "9.45" alone may be a price, and is a time only where the
      // caller's context makes it one.
      t.minute = static_cast<int>(value(k + 1));
      k += 2;
      if (!meridiem(k, t.meridiem)) {
        // An offset ("23.00+02") or a clock word ("15.30 Uhr") makes it a time as written.
        bool marked =
            (isMark(k, u'+') && adjacent(k) && toks_[i].length() == 2) || (roles(k) & kRoleOClock);
        t.dotted = !marked;
        clock = true;
      }
    }
    std::size_t afterMeridiem = k;
    if (meridiem(k, afterMeridiem, t.meridiem)) {
      if (t.hour < 1 || t.hour > 12 || t.minute > 59) return false;
      t.hour = to24(t.hour, t.meridiem);
      k = afterMeridiem;
      clock = true;
    }
    if (roles(k) & kRoleOClock) {
      ++k;
      clock = true;
      // "15 Uhr 30", "15 heures 30": the minutes after the word, not a count of something.
      if (!t.minute && k == i + 2 && isNumberOfLength(k, 2) && value(k) <= 59 && !adjacent(k + 1) &&
          !(roles(k + 1) & kRoleUnits) && !(has(k + 1) && toks_[k + 1].kind == TokenKind::Number)) {
        t.minute = static_cast<int>(value(k));
        ++k;
      }
    }
    if (t.hour > 23) return false;
    t.bare = !clock;
    if (clock) k = zone(k, t.zone);
    if (t.dotted && t.zone) t.dotted = false;  // "23.00+02"
    t.end = k;
    return true;
  }

  // "half past 3", "a quarter to five", "ten past four", "20 past 9", "twenty-five minutes
  // to six": minutes past or to an hour of 1 to 12, as the clause ends or a meridiem, a
  // part of the day or a day follows. Minutes in figures only before "past" or "after":
  // "5 to 6" is a range.
  bool spokenTime(std::size_t i, Time& t) {
    std::size_t k = i;
    if (isWordText(k, u"a") && (isHalf(k + 1) || isWordText(k + 1, u"quarter"))) ++k;
    int minutes = 0;
    bool figures = false;
    if (isHalf(k)) {
      minutes = 30, ++k;
    } else if (isWordText(k, u"quarter")) {
      minutes = 15, ++k;
    } else if (isNumber(k, 2) && !adjacent(k + 1)) {
      minutes = static_cast<int>(value(k)), figures = true, ++k;
    } else if (int n = 0; word(k) && toks_[k].length() > 2 && count(k, n, k)) {
      minutes = n;
    } else {
      return false;
    }
    if (minutes < 1 || minutes > 30) return false;
    if ((roles(k) & kRoleUnitMinute) && toks_[k].length() > 3) ++k;  // "ten minutes past"
    bool to = isWordText(k, u"to");
    if (!to && !isWordText(k, u"past") && !isWordText(k, u"after")) return false;
    if (to && figures) return false;
    ++k;
    int hour = 0;
    if (isNumber(k, 2) && !adjacent(k + 1)) {
      hour = static_cast<int>(value(k));
    } else if (const DateWord* w = word(k);
               w && (w->roles & kRoleCount) && toks_[k].length() > 2 && !(w->roles & kRoleFew)) {
      hour = w->count;
    }
    if (hour < 1 || hour > 12) return false;
    ++k;
    uint8_t half = 0;
    std::size_t after = k;
    if (meridiem(k, after, half)) {
      k = after;
    } else if (roles(k) & kRoleOClock) {
      ++k;
    } else if (!quietAfter(k)) {
      return false;
    }
    if (to) {
      hour = hour == 1 ? 12 : hour - 1;
      minutes = 60 - minutes;
    }
    t.hour = half ? to24(hour, half) : hour;
    t.minute = minutes;
    t.meridiem = half;
    t.spoken = !half;
    t.end = zone(k, t.zone);
    return true;
  }

  bool meridiem(std::size_t k, uint8_t& which) {
    std::size_t end;
    return meridiem(k, end, which);
  }

  // "pm", "PM", "p.m.", "p.m"
  bool meridiem(std::size_t k, std::size_t& end, uint8_t& which) {
    if (const DateWord* w = word(k); w && w->meridiem) {
      which = w->meridiem;
      end = k + 1;
      return true;
    }
    bool a = isWord(k, u'a'), p = isWord(k, u'p');
    if ((a || p) && isMark(k + 1, u'.') && adjacent(k + 1) && adjacent(k + 2) &&
        isWord(k + 2, u'm')) {
      which = a ? 1 : 2;
      end = k + 3;
      if (isMark(end, u'.') && adjacent(end)) ++end;
      return true;
    }
    return false;
  }

  // A zone named after a time: "PST", "UTC", "GMT+2", "UTC-05:30". Returns the index
  // past it, or `k` when there is none.
  std::size_t zone(std::size_t k, Strong<NSTimeZone>& out) {
    // "10:00Z", as ISO 8601 writes UTC.
    if (isWord(k, u'z') && adjacent(k) && text_[toks_[k].start] == u'Z' &&
        toks_[k - 1].kind == TokenKind::Number) {
      out = NSTimeZone::timeZoneForSecondsFromGMT(0);
      return k + 1;
    }
    // "23:00+02", "23:00 +02": hours alone after the time. Not after a dash, a range
    // ("10:00-11").
    if (isMark(k, u'+') && adjacent(k + 1) && isNumberOfLength(k + 1, 2) &&
        !(adjacent(k + 2) &&
          (isMark(k + 2, u':') || (has(k + 2) && toks_[k + 2].kind != TokenKind::Mark)))) {
      int hours = static_cast<int>(value(k + 1));
      if (hours > 18) return k;
      out = NSTimeZone::timeZoneForSecondsFromGMT(hours * 3600);
      return out ? k + 2 : k;
    }
    // "+05:30" apart from the time or "+05:30" against it; "10:00-05:30" is a range.
    if ((isMark(k, u'+') || (isMark(k, u'-') && !adjacent(k))) && adjacent(k + 1) &&
        isNumberOfLength(k + 1, 2) && isMark(k + 2, u':') && adjacent(k + 2) && adjacent(k + 3) &&
        isNumberOfLength(k + 3, 2)) {
      int hours = static_cast<int>(value(k + 1)), minutes = static_cast<int>(value(k + 3));
      if (hours > 18 || minutes > 59) return k;
      int seconds = (hours * 60 + minutes) * 60;
      out = NSTimeZone::timeZoneForSecondsFromGMT(isMark(k, u'+') ? seconds : -seconds);
      return out ? k + 4 : k;
    }
    // "10:00 (UTC)", "5pm (PST)"
    if (isMark(k, u'(') && isMark(k + 2, u')') && has(k + 1) &&
        toks_[k + 1].kind == TokenKind::Word) {
      Strong<NSTimeZone> named;
      if (zone(k + 1, named) == k + 2) {
        out = named;
        return k + 3;
      }
    }
    if ((isMark(k, u'+') || isMark(k, u'-')) && adjacent(k + 1) && isNumberOfLength(k + 1, 4)) {
      int hours = static_cast<int>(value(k + 1) / 100),
          minutes = static_cast<int>(value(k + 1) % 100);
      if (hours > 18 || minutes > 59) return k;
      int seconds = (hours * 60 + minutes) * 60;
      out = NSTimeZone::timeZoneForSecondsFromGMT(isMark(k, u'+') ? seconds : -seconds);
      return k + 2;  // "18:00:00 +0000", as mail headers write
    }
    if (!has(k) || toks_[k].kind != TokenKind::Word || !toks_[k].allUpper ||
        toks_[k].length() < 2 || toks_[k].length() > 5)
      return k;
    std::u16string_view name = text_.substr(toks_[k].start, toks_[k].length());
    if (name == u"UTC" || name == u"GMT") {
      std::size_t j = k + 1;
      bool plus = isMark(j, u'+'), minus = isDash(j) || isMark(j, u'\u2212');
      if ((plus || minus) && adjacent(j) && adjacent(j + 1) && isNumber(j + 1, 4)) {
        uint32_t v = value(j + 1);
        int hours = toks_[j + 1].length() <= 2 ? static_cast<int>(v) : static_cast<int>(v / 100);
        int minutes = toks_[j + 1].length() <= 2 ? 0 : static_cast<int>(v % 100);
        j += 2;
        if (toks_[j - 1].length() <= 2 && isMark(j, u':') && adjacent(j) && adjacent(j + 1) &&
            isNumberOfLength(j + 1, 2)) {
          minutes = static_cast<int>(value(j + 1));
          j += 2;
        }
        if (hours > 18 || minutes > 59) return k;
        int seconds = (hours * 60 + minutes) * 60;
        out = NSTimeZone::timeZoneForSecondsFromGMT(plus ? seconds : -seconds);
        if (!out) return k;
        // "GMT+0900 (JST)": the zone's name in brackets, as clocks print it.
        if (isMark(j, u'(') && has(j + 1) && toks_[j + 1].kind == TokenKind::Word &&
            toks_[j + 1].allUpper && toks_[j + 1].length() <= 5 && isMark(j + 2, u')'))
          j += 3;
        return j;
      }
      out = NSTimeZone::timeZoneWithName(std::string("UTC"));
      if (!out) out = NSTimeZone::timeZoneForSecondsFromGMT(0);
      return k + 1;
    }
    out = NSTimeZone::timeZoneWithAbbreviation(NSString::stringWithCharacters(name));
    return out ? k + 1 : k;
  }

  // Whether a lone hour after "at" ends there: the end of the text or of a clause, or a
  // word of dates ("at 7 tomorrow"). "at 7 Main Street", "at 5 dollars" are not times.
  bool quietAfter(std::size_t k) const {
    if (!has(k) || toks_[k].newlineBefore) return true;
    if (toks_[k].kind == TokenKind::Mark) {
      char16_t c = static_cast<char16_t>(toks_[k].value);
      return c == u'.' || c == u',' || c == u';' || c == u'!' || c == u'?' || c == u')';
    }
    const DateWord* w = word(k);
    // Not a unit: "um 5 Jahre älter".
    return w && ((w->startsDate() && !(w->roles & kRoleUnits)) || w->dayPartHour ||
                 (w->roles & (kRoleOn | kRoleJoiner)));
  }

  // "at night", "in the morning", "in the evening" after an hour: its half of the day
  // (1 before noon, 2 after), with `end` past the phrase; 0 when there is none.
  uint8_t dayPartSuffix(std::size_t k, std::size_t& end) const {
    std::size_t j = k;
    if (roles(j) & kRoleJoiner) {
      ++j;
    } else if (roles(j) & kRoleIn) {
      ++j;
      if (!(roles(j) & kRoleOf)) return 0;  // "the"
      ++j;
    } else if (!word(j) || !word(j)->dayPartHour) {  // "9 Uhr morgens", "7 Uhr abends"
      return 0;
    }
    const DateWord* w = word(j);
    if (!w || !w->dayPartHour || w->dayOffset != kNoDayOffset) return 0;
    end = j + 1;
    return w->dayPartHour < kNoon ? 1 : 2;
  }

  // An amount: "3", "three", "a", "twenty-one", "a few", "a couple of". Sets `next` to the
  // token after it.
  bool count(std::size_t i, int& n, std::size_t& next) const {
    if (isNumber(i, 4)) {
      n = static_cast<int>(value(i));
      next = i + 1;
      return true;
    }
    const DateWord* w = word(i);
    if (!w || !(w->roles & kRoleCount) || !w->count) return false;
    n = w->count;
    next = i + 1;
    if (n == 1 && (roles(next) & kRoleFew)) {  // "a few", "a couple of"
      n = word(next)->count;
      ++next;
      if (roles(next) & kRoleOf) ++next;
    } else if (w->roles & kRoleFew) {  // "couple of days ago"
      if (roles(next) & kRoleOf) ++next;
    } else if (n >= 20) {  // "twenty-one", "twenty one"
      std::size_t j = isDash(next) && adjacent(next) ? next + 1 : next;
      if (const DateWord* unit = word(j); unit && (unit->roles & kRoleCount) && unit->count < 10 &&
                                          unit->count >= 1 && toks_[j].length() > 2) {
        n += unit->count;
        next = j + 1;
      }
    }
    return true;
  }

  // An amount and its unit: "3 days", "a few weeks", "half an hour" (30 minutes), "2.5
  // hours", "2h". Sets `unit` to the unit's role and `next` to the token after it.
  bool amount(std::size_t i, double& n, uint64_t& unit, std::size_t& next) const {
    if (isHalf(i) && word(i + 1) && word(i + 1)->count == 1 && (roles(i + 2) & kRoleUnitHour)) {
      n = 30;
      unit = kRoleUnitMinute;
      next = i + 3;
      return true;
    }
    if (const DateWord* w = word(i);  // "un'ora", "полчаса": a count and its unit in one
        w && w->count && (w->roles & kRoleUnits) && toks_[i].length() > 1) {
      n = w->count;
      unit = w->roles & kRoleUnits;
      next = i + 1;
      return true;
    }
    std::size_t k;
    int whole = 0;
    if (!count(i, whole, k)) return false;
    n = whole;
    if (k == i + 1 && toks_[i].kind == TokenKind::Number && isMark(k, u'.') && adjacent(k) &&
        adjacent(k + 1) && isNumber(k + 1, 3)) {  // "2.5 hours"
      n += value(k + 1) / std::pow(10.0, toks_[k + 1].length());
      k += 2;
    }
    bool halfBefore = andAHalf(k);  // "two and a half hours"
    if (halfBefore) n += 0.5, k += 3;
    if (!(roles(k) & kRoleUnits)) return false;
    unit = roles(k) & kRoleUnits;
    if (foldedKey(text_, toks_[k]).view().starts_with(u"fortnight")) n *= 2;  // "a fortnight"
    // A letter alone is a unit only against a short number: "2h", "4m 30s", not "5 m" or
    // the "s" of "1990s".
    if (toks_[k].length() == 1 &&
        (!adjacent(k) || toks_[k].capitalised || toks_[k - 1].kind != TokenKind::Number ||
         toks_[k - 1].length() > 3))
      return false;
    if ((unit & kRoleUnitQuarter) && quarterOfTime(k + 1)) return false;
    next = k + 1;
    if (!halfBefore && andAHalf(next)) n += 0.5, next += 3;  // "an hour and a half"
    return true;
  }

  bool andAHalf(std::size_t k) const {
    return (roles(k) & kRoleAnd) && word(k + 1) && word(k + 1)->count == 1 && isHalf(k + 2);
  }

  // "a quarter past five", "quarter to 3", "a quarter of an hour": a quarter of an hour.
  bool quarterOfTime(std::size_t k) const {
    uint64_t r = roles(k);
    if (r & (kRoleOf | kRoleRangeTo | kRoleUnitHour)) return true;
    if ((r & (kRoleAfter | kRoleBefore)) && isNumber(k + 1, 2)) return true;
    return has(k) && toks_[k].kind == TokenKind::Word &&
           foldedKey(text_, toks_[k]).view() == u"past";
  }

  // An amount in one part or several, finest last ("3 days", "1d 3h 10m", "2 hours and 30
  // minutes"), after a hedge or not ("about 3 hours", "roughly a week").
  bool amounts(std::size_t i, Span& span, std::size_t& next) const {
    constexpr int kMaxParts = 6;
    if (roles(i) & kRoleHedge) ++i;
    double n = 0;
    uint64_t unit = 0;
    if (!amount(i, n, unit, next) || !span.add(n, unit)) return false;
    for (int part = 1; part < kMaxParts; ++part) {
      std::size_t k = (roles(next) & kRoleAnd) || isMark(next, u',') ? next + 1 : next;
      double more = 0;
      uint64_t finer = 0;
      std::size_t after = 0;
      if (!amount(k, more, finer, after) || unitRank(finer) >= unitRank(unit)) break;
      Span sum = span;
      if (!sum.add(more, finer)) break;
      span = sum;
      unit = finer;
      next = after;
    }
    return true;
  }

  bool isHalf(std::size_t i) const {
    return has(i) && toks_[i].kind == TokenKind::Word &&
           foldedKey(text_, toks_[i]).view() == u"half";
  }

  // "10 - 22 August 2012", "10th to 12th Aug", "10–12 August": the month written once,
  // after the second day. From noon of the first day to noon of the last.
  bool dayNumberRange(std::size_t i, Match& m) {
    std::size_t k = i + 1;
    if (((roles(k) & kRoleOrdinal) || isMark(k, u'.')) && adjacent(k)) ++k;  // "3. bis 5. März"
    if (!isDash(k) && !(roles(k) & kRoleRangeTo)) return false;
    std::size_t second = k + 1;
    if (!isDayNumber(second)) return false;
    k = second + 1;
    if (((roles(k) & kRoleOrdinal) || isMark(k, u'.')) && adjacent(k)) ++k;
    if (roles(k) & kRoleOf) ++k;
    const DateWord* w = word(k);
    if (!w || !w->month) return false;
    int y = 0;
    std::size_t afterStop = skipStop(k + 1);
    std::size_t end = year(
        w->monthInFull && afterStop != k + 1 && !isNumberOfLength(afterStop, 4) ? k + 1 : afterStop,
        y);
    if (y == 0) y = nearestYear(w->month, static_cast<int>(value(i)));
    CivilDay start{y, w->month, static_cast<int>(value(i))};
    CivilDay last{y, w->month, static_cast<int>(value(second))};
    if (!isValidDay(y, start.month, start.day) || !isValidDay(y, last.month, last.day) ||
        last.day <= start.day)
      return false;
    setDay(m, start, end);
    m.duration = calendar().instant(last, kNoon, 0, 0) - calendar().instant(start, kNoon, 0, 0);
    return true;
  }

  // Days: relative words, weekdays, written dates.

  // "+2 hours", "-3 days": a sign written against an amount.
  bool isSign(std::size_t i) const {
    return (isMark(i, u'+') || isMark(i, u'-') || isMark(i, u'\u2212')) && adjacent(i + 1) &&
           toks_[i + 1].kind == TokenKind::Number;
  }

  bool parseDate(std::size_t i, Match& m) {
    if (!has(i)) return false;
    if (isSign(i)) {
      Span span;
      std::size_t k = 0;
      return amounts(i + 1, span, k) && offset(span, isMark(i, u'+') ? 1 : -1, k, m);
    }
    if (const DateWord* w = word(i)) {
      if (w->roles & kRolePhrase && phrase(i, m)) return true;
      if ((w->roles & kRoleOf) && unitBeforeOrAfter(i, m)) return true;
      if ((w->roles & kRoleQuarterMark) && quarterOfYear(i, m)) return true;
      if (w->edge) return edgeOfMonth(i, w->edge, m);
      if (w->dayOffset != kNoDayOffset) {
        setDay(m, calendar().addDays(calendar().today(), w->dayOffset), i + 1);
        if (w->dayPartHour) m.defaultHour = w->dayPartHour;
        return true;
      }
      uint32_t direction = w->roles & (kRoleNext | kRoleLast | kRoleThis);
      if ((direction == kRoleThis || direction == kRoleLast) && word(i + 1) &&
          word(i + 1)->dayPartHour && word(i + 1)->dayOffset == kNoDayOffset) {
        // "this evening", "last night"
        setDay(m, calendar().addDays(calendar().today(), direction == kRoleLast ? -1 : 0), i + 2);
        m.defaultHour = word(i + 1)->dayPartHour;
        return true;
      }
      Span span;
      std::size_t k = 0;
      if ((direction == kRoleNext || direction == kRoleLast) &&
          amounts(i + 1, span, k)) {  // "next 2 weeks", "last three months"
        return offset(span, direction == kRoleNext ? 1 : -1, k, m);
      }
      if ((direction == kRoleNext || direction == kRoleLast) && (roles(i + 1) & kRoleWorkday)) {
        setDay(m, workday(direction == kRoleNext ? 1 : -1), i + 2);
        return true;
      }
      if (direction && (roles(i + 1) & kRoleWeekend)) {  // "this weekend": its Saturday
        setDay(m, weekday(7, direction), i + 2);
        return true;
      }
      if (direction && word(i + 1) && word(i + 1)->month && !isDayNumber(i + 2) &&
          !isNumberOfLength(i + 2, 4)) {
        // "next March", "last December", "this June": the first of that month after,
        // before or in this year's.
        int month = word(i + 1)->month;
        CivilDay today = calendar().today();
        int year = today.year;
        if (direction == kRoleNext && month <= today.month) ++year;
        if (direction == kRoleLast && month >= today.month) --year;
        setDay(m, CivilDay{year, month, 1}, i + 2);
        return true;
      }
      if (direction == kRoleThis && (roles(i + 1) & kRoleNext) && word(i + 2) &&
          word(i + 2)->weekday) {  // "this coming Friday"
        setDay(m, weekday(word(i + 2)->weekday, kRoleNext), i + 3);
        return true;
      }
      if (direction == kRoleThis && (roles(i + 1) & kRoleNext) &&
          (roles(i + 2) & kRoleWeekend)) {  // "this coming weekend": its Saturday
        setDay(m, weekday(7, kRoleThis), i + 3);
        return true;
      }
      if (direction && !(w->roles & kRoleSuffix)) {
        if (const DateWord* day = word(i + 1); day && day->weekday) {
          setDay(m, weekday(day->weekday, direction), i + 2);
          return true;
        }
        int n = direction == kRoleNext ? 1 : direction == kRoleLast ? -1 : 0;
        uint64_t unit = roles(i + 1) & kRoleUnits;
        if (!n && (unit & (kRoleUnitWeek | kRoleUnitMonth | kRoleUnitQuarter | kRoleUnitYear))) {
          // "this week", "this month": the period, from its first day.
          setDay(m, startOfPeriod(unit), i + 2);
          return true;
        }
        if (unit & kRoleDayUnits) return offset(spanOf(n, unit), 1, i + 2, m);
        // "next hour", "last hour", "next minute"; "this hour" is vague, and "last minute"
        // is a hurry, not a time.
        if ((unit & kRoleUnitHour || (unit & kRoleUnitMinute && n > 0)) && n)
          return offset(spanOf(n, unit), 1, i + 2, m);
      }
      // "so", "do" in lower case are words ("so um 15 Uhr"): a weekday only before a date
      // ("ma 14 dec").
      if (w->weekday && toks_[i].length() <= 2 && !toks_[i].capitalised && !w->weekdayInFull) {
        std::size_t k = isMark(i + 1, u',') ? i + 2 : i + 1;
        return parseAbsolute(k, m) || monthAndDay(k, m);
      }
      if (w->weekday) {
        uint64_t after = roles(i + 1);
        bool follows = (after & kRoleSuffix) || (word(i + 1) && (word(i + 1)->intl & kIntlAfter));
        if (follows && (after & (kRoleNext | kRoleLast | kRoleThis))) {
          setDay(m, weekday(w->weekday, after & (kRoleNext | kRoleLast | kRoleThis)), i + 2);
          return true;
        }
        std::size_t named = isWordText(i + 1, u"of") ? i + 2 : i + 1;
        if ((roles(named) & (kRoleNext | kRoleLast | kRoleThis)) &&
            (roles(named + 1) & kRoleUnitWeek) && isWordText(named + 1, u"week")) {
          // "Friday next week", "Monday of last week": that weekday in the week named.
          uint64_t which = roles(named);
          int weeks = (which & kRoleNext) ? 1 : (which & kRoleLast) ? -1 : 0;
          int delta = w->weekday - calendar().weekdayToday() + 7 * weeks;
          setDay(m, calendar().addDays(calendar().today(), delta), named + 2);
          return true;
        }
        std::size_t k = i + 1;
        if (isMark(k, u',') || (isMark(k, u'.') && adjacent(k))) ++k;
        if (roles(k) & kRoleOf) ++k;  // "Mittwoch, den 9. Dezember", "Friday the 11th of"
        if (parseAbsolute(k, m) || monthAndDay(k, m) ||
            ((w->weekdayInFull || toks_[i].capitalised) && weekdayAndDay(w->weekday, k, m)))
          return true;
        setDay(m, weekday(w->weekday, kRoleThis), i + 1);
        m.weakDay = !w->weekdayInFull;
        m.weekday = w->weekday;
        return true;
      }
      if ((w->roles & kRoleIn) && amounts(i + 1, span, k)) {
        return offset(span, 1, k, m);  // "in 3 days", "within a week", "in about 2 hours"
      }
      if ((w->intl & kIntlOne) && (roles(i + 1) & kRoleUnits)) {
        return offset(spanOf(1, roles(i + 1) & kRoleUnits), 1, i + 2, m);  // "через неделю"
      }
      if ((w->intl & kIntlAgoBefore) && amounts(i + 1, span, k)) {
        if (roles(k) & kRoleAgo) ++k;   // "för 2 dagar sedan"
        return offset(span, -1, k, m);  // "vor 2 Tagen", "il y a 2 jours", "hace 2 días"
      }
      if ((w->intl & kIntlStarts) && (w->roles & kRoleDayUnits) && word(i + 1) &&
          (word(i + 1)->roles & (kRoleNext | kRoleLast | kRoleThis)) &&
          (word(i + 1)->roles & kRoleSuffix || word(i + 1)->intl & kIntlAfter)) {
        // "semaine prochaine", "settimana scorsa": the unit before its direction.
        uint64_t after = word(i + 1)->roles;
        int sign = (after & kRoleNext) ? 1 : (after & kRoleLast) ? -1 : 0;
        return offset(spanOf(1, w->roles & kRoleDayUnits), sign, i + 2, m);
      }
    }
    {
      Span span;
      std::size_t k = 0;
      // "just 5 minutes ago" reads best without its "just"; "in just 5 minutes" keeps it.
      if (!isWordText(i, u"just") && amounts(i, span, k)) {
        uint64_t after = roles(k);
        int sign = (after & kRoleBefore) ? -1 : 1;
        if ((after & (kRoleRangeFrom | kRoleAfter | kRoleBefore)) && (roles(k + 1) & kRoleNow)) {
          return offset(span, sign, k + 2, m);  // "3 weeks from now"
        }
        if ((after & (kRoleRangeFrom | kRoleAfter | kRoleBefore)) && !span.timed &&
            !countingFrom_) {
          // "a week from Friday", "3 weeks after yesterday", "2 days before Friday":
          // counted from that day. One level only, so that a chain of "from"s cannot nest
          // without end.
          Match from;
          countingFrom_ = true;
          bool day = parseDate(k + 1, from) && from.hasDay && !from.instant;
          countingFrom_ = false;
          if (day) {
            setDay(m, moved(from.day, span, sign), from.end);
            m.defaultHour = from.defaultHour;
            return true;
          }
        }
        // "2 weeks ago", "5 minutes earlier", "2 weeks before"
        if (after & (kRoleAgo | kRoleBefore)) return offset(span, -1, k + 1, m);
        // "3 days later", "5 days out" (not "3 days out of 5"), "3 days after"
        if ((after & (kRoleLater | kRoleAfter)) &&
            !(isWordText(k, u"out") && isWordText(k + 1, u"of")))
          return offset(span, 1, k + 1, m);
      }
    }
    return parseAbsolute(i, m);
  }

  bool isWordText(std::size_t i, std::u16string_view folded) const {
    return has(i) && toks_[i].kind == TokenKind::Word &&
           foldedKey(text_, toks_[i]).view() == folded;
  }

  // "the day before", "the minute after", "the week before": one unit back or ahead.
  bool unitBeforeOrAfter(std::size_t i, Match& m) {
    if (!isWordText(i, u"the")) return false;
    uint64_t unit = roles(i + 1) & kRoleUnits;
    uint64_t side = roles(i + 2) & (kRoleBefore | kRoleAfter);
    if (!unit || !side || toks_[i + 1].length() == 1) return false;
    return offset(spanOf(1, unit), side == kRoleBefore ? -1 : 1, i + 3, m);
  }

  // "Q3 2024": the quarter's first day.
  bool quarterOfYear(std::size_t i, Match& m) {
    if (!toks_[i].capitalised || toks_[i].length() != 1 || !adjacent(i + 1) ||
        !isNumberOfLength(i + 1, 1) || value(i + 1) < 1 || value(i + 1) > 4 ||
        !isNumberOfLength(i + 2, 4) || adjacent(i + 2) || value(i + 2) < 1)
      return false;
    int month = 3 * static_cast<int>(value(i + 1) - 1) + 1;
    setDay(m, CivilDay{static_cast<int>(value(i + 2)), month, 1}, i + 3);
    return true;
  }

  // The nearest Monday-to-Friday day after (1) or before (-1) the reference day.
  CivilDay workday(int step) {
    CivilDay day = calendar().addDays(calendar().today(), step);
    while (weekdayOf(day) == 1 || weekdayOf(day) == 7) day = calendar().addDays(day, step);
    return day;
  }

  bool phrase(std::size_t i, Match& m) {
    for (const DayPhrase& p : lex_.phrases) {
      std::size_t k = i;
      bool same = true;
      for (const std::u16string& want : p.tokens) {
        if (!has(k)) {
          same = false;
          break;
        }
        if (foldedKey(text_, toks_[k]).view() != want) {
          same = false;
          break;
        }
        ++k;
      }
      if (same) {
        setDay(m, calendar().addDays(calendar().today(), p.dayOffset), k);
        return true;
      }
    }
    return false;
  }

  void setDay(Match& m, CivilDay day, std::size_t end) {
    m.hasDay = true;
    m.day = day;
    m.end = end;
  }

  // The first day of the week (the locale's first weekday), month, quarter or year that
  // holds today.
  CivilDay startOfPeriod(uint64_t unit) {
    CivilDay today = calendar().today();
    if (unit & kRoleUnitWeek) {
      int back = (calendar().weekdayToday() - lex_.firstWeekday + 7) % 7;
      return calendar().addDays(today, -back);
    }
    if (unit & kRoleUnitMonth) return {today.year, today.month, 1};
    if (unit & kRoleUnitQuarter) return {today.year, (today.month - 1) / 3 * 3 + 1, 1};
    return {today.year, 1, 1};
  }

  CivilDay weekday(int target, uint32_t direction) {
    int today = calendar().weekdayToday();
    int ahead = (target - today + 7) % 7;
    int delta = ahead;
    if (direction == kRoleNext && delta == 0) delta = 7;
    if (direction == kRoleLast) delta = ahead == 0 ? -7 : ahead - 7;
    return calendar().addDays(calendar().today(), delta);
  }

  // "in 3 days", "2 weeks ago", "next month", "in 1d 3h": `sign` 1 ahead, -1 back. A span
  // finer than a day is a moment: the reference's wall time on the day moved to, plus its
  // seconds.
  bool offset(const Span& span, int sign, std::size_t end, Match& m) {
    DateCalendar& cal = calendar();
    CivilDay today = cal.today();
    CivilDay day = moved(today, span, sign);
    if (span.timed) {
      NSTimeInterval at = cal.reference();
      if (span.months || span.days) at += cal.instant(day, 0, 0, 0) - cal.instant(today, 0, 0, 0);
      m.instant = at + sign * span.seconds;
      m.hasDay = m.hasTime = true;
      m.end = end;
      return true;
    }
    setDay(m, day, end);
    return true;
  }

  static Span spanOf(double n, uint64_t unit) {
    Span span;
    span.add(n, unit);
    return span;
  }

  // `day` moved by a span's months, then its days.
  CivilDay moved(CivilDay day, const Span& span, int sign) {
    DateCalendar& cal = calendar();
    if (span.months) day = cal.addMonths(day, sign * span.months);
    if (span.days) day = cal.addDays(day, sign * span.days);
    return day;
  }

  bool isDayNumber(std::size_t i) const {
    return isNumber(i, 2) && value(i) >= 1 && value(i) <= 31;
  }

  std::size_t skipStop(std::size_t k) const { return isMark(k, u'.') && adjacent(k) ? k + 1 : k; }

  // A year after a day and month: " 2026", ", 2026", " '12", and two figures that nothing
  // makes a time or a count of ("10 Aug 12", not "10 Aug 12:30", "12 pm" or "12 people").
  // Returns the index past it, or k.
  std::size_t year(std::size_t k, int& y) {
    std::size_t j = isMark(k, u',') ? k + 1 : k;
    // "3 de marzo de 2026", "3 марта 2026 года"
    if ((roles(j) & kRoleOf) && isNumberOfLength(j + 1, 4)) ++j;
    if (isNumberOfLength(j, 4) && value(j) >= 1) {
      if (const DateWord* w = word(j + 1);
          w && (w->roles & kRoleOf) && (w->roles & kRoleUnitYear)) {
        y = static_cast<int>(value(j));
        return j + 2;
      }
      y = static_cast<int>(value(j));
      return j + 1;
    }
    if ((isMark(j, u'\'') || isMark(j, u'\u2019')) && adjacent(j + 1) &&
        isNumberOfLength(j + 1, 2)) {
      y = expandYear(static_cast<int>(value(j + 1)));
      return j + 2;
    }
    if (isNumberOfLength(j, 2) && twoFigureYearEnds(j + 1)) {
      y = expandYear(static_cast<int>(value(j)));
      return j + 1;
    }
    return k;
  }

  // Whether two figures ending before token k stand alone as a year: the line ends, a
  // mark that ends a clause follows, or "at" and a time ("10 Aug 12 at noon"). Not before
  // a dash, a colon, a slash or "to", which make them one end of a range or a time.
  bool twoFigureYearEnds(std::size_t k) {
    if (!has(k)) return true;
    const Token& t = toks_[k];
    if (t.kind == TokenKind::Mark) {
      char16_t c = static_cast<char16_t>(t.value);
      if (c == u':' || c == u'/' || isDash(k)) return false;
      return !(c == u'.' && adjacent(k + 1) && toks_[k + 1].kind == TokenKind::Number);
    }
    return t.kind == TokenKind::Word && !adjacent(k) && (roles(k) & kRoleJoiner);
  }

  bool parseAbsolute(std::size_t i, Match& m) {
    if (!has(i)) return false;
    int y = 0, mo = 0, d = 0;
    std::size_t k;
    if (const DateWord* w = word(i); w && w->month) {  // "December 9, 2026", "Dec. 9th"
      k = skipStop(i + 1);
      mo = w->month;
      if (std::size_t after; (roles(k) & kRoleOf) && spelledDay(k + 1, d, after)) {
        k = year(after, y);  // "March the third"
      } else if ((roles(k) & kRoleOf) && isDayNumber(k + 1) && (roles(k + 2) & kRoleOrdinal) &&
                 adjacent(k + 2)) {  // "March the 3rd"
        d = static_cast<int>(value(k + 1));
        k = year(k + 3, y);
      } else if (std::size_t after2;
                 toks_[i].capitalised && spelledDay(k, d, after2)) {  // "May twenty-fourth"
        k = year(after2, y);
      } else if (char16_t sep = dateMark(k);
                 sep && isDayNumber(k + 1) && dateMark(k + 2) == sep &&
                 (isNumberOfLength(k + 3, 4) || isNumberOfLength(k + 3, 2))) {
        // "Aug-10-2012", "March/12/19"
        d = static_cast<int>(value(k + 1));
        y = writtenYear(k + 3);
        k += 4;
      } else if (isDayNumber(k) && !(isMark(k + 1, u':') && adjacent(k + 1))) {
        d = static_cast<int>(value(k));
        ++k;
        if ((roles(k) & kRoleOrdinal) && adjacent(k)) ++k;
        k = year(k, y);
      } else {
        return monthYear(mo, k, m) || monthAlone(i, mo, m);
      }
    } else if (std::size_t after; word(i) && spelledDay(i, d, after)) {
      // "twenty-fourth of May", "fourth of July 2027"
      k = after;
      if (roles(k) & kRoleOf) ++k;
      const DateWord* w = word(k);
      if (!w || !w->month) return false;
      mo = w->month;
      k = year(skipStop(k + 1), y);
    } else if (char16_t sep = dateMark(i + 1);
               sep && isDayNumber(i) && word(i + 2) && word(i + 2)->month) {
      // "10-Aug-2012", "12/MAR/19", "12-Mar"; as a server log writes it, with the time
      // after a colon ("12/Mar/2019:08:15:30 +0100").
      d = static_cast<int>(value(i));
      mo = word(i + 2)->month;
      if (dateMark(i + 3) == sep && (isNumberOfLength(i + 4, 4) || isNumberOfLength(i + 4, 2))) {
        y = writtenYear(i + 4);
        k = i + 5;
      } else if (!adjacent(i + 3)) {
        k = i + 3;
      } else {
        return false;
      }
      if (y) {
        if (!isValidDay(y, mo, d)) return false;
        setDay(m, CivilDay{y, mo, d}, k);
        logTime(m);
        return true;
      }
    } else if (char16_t sep = dateMark(i + 1); sep && isNumberOfLength(i, 4) && value(i) >= 1 &&
                                               word(i + 2) && word(i + 2)->month) {
      // "2019/mar/12", "2019-Mar-12", "2019-March"
      y = static_cast<int>(value(i));
      mo = word(i + 2)->month;
      if (dateMark(i + 3) == sep && isDayNumber(i + 4)) {
        d = static_cast<int>(value(i + 4));
        k = i + 5;
      } else if (!adjacent(i + 3)) {
        d = 1;
        k = i + 3;
      } else {
        return false;
      }
    } else if (spacedDay(i, y, mo, d)) {  // "2019 03 12"
      k = i + 3;
    } else if (isDayNumber(i)) {
      k = i + 1;
      if (isMark(k, u'.') && adjacent(k)) {
        ++k;  // "9. Dezember"
      } else if ((roles(k) & kRoleOrdinal) && adjacent(k)) {
        ++k;  // "1er", "3º"
      } else if (isMark(k, u':') && adjacent(k) && adjacent(k + 1) &&
                 (roles(k + 1) & kRoleOrdinal)) {
        k += 2;  // "1:a", "2:e"
      } else if (isMark(k, u'\u00B0') && adjacent(k)) {
        ++k;  // "1°"
      } else if (isDash(k) && adjacent(k) && adjacent(k + 1) && (roles(k + 1) & kRoleOrdinal)) {
        k += 2;  // "3-го"
      }
      if (roles(k) & kRoleOf) ++k;
      if (const DateWord* w = word(k); w && w->month) {  // "9 Dec 2026"
        mo = w->month;
        d = static_cast<int>(value(i));
        // "5 avril." ends a sentence; "5 avr. 2027" has its abbreviation's stop.
        std::size_t afterStop = skipStop(k + 1);
        k = year(w->monthInFull && afterStop != k + 1 && !isNumberOfLength(afterStop, 4)
                     ? k + 1
                     : afterStop,
                 y);
      } else if (!numeric(i, y, mo, d, k) && !loneMonthAndDay(i, mo, d, k)) {
        return false;
      }
    } else if (isNumberOfLength(i, 4) && word(i + 1) && word(i + 1)->month) {
      y = static_cast<int>(value(i));
      mo = word(i + 1)->month;
      if (isDayNumber(i + 2) && !adjacent(i + 2) && !isMark(i + 3, u':')) {  // "2027 January 15"
        d = static_cast<int>(value(i + 2));
        k = i + 3;
        if ((roles(k) & kRoleOrdinal) && adjacent(k)) ++k;
      } else if (!isDayNumber(i + 2)) {  // "2016 June"
        d = 1;
        k = i + 2;
      } else {
        return false;
      }
    } else if (!isNumberOfLength(i, 4) || !numeric(i, y, mo, d, k)) {
      return false;
    }
    bool yearless = y == 0;
    if (yearless) y = nearestYear(mo, d);
    if (!isValidDay(y, mo, d)) return false;
    setDay(m, CivilDay{y, mo, d}, k);
    m.yearless = yearless;
    if (isNumberOfLength(i, 4)) isoTime(m);
    return true;
  }

  // The slash or dash between the parts of "12/Mar/2019" or "2019-Mar-12", written
  // against both neighbours; 0 when there is none.
  char16_t dateMark(std::size_t k) const {
    if (!adjacent(k) || !adjacent(k + 1)) return 0;
    if (isMark(k, u'/')) return u'/';
    return isMark(k, u'-') ? u'-' : 0;
  }

  // A year of four figures or two.
  int writtenYear(std::size_t k) {
    int v = static_cast<int>(value(k));
    return toks_[k].length() == 4 ? v : expandYear(v);
  }

  // "2019 03 12", "2019 3 12": year, month and day in figures apart. Not inside a longer
  // run of numbers, as phone numbers are written, nor "2019 3 1", a score.
  bool spacedDay(std::size_t i, int& y, int& mo, int& d) const {
    if (!isNumberOfLength(i, 4) || value(i) < 1000 || adjacent(i + 1) || adjacent(i + 2) ||
        !isNumber(i + 1, 2) || !isNumberOfLength(i + 2, 2) ||
        (i > 0 && !toks_[i].newlineBefore && toks_[i - 1].kind == TokenKind::Number) ||
        (has(i + 3) && toks_[i + 3].kind == TokenKind::Number))
      return false;
    y = static_cast<int>(value(i));
    mo = static_cast<int>(value(i + 1));
    d = static_cast<int>(value(i + 2));
    return isValidDay(y, mo, d);
  }

  // "12/Mar/2019:08:15:30": a time after a colon against the year.
  void logTime(Match& m) {
    std::size_t k = m.end;
    if (!isMark(k, u':') || !adjacent(k) || !adjacent(k + 1)) return;
    Time t;
    if (!isNumberOfLength(k + 1, 2) || !parseTime(k + 1, t) || t.bare || t.dotted || t.meridiem)
      return;
    m.hasTime = true;
    m.time = t;
    m.end = t.end;
  }

  // "March 2012", "Sep '12", "Jan-2013", "Feb. 2013", "Mar 99", "June of 2022": the first
  // of the month. `k` is the token after the month and its full stop.
  bool monthYear(int month, std::size_t k, Match& m) {
    int y = 0;
    std::size_t end;
    std::size_t j = (isDash(k) || isMark(k, u'/')) && adjacent(k) && adjacent(k + 1) ? k + 1 : k;
    if ((isWordText(k, u"of") || isMark(k, u',')) && isNumberOfLength(k + 1, 4)) {
      j = k + 1;
    } else if ((roles(j) & kRoleOf) && isNumberOfLength(j + 1, 4)) {
      ++j;  // "enero de 2026"
    }
    if (isNumberOfLength(j, 4) && value(j) >= 1000) {
      y = static_cast<int>(value(j));
      end = j + 1;
    } else if ((isMark(j, u'\'') || isMark(j, u'\u2019')) && adjacent(j + 1) &&
               isNumberOfLength(j + 1, 2)) {
      y = expandYear(static_cast<int>(value(j + 1)));
      end = j + 2;
    } else if (isNumberOfLength(j, 2) && (value(j) > 31 || value(j) == 0) &&
               (twoFigureYearEnds(j + 1) ||
                (has(j + 1) && toks_[j + 1].kind == TokenKind::Word && !adjacent(j + 1) &&
                 !(roles(j + 1) & kRoleUnits)))) {  // two figures that cannot be a day
      y = expandYear(static_cast<int>(value(j)));
      end = j + 1;
    } else {
      return false;
    }
    // "March 2012" alone, not the start of "March 2012-05" or of "May 1234 5678".
    if (isNumber(end, 9) || (adjacent(end) && has(end) && toks_[end].kind != TokenKind::Mark))
      return false;
    setDay(m, CivilDay{y, month, 1}, end);
    return true;
  }

  // A month's name alone after a word that makes it a time ("in December", "since
  // March", "until June"): the first of the month, in the year that puts it nearest.
  // Alone elsewhere the name may be someone's ("June") or a verb ("May I").
  bool monthAlone(std::size_t i, int month, Match& m) {
    if (i == 0 || toks_[i].length() < 3) return false;
    std::size_t before = i - 1;
    if (toks_[before].kind != TokenKind::Word) return false;
    // The other languages write months in lower case, after their "in" ("en mayo", "в
    // декабре", "a dicembre").
    if (lex_.other && !toks_[i].newlineBefore && word(i)->monthInFull &&
        (roles(before) & (kRoleIn | kRoleOn | kRoleJoiner)) &&
        foldedKey(text_, toks_[before]).view() != u"on") {
      setDay(m, CivilDay{nearestYear(month, 1), month, 1}, i + 1);
      return true;
    }
    if (!toks_[i].capitalised) return false;
    WordKey folded = foldedKey(text_, toks_[before]);
    std::u16string_view w = folded.view();
    if (w != u"in" && w != u"since" && w != u"until" && w != u"till" && w != u"by" &&
        w != u"during" && w != u"before" && w != u"after" && w != u"early" && w != u"late" &&
        w != u"mid")
      return false;
    // The stop after an abbreviation stays outside: "in Dec." ends a sentence.
    setDay(m, CivilDay{nearestYear(month, 1), month, 1}, i + 1);
    return true;
  }

  // "end of March", "the beginning of May 2027", "middle of June": the month's first,
  // fifteenth or last day.
  bool edgeOfMonth(std::size_t i, uint8_t edge, Match& m) {
    std::size_t k = i + 1;
    if (word(i)->intl & kIntlEdge) {
      if (!(roles(k) & kRoleOf)) --k;  // "Ende März", "finales de marzo"
    } else if (!(roles(k) & kRoleOf) || foldedKey(text_, toks_[k]).view() != u"of") {
      return false;
    }
    const DateWord* w = word(k + 1);
    if (!w || !w->month) return namedMonthOrYearEdge(k + 1, edge, m);
    int y = 0;
    std::size_t end = year(k + 2, y);
    if (!y) y = nearestYear(w->month, 15);
    int day = edge == 1 ? 1 : edge == 2 ? 15 : 31;
    while (day > 28 && !isValidDay(y, w->month, day)) --day;
    setDay(m, CivilDay{y, w->month, day}, end);
    return true;
  }

  // "end of the month", "start of next year", "middle of last month": the edge of the
  // month or year named from the reference's. `k` is the token after "of".
  bool namedMonthOrYearEdge(std::size_t k, uint8_t edge, Match& m) {
    uint64_t direction = roles(k) & (kRoleNext | kRoleLast | kRoleThis);
    if (!direction && !isWordText(k, u"the")) return false;
    uint64_t unit = roles(k + 1) & (kRoleUnitMonth | kRoleUnitYear);
    if (!unit || toks_[k + 1].length() < 4) return false;  // "month", "year", not "mo"
    int step = direction == kRoleNext ? 1 : direction == kRoleLast ? -1 : 0;
    CivilDay today = calendar().today();
    CivilDay day = calendar().addMonths(today, step * (unit == kRoleUnitYear ? 12 : 1));
    int month = unit == kRoleUnitYear ? (edge == 1 ? 1 : edge == 2 ? 7 : 12) : day.month;
    int date = edge == 1 ? 1 : edge == 2 ? 15 : 31;
    if (unit == kRoleUnitYear && edge == 2) date = 1;
    while (date > 28 && !isValidDay(day.year, month, date)) --date;
    setDay(m, CivilDay{day.year, month, date}, k + 2);
    return true;
  }

  // "third", "twenty-first", "twenty first", "thirtieth": a day of the month in words,
  // with `end` past it.
  bool spelledDay(std::size_t k, int& day, std::size_t& end) const {
    const DateWord* w = word(k);
    if (!w) return false;
    if (w->ordinal) {
      day = w->ordinal;
      end = k + 1;
      return true;
    }
    if (w->count != 20 && w->count != 30) return false;
    std::size_t j = isDash(k + 1) && adjacent(k + 1) ? k + 2 : k + 1;
    const DateWord* unit = word(j);
    if (!unit || !unit->ordinal || unit->ordinal > 9 || w->count + unit->ordinal > 31) return false;
    day = w->count + unit->ordinal;
    end = j + 1;
    return true;
  }

  // "Wednesday the 16th", "Sat 19th": the day of that number nearest the reference that
  // falls on the weekday, a few months back or ahead.
  bool weekdayAndDay(int weekday, std::size_t k, Match& m) {
    if (!english_ || !isDayNumber(k) || !(roles(k + 1) & kRoleOrdinal) || !adjacent(k + 1))
      return false;
    int day = static_cast<int>(value(k));
    CivilDay today = calendar().today();
    CivilDay first{today.year, today.month, 1};
    std::optional<CivilDay> best;
    int64_t bestDistance = INT64_MAX;
    for (int step = -3; step <= 12; ++step) {
      CivilDay month = calendar().addMonths(first, step);
      CivilDay candidate{month.year, month.month, day};
      if (!isValidDay(candidate.year, candidate.month, day) || weekdayOf(candidate) != weekday)
        continue;
      int64_t distance = std::llabs(dayNumber(candidate) - dayNumber(today));
      if (distance < bestDistance) bestDistance = distance, best = candidate;
    }
    if (!best) return false;
    setDay(m, *best, k + 2);
    return true;
  }

  // "5/5" after a weekday, which makes it a day: month and day in the locale's order.
  bool monthAndDay(std::size_t k, Match& m) {
    if (!isNumber(k, 2) || !isMark(k + 1, u'/') || !adjacent(k + 1) || !adjacent(k + 2) ||
        !isNumber(k + 2, 2) || (isMark(k + 3, u'/') && adjacent(k + 3)))
      return false;
    int a = static_cast<int>(value(k)), b = static_cast<int>(value(k + 2));
    int mo = lex_.monthFirst ? a : b, d = lex_.monthFirst ? b : a;
    if (mo < 1 || mo > 12) return false;
    int y = nearestYear(mo, d);
    if (!isValidDay(y, mo, d)) return false;
    setDay(m, CivilDay{y, mo, d}, k + 3);
    return true;
  }

  // "12/25", "1/15", "3/4 at 2pm": a month and day alone, in English, where a fraction
  // or a rating would not stand ("3/4 cup", "rated 4/5"): a day past 12 at the end of a
  // clause, or any day before a time.
  bool loneMonthAndDay(std::size_t i, int& mo, int& d, std::size_t& end) {
    if (!english_ || !isMark(i + 1, u'/') || !adjacent(i + 1) || !adjacent(i + 2) ||
        !isNumber(i + 2, 2) || (adjacent(i + 3) && !isMark(i + 3, u'.') && !isMark(i + 3, u',')) ||
        (i > 0 && !toks_[i].newlineBefore && toks_[i - 1].kind == TokenKind::Number))
      return false;
    if (i > 0 && !toks_[i].newlineBefore && toks_[i - 1].kind == TokenKind::Word) {
      WordKey before = foldedKey(text_, toks_[i - 1]);
      for (std::u16string_view counted : {u"page", u"pages", u"p", u"pp", u"part", u"step",
                                          u"chapter", u"issue", u"no", u"vol", u"row"})
        if (before.view() == counted) return false;  // "page 1/15"
    }
    int a = static_cast<int>(value(i)), b = static_cast<int>(value(i + 2));
    mo = lex_.monthFirst ? a : b;
    d = lex_.monthFirst ? b : a;
    if (mo < 1 || mo > 12 || d < 1 || d > 31) return false;
    std::size_t k = isMark(i + 3, u',') ? i + 4 : i + 3;
    if ((roles(k) & kRoleJoiner) || isMark(k, u'@')) ++k;
    Time t;
    if (!(d > 12 && quietAfter(i + 3)) && !(parseTime(k, t) && !t.bare && !t.dotted)) return false;
    end = i + 3;
    return true;
  }

  // "12/09/2026", "09.12.2026", "2026-12-09": three numbers, one separator, no spaces.
  // "09/2012": a month and its year.
  bool numeric(std::size_t i, int& y, int& mo, int& d, std::size_t& end) {
    if (isNumber(i, 2) && isMark(i + 1, u'/') && adjacent(i + 1) && adjacent(i + 2) &&
        isNumberOfLength(i + 2, 4) && !(isMark(i + 3, u'/') && adjacent(i + 3)) && value(i) >= 1 &&
        value(i) <= 12 && value(i + 2) >= 1000) {
      y = static_cast<int>(value(i + 2));
      mo = static_cast<int>(value(i));
      d = 1;
      end = i + 3;
      return true;
    }
    if (dayAndMonth(i, y, mo, d, end)) return true;
    if (!has(i + 4) || toks_[i + 1].kind != TokenKind::Mark) return false;
    char16_t sep = static_cast<char16_t>(toks_[i + 1].value);
    if (sep != u'/' && sep != u'-' && sep != u'.') return false;
    if (!isMark(i + 3, sep)) return false;
    // Dotted runs are versions ("1.1.30", "2024.1.2") unless written as dates are: a
    // four-digit year after the day and month, or every part in two digits.
    if (sep == u'.') {
      uint32_t first = toks_[i].length(), middle = toks_[i + 2].length(),
               last = toks_[i + 4].length();
      bool allTwo = first == 2 && middle == 2 && last == 2;
      bool dated = first == 4 ? middle == 2 && last == 2 : last == 4 || allTwo;
      if (!dated) return false;
    }
    for (std::size_t j = i + 1; j <= i + 4; ++j)
      if (!adjacent(j)) return false;
    if (!isNumber(i + 2, 2) || toks_[i + 4].kind != TokenKind::Number) return false;
    uint32_t a = value(i), b = value(i + 2), c = value(i + 4);
    end = i + 5;
    if (toks_[i].length() == 4) {  // year first
      if (!isNumber(i + 4, 2)) return false;
      y = static_cast<int>(a), mo = static_cast<int>(b), d = static_cast<int>(c);
      return true;
    }
    uint32_t yearLength = toks_[i + 4].length();
    if (!isNumber(i, 2) || (yearLength != 2 && yearLength != 4)) return false;
    y = yearLength == 4 ? static_cast<int>(c) : expandYear(static_cast<int>(c));
    bool monthFirst = lex_.monthFirst;
    if (monthFirst && a > 12 && b <= 12) monthFirst = false;
    if (!monthFirst && b > 12 && a <= 12) monthFirst = true;
    mo = static_cast<int>(monthFirst ? a : b);
    d = static_cast<int>(monthFirst ? b : a);
    return true;
  }

  // Where the day comes first, in the other languages: "12/03", "14/2 2027", "12/3 2027",
  // and with the stop German writes after the month, "12.03.". Without a year, two figures
  // each and a day past 12 or a month with its zero ("24/7" is a week's hours, "8/10" a
  // mark); a dotted one needs its stop ("3.10" is a version).
  bool dayAndMonth(std::size_t i, int& y, int& mo, int& d, std::size_t& end) {
    if (!lex_.other || lex_.monthFirst || !isDayNumber(i) || !adjacent(i + 1) || !adjacent(i + 2) ||
        !isNumber(i + 2, 2) || value(i + 2) < 1 || value(i + 2) > 12)
      return false;
    bool slash = isMark(i + 1, u'/'), dot = isMark(i + 1, u'.');
    std::size_t k = i + 3;
    if (dot) {
      if (!isNumberOfLength(i + 2, 2) || !isMark(k, u'.') || !adjacent(k) ||
          (adjacent(k + 1) && has(k + 1) && toks_[k + 1].kind != TokenKind::Mark))
        return false;
      ++k;
    } else if (!slash || (adjacent(k) && has(k))) {
      return false;
    }
    y = 0;
    if (isNumberOfLength(k, 4) && value(k) >= 1000 && !adjacent(k) &&
        !(has(k + 1) && (toks_[k + 1].kind == TokenKind::Number || adjacent(k + 1)))) {
      y = static_cast<int>(value(k));
      ++k;
    } else if (!isNumberOfLength(i + 2, 2) || !isNumberOfLength(i, 2) ||
               (text_[toks_[i + 2].start] != u'0' && value(i) <= 12) ||
               (has(k) && toks_[k].kind == TokenKind::Number)) {
      return false;  // "8/10" and "10/10" are marks out of ten, "12/03" and "18/12" days
    }
    d = static_cast<int>(value(i));
    mo = static_cast<int>(value(i + 2));
    end = k;
    return true;
  }

  int expandYear(int yy) {
    int refYear = calendar().today().year;
    int y = (refYear / 100) * 100 + yy;
    if (y > refYear + 20) y -= 100;
    if (y <= refYear - 80) y += 100;
    return y;
  }

  int nearestYear(int month, int day) {
    CivilDay today = calendar().today();
    int64_t ref = dayNumber(today);
    int best = today.year;
    int64_t bestDistance = INT64_MAX;
    for (int y = today.year - 1; y <= today.year + 1; ++y) {
      if (!isValidDay(y, month, day)) continue;
      int64_t distance = std::llabs(dayNumber({y, month, day}) - ref);
      if (distance < bestDistance) bestDistance = distance, best = y;
    }
    return best;
  }

  // "2026-12-09T10:00:00Z", "…T10:00+01:00".
  void isoTime(Match& m) {
    std::size_t k = m.end;
    if (!isWord(k, u't') || !adjacent(k) || !adjacent(k + 1)) return;
    Time t;
    if (!parseTime(k + 1, t) || t.bare || t.dotted || t.meridiem) return;
    std::size_t j = t.end;
    if (!t.zone && adjacent(j)) {
      if (isWord(j, u'z')) {
        t.zone = NSTimeZone::timeZoneForSecondsFromGMT(0);
        ++j;
      } else if ((isMark(j, u'+') || isMark(j, u'-')) && adjacent(j + 1) &&
                 isNumberOfLength(j + 1, 2)) {
        int hours = static_cast<int>(value(j + 1)), minutes = 0;
        bool plus = isMark(j, u'+');
        std::size_t e = j + 2;
        if (isMark(e, u':') && adjacent(e) && adjacent(e + 1) && isNumberOfLength(e + 1, 2)) {
          minutes = static_cast<int>(value(e + 1));
          e += 2;
        }
        int seconds = (hours * 60 + minutes) * 60;
        if (hours <= 18 && minutes <= 59) {
          t.zone = NSTimeZone::timeZoneForSecondsFromGMT(plus ? seconds : -seconds);
          j = e;
        }
      }
    }
    m.hasTime = true;
    m.time = t;
    m.end = j;
  }

  Strong<NSTextCheckingResult> result(std::size_t first, const Match& m, NSUInteger base) {
    NSTimeInterval when;
    if (m.instant) {
      when = *m.instant;
    } else {
      // "midnight" without a day is the one coming, not the one past.
      CivilDay day = m.hasDay                       ? m.day
                     : m.hasTime && m.time.midnight ? calendar().addDays(calendar().today(), 1)
                                                    : calendar().today();
      Time t = m.time;
      if (!m.hasTime) t = Time(), t.hour = m.defaultHour;
      when = calendar().instant(day, t.hour, t.minute, t.second, t.zone.get()) + t.fraction;
    }
    NSRange range =
        NSMakeRange(base + toks_[first].start, toks_[m.end - 1].end - toks_[first].start);
    auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(when);
    if (m.time.zone || m.duration > 0) {
      return NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(
          range, date, m.hasTime ? m.time.zone : nullptr, m.duration);
    }
    return NSTextCheckingResult::dateCheckingResultWithRangeDate(range, date);
  }

  std::u16string_view text_;
  const std::vector<Token>& toks_;
  const DateLexicon& lex_;
  const ScanContext& context_;
  std::vector<const DateWord*> words_;  // each word's lexicon entry, or none
  std::size_t lineEnd_ = 0;             // one past the last token of the current line
  bool countingFrom_ = false;           // inside the day of "a week from Friday"
  bool english_ = context_.locale.empty() || context_.locale.starts_with("en");
  std::optional<DateCalendar> calendar_;
};

}  // namespace

void scanDates(std::u16string_view text, NSUInteger base, const ScanContext& context,
               std::vector<Strong<NSTextCheckingResult>>& out) {
  const DateLexicon& lex = dateLexicon(context.locale.empty() ? "en_US_POSIX" : context.locale);
  forEachPiece(text, base, u" \n\t", [&](std::u16string_view piece, NSUInteger at) {
    std::vector<Token> toks = tokenize(piece);
    joinWords(piece, toks, lex);
    Parser(piece, toks, lex, context).scan(at, out);
    if (lex.cjk) scanCjkDates(piece, at, context, out);
  });
}

}  // namespace foundation::detect
