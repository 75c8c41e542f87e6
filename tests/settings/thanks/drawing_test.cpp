// Drawing, checked on pixels: boxes behind their runs, strike-outs through them, the
// truncation token where the line is cut, shadows, the highlighted colour and shrinking.
#include <climits>
#include <cmath>
#include <utility>

#include "Foundation/NSValue.h"
#include "LabelTesting.h"
#include "TTTAttributedLabelInternal.h"

using namespace labeltest;

namespace {

struct Box {
  int minX = INT_MAX, maxX = -1, minY = INT_MAX, maxY = -1;
  bool empty() const { return maxX < 0; }
  double centerX() const { return (minX + maxX) / 2.0; }
  double centerY() const { return (minY + maxY) / 2.0; }
};

// Where the pixels near a colour are.
Box find(const Pixels& p, int r, int g, int b, int x0 = 0, int x1 = INT_MAX) {
  Box box;
  for (int y = 0; y < p.height(); ++y)
    for (int x = std::max(0, x0); x < std::min(p.width(), x1); ++x)
      if (p.count(x, y, x + 1, y + 1, r, g, b)) {
        box.minX = std::min(box.minX, x), box.maxX = std::max(box.maxX, x);
        box.minY = std::min(box.minY, y), box.maxY = std::max(box.maxY, y);
      }
  return box;
}

Box black(const Pixels& p, int x0 = 0, int x1 = INT_MAX) {
  return find(p, 0, 0, 0, x0, x1);
}

CGColorRef rgb(CGFloat r, CGFloat g, CGFloat b) {
  return CGColorCreateGenericRGB(r, g, b, 1);
}

// The row with the most green in it, however faint (a thin line straddles two rows),
// and how many pixels of it are green.
std::pair<int, int> widestGreenRow(const Pixels& p) {
  int best = -1, most = 0;
  for (int y = 0; y < p.height(); ++y) {
    int n = 0;
    for (int x = 0; x < p.width(); ++x) {
      const uint8_t* px = p.at(x, y);
      n += px[3] > 60 && px[1] > px[3] / 2 && px[0] < px[3] / 4 && px[2] < px[3] / 4;
    }
    if (n > most) most = n, best = y;
  }
  return {best, most};
}

// The x of a character's caret in a one-line label drawn at the left.
CGFloat caretX(const Strong<TTTAttributedLabel>& label, CFIndex index) {
  CTLineRef line = CTLineCreateWithAttributedString(label->renderedAttributedText());
  return CTLineGetOffsetForStringIndex(line, index, nullptr);
}

TEST(LabelDrawing, BoxesSitBehindTheirRunInACentredLabel) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 80), 20);
  auto text = attributed("aaaa BBBB cccc", 20);
  text->addAttributeValueRange(kTTTBackgroundFillColorAttributeName, rgb(1, 0, 0),
                               NSMakeRange(5, 4));
  text->addAttributeValueRange(kTTTBackgroundFillPaddingAttributeName,
                               NSValueWithUIEdgeInsets(UIEdgeInsetsMake(2, 3, 2, 3)),
                               NSMakeRange(5, 4));
  label->setText(text);
  ASSERT_EQ(label->verticalAlignment(), TTTAttributedLabelVerticalAlignmentCenter);
  Pixels pixels = draw(label);
  Box red = find(pixels, 255, 0, 0);
  ASSERT_FALSE(red.empty());
  Box runInk =
      black(pixels, static_cast<int>(caretX(label, 5)), static_cast<int>(caretX(label, 9)));
  ASSERT_FALSE(runInk.empty());
  // Behind the run's glyphs, vertically and horizontally...
  EXPECT_LE(red.minY, runInk.minY);
  EXPECT_GE(red.maxY, runInk.maxY);
  EXPECT_LE(red.minX, runInk.minX);
  EXPECT_GE(red.maxX, runInk.maxX);
  // ...and only there: the run plus its padding and a point each side.
  CGFloat expectedWidth = caretX(label, 9) - caretX(label, 5) + 3 + 3 + 2;
  EXPECT_NEAR(red.maxX - red.minX + 1, expectedWidth, 2);
  EXPECT_EQ(pixels.count(0, 0, static_cast<int>(caretX(label, 4)) - 4, 80, 255, 0, 0), 0);

  // A line width shrinks the box on every side.
  text->addAttributeValueRange(kTTTBackgroundLineWidthAttributeName, NSNumber::numberWithInt(2),
                               NSMakeRange(5, 4));
  label->setText(text);
  Box thinner = find(draw(label), 255, 0, 0);
  EXPECT_NEAR(thinner.maxX - thinner.minX, red.maxX - red.minX - 4, 1);
  EXPECT_NEAR(thinner.maxY - thinner.minY, red.maxY - red.minY - 4, 1);
}

TEST(LabelDrawing, BoxesAreDrawnForLinesBeyondTheLimitAndForRightToLeftRuns) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 120), 20);
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
  auto text = attributed("shown line\nhidden BOX", 20);
  text->addAttributeValueRange(kTTTBackgroundStrokeColorAttributeName, rgb(0, 0, 1),
                               NSMakeRange(18, 3));
  label->setText(text);
  label->setNumberOfLines(1);
  label->setLineBreakMode(NSLineBreakByWordWrapping);
  Pixels pixels = draw(label);
  Box blue = find(pixels, 0, 0, 255);
  ASSERT_FALSE(blue.empty());
  EXPECT_GT(blue.minY, black(pixels).maxY);  // under the one line drawn

  auto rtl = makeLabel(CGRectMake(0, 0, 300, 60), 20);
  auto mixed = attributed("abc \u05E9\u05DC\u05D5\u05DD def", 20);
  mixed->addAttributeValueRange(kTTTBackgroundFillColorAttributeName, rgb(1, 0, 0),
                                NSMakeRange(4, 4));
  rtl->setText(mixed);
  Pixels rtlPixels = draw(rtl);
  Box red = find(rtlPixels, 255, 0, 0);
  CTLineRef line = CTLineCreateWithAttributedString(rtl->renderedAttributedText());
  // In this left-to-right line the carets at the word's ends belong to the text beside
  // it: its start is its left edge, its end its right edge.
  CGFloat left = CTLineGetOffsetForStringIndex(line, 4, nullptr);
  CGFloat right = CTLineGetOffsetForStringIndex(line, 8, nullptr);
  ASSERT_LT(left, right);
  EXPECT_NEAR(red.minX, left - 1, 1.5);
  EXPECT_NEAR(red.maxX + 1, right + 1, 1.5);

  // In a right-to-left line the second word is the left one.
  auto hebrew = makeLabel(CGRectMake(0, 0, 300, 60), 20);
  auto words = attributed("\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD", 20);
  words->addAttributeValueRange(kTTTBackgroundFillColorAttributeName, rgb(1, 0, 0),
                                NSMakeRange(5, 4));
  hebrew->setText(words);
  Pixels hebrewPixels = draw(hebrew);
  Box leftWord = find(hebrewPixels, 255, 0, 0), ink = black(hebrewPixels);
  ASSERT_FALSE(leftWord.empty());
  EXPECT_NEAR(leftWord.minX, ink.minX, 4);
  EXPECT_LT(leftWord.maxX, ink.maxX - 20);
}

TEST(LabelDrawing, StrikeOutsCrossTheirRunsMiddle) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 60), 20);
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
  auto text = attributed("plain struck", 20);
  text->addAttributeValueRange(kTTTStrikeOutAttributeName, NSNumber::numberWithBool(YES),
                               NSMakeRange(6, 6));
  text->addAttributeValueRange(kCTForegroundColorAttributeName, rgb(0, 0.8, 0), NSMakeRange(6, 6));
  label->setText(text);
  Pixels pixels = draw(label);
  int runStart = static_cast<int>(caretX(label, 6));
  Box green = find(pixels, 0, 204, 0);
  ASSERT_FALSE(green.empty());
  // The strike is the only wide green row; it spans the run and nothing left of it.
  auto [strikeRow, widest] = widestGreenRow(pixels);
  EXPECT_GT(widest, caretX(label, 12) - runStart - 4);
  EXPECT_EQ(pixels.count(0, strikeRow, runStart - 1, strikeRow + 1, 0, 204, 0), 0);
  // At the middle of the run's ascent and descent, as the frame places the line.
  CTFrameRef frame = CTFramesetterCreateFrame(
      label->framesetter(), CFRangeMake(0, 0),
      CGPathCreateWithRect(label->textRectForBoundsLimitedToNumberOfLines(label->bounds(), 1),
                           nullptr),
      nullptr);
  CGPoint origin;
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 1), &origin);
  CGFloat ascent = 0, descent = 0;
  CTLineGetTypographicBounds(CTFrameGetLines(frame)->objectAtIndexAs<CTLine>(0), &ascent, &descent,
                             nullptr);
  CGFloat rectHeight =
      label->textRectForBoundsLimitedToNumberOfLines(label->bounds(), 1).size.height;
  CGFloat expected = rectHeight - std::round(origin.y - descent + (ascent + descent) / 2);
  EXPECT_NEAR(strikeRow, expected, 1.5);

  // A superscript is raised and a subscript lowered, and each strike crosses its own
  // glyphs: higher, then lower than the plain middle (rows count downwards).
  for (int style : {1, -1}) {
    text->addAttributeValueRange(kCTSuperscriptAttributeName, NSNumber::numberWithInt(style),
                                 NSMakeRange(6, 6));
    label->setText(text);
    Pixels shifted = draw(label);
    auto [row, most] = widestGreenRow(shifted);
    EXPECT_GT(most, 40) << style;
    if (style == 1) {
      EXPECT_LT(row, strikeRow);
    } else {
      EXPECT_GT(row, strikeRow);
    }
  }
}

struct Truncation {
  Strong<TTTAttributedLabel> label = makeLabel(CGRectMake(0, 0, 160, 40), 16);
  explicit Truncation(NSLineBreakMode mode,
                      const char* text = "a rather long first paragraph\nmore") {
    label->setNumberOfLines(1);
    label->setLineBreakMode(mode);
    label->setTruncationTokenString(S("\u00BB"));
    label->setTruncationTokenStringAttributes(NSDictionary::dictionaryWithObjectsAndKeys(
        {{kCTFontAttributeName, pinnedFont(16)},
         {kCTForegroundColorAttributeName, rgb(0, 0.8, 0)}}));
    label->setText(S(text));
  }
  Box token() { return find(draw(label), 0, 204, 0); }
};

TEST(LabelDrawing, TheTokenGoesWhereTheModeCutsTheLastLine) {
  auto tokenPixels = [](NSLineBreakMode mode, int x0, int x1) {
    return draw(Truncation(mode).label).count(x0, 0, x1, 40, 0, 204, 0);
  };
  EXPECT_GT(tokenPixels(NSLineBreakByTruncatingTail, 130, 160), 5);
  EXPECT_EQ(tokenPixels(NSLineBreakByTruncatingTail, 0, 130), 0);
  // Once: head and middle cut a line too wide, and carry no second token at its end.
  EXPECT_GT(tokenPixels(NSLineBreakByTruncatingHead, 0, 20), 5);
  EXPECT_EQ(tokenPixels(NSLineBreakByTruncatingHead, 20, 160), 0);
  EXPECT_GT(tokenPixels(NSLineBreakByTruncatingMiddle, 40, 120), 5);
  EXPECT_EQ(tokenPixels(NSLineBreakByTruncatingMiddle, 0, 40), 0);
  EXPECT_EQ(tokenPixels(NSLineBreakByTruncatingMiddle, 120, 160), 0);

  // Several lines truncate their last line at the tail whatever the mode.
  Truncation several(NSLineBreakByTruncatingHead,
                     "one two three four five six seven eight nine ten eleven twelve");
  several.label->setNumberOfLines(2);
  several.label->setText(S("one two three four five six seven eight nine ten eleven twelve"));
  Box last = several.token();
  ASSERT_FALSE(last.empty());
  EXPECT_GT(last.minY, 16);
  EXPECT_GT(last.minX, 100);

  // A last line ending in a newline gets the token in its place, right after the text.
  Truncation newline(NSLineBreakByTruncatingTail, "short\nnext");
  Box after = newline.token();
  ASSERT_FALSE(after.empty());
  EXPECT_NEAR(after.minX, caretX(newline.label, 5), 3);

  // Without a token of its own: "…" in the attributes of the character cut at.
  auto plain = makeLabel(CGRectMake(0, 0, 160, 40), 16);
  plain->setNumberOfLines(1);
  auto text = attributed("a rather long first paragraph\nmore");
  text->addAttributeValueRange(kCTForegroundColorAttributeName, rgb(0, 0, 1), NSMakeRange(10, 20));
  plain->setText(text);
  Box ellipsis = find(draw(plain), 0, 0, 255);
  ASSERT_FALSE(ellipsis.empty());
  EXPECT_GT(ellipsis.maxX, 145);
}

TEST(LabelDrawing, ShadowsFallOutsideTheGlyphsNormalAndHighlighted) {
  auto label = makeLabel(CGRectMake(0, 0, 200, 50), 24);
  label->setText(S("Shadow"));
  label->setShadowColor(UIColor::redColor());
  label->setShadowOffset(CGSizeMake(4, 3));
  label->setHighlightedShadowColor(UIColor::blueColor());
  label->setHighlightedShadowOffset(CGSizeMake(-3, 0));
  Pixels pixels = draw(label);
  Box ink = black(pixels), shadow = find(pixels, 255, 0, 0);
  ASSERT_FALSE(shadow.empty());
  EXPECT_NEAR(shadow.minX - ink.minX, 4, 1);
  EXPECT_NEAR(shadow.maxY - ink.maxY, 3, 1);

  label->setHighlighted(true);
  Pixels lit = draw(label);
  EXPECT_EQ(lit.countAll(255, 0, 0), 0);
  Box blue = find(lit, 0, 0, 255);
  ASSERT_FALSE(blue.empty());
  EXPECT_NEAR(blue.minX - black(lit).minX, -3, 1);
}

TEST(LabelDrawing, HighlightedTextColourIsDrawnFromACachedFramesetter) {
  auto label = makeLabel(CGRectMake(0, 0, 200, 50), 24);
  label->setText(S("Highlight"));
  label->setHighlightedTextColor(UIColor::greenColor());
  EXPECT_GT(draw(label).countAll(0, 0, 0), 20);
  label->setHighlighted(true);
  Pixels lit = draw(label);
  EXPECT_EQ(lit.countAll(0, 0, 0), 0);
  EXPECT_GT(lit.countAll(0, 255, 0), 20);
  CTFramesetterRef cached = label->highlightFramesetter();
  ASSERT_NE(cached, nullptr);
  draw(label);
  EXPECT_EQ(label->highlightFramesetter(), cached);
}

TEST(LabelDrawing, ShrinkingDrawsSmallerAndPutsTheTextBack) {
  auto label = makeLabel(CGRectMake(0, 0, 100, 40), 16);
  label->setText(S("a line much too long for this label"));
  auto original = label->attributedText();
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.5);
  draw(label);
  EXPECT_TRUE(label->attributedText()->isEqual(original));
  auto font = objc_cast<CTFont>(label->renderedAttributedText()->attributeAtIndexEffectiveRange(
      kCTFontAttributeName, 0, nullptr));
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->size(), 8);  // floor(16 × 0.5), the minimum scale winning

  // Only when asked: with shrinking off the fonts stay.
  auto steady = makeLabel(CGRectMake(0, 0, 100, 40), 16);
  steady->setText(S("a line much too long for this label"));
  draw(steady);
  EXPECT_EQ(objc_cast<CTFont>(steady->renderedAttributedText()->attributeAtIndexEffectiveRange(
                                  kCTFontAttributeName, 0, nullptr))
                ->size(),
            16);
}

// The font sizes of the texts a hook on "setAttributedText:" saw, each at its first
// character.
IMP originalSetAttributedText = nullptr;
std::vector<CGFloat> setterSaw;

void recordingSetAttributedText(NSObject* self, SEL cmd, NSAttributedString* text) {
  auto font = text && text->length() > 0 ? objc_cast<CTFont>(text->attributeAtIndexEffectiveRange(
                                               kCTFontAttributeName, 0, nullptr))
                                         : nullptr;
  setterSaw.push_back(font ? font->size() : 0);
  objc_callImp(originalSetAttributedText, self, cmd, text);
}

TEST(LabelDrawing, ShrinkingSetsTheShrunkTextThroughTheSetter) {
  auto label = makeLabel(CGRectMake(0, 0, 100, 40), 16);
  label->setText(S("a line much too long for this label"));
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.5);
  Class cls = TTTAttributedLabel::class_();
  SEL setter = OBJC_SEL("setAttributedText:");
  MSHookMessageEx(cls, setter, objc::imp<&recordingSetAttributedText>(),
                  &originalSetAttributedText);
  setterSaw.clear();
  draw(label);
  method_setImplementation(class_getInstanceMethod(cls, setter), originalSetAttributedText);
  // An override of the setter sees the shrunk text go in; the saved text comes back
  // around it, as the stale layout must stay cached.
  EXPECT_EQ(setterSaw, std::vector<CGFloat>{8});
  EXPECT_EQ(label->attributedText()->string()->stdString(), "a line much too long for this label");
}

TEST(LabelDrawing, ScaledFontsAreFlooredAndNeverGrow) {
  auto text = attributed("ab", 15);
  text->addAttributeValueRange(
      kCTFontAttributeName, CTFontCreateWithName(S("DejaVuSans"), 9, nullptr), NSMakeRange(1, 1));
  auto scaled = TTTAttributedStringWithScaledFonts(text, 0.05);
  auto size = [&](NSUInteger i) {
    return objc_cast<CTFont>(
               scaled->attributeAtIndexEffectiveRange(kCTFontAttributeName, i, nullptr))
        ->size();
  };
  EXPECT_EQ(size(0), 1);  // floor(0.75) would be 0, which means 12 points
  EXPECT_EQ(size(1), 1);
  EXPECT_EQ(objc_cast<CTFont>(
                TTTAttributedStringWithScaledFonts(text, 0.7)->attributeAtIndexEffectiveRange(
                    kCTFontAttributeName, 0, nullptr))
                ->size(),
            10);
}

}  // namespace

// A raised or lowered run: its ink against the plain text's baseline (the bottom of the
// plain "x"), and smaller than the plain digit for the two script styles.
TEST(LabelDrawing, ScriptRunsAreRaisedLoweredAndSmaller) {
  const struct {
    const char* name;
    const Strong<NSString>& key;
    id value;
    int above, below;  // rows the green ink's bottom sits above / below the baseline
    bool smaller;
  } cases[] = {
      {"superscript", kCTSuperscriptAttributeName, NSNumber::numberWithInt(1), 4, 0, true},
      {"subscript", kCTSuperscriptAttributeName, NSNumber::numberWithInt(-1), 0, 2, true},
      {"baseline offset 6", kCTBaselineOffsetAttributeName, NSNumber::numberWithDouble(6), 5, 0,
       false},
  };
  auto plainLabel = makeLabel(CGRectMake(0, 0, 200, 60), 24);
  auto plainText = attributed("x2", 24);
  plainText->addAttributeValueRange(kCTForegroundColorAttributeName, rgb(0, 0.8, 0),
                                    NSMakeRange(1, 1));
  plainLabel->setText(plainText);
  Box plainDigit = find(draw(plainLabel), 0, 204, 0);
  ASSERT_FALSE(plainDigit.empty());
  for (const auto& c : cases) {
    auto label = makeLabel(CGRectMake(0, 0, 200, 60), 24);
    auto text = attributed("x2", 24);
    text->addAttributeValueRange(kCTForegroundColorAttributeName, rgb(0, 0.8, 0),
                                 NSMakeRange(1, 1));
    text->addAttributeValueRange(c.key, c.value, NSMakeRange(1, 1));
    label->setText(text);
    Pixels pixels = draw(label);
    Box x = black(pixels), digit = find(pixels, 0, 204, 0);
    ASSERT_FALSE(x.empty() || digit.empty()) << c.name;
    if (c.above) {
      EXPECT_LE(digit.maxY, x.maxY - c.above) << c.name;
    }
    if (c.below) {
      EXPECT_GE(digit.maxY, x.maxY + c.below) << c.name;
    }
    int height = digit.maxY - digit.minY, plainHeight = plainDigit.maxY - plainDigit.minY;
    if (c.smaller) {
      EXPECT_LT(height, plainHeight * 0.8) << c.name;
    } else {
      EXPECT_NEAR(height, plainHeight, 1) << c.name;
    }
  }
}

// The outline of a box is as wide as its line width; without one, the context's.
TEST(LabelDrawing, ABoxOutlineTakesItsLineWidth) {
  auto outlineWidth = [](float lineWidth) {
    auto label = makeLabel(CGRectMake(0, 0, 200, 60), 20);
    label->setTextInsets(UIEdgeInsetsMake(0, 12, 0, 0));
    label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
    auto text = attributed("boxed", 20);
    text->addAttributeValueRange(kTTTBackgroundStrokeColorAttributeName, rgb(0, 0, 1),
                                 NSMakeRange(0, 5));
    // Padding keeps the sides clear of the glyphs.
    text->addAttributeValueRange(kTTTBackgroundFillPaddingAttributeName,
                                 NSValueWithUIEdgeInsets(UIEdgeInsetsMake(0, 8, 0, 8)),
                                 NSMakeRange(0, 5));
    if (lineWidth > 0)
      text->addAttributeValueRange(kTTTBackgroundLineWidthAttributeName,
                                   NSNumber::numberWithFloat(lineWidth), NSMakeRange(0, 5));
    label->setText(text);
    Pixels pixels = draw(label);
    // Blue coverage summed across the middle row of the glyphs, left of them: the box's
    // left side (its width is capped at the line's, so the right side meets the glyphs).
    Box ink = black(pixels);
    int row = static_cast<int>(ink.centerY());
    double coverage = 0;
    for (int x = 0; x < ink.minX - 1; ++x) {
      const uint8_t* px = pixels.at(x, row);
      coverage += px[2] / 255.0;  // premultiplied: the glyphs, black, add nothing
    }
    return coverage;
  };
  double thin = outlineWidth(0), thick = outlineWidth(3);
  EXPECT_NEAR(thin, 1, 0.5);
  EXPECT_NEAR(thick, 3, 0.5);
}

// Natural alignment follows the paragraph's direction; a right-to-left line meets its
// margin with its text, not with the whitespace that ends it.
TEST(LabelDrawing, RightToLeftParagraphsMeetTheRightMargin) {
  const char* hebrew =
      "\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD \u05EA\u05D5\u05D3\u05D4 "
      "\u05DC\u05DE\u05E2\u05E6\u05D1 \u05D4\u05E1\u05DE\u05DC \u05E9\u05DC\u05D5\u05DD";
  for (NSTextAlignment alignment : {NSTextAlignmentNatural, NSTextAlignmentRight}) {
    auto label = makeLabel(CGRectMake(0, 0, 160, 120), 16);
    label->setNumberOfLines(0);
    label->setTextAlignment(alignment);
    label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
    label->setText(S(hebrew));
    Pixels pixels = draw(label);
    // Every line's ink ends within a little of the right edge.
    int lines = 0;
    for (int y0 = 0; y0 + 19 < 120; y0 += 19) {
      Box ink;
      for (int y = y0; y < y0 + 19; ++y)
        for (int x = 0; x < 160; ++x)
          if (pixels.count(x, y, x + 1, y + 1, 0, 0, 0)) ink.maxX = std::max(ink.maxX, x);
      if (ink.empty()) continue;
      ++lines;
      EXPECT_GE(ink.maxX, 156) << alignment << " line at " << y0;
    }
    EXPECT_GE(lines, 2) << alignment;
  }
  // Left-to-right text with natural alignment stays at the left.
  auto latin = makeLabel(CGRectMake(0, 0, 160, 40), 16);
  latin->setText(S("left"));
  EXPECT_LE(black(draw(latin)).minX, 3);
}
