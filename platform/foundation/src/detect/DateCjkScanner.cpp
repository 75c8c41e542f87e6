#include "DateCjkScanner.h"

#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>

#include <algorithm>
#include <optional>
#include <string>

#include "DateCalendar.h"
#include "DateData.h"
#include "DateLexicon.h"
#include "Foundation/NSDate.h"

// Every form starts at a number, a day word, a week word, a weekday or a part of the
// day, and reads a bounded number of characters on; a match moves the scan past it,
// a miss one character. The choices where the text leaves the moment open follow the
// other scanner: a day alone is at noon, a weekday alone is the next such day (today
// included), a month and day without a year take the nearest year, and a week starts
// on Monday ("下周三" is the Wednesday of next week).
//
// The words are those of data/dates/ja.txt and zh.txt together, with ICU's weekday
// names, halves of the day and relative days, weeks, months and years for ja, zh and
// zh_Hant; built once, indexed by their first character.

namespace foundation::detect {

namespace {

constexpr int kNoon = 12;

enum Role : uint8_t {
  kDay,
  kNightOf,
  kMorningOf,
  kWeek,
  kWeekOfWeekday,  // "下个" of "下个周末": a week before a weekday only
  kComing,         // "次の月曜日": the next such weekday, today left out
  kMonth,
  kYear,
  kDayPart,
  kUnitSecond,
  kUnitMinute,
  kUnitHour,
  kUnitDay,
  kUnitWeek,
  kUnitMonth,
  kUnitYear,
  kLater,
  kAgo,
  kHalf,
  kNumeral,
  kTen,
  kWeekday,
  kWeekdayShort,  // one character ("水", "三"): a weekday in brackets only
  kWeekdayBare,
  kWeekdayPrefix,
  kHourMark,
  kMinuteMark,
  kSecondMark,
  kQuarter,
  kOClock,
  kYearMark,
  kMonthMark,
  kDayMark,
  kMonthSuffix,
  kEdge,  // "月末", "上旬": the start (1), middle (2) or end (3) of a month
  kOrdinalMark,
  kCounting,
  kHourFollows,
  kOf,
  kFrom,
  kTo,
  kUntil,
};
using Roles = uint64_t;
constexpr Roles bit(Role r) {
  return Roles(1) << r;
}
constexpr Roles kUnits = bit(kUnitSecond) | bit(kUnitMinute) | bit(kUnitHour) | bit(kUnitDay) |
                         bit(kUnitWeek) | bit(kUnitMonth) | bit(kUnitYear);

struct Word {
  std::u16string text;
  Role role;
  int value;
};

class Tables {
 public:
  Tables() {
    for (const char* language : {"ja", "zh"}) {
      readDateData(embeddedDateData(language),
                   [this](std::string_view role, std::string_view w) { entry(role, w); });
    }
    for (const char* name : {"ja", "zh", "zh_Hant"}) icuWords(icu::Locale(name));
    for (auto& words : buckets_) {
      std::stable_sort(words.begin(), words.end(),
                       [](const Word& a, const Word& b) { return a.text.size() > b.text.size(); });
    }
  }

  // The longest word at the start of `s` with one of `roles`.
  const Word* find(std::u16string_view s, Roles roles) const {
    if (s.empty() || index_[s[0]] < 0) return nullptr;
    for (const Word& w : buckets_[index_[s[0]]])
      if ((roles & bit(w.role)) && s.substr(0, w.text.size()) == w.text) return &w;
    return nullptr;
  }
  bool starts(char16_t c) const { return index_[c] >= 0 || numerals_[c] >= 0; }
  // A Han numeral's value, 0 to 9, or 10 for a ten; -1 otherwise.
  int numeral(char16_t c) const { return numerals_[c]; }

 private:
  void add(std::u16string text, Role role, int value) {
    if (text.empty()) return;
    if (role == kNumeral || role == kTen) {
      if (text.size() == 1) numerals_[text[0]] = static_cast<int8_t>(role == kTen ? 10 : value);
      return;
    }
    if (index_[text[0]] < 0) {
      index_[text[0]] = static_cast<int32_t>(buckets_.size());
      buckets_.emplace_back();
    }
    auto& words = buckets_[index_[text[0]]];
    for (Word& w : words) {
      if (w.text == text && w.role == role) {  // the later file, or ICU, wins
        w.value = value;
        return;
      }
    }
    words.push_back({std::move(text), role, value});
  }

  void entry(std::string_view role, std::string_view written) {
    static constexpr std::pair<const char*, Role> kPlain[] = {
        {"second", kUnitSecond},
        {"minute", kUnitMinute},
        {"hour", kUnitHour},
        {"day", kUnitDay},
        {"week", kUnitWeek},
        {"month", kUnitMonth},
        {"year", kUnitYear},
        {"later", kLater},
        {"ago", kAgo},
        {"half", kHalf},
        {"ten", kTen},
        {"weekday-prefix", kWeekdayPrefix},
        {"hour-mark", kHourMark},
        {"minute-mark", kMinuteMark},
        {"second-mark", kSecondMark},
        {"quarter", kQuarter},
        {"oclock", kOClock},
        {"year-mark", kYearMark},
        {"month-mark", kMonthMark},
        {"day-mark", kDayMark},
        {"month-suffix", kMonthSuffix},
        {"ordinal-mark", kOrdinalMark},
        {"counting", kCounting},
        {"hour-follows", kHourFollows},
        {"of", kOf},
        {"from", kFrom},
        {"to", kTo},
        {"until", kUntil},
        {"coming", kComing},
    };
    static constexpr std::pair<const char*, Role> kValued[] = {
        {"day", kDay},
        {"night-of", kNightOf},
        {"morning-of", kMorningOf},
        {"week", kWeek},
        {"week-of-weekday", kWeekOfWeekday},
        {"month", kMonth},
        {"year", kYear},
        {"daypart", kDayPart},
        {"numeral", kNumeral},
        {"weekday", kWeekday},
        {"weekday-bare", kWeekdayBare},
        {"edge", kEdge},
    };
    std::u16string w = utf16(written);
    std::size_t eq = role.find('=');
    if (role == "counted-hour-mark") return add(w, kHourMark, 1);
    if (eq == std::string_view::npos) {
      for (auto [name, r] : kPlain)
        if (role == name) add(w, r, 0);
      return;
    }
    std::string_view name = role.substr(0, eq);
    int n = std::atoi(std::string(role.substr(eq + 1)).c_str());
    for (auto [valued, r] : kValued)
      if (name == valued) add(w, r, n);
  }

  static std::u16string utf16(std::string_view utf8) {
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), utf8.size()));
    return u16(s);
  }
  static std::u16string u16(const icu::UnicodeString& s) {
    return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()), s.length());
  }

  void icuWords(const icu::Locale& loc) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(loc, status);
    if (U_SUCCESS(status)) {
      for (auto context : {icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::STANDALONE}) {
        for (auto width : {icu::DateFormatSymbols::WIDE, icu::DateFormatSymbols::ABBREVIATED,
                           icu::DateFormatSymbols::SHORT, icu::DateFormatSymbols::NARROW}) {
          int32_t n = 0;
          const icu::UnicodeString* days = symbols.getWeekdays(n, context, width);
          for (int32_t i = 1; i < n && i <= 7; ++i)
            add(u16(days[i]), days[i].length() >= 2 ? kWeekday : kWeekdayShort, i);
        }
      }
      int32_t n = 0;
      const icu::UnicodeString* ampm = symbols.getAmPmStrings(n);
      for (int32_t i = 0; i < n && i < 2; ++i) add(u16(ampm[i]), kDayPart, i == 0 ? 9 : 15);
    }
    status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter f(loc, status);
    if (U_FAILURE(status)) return;
    const std::pair<UDateAbsoluteUnit, Role> units[] = {{UDAT_ABSOLUTE_DAY, kDay},
                                                        {UDAT_ABSOLUTE_WEEK, kWeek},
                                                        {UDAT_ABSOLUTE_MONTH, kMonth},
                                                        {UDAT_ABSOLUTE_YEAR, kYear}};
    const std::pair<UDateDirection, int> directions[] = {{UDAT_DIRECTION_LAST_2, -2},
                                                         {UDAT_DIRECTION_LAST, -1},
                                                         {UDAT_DIRECTION_THIS, 0},
                                                         {UDAT_DIRECTION_NEXT, 1},
                                                         {UDAT_DIRECTION_NEXT_2, 2}};
    for (auto [unit, role] : units) {
      for (auto [direction, offset] : directions) {
        icu::UnicodeString s;
        status = U_ZERO_ERROR;
        f.format(direction, unit, s, status);
        // One word, without spaces: some locales write "this week" in two.
        if (U_SUCCESS(status) && !s.isEmpty() && s.indexOf(u' ') < 0) add(u16(s), role, offset);
      }
    }
  }

  // The words by their first character, longest first: index_ gives the bucket.
  std::vector<int32_t> index_ = std::vector<int32_t>(0x10000, -1);
  std::vector<std::vector<Word>> buckets_;
  std::vector<int8_t> numerals_ = std::vector<int8_t>(0x10000, -1);
};

const Tables& tables() {
  static const Tables* t = new Tables;  // built once, thread safe; lives past exit
  return *t;
}

struct Found {
  std::size_t end = 0;
  bool hasDay = false;
  CivilDay day;
  bool hasTime = false;
  int hour = kNoon, minute = 0, second = 0;
  bool oclock = false;                    // the time had its "钟" or "整"
  bool counted = false;                   // its hour mark counts things too ("点")
  std::optional<NSTimeInterval> instant;  // "3時間後": a moment, not a wall time
  NSTimeInterval duration = 0;            // a range: its last moment less its first
};

bool isDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'\uFF10' && c <= u'\uFF19');
}
int digitOf(char16_t c) {
  return c <= u'9' ? c - u'0' : c - u'\uFF10';
}
bool isHan(char16_t c) {
  return (c >= u'\u3400' && c <= u'\u4DBF') || (c >= u'\u4E00' && c <= u'\u9FFF') ||
         (c >= u'\uF900' && c <= u'\uFAFF');
}
// A letter of these languages: Han, hiragana or katakana.
bool isCjkLetter(char16_t c) {
  return isHan(c) || (c >= u'\u3040' && c <= u'\u30FF');
}

// How the hours after a part of the day are read, from the hour it stands for alone:
// 1 before noon, 2 after, 3 at night (after noon unless the hour is 12 or before 5).
int partOf(int hour) {
  return hour < 12 ? 1 : hour < 18 ? 2 : 3;
}

class Scanner {
 public:
  Scanner(std::u16string_view text, const ScanContext& context)
      : t_(text), context_(context), w_(tables()) {}

  void scan(NSUInteger base, std::vector<Strong<NSTextCheckingResult>>& out) {
    std::size_t p = 0;
    while (p < t_.size()) {
      Found f;
      char16_t c = t_[p];
      if ((isDigit(c) || w_.starts(c)) && canStart(p)) {
        std::size_t start = p;
        const Word* from = find(p, bit(kFrom));
        if (from && parse(p + from->text.size(), f) && range(f)) {
          out.push_back(result(start, f, base));
          p = f.end;
          continue;
        }
        f = Found();
        if (parse(p, f)) {
          range(f);
          out.push_back(result(start, f, base));
          p = f.end;
          continue;
        }
      }
      ++p;
    }
  }

 private:
  char16_t at(std::size_t p) const { return p < t_.size() ? t_[p] : 0; }
  const Word* find(std::size_t p, Roles roles) const {
    return p < t_.size() ? w_.find(t_.substr(p), roles) : nullptr;
  }
  // The index past a word of `roles` at p, or p.
  std::size_t skip(std::size_t p, Roles roles) const {
    const Word* w = find(p, roles);
    return w ? p + w->text.size() : p;
  }
  bool isNumeral(std::size_t p) const {
    return p < t_.size() && (isDigit(t_[p]) || w_.numeral(t_[p]) >= 0);
  }

  DateCalendar& calendar() {
    if (!calendar_) calendar_.emplace(context_.referenceDate, context_.timeZone.get());
    return *calendar_;
  }
  int mondayToday() { return (calendar().weekdayToday() + 5) % 7; }

  // Not inside a run of digits or numerals, nor inside a Latin word, nor after the
  // mark of an ordinal ("第三点").
  bool canStart(std::size_t p) const {
    if (p == 0) return true;
    char16_t before = t_[p - 1];
    if (isNumeral(p) && (isNumeral(p - 1) || find(p - 1, bit(kOrdinalMark)))) return false;
    if (isDigit(t_[p]) && (before == u'.' || before == u',' || before == u'/' || before == u':' ||
                           before == u'-' || before == u'+' || (before >= u'A' && before <= u'z')))
      return false;
    return true;
  }

  // Figures (ASCII or full width, up to four) or Han numerals ("十二", "二十一",
  // "二〇二六"). Sets `end` and the number of figures written.
  bool number(std::size_t p, int& value, std::size_t& end, int* figures = nullptr) const {
    std::size_t q = p;
    int v = 0, n = 0;
    while (q < t_.size() && isDigit(t_[q]) && n < 5) v = v * 10 + digitOf(t_[q++]), ++n;
    if (n) {
      if (n > 4 || isDigit(at(q))) return false;
      value = v;
      end = q;
      if (figures) *figures = n;
      return true;
    }
    // Han numerals: tens with a ten ("二十一", "十二", "三十"), or figure by figure.
    auto han = [&](std::size_t i) { return i < t_.size() ? w_.numeral(t_[i]) : -1; };
    int tens;
    int d = han(q);
    if (d == 10) {
      tens = 1;
      ++q;
    } else if (d >= 0 && han(q + 1) == 10) {
      tens = d;
      q += 2;
    } else if (d >= 0) {
      while (han(q) >= 0 && han(q) < 10 && n < 4) v = v * 10 + han(q++), ++n;
      if (han(q) >= 0) return false;
      value = v;
      end = q;
      if (figures) *figures = n;
      return true;
    } else {
      return false;
    }
    int units = 0;
    if (int u = han(q); u > 0 && u < 10) {
      units = u;
      ++q;
    }
    if (han(q) >= 0) return false;
    value = tens * 10 + units;
    end = q;
    if (figures) *figures = 2;
    return true;
  }

  bool parse(std::size_t p, Found& f) {
    if (const Word* e = find(p, bit(kDay) | bit(kNightOf) | bit(kMorningOf))) {
      f.hasDay = true;
      f.day = calendar().addDays(calendar().today(), e->value);
      f.end = p + e->text.size();
      if (e->role == kNightOf) f.hour = 20;
      if (e->role == kMorningOf) f.hour = 8;
      timeAfter(f, e->role == kNightOf ? 3 : e->role == kMorningOf ? 1 : 0);
      return true;
    }
    if (const Word* e = find(p, bit(kWeekOfWeekday))) {  // "下个周末", "这个星期五"
      int wd = 0;
      if (std::size_t after = weekday(p + e->text.size(), wd)) {
        f.hasDay = true;
        f.day = calendar().addDays(calendar().today(), 7 * e->value + wd - mondayToday());
        f.end = after;
        timeAfter(f, 0);
        return true;
      }
    }
    if (const Word* e = find(p, bit(kComing))) {  // "次の月曜日", "今度の日曜日"
      int wd = 0;
      if (std::size_t after = weekday(p + e->text.size(), wd)) {
        f.hasDay = true;
        f.day = calendar().addDays(calendar().today(), (wd - mondayToday() + 6) % 7 + 1);
        f.end = after;
        timeAfter(f, 0);
        return true;
      }
    }
    if (const Word* e = find(p, bit(kWeek))) {
      std::size_t q = p + e->text.size();
      std::size_t r = skip(q, bit(kOf));
      int wd = 0;
      std::size_t after = weekday(r, wd);
      if (!after && r == q) after = bare(q, wd);  // "下周三"
      f.hasDay = true;
      if (after) {
        f.day = calendar().addDays(calendar().today(), 7 * e->value + wd - mondayToday());
        f.end = after;
        timeAfter(f, 0);
      } else {
        f.day = calendar().addDays(calendar().today(), 7 * e->value);
        f.end = q;
      }
      return true;
    }
    if (const Word* e = find(p, bit(kMonth) | bit(kYear))) {
      std::size_t q = p + e->text.size();
      std::size_t r = skip(q, bit(kOf));
      CivilDay today = calendar().today();
      f.hasDay = true;
      f.end = q;
      if (e->role == kMonth) {
        f.day = calendar().addMonths(today, e->value);
        int d;
        if (dayNumber(r, d, f.end) && isValidDay(f.day.year, f.day.month, d)) {  // "来月12日"
          f.day.day = d;
          weekdayAfter(f);
          timeAfter(f, 0);
        } else {
          edge(f);  // "今月末", "下个月初"
        }
        return true;
      }
      f.day = calendar().addMonths(today, 12 * e->value);
      Found g;
      if (written(r, g, f.day.year)) f = g;  // "来年3月", "去年12月5日"
      return true;
    }
    int wd = 0;
    if (std::size_t after = weekday(p, wd)) {
      f.hasDay = true;
      f.day = calendar().addDays(calendar().today(), (wd - mondayToday() + 7) % 7);
      f.end = after;
      timeAfter(f, 0);
      return true;
    }
    if (const Word* part = find(p, bit(kDayPart))) {
      std::size_t q = p + part->text.size();
      return isNumeral(q) && clock(q, partOf(part->value), f);
    }
    if (find(p, bit(kHalf))) return amount(p, f);                         // "半小时后"
    if (const Word* e = find(p, bit(kEdge)); e && e->text.size() >= 2) {  // "月末": this month's
      f.hasDay = true;
      f.day = calendar().today();
      f.end = p;
      edge(f);
      return true;
    }
    if (!isNumeral(p)) return false;
    if (amount(p, f) || written(p, f) || slashed(p, f)) return true;
    // A time alone needs its minutes, its "钟", or a word after it that keeps it a time,
    // or else no letter after it, and in Han numerals the end of the sentence: "3点建议",
    // "2点的优势" and "有三点，" are points, and "以下3点：" introduces a list.
    Found t;
    if (!clock(p, 0, t)) return false;
    char16_t next = at(t.end);
    if (t.minute == 0 && !t.oclock &&
        !find(t.end, bit(kHourFollows) | bit(kLater) | bit(kAgo) | bit(kTo) | bit(kUntil) |
                         (t.counted ? 0 : bit(kOf))) &&
        (isCjkLetter(next) || next == u':' || next == u'：' ||
         (!isDigit(at(p)) && next && next != u'\n' && next != u'。' && next != u'！' &&
          next != u'？')))
      return false;
    f = t;
    return true;
  }

  // A weekday: "星期三", "周三", "礼拜天", "水曜日", "水曜". Sets wd (Monday 0) and returns
  // the index past it, or 0.
  std::size_t weekday(std::size_t p, int& wd) const {
    const Word* full = find(p, bit(kWeekday));
    if (const Word* prefix = find(p, bit(kWeekdayPrefix))) {
      std::size_t q = p + prefix->text.size();
      if (std::size_t after = bare(q, wd); after && (!full || after > p + full->text.size()))
        return after;
    }
    if (!full) return 0;
    wd = (full->value + 5) % 7;
    return p + full->text.size();
  }

  // The number of a Chinese weekday after its "星期" or week: 一 to 六, 日 or 天.
  std::size_t bare(std::size_t q, int& wd) const {
    const Word* w = find(q, bit(kWeekdayBare));
    if (!w) return 0;
    wd = (w->value + 5) % 7;
    return q + w->text.size();
  }

  // A day of the month and its mark: "12日", "5号".
  bool dayNumber(std::size_t p, int& day, std::size_t& end) const {
    std::size_t q;
    if (!number(p, day, q) || day < 1 || day > 31) return false;
    const Word* mark = find(q, bit(kDayMark));
    if (!mark) return false;
    end = q + mark->text.size();
    return true;
  }

  // "3天后", "两天前", "3日後", "2週間後", "3時間後", "30分钟后", "1か月後", "半年前".
  bool amount(std::size_t p, Found& f) {
    int n;
    std::size_t q;
    const Word* half = find(p, bit(kHalf));
    if (half) {
      n = 1;
      q = p + half->text.size();
    } else if (!number(p, n, q)) {
      return false;
    }
    const Word* unit = find(q, kUnits);
    if (!unit || (half && unit->role == kUnitWeek)) return false;
    q += unit->text.size();
    const Word* dir = find(q, bit(kLater) | bit(kAgo));
    if (!dir) return false;
    f.end = q + dir->text.size();
    int sign = dir->role == kLater ? 1 : -1;
    DateCalendar& cal = calendar();
    auto seconds = [&](double size) {
      f.instant = cal.reference() + sign * n * size / (half ? 2 : 1);
    };
    switch (unit->role) {
      case kUnitSecond:
        seconds(1);
        break;
      case kUnitMinute:
        seconds(60);
        break;
      case kUnitHour:
        seconds(3600);
        break;
      case kUnitDay:
        if (half) {
          seconds(86400);
        } else {
          f.hasDay = true;
          f.day = cal.addDays(cal.today(), sign * n);
        }
        break;
      case kUnitWeek:
        f.hasDay = true;
        f.day = cal.addDays(cal.today(), sign * n * 7);
        break;
      default:  // months and years
        f.hasDay = true;
        if (half && unit->role == kUnitMonth) {
          f.day = cal.addDays(cal.today(), sign * 15);
        } else {
          int months = unit->role == kUnitYear ? (half ? 6 : 12 * n) : n;
          f.day = cal.addMonths(cal.today(), sign * months);
        }
    }
    if (f.hasDay) timeAfter(f, 0);  // "2日後の午後"
    return true;
  }

  // "2026年3月12日", "3月12日", "3月12号", "12日", "2026年3月", "三月十二日"; `year` for
  // the month and day of a year word ("来年3月5日").
  bool written(std::size_t p, Found& f, int year = 0) {
    int a, figures;
    std::size_t q;
    if (!number(p, a, q, &figures)) return false;
    int month = 0, day = 0;
    if (const Word* y = find(q, bit(kYearMark)); y && !year && (figures == 4 || figures == 2)) {
      year = figures == 2 ? 2000 + a : a;
      std::size_t r = skip(q + y->text.size(), bit(kOf));
      if (!number(r, month, q) || !find(q, bit(kMonthMark))) return false;
    } else if (find(q, bit(kMonthMark))) {
      month = a;
    } else if (const Word* mark = find(q, bit(kDayMark));
               // Not "3号": a house, a line, a size more often than a day.
               mark && !year && mark->text == u"日" && a >= 1 && a <= 31 &&
               !find(q + mark->text.size(), bit(kCounting)) &&
               !isNumeral(q + mark->text.size()) &&  // "1日3回": a rate
               (isDigit(at(p)) || a > 1)) {          // "一日" alone is more often "one day"
      CivilDay today = calendar().today();
      if (!isValidDay(today.year, today.month, a)) return false;
      f.hasDay = true;
      f.day = {today.year, today.month, a};
      f.end = q + 1;
      weekdayAfter(f);
      timeAfter(f, 0);
      return true;
    } else {
      return false;
    }
    if (month < 1 || month > 12) return false;
    q = skip(q, bit(kMonthMark));
    bool edged = false;
    if (!dayNumber(q, day, q)) {
      day = 0;
      q = skip(q, bit(kMonthSuffix));  // "3月份"
      edged = find(q, bit(kEdge)) != nullptr;
    }
    if (!year) year = nearestYear(month, day ? day : 1);
    if (!isValidDay(year, month, day ? day : 1)) return false;
    f.hasDay = true;
    f.day = {year, month, day ? day : 1};
    f.end = q;
    if (day) {
      weekdayAfter(f);
      timeAfter(f, 0);
    } else if (edged) {
      edge(f);  // "3月末", "三月上旬"
    }
    return true;
  }

  // "末", "上旬" after a month: its day moves to the month's start, middle or end.
  void edge(Found& f) const {
    const Word* e = find(f.end, bit(kEdge));
    if (!e) return;
    int d = e->value == 1 ? 1 : e->value == 2 ? 15 : 31;
    while (d > 28 && !isValidDay(f.day.year, f.day.month, d)) --d;
    f.day.day = d;
    f.end += e->text.size();
  }

  // "12/25", "3/5（木）", "3/5 15:00": a month and day without their marks. Both of one
  // figure ("1/2", "3/4") are a fraction unless a weekday or a time comes after.
  bool slashed(std::size_t p, Found& f) {
    int month, day, figures;
    std::size_t q, r;
    if (!isDigit(at(p)) || !number(p, month, q) || at(q) != u'/' || month < 1 || month > 12 ||
        !isDigit(at(q + 1)) || !number(q + 1, day, r, &figures) || day < 1 || day > 31 ||
        at(r) == u'/' || at(r) == u'.')
      return false;
    int year = nearestYear(month, day);
    if (!isValidDay(year, month, day)) return false;
    f.hasDay = true;
    f.day = {year, month, day};
    f.end = r;
    weekdayAfter(f);
    timeAfter(f, 0);
    return f.end > r || (figures == 2 && !isHan(at(r)) && !isDigit(at(r)));  // not "1/20人"
  }

  // "（水）", "(水)", "(周三)", "水曜日", "星期三" after a day: part of the date, the day
  // unchanged.
  void weekdayAfter(Found& f) {
    std::size_t q = f.end;
    int wd;
    if (at(q) == u'(' || at(q) == u'（') {
      std::size_t r = weekday(q + 1, wd);
      if (!r) {
        const Word* w = find(q + 1, bit(kWeekdayShort));
        r = w ? q + 1 + w->text.size() : 0;
      }
      if (r && (at(r) == u')' || at(r) == u'）')) f.end = r + 1;
      return;
    }
    std::size_t r = q;
    if (at(r) == u' ' || at(r) == u'、' || at(r) == u'，') ++r;
    if (std::size_t after = weekday(r, wd)) f.end = after;
  }

  // A time after a day: "の午後3時", "下午3点", " 15:30", "15時30分".
  void timeAfter(Found& f, int hint) {
    std::size_t q = f.end;
    if (at(q) == u' ' || at(q) == u'、' || at(q) == u'，') {
      ++q;
    } else {
      q = skip(q, bit(kOf));
    }
    int part = hint;
    if (const Word* e = find(q, bit(kDayPart))) {
      part = partOf(e->value);
      q += e->text.size();
      if (!isNumeral(q)) {  // "明天下午": its part of the day alone
        f.hour = e->value;
        f.end = q;
        return;
      }
    }
    Found t;
    if (isNumeral(q) && clock(q, part, t)) {
      f.hasTime = true;
      f.hour = t.hour;
      f.minute = t.minute;
      f.second = t.second;
      f.end = t.end;
    }
  }

  // "3時", "15時30分", "3点半", "三点一刻", "3点15", "下午3点" (with its part), "１５：３０".
  bool clock(std::size_t p, int part, Found& f) {
    int h, m = 0, s = 0;
    std::size_t q;
    if (!number(p, h, q) || h > 24) return false;
    if (const Word* mark = find(q, bit(kHourMark))) {
      q += mark->text.size();
      f.counted = mark->value == 1;
      if (find(q, bit(kCounting)) && !find(q, bit(kHourFollows) | bit(kLater) | bit(kAgo)))
        return false;  // "3時間"
      std::size_t r;
      int mm, figures;
      if (const Word* half = find(q, bit(kHalf))) {
        m = 30;
        q += half->text.size();
      } else if (number(q, mm, r, &figures) && mm <= 59) {
        if (const Word* mark = find(r, bit(kMinuteMark))) {
          m = mm;
          q = r + mark->text.size();
          int ss;
          if (number(q, ss, r) && ss <= 59 && (mark = find(r, bit(kSecondMark)))) {
            s = ss;
            q = r + mark->text.size();
          }
        } else if (const Word* quarter = find(r, bit(kQuarter)); quarter && mm >= 1 && mm <= 3) {
          m = 15 * mm;
          q = r + quarter->text.size();
        } else if (figures == 2 && !find(r, kUnits)) {  // "3点15", "三点二十"
          m = mm;
          q = r;
        }
      }
    } else if ((at(q) == u':' || at(q) == u'：') && isDigit(at(q + 1)) && isDigit(at(q + 2)) &&
               !isDigit(at(q + 3))) {
      m = digitOf(at(q + 1)) * 10 + digitOf(at(q + 2));
      if (m > 59) return false;
      q += 3;
    } else {
      return false;
    }
    f.oclock = find(q, bit(kOClock)) != nullptr;
    q = skip(q, bit(kOClock));
    if (part == 2 && h < 12) h += 12;
    if (part == 3 && h < 12 && h >= 5) h += 12;
    if (part == 1 && h == 12) h = 0;
    if (h > 23) return false;
    f.hasTime = true;
    f.hour = h;
    f.minute = m;
    f.second = s;
    f.end = q;
    return true;
  }

  // After a date, the other end of its range: "から15日まで", "至15日", "到3月15日",
  // "～17時". A day alone takes the first's month, a time alone its day.
  bool range(Found& f) {
    const Word* to = find(f.end, bit(kTo));
    if (!to || f.instant) return false;
    std::size_t q = f.end + to->text.size();
    Found g;
    int d;
    if (dayNumber(q, d, g.end) && f.hasDay && !find(g.end, bit(kCounting))) {
      g.hasDay = true;
      g.day = f.day;
      g.day.day = d;
      if (!isValidDay(g.day.year, g.day.month, d) || d <= f.day.day) return false;
      weekdayAfter(g);
      timeAfter(g, 0);
    } else if (f.hasTime && isNumeral(q) && clock(q, f.hour >= 12 ? 2 : 0, g)) {
      g.hasDay = true;
      g.day = f.hasDay ? f.day : calendar().today();
    } else {
      if (!parse(q, g) || g.instant) return false;
    }
    NSTimeInterval start = moment(f), last = moment(g);
    if (last <= start) return false;
    f.duration = last - start;
    f.end = skip(g.end, bit(kUntil));
    return true;
  }

  int nearestYear(int month, int day) {
    DateCalendar& cal = calendar();
    int ty = cal.today().year;
    int best = ty;
    double bestDistance = -1;
    for (int y = ty - 1; y <= ty + 1; ++y) {
      if (!isValidDay(y, month, day)) continue;
      double d = cal.instant({y, month, day}, kNoon, 0, 0) - cal.reference();
      if (d < 0) d = -d;
      if (bestDistance < 0 || d < bestDistance) bestDistance = d, best = y;
    }
    return best;
  }

  NSTimeInterval moment(const Found& f) {
    DateCalendar& cal = calendar();
    if (f.instant) return *f.instant;
    return cal.instant(f.hasDay ? f.day : cal.today(), f.hour, f.minute, f.second);
  }

  Strong<NSTextCheckingResult> result(std::size_t start, const Found& f, NSUInteger base) {
    NSRange range = NSMakeRange(base + start, f.end - start);
    auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(moment(f));
    if (f.duration > 0) {
      return NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(
          range, date, nullptr, f.duration);
    }
    return NSTextCheckingResult::dateCheckingResultWithRangeDate(range, date);
  }

  std::u16string_view t_;
  const ScanContext& context_;
  const Tables& w_;
  std::optional<DateCalendar> calendar_;
};

}  // namespace

void scanCjkDates(std::u16string_view text, NSUInteger base, const ScanContext& context,
                  std::vector<Strong<NSTextCheckingResult>>& out) {
  Scanner(text, context).scan(base, out);
}

}  // namespace foundation::detect
