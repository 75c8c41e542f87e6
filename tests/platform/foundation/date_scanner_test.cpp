// Dates found by the data detector, against a fixed reference moment: Wednesday,
// December 9, 2026, 10:00 in Los Angeles. Expected moments come from the C library's
// mktime in the same zone, not from ICU.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"
#include "WallTime.h"

namespace {

struct Found {
  std::string text;
  NSRange range;
  NSTimeInterval date = 0;
  NSTimeInterval duration = 0;
  std::string zone;  // empty when the result has none
};

struct DateCase {
  const char* sentence;
  const char* match;  // the text the date covers
  NSTimeInterval when;
  NSTimeInterval duration = 0;
};

class DateScanner : public ::testing::Test {
 protected:
  void SetUp() override { useLocale("en_US.UTF-8", "America/Los_Angeles"); }
  void TearDown() override {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    unsetenv("LANG");
    unsetenv("TZ");
    tzset();
  }

  static void useLocale(const char* lang, const char* zone) {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    setenv("LANG", lang, 1);
    setenv("TZ", zone, 1);
    tzset();
  }

  static NSTimeInterval local(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    return walltime::local(y, mo, d, h, mi, s);
  }

  static NSTimeInterval reference() { return local(2026, 12, 9, 10, 0); }

  static std::vector<Found> scan(std::u16string_view text, NSTimeInterval ref = reference()) {
    auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
    detector->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(ref));
    auto string = NSString::stringWithCharacters(text);
    auto matches =
        detector->matchesInStringOptionsRange(string, 0, NSMakeRange(0, string->length()));
    std::vector<Found> out;
    for (NSUInteger i = 0; i < matches->count(); ++i) {
      auto r = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(i));
      EXPECT_EQ(r->resultType(), NSTextCheckingTypeDate);
      Found f;
      f.range = r->range();
      f.text = string->substringWithRange(r->range())->stdString();
      f.date = r->date()->timeIntervalSinceReferenceDate();
      f.duration = r->duration();
      if (r->timeZone()) f.zone = r->timeZone()->stdName();
      out.push_back(f);
    }
    return out;
  }

  static std::vector<Found> scan(const char* utf8, NSTimeInterval ref = reference()) {
    auto s = NSString::stringWithUTF8String(utf8);
    return scan(std::u16string_view(s->characters()), ref);
  }

  // The only date in `sentence` is `expected` at `when`.
  static void expectOne(const char* sentence, const char* expected, NSTimeInterval when,
                        NSTimeInterval duration = 0) {
    auto found = scan(sentence);
    ASSERT_EQ(found.size(), 1u) << sentence;
    EXPECT_EQ(found[0].text, expected) << sentence;
    EXPECT_EQ(found[0].date, when) << sentence << ": off by " << found[0].date - when << " s";
    EXPECT_EQ(found[0].duration, duration) << sentence;
    EXPECT_EQ(found[0].zone, "") << sentence;
  }

  // Each sentence holds one date: its text, moment and length.
  static void expectCases(const std::vector<DateCase>& cases) {
    for (const DateCase& c : cases) {
      auto found = scan(c.sentence);
      ASSERT_EQ(found.size(), 1u) << c.sentence;
      EXPECT_EQ(found[0].text, c.match) << c.sentence;
      EXPECT_EQ(found[0].date, c.when)
          << c.sentence << ": off by " << found[0].date - c.when << " s";
      EXPECT_EQ(found[0].duration, c.duration) << c.sentence;
    }
  }
};

TEST_F(DateScanner, WrittenDatesInEnglish) {
  expectOne("The launch is on December 9, 2026.", "December 9, 2026", local(2026, 12, 9));
  expectOne("Meet me 9 Dec 2026 by the gate", "9 Dec 2026", local(2026, 12, 9));
  expectOne("Due Jan. 3rd, 2027!", "Jan. 3rd, 2027", local(2027, 1, 3));
  expectOne("on Friday the 11th of December", "on Friday the 11th of December",
            local(2026, 12, 11));
  expectOne("the 14th of February 2027 is free", "14th of February 2027", local(2027, 2, 14));
  expectOne("Filed 2026-12-09, reviewed later", "2026-12-09", local(2026, 12, 9));
  expectOne("Form dated 12/09/2026 attached", "12/09/2026", local(2026, 12, 9));
  expectOne("Form dated 25/12/2026 attached", "25/12/2026", local(2026, 12, 25));
  expectOne("paid on 3/4/27", "3/4/27", local(2027, 3, 4));
}

TEST_F(DateScanner, TwoFigureYearsAfterADayAndMonth) {
  expectCases({
      {"We met on 10 Aug 12.", "on 10 Aug 12", local(2012, 8, 10)},
      {"since August 10, 12", "August 10, 12", local(2012, 8, 10)},
      {"shipped Aug 10 '12 late", "Aug 10 '12", local(2012, 8, 10)},
      {"10 Aug 12 at 5pm", "10 Aug 12 at 5pm", local(2012, 8, 10, 17)},
      // Figures that a time, a range or a count claims are not a year.
      {"10 Aug 12:30", "10 Aug 12:30", local(2026, 8, 10, 12, 30)},
      {"Aug 10 12pm", "Aug 10 12pm", local(2026, 8, 10, 12)},
      {"on Aug 10, 12 people came", "Aug 10", local(2026, 8, 10)},
      {"Aug 10 12 o'clock", "Aug 10 12 o'clock", local(2026, 8, 10, 12)},
  });
}

TEST_F(DateScanner, YearlessDatesTakeTheNearestYear) {
  expectOne("Party on Dec 25", "Dec 25", local(2026, 12, 25));
  expectOne("Back on January 5", "January 5", local(2027, 1, 5));
  expectOne("That was Aug 1", "Aug 1", local(2026, 8, 1));
  expectOne("Until June 1", "June 1", local(2027, 6, 1));
}

TEST_F(DateScanner, RelativeDaysAndWeekdays) {
  // The reference day is a Wednesday.
  expectOne("Let's talk tomorrow.", "tomorrow", local(2026, 12, 10));
  expectOne("I sent it yesterday", "yesterday", local(2026, 12, 8));
  expectOne("today is fine", "today", local(2026, 12, 9));
  expectOne("the day after tomorrow works", "the day after tomorrow", local(2026, 12, 11));
  expectOne("day before yesterday", "day before yesterday", local(2026, 12, 7));
  expectOne("See you Friday", "Friday", local(2026, 12, 11));
  expectOne("See you Wednesday", "Wednesday", local(2026, 12, 9));
  expectOne("See you next Friday", "next Friday", local(2026, 12, 11));
  expectOne("See you next Wednesday", "next Wednesday", local(2026, 12, 16));
  expectOne("It broke last Monday", "last Monday", local(2026, 12, 7));
  expectOne("in 3 days we ship", "in 3 days", local(2026, 12, 12));
  expectOne("it was 2 weeks ago", "2 weeks ago", local(2026, 11, 25));
  expectOne("next month then", "next month", local(2027, 1, 9));
  expectOne("call me in 2 hours", "in 2 hours", reference() + 7200);
  expectOne("see you tonight", "tonight", local(2026, 12, 9, 20));
  expectOne("tomorrow morning works", "tomorrow morning", local(2026, 12, 10, 9));
  expectOne("Friday evening?", "Friday evening", local(2026, 12, 11, 19));
  expectOne("this afternoon", "this afternoon", local(2026, 12, 9, 15));
  expectOne("tomorrow evening at 8pm", "tomorrow evening at 8pm", local(2026, 12, 10, 20));
}

TEST_F(DateScanner, TimesAloneAreOnTheReferenceDay) {
  // "at" before a time in figures is part of it; "at noon" is only the noon.
  expectOne("Dinner at 5pm", "at 5pm", local(2026, 12, 9, 17));
  expectOne("Dinner at 5 p.m. sharp", "at 5 p.m.", local(2026, 12, 9, 17));
  expectOne("Standup 17:30", "17:30", local(2026, 12, 9, 17, 30));
  expectOne("Call at 3:30 PM", "at 3:30 PM", local(2026, 12, 9, 15, 30));
  expectOne("alarm 12am", "12am", local(2026, 12, 9, 0));
  expectOne("lunch at noon", "noon", local(2026, 12, 9, 12));
  expectOne("at 9 o'clock", "at 9 o'clock", local(2026, 12, 9, 9));
}

TEST_F(DateScanner, DatesWithTimes) {
  expectOne("Dinner next Tuesday at 5pm.", "next Tuesday at 5pm", local(2026, 12, 15, 17));
  expectOne("Due 12/25/2026 3:00 PM ok", "12/25/2026 3:00 PM", local(2026, 12, 25, 15));
  expectOne("on December 9, 2026 at 3:30 PM", "December 9, 2026 at 3:30 PM",
            local(2026, 12, 9, 15, 30));
  expectOne("5pm tomorrow", "5pm tomorrow", local(2026, 12, 10, 17));
  expectOne("at 10:15 on Friday", "at 10:15 on Friday", local(2026, 12, 11, 10, 15));
  expectOne("Friday at 5 works", "Friday at 5", local(2026, 12, 11, 17));
  expectOne("stamp 2026-12-09T08:05:00 local", "2026-12-09T08:05:00", local(2026, 12, 9, 8, 5));
}

TEST_F(DateScanner, RangesCarryTheirLength) {
  expectOne("free from 3 to 5pm", "from 3 to 5pm", local(2026, 12, 9, 15), 7200);
  expectOne("free from 2 to 4pm", "from 2 to 4pm", local(2026, 12, 9, 14), 7200);
  expectOne("open 9am-5pm daily", "9am-5pm", local(2026, 12, 9, 9), 8 * 3600);
  expectOne("meeting 3-5pm", "3-5pm", local(2026, 12, 9, 15), 7200);
  expectOne("between 11 and 1pm", "between 11 and 1pm", local(2026, 12, 9, 11), 7200);
  expectOne("shift 22:00 to 06:00", "22:00 to 06:00", local(2026, 12, 9, 22), 8 * 3600);
  expectOne("Dec 10 from 9:30 to 11:00", "Dec 10 from 9:30 to 11:00", local(2026, 12, 10, 9, 30),
            5400);
}

TEST_F(DateScanner, DayRangesRunNoonToNoon) {
  expectOne("Offsite December 9-11, 2027.", "December 9-11, 2027", local(2027, 12, 9), 2 * 86400);
  expectOne("closed Dec 24 \u2013 Dec 26", "Dec 24 \u2013 Dec 26", local(2026, 12, 24), 2 * 86400);
  expectOne("open Monday to Friday", "Monday to Friday", local(2026, 12, 14), 4 * 86400);
  expectOne("Dec 13 until Tuesday", "Dec 13 until Tuesday", local(2026, 12, 13), 2 * 86400);
  expectOne("away from Dec 20 to Jan 3", "from Dec 20 to Jan 3", local(2026, 12, 20), 14 * 86400);
  // Not ranges: the second day comes first, or the dash leads to a time.
  auto found = scan("Dec 12 - Dec 10");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].duration, 0);
  expectOne("Dec 12 - 10am", "Dec 12 - 10am", local(2026, 12, 12, 10));
}

TEST_F(DateScanner, NamedZonesSetTheResultsZone) {
  auto found = scan("webinar at 3pm PST and again at 10:00 UTC, then 9am CET");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].text, "at 3pm PST");
  EXPECT_EQ(found[0].zone, "America/Los_Angeles");
  EXPECT_EQ(found[0].date, local(2026, 12, 9, 15));
  EXPECT_EQ(found[1].text, "at 10:00 UTC");
  EXPECT_EQ(found[1].date, local(2026, 12, 9, 2));  // 10:00 UTC is 02:00 in Los Angeles
  EXPECT_FALSE(found[1].zone.empty());
  EXPECT_EQ(found[2].zone, "Europe/Paris");
  EXPECT_EQ(found[2].date, local(2026, 12, 9, 0));

  found =
      scan("kickoff 2026-12-09T18:00:00Z and 14:30 GMT+2, Date: Thu, 10 Dec 2026 09:15:00 -0500");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].date, local(2026, 12, 9, 10));
  EXPECT_EQ(found[1].text, "14:30 GMT+2");
  EXPECT_EQ(found[1].date, local(2026, 12, 9, 4, 30));
  EXPECT_EQ(found[2].text, "Thu, 10 Dec 2026 09:15:00 -0500");
  EXPECT_EQ(found[2].date, local(2026, 12, 10, 6, 15));
}

TEST_F(DateScanner, CalendarEdgesAndDaylightSaving) {
  NSTimeInterval newYearsEve = local(2026, 12, 31, 23, 0);
  auto found = scan("tomorrow, next Friday, in 1 month, 1/2/99 and 3/4/30", newYearsEve);
  ASSERT_EQ(found.size(), 5u);
  EXPECT_EQ(found[0].date, local(2027, 1, 1));
  EXPECT_EQ(found[1].date, local(2027, 1, 1)) << "New Year's Day 2027 is a Friday";
  EXPECT_EQ(found[2].date, local(2027, 1, 31));
  EXPECT_EQ(found[3].date, local(1999, 1, 2));
  EXPECT_EQ(found[4].date, local(2030, 3, 4));

  found = scan("in 1 month", local(2027, 1, 31, 9));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].date, local(2027, 2, 28)) << "the month's last day, not March 3";

  // Summer time in Los Angeles is seven hours behind UTC, winter time eight.
  expectOne("July 4, 2026 at 9am", "July 4, 2026 at 9am", local(2026, 7, 4, 9));
  expectOne("Leap day: Feb 29, 2028", "Feb 29, 2028", local(2028, 2, 29));
  found = scan("March 8, 2026 at 2:30 AM");  // a wall time the clocks skip
  ASSERT_EQ(found.size(), 1u);
  EXPECT_NEAR(found[0].date, local(2026, 3, 8, 3, 0), 3600);
}

TEST_F(DateScanner, SubrangesReportRangesInTheWholeString) {
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
  detector->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(reference()));
  auto text = NSString::stringWithUTF8String("tomorrow and again on Friday at 9am");
  auto matches = detector->matchesInStringOptionsRange(text, 0, NSMakeRange(9, 100));
  ASSERT_EQ(matches->count(), 1u);
  auto r = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(0));
  EXPECT_EQ(r->range(), NSMakeRange(19, 16)) << "\"on\" before a weekday is part of the date";
  // A range that cuts a date leaves only what it covers.
  matches = detector->matchesInStringOptionsRange(text, 0, NSMakeRange(0, 31));
  ASSERT_EQ(matches->count(), 2u);
  r = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(1));
  EXPECT_EQ(r->range(), NSMakeRange(19, 9)) << "on Friday, without the cut-off time";
}

TEST_F(DateScanner, ReferenceDefaultsToNow) {
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
  auto text = NSString::stringWithUTF8String("today");
  auto before = NSDate::now()->timeIntervalSinceReferenceDate();
  auto r = detector->firstMatchInStringOptionsRange(text, 0, NSMakeRange(0, 5));
  ASSERT_TRUE(r);
  EXPECT_LT(std::abs(r->date()->timeIntervalSinceReferenceDate() - before), 86400);
}

TEST_F(DateScanner, MonthsWithAYearAndNoDayAreTheFirst) {
  expectCases({
      {"Released in March 2012 worldwide", "March 2012", local(2012, 3, 1)},
      {"since Sep '12", "Sep '12", local(2012, 9, 1)},
      {"Feb. 2013 issue", "Feb. 2013", local(2013, 2, 1)},
      {"expires Jan-2013", "Jan-2013", local(2013, 1, 1)},
      {"the 2016 June report", "2016 June", local(2016, 6, 1)},
      {"card exp 09/2012 ok", "09/2012", local(2012, 9, 1)},
      // A month alone after a word that makes it a time, or with next, last, this.
      {"we go in December.", "December", local(2026, 12, 1)},
      {"back by March", "March", local(2027, 3, 1)},
      {"next March", "next March", local(2027, 3, 1)},
      {"last December", "last December", local(2025, 12, 1)},
  });
}

TEST_F(DateScanner, AmountsRelativeToNow) {
  NSTimeInterval ref = reference();
  expectCases({
      {"ships in 5 days", "in 5 days", local(2026, 12, 14)},
      {"due 3 weeks from now", "3 weeks from now", local(2026, 12, 30)},
      {"reply within 3 days", "within 3 days", local(2026, 12, 12)},
      {"busy for the next 2 weeks", "next 2 weeks", local(2026, 12, 23)},
      {"sales over the last 3 months", "last 3 months", local(2026, 9, 9)},
      {"posted a week ago", "a week ago", local(2026, 12, 2)},
      {"called an hour ago", "an hour ago", ref - 3600},
      {"three weeks ago we met", "three weeks ago", local(2026, 11, 18)},
      {"a few days ago", "a few days ago", local(2026, 12, 6)},
      {"couple of days ago", "couple of days ago", local(2026, 12, 7)},
      {"and 2 weeks later", "2 weeks later", local(2026, 12, 23)},
      {"twenty-one days ago", "twenty-one days ago", local(2026, 11, 18)},
      {"back in a week", "in a week", local(2026, 12, 16)},
      {"in half an hour", "in half an hour", ref + 1800},
      {"10 seconds ago", "10 seconds ago", ref - 10},
      {"moved 2 yrs ago", "2 yrs ago", local(2024, 12, 9)},
      {"this weekend", "this weekend", local(2026, 12, 12)},
      {"last weekend", "last weekend", local(2026, 12, 5)},
      {"this coming Friday", "this coming Friday", local(2026, 12, 11)},
      {"after 3 days", "after 3 days", local(2026, 12, 12)},
      {"over the past 2 weeks", "past 2 weeks", local(2026, 11, 25)},
      {"remind me +2 hours", "+2 hours", ref + 7200},
      {"shifted -3 days", "-3 days", local(2026, 12, 6)},
      {"a week from Friday", "a week from Friday", local(2026, 12, 18)},
      {"two weeks from tomorrow", "two weeks from tomorrow", local(2026, 12, 24)},
      {"3 days from Dec 20", "3 days from Dec 20", local(2026, 12, 23)},
  });
}

TEST_F(DateScanner, WeekdaysPartsOfTheDayAndLoneHours) {
  // The reference is Wednesday 10:00.
  expectCases({
      {"this Friday works", "this Friday", local(2026, 12, 11)},
      {"next Tuesday at 4", "next Tuesday at 4", local(2026, 12, 15, 16)},
      {"see you on Monday!", "on Monday", local(2026, 12, 14)},
      {"last night was fun", "last night", local(2026, 12, 8, 21)},
      {"tomorrow morning at 9", "tomorrow morning at 9", local(2026, 12, 10, 9)},
      {"this afternoon at 3", "this afternoon at 3", local(2026, 12, 9, 15)},
      {"back by 11 at night", "11 at night", local(2026, 12, 9, 23)},
      {"up at 5 in the morning", "at 5 in the morning", local(2026, 12, 9, 5)},
      {"dinner at 7.", "at 7", local(2026, 12, 9, 19)},
      {"Thursday night?", "Thursday night", local(2026, 12, 10, 21)},
      {"noon tomorrow", "noon tomorrow", local(2026, 12, 10, 12)},
  });
}

TEST_F(DateScanner, OrdinalDaysInFiguresAndWords) {
  expectCases({
      {"on the 3rd of March", "3rd of March", local(2027, 3, 3)},
      {"see you on 3 January", "on 3 January", local(2027, 1, 3)},
      {"due by the end of February", "end of February", local(2027, 2, 28)},
      {"start of May 2027", "start of May 2027", local(2027, 5, 1)},
      {"on the twenty-fourth of May", "twenty-fourth of May", local(2027, 5, 24)},
      {"May twenty-fourth", "May twenty-fourth", local(2027, 5, 24)},
      {"filed 10-Aug-12 and", "10-Aug-12", local(2012, 8, 10)},
      {"filed Aug-10-2012 and", "Aug-10-2012", local(2012, 8, 10)},
      {"Friday next week", "Friday next week", local(2026, 12, 18)},
      {"March the third", "March the third", local(2027, 3, 3)},
      {"March the 3rd, 2025", "March the 3rd, 2025", local(2025, 3, 3)},
      {"March the twenty-first", "March the twenty-first", local(2027, 3, 21)},
  });
}

TEST_F(DateScanner, TimesInEverySpelling) {
  expectCases({
      {"at 5.30 p.m. sharp", "at 5.30 p.m.", local(2026, 12, 9, 17, 30)},
      {"8.23 PM", "8.23 PM", local(2026, 12, 9, 20, 23)},
      {"up at 5:30 a.m.", "at 5:30 a.m.", local(2026, 12, 9, 5, 30)},
      {"Jan 12 2012 3pm", "Jan 12 2012 3pm", local(2012, 1, 12, 15)},
      {"lunch at noon on Friday", "noon on Friday", local(2026, 12, 11, 12)},
  });
  auto found = scan("logged 2012-10-10T10:20:30.123Z and 2014-11-30T08:15:30-05:30, 5pm EST");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_NEAR(found[0].date, 371557230.123, 1e-3) << "the fraction of the second is kept";
  EXPECT_EQ(found[1].text, "2014-11-30T08:15:30-05:30");
  EXPECT_EQ(found[1].date, 439047930);
  EXPECT_EQ(found[2].date, local(2026, 12, 9, 14)) << "5pm in New York is 2pm here";
  found = scan("Sat Aug 17 2013 18:40:39 GMT+0900 (JST)");
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].text, "Sat Aug 17 2013 18:40:39 GMT+0900 (JST)");
  EXPECT_EQ(found[0].date, 398425239) << "09:40:39 UTC";
  found = scan("calls at 10:00 +05:30, at 10:00 (UTC) and 09:00-05:30");
  ASSERT_EQ(found.size(), 3u);
  EXPECT_EQ(found[0].text, "at 10:00 +05:30");
  EXPECT_EQ(found[0].date, local(2026, 12, 8, 20, 30)) << "04:30 UTC";
  EXPECT_EQ(found[1].text, "at 10:00 (UTC)");
  EXPECT_EQ(found[1].date, local(2026, 12, 9, 2));
  EXPECT_EQ(found[2].text, "09:00-05:30") << "a range, not an offset";
}

TEST_F(DateScanner, RangesWithTheMonthOrYearWrittenOnce) {
  expectCases({
      {"Aug 10 - 12, 2012", "Aug 10 - 12, 2012", local(2012, 8, 10), 2 * 86400},
      {"fair 10\u201312 August", "10\u201312 August", local(2026, 8, 10), 2 * 86400},
      {"10 - 22 August 2012", "10 - 22 August 2012", local(2012, 8, 10), 12 * 86400},
      {"open Mon-Fri", "Mon-Fri", local(2026, 12, 14), 4 * 86400},
      {"12/10/2015 - 12/12/2015", "12/10/2015 - 12/12/2015", local(2015, 12, 10), 2 * 86400},
      {"10 August - 12 September", "10 August - 12 September", local(2026, 8, 10), 33 * 86400},
  });
}

TEST_F(DateScanner, BritishOrderPutsTheDayFirst) {
  auto us = scan("8/10/12");
  ASSERT_EQ(us.size(), 1u);
  EXPECT_EQ(us[0].date, local(2012, 8, 10));
  useLocale("en_GB.UTF-8", "America/Los_Angeles");
  auto gb = scan("8/10/12");
  ASSERT_EQ(gb.size(), 1u);
  EXPECT_EQ(gb[0].date, local(2012, 10, 8));

  // The detector's own locale wins over the process's.
  useLocale("en_US.UTF-8", "America/Los_Angeles");
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
  detector->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(reference()));
  detector->setLocaleIdentifier("en_GB");
  auto r = detector->firstMatchInStringOptionsRange(NSString::stringWithUTF8String("8/10/12"), 0,
                                                    NSMakeRange(0, 7));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->date()->timeIntervalSinceReferenceDate(), local(2012, 10, 8));
}

TEST_F(DateScanner, DatesKeepToTheirLine) {
  auto found = scan("3pm PDT\nMarch 2012\nMonday -\nFriday");
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].text, "3pm PDT");
  EXPECT_EQ(found[1].text, "March 2012");
  EXPECT_EQ(found[2].text, "Monday");
  EXPECT_EQ(found[3].text, "Friday");
}

TEST_F(DateScanner, MonthNamesJoinedBySlashesOrDashes) {
  expectCases({
      {"on 12/March/2019 we met", "12/March/2019", local(2019, 3, 12)},
      {"released 2019-March", "2019-March", local(2019, 3, 1)},
      {"dir 2019/mar/12 here", "2019/mar/12", local(2019, 3, 12)},
      {"EXPIRES 12-MAR-2019", "12-MAR-2019", local(2019, 3, 12)},
      {"filed March-12-2019.", "March-12-2019", local(2019, 3, 12)},
      {"filed Mar/12/19.", "Mar/12/19", local(2019, 3, 12)},
      {"due 12/Mar", "12/Mar", local(2027, 3, 12)},  // the nearest March 12
      // As a web server logs a request: the time after a colon, then the offset.
      {"127.0.0.1 - - [12/Mar/2019:08:15:30 +0100] \"GET / HTTP/1.1\"",
       "12/Mar/2019:08:15:30 +0100", local(2019, 3, 12, 0, 15, 30)},
      // As C's clock and Unix's date print it: the year after the time.
      {"Tue Mar 12 08:15:30 2019", "Tue Mar 12 08:15:30 2019", local(2019, 3, 12, 8, 15, 30)},
      {"Tue Mar 12 08:15:30 UTC 2019 boot", "Tue Mar 12 08:15:30 UTC 2019",
       local(2019, 3, 12, 1, 15, 30)},
      {"Mar 99 issue", "Mar 99", local(1999, 3, 1)},
      {"since March '99", "March '99", local(1999, 3, 1)},
      {"in June of 2022", "June of 2022", local(2022, 6, 1)},
      {"stamped 2019 03 12", "2019 03 12", local(2019, 3, 12)},
      {"Mar-99 batch", "Mar-99", local(1999, 3, 1)},
      {"in March, 2019", "March, 2019", local(2019, 3, 1)},
  });
}

TEST_F(DateScanner, AmountsInShortUnitsSeveralPartsAndDecimals) {
  NSTimeInterval ref = reference();
  expectCases({
      {"pushed 2h ago", "2h ago", ref - 7200},
      {"back in 1d 3h 10m", "in 1d 3h 10m", local(2026, 12, 10, 13, 10)},
      {"4m 30s ago", "4m 30s ago", ref - 270},
      {"in 5 mins", "in 5 mins", ref + 300},
      {"3 hrs ago", "3 hrs ago", ref - 10800},
      {"done in 2.5 hours", "in 2.5 hours", ref + 9000},
      {"1.5 days ago", "1.5 days ago", ref - 36 * 3600},
      {"2 hours and 30 minutes ago", "2 hours and 30 minutes ago", ref - 9000},
      {"2 days, 3 hours ago", "2 days, 3 hours ago", local(2026, 12, 7, 7)},
      {"2.5 years ago", "2.5 years ago", local(2024, 6, 9)},
      {"in an hour and a half", "in an hour and a half", ref + 5400},
      {"two and a half hours ago", "two and a half hours ago", ref - 9000},
      {"in about 3 hours", "in about 3 hours", ref + 10800},
      {"within around 2 days", "within around 2 days", local(2026, 12, 11)},
      {"in roughly a week", "in roughly a week", local(2026, 12, 16)},
      {"in approximately 10 minutes", "in approximately 10 minutes", ref + 600},
      {"about 3 hours ago", "about 3 hours ago", ref - 10800},
      {"in just 5 minutes", "in just 5 minutes", ref + 300},
      {"just 5 minutes ago", "5 minutes ago", ref - 300},
  });
}

TEST_F(DateScanner, AmountsBeforeAndAfterNowOrADay) {
  NSTimeInterval ref = reference();
  expectCases({
      {"launch is 5 days out", "5 days out", local(2026, 12, 14)},
      {"2 weeks before, it rained", "2 weeks before", local(2026, 11, 25)},
      {"5 minutes earlier", "5 minutes earlier", ref - 300},
      {"and 3 days after", "3 days after", local(2026, 12, 12)},
      {"3 weeks after yesterday", "3 weeks after yesterday", local(2026, 12, 29)},
      {"2 days after next Monday", "2 days after next Monday", local(2026, 12, 16)},
      {"3 days before tomorrow", "3 days before tomorrow", local(2026, 12, 7)},
      {"a week from tomorrow", "a week from tomorrow", local(2026, 12, 17)},
      {"in the next hour", "next hour", ref + 3600},
      {"in the last hour", "last hour", ref - 3600},
      {"the minute before", "the minute before", ref - 60},
      {"the day after", "the day after", local(2026, 12, 10)},
      {"the previous week", "previous week", local(2026, 12, 2)},
  });
}

TEST_F(DateScanner, QuartersAndWorkdays) {
  expectCases({
      {"next quarter", "next quarter", local(2027, 3, 9)},
      {"last quarter", "last quarter", local(2026, 9, 9)},
      // "this" names a period: its first day (the week's by the locale, Sunday here).
      {"this qtr", "this qtr", local(2026, 10, 1)},
      {"due this week", "this week", local(2026, 12, 6)},
      {"closes this month", "this month", local(2026, 12, 1)},
      {"the plan for this year", "this year", local(2026, 1, 1)},
      {"in 2 quarters", "in 2 quarters", local(2027, 6, 9)},
      {"results for Q3 2024", "Q3 2024", local(2024, 7, 1)},
      // The reference is a Wednesday.
      {"next weekday", "next weekday", local(2026, 12, 10)},
      {"last weekday", "last weekday", local(2026, 12, 8)},
  });
  // From a Friday the next weekday is Monday; from a Monday the last one Friday.
  auto found = scan("next weekday", local(2026, 12, 11, 10));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].date, local(2026, 12, 14));
  found = scan("last weekday", local(2026, 12, 14, 10));
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].date, local(2026, 12, 11));
}

TEST_F(DateScanner, TimesWithADotOrAnOffsetAgainstThem) {
  expectCases({
      {"see you at 9.45", "at 9.45", local(2026, 12, 9, 9, 45)},
      {"meet at 9.45 tomorrow", "at 9.45 tomorrow", local(2026, 12, 10, 9, 45)},
      {"at 8.00 tonight", "at 8.00 tonight", local(2026, 12, 9, 20)},
      {"7.30 tonight", "7.30 tonight", local(2026, 12, 9, 19, 30)},
      {"9.45 in the morning", "9.45 in the morning", local(2026, 12, 9, 9, 45)},
      {"10:00 tonight", "10:00 tonight", local(2026, 12, 9, 22)},
      {"doors 9.45pm", "9.45pm", local(2026, 12, 9, 21, 45)},
      {"Friday at 18.30", "Friday at 18.30", local(2026, 12, 11, 18, 30)},
      // 21:00, 17:30, 08:00 and 10:00 UTC, 13:00, 9:30, 0:00 and 2:00 in Los Angeles.
      {"ends 23.00+02", "23.00+02", local(2026, 12, 9, 13)},
      {"ends 23:00+0530", "23:00+0530", local(2026, 12, 9, 9, 30)},
      {"ends 23:00 +02", "23:00 +02", local(2026, 12, 9, 13)},
      {"Sat. 4 p.m.", "Sat. 4 p.m.", local(2026, 12, 12, 16)},
      {"call 10:00 UTC+2", "10:00 UTC+2", local(2026, 12, 9, 0)},
      {"at 10:00Z", "at 10:00Z", local(2026, 12, 9, 2)},
  });
}

TEST_F(DateScanner, MidnightIsTheComingOneAndRangesTakeTheirDay) {
  expectCases({
      {"until midnight", "midnight", local(2026, 12, 10, 0)},
      {"tomorrow at midnight", "tomorrow at midnight", local(2026, 12, 10, 0)},
      {"from 8pm to 11pm last night", "from 8pm to 11pm last night", local(2026, 12, 8, 20),
       3 * 3600},
  });
}

TEST_F(DateScanner, EdgesOfTheMonthOrYearNamedFromToday) {
  expectCases({
      {"by the end of the month", "end of the month", local(2026, 12, 31)},
      {"end of next month", "end of next month", local(2027, 1, 31)},
      {"the start of next year", "start of next year", local(2027, 1, 1)},
      {"middle of last month", "middle of last month", local(2026, 11, 15)},
      {"few days ago", "few days ago", local(2026, 12, 6)},
  });
}

TEST_F(DateScanner, NewFormsLeaveNumbersAndIdiomsAlone) {
  for (const char* text : {"a quarter of an hour",
                           "the French Quarter",
                           "at the last minute",
                           "it costs 9.45",
                           "sold at 9.45 each",
                           "9.45 a piece",
                           "version 2.5 hours",
                           "from 9.99 to 12.99",
                           "3 days out of 5",
                           "call 0176 2019 03 12",
                           "2019 03 12 44",
                           "scores 2019 3 1",
                           "turn in 200 m",
                           "in 5 M",
                           "the 1990s",
                           "in 1980s America",
                           "v1.2.3-beta",
                           "Q5 2024",
                           "Dec 45 minutes",
                           "10.0.0.1/24"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

TEST_F(DateScanner, SpokenTimesPastAndToTheHour) {
  // A spoken hour is read as a lone one after "at": 1 to 7 in the afternoon.
  expectCases({
      {"half past 3", "half past 3", local(2026, 12, 9, 15, 30)},
      {"He arrived at half past three.", "at half past three", local(2026, 12, 9, 15, 30)},
      {"a quarter to five", "a quarter to five", local(2026, 12, 9, 16, 45)},
      {"a quarter to 3", "a quarter to 3", local(2026, 12, 9, 14, 45)},
      {"quarter past 9", "quarter past 9", local(2026, 12, 9, 9, 15)},
      {"ten past four", "ten past four", local(2026, 12, 9, 16, 10)},
      {"twenty-five to eight", "twenty-five to eight", local(2026, 12, 9, 19, 35)},
      {"20 past 11 am", "20 past 11 am", local(2026, 12, 9, 11, 20)},
      {"ten minutes to twelve", "ten minutes to twelve", local(2026, 12, 9, 11, 50)},
      {"quarter past 11 at night", "quarter past 11 at night", local(2026, 12, 9, 23, 15)},
      {"half past 3 in the morning", "half past 3 in the morning", local(2026, 12, 9, 3, 30)},
      {"tomorrow at half past 3", "tomorrow at half past 3", local(2026, 12, 10, 15, 30)},
      {"half past eight tonight", "half past eight tonight", local(2026, 12, 9, 20, 30)},
  });
  for (const char* text : {"half past", "quarter to", "ten to five people", "two to three days",
                           "5 to 6", "a quarter of five", "half past thirteen"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

TEST_F(DateScanner, MonthAndDayAloneInFigures) {
  // Where a fraction, a rating or a page would not stand: a day past 12 as the clause
  // ends, or any day before a time.
  expectCases({
      {"due 12/25", "12/25", local(2026, 12, 25)},
      {"due 1/15.", "1/15", local(2027, 1, 15)},
      {"3/4 at 2pm", "3/4 at 2pm", local(2027, 3, 4, 14)},
      {"on 3/4, 10:30", "3/4, 10:30", local(2027, 3, 4, 10, 30)},
  });
  for (const char* text : {"add 3/4 cup", "rated 4/5.", "1/15 of the budget", "mix 2 1/2 cups",
                           "see page 1/15", "scored 7/10", "in 1/2 hour", "3/4 at best"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
  useLocale("en_GB.UTF-8", "America/Los_Angeles");
  expectOne("due 25/12", "25/12", local(2026, 12, 25));
}

TEST_F(DateScanner, RangesOfLoneHours) {
  // After a day, or alone as a working day's hours; 1 to 7 are the afternoon's.
  expectCases({
      {"today from 3 to 5", "today from 3 to 5", local(2026, 12, 9, 15), 7200},
      {"tomorrow between 2 and 4", "tomorrow between 2 and 4", local(2026, 12, 10, 14), 7200},
      {"Friday from 10 to 12.", "Friday from 10 to 12", local(2026, 12, 11, 10), 7200},
      {"open from 9 to 5", "from 9 to 5", local(2026, 12, 9, 9), 8 * 3600},
  });
  for (const char* text : {"rate it from 1 to 10.", "from 3 to 5 people", "from 9 to 5 minutes",
                           "2 - 1 from 3 to 5", "tomorrow from 3 to 5 people"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.size() <= 1 && (found.empty() || found[0].duration == 0))
        << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

TEST_F(DateScanner, ShorthandAndOtherOrders) {
  expectCases({
      {"see you tmrw", "tmrw", local(2026, 12, 10)},
      {"8:30 tmrw", "8:30 tmrw", local(2026, 12, 10, 8, 30)},
      {"done by tonite", "tonite", local(2026, 12, 9, 20)},
      {"see you thurs", "thurs", local(2026, 12, 10)},
      {"in a fortnight", "in a fortnight", local(2026, 12, 23)},
      {"two fortnights ago", "two fortnights ago", local(2026, 11, 11)},
      {"Monday of next week", "Monday of next week", local(2026, 12, 14)},
      {"Friday of last week", "Friday of last week", local(2026, 12, 4)},
      {"2027 January 15", "2027 January 15", local(2027, 1, 15)},
      {"2019 3 12", "2019 3 12", local(2019, 3, 12)},
  });
  // A weekday and a day of the month: the nearest day of that number on that weekday.
  expectCases({
      {"Wednesday the 16th works", "Wednesday the 16th", local(2026, 12, 16)},
      {"on Friday the 18th", "on Friday the 18th", local(2026, 12, 18)},
      {"Sat 19th at 3pm", "Sat 19th at 3pm", local(2026, 12, 19, 15)},
      {"Monday 1st", "Monday 1st", local(2027, 2, 1)},
      {"this coming weekend", "this coming weekend", local(2026, 12, 12)},
      {"at 8 tomorrow morning", "at 8 tomorrow morning", local(2026, 12, 10, 8)},
      {"at 8 tomorrow night", "at 8 tomorrow night", local(2026, 12, 10, 20)},
  });
  EXPECT_TRUE(scan("he sat 19th in the race").empty());
  // A date on the line before does not make "2019 03 12" part of a run of numbers.
  auto found = scan("2019 3 12\n2019 03 12");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[1].text, "2019 03 12");
}

TEST_F(DateScanner, NotDates) {
  for (const char* text : {"call 555-123-4567 now",
                           "version 1.2.3 and 10.4.2026.1",
                           "score 13/14/2026",
                           "February 30, 2026",
                           "he was 5 and she was 12",
                           "May I see it?",
                           "June said hi to April",
                           "Dear March,",
                           "the sun is out",
                           "room 25:99",
                           "ratio 3:2",
                           "mix 12/09/2026x with text",
                           "ip 10.12.2026.4",
                           "lots of 2026 things",
                           "at 25pm",
                           "version 1.1.30",
                           "v2.0.1",
                           "final score 3-1",
                           "add 3/4 cup",
                           "server 192.168.1.1",
                           "build 2024.1.2",
                           "meet at 7 Main Street",
                           "it costs 12.99",
                           "rows 1-20 and page 10-12",
                           "iOS 16.4.1",
                           "May 1234 5678",
                           "at 5 dollars each",
                           "x+2 hours",
                           "in the past"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

TEST_F(DateScanner, SeveralDatesInTextOrder) {
  auto found = scan("Tomorrow, or Friday at 9:00, but not 12/31/2026 – maybe Jan 2.");
  ASSERT_EQ(found.size(), 4u);
  EXPECT_EQ(found[0].text, "Tomorrow");
  EXPECT_EQ(found[1].text, "Friday at 9:00");
  EXPECT_EQ(found[2].text, "12/31/2026");
  EXPECT_EQ(found[3].text, "Jan 2");
}

TEST_F(DateScanner, RangesAreUtf16BehindEmojiMarksAndRightToLeftText) {
  const std::u16string cases[] = {
      u"\U0001F389\U0001F389 party tomorrow at 8pm \U0001F942",
      u"cafe\u0301 tomorrow at 8pm",
      u"\u05E9\u05DC\u05D5\u05DD tomorrow at 8pm \u05E9\u05DC\u05D5\u05DD",
      u"\u202Etomorrow at 8pm\u202C",
  };
  for (const auto& text : cases) {
    auto found = scan(text);
    ASSERT_EQ(found.size(), 1u);
    std::size_t at = text.find(u"tomorrow");
    EXPECT_EQ(found[0].range, NSMakeRange(at, 15));
    EXPECT_EQ(found[0].date, local(2026, 12, 10, 20));
  }
}

TEST_F(DateScanner, GermanLocaleFormsAndDayFirstOrder) {
  useLocale("de_DE.UTF-8", "Europe/Berlin");
  NSTimeInterval ref = local(2026, 12, 9, 10);
  struct Case {
    const char* text;
    const char* match;
    NSTimeInterval when;
  } cases[] = {
      // "am" before a day is part of the date, as "on" is.
      {"Termin am 9. Dezember 2026 um 15:30 Uhr.", "am 9. Dezember 2026 um 15:30 Uhr",
       local(2026, 12, 9, 15, 30)},
      {"Abgabe 03.04.2027 bitte", "03.04.2027", local(2027, 4, 3)},
      {"bis morgen", "morgen", local(2026, 12, 10)},
      {"wir sehen uns übermorgen", "übermorgen", local(2026, 12, 11)},
      {"nächsten Freitag vielleicht", "nächsten Freitag", local(2026, 12, 11)},
      {"Am Montag, 14. Dez. geht es los", "Am Montag, 14. Dez.", local(2026, 12, 14)},
      {"Mittwoch, den 16. Dezember passt", "Mittwoch, den 16. Dezember", local(2026, 12, 16)},
      {"und in English: 12/09/2026", "12/09/2026", local(2026, 9, 12)},
  };
  for (const Case& c : cases) {
    auto found = scan(c.text, ref);
    ASSERT_EQ(found.size(), 1u) << c.text;
    EXPECT_EQ(found[0].text, c.match);
    EXPECT_EQ(found[0].date, c.when) << c.text;
  }
}

TEST_F(DateScanner, FrenchLocaleForms) {
  useLocale("fr_FR.UTF-8", "Europe/Paris");
  NSTimeInterval ref = local(2026, 12, 9, 10);
  auto found =
      scan("rendez-vous le 9 décembre 2026 à 15h30, ou vendredi prochain de 14h à 16h", ref);
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, "9 décembre 2026 à 15h30");
  EXPECT_EQ(found[0].date, local(2026, 12, 9, 15, 30));
  EXPECT_EQ(found[1].text, "vendredi prochain de 14h à 16h");
  EXPECT_EQ(found[1].date, local(2026, 12, 11, 14));
  EXPECT_EQ(found[1].duration, 7200);
}

TEST_F(DateScanner, HostileTextEndsInTimeWithoutFalseDates) {
  std::u16string digits(1 << 20, u'9');
  EXPECT_TRUE(scan(digits).empty());
  std::u16string junk;
  for (int i = 0; i < 1 << 18; ++i) junk += (i % 7 == 0) ? u'\xD800' : (i % 5 == 0) ? u'\0' : u'/';
  EXPECT_TRUE(scan(junk).empty());
  std::u16string dots;
  for (int i = 0; i < 1 << 17; ++i) dots += u"1.";
  EXPECT_TRUE(scan(dots).empty());

  // A megabyte of prose with a date every few hundred words: all of them, in order.
  std::u16string prose;
  int planted = 0;
  while (prose.size() < (1u << 20)) {
    prose += u"some words, 42 things and 7:3 odds; then on Dec 9 at 5pm we met again. ";
    ++planted;
  }
  auto found = scan(prose);
  ASSERT_EQ(found.size(), static_cast<std::size_t>(planted));
  EXPECT_EQ(found.back().text, "Dec 9 at 5pm");
}

TEST_F(DateScanner, HostileReferenceDatesGiveDatesInRange) {
  for (double ref : {1e300, -1e300, std::nan(""), 1e12}) {
    auto found = scan("tomorrow at 5pm, in 100000 years, Dec 25, 12/09/26", ref);
    for (const Found& f : found) EXPECT_TRUE(std::isfinite(f.date)) << f.text;
  }
}

TEST_F(DateScanner, OneDetectorScansFromManyThreads) {
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
  detector->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(reference()));
  auto text = NSString::stringWithUTF8String(
      "tomorrow at 5pm, next Friday from 3 to 5pm, 12/25/2026 and 10:00 UTC");
  std::vector<std::thread> threads;
  std::vector<NSUInteger> counts(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 50; ++i)
        counts[t] +=
            detector->numberOfMatchesInStringOptionsRange(text, 0, NSMakeRange(0, text->length()));
    });
  }
  for (auto& th : threads) th.join();
  for (NSUInteger c : counts) EXPECT_EQ(c, 4u * 50);
}

}  // namespace
