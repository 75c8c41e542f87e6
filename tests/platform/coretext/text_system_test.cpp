// UIKit's fonts, paragraph styles and text system on top of the typesetter.
#include <gtest/gtest.h>

#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/NSLayoutManager.h"
#include "UIKit/NSParagraphStyle.h"
#include "UIKit/NSTextContainer.h"
#include "UIKit/NSTextStorage.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIFont.h"

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

TEST(UIFont, NamesMetricsAndSystemFonts) {
  auto thin = UIFont::fontWithNameSize(S("HelveticaNeue-UltraLight"), 16);
  ASSERT_TRUE(thin);
  EXPECT_EQ(thin->fontName()->stdString(), "HelveticaNeue-UltraLight");
  EXPECT_EQ(thin->familyName()->stdString(), "Helvetica Neue");
  EXPECT_EQ(thin->pointSize(), 16);
  EXPECT_LT(thin->descender(), 0);
  EXPECT_DOUBLE_EQ(thin->ascender(), CTFontGetAscent(thin));
  EXPECT_DOUBLE_EQ(thin->descender(), -CTFontGetDescent(thin));
  EXPECT_DOUBLE_EQ(thin->lineHeight(), thin->ascender() - thin->descender() + thin->leading());
  EXPECT_EQ(UIFont::fontWithNameSize(S("Nonexistent-Font"), 12), nullptr);
  EXPECT_EQ(UIFont::fontWithNameSize(nullptr, 12), nullptr);

  auto bold = UIFont::boldSystemFontOfSize(14);
  auto regular = UIFont::systemFontOfSize(14);
  EXPECT_NE(CTFontCopyFilePath(bold), CTFontCopyFilePath(regular));
  EXPECT_NE(CTFontCopyFilePath(UIFont::italicSystemFontOfSize(14)), CTFontCopyFilePath(regular));
  // The bold system font's name and size round-trip through Core Text.
  CTFontRef ct = CTFontCreateWithName(bold->fontName(), bold->pointSize(), nullptr);
  EXPECT_EQ(CTFontCopyFilePath(ct), CTFontCopyFilePath(bold));
  auto bigger = thin->fontWithSize(32);
  EXPECT_EQ(bigger->fontName()->stdString(), "HelveticaNeue-UltraLight");
  EXPECT_DOUBLE_EQ(bigger->capHeight(), 2 * thin->capHeight());
  EXPECT_EQ(UIFont::systemFontOfSize(0)->pointSize(), 12);
}

TEST(NSParagraphStyle, AlignmentNumbersAndTypesetting) {
  EXPECT_EQ(NSTextAlignmentToCTTextAlignment(NSTextAlignmentCenter), kCTTextAlignmentCenter);
  EXPECT_EQ(NSTextAlignmentToCTTextAlignment(NSTextAlignmentRight), kCTTextAlignmentRight);
  EXPECT_EQ(NSTextAlignmentToCTTextAlignment(static_cast<NSTextAlignment>(77)),
            kCTTextAlignmentNatural);
  auto ps = NSMutableParagraphStyle::paragraphStyle();
  EXPECT_EQ(ps->alignment(), NSTextAlignmentNatural);
  ps->setAlignment(NSTextAlignmentCenter);
  EXPECT_EQ(ps->alignment(), NSTextAlignmentCenter);
  ps->setLineBreakMode(static_cast<NSLineBreakMode>(42));
  EXPECT_EQ(ps->lineBreakMode(), NSLineBreakByWordWrapping);

  // A UIKit style and the equivalent Core Text style lay out identically.
  auto font = UIFont::fontWithNameSize(S("DejaVuSans"), 18);
  ps->setLineSpacing(4);
  ps->setMinimumLineHeight(30);
  ps->setFirstLineHeadIndent(6);
  uint8_t center = kCTTextAlignmentCenter;
  CGFloat four = 4, thirty = 30, six = 6;
  CTParagraphStyleSetting set[] = {{kCTParagraphStyleSpecifierAlignment, 1, &center},
                                   {kCTParagraphStyleSpecifierLineSpacingAdjustment, 8, &four},
                                   {kCTParagraphStyleSpecifierMinimumLineHeight, 8, &thirty},
                                   {kCTParagraphStyleSpecifierFirstLineHeadIndent, 8, &six}};
  auto origins = [&](const id& style) {
    auto d = NSMutableDictionary::dictionary();
    d->setObjectForKey(font, NSFontAttributeName);
    d->setObjectForKey(style, NSParagraphStyleAttributeName);
    auto s = NSAttributedString::initWithStringAttributes(S("line one of text\nline two"), d);
    auto frame = CTFramesetterCreateFrame(
        CTFramesetterCreateWithAttributedString(s), CFRangeMake(0, 0),
        CGPathCreateWithRect(CGRectMake(0, 0, 300, 300), nullptr), nullptr);
    std::vector<CGPoint> o(CTFrameGetLines(frame)->count());
    CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), o.data());
    return o;
  };
  auto ns = origins(ps);
  auto ct = origins(CTParagraphStyleCreate(set, 4));
  ASSERT_EQ(ns.size(), 2u);
  EXPECT_EQ(ns[0], ct[0]);
  EXPECT_EQ(ns[1], ct[1]);
  EXPECT_NEAR(ns[0].y - ns[1].y, 30 + font->leading() + 4, 1e-9);
}

TEST(UIColor, ColourValuesReachTheRuns) {
  EXPECT_TRUE(CTColorFromAttributeValue(UIColor::redColor()));
  EXPECT_EQ(CTColorFromAttributeValue(S("red")), nullptr);
  EXPECT_EQ(CTColorFromAttributeValue(nullptr), nullptr);
}

TEST(NSLayoutManager, BoundingRectsOfCharacterRanges) {
  auto font = UIFont::fontWithNameSize(S("DejaVuSans"), 20);
  auto d = NSMutableDictionary::dictionary();
  d->setObjectForKey(font, NSFontAttributeName);
  auto s = NSAttributedString::initWithStringAttributes(S("alpha beta gamma delta"), d);
  auto storage = NSTextStorage::initWithAttributedString(s->mutableCopy());
  auto lm = std::make_shared<NSLayoutManager>();
  storage->addLayoutManager(lm);
  auto container = NSTextContainer::initWithSize(CGSizeMake(140, 200));
  EXPECT_EQ(container->lineFragmentPadding(), 5.0);
  lm->addTextContainer(container);
  EXPECT_EQ(lm->textStorage(), storage);

  auto width = [&](const char* t) {
    auto l =
        CTLineCreateWithAttributedString(NSAttributedString::initWithStringAttributes(S(t), d));
    return CTLineGetTypographicBounds(l, nullptr, nullptr, nullptr);
  };
  NSRange actual;
  NSRange chars = lm->characterRangeForGlyphRangeActualGlyphRange(NSMakeRange(6, 4), &actual);
  EXPECT_EQ(chars, NSMakeRange(6, 4));
  EXPECT_EQ(actual, NSMakeRange(6, 4));
  CGRect beta = lm->boundingRectForGlyphRangeInTextContainer(actual, container);
  EXPECT_NEAR(beta.origin.x, 5 + width("alpha "), 1e-9);
  EXPECT_NEAR(beta.size.width, width("beta"), 1e-9);
  EXPECT_NEAR(beta.origin.y, 0, 1e-9);
  EXPECT_NEAR(beta.size.height, font->lineHeight(), 1e-9);
  // "delta" is on a later line: lower down, from the left padding.
  CGRect delta = lm->boundingRectForGlyphRangeInTextContainer(NSMakeRange(17, 5), container);
  EXPECT_GT(delta.origin.y, beta.origin.y);
  EXPECT_NEAR(delta.origin.x, 5, 1e-9);
  // Ranges past the end are clamped; a range wholly past it has no rectangle.
  EXPECT_EQ(lm->glyphRangeForCharacterRangeActualCharacterRange(NSMakeRange(20, 50), nullptr),
            NSMakeRange(20, 2));
  EXPECT_EQ(lm->boundingRectForGlyphRangeInTextContainer(NSMakeRange(500, 3), container),
            CGRectZero);
  EXPECT_EQ(lm->boundingRectForGlyphRangeInTextContainer(NSMakeRange(0, 1), nullptr), CGRectZero);
}

}  // namespace
