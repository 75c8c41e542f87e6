// The stages that shape a paragraph, each on its own, over plain, mixed-direction,
// attributed and empty text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Attributes.h"
#include "CoreText/CoreText.h"
#include "Engine.h"
#include "Foundation/NSAttributedString.h"

namespace {

Strong<NSMutableDictionary> attrs(const char* font = "DejaVuSans", CGFloat size = 20) {
  auto d = NSMutableDictionary::dictionary();
  d->setObjectForKey(CTFontCreateWithName(NSString::stringWithUTF8String(font), size, nullptr),
                     kCTFontAttributeName);
  return d;
}

std::shared_ptr<const ct::TextSource> sourceOf(const Strong<NSAttributedString>& s) {
  return ct::makeSource(*s);
}
std::shared_ptr<const ct::TextSource> sourceOf(const char* utf8) {
  return sourceOf(
      NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(utf8), attrs()));
}

// The first paragraph of `source`, its range and settings set as the typesetter sets them.
ct::Paragraph paragraphOf(const ct::TextSource& source,
                          CTWritingDirection direction = kCTWritingDirectionNatural) {
  ct::Paragraph p;
  p.end = 0;
  while (p.end < source.text.size() && !ct::isParagraphSeparator(source.text[p.end])) ++p.end;
  auto settings = std::make_shared<CTParagraphSettings>();
  settings->baseWritingDirection = direction;
  p.settings = settings;
  return p;
}

// Every stage, as the typesetter runs them.
ct::Paragraph shaped(const ct::TextSource& source) {
  ct::Paragraph p = paragraphOf(source);
  ct::itemize(source, p, ct::resolveLevels(source.text, p));
  ct::measureAdvances(p);
  ct::findBreaks(source.text, p);
  return p;
}

TEST(ShapingStages, LevelsAreResolvedOnlyWhereDirectionsMix) {
  auto plain = sourceOf("plain text");
  ct::Paragraph p = paragraphOf(*plain);
  EXPECT_TRUE(ct::resolveLevels(plain->text, p).empty());
  EXPECT_EQ(p.baseLevel, 0);

  // Hebrew first: a natural paragraph reads right to left; the Latin word sits at level 2.
  auto mixed = sourceOf("\u05E9\u05DC\u05D5\u05DD abc");
  p = paragraphOf(*mixed);
  std::vector<uint8_t> levels = ct::resolveLevels(mixed->text, p);
  EXPECT_EQ(p.baseLevel, 1);
  ASSERT_EQ(levels.size(), mixed->text.size());
  EXPECT_EQ(levels.front(), 1);
  EXPECT_EQ(levels.back(), 2);

  // A paragraph set right to left is so even in plain Latin text.
  p = paragraphOf(*plain, kCTWritingDirectionRightToLeft);
  levels = ct::resolveLevels(plain->text, p);
  EXPECT_EQ(p.baseLevel, 1);
  ASSERT_FALSE(levels.empty());
  EXPECT_EQ(levels.front() % 2, 0);

  auto empty = sourceOf("");
  p = paragraphOf(*empty);
  EXPECT_TRUE(ct::resolveLevels(empty->text, p).empty());
}

TEST(ShapingStages, ItemsTileTheParagraphAndSplitWhereRunsOrDirectionsChange) {
  auto attributed = NSMutableAttributedString::initWithStringAttributes(
      NSString::stringWithUTF8String("serif sans"), attrs("DejaVuSerif"));
  attributed->addAttributeValueRange(kCTFontAttributeName,
                                     CTFontCreateWithName(NSSTR("DejaVuSans"), 20, nullptr),
                                     NSMakeRange(6, 4));
  struct Case {
    const char* name;
    std::shared_ptr<const ct::TextSource> source;
    size_t items;
  } cases[] = {{"plain", sourceOf("one run"), 1},
               {"attributed", sourceOf(attributed), 2},
               {"right to left", sourceOf("abc \u05E9\u05DC\u05D5\u05DD"), 2},
               {"empty", sourceOf(""), 0}};
  for (const Case& c : cases) {
    ct::Paragraph p = paragraphOf(*c.source);
    ct::itemize(*c.source, p, ct::resolveLevels(c.source->text, p));
    EXPECT_EQ(p.items.size(), c.items) << c.name;
    size_t at = p.start;
    for (const ct::Item& item : p.items) {
      EXPECT_EQ(item.start, at) << c.name;
      EXPECT_GT(item.end, item.start) << c.name;
      ASSERT_TRUE(item.face && item.shaped) << c.name;
      EXPECT_FALSE(item.shaped->glyphs.empty()) << c.name;
      at = item.end;
    }
    if (!p.items.empty()) {
      EXPECT_EQ(at, p.end) << c.name;
    }
  }
}

TEST(ShapingStages, AdvancesAccumulateAndClustersCountOnce) {
  for (const char* text : {"wide text", "e\u0301e", "\u05E9\u05DC\u05D5\u05DD", ""}) {
    auto source = sourceOf(text);
    ct::Paragraph p = paragraphOf(*source);
    ct::itemize(*source, p, ct::resolveLevels(source->text, p));
    ct::measureAdvances(p);
    size_t len = p.end - p.start;
    ASSERT_EQ(p.x.size(), len + 1) << text;
    EXPECT_EQ(p.x.front(), 0) << text;
    double glyphs = 0;
    for (const ct::Item& item : p.items) {
      for (const ct::ShapedGlyph& g : item.shaped->glyphs) glyphs += g.advance * item.scale;
    }
    EXPECT_NEAR(p.x.back(), glyphs, 1e-9) << text;
    for (size_t i = 0; i < len; ++i) {
      EXPECT_GE(p.x[i + 1], p.x[i]) << text;
    }
  }
  // The combining accent adds nothing of its own: the cluster's advance is its first unit's.
  auto accented = sourceOf("e\u0301e");
  ct::Paragraph p = shaped(*accented);
  EXPECT_GT(p.x[1], 0);
  EXPECT_EQ(p.x[2], p.x[1]);
}

TEST(ShapingStages, BreaksFollowWordsAndTheEndIsAlwaysHard) {
  auto words = sourceOf("two words");
  ct::Paragraph p = shaped(*words);
  EXPECT_EQ(p.breaks, (std::vector<uint32_t>{4, 9}));
  EXPECT_EQ(p.hard, (std::vector<bool>{false, true}));

  // A line separator inside the paragraph is a mandatory break.
  auto separated = sourceOf("a\u2028b");
  p = shaped(*separated);
  ASSERT_EQ(p.breaks.size(), 2u);
  EXPECT_EQ(p.breaks[0], 2u);
  EXPECT_TRUE(p.hard[0]);

  auto empty = sourceOf("");
  p = shaped(*empty);
  EXPECT_EQ(p.breaks, (std::vector<uint32_t>{0}));
  EXPECT_EQ(p.hard, (std::vector<bool>{true}));
}

TEST(LayoutRules, TheTokenTakesItsAttributesFromInsideTheRange) {
  EXPECT_EQ(CTTruncationTokenIndex(kCTLineTruncationStart, 3, 9), 3u);
  EXPECT_EQ(CTTruncationTokenIndex(kCTLineTruncationMiddle, 3, 9), 6u);
  EXPECT_EQ(CTTruncationTokenIndex(kCTLineTruncationEnd, 3, 9), 8u);
  // An empty range answers its start, never the character before it.
  for (auto type : {kCTLineTruncationStart, kCTLineTruncationMiddle, kCTLineTruncationEnd}) {
    EXPECT_EQ(CTTruncationTokenIndex(type, 0, 0), 0u);
    EXPECT_EQ(CTTruncationTokenIndex(type, 4, 4), 4u);
  }
  EXPECT_EQ(CTLineTruncationTypeForLineBreakMode(kCTLineBreakByTruncatingHead),
            kCTLineTruncationStart);
  EXPECT_EQ(CTLineTruncationTypeForLineBreakMode(kCTLineBreakByWordWrapping), kCTLineTruncationEnd);
  // Natural alignment follows the direction; an explicit one does not.
  EXPECT_EQ(CTTextAlignmentFlushFactor(kCTTextAlignmentNatural, kCTWritingDirectionRightToLeft), 1);
  EXPECT_EQ(CTTextAlignmentFlushFactor(kCTTextAlignmentNatural, kCTWritingDirectionLeftToRight), 0);
  EXPECT_EQ(CTTextAlignmentFlushFactor(kCTTextAlignmentLeft, kCTWritingDirectionRightToLeft), 0);
}

}  // namespace
