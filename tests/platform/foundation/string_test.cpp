#include <gtest/gtest.h>

#include <atomic>
#include <climits>
#include <cmath>
#include <thread>
#include <vector>

#include "Foundation/Foundation.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}
const NSRange kNone{static_cast<NSUInteger>(NSNotFound), 0};

TEST(NSString, LengthsAndIndicesAreUtf16Units) {
  EXPECT_EQ(S("caf\xC3\xA9")->length(), 4u);   // precomposed é
  EXPECT_EQ(S("cafe\xCC\x81")->length(), 5u);  // e + combining acute
  auto emoji =
      S("a\xF0\x9F\x98\x80"
        "b");  // a 😀 b
  EXPECT_EQ(emoji->length(), 4u);
  EXPECT_EQ(emoji->characterAtIndex(1), 0xD83D);
  EXPECT_EQ(emoji->characterAtIndex(2), 0xDE00);
  EXPECT_EQ(S("\xF0\x9F\x87\xBA\xF0\x9F\x87\xA6")->length(), 4u);  // flag
  EXPECT_EQ(emoji->rangeOfString(S("b")), NSMakeRange(3, 1));
  EXPECT_STREQ(emoji->substringWithRange(NSMakeRange(1, 2))->UTF8String(), "\xF0\x9F\x98\x80");
  EXPECT_THROW(emoji->characterAtIndex(4), NSException);
}

TEST(NSString, Utf8ConversionReplacesBrokenSequences) {
  // A lone surrogate cannot be written as UTF-8.
  auto lone = NSString::stringWithCharacters(u"a\xD800z");
  EXPECT_STREQ(lone->UTF8String(), "a\xEF\xBF\xBDz");
  // Half of the emoji taken by a UTF-16 range.
  auto half = S("\xF0\x9F\x98\x80")->substringToIndex(1);
  EXPECT_STREQ(half->UTF8String(), "\xEF\xBF\xBD");
  // Invalid UTF-8 in: one U+FFFD per broken sequence.
  EXPECT_EQ(S("a\xC3(b")->length(), 4u);
  EXPECT_EQ(S("\xED\xA0\x80")->characterAtIndex(0), 0xFFFD);  // encoded surrogate
  EXPECT_EQ(NSString::stringWithUTF8String(static_cast<const char*>(nullptr)), nullptr);
}

TEST(NSString, OutOfRangeRaisesRangeException) {
  auto s = S("hello");
  EXPECT_THROW(s->substringWithRange(NSMakeRange(3, 3)), NSException);
  EXPECT_THROW(s->substringWithRange(NSMakeRange(UINT64_MAX, 2)), NSException);
  EXPECT_THROW(s->substringFromIndex(6), NSException);
  EXPECT_THROW(s->substringToIndex(6), NSException);
  EXPECT_STREQ(s->substringFromIndex(5)->UTF8String(), "");
  EXPECT_THROW(s->rangeOfStringOptionsRange(S("l"), 0, NSMakeRange(4, 2)), NSException);
  try {
    s->substringWithRange(NSMakeRange(4, 2));
    FAIL();
  } catch (const NSException& e) {
    EXPECT_EQ(e.name(), NSRangeException);
  }
  auto m = NSMutableString::stringWithString(s);
  EXPECT_THROW(m->insertStringAtIndex(S("x"), 6), NSException);
  EXPECT_THROW(m->deleteCharactersInRange(NSMakeRange(2, 4)), NSException);
  EXPECT_THROW(m->replaceCharactersInRangeWithString(NSMakeRange(6, 0), S("x")), NSException);
  EXPECT_STREQ(m->UTF8String(), "hello");
}

// The hash is kept once worked out: every change to a mutable string must drop it, or
// the string would compare unequal to (and hide in a dictionary from) its equal.
TEST(NSString, MutationDropsTheKeptHash) {
  struct Case {
    const char* name;
    void (*change)(NSMutableString&);
    const char* after;
  };
  const Case cases[] = {
      {"append", [](NSMutableString& m) { m.appendString(S("!")); }, "Glow!"},
      {"insert", [](NSMutableString& m) { m.insertStringAtIndex(S("-"), 1); }, "G-low"},
      {"delete", [](NSMutableString& m) { m.deleteCharactersInRange(NSMakeRange(0, 1)); }, "low"},
      {"replace",
       [](NSMutableString& m) { m.replaceCharactersInRangeWithString(NSMakeRange(0, 1), S("Sh")); },
       "Shlow"},
      {"set", [](NSMutableString& m) { m.setString(S("Badge")); }, "Badge"},
  };
  for (const Case& c : cases) {
    auto m = NSMutableString::stringWithUTF8String("Glow");
    auto before = S("Glow");
    auto after = S(c.after);
    (void)m->hash();
    (void)after->hash();
    c.change(*m);
    EXPECT_EQ(m->hash(), after->hash()) << c.name;
    EXPECT_TRUE(m->isEqual(after.get())) << c.name;
    EXPECT_TRUE(after->isEqual(m.get())) << c.name;
    EXPECT_FALSE(m->isEqual(before.get())) << c.name;
    auto d = NSDictionary::dictionaryWithObjectsAndKeys({{after, S("found")}});
    EXPECT_NE(d->objectForKey(m), nullptr) << c.name;
  }
}

// Threads that hash and compare one fresh string at once all get the same answers.
TEST(NSString, KeptHashIsSharedAcrossThreads) {
  constexpr int kThreads = 4;
  for (int round = 0; round < 50; ++round) {
    auto s = NSString::stringWithFormat("key %d", round);
    auto twin = NSString::stringWithFormat("key %d", round);
    std::size_t expected = NSString::stringWithFormat("key %d", round)->hash();
    std::vector<std::thread> threads;
    std::atomic<int> wrong{0};
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&] {
        if (s->hash() != expected || !s->isEqual(twin.get()) || !twin->isEqual(s.get()))
          wrong.fetch_add(1);
      });
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(wrong.load(), 0) << "round " << round;
  }
}

TEST(NSString, EqualityHashAndCompare) {
  auto a = S("Nimbra");
  auto b = NSMutableString::stringWithUTF8String("Nim");
  b->appendString(S("bra"));
  EXPECT_TRUE(a->isEqual(b.get()));
  EXPECT_TRUE(a->isEqualToString(b));
  EXPECT_EQ(a->hash(), b->hash());
  EXPECT_TRUE(b->isEqual(a.get()));
  EXPECT_FALSE(a->isEqual(NSNumber::numberWithInt(1).get()));
  EXPECT_FALSE(a->isEqual(static_cast<const NSObject*>(nullptr)));
  EXPECT_FALSE(a->isEqualToString(static_cast<const NSString*>(nullptr)));
  EXPECT_EQ(S("a")->compare(S("b")), NSOrderedAscending);
  EXPECT_EQ(S("b")->compare(S("a")), NSOrderedDescending);
  EXPECT_EQ(S("ab")->compare(S("a")), NSOrderedDescending);
  EXPECT_EQ(S("ABC")->caseInsensitiveCompare(S("abc")), NSOrderedSame);
  EXPECT_EQ(S("file9")->compareOptions(S("file10"), NSNumericSearch), NSOrderedAscending);
  EXPECT_EQ(S("file9")->compare(S("file10")), NSOrderedDescending);
}

TEST(NSString, SearchOptions) {
  auto s = S("one two one two");
  EXPECT_EQ(s->rangeOfString(S("two")), NSMakeRange(4, 3));
  EXPECT_EQ(s->rangeOfStringOptions(S("two"), NSBackwardsSearch), NSMakeRange(12, 3));
  EXPECT_EQ(s->rangeOfStringOptions(S("TWO"), NSCaseInsensitiveSearch), NSMakeRange(4, 3));
  EXPECT_EQ(s->rangeOfStringOptions(S("TWO"), 0), kNone);
  EXPECT_EQ(s->rangeOfStringOptions(S("one"), NSAnchoredSearch), NSMakeRange(0, 3));
  EXPECT_EQ(s->rangeOfStringOptions(S("two"), NSAnchoredSearch), kNone);
  EXPECT_EQ(s->rangeOfStringOptions(S("two"), NSAnchoredSearch | NSBackwardsSearch),
            NSMakeRange(12, 3));
  EXPECT_EQ(s->rangeOfStringOptions(S("one"), NSAnchoredSearch | NSBackwardsSearch), kNone);
  EXPECT_EQ(s->rangeOfStringOptionsRange(S("one"), 0, NSMakeRange(1, 14)), NSMakeRange(8, 3));
  // Not found and empty needles give {NSNotFound, 0}.
  EXPECT_EQ(s->rangeOfString(S("three")), kNone);
  EXPECT_EQ(s->rangeOfString(S("")), kNone);
  EXPECT_EQ(s->rangeOfString(nullptr), kNone);
  EXPECT_EQ(S("")->rangeOfString(S("a")), kNone);
}

TEST(NSString, CaseInsensitiveSearchFoldsAndMapsBack) {
  // ß folds to "ss": the match covers all six characters of the receiver.
  EXPECT_EQ(S("Stra\xC3\x9F"
              "e")
                ->rangeOfStringOptions(S("STRASSE"), NSCaseInsensitiveSearch),
            NSMakeRange(0, 6));
  EXPECT_EQ(S("STRASSE")->rangeOfStringOptions(S("stra\xC3\x9F"
                                                 "e"),
                                               NSCaseInsensitiveSearch),
            NSMakeRange(0, 7));
  // Half of a folded character is not a match.
  EXPECT_EQ(S("\xC3\x9F")->rangeOfStringOptions(S("s"), NSCaseInsensitiveSearch), kNone);
  // Indices after a surrogate pair stay in receiver units.
  EXPECT_EQ(S("\xF0\x9F\x98\x80"
              "ABC")
                ->rangeOfStringOptions(S("b"), NSCaseInsensitiveSearch),
            NSMakeRange(3, 1));
  EXPECT_EQ(
      S("\xCE\xA3\xCE\x91")->rangeOfStringOptions(S("\xCF\x83\xCE\xB1"), NSCaseInsensitiveSearch),
      NSMakeRange(0, 2));  // ΣΑ vs σα
}

TEST(NSString, NonLiteralSearchUsesCanonicalEquivalence) {
  auto decomposed = S("cafe\xCC\x81!");  // e + U+0301
  EXPECT_EQ(decomposed->rangeOfString(S("caf\xC3\xA9")), NSMakeRange(0, 5));
  EXPECT_EQ(decomposed->rangeOfStringOptions(S("caf\xC3\xA9"), NSLiteralSearch), kNone);
  // A match may not end inside a combining sequence.
  EXPECT_EQ(decomposed->rangeOfString(S("cafe")), kNone);
  EXPECT_EQ(decomposed->rangeOfStringOptions(S("cafe"), NSLiteralSearch), NSMakeRange(0, 4));
}

TEST(NSString, ComponentsPrefixesAndReplacing) {
  auto parts = S(",a,,b,")->componentsSeparatedByString(S(","));
  ASSERT_EQ(parts->count(), 5u);
  EXPECT_TRUE(parts->objectAtIndex(0)->isEqual(S("").get()));
  EXPECT_TRUE(parts->objectAtIndex(1)->isEqual(S("a").get()));
  EXPECT_TRUE(parts->objectAtIndex(4)->isEqual(S("").get()));
  EXPECT_EQ(S("abc")->componentsSeparatedByString(S("x"))->count(), 1u);
  EXPECT_EQ(S("")->componentsSeparatedByString(S(","))->count(), 1u);
  EXPECT_TRUE(S("@handle")->hasPrefix(S("@")));
  EXPECT_FALSE(S("@")->hasPrefix(S("@@")));
  EXPECT_FALSE(S("abc")->hasPrefix(S("")));
  EXPECT_TRUE(S("a.plist")->hasSuffix(S(".plist")));
  EXPECT_FALSE(S("t")->hasSuffix(S("st")));
  EXPECT_STREQ(
      S("a-b-c")->stringByReplacingOccurrencesOfStringWithString(S("-"), S("--"))->UTF8String(),
      "a--b--c");
  EXPECT_STREQ(
      S("abc")->stringByReplacingOccurrencesOfStringWithString(S(""), S("x"))->UTF8String(), "abc");
  EXPECT_STREQ(S("Stra\xC3\x9F"
                 "e")
                   ->uppercaseString()
                   ->UTF8String(),
               "STRASSE");
  EXPECT_STREQ(S("\xC4\xB0I")->lowercaseString()->UTF8String(), "i\xCC\x87i");
}

TEST(NSString, MutableEditsAndCachedUtf8) {
  auto m = NSMutableString::string();
  m->appendString(S("world"));
  const char* before = m->UTF8String();
  EXPECT_STREQ(before, "world");
  m->insertStringAtIndex(S("hello "), 0);
  EXPECT_STREQ(m->UTF8String(), "hello world");
  m->appendFormat(" %d", 42);
  m->deleteCharactersInRange(NSMakeRange(0, 6));
  EXPECT_STREQ(m->UTF8String(), "world 42");
  m->replaceCharactersInRangeWithString(NSMakeRange(0, 5), m);  // itself
  EXPECT_STREQ(m->UTF8String(), "world 42 42");
  m->setString(S("x"));
  EXPECT_EQ(m->length(), 1u);
  // A copy does not follow later edits.
  auto frozen = m->copy();
  m->appendString(S("y"));
  EXPECT_STREQ(frozen->UTF8String(), "x");
}

TEST(NSString, TrimmingAndCharacterSets) {
  auto ws = NSCharacterSet::whitespaceAndNewlineCharacterSet();
  EXPECT_STREQ(S(" \t\n hi there \r\n")->stringByTrimmingCharactersInSet(ws)->UTF8String(),
               "hi there");
  EXPECT_STREQ(S("   ")->stringByTrimmingCharactersInSet(ws)->UTF8String(), "");
  EXPECT_TRUE(NSCharacterSet::whitespaceCharacterSet()->characterIsMember(0x00A0));
  EXPECT_FALSE(NSCharacterSet::whitespaceCharacterSet()->characterIsMember('\n'));
  EXPECT_TRUE(NSCharacterSet::newlineCharacterSet()->characterIsMember(0x2028));
  EXPECT_TRUE(NSCharacterSet::decimalDigitCharacterSet()->characterIsMember(0x0663));  // Arabic 3
  EXPECT_TRUE(NSCharacterSet::alphanumericCharacterSet()->characterIsMember(0x00E9));
  EXPECT_FALSE(NSCharacterSet::alphanumericCharacterSet()->characterIsMember('-'));

  // The plug-in's "digits only" test.
  auto nonDigits =
      NSCharacterSet::characterSetWithCharactersInString(S("0123456789"))->invertedSet();
  auto none = NSMakeRange(static_cast<NSUInteger>(NSNotFound), 0);
  EXPECT_EQ(S("12")->rangeOfCharacterFromSet(nonDigits), none);
  EXPECT_EQ(S("")->rangeOfCharacterFromSet(nonDigits), none);
  EXPECT_EQ(S("1a2")->rangeOfCharacterFromSet(nonDigits), NSMakeRange(1, 1));
  EXPECT_EQ(S("\xD9\xA3")->rangeOfCharacterFromSet(nonDigits), NSMakeRange(0, 1));
  EXPECT_EQ(S("1\xF0\x9F\x98\x80")->rangeOfCharacterFromSet(nonDigits), NSMakeRange(1, 2));
  EXPECT_EQ(S("a1b")->rangeOfCharacterFromSetOptions(nonDigits, NSBackwardsSearch),
            NSMakeRange(2, 1));

  auto emojiSet = NSCharacterSet::characterSetWithCharactersInString(S("\xF0\x9F\x98\x80"));
  EXPECT_TRUE(emojiSet->characterIsMember(0x1F600));
  EXPECT_FALSE(emojiSet->characterIsMember(0xD83D));
  auto range = NSCharacterSet::characterSetWithRange(NSMakeRange('a', 3));
  EXPECT_TRUE(range->characterIsMember('c'));
  EXPECT_FALSE(range->characterIsMember('d'));
  EXPECT_FALSE(NSCharacterSet::characterSetWithRange(NSMakeRange(0x10FFFF, 100))
                   ->characterIsMember(0x110000));
}

// ASCII members are answered from bits, the rest by the set itself: each code point on
// either side of the bit words' edges and of the ASCII edge answers as the set says.
TEST(NSString, CharacterSetMembershipAcrossTheAsciiEdge) {
  auto across = NSCharacterSet::characterSetWithRange(NSMakeRange(60, 10));    // 60...69
  auto topEdge = NSCharacterSet::characterSetWithRange(NSMakeRange(120, 20));  // 120...139
  auto inverted = topEdge->invertedSet();
  auto digits = NSCharacterSet::characterSetWithCharactersInString(S("0123456789"));
  auto nonDigits = digits->invertedSet();
  for (uint32_t c = 0; c < 300; ++c) {
    EXPECT_EQ(across->characterIsMember(c), c >= 60 && c < 70) << c;
    EXPECT_EQ(topEdge->characterIsMember(c), c >= 120 && c < 140) << c;
    EXPECT_EQ(inverted->characterIsMember(c), !(c >= 120 && c < 140)) << c;
    EXPECT_EQ(digits->characterIsMember(c), c >= '0' && c <= '9') << c;
    EXPECT_EQ(nonDigits->characterIsMember(c), !(c >= '0' && c <= '9')) << c;
  }
  EXPECT_TRUE(NSCharacterSet::characterSetWithRange(NSMakeRange(0, 1))->characterIsMember(0));
  EXPECT_TRUE(NSCharacterSet::whitespaceAndNewlineCharacterSet()->characterIsMember('\r'));
  EXPECT_TRUE(NSCharacterSet::whitespaceAndNewlineCharacterSet()->characterIsMember(0x85));
  EXPECT_FALSE(NSCharacterSet::letterCharacterSet()->characterIsMember('@'));
  EXPECT_TRUE(NSCharacterSet::letterCharacterSet()->characterIsMember('z'));
  EXPECT_FALSE(nonDigits->characterIsMember(0x110000));
}

struct ParseRow {
  const char* text;
  int intValue;
  double floatValue;
  bool boolValue;
};

TEST(NSString, NumericParsingTable) {
  const ParseRow rows[] = {
      {"  42abc", 42, 42, true},
      {"-17", -17, -17, true},
      {"+5", 5, 5, true},
      {"3.99", 3, 3.99, true},
      {"0.5", 0, 0.5, false},
      {"1e3", 1, 1000, true},
      {"0x1A", 0, 0, false},
      {"00012", 12, 12, true},
      {"YES", 0, 0, true},
      {"yes", 0, 0, true},
      {"true", 0, 0, true},
      {"T", 0, 0, true},
      {"NO", 0, 0, false},
      {"false", 0, 0, false},
      {"on", 0, 0, false},
      {"", 0, 0, false},
      {"99999999999", INT_MAX, 1e11, true},
      {" 12abc", 12, 12, true},
      {"-1", -1, -1, true},
      {"-99999999999", INT_MIN, -1e11, true},
      {"inf", 0, 0, false},
      {"nan", 0, 0, false},
      {".5", 0, 0.5, false},
      {"-0", 0, 0, false},
      {"- 5", -5, 0, false},
      {"\n\t 7", 7, 7, true},
  };
  for (const auto& row : rows) {
    auto s = S(row.text);
    EXPECT_EQ(s->intValue(), row.intValue) << row.text;
    EXPECT_FLOAT_EQ(s->floatValue(), static_cast<float>(row.floatValue)) << row.text;
    EXPECT_FLOAT_EQ(static_cast<float>(s->doubleValue()), static_cast<float>(row.floatValue))
        << row.text;
    EXPECT_EQ(s->boolValue(), row.boolValue) << row.text;
  }
  EXPECT_EQ(static_cast<double>(S("5.3")->floatValue()), 5.300000190734863);
  EXPECT_EQ(S("5.3")->doubleValue(), 5.3);
  EXPECT_EQ(S("99999999999")->integerValue(), 99999999999);
  EXPECT_EQ(S("99999999999999999999")->longLongValue(), LLONG_MAX);
  EXPECT_EQ(S("-99999999999999999999")->longLongValue(), LLONG_MIN);
  EXPECT_EQ(S("-9223372036854775808")->longLongValue(), LLONG_MIN);
  EXPECT_TRUE(std::isinf(S("1e999")->doubleValue()));
  EXPECT_EQ(S("1e-999")->doubleValue(), 0.0);
  EXPECT_EQ(S("1e")->doubleValue(), 1.0);
}

TEST(NSString, FormatConversions) {
  auto obj = S("Nimbra");
  EXPECT_STREQ(NSString::stringWithFormat("[%@] %@", obj, S("Deleting... x"))->UTF8String(),
               "[Nimbra] Deleting... x");
  EXPECT_STREQ(NSString::stringWithFormat("%@ has %d", obj, 3)->UTF8String(), "Nimbra has 3");
  EXPECT_STREQ(NSString::stringWithFormat(NSSTR("%@|%@"), nullptr, static_cast<NSObject*>(nullptr))
                   ->UTF8String(),
               "(null)|(null)");
  EXPECT_STREQ(NSString::stringWithFormat("%5d|%-5d|%05d|%+d", 42, 42, 42, 42)->UTF8String(),
               "   42|42   |00042|+42");
  EXPECT_STREQ(NSString::stringWithFormat("%u %ld %lu %lld %llu %zu", 1u, -2L, 3UL, -4LL, 5ULL,
                                          std::size_t{6})
                   ->UTF8String(),
               "1 -2 3 -4 5 6");
  EXPECT_STREQ(NSString::stringWithFormat("%.2f %g %e", 3.14159, 0.5, 1000.0)->UTF8String(),
               "3.14 0.5 1.000000e+03");
  EXPECT_STREQ(NSString::stringWithFormat("%x %X %o %c %%", 255, 255, 8, 'A')->UTF8String(),
               "ff FF 10 A %");
  EXPECT_STREQ(
      NSString::stringWithFormat("%s|%.3s|%6s", "text", std::string("abcdef"), "r")->UTF8String(),
      "text|abc|     r");
  EXPECT_STREQ(NSString::stringWithFormat("%*d|%.*f", 4, 7, 1, 2.25)->UTF8String(), "   7|2.2");
  EXPECT_STREQ(NSString::stringWithFormat("%d", -1LL)->UTF8String(), "-1");
  EXPECT_STREQ(NSString::stringWithFormat("%hhd", 257)->UTF8String(), "1");
  EXPECT_EQ(NSString::stringWithFormat("%p", obj)->UTF8String()[1], 'x');
  EXPECT_STREQ(NSString::stringWithFormat("%@", NSNumber::numberWithDouble(0.1))->UTF8String(),
               "0.1");
  EXPECT_STREQ(NSStringFromRange(NSMakeRange(3, 4))->UTF8String(), "{3, 4}");
}

TEST(NSString, FormatMismatchesAreErrors) {
  auto expectInvalid = [](auto&& make) {
    try {
      make();
      ADD_FAILURE() << "no exception";
    } catch (const NSException& e) {
      EXPECT_EQ(e.name(), NSInvalidArgumentException);
    }
  };
  expectInvalid([] { NSString::stringWithFormat("%d", 1.5); });
  expectInvalid([] { NSString::stringWithFormat("%f", 2); });
  expectInvalid([] { NSString::stringWithFormat("%s", NSSTR("x")); });
  expectInvalid([] { NSString::stringWithFormat("%@", 3); });
  expectInvalid([] { NSString::stringWithFormat("%d %d", 1); });
  expectInvalid([] { NSString::stringWithFormat("%k", 1); });
  expectInvalid([] { NSString::stringWithFormat("100%"); });
  expectInvalid([] { NSString::stringWithFormat("%n", 1); });
}

TEST(NSString, PathsAndRanges) {
  auto home = S("/home/u/");
  EXPECT_STREQ(
      home->stringByAppendingPathComponent(S("/Library/Preferences/x.plist"))->UTF8String(),
      "/home/u/Library/Preferences/x.plist");
  EXPECT_STREQ(S("/a/b.plist")->lastPathComponent()->UTF8String(), "b.plist");
  EXPECT_STREQ(S("/a/b.plist")->stringByDeletingLastPathComponent()->UTF8String(), "/a");
  EXPECT_STREQ(S("/a/b.plist")->pathExtension()->UTF8String(), "plist");
  EXPECT_STREQ(S("/a")->stringByDeletingLastPathComponent()->UTF8String(), "/");

  EXPECT_EQ(NSIntersectionRange(NSMakeRange(0, 5), NSMakeRange(3, 5)), NSMakeRange(3, 2));
  EXPECT_EQ(NSIntersectionRange(NSMakeRange(0, 2), NSMakeRange(5, 1)), NSMakeRange(0, 0));
  EXPECT_EQ(NSUnionRange(NSMakeRange(0, 2), NSMakeRange(5, 1)), NSMakeRange(0, 6));
  EXPECT_TRUE(NSLocationInRange(4, NSMakeRange(2, 3)));
  EXPECT_FALSE(NSLocationInRange(5, NSMakeRange(2, 3)));
  EXPECT_FALSE(NSLocationInRange(0, NSMakeRange(0, 0)));
  EXPECT_EQ(NSMaxRange(NSMakeRange(UINT64_MAX - 1, 5)), UINT64_MAX);
  EXPECT_EQ(NSNotFound, INT64_MAX);
}

TEST(NSString, LiteralMacrosAreMadeOncePerSite) {
  auto site = [] { return NSSTR("same"); };
  EXPECT_EQ(site().get(), site().get());
  CFStringRef cf = CFSTR("cf");
  EXPECT_EQ(CFStringGetLength(cf), 2);
}

}  // namespace
