#include "DateLexicon.h"

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/dtfmtsym.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/smpdtfmt.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <mutex>

#include "DateData.h"
#include "DateTokenizer.h"

namespace foundation::detect {

namespace {

std::u16string u16(const icu::UnicodeString& s) {
  return std::u16string(reinterpret_cast<const char16_t*>(s.getBuffer()), s.length());
}

// Locale names as keys: folded, a trailing full stop dropped ("Dez." is written with
// or without it, the scanner takes the stop as a mark of its own).
std::u16string key(std::u16string_view s) {
  std::u16string k = foldCase(s);
  while (!k.empty() && k.back() == u'.') k.pop_back();
  return k;
}

// "dez." without its stop: written with it or not, the scanner takes the stop apart. Not
// for weekdays, whose short forms without it are words ("ter", "so").
std::u16string withoutStop(std::u16string s) {
  while (s.size() > 2 && s.back() == u'.') s.pop_back();
  return s;
}

// The words this side of ICU's data, by language.
struct ExtraWord {
  const char16_t* word;
  uint64_t roles;
};

constexpr ExtraWord kEnglish[] = {
    {u"at", kRoleJoiner},
    {u"on", kRoleOn},
    {u"to", kRoleRangeTo},
    {u"until", kRoleRangeTo},
    {u"till", kRoleRangeTo},
    {u"til", kRoleRangeTo},
    {u"through", kRoleRangeTo},
    {u"thru", kRoleRangeTo},
    {u"from", kRoleRangeFrom},
    {u"between", kRoleBetween},
    {u"and", kRoleAnd},
    {u"of", kRoleOf},
    {u"the", kRoleOf},
    {u"st", kRoleOrdinal},
    {u"nd", kRoleOrdinal},
    {u"rd", kRoleOrdinal},
    {u"th", kRoleOrdinal},
    {u"o'clock", kRoleOClock},
    {u"noon", kRoleNoon},
    {u"midday", kRoleNoon},
    {u"midnight", kRoleMidnight},
    {u"next", kRoleNext},
    {u"coming", kRoleNext},
    {u"last", kRoleLast},
    {u"past", kRoleLast},  // "the past 2 weeks"
    {u"this", kRoleThis},
    {u"in", kRoleIn},
    {u"within", kRoleIn | kRoleWithin},
    {u"after", kRoleIn | kRoleWithin},
    {u"ago", kRoleAgo},
    {u"later", kRoleLater},
    {u"hence", kRoleLater},
    {u"now", kRoleNow},
    {u"few", kRoleFew},
    {u"couple", kRoleFew},
    {u"several", kRoleCount},
    {u"half", kRoleCount},  // "half an hour", its count left 0
    {u"sec", kRoleUnitSecond},
    {u"secs", kRoleUnitSecond},
    {u"second", kRoleUnitSecond},
    {u"seconds", kRoleUnitSecond},
    {u"min", kRoleUnitMinute},
    {u"mins", kRoleUnitMinute},
    {u"minute", kRoleUnitMinute},
    {u"minutes", kRoleUnitMinute},
    {u"hour", kRoleUnitHour},
    {u"hours", kRoleUnitHour},
    {u"hr", kRoleUnitHour},
    {u"hrs", kRoleUnitHour},
    {u"day", kRoleUnitDay},
    {u"days", kRoleUnitDay},
    {u"week", kRoleUnitWeek},
    {u"weeks", kRoleUnitWeek},
    {u"wk", kRoleUnitWeek},
    {u"wks", kRoleUnitWeek},
    {u"mo", kRoleUnitMonth},
    {u"mos", kRoleUnitMonth},
    {u"yr", kRoleUnitYear},
    {u"yrs", kRoleUnitYear},
    {u"weekend", kRoleWeekend},
    {u"month", kRoleUnitMonth},
    {u"months", kRoleUnitMonth},
    {u"year", kRoleUnitYear},
    {u"years", kRoleUnitYear},
    // Short units written against the number ("2h", "1d 3h 10m", "4m 30s"), quarters,
    // the hedges before an amount and the words that count an amount from a day.
    {u"s", kRoleUnitSecond},
    {u"m", kRoleUnitMinute},
    {u"h", kRoleUnitHour},
    {u"d", kRoleUnitDay},
    {u"w", kRoleUnitWeek},
    {u"y", kRoleUnitYear},
    {u"mth", kRoleUnitMonth},
    {u"mths", kRoleUnitMonth},
    {u"quarter", kRoleUnitQuarter},
    {u"quarters", kRoleUnitQuarter},
    {u"qtr", kRoleUnitQuarter},
    {u"qtrs", kRoleUnitQuarter},
    {u"q", kRoleQuarterMark},
    {u"about", kRoleHedge},
    {u"around", kRoleHedge},
    {u"roughly", kRoleHedge},
    {u"approximately", kRoleHedge},
    {u"approx", kRoleHedge},
    {u"nearly", kRoleHedge},
    {u"almost", kRoleHedge},
    {u"just", kRoleHedge},
    {u"before", kRoleBefore},
    {u"earlier", kRoleBefore},
    {u"after", kRoleAfter},
    {u"out", kRoleLater},  // "5 days out"
    {u"weekday", kRoleWorkday},
    {u"previous", kRoleLast},
};

class Builder {
 public:
  explicit Builder(DateLexicon& lex) : lex_(lex) {}

  DateWord& word(std::u16string_view w) { return lex_.words[key(w)]; }

  void extras(const ExtraWord* begin, const ExtraWord* end) {
    for (auto* e = begin; e != end; ++e) word(e->word).roles |= e->roles;
  }

  // Words for 1, 2, 3... in order from `first`; "a" and "an" both stand for one.
  void counts(std::initializer_list<const char16_t*> words, uint8_t first) {
    uint8_t n = first;
    for (const char16_t* w : words) {
      DateWord& entry = word(w);
      entry.roles |= kRoleCount;
      entry.count = n;
      std::u16string_view article(w);
      if (article != u"a" && article != u"an") ++n;
    }
  }

  void ordinals(std::initializer_list<const char16_t*> words) {
    uint8_t n = 1;
    for (const char16_t* w : words) word(w).ordinal = n++;
  }

  void dayParts(std::initializer_list<std::pair<const char16_t*, uint8_t>> parts) {
    for (auto [w, hour] : parts) word(w).dayPartHour = hour;
  }

  void phrase(std::u16string_view text, int8_t offset) {
    std::vector<Token> toks = tokenize(text);
    if (toks.empty()) return;
    if (toks.size() == 1 && toks[0].kind == TokenKind::Word) {
      word(text.substr(toks[0].start, toks[0].length())).dayOffset = offset;
      return;
    }
    DayPhrase p;
    p.dayOffset = offset;
    for (const Token& t : toks) p.tokens.push_back(key(text.substr(t.start, t.length())));
    if (p.tokens.back().empty()) return;
    word(p.tokens.front()).roles |= kRolePhrase;
    lex_.phrases.push_back(std::move(p));
  }

  void locale(const icu::Locale& loc) {
    UErrorCode status = U_ZERO_ERROR;
    icu::DateFormatSymbols symbols(loc, status);
    if (U_FAILURE(status)) return;
    for (auto context : {icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::STANDALONE}) {
      for (auto width : {icu::DateFormatSymbols::WIDE, icu::DateFormatSymbols::ABBREVIATED}) {
        int32_t n = 0;
        const icu::UnicodeString* months = symbols.getMonths(n, context, width);
        for (int32_t i = 0; i < n && i < 12; ++i) {
          if (months[i].length() < 3) continue;
          DateWord& w = name(withoutStop(u16(months[i])));
          w.month = static_cast<uint8_t>(i + 1);
          w.monthInFull |= width == icu::DateFormatSymbols::WIDE;
        }
        const icu::UnicodeString* days = symbols.getWeekdays(n, context, width);
        for (int32_t i = 1; i < n && i <= 7; ++i) {
          if (days[i].length() < 2) continue;
          DateWord& w = name(u16(days[i]));
          w.weekday = static_cast<uint8_t>(i);
          w.weekdayInFull |= width == icu::DateFormatSymbols::WIDE;
        }
      }
    }
    relativeWords(loc, symbols);
    joiner(loc);
    int32_t n = 0;
    const icu::UnicodeString* ampm = symbols.getAmPmStrings(n);
    for (int32_t i = 0; i < n && i < 2; ++i) {
      if (ampm[i].length() >= 2) word(u16(ampm[i])).meridiem = static_cast<uint8_t>(i + 1);
    }
  }

  // A language's data file: see the head of any file in platform/foundation/data/dates/.
  void dataFile(std::string_view text) {
    readDateData(text, [this](std::string_view role, std::string_view w) { entry(role, w); });
  }

  // Whether the locale's short date pattern puts the month before the day.
  static int firstWeekday(const icu::Locale& loc) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::Calendar> calendar(icu::Calendar::createInstance(loc, status));
    return U_SUCCESS(status) && calendar ? calendar->getFirstDayOfWeek(status) : 1;
  }

  static bool monthFirst(const icu::Locale& loc) {
    std::unique_ptr<icu::DateFormat> f(
        icu::DateFormat::createDateInstance(icu::DateFormat::kShort, loc));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(f.get());
    if (!simple) return true;
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    int32_t m = pattern.indexOf(u'M'), d = pattern.indexOf(u'd');
    return m < 0 || d < 0 || m < d;
  }

 private:
  static std::u16string utf16(std::string_view utf8) {
    icu::UnicodeString s = icu::UnicodeString::fromUTF8(icu::StringPiece(utf8.data(), utf8.size()));
    return u16(s);
  }

  // A word of the data file, its "_" standing for a space: a joined word when it is
  // more than one token.
  DateWord& dataWord(std::string_view written) {
    std::u16string w = utf16(written);
    std::replace(w.begin(), w.end(), u'_', u' ');
    return name(w);
  }

  // A name that may be written in several tokens ("sexta-feira"): a joined word then.
  DateWord& name(const std::u16string& w) {
    std::vector<Token> toks = tokenize(w);
    if (toks.size() <= 1) return word(w);
    std::u16string whole = foldCase(w);
    JoinedWord joined;
    for (std::size_t i = 1; i < toks.size(); ++i) {
      joined.rest.push_back(
          foldCase(std::u16string_view(w).substr(toks[i].start, toks[i].length())));
      joined.spaced.push_back(toks[i].spaceBefore);
    }
    auto& list = lex_.joined[foldCase(std::u16string_view(w).substr(0, toks[0].length()))];
    list.push_back(std::move(joined));
    std::stable_sort(list.begin(), list.end(), [](const JoinedWord& a, const JoinedWord& b) {
      return a.rest.size() > b.rest.size();
    });
    return lex_.words[whole];
  }

  void entry(std::string_view role, std::string_view written) {
    struct Plain {
      const char* name;
      uint64_t roles;
      uint8_t intl;
    };
    static constexpr Plain kPlain[] = {
        {"joiner", kRoleJoiner, 0},
        {"on", kRoleOn, 0},
        {"on-kept", kRoleOn, kIntlKeep},
        {"to", kRoleRangeTo, 0},
        {"from", kRoleRangeFrom, 0},
        {"between", kRoleBetween, 0},
        {"and", kRoleAnd, 0},
        {"of", kRoleOf, 0},
        {"ordinal-mark", kRoleOrdinal, 0},
        {"oclock", kRoleOClock, 0},
        {"hour-mark", kRoleHourMark, 0},
        {"noon", kRoleNoon, 0},
        {"midnight", kRoleMidnight, 0},
        {"next", kRoleNext, 0},
        {"last", kRoleLast, 0},
        {"this", kRoleThis, 0},
        {"next-after", kRoleNext, kIntlAfter},
        {"last-after", kRoleLast, kIntlAfter},
        {"this-after", kRoleThis, kIntlAfter},
        {"in", kRoleIn, 0},
        {"in-one", kRoleIn, kIntlOne},
        {"within", kRoleIn | kRoleWithin, 0},
        {"ago-before", 0, kIntlAgoBefore},
        {"ago", kRoleAgo, 0},
        {"later", kRoleLater, 0},
        {"now", kRoleNow, 0},
        {"few", kRoleFew, 0},
        {"weekend", kRoleWeekend, 0},
        {"second", kRoleUnitSecond, kIntlStarts},
        {"minute", kRoleUnitMinute, kIntlStarts},
        {"hour", kRoleUnitHour, kIntlStarts},
        {"day", kRoleUnitDay, kIntlStarts},
        {"week", kRoleUnitWeek, kIntlStarts},
        {"month", kRoleUnitMonth, kIntlStarts},
        {"year", kRoleUnitYear, kIntlStarts},
    };
    for (const Plain& p : kPlain) {
      if (role == p.name) {
        DateWord& w = dataWord(written);
        w.roles |= p.roles;
        w.intl |= p.intl;
        return;
      }
    }
    if (role == "order") {  // "dmy": "9/12" is the 9th of December
      if (written == "dmy" || written == "mdy") lex_.monthFirst = written == "mdy";
      return;
    }
    std::size_t eq = role.find('=');
    if (eq == std::string_view::npos) return;
    std::string_view name = role.substr(0, eq);
    int n = std::atoi(std::string(role.substr(eq + 1)).c_str());
    DateWord& w = dataWord(written);
    if (name == "day" && n >= -100 && n <= 100) {
      w.dayOffset = static_cast<int8_t>(n);
    } else if (name == "count" && n >= 1 && n <= 255) {
      w.count = static_cast<uint8_t>(n);
      w.roles |= kRoleCount;
    } else if (name == "ordinal" && n >= 1 && n <= 31) {
      w.ordinal = static_cast<uint8_t>(n);
    } else if (name == "daypart" && n >= 0 && n <= 23) {
      w.dayPartHour = static_cast<uint8_t>(n);
    } else if (name == "month" && n >= 1 && n <= 12) {
      w.month = static_cast<uint8_t>(n);
      w.monthInFull = true;  // a case of the full name ("декабре")
    } else if ((name == "weekday" || name == "weekday-short") && n >= 1 && n <= 7) {
      w.weekday = static_cast<uint8_t>(n);
      w.weekdayInFull |= name == "weekday";
    } else if (name == "edge" && n >= 1 && n <= 3) {
      w.edge = static_cast<uint8_t>(n);
      w.intl |= kIntlEdge;
    } else if (name == "meridiem" && (n == 1 || n == 2)) {
      w.meridiem = static_cast<uint8_t>(n);
    }
  }

  void relativeWords(const icu::Locale& loc, const icu::DateFormatSymbols& symbols) {
    UErrorCode status = U_ZERO_ERROR;
    icu::RelativeDateTimeFormatter f(loc, status);
    if (U_FAILURE(status)) return;
    const std::pair<UDateDirection, int8_t> days[] = {{UDAT_DIRECTION_LAST_2, -2},
                                                      {UDAT_DIRECTION_LAST, -1},
                                                      {UDAT_DIRECTION_THIS, 0},
                                                      {UDAT_DIRECTION_NEXT, 1},
                                                      {UDAT_DIRECTION_NEXT_2, 2}};
    for (auto [direction, offset] : days) {
      icu::UnicodeString s;
      status = U_ZERO_ERROR;
      f.format(direction, UDAT_ABSOLUTE_DAY, s, status);
      if (U_SUCCESS(status) && !s.isEmpty()) phrase(u16(s), offset);
    }
    // "next Friday" less the weekday leaves the locale's word for next, and its side.
    int32_t n = 0;
    const icu::UnicodeString* wide =
        symbols.getWeekdays(n, icu::DateFormatSymbols::FORMAT, icu::DateFormatSymbols::WIDE);
    if (n <= 6) return;
    std::u16string friday = key(u16(wide[6]));
    const std::pair<UDateDirection, uint32_t> modifiers[] = {{UDAT_DIRECTION_NEXT, kRoleNext},
                                                             {UDAT_DIRECTION_LAST, kRoleLast},
                                                             {UDAT_DIRECTION_THIS, kRoleThis}};
    for (auto [direction, role] : modifiers) {
      icu::UnicodeString s;
      status = U_ZERO_ERROR;
      f.format(direction, UDAT_ABSOLUTE_FRIDAY, s, status);
      if (U_FAILURE(status)) continue;
      std::u16string text = u16(s);
      std::vector<Token> toks = tokenize(text);
      if (toks.size() != 2) continue;
      std::u16string a = key(std::u16string_view(text).substr(toks[0].start, toks[0].length()));
      std::u16string b = key(std::u16string_view(text).substr(toks[1].start, toks[1].length()));
      if (b == friday) word(a).roles |= role;
      if (a == friday) word(b).roles |= role | kRoleSuffix;
    }
  }

  // The quoted word of the long date-and-time pattern: "{date} 'at' {time}".
  void joiner(const icu::Locale& loc) {
    std::unique_ptr<icu::DateFormat> f(icu::DateFormat::createDateTimeInstance(
        icu::DateFormat::kLong, icu::DateFormat::kLong, loc));
    auto* simple = dynamic_cast<icu::SimpleDateFormat*>(f.get());
    if (!simple) return;
    icu::UnicodeString pattern;
    simple->toPattern(pattern);
    // The quoted word before the hour's field; "d 'de' MMMM 'de' y 'às' HH:mm" has others
    // inside the date.
    for (int32_t open = pattern.indexOf(u'\''); open >= 0;) {
      int32_t close = pattern.indexOf(u'\'', open + 1);
      if (close <= open + 1) return;
      int32_t field = close + 1;
      while (field < pattern.length() && pattern[field] == u' ') ++field;
      char16_t c = field < pattern.length() ? pattern[field] : 0;
      if (c == u'H' || c == u'h' || c == u'k' || c == u'K') {
        icu::UnicodeString quoted(pattern, open + 1, close - open - 1);
        std::u16string w = u16(quoted);
        if (tokenize(w).size() == 1) word(w).roles |= kRoleJoiner;
        return;
      }
      open = pattern.indexOf(u'\'', close + 1);
    }
  }

  DateLexicon& lex_;
};

std::unique_ptr<DateLexicon> build(const std::string& locale) {
  auto lex = std::make_unique<DateLexicon>();
  Builder b(*lex);
  icu::Locale loc(locale.c_str());
  std::string language = loc.getLanguage();
  b.locale(icu::Locale::getEnglish());
  b.extras(std::begin(kEnglish), std::end(kEnglish));
  for (auto w : {u"sept", u"tues", u"thur", u"thurs", u"weds"}) {
    auto& entry = b.word(w);
    if (w[0] == u's') entry.month = 9;
  }
  // Shortenings written only of weekdays stand alone as "Friday" does ("see you thurs").
  for (auto w : {u"tues", u"weds", u"thur", u"thurs"}) b.word(w).weekdayInFull = true;
  // Tomorrow as people type it in a hurry.
  for (auto w : {u"tmrw", u"tmr", u"tmw", u"tomorow", u"tommorow", u"tommorrow"})
    b.word(w).dayOffset = 1;
  b.word(u"tonite").dayOffset = 0;
  // "a fortnight": two weeks, doubled where the amount is read.
  for (auto w : {u"fortnight", u"fortnights"}) b.word(w).roles |= kRoleUnitWeek;
  // "quarter past five": may begin a time, its count left 0 as "half"'s is.
  b.word(u"quarter").roles |= kRoleCount;
  b.word(u"tues").weekday = 3;
  b.word(u"weds").weekday = 4;
  b.word(u"thur").weekday = 5;
  b.word(u"thurs").weekday = 5;
  b.word(u"am").meridiem = 1;
  b.word(u"pm").meridiem = 2;
  b.word(u"tonight").dayOffset = 0;
  b.dayParts({{u"morning", 9},
              {u"afternoon", 15},
              {u"evening", 19},
              {u"night", 21},
              {u"tonight", 20},
              {u"tonite", 20}});
  b.phrase(u"day after tomorrow", 2);
  b.phrase(u"day before yesterday", -2);
  b.phrase(u"the day after tomorrow", 2);
  b.phrase(u"the day before yesterday", -2);
  b.counts({u"a", u"an", u"one", u"two", u"three", u"four", u"five", u"six", u"seven", u"eight",
            u"nine", u"ten", u"eleven", u"twelve"},
           1);
  for (auto [w, n] : {std::pair{u"twenty", 20}, std::pair{u"thirty", 30}}) {
    b.word(w).count = static_cast<uint8_t>(n);
    b.word(w).roles |= kRoleCount;
  }
  b.word(u"few").count = 3;
  b.word(u"few").roles |= kRoleCount;  // "few days ago", without the "a"
  b.word(u"couple").count = 2;
  b.word(u"couple").roles |= kRoleCount;
  b.word(u"several").count = 3;
  b.ordinals({u"first",     u"second",      u"third",      u"fourth",     u"fifth",
              u"sixth",     u"seventh",     u"eighth",     u"ninth",      u"tenth",
              u"eleventh",  u"twelfth",     u"thirteenth", u"fourteenth", u"fifteenth",
              u"sixteenth", u"seventeenth", u"eighteenth", u"nineteenth", u"twentieth"});
  b.word(u"thirtieth").ordinal = 30;
  for (auto [w, edge] : {std::pair{u"beginning", 1}, std::pair{u"start", 1},
                         std::pair{u"middle", 2}, std::pair{u"end", 3}})
    b.word(w).edge = static_cast<uint8_t>(edge);
  lex->monthFirst = Builder::monthFirst(loc);
  lex->firstWeekday = Builder::firstWeekday(loc);
  if (language != "en" && !language.empty()) {
    b.locale(loc);
    lex->cjk = language == "ja" || language == "zh";
    // Its "order" may turn monthFirst; the CJK roles are DateCjkScanner's.
    if (!lex->cjk) b.dataFile(embeddedDateData(language));
    lex->other = true;
  }
  return lex;
}

}  // namespace

void readDateData(std::string_view text,
                  const std::function<void(std::string_view, std::string_view)>& each) {
  while (!text.empty()) {
    std::size_t eol = text.find('\n');
    std::string_view line = text.substr(0, eol);
    text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
    if (auto hash = line.find('#'); hash != std::string_view::npos) line = line.substr(0, hash);
    std::vector<std::string_view> fields;
    while (!line.empty()) {
      std::size_t start = line.find_first_not_of(" \t\r");
      if (start == std::string_view::npos) break;
      line.remove_prefix(start);
      std::size_t end = std::min(line.find_first_of(" \t\r"), line.size());
      fields.push_back(line.substr(0, end));
      line.remove_prefix(end);
    }
    for (std::size_t f = 1; f < fields.size(); ++f) each(fields[0], fields[f]);
  }
}

void joinWords(std::u16string_view text, std::vector<Token>& toks, const DateLexicon& lex) {
  if (lex.joined.empty()) return;
  std::size_t out = 0;
  for (std::size_t i = 0; i < toks.size(); ++out) {
    Token t = toks[i];
    std::size_t next = i + 1;
    if (t.kind == TokenKind::Word) {
      WordKey k = foldedKey(text, t);
      auto it = k.size ? lex.joined.find(k.view()) : lex.joined.end();
      if (it != lex.joined.end()) {
        for (const JoinedWord& j : it->second) {
          std::size_t n = j.rest.size();
          if (i + n >= toks.size()) continue;
          bool same = true;
          for (std::size_t r = 0; r < n && same; ++r) {
            const Token& a = toks[i + r];
            const Token& b = toks[i + r + 1];
            // One plain space where the word has one, none where it has none.
            uint32_t gap = b.start - a.end;
            same = j.spaced[r] ? gap == 1 && text[a.end] == u' ' : gap == 0;
            if (same) {
              WordKey bk = foldedKey(text, b);
              same = bk.size && bk.view() == j.rest[r];
            }
          }
          if (same) {
            t.end = toks[i + n].end;
            t.kind = TokenKind::Word;
            next = i + n + 1;
            break;
          }
        }
      }
    }
    toks[out] = t;
    i = next;
  }
  toks.resize(out);
}

const DateLexicon& dateLexicon(const std::string& locale) {
  static std::mutex mutex;
  static std::map<std::string, std::unique_ptr<DateLexicon>>* cache =
      new std::map<std::string, std::unique_ptr<DateLexicon>>;  // lives past exit
  std::lock_guard<std::mutex> lock(mutex);
  auto& slot = (*cache)[locale];
  if (!slot) slot = build(locale);
  return *slot;
}

}  // namespace foundation::detect
