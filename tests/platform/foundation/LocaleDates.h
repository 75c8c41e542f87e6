// What the date tests of the languages other than English share: a fixed reference
// (Wednesday, 9 December 2026, 10:00 in Berlin), a scan in a locale, and checks of
// tables of phrases (the text the date covers and its moment) and of sentences that hold
// no date. Expected moments come from the C library's mktime, not from ICU.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"
#include "WallTime.h"

namespace localedates {

struct Phrase {
  const char* sentence;
  const char* match;
  int year, month, day, hour = 12, minute = 0;
};

// "in 2 hours", "3時間後": a moment counted from the reference, `day` hours and `minute`
// minutes on, not a wall time.
constexpr int kFromReference = -1;

struct Found {
  std::string text;
  NSTimeInterval date;
  NSTimeInterval duration;
};

class LocaleDatesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("TZ", "Europe/Berlin", 1);
    tzset();
  }
  void TearDown() override {
    unsetenv("TZ");
    tzset();
  }

  static NSTimeInterval local(int y, int mo, int d, int h = 12, int mi = 0, int s = 0) {
    return walltime::local(y, mo, d, h, mi, s);
  }
  static NSTimeInterval reference() { return local(2026, 12, 9, 10, 0); }

  static std::vector<Found> scan(const char* locale, const char* utf8) {
    auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeDate, nullptr);
    detector->setLocaleIdentifier(locale);
    detector->setReferenceDate(NSDate::dateWithTimeIntervalSinceReferenceDate(reference()));
    auto string = NSString::stringWithUTF8String(utf8);
    auto matches =
        detector->matchesInStringOptionsRange(string, 0, NSMakeRange(0, string->length()));
    std::vector<Found> out;
    for (NSUInteger i = 0; i < matches->count(); ++i) {
      auto r = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(i));
      out.push_back({string->substringWithRange(r->range())->stdString(),
                     r->date()->timeIntervalSinceReferenceDate(), r->duration()});
    }
    return out;
  }

  // Each sentence holds one date.
  static void expectPhrases(const char* locale, const std::vector<Phrase>& rows) {
    for (const Phrase& p : rows) {
      auto found = scan(locale, p.sentence);
      ASSERT_EQ(found.size(), 1u) << locale << ": " << p.sentence;
      EXPECT_EQ(found[0].text, p.match) << locale << ": " << p.sentence;
      NSTimeInterval want = p.year == kFromReference
                                ? reference() + p.day * 3600.0 + p.minute * 60.0
                                : local(p.year, p.month, p.day, p.hour, p.minute);
      EXPECT_EQ(found[0].date, want)
          << locale << ": " << p.sentence << ": off by " << found[0].date - want << " s";
    }
  }

  static void expectNone(const char* locale, const std::vector<const char*>& sentences) {
    for (const char* s : sentences) {
      auto found = scan(locale, s);
      EXPECT_TRUE(found.empty()) << locale << ": " << s << " gave " << found[0].text;
    }
  }
};

}  // namespace localedates
