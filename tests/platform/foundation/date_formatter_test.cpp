// NSDateFormatter's styles in two locales, its own patterns and parsing, and the zones
// by abbreviation it and the date detector share.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/Foundation.h"

namespace {

// 2026-12-09 23:30:32 UTC: a Wednesday, 3:30:32 PM in Los Angeles.
constexpr double kExample1970 = 1796859032.0;

// ICU writes a narrow no-break space before AM/PM; compare with plain spaces.
std::string plain(const Strong<NSString>& s) {
  std::string out = s ? s->stdString() : "<none>";
  for (std::size_t at; (at = out.find("\u202F")) != std::string::npos;) out.replace(at, 3, " ");
  return out;
}

class DateFormatter : public ::testing::Test {
 protected:
  void TearDown() override {
    unsetenv("LANG");
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    unsetenv("TZ");
  }
  static void use(const char* lang, const char* zone) {
    unsetenv("LC_ALL");
    unsetenv("LC_TIME");
    setenv("LANG", lang, 1);
    setenv("TZ", zone, 1);
  }
  static Strong<NSString> styled(NSDateFormatterStyle date, NSDateFormatterStyle time) {
    return NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
        NSDate::dateWithTimeIntervalSince1970(kExample1970), date, time);
  }
};

TEST_F(DateFormatter, LongStylesInAmericanEnglish) {
  use("en_US.UTF-8", "America/Los_Angeles");
  EXPECT_EQ(plain(styled(NSDateFormatterLongStyle, NSDateFormatterLongStyle)),
            "December 9, 2026 at 3:30:32 PM PST");
  EXPECT_EQ(plain(styled(NSDateFormatterLongStyle, NSDateFormatterNoStyle)), "December 9, 2026");
  EXPECT_EQ(plain(styled(NSDateFormatterNoStyle, NSDateFormatterLongStyle)), "3:30:32 PM PST");
  EXPECT_EQ(plain(styled(NSDateFormatterShortStyle, NSDateFormatterShortStyle)),
            "12/9/26, 3:30 PM");
  EXPECT_EQ(plain(styled(NSDateFormatterMediumStyle, NSDateFormatterNoStyle)), "Dec 9, 2026");
  EXPECT_EQ(plain(styled(NSDateFormatterFullStyle, NSDateFormatterNoStyle)),
            "Wednesday, December 9, 2026");
  EXPECT_EQ(plain(styled(NSDateFormatterNoStyle, NSDateFormatterNoStyle)), "");
  EXPECT_EQ(plain(styled(99, NSDateFormatterNoStyle)), "Wednesday, December 9, 2026")
      << "styles past Full count as Full";
  EXPECT_FALSE(NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
      nullptr, NSDateFormatterLongStyle, NSDateFormatterLongStyle));
}

TEST_F(DateFormatter, LongStylesFollowLocaleAndZone) {
  use("de_DE.UTF-8", "Europe/Berlin");
  EXPECT_EQ(plain(styled(NSDateFormatterLongStyle, NSDateFormatterLongStyle)),
            "10. Dezember 2026 um 00:30:32 MEZ");
  setenv("LC_TIME", "en_GB.UTF-8", 1);  // LC_TIME before LANG
  EXPECT_EQ(plain(styled(NSDateFormatterLongStyle, NSDateFormatterNoStyle)), "10 December 2026");
  setenv("LC_ALL", "C", 1);  // the POSIX locale writes as American English
  EXPECT_EQ(plain(styled(NSDateFormatterLongStyle, NSDateFormatterNoStyle)), "December 10, 2026");
}

TEST_F(DateFormatter, PatternsAndParsing) {
  use("en_US.UTF-8", "UTC");
  auto f = std::make_shared<NSDateFormatter>();
  EXPECT_EQ(plain(f->stringFromDate(NSDate::dateWithTimeIntervalSince1970(0))), "")
      << "no styles and no pattern write nothing";
  f->setDateFormat(NSString::stringWithUTF8String("yyyy-MM-dd HH:mm"));
  f->setTimeZone(NSTimeZone::timeZoneWithName(std::string("Asia/Tokyo")));
  auto date = NSDate::dateWithTimeIntervalSince1970(kExample1970);
  EXPECT_EQ(plain(f->stringFromDate(date)), "2026-12-10 08:30");
  auto back = f->dateFromString(NSString::stringWithUTF8String("2026-12-10 08:30"));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->timeIntervalSince1970(), kExample1970 - 32);
  EXPECT_FALSE(f->dateFromString(NSString::stringWithUTF8String("2026-12-10 08:30 and more")));
  EXPECT_FALSE(f->dateFromString(NSString::stringWithUTF8String("not a date")));
  EXPECT_FALSE(f->stringFromDate(nullptr));

  f->setDateStyle(NSDateFormatterMediumStyle);  // a style replaces the pattern
  EXPECT_EQ(plain(f->stringFromDate(date)), "Dec 10, 2026");
  EXPECT_EQ(f->dateFormat()->stdString(), "MMM d, y");
  f->setLocaleIdentifier("fr_FR");
  EXPECT_EQ(plain(f->stringFromDate(date)), "10 déc. 2026");
}

TEST_F(DateFormatter, OneFormatterFromManyThreads) {
  use("en_US.UTF-8", "UTC");
  auto f = std::make_shared<NSDateFormatter>();
  f->setDateStyle(NSDateFormatterLongStyle);
  std::vector<std::thread> threads;
  std::vector<int> wrong(8, 0);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        if (i == 100 && t == 0) f->setTimeStyle(NSDateFormatterNoStyle);
        auto s = f->stringFromDate(NSDate::dateWithTimeIntervalSince1970(86400.0 * t));
        if (s->stdString().find("January") != 0) ++wrong[t];
        NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
            NSDate::now(), NSDateFormatterShortStyle, NSDateFormatterShortStyle);
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int w : wrong) EXPECT_EQ(w, 0);
}

TEST(TimeZone, AbbreviationsNameRegions) {
  auto pst = NSTimeZone::timeZoneWithAbbreviation(std::string("PST"));
  ASSERT_TRUE(pst);
  EXPECT_EQ(pst->stdName(), "America/Los_Angeles");
  // The region's offset follows daylight saving: 2026-07-01 and 2026-01-01.
  EXPECT_EQ(pst->secondsFromGMTForDate(NSDate::dateWithTimeIntervalSince1970(1782864000)),
            -7 * 3600);
  EXPECT_EQ(pst->secondsFromGMTForDate(NSDate::dateWithTimeIntervalSince1970(1767225600)),
            -8 * 3600);
  EXPECT_EQ(NSTimeZone::timeZoneWithAbbreviation(std::string("CEST"))->stdName(), "Europe/Paris");
  EXPECT_EQ(NSTimeZone::timeZoneWithAbbreviation(std::string("UTC"))->secondsFromGMT(), 0);
  EXPECT_FALSE(NSTimeZone::timeZoneWithAbbreviation(std::string("XYZ")));
  EXPECT_FALSE(NSTimeZone::timeZoneWithAbbreviation(Strong<NSString>()));
  auto all = NSTimeZone::abbreviationDictionary();
  EXPECT_TRUE(objc_cast<NSString>(all->objectForKey(NSString::stringWithUTF8String("JST")))
                  ->isEqualToString(NSString::stringWithUTF8String("Asia/Tokyo")));
}

}  // namespace
