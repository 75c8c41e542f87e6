// The words dates are written with, in English and in one other locale: month and
// weekday names and the relative day words from ICU's locale data, the word that joins
// a date to its time from the locale's long pattern, and for the words ICU does not list
// (range words, "noon", "o'clock", units of "in 3 days") a table of our own for English
// and a data file for each other language (platform/foundation/data/dates/).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "DateTokenizer.h"

namespace foundation::detect {

enum DateRole : uint64_t {
  kRoleNext = 1u << 0,       // "next Friday", "nächsten Freitag"
  kRoleLast = 1u << 1,       // "last Friday"
  kRoleThis = 1u << 2,       // "this Friday"
  kRoleSuffix = 1u << 3,     // the three above come after the weekday ("vendredi prochain")
  kRoleJoiner = 1u << 4,     // between a date and its time: "at", "um", "à"
  kRoleOn = 1u << 5,         // between a time and its date: "on"
  kRoleRangeTo = 1u << 6,    // "to", "until", "bis"
  kRoleRangeFrom = 1u << 7,  // "from", "von"
  kRoleBetween = 1u << 8,    // "between"
  kRoleAnd = 1u << 9,        // "and", after "between"
  kRoleOf = 1u << 10,        // "9th of December"
  kRoleOrdinal = 1u << 11,   // "st", "nd", "rd", "th" after a day number
  kRoleOClock = 1u << 12,    // "o'clock", "Uhr"
  kRoleNoon = 1u << 13,      // "noon"
  kRoleMidnight = 1u << 14,  // "midnight"
  kRoleIn = 1u << 15,        // "in 3 days"
  kRoleAgo = 1u << 16,       // "3 days ago"
  kRoleHourMark = 1u << 17,  // "17h30"
  kRoleUnitMinute = 1u << 18,
  kRoleUnitHour = 1u << 19,
  kRoleUnitDay = 1u << 20,
  kRoleUnitWeek = 1u << 21,
  kRoleUnitMonth = 1u << 22,
  kRoleUnitYear = 1u << 23,
  kRolePhrase = 1u << 24,  // first word of a phrase of several tokens ("day after tomorrow")
  kRoleLater = 1u << 25,   // "3 days later", "2 weeks hence": forward, as "ago" is back
  kRoleNow = 1u << 26,     // "now", in "3 weeks from now"
  kRoleCount = 1u << 27,   // a number in words: "two", "a", "an"; its value in `count`
  kRoleFew = 1u << 28,     // "a few", "a couple of" after "a"; its value in `count`
  kRoleWithin = 1u << 29,  // "within 3 days": "in" that stays in the range
  kRoleUnitSecond = 1u << 30,
  kRoleWeekend = 1u << 31,  // "this weekend", "next weekend": the Saturday
  // English only.
  kRoleHedge = 1ull << 32,        // "in about 3 hours", "roughly a week ago"
  kRoleBefore = 1ull << 33,       // "2 weeks before", "3 days before Friday"
  kRoleAfter = 1ull << 34,        // "3 days after", "2 days after next Monday"
  kRoleUnitQuarter = 1ull << 35,  // "next quarter", "in 2 qtrs"
  kRoleQuarterMark = 1ull << 36,  // the "Q" of "Q3 2024"
  kRoleWorkday = 1ull << 37,      // "next weekday": Monday to Friday
};
inline constexpr uint64_t kRoleUnits = kRoleUnitSecond | kRoleUnitMinute | kRoleUnitHour |
                                       kRoleUnitDay | kRoleUnitWeek | kRoleUnitMonth |
                                       kRoleUnitQuarter | kRoleUnitYear;
inline constexpr uint64_t kRoleDayUnits =
    kRoleUnitDay | kRoleUnitWeek | kRoleUnitMonth | kRoleUnitQuarter | kRoleUnitYear;

inline constexpr int8_t kNoDayOffset = INT8_MIN;

// Roles of the other languages' grammar, beside DateRole (whose bits are all taken).
enum DateIntlRole : uint8_t {
  kIntlAgoBefore = 1u << 0,  // "vor 2 Tagen", "il y a 2 jours", "hace 2 días": ago, first
  kIntlAfter = 1u << 1,      // a next/last/this word also read after its noun ("lunes próximo")
  kIntlStarts = 1u << 2,     // a unit that may begin a date ("semaine prochaine")
  kIntlKeep = 1u << 3,       // an "on" kept in the date's range, as "on" is ("am 3. März")
  kIntlOne = 1u << 4,        // an "in" before a unit alone, one of it ("через неделю")
  kIntlEdge = 1u << 5,       // "Ende": a month's edge, its "of" left out ("Ende März")
};

struct DateWord {
  uint8_t month = 0;                // 1 to 12
  bool monthInFull = false;         // "April", not "Apr": a stop after it ends the sentence
  uint8_t weekday = 0;              // 1 (Sunday) to 7, as ICU's calendar counts
  bool weekdayInFull = false;       // "Friday", not "Fri": a date on its own
  uint8_t meridiem = 0;             // 1 before noon, 2 after
  int8_t dayOffset = kNoDayOffset;  // "today" 0, "tomorrow" 1
  uint8_t dayPartHour = 0;          // "morning" 9, "evening" 19: the hour it stands for
  uint8_t count = 0;                // "two" 2, "a" 1, "twenty" 20
  uint8_t ordinal = 0;              // "third" 3, "thirty-first" as "thirty" then "first"
  uint8_t edge = 0;                 // "beginning" 1, "middle" 2, "end" 3: "end of March"
  uint64_t roles = 0;
  uint8_t intl = 0;  // DateIntlRole

  bool startsDate() const {
    return month || weekday || edge || ordinal || dayOffset != kNoDayOffset || intl ||
           (roles & (kRoleNext | kRoleLast | kRoleThis | kRoleRangeFrom | kRoleBetween | kRoleNoon |
                     kRoleMidnight | kRoleIn | kRolePhrase | kRoleCount | kRoleWithin | kRoleHedge |
                     kRoleQuarterMark));
  }
};

// A relative day written in several tokens ("day after tomorrow", "avant-hier").
struct DayPhrase {
  std::vector<std::u16string> tokens;  // folded, marks as one-unit strings
  int8_t dayOffset = 0;
};

struct FoldedHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view s) const {
    return std::hash<std::u16string_view>()(s);
  }
};

// A word written in several tokens that reads as one ("il y a", "a las", "kl."): the
// tokens after the first, folded, and whether a single space comes before each.
struct JoinedWord {
  std::vector<std::u16string> rest;
  std::vector<bool> spaced;
};

struct DateLexicon {
  std::unordered_map<std::u16string, DateWord, FoldedHash, std::equal_to<>>
      words;  // keys folded by foldCase
  std::vector<DayPhrase> phrases;
  // Joined words by their first token, longest first; each whole is a key of `words`
  // (its tokens as written, with single spaces).
  std::unordered_map<std::u16string, std::vector<JoinedWord>, FoldedHash, std::equal_to<>> joined;
  bool cjk = false;    // Japanese or Chinese: the dates of DateCjkScanner too
  bool other = false;  // a language beside English, with its data file
  // The locale writes numeric dates month first ("12/09/2026" is December 9).
  bool monthFirst = true;
  int firstWeekday = 1;  // the locale's first day of the week, 1 Sunday to 7 Saturday

  const DateWord* find(std::u16string_view folded) const {
    auto it = words.find(folded);
    return it == words.end() ? nullptr : &it->second;
  }
};

// The lexicon of a locale (English merged in), built once per locale and kept for the
// life of the process. Safe from any thread.
const DateLexicon& dateLexicon(const std::string& locale);

// Calls `each` with the role and each word of every entry of a language's data file (one
// role then its words a line, "#" starting a comment).
void readDateData(std::string_view text,
                  const std::function<void(std::string_view role, std::string_view word)>& each);

// Merges the tokens of each joined word of the lexicon into one word token, in one pass.
void joinWords(std::u16string_view text, std::vector<Token>& toks, const DateLexicon& lex);

}  // namespace foundation::detect
