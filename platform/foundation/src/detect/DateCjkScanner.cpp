#include "DateCjkScanner.h"

#include <optional>

#include "DateCalendar.h"
#include "Foundation/NSDate.h"

// Every form starts at a number, a day word, a week word, a weekday or a part of the
// day, and reads a bounded number of characters on; a match moves the scan past it,
// a miss one character. The choices where the text leaves the moment open follow the
// other scanner: a day alone is at noon, a weekday alone is the next such day (today
// included), a month and day without a year take the nearest year, and a week starts
// on Monday ("下周三" is the Wednesday of next week).

namespace foundation::detect {

namespace {

constexpr int kNoon = 12;

struct Found {
  std::size_t end = 0;
  bool hasDay = false;
  CivilDay day;
  bool hasTime = false;
  int hour = kNoon, minute = 0;
  std::optional<NSTimeInterval> instant;  // "3時間後": a moment, not a wall time
};

// A word of the text and what it stands for.
struct Entry {
  std::u16string_view text;
  int value;
};

// Relative days; longest first where one begins another.
constexpr Entry kDays[] = {
    {u"大后天", 3},  {u"大後天", 3},    {u"大前天", -3}, {u"明後日", 2}, {u"あさって", 2},
    {u"一昨日", -2}, {u"おととい", -2}, {u"今日", 0},    {u"きょう", 0}, {u"本日", 0},
    {u"明日", 1},    {u"あした", 1},    {u"あす", 1},    {u"昨日", -1},  {u"きのう", -1},
    {u"今天", 0},    {u"明天", 1},      {u"后天", 2},    {u"後天", 2},   {u"昨天", -1},
    {u"前天", -2},   {u"今晚", 0},      {u"今夜", 0},    {u"今朝", 0},   {u"今晩", 0},
};
// Times of day written before an hour: 1 before noon, 2 after, 3 at night (after
// noon unless the hour is 12, or earlier than 5).
constexpr Entry kDayParts[] = {
    {u"午前", 1}, {u"午後", 2}, {u"上午", 1}, {u"下午", 2}, {u"早上", 1},
    {u"早晨", 1}, {u"凌晨", 1}, {u"中午", 2}, {u"傍晚", 2}, {u"晚上", 3},
    {u"夜晚", 3}, {u"夕方", 2}, {u"朝", 1},   {u"夜", 3},   {u"晚", 3},
};
// Weeks from this one: "来週", "下周", "上星期".
constexpr Entry kWeeks[] = {
    {u"再来週", 2},   {u"来週", 1},     {u"今週", 0},      {u"先週", -1},     {u"下下周", 2},
    {u"下个星期", 1}, {u"下個星期", 1}, {u"上个星期", -1}, {u"上個星期", -1}, {u"这个星期", 0},
    {u"這個星期", 0}, {u"下星期", 1},   {u"上星期", -1},   {u"本星期", 0},    {u"这星期", 0},
    {u"下礼拜", 1},   {u"下禮拜", 1},   {u"上礼拜", -1},   {u"上禮拜", -1},   {u"下周", 1},
    {u"下週", 1},     {u"上周", -1},    {u"上週", -1},     {u"这周", 0},      {u"這週", 0},
    {u"本周", 0},     {u"本週", 0},
};
// Months and years from this one: "来月", "下个月", "去年". Years are 12 months.
constexpr Entry kMonths[] = {
    {u"来月", 1},    {u"今月", 0},    {u"先月", -1},  {u"下个月", 1}, {u"下個月", 1},
    {u"上个月", -1}, {u"上個月", -1}, {u"这个月", 0}, {u"這個月", 0}, {u"本月", 0},
    {u"来年", 12},   {u"今年", 0},    {u"去年", -12}, {u"明年", 12},  {u"前年", -24},
};
// Units of an amount, in seconds for the moments and in days or months for the days.
enum Unit { kInSeconds, kInDays, kInMonths };
struct UnitEntry {
  std::u16string_view text;
  Unit unit;
  int size;
};
constexpr UnitEntry kUnits[] = {
    {u"个小时", kInSeconds, 3600}, {u"個小時", kInSeconds, 3600}, {u"小时", kInSeconds, 3600},
    {u"小時", kInSeconds, 3600},   {u"時間", kInSeconds, 3600},   {u"分钟", kInSeconds, 60},
    {u"分鐘", kInSeconds, 60},     {u"分間", kInSeconds, 60},     {u"分", kInSeconds, 60},
    {u"秒钟", kInSeconds, 1},      {u"秒", kInSeconds, 1},        {u"个星期", kInDays, 7},
    {u"個星期", kInDays, 7},       {u"週間", kInDays, 7},         {u"星期", kInDays, 7},
    {u"周", kInDays, 7},           {u"週", kInDays, 7},           {u"日間", kInDays, 1},
    {u"日", kInDays, 1},           {u"天", kInDays, 1},           {u"か月", kInMonths, 1},
    {u"ヶ月", kInMonths, 1},       {u"カ月", kInMonths, 1},       {u"ケ月", kInMonths, 1},
    {u"个月", kInMonths, 1},       {u"個月", kInMonths, 1},       {u"年", kInMonths, 12},
};
// After an amount: later or earlier.
constexpr Entry kDirections[] = {
    {u"之后", 1}, {u"之後", 1},  {u"以后", 1},  {u"以後", 1}, {u"後", 1},
    {u"后", 1},   {u"之前", -1}, {u"以前", -1}, {u"前", -1},
};

bool isDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'\uFF10' && c <= u'\uFF19');
}
int digitOf(char16_t c) {
  return c <= u'9' ? c - u'0' : c - u'\uFF10';
}
// A numeral written in Han characters, 0 to 9; -1 otherwise.
int hanDigit(char16_t c) {
  switch (c) {
    case u'〇':
    case u'零':
      return 0;
    case u'一':
      return 1;
    case u'二':
    case u'两':
    case u'兩':
      return 2;
    case u'三':
      return 3;
    case u'四':
      return 4;
    case u'五':
      return 5;
    case u'六':
      return 6;
    case u'七':
      return 7;
    case u'八':
      return 8;
    case u'九':
      return 9;
    default:
      return -1;
  }
}

class Scanner {
 public:
  Scanner(std::u16string_view text, const ScanContext& context) : t_(text), context_(context) {}

  void scan(NSUInteger base, std::vector<Strong<NSTextCheckingResult>>& out) {
    std::size_t p = 0;
    while (p < t_.size()) {
      Found f;
      if (canStart(p) && parse(p, f)) {
        out.push_back(result(p, f, base));
        p = f.end;
      } else {
        ++p;
      }
    }
  }

 private:
  char16_t at(std::size_t p) const { return p < t_.size() ? t_[p] : 0; }
  bool isNumeral(std::size_t p) const {
    return p < t_.size() && (isDigit(t_[p]) || hanDigit(t_[p]) >= 0 || t_[p] == u'十');
  }
  // The length of `w` when the text holds it at p, else 0.
  std::size_t word(std::size_t p, std::u16string_view w) const {
    return t_.substr(p, w.size()) == w ? w.size() : 0;
  }
  template <class Table>
  const auto* lookup(std::size_t p, const Table& table) const {
    for (const auto& e : table)
      if (word(p, e.text)) return &e;
    return static_cast<decltype(&table[0])>(nullptr);
  }

  DateCalendar& calendar() {
    if (!calendar_) calendar_.emplace(context_.referenceDate, context_.timeZone.get());
    return *calendar_;
  }

  // Not inside a run of digits or numerals, nor inside a Latin word.
  bool canStart(std::size_t p) const {
    if (p == 0) return true;
    char16_t before = t_[p - 1];
    // Nor after the mark of an ordinal: "第三点".
    if (isNumeral(p) && (isNumeral(p - 1) || before == u'第')) return false;
    if (isDigit(t_[p]) && (before == u'.' || before == u',' || before == u'/' || before == u':' ||
                           before == u'-' || (before >= u'A' && before <= u'z')))
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
    // Han numerals: tens with 十 ("二十一", "十二", "三十"), or figure by figure.
    int tens = -1, units = -1;
    int d = hanDigit(at(q));
    if (at(q) == u'十') {
      tens = 1;
      ++q;
    } else if (d >= 0) {
      if (at(q + 1) == u'十') {
        tens = d;
        q += 2;
      } else {
        while (q < t_.size() && hanDigit(t_[q]) >= 0 && n < 4) v = v * 10 + hanDigit(t_[q++]), ++n;
        if (!n || hanDigit(at(q)) >= 0 || at(q) == u'十') return false;
        value = v;
        end = q;
        if (figures) *figures = n;
        return true;
      }
    } else {
      return false;
    }
    if (int u = hanDigit(at(q)); u > 0) {
      units = u;
      ++q;
    }
    value = tens * 10 + (units > 0 ? units : 0);
    end = q;
    if (figures) *figures = 2;
    return true;
  }

  bool parse(std::size_t p, Found& f) {
    if (const Entry* e = lookup(p, kDays)) {
      f.hasDay = true;
      f.day = calendar().addDays(calendar().today(), e->value);
      f.end = p + e->text.size();
      if (e->text == u"今晚" || e->text == u"今夜" || e->text == u"今晩") f.hour = 20;
      if (e->text == u"今朝") f.hour = 8;
      timeAfter(f, e->text == u"今晚" || e->text == u"今夜" || e->text == u"今晩" ? 3 : 0);
      return true;
    }
    if (const Entry* e = lookup(p, kWeeks)) {
      std::size_t q = p + e->text.size();
      if (at(q) == u'の') ++q;
      int wd = 0;
      std::size_t after = weekday(q, wd);
      if (!after && q == p + e->text.size()) after = bareWeekday(q, wd);  // "下周三"
      int today = (calendar().weekdayToday() + 5) % 7;                    // Monday 0
      f.hasDay = true;
      if (after) {
        f.day = calendar().addDays(calendar().today(), 7 * e->value + wd - today);
        f.end = after;
        timeAfter(f, 0);
      } else {
        f.day = calendar().addDays(calendar().today(), 7 * e->value);
        f.end = p + e->text.size();
      }
      return true;
    }
    if (const Entry* e = lookup(p, kMonths)) {
      f.hasDay = true;
      f.day = calendar().addMonths(calendar().today(), e->value);
      f.end = p + e->text.size();
      return true;
    }
    int wd = 0;
    if (std::size_t after = weekday(p, wd)) {
      int today = (calendar().weekdayToday() + 5) % 7;
      f.hasDay = true;
      f.day = calendar().addDays(calendar().today(), (wd - today + 7) % 7);
      f.end = after;
      timeAfter(f, 0);
      return true;
    }
    if (const Entry* part = lookup(p, kDayParts)) {
      std::size_t q = p + part->text.size();
      return isNumeral(q) && clock(q, part->value, f);
    }
    if (at(p) == u'半') return amount(p, f);  // "半小时后"
    if (!isNumeral(p)) return false;
    // A time alone in Han numerals needs its minutes: "三点" may be three points.
    Found t;
    if (amount(p, f) || written(p, f)) return true;
    if (!clock(p, 0, t) || (!isDigit(at(p)) && t.minute == 0)) return false;
    f = t;
    return true;
  }

  // A weekday: "星期三", "周三", "礼拜天", "水曜日", "水曜". Sets wd (Monday 0) and returns
  // the index past it, or 0.
  std::size_t weekday(std::size_t p, int& wd) const {
    std::size_t q = 0;
    if (std::size_t n = word(p, u"星期") + word(p, u"礼拜") + word(p, u"禮拜") + word(p, u"周") +
                        word(p, u"週")) {
      q = p + n;
      if (at(q) == u'末') {
        wd = 5;  // "周末": the Saturday
        return q + 1;
      }
      return bareWeekday(q, wd);
    }
    static constexpr char16_t kJapanese[] = u"月火水木金土日";
    for (int i = 0; i < 7; ++i) {
      if (at(p) == kJapanese[i] && at(p + 1) == u'曜') {
        wd = i;
        return p + 2 + (at(p + 2) == u'日' ? 1 : 0);
      }
    }
    return 0;
  }

  // The day of a Chinese weekday after its "星期" or "周": 一 to 六, 日 or 天.
  std::size_t bareWeekday(std::size_t q, int& wd) const {
    int d = hanDigit(at(q));
    if (d >= 1 && d <= 6 && at(q) != u'两' && at(q) != u'兩') {
      wd = d - 1;
    } else if (at(q) == u'日' || at(q) == u'天') {
      wd = 6;
    } else {
      return 0;
    }
    return q + 1;
  }

  // "3天后", "两天前", "3日後", "2週間後", "3時間後", "30分钟后", "1か月後".
  bool amount(std::size_t p, Found& f) {
    int n;
    std::size_t q;
    bool half = at(p) == u'半';
    if (half) {
      n = 1;
      q = p + 1;
    } else if (!number(p, n, q)) {
      return false;
    }
    const UnitEntry* unit = lookup(q, kUnits);
    if (!unit || (half && unit->size != 3600)) return false;
    q += unit->text.size();
    const Entry* dir = lookup(q, kDirections);
    if (!dir) return false;
    f.end = q + dir->text.size();
    int signedN = n * dir->value;
    DateCalendar& cal = calendar();
    if (unit->unit == kInSeconds) {
      f.instant = cal.reference() + double(signedN) * unit->size / (half ? 2 : 1);
    } else if (unit->unit == kInDays) {
      f.hasDay = true;
      f.day = cal.addDays(cal.today(), signedN * unit->size);
    } else {
      f.hasDay = true;
      f.day = cal.addMonths(cal.today(), signedN * unit->size);
    }
    return true;
  }

  // "2026年3月12日", "3月12日", "3月12号", "12日", "2026年3月", "三月十二日".
  bool written(std::size_t p, Found& f) {
    int a, figures;
    std::size_t q;
    if (!number(p, a, q, &figures)) return false;
    int year = 0, month = 0, day = 0;
    if (at(q) == u'年' && (figures == 4 || figures == 2)) {
      year = figures == 2 ? 2000 + a : a;
      std::size_t r;
      if (!number(q + 1, month, r) || at(r) != u'月') return false;
      q = r;
    } else if (at(q) == u'月') {
      month = a;
    } else if (at(q) == u'日' && a >= 1 && a <= 31 && !followsDayWord(q + 1) &&
               (isDigit(at(p)) || a > 1)) {  // "一日" alone is more often "one day"
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
    ++q;  // 月
    std::size_t r;
    if (number(q, day, r) && (at(r) == u'日' || at(r) == u'号' || at(r) == u'號')) {
      q = r + 1;
    } else {
      day = 0;
      if (at(q) == u'份') ++q;  // "3月份"
    }
    if (!year) year = nearestYear(month, day ? day : 1);
    if (!isValidDay(year, month, day ? day : 1)) return false;
    f.hasDay = true;
    f.day = {year, month, day ? day : 1};
    f.end = q;
    if (day) {
      weekdayAfter(f);
      timeAfter(f, 0);
    }
    return true;
  }

  // Whether a day number's 日 goes on into a word of counting ("3日間", "1日目").
  bool followsDayWord(std::size_t q) const {
    char16_t c = at(q);
    return c == u'間' || c == u'目' || c == u'中' || c == u'以' || c == u'分' || c == u'本' ||
           c == u'后' || c == u'後' || c == u'前' || c == u'程';
  }

  // "（水）", "(水)", "水曜日", "星期三" after a day: part of the date, the day unchanged.
  void weekdayAfter(Found& f) {
    std::size_t q = f.end;
    int wd;
    if ((at(q) == u'(' || at(q) == u'（') && (at(q + 2) == u')' || at(q + 2) == u'）')) {
      static constexpr std::u16string_view kNames = u"月火水木金土日一二三四五六天";
      if (kNames.find(at(q + 1)) != std::u16string_view::npos) f.end = q + 3;
      return;
    }
    std::size_t r = q;
    if (at(r) == u' ' || at(r) == u'、' || at(r) == u'，') ++r;
    if (std::size_t after = weekday(r, wd)) f.end = after;
  }

  // A time after a day: "の午後3時", "下午3点", " 15:30", "15時30分".
  void timeAfter(Found& f, int hint) {
    std::size_t q = f.end;
    if (at(q) == u'の' || at(q) == u' ' || at(q) == u'、' || at(q) == u'，') ++q;
    int part = hint;
    if (const Entry* e = lookup(q, kDayParts)) {
      part = e->value;
      q += e->text.size();
      if (!isNumeral(q)) {  // "明天下午": its part of the day alone
        f.hour = part == 1 ? 9 : part == 2 ? 15 : 20;
        f.end = q;
        return;
      }
    }
    Found t;
    if (isNumeral(q) && clock(q, part, t)) {
      f.hasTime = true;
      f.hour = t.hour;
      f.minute = t.minute;
      f.end = t.end;
    }
  }

  // "3時", "15時30分", "3点半", "下午3点" (with its part), "１５：３０", "15:30".
  bool clock(std::size_t p, int part, Found& f) {
    int h, m = 0;
    std::size_t q;
    if (!number(p, h, q) || h > 24) return false;
    if (at(q) == u'時' || at(q) == u'时' || at(q) == u'点' || at(q) == u'點') {
      ++q;
      std::size_t r;
      int mm;
      if (at(q) == u'半') {
        m = 30;
        ++q;
      } else if (number(q, mm, r) && mm <= 59 && at(r) == u'分') {
        m = mm;
        q = r + 1;
      }
    } else if ((at(q) == u':' || at(q) == u'：') && isDigit(at(q + 1)) && isDigit(at(q + 2)) &&
               !isDigit(at(q + 3))) {
      m = digitOf(at(q + 1)) * 10 + digitOf(at(q + 2));
      if (m > 59) return false;
      q += 3;
    } else {
      return false;
    }
    if (part == 2 && h < 12) h += 12;
    if (part == 3 && h < 12 && h >= 5) h += 12;
    if (part == 1 && h == 12) h = 0;
    if (h > 23) return false;
    f.hasTime = true;
    f.hour = h;
    f.minute = m;
    f.end = q;
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

  Strong<NSTextCheckingResult> result(std::size_t start, const Found& f, NSUInteger base) {
    DateCalendar& cal = calendar();
    NSTimeInterval when;
    if (f.instant) {
      when = *f.instant;
    } else {
      when = cal.instant(f.hasDay ? f.day : cal.today(), f.hour, f.minute, 0);
    }
    return NSTextCheckingResult::dateCheckingResultWithRangeDate(
        NSMakeRange(base + start, f.end - start),
        NSDate::dateWithTimeIntervalSinceReferenceDate(when));
  }

  std::u16string_view t_;
  const ScanContext& context_;
  std::optional<DateCalendar> calendar_;
};

}  // namespace

void scanCjkDates(std::u16string_view text, NSUInteger base, const ScanContext& context,
                  std::vector<Strong<NSTextCheckingResult>>& out) {
  Scanner(text, context).scan(base, out);
}

}  // namespace foundation::detect
