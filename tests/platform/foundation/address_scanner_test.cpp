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
  // Names and boxes that go on and on are read a bounded way into.
  for (std::u16string_view unit :
       {u"x-"sv, u"X-"sv, u"Box 1 "sv, u"rr 1 box "sv, u"Springfield, "sv, u"A.B."sv}) {
    std::u16string text;
    while (text.size() < (1u << 20)) text += unit;
    EXPECT_TRUE(scan(text).empty());
  }
  std::u16string many;
  std::size_t planted = 0;
  while (many.size() < (1u << 20)) {
    many += u"Mail \0 to 1 Main Street, Springfield, IL 62701 \xD800 or not. "sv;
    ++planted;
  }
  EXPECT_EQ(scan(many).size(), planted);
}

// One row: a sentence, the one address expected in it, its components.
struct Row {
  const char* sentence;
  const char* match;
  Parts parts;
};

void expectRows(const std::vector<Row>& rows) {
  for (const Row& row : rows) expectOne(row.sentence, row.match, row.parts);
}

TEST(AddressScanner, PostOfficeBoxesInEverySpelling) {
  expectRows({
      {"Write to PO Box 12 for a catalogue.", "PO Box 12", {{"Street", "PO Box 12"}}},
      {"Mail: P. O. Box 77, Eugene, OR 97401",
       "P. O. Box 77, Eugene, OR 97401",
       {{"Street", "P. O. Box 77"}, {"City", "Eugene"}, {"State", "OR"}, {"ZIP", "97401"}}},
      {"send it to p o box 12 please", "p o box 12", {{"Street", "p o box 12"}}},
      {"Reply to P.O.Box 5, Boise ID 83702.",
       "P.O.Box 5, Boise ID 83702",
       {{"Street", "P.O.Box 5"}, {"City", "Boise"}, {"State", "ID"}, {"ZIP", "83702"}}},
      {"POB 3310 is ours", "POB 3310", {{"Street", "POB 3310"}}},
      {"Post Box 7, Nome, AK 99762",
       "Post Box 7, Nome, AK 99762",
       {{"Street", "Post Box 7"}, {"City", "Nome"}, {"State", "AK"}, {"ZIP", "99762"}}},
      {"Post Office Box 1200\nTulsa, Oklahoma 74101",
       "Post Office Box 1200\nTulsa, Oklahoma 74101",
       {{"Street", "Post Office Box 1200"},
        {"City", "Tulsa"},
        {"State", "Oklahoma"},
        {"ZIP", "74101"}}},
      {"Payments: Lock Box 4410, Chicago, IL 60680-4410",
       "Lock Box 4410, Chicago, IL 60680-4410",
       {{"Street", "Lock Box 4410"}, {"City", "Chicago"}, {"State", "IL"}, {"ZIP", "60680-4410"}}},
      {"PO Drawer 9, Lafayette, LA 70502",
       "PO Drawer 9, Lafayette, LA 70502",
       {{"Street", "PO Drawer 9"}, {"City", "Lafayette"}, {"State", "LA"}, {"ZIP", "70502"}}},
      {"at Box # 12, Marfa, TX 79843 now",
       "Box # 12, Marfa, TX 79843",
       {{"Street", "Box # 12"}, {"City", "Marfa"}, {"State", "TX"}, {"ZIP", "79843"}}},
      {"our address is po box 1234, austin, tx 78767",
       "po box 1234, austin, tx 78767",
       {{"Street", "po box 1234"}, {"City", "austin"}, {"State", "tx"}, {"ZIP", "78767"}}},
      {"P.O. BOX 880 CARSON CITY NV 89702",
       "P.O. BOX 880 CARSON CITY NV 89702",
       {{"Street", "P.O. BOX 880"}, {"City", "CARSON CITY"}, {"State", "NV"}, {"ZIP", "89702"}}},
      {"PO Box 12-A, Provo, UT 84601",
       "PO Box 12-A, Provo, UT 84601",
       {{"Street", "PO Box 12-A"}, {"City", "Provo"}, {"State", "UT"}, {"ZIP", "84601"}}},
  });
}

TEST(AddressScanner, RuralRoutesAndMilitaryMail) {
  expectRows({
      {"rr # 1 box 54, ames, ia 50010",
       "rr # 1 box 54, ames, ia 50010",
       {{"Street", "rr # 1 box 54"}, {"City", "ames"}, {"State", "ia"}, {"ZIP", "50010"}}},
      {"Find us at Rural Route 2 Box 45.",
       "Rural Route 2 Box 45",
       {{"Street", "Rural Route 2 Box 45"}}},
      {"R.R. 2, Dunlap, IA 51529",
       "R.R. 2, Dunlap, IA 51529",
       {{"Street", "R.R. 2"}, {"City", "Dunlap"}, {"State", "IA"}, {"ZIP", "51529"}}},
      {"HC 12 Box 3, Tok, AK 99780",
       "HC 12 Box 3, Tok, AK 99780",
       {{"Street", "HC 12 Box 3"}, {"City", "Tok"}, {"State", "AK"}, {"ZIP", "99780"}}},
      {"Route 1 Box 12 is the farm", "Route 1 Box 12", {{"Street", "Route 1 Box 12"}}},
      {"PSC 1234 Box 5678, APO AE 09204",
       "PSC 1234 Box 5678, APO AE 09204",
       {{"Street", "PSC 1234 Box 5678"}, {"City", "APO"}, {"State", "AE"}, {"ZIP", "09204"}}},
  });
}

TEST(AddressScanner, MailLinesBeforeABox) {
  expectRows({
      {"Remit to Dept 3234, PO Box 1234, Dallas TX 75312 by Friday",
       "Dept 3234, PO Box 1234, Dallas TX 75312",
       {{"Street", "Dept 3234, PO Box 1234"},
        {"City", "Dallas"},
        {"State", "TX"},
        {"ZIP", "75312"}}},
      {"MC 0001 PO Box 123", "MC 0001 PO Box 123", {{"Street", "MC 0001 PO Box 123"}}},
      {"File 12345, Los Angeles, CA 90074",
       "File 12345, Los Angeles, CA 90074",
       {{"Street", "File 12345"}, {"City", "Los Angeles"}, {"State", "CA"}, {"ZIP", "90074"}}},
      {"Bin 3, Sioux Falls, SD 57117",
       "Bin 3, Sioux Falls, SD 57117",
       {{"Street", "Bin 3"}, {"City", "Sioux Falls"}, {"State", "SD"}, {"ZIP", "57117"}}},
      {"Attn: Accounts Payable, PO Box 9, Reno, NV 89504",
       "Attn: Accounts Payable, PO Box 9, Reno, NV 89504",
       {{"Street", "Attn: Accounts Payable, PO Box 9"},
        {"City", "Reno"},
        {"State", "NV"},
        {"ZIP", "89504"}}},
  });
}

TEST(AddressScanner, CityStateAndZipAlone) {
  expectRows({
      {"I grew up in Springfield, IL 62701.",
       "Springfield, IL 62701",
       {{"City", "Springfield"}, {"State", "IL"}, {"ZIP", "62701"}}},
      {"Visit Austin, Texas 78701 in May",
       "Austin, Texas 78701",
       {{"City", "Austin"}, {"State", "Texas"}, {"ZIP", "78701"}}},
      {"New York NY 10001-1234",
       "New York NY 10001-1234",
       {{"City", "New York"}, {"State", "NY"}, {"ZIP", "10001-1234"}}},
      {"ship to winston-salem, nc 27101 please",
       "winston-salem, nc 27101",
       {{"City", "winston-salem"}, {"State", "nc"}, {"ZIP", "27101"}}},
      {"we paid in springfield il 62701 last week",
       "springfield il 62701",
       {{"City", "springfield"}, {"State", "il"}, {"ZIP", "62701"}}},
      {"We fly out of Salt Lake City, UT 84101 soon",
       "Salt Lake City, UT 84101",
       {{"City", "Salt Lake City"}, {"State", "UT"}, {"ZIP", "84101"}}},
  });
}

TEST(AddressScanner, StreetWithoutAPlace) {
  expectRows({
      {"The office is at 1200 Elm Street.", "1200 Elm Street", {{"Street", "1200 Elm Street"}}},
      {"1200 Elm Street", "1200 Elm Street", {{"Street", "1200 Elm Street"}}},
      {"Meet me at 55 W 3rd Ave tomorrow", "55 W 3rd Ave", {{"Street", "55 W 3rd Ave"}}},
      {"Our campus, 1 Infinite Loop, is closed",
       "1 Infinite Loop",
       {{"Street", "1 Infinite Loop"}}},
      {"The new store: 800 N Main St Suite 4",
       "800 N Main St Suite 4",
       {{"Street", "800 N Main St Suite 4"}}},
      {"deliver to 42 Oak Lane, then call", "42 Oak Lane", {{"Street", "42 Oak Lane"}}},
      {"My address is 9 Birch Court and I work nearby",
       "9 Birch Court",
       {{"Street", "9 Birch Court"}}},
      {"We live on 2100 Pennsylvania Ave NW.",
       "2100 Pennsylvania Ave NW",
       {{"Street", "2100 Pennsylvania Ave NW"}}},
  });
}

// A sentence that ends a line ends the street in it; a stop after an abbreviation does
// not.
TEST(AddressScanner, ASentenceEndingALineEndsTheAddress) {
  auto found = scan("I live at 1200 Elm Street.\nspringfield, il 62701 is nice");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, "1200 Elm Street");
  EXPECT_EQ(found[1].text, "springfield, il 62701");
  found = scan("Is it 9 Oak Road?\nAustin, TX 78701");
  ASSERT_EQ(found.size(), 2u);
  EXPECT_EQ(found[0].text, "9 Oak Road");
  expectOne(
      "12 Main St.\nSpringfield, IL 62701", "12 Main St.\nSpringfield, IL 62701",
      {{"Street", "12 Main St."}, {"City", "Springfield"}, {"State", "IL"}, {"ZIP", "62701"}});
}

TEST(AddressScanner, AnyLetterCase) {
  expectRows({
      {"123 main st, springfield, il 62701",
       "123 main st, springfield, il 62701",
       {{"Street", "123 main st"}, {"City", "springfield"}, {"State", "il"}, {"ZIP", "62701"}}},
      {"SEND TO 77 MASSACHUSETTS AVE, CAMBRIDGE, MA 02139 NOW",
       "77 MASSACHUSETTS AVE, CAMBRIDGE, MA 02139",
       {{"Street", "77 MASSACHUSETTS AVE"},
        {"City", "CAMBRIDGE"},
        {"State", "MA"},
        {"ZIP", "02139"}}},
      {"at 12 Main st, Springfield, IL",
       "12 Main st, Springfield, IL",
       {{"Street", "12 Main st"}, {"City", "Springfield"}, {"State", "IL"}}},
      {"ship to 9 oak st, dover, DE please",
       "9 oak st, dover, DE",
       {{"Street", "9 oak st"}, {"City", "dover"}, {"State", "DE"}}},
      {"mail 12 elm st, austin, texas.",
       "12 elm st, austin, texas",
       {{"Street", "12 elm st"}, {"City", "austin"}, {"State", "texas"}}},
      {"ship to 12 elm st, dover, nh.",
       "12 elm st, dover, nh",
       {{"Street", "12 elm st"}, {"City", "dover"}, {"State", "nh"}}},
      {"meet at 9 elm rd apt 2, dover, de 19901",
       "9 elm rd apt 2, dover, de 19901",
       {{"Street", "9 elm rd apt 2"}, {"City", "dover"}, {"State", "de"}, {"ZIP", "19901"}}},
  });
}

TEST(AddressScanner, PartsWrittenOtherWays) {
  expectRows({
      {"at 1600 Pennsylvania Avenue NW Washington, D.C. 20500",
       "1600 Pennsylvania Avenue NW Washington, D.C. 20500",
       {{"Street", "1600 Pennsylvania Avenue NW"},
        {"City", "Washington"},
        {"State", "D.C."},
        {"ZIP", "20500"}}},
      {"Mail 9 Wilkes-Barre Blvd, Scranton, Penn. 18503",
       "9 Wilkes-Barre Blvd, Scranton, Penn. 18503",
       {{"Street", "9 Wilkes-Barre Blvd"},
        {"City", "Scranton"},
        {"State", "Penn."},
        {"ZIP", "18503"}}},
      {"1 Market St, Bldg 5, Suite 100-B, San Diego, Calif. 92101, U.S.A.",
       "1 Market St, Bldg 5, Suite 100-B, San Diego, Calif. 92101, U.S.A.",
       {{"Street", "1 Market St, Bldg 5, Suite 100-B"},
        {"City", "San Diego"},
        {"State", "Calif."},
        {"ZIP", "92101"},
        {"Country", "U.S.A."}}},
      {"Mail Code 4410, PO Box 7, Omaha, NE 681031234",
       "Mail Code 4410, PO Box 7, Omaha, NE 681031234",
       {{"Street", "Mail Code 4410, PO Box 7"},
        {"City", "Omaha"},
        {"State", "NE"},
        {"ZIP", "681031234"}}},
  });
}

TEST(AddressScanner, HouseNumbersWrittenOtherWays) {
  expectRows({
      {"Our address is 123-45 Queens Blvd, Forest Hills, NY 11375.",
       "123-45 Queens Blvd, Forest Hills, NY 11375",
       {{"Street", "123-45 Queens Blvd"},
        {"City", "Forest Hills"},
        {"State", "NY"},
        {"ZIP", "11375"}}},
      {"The office is 1400-A Duke St, Alexandria, VA 22314.",
       "1400-A Duke St, Alexandria, VA 22314",
       {{"Street", "1400-A Duke St"}, {"City", "Alexandria"}, {"State", "VA"}, {"ZIP", "22314"}}},
      {"Write to One Microsoft Way, Redmond, WA 98052.",
       "One Microsoft Way, Redmond, WA 98052",
       {{"Street", "One Microsoft Way"}, {"City", "Redmond"}, {"State", "WA"}, {"ZIP", "98052"}}},
      // A grid's coordinates glued to their directions.
      {"Ship to W156N8480 Pilgrim Rd, Menomonee Falls, WI 53051.",
       "W156N8480 Pilgrim Rd, Menomonee Falls, WI 53051",
       {{"Street", "W156N8480 Pilgrim Rd"},
        {"City", "Menomonee Falls"},
        {"State", "WI"},
        {"ZIP", "53051"}}},
  });
}

TEST(AddressScanner, GridStreetsAndRoads) {
  expectRows({
      {"I live at 1234 S 500 E, Salt Lake City, UT 84106.",
       "1234 S 500 E, Salt Lake City, UT 84106",
       {{"Street", "1234 S 500 E"}, {"City", "Salt Lake City"}, {"State", "UT"}, {"ZIP", "84106"}}},
      {"Call before visiting 880 East 800 North, Spanish Fork, UT 84660.",
       "880 East 800 North, Spanish Fork, UT 84660",
       {{"Street", "880 East 800 North"},
        {"City", "Spanish Fork"},
        {"State", "UT"},
        {"ZIP", "84660"}}},
      {"I live at 1234 S 500 E.", "1234 S 500 E", {{"Street", "1234 S 500 E"}}},
      {"The farm is at N1234 County Road K, Lodi, WI 53555",
       "N1234 County Road K, Lodi, WI 53555",
       {{"Street", "N1234 County Road K"}, {"City", "Lodi"}, {"State", "WI"}, {"ZIP", "53555"}}},
      {"We are at 2000 N Highway 77, Waxahachie, TX 75165",
       "2000 N Highway 77, Waxahachie, TX 75165",
       {{"Street", "2000 N Highway 77"},
        {"City", "Waxahachie"},
        {"State", "TX"},
        {"ZIP", "75165"}}},
      {"Our address is 17 Old Route 9, Fishkill, NY 12524",
       "17 Old Route 9, Fishkill, NY 12524",
       {{"Street", "17 Old Route 9"}, {"City", "Fishkill"}, {"State", "NY"}, {"ZIP", "12524"}}},
      {"We're at 4500 Highway 6.", "4500 Highway 6", {{"Street", "4500 Highway 6"}}},
  });
}

TEST(AddressScanner, StreetNamesWithoutASuffix) {
  expectRows({
      {"Office at 100 Avenue A, New York, NY 10009",
       "100 Avenue A, New York, NY 10009",
       {{"Street", "100 Avenue A"}, {"City", "New York"}, {"State", "NY"}, {"ZIP", "10009"}}},
      {"Come to 800 Via Verde, San Dimas, CA 91773",
       "800 Via Verde, San Dimas, CA 91773",
       {{"Street", "800 Via Verde"}, {"City", "San Dimas"}, {"State", "CA"}, {"ZIP", "91773"}}},
      {"Tasting room: 15 El Camino Real, Millbrae, CA 94030",
       "15 El Camino Real, Millbrae, CA 94030",
       {{"Street", "15 El Camino Real"}, {"City", "Millbrae"}, {"State", "CA"}, {"ZIP", "94030"}}},
      // Any name, with a whole place after it.
      {"Gift shop: 1 Main, Gunnison, CO 81230",
       "1 Main, Gunnison, CO 81230",
       {{"Street", "1 Main"}, {"City", "Gunnison"}, {"State", "CO"}, {"ZIP", "81230"}}},
      {"The shop at 1681 Broadway is closed.", "1681 Broadway", {{"Street", "1681 Broadway"}}},
  });
  // Without a suffix the name needs its ZIP, and a number that counts is no house's.
  for (const char* text : {"Tickets for 1 Main, Gunnison, CO", "Windows 10 Home, Redmond, WA 98052",
                           "Top 10 Beaches, Miami, FL 33139", "call 555 1234, Austin, TX 78701",
                           "version 2 Beta, Austin, TX 78701", "Ran 4 Laps, Reno, NV 89501"}) {
    auto found = scan(text);
    for (const Found& f : found) EXPECT_EQ(f.parts.count("Street"), 0u) << text << ": " << f.text;
  }
}

TEST(AddressScanner, CitiesWithLowerCaseParticles) {
  expectRows({
      {"The inn at 1 Palm Blvd, Isle of Palms, SC 29451 is booked.",
       "1 Palm Blvd, Isle of Palms, SC 29451",
       {{"Street", "1 Palm Blvd"}, {"City", "Isle of Palms"}, {"State", "SC"}, {"ZIP", "29451"}}},
      {"Ships from Carmel-by-the-Sea, CA 93921",
       "Carmel-by-the-Sea, CA 93921",
       {{"City", "Carmel-by-the-Sea"}, {"State", "CA"}, {"ZIP", "93921"}}},
      {"Mail to 710 Sherman Ave, Coeur d'Alene, ID 83814",
       "710 Sherman Ave, Coeur d'Alene, ID 83814",
       {{"Street", "710 Sherman Ave"},
        {"City", "Coeur d'Alene"},
        {"State", "ID"},
        {"ZIP", "83814"}}},
      {"Cabin at 2 Lake Rd, Lac du Flambeau, WI 54538",
       "2 Lake Rd, Lac du Flambeau, WI 54538",
       {{"Street", "2 Lake Rd"}, {"City", "Lac du Flambeau"}, {"State", "WI"}, {"ZIP", "54538"}}},
      {"Our store in Isle of Palms, SC 29451 opens daily.",
       "Isle of Palms, SC 29451",
       {{"City", "Isle of Palms"}, {"State", "SC"}, {"ZIP", "29451"}}},
      {"Write 1 Main St, Washington, District of Columbia 20001",
       "1 Main St, Washington, District of Columbia 20001",
       {{"Street", "1 Main St"},
        {"City", "Washington"},
        {"State", "District of Columbia"},
        {"ZIP", "20001"}}},
  });
  // A particle joins two names; it ends none.
  expectOne("We drove from Dover to Austin, TX 78701 today", "Austin, TX 78701",
            {{"City", "Austin"}, {"State", "TX"}, {"ZIP", "78701"}});
}

TEST(AddressScanner, LinesAroundTheStreet) {
  expectRows({
      {"Write to PMB 123, 1000 Main St, Austin, TX 78701",
       "PMB 123, 1000 Main St, Austin, TX 78701",
       {{"Street", "PMB 123, 1000 Main St"},
        {"City", "Austin"},
        {"State", "TX"},
        {"ZIP", "78701"}}},
      // An attention line of its own stays out.
      {"Attn: Billing\nPO Box 5000\nDenver, CO 80217",
       "PO Box 5000\nDenver, CO 80217",
       {{"Street", "PO Box 5000"}, {"City", "Denver"}, {"State", "CO"}, {"ZIP", "80217"}}},
      {"Space: 2000 Fashion Show Dr, Space 1500, Las Vegas, NV 89109",
       "2000 Fashion Show Dr, Space 1500, Las Vegas, NV 89109",
       {{"Street", "2000 Fashion Show Dr, Space 1500"},
        {"City", "Las Vegas"},
        {"State", "NV"},
        {"ZIP", "89109"}}},
  });
}

TEST(AddressScanner, BetweenStreetAndPlace) {
  expectRows({
      {"Send to 100 Main St | Austin, TX 78701",
       "100 Main St | Austin, TX 78701",
       {{"Street", "100 Main St"}, {"City", "Austin"}, {"State", "TX"}, {"ZIP", "78701"}}},
      {"Joe's Diner is located at 55 Depot Street in Lancaster, PA 17602.",
       "55 Depot Street in Lancaster, PA 17602",
       {{"Street", "55 Depot Street"}, {"City", "Lancaster"}, {"State", "PA"}, {"ZIP", "17602"}}},
      {"Send mail to 12 Elm St, Austin TX, 78701",
       "12 Elm St, Austin TX, 78701",
       {{"Street", "12 Elm St"}, {"City", "Austin"}, {"State", "TX"}, {"ZIP", "78701"}}},
      {"Mail to 20 Lake Ave, Tahoe City, Calif 96145",
       "20 Lake Ave, Tahoe City, Calif 96145",
       {{"Street", "20 Lake Ave"}, {"City", "Tahoe City"}, {"State", "Calif"}, {"ZIP", "96145"}}},
      // A suffix's stop ends the street though capitalised words go on.
      {"1600 Amphitheatre Pkwy. Mountain View, CA 94043",
       "1600 Amphitheatre Pkwy. Mountain View, CA 94043",
       {{"Street", "1600 Amphitheatre Pkwy."},
        {"City", "Mountain View"},
        {"State", "CA"},
        {"ZIP", "94043"}}},
      {"The office is 310 Main St, Truth or Consequences, NM 87901",
       "310 Main St, Truth or Consequences, NM 87901",
       {{"Street", "310 Main St"},
        {"City", "Truth or Consequences"},
        {"State", "NM"},
        {"ZIP", "87901"}}},
      {"Send it to Apt 5, 12 Main St, Boston, MA 02110",
       "Apt 5, 12 Main St, Boston, MA 02110",
       {{"Street", "Apt 5, 12 Main St"}, {"City", "Boston"}, {"State", "MA"}, {"ZIP", "02110"}}},
  });
  // Read without capitals, neither an abbreviation after words in lower case nor words
  // that lead to a place make a street or a city.
  expectOne("There are 12 Main Street shops in Dover, DE 19901", "Dover, DE 19901",
            {{"City", "Dover"}, {"State", "DE"}, {"ZIP", "19901"}});
  EXPECT_TRUE(scan("It was 12 degrees in St. Paul, MN today.").empty());
}

TEST(AddressScanner, NumbersOtherThingsClaimAreNoAddresses) {
  for (const char* text : {
           "I have 3 dogs and 2 cats",
           "the 3 main reasons, Austin",
           "Route 66 runs west",
           "call (555) 123-4567 or 555-1200 Main",
           "it cost $1200 Elm Street prices",
           "On March 12 Park Avenue was closed",
           "Top 5 Hiking Trails",
           "version 10.15 Main Street build",
           "the score was 21 Lakers Way ahead",
           "Order ID 12345 shipped",
           "we saw 3 Main Street shops",
           "page 12 Oak Lane",
           "Box 12 of the archive",
           "PO 12345 was approved",
           "RR 2 runs north",
           "scores in springfield il 12345 today",
           "File 12 is ready, Austin, TX",
           "the 2019 Main Street Festival",
           "Team IN 12345 won",
           "we have 2 main st shops, portland, or.",
           "take 5 main st, then go home, nj.",
           "Tonight at 8 Park Ave Theatre presents Hamlet",
           "it rose 12 points on 3 Main Street stocks",
           "I ran 5 miles down Main Street yesterday.",
           "Call 555 123 4567 after 6.",
           "See you in room 12 at 3 pm.",
           "The laptop runs Windows 10 Home edition.",
           "It has a 3 car garage in Austin, TX.",
           "Final score: Dallas 24, Houston 17.",
           "Flight 1234 to Chicago, IL leaves at 5.",
           "Interstate 95 was closed for 3 hours.",
           "She walked 3 blocks up Elm St and turned.",
           "The 2 S 500 E versions are out.",
           "Section 5 Avenue A is closed",
           "The Top Ten Ways to save",
           "I ran 5 miles on Route 9 in Austin, TX",
       }) {
    auto found = scan(text);
    EXPECT_TRUE(found.empty()) << text << " gave " << (found.empty() ? "" : found[0].text);
  }
}

}  // namespace
