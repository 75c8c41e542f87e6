// The data detector's links, phone numbers and flight numbers on real sentences: ranges
// in UTF-16 units of the text as written, payloads, what is left out, and hostile input.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "Foundation/Foundation.h"
#include "Foundation/NSDataDetector.h"

namespace {

std::u16string U(const char* utf8) {
  return foundation::utf8ToUtf16(utf8);
}

Strong<NSDataDetector> detector(NSTextCheckingTypes types) {
  auto d = NSDataDetector::dataDetectorWithTypesError(types, nullptr);
  EXPECT_TRUE(d);
  return d;
}

std::vector<Strong<NSTextCheckingResult>> scan(const Strong<NSDataDetector>& d,
                                               const std::u16string& text) {
  auto string = NSString::stringWithCharacters(text);
  auto all = d->matchesInStringOptionsRange(string, 0, NSMakeRange(0, string->length()));
  std::vector<Strong<NSTextCheckingResult>> out;
  for (NSUInteger i = 0; i < all->count(); ++i) {
    out.push_back(objc_cast<NSTextCheckingResult>(all->objectAtIndex(i)));
  }
  return out;
}

std::u16string textOf(const std::u16string& text, NSRange r) {
  return text.substr(r.location, r.length);
}

std::string utf8(const std::u16string& s) {
  return foundation::utf16ToUtf8(s);
}

// Results are in text order, do not overlap and lie within the text.
void expectOrderedAndDisjoint(const std::vector<Strong<NSTextCheckingResult>>& results,
                              std::size_t length) {
  NSUInteger covered = 0;
  for (const auto& r : results) {
    EXPECT_GE(r->range().location, covered);
    EXPECT_GT(r->range().length, 0u);
    EXPECT_LE(NSMaxRange(r->range()), length);
    covered = NSMaxRange(r->range());
  }
}

class DataDetector : public ::testing::Test {
 protected:
  void SetUp() override { setenv("LC_ALL", "en_US.UTF-8", 1); }
  void TearDown() override { unsetenv("LC_ALL"); }
};

struct LinkCase {
  const char* sentence;
  const char* written;  // the text the link covers
  const char* url;
};

// Each sentence is tried plain and behind an emoji, a combining sequence and Hebrew,
// so every range is checked in UTF-16 units after characters of one, two and more units.
const char* const kPrefixes[] = {"", "\xF0\x9F\x8E\x89 ",
                                 "Cafe\xCC\x81 \xF0\x9F\x91\xA9\xE2\x80\x8D\xF0\x9F\x92\xBB ",
                                 "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D "};

void expectLinks(const std::vector<LinkCase>& cases) {
  auto d = detector(NSTextCheckingTypeLink);
  for (const LinkCase& c : cases) {
    for (const char* prefix : kPrefixes) {
      std::u16string text = U(prefix) + U(c.sentence);
      auto results = scan(d, text);
      if (!c.written) {
        EXPECT_TRUE(results.empty()) << c.sentence << " gave " << results[0]->description();
        continue;
      }
      ASSERT_EQ(results.size(), 1u) << prefix << c.sentence;
      const auto& r = results[0];
      EXPECT_EQ(r->resultType(), NSTextCheckingTypeLink);
      EXPECT_EQ(utf8(textOf(text, r->range())), c.written) << c.sentence;
      EXPECT_EQ(r->range().location, text.find(U(c.written))) << prefix << c.sentence;
      ASSERT_TRUE(r->URL()) << c.sentence;
      EXPECT_EQ(r->URL()->absoluteString()->stdString(), c.url) << c.sentence;
    }
  }
}

TEST_F(DataDetector, LinksWithASchemeWwwHostsBareDomainsAndEmail) {
  expectLinks({
      {"Read https://www.example.com/path/to/page?id=42 before Monday.",
       "https://www.example.com/path/to/page?id=42", "https://www.example.com/path/to/page?id=42"},
      {"The mirror is ftp://files.example.org:2121/pub/ today", "ftp://files.example.org:2121/pub/",
       "ftp://files.example.org:2121/pub/"},
      {"Log in at http://user:pw@intranet:8080/#top now", "http://user:pw@intranet:8080/#top",
       "http://user:pw@intranet:8080/#top"},
      {"Look it up on www.wikipedia.org and tell me", "www.wikipedia.org",
       "http://www.wikipedia.org"},
      {"Prices are on example.co.uk/shop for now", "example.co.uk/shop",
       "http://example.co.uk/shop"},
      {"Clone github.com/markdown-it then build", "github.com/markdown-it",
       "http://github.com/markdown-it"},
      {"Write to jane.doe+news@mail.example.com about it", "jane.doe+news@mail.example.com",
       "mailto:jane.doe+news@mail.example.com"},
      {"Or mailto:team@example.org?subject=Hi works", "mailto:team@example.org?subject=Hi",
       "mailto:team@example.org?subject=Hi"},
      {"The router answers on http://192.168.1.1/admin here", "http://192.168.1.1/admin",
       "http://192.168.1.1/admin"},
      {"Ping 10.0.0.254:8080 if it hangs", "10.0.0.254:8080", "http://10.0.0.254:8080"},
      {"Open [http://[2001:db8::1]:443/x] please", "http://[2001:db8::1]:443/x",
       "http://[2001:db8::1]:443/x"},
      {"Spaces%20and caf\xC3\xA9: https://example.com/caf\xC3\xA9?q=a|b ok",
       "https://example.com/caf\xC3\xA9?q=a|b", "https://example.com/caf%C3%A9?q=a%7Cb"},
  });
}

TEST_F(DataDetector, InternationalisedHostsKeepTheTextAndGiveTheASCIIForm) {
  expectLinks({
      {"Bestellen bei b\xC3\xBC"
       "cher.de/neu noch heute",
       "b\xC3\xBC"
       "cher.de/neu",
       "http://xn--bcher-kva.de/neu"},
      {"\xD0\xA1\xD0\xBC. \xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84 "
       "\xD1\x81\xD0\xB5\xD0\xB3\xD0\xBE\xD0\xB4\xD0\xBD\xD1\x8F",
       "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84",
       "http://xn--e1afmkfd.xn--p1ai"},
      {"Mail me at info@m\xC3\xBCller.example.com today", "info@m\xC3\xBCller.example.com",
       "mailto:info@xn--mller-kva.example.com"},
      {"https://B\xC3\x9C"
       "CHER.example/ is shouting",
       "https://B\xC3\x9C"
       "CHER.example/",
       "https://xn--bcher-kva.example/"},
      // Text without spaces between words: the link starts and its host ends at the script.
      {"\xE8\xAF\xB7\xE8\xAE\xBF\xE9\x97\xAEhttps://example.com\xE8\x8E\xB7\xE5\x8F\x96",
       "https://example.com", "https://example.com"},
  });
}

TEST_F(DataDetector, TrailingPunctuationAndUnopenedBracketsStayOutside) {
  expectLinks({
      {"Go to www.example.com.", "www.example.com", "http://www.example.com"},
      {"Is it example.com?!", "example.com", "http://example.com"},
      {"(see https://example.com/a)", "https://example.com/a", "https://example.com/a"},
      {"(see https://en.wikipedia.org/wiki/Rust_(language)).",
       "https://en.wikipedia.org/wiki/Rust_(language)",
       "https://en.wikipedia.org/wiki/Rust_(language)"},
      {"[docs: http://example.com/x]", "http://example.com/x", "http://example.com/x"},
      {"\"http://example.com/q\", she said", "http://example.com/q", "http://example.com/q"},
      {"'http://example.com/it's'", "http://example.com/it's", "http://example.com/it's"},
      {"<https://example.com/a>", "https://example.com/a", "https://example.com/a"},
      {"Links: https://example.com/a;", "https://example.com/a", "https://example.com/a"},
      {"\xC2\xAB"
       "example.org\xC2\xBB",
       "example.org", "http://example.org"},
  });
}

TEST_F(DataDetector, WordsThatOnlyLookLikeLinksAreLeftAlone) {
  expectLinks({
      {"Bring snacks, e.g. chips, i.e. anything.", nullptr, nullptr},
      {"Save it as notes.txt or report.docx", nullptr, nullptr},
      {"Pi is about 3.14159 and v1.2.3 shipped", nullptr, nullptr},
      {"The suffix co.uk alone is no site", nullptr, nullptr},
      {"Ask foo@bar or @handle on chat", nullptr, nullptr},
      {"The host example.invalidtld is made up", nullptr, nullptr},
      {"No host: http:// and https://?", nullptr, nullptr},
      {"The address 999.1.1.1 is not one", nullptr, nullptr},
      {"a..b@example.com is not an address", nullptr, nullptr},
  });
}

TEST_F(DataDetector, NothingInsideUnknownSchemesOrMalformedHostsAndPorts) {
  expectLinks({
      {"Open foo://example.com/path in the app", nullptr, nullptr},
      {"The extension chrome-extension://abc.example.com/x is local", nullptr, nullptr},
      {"Try http://foo_bar.example.com/x now", nullptr, nullptr},
      {"and http://example.com_ too", nullptr, nullptr},
      {"Try http://example-.com and http://-example.com", nullptr, nullptr},
      {"Port http://example.com:65536/ is too high", nullptr, nullptr},
      {"So is example.com:99999 here", nullptr, nullptr},
      {"A bare mailto: or mailto:?subject=hi or mailto:nobody", nullptr, nullptr},
      {"Paths C:\\Users\\me and PATH=/usr/bin:/usr/local/bin", nullptr, nullptr},
      {"Ids tag:example.com,2005:x and urn:example.org:thing", nullptr, nullptr},
      {"Typo http:example.com and spotify:track:example.com", nullptr, nullptr},
  });
}

TEST_F(DataDetector, HighestPortsAndSchemeRelativeLinksAreFound) {
  expectLinks({
      {"Port http://example.com:65535/ is the last", "http://example.com:65535/",
       "http://example.com:65535/"},
      {"Embed (//cdn.example.com/lib.js) here", "//cdn.example.com/lib.js",
       "http://cdn.example.com/lib.js"},
      {"Stream at rtsp://media.example.org/live ok", "rtsp://media.example.org/live",
       "rtsp://media.example.org/live"},
  });
}

TEST_F(DataDetector, PhoneNumbersAreTheTextAsWritten) {
  auto d = detector(NSTextCheckingTypePhoneNumber);
  struct Case {
    const char* sentence;
    std::vector<const char*> numbers;
  } cases[] = {
      {"Call (415) 555-0132 before noon.", {"(415) 555-0132"}},
      {"London office: +44 20 7946 0958, Berlin +49 30 901820.",
       {"+44 20 7946 0958", "+49 30 901820"}},
      {"Dial 415.555.0132 or 4155550133 today", {"415.555.0132", "4155550133"}},
      {"No numbers here: 12, 2026, 3.14159", {}},
      // Extensions, however long, stay in the range and the payload.
      {"Desk 415.555.2671 ext. 12345 for help", {"415.555.2671 ext. 12345"}},
      {"Call 415-555-2671 x123 or (415) 555-2672 #45 now",
       {"415-555-2671 x123", "(415) 555-2672 #45"}},
      // Every separator people write, and digits and plus signs in full width.
      {"Call [415] 555-2671 today", {"[415] 555-2671"}},
      {"Call 415 \u2013 555 \u2013 2671 or 415\u2014555\u20142672",
       {"415 \u2013 555 \u2013 2671", "415\u2014555\u20142672"}},
      {"Call 415\u00A0555\u00A02671 today", {"415\u00A0555\u00A02671"}},
      {"Call \xEF\xBC\x8B\xEF\xBC\x91 \xEF\xBC\x94\xEF\xBC\x91\xEF\xBC\x95 "
       "\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x95 "
       "\xEF\xBC\x92\xEF\xBC\x96\xEF\xBC\x97\xEF\xBC\x91 today",
       {"\xEF\xBC\x8B\xEF\xBC\x91 \xEF\xBC\x94\xEF\xBC\x91\xEF\xBC\x95 "
        "\xEF\xBC\x95\xEF\xBC\x95\xEF\xBC\x95 "
        "\xEF\xBC\x92\xEF\xBC\x96\xEF\xBC\x97\xEF\xBC\x91"}},
      // International prefixes from the locale's region.
      {"From here dial 011 44 20 7946 0958.", {"011 44 20 7946 0958"}},
  };
  for (const Case& c : cases) {
    for (const char* prefix : kPrefixes) {
      std::u16string text = U(prefix) + U(c.sentence);
      auto results = scan(d, text);
      ASSERT_EQ(results.size(), c.numbers.size()) << prefix << c.sentence;
      for (std::size_t k = 0; k < results.size(); ++k) {
        EXPECT_EQ(results[k]->resultType(), NSTextCheckingTypePhoneNumber);
        EXPECT_EQ(results[k]->range().location, text.find(U(c.numbers[k]))) << c.sentence;
        EXPECT_EQ(utf8(textOf(text, results[k]->range())), c.numbers[k]);
        EXPECT_EQ(results[k]->phoneNumber()->stdString(), c.numbers[k]);
      }
    }
  }
}

TEST_F(DataDetector, PhoneNumbersFollowTheLocalesRegion) {
  const std::u16string text = U("Ring 030 901820 tomorrow");
  auto d = detector(NSTextCheckingTypePhoneNumber);
  EXPECT_TRUE(scan(d, text).empty()) << "a national German number is not a US one";
  setenv("LC_ALL", "de_DE.UTF-8", 1);
  auto results = scan(d, text);
  ASSERT_EQ(results.size(), 1u);
  EXPECT_EQ(results[0]->phoneNumber()->stdString(), "030 901820");
}

TEST_F(DataDetector, FlightNumbersWithAirlineAndFlight) {
  auto d = detector(NSTextCheckingTypeTransitInformation);
  struct Case {
    const char* sentence;
    const char* written;
    const char* airline;
    const char* flight;
  } cases[] = {
      {"I land on UA 123 at six.", "UA 123", "United Airlines", "123"},
      {"Then LH400 to Frankfurt", "LH400", "Lufthansa", "400"},
      {"BA 2490, gate 4", "BA 2490", "British Airways", "2490"},
      {"Booked on flight ua 123 again", "ua 123", "United Airlines", "123"},
      {"Flight #XQ 77 is a charter", "XQ 77", "XQ", "77"},
      {"Flight AI 101 boards late", "AI 101", "Air India", "101"},
      {"Read AI 2027 and PR 123", nullptr, nullptr, nullptr},
      {"Lower case ua 123 alone", nullptr, nullptr, nullptr},
      {"Not UA 12345, UAL123, UA 1.5 or XUA 12", nullptr, nullptr, nullptr},
  };
  for (const Case& c : cases) {
    for (const char* prefix : kPrefixes) {
      std::u16string text = U(prefix) + U(c.sentence);
      auto results = scan(d, text);
      if (!c.written) {
        EXPECT_TRUE(results.empty()) << c.sentence;
        continue;
      }
      ASSERT_EQ(results.size(), 1u) << c.sentence;
      const auto& r = results[0];
      EXPECT_EQ(r->resultType(), NSTextCheckingTypeTransitInformation);
      EXPECT_EQ(r->range().location, text.find(U(c.written))) << c.sentence;
      EXPECT_EQ(utf8(textOf(text, r->range())), c.written);
      auto components = r->components();
      ASSERT_TRUE(components);
      EXPECT_EQ(components->objectForKey(NSTextCheckingAirlineKey)->description(), c.airline);
      EXPECT_EQ(components->objectForKey(NSTextCheckingFlightKey)->description(), c.flight);
    }
  }
}

TEST_F(DataDetector, KindsNeverOverlapAndComeInTextOrder) {
  auto d = detector(NSTextCheckingAllDetectorTypes);
  // A phone number and a flight number inside links are part of the links.
  std::u16string text =
      U("Fax +1 415 555 0132 or see https://example.com/call/4155550132 and "
        "example.org/UA123, then UA 123 or write to ops@example.com.");
  auto results = scan(d, text);
  expectOrderedAndDisjoint(results, text.size());
  std::vector<std::pair<NSTextCheckingType, std::string>> got;
  for (const auto& r : results) got.emplace_back(r->resultType(), utf8(textOf(text, r->range())));
  std::vector<std::pair<NSTextCheckingType, std::string>> want = {
      {NSTextCheckingTypePhoneNumber, "+1 415 555 0132"},
      {NSTextCheckingTypeLink, "https://example.com/call/4155550132"},
      {NSTextCheckingTypeLink, "example.org/UA123"},
      {NSTextCheckingTypeTransitInformation, "UA 123"},
      {NSTextCheckingTypeLink, "ops@example.com"},
  };
  EXPECT_EQ(got, want);

  // Only the kinds asked for.
  auto links = scan(detector(NSTextCheckingTypeLink), text);
  EXPECT_EQ(links.size(), 3u);
}

TEST_F(DataDetector, RangeLimitsTheScanAndResultsStayInTheWholeStringsIndices) {
  auto d = detector(NSTextCheckingTypeLink | NSTextCheckingTypePhoneNumber);
  auto string = NSString::stringWithCharacters(
      U("\xF0\x9F\x8E\x89 example.com and (415) 555-0132 and example.org"));
  // From "and (415)..." to the end: the first link is outside.
  NSRange tail = NSMakeRange(15, string->length() - 15);
  auto all = d->matchesInStringOptionsRange(string, 0, tail);
  ASSERT_EQ(all->count(), 2u);
  auto phone = objc_cast<NSTextCheckingResult>(all->objectAtIndex(0));
  EXPECT_EQ(phone->range(), NSMakeRange(19, 14));
  // A range that cuts a link short finds the part inside it only.
  auto cut = d->matchesInStringOptionsRange(string, 0, NSMakeRange(0, 10));
  ASSERT_EQ(cut->count(), 0u) << "\"example\" is not a link";
  EXPECT_EQ(d->matchesInStringOptionsRange(string, 0, NSMakeRange(1000, 5))->count(), 0u);
  EXPECT_EQ(d->matchesInStringOptionsRange(string, 0, NSMakeRange(15, ~NSUInteger(0)))->count(), 2u)
      << "a length reaching past the end is clipped, not wrapped";
  EXPECT_EQ(d->numberOfMatchesInStringOptionsRange(string, 0, NSMakeRange(0, 1000)), 3u);
  EXPECT_EQ(d->matchesInStringOptionsRange(nullptr, 0, NSMakeRange(0, 5))->count(), 0u);
}

// One detector scanning on 8 threads at once gives each thread what one thread gets.
TEST_F(DataDetector, OneDetectorServesManyThreads) {
  auto d = detector(NSTextCheckingAllDetectorTypes);
  std::vector<std::u16string> texts = {
      U("Visit www.example.com or call (415) 555-0132 about LH400."),
      U("Mail b\xC3\xBC"
        "cher@example.de, see https://example.org/a_(b) and BA 2490."),
      U("Nothing in this one at all, e.g. notes.txt"),
  };
  std::vector<std::size_t> expected;
  for (const auto& t : texts) expected.push_back(scan(d, t).size());
  std::vector<std::thread> threads;
  std::vector<int> mismatches(8, 0);
  for (int k = 0; k < 8; ++k) {
    threads.emplace_back([&, k] {
      for (int round = 0; round < 40; ++round) {
        std::size_t which = std::size_t(k + round) % texts.size();
        if (scan(d, texts[which]).size() != expected[which]) ++mismatches[k];
      }
    });
  }
  for (auto& t : threads) t.join();
  for (int k = 0; k < 8; ++k) EXPECT_EQ(mismatches[k], 0) << "thread " << k;
}

// Megabyte strings of the shapes that make naive scanners slow or crash: they finish
// and give ordered, disjoint results within the text.
TEST_F(DataDetector, HostileStringsGiveResultsNotCrashes) {
  auto d = detector(NSTextCheckingAllDetectorTypes);
  const std::size_t big = 1 << 20;
  auto repeat = [&](const std::u16string& unit) {
    std::u16string s;
    while (s.size() < big) s += unit;
    return s;
  };
  std::vector<std::u16string> inputs = {
      std::u16string(big, u'5'),
      std::u16string(big, u'.'),
      std::u16string(big, u'('),
      std::u16string(big, u')'),
      std::u16string(big, u'\0'),
      std::u16string(big, u'a'),
      repeat(u"a."),
      repeat(u"1."),
      repeat(u"http://"),
      repeat(u"a@"),
      repeat(u"x-"),
      repeat(u"(415) "),
      repeat(u"UA 1"),
      repeat(std::u16string(1, char16_t(0xD800))),
      repeat(std::u16string(1, char16_t(0xDC00)) + u"example.com "),
      U("http://example.com/") + std::u16string(big, u'('),
      U("http://") + std::u16string(big, u'a') + U(".com"),
      U("www.") + repeat(u"ab.") + U("com"),
  };
  for (const auto& text : inputs) {
    auto results = scan(d, text);
    expectOrderedAndDisjoint(results, text.size());
  }
  // Lone surrogates and NUL next to links end them without shifting ranges.
  std::u16string text = std::u16string(1, char16_t(0xDC00)) + U("example.com") +
                        std::u16string(1, u'\0') + U("x (415) 555-0132") +
                        std::u16string(1, char16_t(0xD800));
  auto results = scan(d, text);
  ASSERT_EQ(results.size(), 2u);
  EXPECT_EQ(results[0]->range(), NSMakeRange(1, 11));
  EXPECT_EQ(results[1]->range(), NSMakeRange(15, 14));
}

// Over seeded random mixes of link-like pieces the results keep their promises, and
// each link found is found again, whole and with the same URL, in its own text.
TEST_F(DataDetector, RandomMixesKeepOrderAndLinksStandAlone) {
  const char* const pieces[] = {"example.com", "www.",      "http://", "a",
                                ".",           "/",         "@",       "(",
                                ")",           " ",         "-",       "\xC3\xBC",
                                "415",         " 555-0132", "UA 12",   ",",
                                "?",           "'",         "co.uk",   "\xF0\x9F\x98\x80",
                                "xn--p1ai",    ":",         "8080",    "#"};
  std::mt19937 rng(20261209);
  auto all = detector(NSTextCheckingAllDetectorTypes);
  auto links = detector(NSTextCheckingTypeLink);
  for (int round = 0; round < 300; ++round) {
    std::string s;
    int count = 1 + int(rng() % 30);
    for (int k = 0; k < count; ++k) s += pieces[rng() % (sizeof pieces / sizeof *pieces)];
    std::u16string text = U(s.c_str());
    expectOrderedAndDisjoint(scan(all, text), text.size());
    for (const auto& r : scan(links, text)) {
      std::u16string alone = textOf(text, r->range());
      auto again = scan(links, alone);
      ASSERT_EQ(again.size(), 1u) << s << " -> " << utf8(alone);
      EXPECT_EQ(again[0]->range(), NSMakeRange(0, alone.size())) << s;
      EXPECT_TRUE(again[0]->URL()->isEqual(r->URL())) << s;
    }
  }
}

}  // namespace
