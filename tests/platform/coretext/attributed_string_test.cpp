#include <gtest/gtest.h>

#include <vector>

#include "Foundation/NSAttributedString.h"
#include "Foundation/NSNumber.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}
id N(int v) {
  return NSNumber::numberWithInt(v);
}
const Strong<NSString> kA = S("a");
const Strong<NSString> kB = S("b");

// Runs of one key as (location, length, value or -1).
std::vector<std::tuple<NSUInteger, NSUInteger, int>> runsOf(const Strong<NSAttributedString>& s,
                                                            const Strong<NSString>& key,
                                                            NSUInteger options = 0) {
  std::vector<std::tuple<NSUInteger, NSUInteger, int>> out;
  s->enumerateAttributeInRangeOptionsUsingBlock(
      key, NSMakeRange(0, s->length()), options, [&](const id& v, NSRange r, BOOL*) {
        auto n = objc_cast<NSNumber>(v);
        out.emplace_back(r.location, r.length, n ? n->intValue() : -1);
      });
  return out;
}

size_t runCount(const Strong<NSAttributedString>& s) {
  size_t n = 0;
  if (s->length() == 0) return 0;
  s->enumerateAttributesInRangeOptionsUsingBlock(
      NSMakeRange(0, s->length()), 0, [&](const Strong<NSDictionary>&, NSRange, BOOL*) { ++n; });
  return n;
}

TEST(NSAttributedString, AttributesSplitAndCoalesceRuns) {
  auto s = NSMutableAttributedString::initWithString(S("Hello, world"));
  EXPECT_EQ(s->length(), 12u);
  s->addAttributeValueRange(kA, N(1), NSMakeRange(0, 5));
  s->addAttributeValueRange(kB, N(2), NSMakeRange(3, 4));
  EXPECT_EQ(runCount(s), 4u);  // [0,3) a, [3,5) a b, [5,7) b, [7,12) none
  NSRange r;
  auto attrs = s->attributesAtIndexEffectiveRange(4, &r);
  EXPECT_EQ(r, NSMakeRange(3, 2));
  EXPECT_EQ(attrs->count(), 2u);
  EXPECT_EQ(s->attributeAtIndexEffectiveRange(kB, 8, &r), nullptr);
  EXPECT_EQ(r, NSMakeRange(7, 5));

  // Setting the same value over the gaps merges everything back into one run per value.
  s->removeAttributeRange(kB, NSMakeRange(0, 12));
  s->addAttributeValueRange(kA, N(1), NSMakeRange(5, 7));
  EXPECT_EQ(runCount(s), 1u);
  EXPECT_EQ(runsOf(s, kA), (std::vector<std::tuple<NSUInteger, NSUInteger, int>>{{0, 12, 1}}));
}

TEST(NSAttributedString, LongestEffectiveRangeSpansRunsWithinTheLimit) {
  auto s = NSMutableAttributedString::initWithString(S("abcdefgh"));
  s->addAttributeValueRange(kA, N(1), NSMakeRange(0, 6));
  s->addAttributeValueRange(kB, N(2), NSMakeRange(2, 2));
  NSRange r;
  EXPECT_EQ(objc_cast<NSNumber>(
                s->attributeAtIndexLongestEffectiveRangeInRange(kA, 3, &r, NSMakeRange(0, 8)))
                ->intValue(),
            1);
  EXPECT_EQ(r, NSMakeRange(0, 6));  // across the b run
  s->attributeAtIndexLongestEffectiveRangeInRange(kA, 3, &r, NSMakeRange(1, 3));
  EXPECT_EQ(r, NSMakeRange(1, 3));
  s->attributesAtIndexLongestEffectiveRangeInRange(3, &r, NSMakeRange(0, 8));
  EXPECT_EQ(r, NSMakeRange(2, 2));
  EXPECT_THROW(s->attributesAtIndexLongestEffectiveRangeInRange(0, &r, NSMakeRange(4, 5)),
               NSException);
}

TEST(NSAttributedString, EnumerationReportsOneKeyInOrderAndReverse) {
  auto s = NSMutableAttributedString::initWithString(S("abcdefgh"));
  s->addAttributeValueRange(kA, N(1), NSMakeRange(0, 4));
  s->addAttributeValueRange(kB, N(9), NSMakeRange(2, 4));  // splits a's run, a still merges
  using V = std::vector<std::tuple<NSUInteger, NSUInteger, int>>;
  EXPECT_EQ(runsOf(s, kA), (V{{0, 4, 1}, {4, 4, -1}}));
  EXPECT_EQ(runsOf(s, kA, NSAttributedStringEnumerationReverse), (V{{4, 4, -1}, {0, 4, 1}}));
  EXPECT_EQ(runsOf(s, kA, NSAttributedStringEnumerationLongestEffectiveRangeNotRequired),
            (V{{0, 2, 1}, {2, 2, 1}, {4, 2, -1}, {6, 2, -1}}));
  // Stopping early.
  int calls = 0;
  s->enumerateAttributeInRangeOptionsUsingBlock(kB, NSMakeRange(0, 8), 0,
                                                [&](const id&, NSRange, BOOL* stop) {
                                                  ++calls;
                                                  *stop = YES;
                                                });
  EXPECT_EQ(calls, 1);
}

TEST(NSAttributedString, EditingTextKeepsRunsConsistent) {
  auto s = NSMutableAttributedString::initWithString(S("one two"));
  s->addAttributeValueRange(kA, N(1), NSMakeRange(4, 3));  // "two"
  // Inserted text takes the attributes of the first replaced character...
  s->replaceCharactersInRangeWithString(NSMakeRange(4, 1), S("TT"));
  EXPECT_EQ(s->string()->stdString(), "one TTwo");
  using V = std::vector<std::tuple<NSUInteger, NSUInteger, int>>;
  EXPECT_EQ(runsOf(s, kA), (V{{0, 4, -1}, {4, 4, 1}}));
  // ...or, for an empty range, of the character before it.
  s->replaceCharactersInRangeWithString(NSMakeRange(8, 0), S("!"));
  EXPECT_EQ(runsOf(s, kA), (V{{0, 4, -1}, {4, 5, 1}}));
  s->replaceCharactersInRangeWithString(NSMakeRange(0, 0), S(">"));
  EXPECT_EQ(runsOf(s, kA), (V{{0, 5, -1}, {5, 5, 1}}));

  auto tail = NSMutableAttributedString::initWithStringAttributes(
      S("xy"), NSDictionary::dictionaryWithObjectsAndKeys({{kB, N(2)}}));
  s->appendAttributedString(tail);
  EXPECT_EQ(s->string()->stdString(), ">one TTwo!xy");
  EXPECT_EQ(runsOf(s, kB), (V{{0, 10, -1}, {10, 2, 2}}));

  s->deleteCharactersInRange(NSMakeRange(3, 8));  // ">on" + "y"
  EXPECT_EQ(s->string()->stdString(), ">ony");
  EXPECT_EQ(runsOf(s, kB), (V{{0, 3, -1}, {3, 1, 2}}));
  EXPECT_EQ(runsOf(s, kA), (V{{0, 4, -1}}));

  // Replacing with an attributed string, including the receiver itself.
  s->replaceCharactersInRangeWithAttributedString(NSMakeRange(0, 1), s);
  EXPECT_EQ(s->string()->stdString(), ">onyony");
  EXPECT_EQ(runsOf(s, kB), (V{{0, 3, -1}, {3, 1, 2}, {4, 2, -1}, {6, 1, 2}}));
  s->deleteCharactersInRange(NSMakeRange(0, s->length()));
  EXPECT_EQ(s->length(), 0u);
  EXPECT_EQ(runCount(s), 0u);
}

TEST(NSAttributedString, EqualityCopiesAndSubstrings) {
  auto attrs = NSDictionary::dictionaryWithObjectsAndKeys({{kA, N(1)}});
  auto a = NSAttributedString::initWithStringAttributes(S("text"), attrs);
  auto m = a->mutableCopy();
  EXPECT_TRUE(a->isEqualToAttributedString(m));
  m->addAttributeValueRange(kA, N(2), NSMakeRange(1, 1));
  EXPECT_FALSE(a->isEqualToAttributedString(m));
  EXPECT_FALSE(a->isEqualToAttributedString(Strong<NSAttributedString>()));

  // A copy does not follow later edits of its source.
  auto frozen = m->copy();
  m->replaceCharactersInRangeWithString(NSMakeRange(0, 4), S("zz"));
  EXPECT_EQ(frozen->string()->stdString(), "text");
  EXPECT_EQ(m->string()->stdString(), "zz");

  auto sub = frozen->attributedSubstringFromRange(NSMakeRange(1, 2));
  EXPECT_EQ(sub->string()->stdString(), "ex");
  NSRange r;
  EXPECT_EQ(objc_cast<NSNumber>(sub->attributeAtIndexEffectiveRange(kA, 0, &r))->intValue(), 2);
  EXPECT_EQ(r, NSMakeRange(0, 1));

  // Same characters, equal attributes built separately.
  auto b = NSAttributedString::initWithStringAttributes(
      S("text"),
      NSDictionary::dictionaryWithObjectsAndKeys({{S("a"), NSNumber::numberWithInt(1)}}));
  EXPECT_TRUE(a->isEqual(b.get()));
}

TEST(NSAttributedString, RangesPastTheEndRaise) {
  auto s = NSMutableAttributedString::initWithString(S("abc"));
  auto expectRange = [](auto&& f) {
    try {
      f();
      ADD_FAILURE() << "no exception";
    } catch (const NSException& e) {
      EXPECT_EQ(e.name(), NSRangeException);
    }
  };
  expectRange([&] { s->attributesAtIndexEffectiveRange(3, nullptr); });
  expectRange([&] { s->attributeAtIndexEffectiveRange(kA, 99, nullptr); });
  expectRange([&] { s->attributedSubstringFromRange(NSMakeRange(2, 2)); });
  expectRange([&] { s->addAttributeValueRange(kA, N(1), NSMakeRange(1, 3)); });
  expectRange([&] { s->setAttributesRange(nullptr, NSMakeRange(4, 0)); });
  expectRange([&] { s->removeAttributeRange(kA, NSMakeRange(0, UINT64_MAX)); });
  expectRange([&] { s->deleteCharactersInRange(NSMakeRange(UINT64_MAX, 2)); });
  expectRange([&] { s->replaceCharactersInRangeWithString(NSMakeRange(3, 1), S("x")); });
  expectRange([&] {
    s->enumerateAttributeInRangeOptionsUsingBlock(kA, NSMakeRange(0, 4), 0,
                                                  [](const id&, NSRange, BOOL*) {});
  });
  // Nothing was changed by the failed calls.
  EXPECT_EQ(s->string()->stdString(), "abc");
  EXPECT_EQ(runCount(s), 1u);
  try {
    s->addAttributeValueRange(kA, nullptr, NSMakeRange(0, 1));
    ADD_FAILURE();
  } catch (const NSException& e) {
    EXPECT_EQ(e.name(), NSInvalidArgumentException);
  }
}

TEST(NSAttributedString, ManyAlternatingRunsStayCorrect) {
  // Every other character gets a value: runs must not merge wrongly or leak.
  auto s = NSMutableAttributedString::initWithString(S(std::string(2000, 'x').c_str()));
  for (NSUInteger i = 0; i < 2000; i += 2) s->addAttributeValueRange(kA, N(1), NSMakeRange(i, 1));
  EXPECT_EQ(runCount(s), 2000u);
  s->addAttributeValueRange(kA, N(1), NSMakeRange(0, 2000));
  EXPECT_EQ(runCount(s), 1u);
}

}  // namespace
