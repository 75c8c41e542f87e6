// Street addresses found by the data detector, with their components as written.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"

namespace {

using namespace std::literals;

struct Found {
  std::string text;
  NSRange range;
  std::map<std::string, std::string> parts;
};

std::vector<Found> scan(std::u16string_view text) {
  auto detector = NSDataDetector::dataDetectorWithTypesError(NSTextCheckingTypeAddress, nullptr);
  auto string = NSString::stringWithCharacters(text);
  auto matches = detector->matchesInStringOptionsRange(string, 0, NSMakeRange(0, string->length()));
  std::vector<Found> out;
  for (NSUInteger i = 0; i < matches->count(); ++i) {
    auto r = objc_cast<NSTextCheckingResult>(matches->objectAtIndex(i));
    EXPECT_EQ(r->resultType(), NSTextCheckingTypeAddress);
    Found f;
    f.range = r->range();
    f.text = string->substringWithRange(r->range())->stdString();
    auto components = r->addressComponents();
    for (auto key : {NSTextCheckingStreetKey, NSTextCheckingCityKey, NSTextCheckingStateKey,
                     NSTextCheckingZIPKey, NSTextCheckingCountryKey}) {
      if (auto v = objc_cast<NSString>(components->objectForKey(key)))
        f.parts[key->stdString()] = v->stdString();
    }
    out.push_back(f);
  }
  return out;
}

std::vector<Found> scan(const char* utf8) {
  auto s = NSString::stringWithUTF8String(utf8);
  return scan(std::u16string_view(s->characters()));
}

using Parts = std::map<std::string, std::string>;

void expectOne(const char* sentence, const char* match, const Parts& parts) {
  auto found = scan(sentence);
  ASSERT_EQ(found.size(), 1u) << sentence;
  EXPECT_EQ(found[0].text, match) << sentence;
  EXPECT_EQ(found[0].parts, parts) << sentence;
}

TEST(AddressScanner, UnitedStatesForms) {
  expectOne(
      "Send it to 1 Main Street, Springfield, IL 62701.", "1 Main Street, Springfield, IL 62701",
      {{"Street", "1 Main Street"}, {"City", "Springfield"}, {"State", "IL"}, {"ZIP", "62701"}});
  expectOne("We moved to 350 Fifth Ave Suite 3300, New York, NY 10118-0110 last year",
            "350 Fifth Ave Suite 3300, New York, NY 10118-0110",
            {{"Street", "350 Fifth Ave Suite 3300"},
             {"City", "New York"},
             {"State", "NY"},
             {"ZIP", "10118-0110"}});
  expectOne("office: 1600 Pennsylvania Avenue NW, Washington, DC 20500, USA",
            "1600 Pennsylvania Avenue NW, Washington, DC 20500, USA",
            {{"Street", "1600 Pennsylvania Avenue NW"},
             {"City", "Washington"},
             {"State", "DC"},
             {"ZIP", "20500"},
             {"Country", "USA"}});
  expectOne("at 221B Baker St. Apt 4 Kansas City Missouri 64105 today",
            "221B Baker St. Apt 4 Kansas City Missouri 64105",
            {{"Street", "221B Baker St. Apt 4"},
             {"City", "Kansas City"},
             {"State", "Missouri"},
             {"ZIP", "64105"}});
  expectOne("12 Mill Creek Road\nSt. Louis, MO", "12 Mill Creek Road\nSt. Louis, MO",
            {{"Street", "12 Mill Creek Road"}, {"City", "St. Louis"}, {"State", "MO"}});
  expectOne(
      "meet at 1 main street, springfield, il 62701 tomorrow",
      "1 main street, springfield, il 62701",
      {{"Street", "1 main street"}, {"City", "springfield"}, {"State", "il"}, {"ZIP", "62701"}});
  expectOne(
      "Mail: P.O. Box 1234, Springfield, IL 62701", "P.O. Box 1234, Springfield, IL 62701",
      {{"Street", "P.O. Box 1234"}, {"City", "Springfield"}, {"State", "IL"}, {"ZIP", "62701"}});
  expectOne("ship to 42 W 5th St, Austin, Texas", "42 W 5th St, Austin, Texas",
            {{"Street", "42 W 5th St"}, {"City", "Austin"}, {"State", "Texas"}});
}

TEST(AddressScanner, NumberedRoadsRuralRoutesAndNamesWithoutASuffix) {
  expectOne(
      "Visit 12345 Highway 278, Cullman, AL 35057 soon.", "12345 Highway 278, Cullman, AL 35057",
      {{"Street", "12345 Highway 278"}, {"City", "Cullman"}, {"State", "AL"}, {"ZIP", "35057"}});
  expectOne("Farm at 4500 County Road 12, Fort Payne, AL 35967 now",
            "4500 County Road 12, Fort Payne, AL 35967",
            {{"Street", "4500 County Road 12"},
             {"City", "Fort Payne"},
             {"State", "AL"},
             {"ZIP", "35967"}});
  expectOne("Mail to RR 2 Box 45, Smalltown, IA 50001 now", "RR 2 Box 45, Smalltown, IA 50001",
            {{"Street", "RR 2 Box 45"}, {"City", "Smalltown"}, {"State", "IA"}, {"ZIP", "50001"}});
  expectOne(
      "Ship to 123 1/2 Main St, Springfield, IL 62701 today.",
      "123 1/2 Main St, Springfield, IL 62701",
      {{"Street", "123 1/2 Main St"}, {"City", "Springfield"}, {"State", "IL"}, {"ZIP", "62701"}});
  expectOne("Go to 1 Broadway, New York, NY 10004 now", "1 Broadway, New York, NY 10004",
            {{"Street", "1 Broadway"}, {"City", "New York"}, {"State", "NY"}, {"ZIP", "10004"}});
  expectOne("at 1211 Avenue of the Americas, New York, NY 10036",
            "1211 Avenue of the Americas, New York, NY 10036",
            {{"Street", "1211 Avenue of the Americas"},
             {"City", "New York"},
             {"State", "NY"},
             {"ZIP", "10036"}});
  expectOne(
      "Go to 55 North Avenue, Atlanta, GA 30308 now", "55 North Avenue, Atlanta, GA 30308",
      {{"Street", "55 North Avenue"}, {"City", "Atlanta"}, {"State", "GA"}, {"ZIP", "30308"}});
  expectOne(
      "Go to 500 Oak St, 2nd Fl., Portland, OR 97204 now",
      "500 Oak St, 2nd Fl., Portland, OR 97204",
      {{"Street", "500 Oak St, 2nd Fl."}, {"City", "Portland"}, {"State", "OR"}, {"ZIP", "97204"}});
  // A road's number alone, or "Road" with no authority, is no street.
  for (const char* text :
       {"I drove 200 Road 12 miles, Austin, TX", "won 3 Route awards, Reno, NV"}) {
    EXPECT_TRUE(scan(text).empty()) << text;
  }
}

TEST(AddressScanner, BritishAndGermanForms) {
  expectOne("Write to 10 Downing Street, London SW1A 2AA, UK please",
            "10 Downing Street, London SW1A 2AA, UK",
            {{"Street", "10 Downing Street"},
             {"City", "London"},
             {"ZIP", "SW1A 2AA"},
             {"Country", "UK"}});
  // The post town is the city; a district before it stays in the range only.
  expectOne("Flat at 3 Acacia Gardens, Camden, London NW1 8NH.",
            "3 Acacia Gardens, Camden, London NW1 8NH",
            {{"Street", "3 Acacia Gardens"}, {"City", "London"}, {"ZIP", "NW1 8NH"}});
  expectOne("Büro: Hauptstraße 5, 80331 München", "Hauptstraße 5, 80331 München",
            {{"Street", "Hauptstraße 5"}, {"City", "München"}, {"ZIP", "80331"}});
  expectOne("Karl-Marx-Allee 12a\n10178 Berlin, Deutschland",
            "Karl-Marx-Allee 12a\n10178 Berlin, Deutschland",
            {{"Street", "Karl-Marx-Allee 12a"},
             {"City", "Berlin"},
             {"ZIP", "10178"},
             {"Country", "Deutschland"}});
  expectOne("Frankfurter Str. 7, 60311 Frankfurt am Main",
            "Frankfurter Str. 7, 60311 Frankfurt am Main",
            {{"Street", "Frankfurter Str. 7"}, {"City", "Frankfurt am Main"}, {"ZIP", "60311"}});
}

TEST(AddressScanner, NotAddresses) {
  for (const char* text :
       {"I have 3 Main points, Springfield", "1 Main Street is nice", "42 apples, Boston, MA",
        "call 1 800 555 1234", "10 Downing Street London", "5 Street, Springfield, XX 12345",
        "in 2026 Road Trip, Austin, Texas", "at 1 main street, springfield, il today",
        "Hauptstraße ohne Nummer, 80331 München"}) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

TEST(AddressScanner, RangesInUtf16AndHostileText) {
  std::u16string text =
      u"\U0001F3E0 \u05D1\u05D9\u05EA 1 Main Street, Springfield, IL 62701 \U0001F3E0";
  auto found = scan(text);
  ASSERT_EQ(found.size(), 1u);
  EXPECT_EQ(found[0].range.location, text.find(u"1 Main"));
  EXPECT_EQ(found[0].range.length, 36u);

  std::u16string digits(1 << 20, u'7');
  EXPECT_TRUE(scan(digits).empty());
  std::u16string words;
  while (words.size() < (1u << 20)) words += u"1 Main Main Main Main Main Main Street, ";
  EXPECT_TRUE(scan(words).empty());
  std::u16string many;
  std::size_t planted = 0;
  while (many.size() < (1u << 20)) {
    many += u"Mail \0 to 1 Main Street, Springfield, IL 62701 \xD800 or not. "sv;
    ++planted;
  }
  EXPECT_EQ(scan(many).size(), planted);
}

}  // namespace
