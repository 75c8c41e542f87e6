// Layout and measurement: sizes under line limits against the framesetter itself, the
// insets, the text rectangle's vertical placement, hit testing and its not-found
// answers, the framesetter cache.
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "LabelTesting.h"
#include "TTTAttributedLabelInternal.h"
#include "UIKit/NSParagraphStyle.h"

using namespace labeltest;

namespace {

const char* kParagraph =
    "Nimbra makes every badged icon on the home screen glow in a colour of your choice, "
    "and its settings pane thanks the designer of the icon in a row whose handle is a "
    "link; this paragraph is long enough to wrap over several lines of a narrow label.";

CGSize ceilSize(CGSize s) {
  return CGSizeMake(std::ceil(s.width), std::ceil(s.height));
}

// The framesetter's own answer for a string at a width, to compare the label against.
CGSize suggested(const Strong<NSAttributedString>& s, CFRange range, CGSize constraints) {
  return ceilSize(CTFramesetterSuggestFrameSizeWithConstraints(
      CTFramesetterCreateWithAttributedString(s), range, nullptr, constraints, nullptr));
}

CTFrameRef frameAt(const Strong<NSAttributedString>& s, CGFloat width) {
  return CTFramesetterCreateFrame(
      CTFramesetterCreateWithAttributedString(s), CFRangeMake(0, 0),
      CGPathCreateWithRect(CGRectMake(0, 0, width, TTTUnboundedDimension), nullptr), nullptr);
}

TEST(LabelLayout, MeasuresUnderLineLimitsAsTheFramesetterLaysOut) {
  using L = TTTAttributedLabel;
  EXPECT_EQ(L::sizeThatFitsAttributedStringWithConstraintsLimitedToNumberOfLines(
                nullptr, CGSizeMake(100, 100), 0),
            CGSizeZero);
  auto text = attributed(kParagraph);
  CGFloat width = 200;
  CTFrameRef frame = frameAt(text, width);
  NSUInteger lines = CTFrameGetLines(frame)->count();
  ASSERT_GE(lines, 4u);
  auto measure = [&](NSUInteger limit) {
    return L::sizeThatFitsAttributedStringWithConstraintsLimitedToNumberOfLines(
        text, CGSizeMake(width, 10), limit);
  };
  CGSize all = suggested(text, CFRangeMake(0, 0), CGSizeMake(width, TTTUnboundedDimension));
  EXPECT_EQ(measure(0), all);
  EXPECT_EQ(measure(lines + 3), all);
  // A limit no signed count can hold limits nothing.
  EXPECT_EQ(measure(std::numeric_limits<NSUInteger>::max()), all);
  EXPECT_LE(all.width, width);

  // One line is measured at its natural width, wider than the constraint.
  CGSize one = measure(1);
  EXPECT_GT(one.width, width);
  EXPECT_EQ(one, suggested(text, CFRangeMake(0, 0),
                           CGSizeMake(TTTUnboundedDimension, TTTUnboundedDimension)));

  // Two lines: as tall as the frame's first two lines.
  std::vector<CGPoint> origins(lines);
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
  CGFloat descent = 0;
  CTLineGetTypographicBounds(CTFrameGetLines(frame)->objectAtIndexAs<CTLine>(1), nullptr, &descent,
                             nullptr);
  CGSize two = measure(2);
  EXPECT_NEAR(two.height, TTTUnboundedDimension - origins[1].y + descent, 1.0);
  EXPECT_LT(two.height, all.height);
  for (CGSize s : {all, one, two}) {
    EXPECT_EQ(s.width, std::floor(s.width));
    EXPECT_EQ(s.height, std::floor(s.height));
  }
}

TEST(LabelLayout, SizeThatFitsAddsTheInsetsToAMeasureAtTheGivenWidth) {
  auto label = makeLabel(CGRectMake(0, 0, 200, 50));
  EXPECT_EQ(label->sizeThatFits(CGSizeMake(200, 50)), CGSizeZero);  // no text: the base's
  label->setNumberOfLines(0);
  label->setText(S(kParagraph));
  label->setTextInsets(UIEdgeInsetsMake(5, 10, 7, 20));
  CGSize fit = label->sizeThatFits(CGSizeMake(200, 50));
  CGSize bare =
      TTTAttributedLabel::sizeThatFitsAttributedStringWithConstraintsLimitedToNumberOfLines(
          label->attributedText(), CGSizeMake(200, 50), 0);
  EXPECT_EQ(fit, CGSizeMake(bare.width + 30, bare.height + 12));
  label->setNumberOfLines(1);
  EXPECT_GT(label->intrinsicContentSize().width, 200);
}

TEST(LabelLayout, TextRectangleFollowsInsetsAndVerticalAlignment) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 100));
  label->setTextInsets(UIEdgeInsetsMake(10, 5, 20, 5));
  CGRect bounds = label->bounds();
  // Without text the base label places its (empty) text in the inset bounds.
  EXPECT_EQ(label->textRectForBoundsLimitedToNumberOfLines(bounds, 1).origin, CGPointMake(5, 10));

  label->setText(S("one line"));
  CGFloat h = suggested(label->attributedText(), CFRangeMake(0, 0), CGSizeMake(290, 70)).height;
  ASSERT_LT(h, 70);
  struct Case {
    NSInteger alignment;
    CGFloat y;
  };
  for (auto c : {Case{TTTAttributedLabelVerticalAlignmentCenter, 10 + std::floor((70 - h) / 2)},
                 Case{TTTAttributedLabelVerticalAlignmentTop, 10},
                 Case{TTTAttributedLabelVerticalAlignmentBottom, 10 + 70 - h}, Case{7, 10}}) {
    label->setVerticalAlignment(c.alignment);
    CGRect r = label->textRectForBoundsLimitedToNumberOfLines(bounds, 1);
    EXPECT_EQ(r, CGRectMake(5, c.y, 290, 70)) << c.alignment;
  }

  // A label lower than two lines of its font still gets a rectangle that tall, centred on
  // the label's own height.
  auto low = makeLabel(CGRectMake(0, 0, 300, 10));
  low->setText(S("low"));
  CGFloat lowH = suggested(low->attributedText(), CFRangeMake(0, 0), CGSizeMake(300, 32)).height;
  CGRect r = low->textRectForBoundsLimitedToNumberOfLines(low->bounds(), 1);
  EXPECT_EQ(r.size.height, 32);
  EXPECT_EQ(r.origin.y, std::floor((10 - lowH) / 2));
  EXPECT_LT(r.origin.y, 0);
}

struct HitLabel {
  Strong<TTTAttributedLabel> label = makeLabel(CGRectMake(0, 0, 200, 100));
  CTFrameRef frame;
  std::vector<CGPoint> origins;
  explicit HitLabel(const char* text, NSTextAlignment alignment = NSTextAlignmentLeft,
                    CGFloat spacing = 0) {
    label->setNumberOfLines(0);
    label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
    label->setTextAlignment(alignment);
    label->setLineSpacing(spacing);
    label->setText(S(text));
    frame = CTFramesetterCreateFrame(label->framesetter(), CFRangeMake(0, 0),
                                     CGPathCreateWithRect(label->bounds(), nullptr), nullptr);
    origins.resize(CTFrameGetLines(frame)->count());
    CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), origins.data());
  }
  CTLineRef line(size_t i) const { return CTFrameGetLines(frame)->objectAtIndexAs<CTLine>(i); }
  // The label's y of line i's baseline.
  CGFloat baseline(size_t i) const { return 100 - origins[i].y; }
};

TEST(LabelLayout, CharacterUnderAPointMatchesTheLinesOwnHitTesting) {
  HitLabel hit("hello world\nsecond line");
  ASSERT_EQ(hit.origins.size(), 2u);
  CGFloat y0 = hit.baseline(0) - 4;
  for (CFIndex i : {0, 3, 7}) {
    CGFloat x = CTLineGetOffsetForStringIndex(hit.line(0), i, nullptr) + 0.5;
    EXPECT_EQ(hit.label->characterIndexAtPoint(CGPointMake(x, y0)), i);
  }
  CGFloat x1 = CTLineGetOffsetForStringIndex(hit.line(1), 12 + 2, nullptr) + 0.5;
  EXPECT_EQ(hit.label->characterIndexAtPoint(CGPointMake(x1, hit.baseline(1) - 4)), 14);

  // Only as many lines as the label shows.
  hit.label->setNumberOfLines(1);
  EXPECT_EQ(hit.label->characterIndexAtPoint(CGPointMake(x1, hit.baseline(1) - 4)), NSNotFound);
}

TEST(LabelLayout, PointsBesideTheTextAreNotFound) {
  HitLabel hit("hello world\nsecond line", NSTextAlignmentLeft, 24);
  auto* label = hit.label.get();
  CGFloat y0 = hit.baseline(0) - 4;
  // The maximum edges of the bounds are outside them.
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(200, y0)), NSNotFound);
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(2, 100)), NSNotFound);
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(-1, y0)), NSNotFound);
  // Right of the line's end.
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(190, y0)), NSNotFound);
  // In the gap between the two lines.
  CGFloat descent = 0, ascent = 0;
  CTLineGetTypographicBounds(hit.line(0), nullptr, &descent, nullptr);
  CTLineGetTypographicBounds(hit.line(1), &ascent, nullptr, nullptr);
  CGFloat gapTop = hit.baseline(0) + descent + 1, gapBottom = hit.baseline(1) - ascent - 1;
  ASSERT_LT(gapTop, gapBottom);
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(5, (gapTop + gapBottom) / 2)), NSNotFound);
  // Below the last line.
  EXPECT_EQ(label->characterIndexAtPoint(CGPointMake(5, 99)), NSNotFound);

  // A label lower than its text rectangle: the text below its bounds is not hit.
  auto low = makeLabel(CGRectMake(0, 0, 200, 10));
  low->setText(S("low text"));
  CGRect r = low->textRectForBoundsLimitedToNumberOfLines(low->bounds(), 1);
  ASSERT_GT(CGRectGetMaxY(r), 14);
  EXPECT_NE(low->characterIndexAtPoint(CGPointMake(3, 9)), NSNotFound);
  EXPECT_EQ(low->characterIndexAtPoint(CGPointMake(3, 12)), NSNotFound);

  // A right-aligned line: nothing left of where it starts, its characters on it.
  HitLabel right("short", NSTextAlignmentRight);
  CGFloat pen = CTLineGetPenOffsetForFlush(right.line(0), 1.0, 200);
  ASSERT_GT(pen, 100);
  CGFloat y = right.baseline(0) - 4;
  EXPECT_EQ(right.label->characterIndexAtPoint(CGPointMake(pen - 3, y)), NSNotFound);
  EXPECT_EQ(right.label->characterIndexAtPoint(CGPointMake(pen + 0.5, y)), 0);
}

TEST(LabelLayout, FramesetterIsRebuiltOnlyWhenStaleAndDropsTheHighlightOne) {
  auto label = makeLabel();
  label->setText(S("cached"));
  CTFramesetterRef first = label->framesetter();
  ASSERT_NE(first, nullptr);
  CTFramesetterRef highlight = CTFramesetterCreateWithAttributedString(label->attributedText());
  label->setHighlightFramesetter(highlight);
  label->sizeThatFits(CGSizeMake(100, 100));
  EXPECT_EQ(label->framesetter(), first);
  EXPECT_EQ(label->highlightFramesetter(), highlight);
  label->setTextColor(UIColor::redColor());
  EXPECT_NE(label->framesetter(), first);
  EXPECT_EQ(label->highlightFramesetter(), nullptr);
}

TEST(LabelLayout, CharacterRangesHaveRectanglesInTheLabelsBounds) {
  auto label = makeLabel(CGRectMake(0, 0, 120, 200));
  label->setNumberOfLines(0);
  label->setText(S("first words\nthen more"));
  CGRect first = label->boundingRectForCharacterRange(NSMakeRange(0, 5));
  CGRect later = label->boundingRectForCharacterRange(NSMakeRange(6, 5));
  CGRect below = label->boundingRectForCharacterRange(NSMakeRange(12, 4));
  EXPECT_GT(first.size.width, 0);
  EXPECT_GT(later.origin.x, CGRectGetMaxX(first) - 1);
  EXPECT_GE(below.origin.y, CGRectGetMaxY(first) - 1);
  EXPECT_LE(CGRectGetMaxX(later), 120);
  auto none = makeLabel();
  EXPECT_EQ(none->boundingRectForCharacterRange(NSMakeRange(0, 3)), CGRectZero);
}

// A hook on the text rectangle moves the text without any of the label's own inputs
// changing: the kept hit-test layout must not answer for the old place.
IMP originalTextRect = nullptr;
constexpr CGFloat kLowered = 20;

CGRect loweredTextRect(NSObject* self, SEL cmd, CGRect bounds, NSInteger lines) {
  return CGRectOffset(objc_callImp<CGRect>(originalTextRect, self, cmd, bounds, lines), 0,
                      kLowered);
}

TEST(LabelLayout, AHookedTextRectangleGivesFreshAnswers) {
  auto make = [] {
    auto label = makeLabel(CGRectMake(0, 0, 180, 60));
    label->setNumberOfLines(0);
    label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
    label->setText(attributed("short one\nand two"));
    return label;
  };
  auto answers = [](const Strong<TTTAttributedLabel>& label) {
    std::vector<NSInteger> out;
    for (CGFloat y = 0.5; y < 60; y += 3)
      for (CGFloat x = 0.5; x < 180; x += 4) out.push_back(label->characterIndexAtPoint({x, y}));
    return out;
  };
  auto label = make();
  std::vector<NSInteger> before = answers(label);
  SEL textRect = OBJC_SEL("textRectForBounds:limitedToNumberOfLines:");
  MSHookMessageEx(TTTAttributedLabel::class_(), textRect, objc::imp<&loweredTextRect>(),
                  &originalTextRect);
  std::vector<NSInteger> after = answers(label), fresh = answers(make());
  MSHookMessageEx(TTTAttributedLabel::class_(), textRect, originalTextRect, nullptr);
  EXPECT_EQ(after, fresh);
  EXPECT_NE(after, before) << "the hook moves nothing: the case proves nothing";
  EXPECT_EQ(answers(label), before);
}

}  // namespace

// The character under a point is worked out from a layout kept between hit tests. Each
// input it depends on, changed alone, must give the answers of a label made afresh in the
// new state, not those of the kept layout.
TEST(LabelLayout, AChangedInputOfTheHitTestGivesFreshAnswers) {
  struct State {
    CGRect frame = CGRectMake(0, 0, 180, 60);
    UIEdgeInsets insets{};
    NSInteger verticalAlignment = TTTAttributedLabelVerticalAlignmentCenter;
    CGFloat fontSize = 16;
    NSTextAlignment alignment = NSTextAlignmentLeft;
    NSInteger lines = 0;
    const char* text = "short one\nand two";
  };
  auto apply = [](const Strong<TTTAttributedLabel>& label, const State& s) {
    label->setFrame(s.frame);
    label->setTextInsets(s.insets);
    label->setVerticalAlignment(s.verticalAlignment);
    label->setFont(pinnedFont(s.fontSize));
    label->setTextAlignment(s.alignment);
    label->setNumberOfLines(s.lines);
    label->setText(attributed(s.text));
  };
  auto answers = [](const Strong<TTTAttributedLabel>& label) {
    std::vector<NSInteger> out;
    for (CGFloat y = 0.5; y < 60; y += 3)
      for (CGFloat x = 0.5; x < 180; x += 4) out.push_back(label->characterIndexAtPoint({x, y}));
    return out;
  };
  auto same = [](State&) {};
  const struct {
    const char* input;
    std::function<void(State&)> start, change;
  } inputs[] = {
      {"bounds", same, [](State& s) { s.frame.size.height = 50; }},
      {"insets", same, [](State& s) { s.insets = UIEdgeInsetsMake(0, 30, 0, 0); }},
      {"vertical alignment", same,
       [](State& s) { s.verticalAlignment = TTTAttributedLabelVerticalAlignmentBottom; }},
      // The label's font size sets the least height of the text rectangle: in a label
      // too short for both lines, a larger one lets the second line in.
      {"font size", [](State& s) { s.frame.size.height = 30; }, [](State& s) { s.fontSize = 24; }},
      {"text alignment", same, [](State& s) { s.alignment = NSTextAlignmentRight; }},
      {"number of lines", same, [](State& s) { s.lines = 1; }},
      {"text", same, [](State& s) { s.text = "other words\nhere"; }},
  };
  for (const auto& in : inputs) {
    State state;
    in.start(state);
    auto label = TTTAttributedLabel::initWithFrame(state.frame);
    apply(label, state);
    std::vector<NSInteger> before = answers(label);
    in.change(state);
    apply(label, state);
    auto fresh = TTTAttributedLabel::initWithFrame(state.frame);
    apply(fresh, state);
    std::vector<NSInteger> after = answers(label);
    EXPECT_EQ(after, answers(fresh)) << in.input;
    EXPECT_NE(after, before) << in.input << " changes nothing here: the case proves nothing";
  }
}

// Natural alignment flushes each line by its paragraph's first strong character, whatever
// ends the paragraph before it, on every line a paragraph wraps to, and from the first
// line of a frame that starts inside a paragraph.
TEST(LabelLayout, NaturalFlushFollowsEachLinesParagraph) {
  const char* hebrew = "\u05E9\u05DC\u05D5\u05DD \u05E2\u05D5\u05DC\u05DD";
  std::string text = std::string("left\n") + hebrew + "\r\n...right\u2029" + hebrew + "\u0085 \"" +
                     hebrew + "\"\nend";
  auto s = attributed(text.c_str());
  auto flushes = [&](CTFrameRef frame) {
    return TTTLineFlushFactors(CTFrameGetLines(frame), TTTTextAlignmentNatural, s);
  };
  EXPECT_EQ(flushes(frameAt(s, 1000)), (std::vector<CGFloat>{0, 1, 0, 1, 1, 0}));
  // Narrow enough that the right-to-left paragraphs wrap: every line of them is flushed.
  CTFrameRef narrow = frameAt(s, 40);
  std::vector<CGFloat> wrapped = flushes(narrow);
  ASSERT_GT(wrapped.size(), 6u);
  // The paragraphs' first characters and directions, as the text above is built.
  const size_t starts[] = {0, 5, 16, 25, 35, 48};
  const CGFloat directions[] = {0, 1, 0, 1, 1, 0};
  for (size_t i = 0; i < wrapped.size(); ++i) {
    auto line = CTFrameGetLines(narrow)->objectAtIndexAs<CTLine>(i);
    auto at = static_cast<size_t>(CTLineGetStringRange(line).location);
    size_t paragraph = 0;
    while (paragraph + 1 < std::size(starts) && starts[paragraph + 1] <= at) ++paragraph;
    EXPECT_EQ(wrapped[i], directions[paragraph]) << "line " << i << " at " << at;
  }
  // A frame that starts in the middle of the second paragraph.
  CTFrameRef tail = CTFramesetterCreateFrame(
      CTFramesetterCreateWithAttributedString(s), CFRangeMake(8, 0),
      CGPathCreateWithRect(CGRectMake(0, 0, 1000, TTTUnboundedDimension), nullptr), nullptr);
  EXPECT_EQ(flushes(tail), (std::vector<CGFloat>{1, 0, 1, 1, 0}));
  // Other alignments are the same for every line.
  EXPECT_EQ(TTTLineFlushFactors(CTFrameGetLines(narrow), TTTTextAlignmentRight, s),
            std::vector<CGFloat>(wrapped.size(), 1.0));
}
