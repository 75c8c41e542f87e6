#include <gtest/gtest.h>

#include "Foundation/Foundation.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

TEST(TextCheckingResult, EachFactoryCarriesOnlyItsOwnPayload) {
  auto url = NSURL::URLWithString("https://example.com/a");
  auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(86400);
  auto zone = NSTimeZone::timeZoneWithName("Europe/Berlin");
  auto components =
      NSDictionary::dictionaryWithObjectsAndKeys({{NSTextCheckingCityKey, S("Paris")}});
  ASSERT_TRUE(url && zone);

  auto link = NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(3, 5), url);
  EXPECT_EQ(link->resultType(), NSTextCheckingTypeLink);
  EXPECT_EQ(link->range(), NSMakeRange(3, 5));
  EXPECT_TRUE(link->URL()->isEqual(url));
  EXPECT_FALSE(link->date());
  EXPECT_FALSE(link->components());

  auto when = NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(
      NSMakeRange(0, 4), date, zone, 7200);
  EXPECT_EQ(when->resultType(), NSTextCheckingTypeDate);
  EXPECT_TRUE(when->timeZone()->isEqual(zone));
  EXPECT_EQ(when->duration(), 7200);
  EXPECT_FALSE(when->URL());

  auto plainDate = NSTextCheckingResult::dateCheckingResultWithRangeDate(NSMakeRange(0, 4), date);
  EXPECT_FALSE(plainDate->timeZone());
  EXPECT_EQ(plainDate->duration(), 0);

  auto address =
      NSTextCheckingResult::addressCheckingResultWithRangeComponents(NSMakeRange(1, 2), components);
  EXPECT_EQ(address->resultType(), NSTextCheckingTypeAddress);
  EXPECT_TRUE(address->addressComponents());
  EXPECT_FALSE(address->components()) << "transit components belong to transit results only";

  auto transit = NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(
      NSMakeRange(1, 2), components);
  EXPECT_TRUE(transit->components());
  EXPECT_FALSE(transit->addressComponents());

  auto phone = NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(
      NSMakeRange(0, 12), S("555-123-4567"));
  EXPECT_EQ(phone->resultType(), NSTextCheckingTypePhoneNumber);
  EXPECT_TRUE(phone->phoneNumber()->isEqualToString(S("555-123-4567")));
}

TEST(TextCheckingResult, EqualityIsByTypeRangeAndPayload) {
  auto a = NSTextCheckingResult::linkCheckingResultWithRangeURL(
      NSMakeRange(0, 3), NSURL::URLWithString("http://a.example"));
  auto same = NSTextCheckingResult::linkCheckingResultWithRangeURL(
      NSMakeRange(0, 3), NSURL::URLWithString("http://a.example"));
  auto otherRange = NSTextCheckingResult::linkCheckingResultWithRangeURL(
      NSMakeRange(1, 3), NSURL::URLWithString("http://a.example"));
  auto otherUrl = NSTextCheckingResult::linkCheckingResultWithRangeURL(
      NSMakeRange(0, 3), NSURL::URLWithString("http://b.example"));
  EXPECT_TRUE(a->isEqual(same));
  EXPECT_EQ(a->hash(), same->hash());
  EXPECT_FALSE(a->isEqual(otherRange));
  EXPECT_FALSE(a->isEqual(otherUrl));
  EXPECT_FALSE(a->isEqual(nullptr));
}

TEST(TimeZone, NamesOffsetsAndRefusals) {
  EXPECT_FALSE(NSTimeZone::timeZoneWithName("Not/AZone"));
  EXPECT_FALSE(NSTimeZone::timeZoneWithName(""));
  EXPECT_FALSE(NSTimeZone::timeZoneForSecondsFromGMT(19 * 3600));
  auto la = NSTimeZone::timeZoneWithName("America/Los_Angeles");
  ASSERT_TRUE(la);
  // 2026-01-15 and 2026-07-15, noon UTC: standard and daylight time.
  auto winter = NSDate::dateWithTimeIntervalSince1970(1768478400);
  auto summer = NSDate::dateWithTimeIntervalSince1970(1784116800);
  EXPECT_EQ(la->secondsFromGMTForDate(winter), -8 * 3600);
  EXPECT_EQ(la->secondsFromGMTForDate(summer), -7 * 3600);
  auto fixed = NSTimeZone::timeZoneForSecondsFromGMT(5 * 3600 + 1800);
  ASSERT_TRUE(fixed);
  EXPECT_EQ(fixed->secondsFromGMTForDate(winter), 19800);
  EXPECT_EQ(fixed->name()->stdString(), "GMT+0530");
}

TEST(TimeZone, LocalZoneFollowsTZ) {
  const char* old = std::getenv("TZ");
  std::string saved = old ? old : "";
  setenv("TZ", "Asia/Tokyo", 1);
  EXPECT_EQ(NSTimeZone::localTimeZone()->stdName(), "Asia/Tokyo");
  setenv("TZ", "Nowhere/Atall", 1);
  EXPECT_TRUE(NSTimeZone::localTimeZone()) << "an unknown TZ falls back, never none";
  if (old)
    setenv("TZ", saved.c_str(), 1);
  else
    unsetenv("TZ");
}

}  // namespace
