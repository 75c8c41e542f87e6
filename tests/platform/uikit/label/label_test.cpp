#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "CoreText/CoreText.h"
#include "Foundation/NSNumber.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIGraphics.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"

namespace {

constexpr CGFloat kScale = 2;
constexpr CGFloat kHuge = 1e9;
const char* kLong = "The quick brown fox jumps over the lazy dog and keeps on running far away";

Strong<NSString> str(const char* s) {
  return NSString::stringWithUTF8String(s);
}

CGFloat ceilPixel(CGFloat v) {
  CGFloat s = UIScreen::mainScreen()->scale();
  return std::ceil(v * s - 1e-6) / s;
}

Strong<UILabel> makeLabel(const char* text, CGRect frame = CGRectMake(0, 0, 200, 40)) {
  auto label = std::make_shared<UILabel>(frame);
  label->setText(str(text));
  return label;
}

// Where the ink of a rendering lies, in pixels, and what colour dominates it.
struct Ink {
  int minX = INT_MAX, maxX = -1, minY = INT_MAX, maxY = -1;
  double alpha = 0;  // summed coverage
  double red = 0;    // summed red of covered pixels
  double green = 0;
  int maxAlpha = 0;
  bool empty() const { return maxX < 0; }
  double centerX() const { return (minX + maxX + 1) / 2.0; }
};

// With NIMBRA_LABEL_PNG_DIR set, every rendering checked is also saved there.
void keep(const CGImageRef& image) {
  static int count = 0;
  if (const char* dir = std::getenv("NIMBRA_LABEL_PNG_DIR"))
    CGImageWriteToPNGFile(
        image, std::string(dir) + "/" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name() + "-" +
                   std::to_string(++count) + ".png");
}

Ink inkOf(const CGImageRef& image) {
  Ink ink;
  keep(image);
  const uint8_t* p = image->pixels();
  for (size_t y = 0; y < image->height(); ++y)
    for (size_t x = 0; x < image->width(); ++x) {
      const uint8_t* px = p + (y * image->width() + x) * 4;
      if (px[3] < 40) continue;
      ink.minX = std::min(ink.minX, int(x));
      ink.maxX = std::max(ink.maxX, int(x));
      ink.minY = std::min(ink.minY, int(y));
      ink.maxY = std::max(ink.maxY, int(y));
      ink.alpha += px[3];
      ink.red += px[0];
      ink.green += px[1];
      ink.maxAlpha = std::max<int>(ink.maxAlpha, px[3]);
    }
  return ink;
}

// Draws the label as its layer would (drawRect: through the runtime) into an image
// context of its bounds.
CGImageRef draw(const Strong<UILabel>& label) {
  UIGraphicsBeginImageContextWithOptions(label->bounds().size, false, kScale);
  label->drawRect(label->bounds());
  auto image = UIGraphicsGetImageFromCurrentImageContext();
  UIGraphicsEndImageContext();
  return image ? image->CGImage() : nullptr;
}

CTFramesetterRef framesetterOf(const Strong<UILabel>& label) {
  return CTFramesetterCreateWithAttributedString(label->attributedText());
}

}  // namespace

TEST(UILabel, DefaultsAndOutOfRangeValues) {
  auto label = std::make_shared<UILabel>(CGRectMake(0, 0, 100, 20));
  EXPECT_EQ(label->text(), nullptr);
  EXPECT_EQ(label->attributedText(), nullptr);
  ASSERT_NE(label->font(), nullptr);
  EXPECT_EQ(label->font()->pointSize(), 17);
  EXPECT_TRUE(label->font()->isEqual(UIFont::systemFontOfSize(17).get()));
  EXPECT_TRUE(label->textColor()->isEqual(UIColor::blackColor()));
  EXPECT_EQ(label->textAlignment(), NSTextAlignmentNatural);
  EXPECT_EQ(label->numberOfLines(), 1);
  EXPECT_EQ(label->lineBreakMode(), NSLineBreakByTruncatingTail);
  EXPECT_EQ(label->shadowColor(), nullptr);
  EXPECT_EQ(label->shadowOffset(), CGSizeMake(0, -1));
  EXPECT_FALSE(label->isHighlighted());
  EXPECT_EQ(label->highlightedTextColor(), nullptr);
  EXPECT_TRUE(label->isEnabled());
  EXPECT_FALSE(label->isUserInteractionEnabled());
  EXPECT_FALSE(label->adjustsFontSizeToFitWidth());
  EXPECT_EQ(label->minimumScaleFactor(), 0);
  EXPECT_EQ(label->baselineAdjustment(), UIBaselineAdjustmentAlignBaselines);
  EXPECT_EQ(label->preferredMaxLayoutWidth(), 0);
  EXPECT_EQ(label->intrinsicContentSize(), CGSizeZero);
  EXPECT_EQ(label->sizeThatFits(CGSizeMake(100, 100)), CGSizeZero);

  label->setNumberOfLines(-3);
  EXPECT_EQ(label->numberOfLines(), 0);
  label->setTextAlignment(static_cast<NSTextAlignment>(9));
  EXPECT_EQ(label->textAlignment(), NSTextAlignmentNatural);
  label->setLineBreakMode(static_cast<NSLineBreakMode>(-1));
  EXPECT_EQ(label->lineBreakMode(), NSLineBreakByTruncatingTail);
  label->setFont(UIFont::systemFontOfSize(30));
  label->setFont(nullptr);
  EXPECT_EQ(label->font()->pointSize(), 17);
  label->setTextColor(UIColor::redColor());
  label->setTextColor(nullptr);
  EXPECT_TRUE(label->textColor()->isEqual(UIColor::blackColor()));
  // The colour it already has asks for no redraw.
  label->layer()->displayIfNeeded();
  label->setTextColor(label->textColor());
  EXPECT_FALSE(label->layer()->needsDisplay());

  // Geometry nobody can draw in gives empty results, not a crash.
  label->setText(str("x"));
  EXPECT_EQ(label->textRectForBoundsLimitedToNumberOfLines(CGRectMake(0, 0, NAN, 10), 1).size,
            CGSizeZero);
  EXPECT_TRUE(inkOf(draw(std::make_shared<UILabel>(CGRectMake(0, 0, 0, 10)))).empty());
}

TEST(UILabel, TextAndAttributedTextStayInStep) {
  auto label = makeLabel("Hello");
  label->setFont(UIFont::boldSystemFontOfSize(20));
  label->setTextColor(UIColor::blueColor());
  label->setTextAlignment(NSTextAlignmentRight);
  auto a = label->attributedText();
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->string()->stdString(), "Hello");
  EXPECT_TRUE(a->attributeAtIndexEffectiveRange(NSFontAttributeName, 4, nullptr)
                  ->isEqual(UIFont::boldSystemFontOfSize(20)));
  EXPECT_TRUE(a->attributeAtIndexEffectiveRange(NSForegroundColorAttributeName, 0, nullptr)
                  ->isEqual(UIColor::blueColor()));
  auto style = objc_cast<NSParagraphStyle>(
      a->attributeAtIndexEffectiveRange(NSParagraphStyleAttributeName, 0, nullptr));
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->alignment(), NSTextAlignmentRight);
  EXPECT_EQ(style->lineBreakMode(), NSLineBreakByTruncatingTail);

  // Attributed text replaces the text and hands its first character's style back.
  auto red = UIColor::redColor();
  auto centred = NSMutableParagraphStyle::paragraphStyle();
  centred->setAlignment(NSTextAlignmentCenter);
  centred->setLineBreakMode(NSLineBreakByWordWrapping);
  auto font = UIFont::systemFontOfSize(11);
  auto rich = NSMutableAttributedString::initWithString(str("Rich text"));
  rich->addAttributesRange(
      NSDictionary::dictionaryWithObjectsAndKeys({{NSFontAttributeName, font},
                                                  {NSForegroundColorAttributeName, red},
                                                  {NSParagraphStyleAttributeName, centred}}),
      NSMakeRange(0, 4));
  label->setAttributedText(rich);
  EXPECT_EQ(label->text()->stdString(), "Rich text");
  EXPECT_TRUE(label->font()->isEqual(font.get()));
  EXPECT_TRUE(label->textColor()->isEqual(red));
  EXPECT_EQ(label->textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(label->lineBreakMode(), NSLineBreakByWordWrapping);
  // Kept as a copy, its unstyled tail filled in with the label's font and colour.
  rich->replaceCharactersInRangeWithString(NSMakeRange(0, 4), str("Poor"));
  a = label->attributedText();
  EXPECT_EQ(a->string()->stdString(), "Rich text");
  EXPECT_TRUE(a->attributeAtIndexEffectiveRange(NSFontAttributeName, 6, nullptr)->isEqual(font));
  EXPECT_TRUE(
      a->attributeAtIndexEffectiveRange(NSForegroundColorAttributeName, 6, nullptr)->isEqual(red));

  // A style property applies to the whole attributed text.
  label->setFont(UIFont::systemFontOfSize(25));
  a = label->attributedText();
  for (NSUInteger i : {0u, 6u})
    EXPECT_EQ(objc_cast<UIFont>(a->attributeAtIndexEffectiveRange(NSFontAttributeName, i, nullptr))
                  ->pointSize(),
              25);

  // setText: takes a string; an attributed string gives its characters; anything else or
  // none clears both.
  objc_msgSend(label, OBJC_SEL("setText:"), static_cast<NSObject*>(rich.get()));
  EXPECT_EQ(label->text()->stdString(), "Poor text");
  EXPECT_EQ(label->attributedText()->string()->stdString(), "Poor text");
  auto number = NSNumber::numberWithInt(3);
  objc_msgSend(label, OBJC_SEL("setText:"), static_cast<NSObject*>(number.get()));
  EXPECT_EQ(label->text(), nullptr);
  label->setText(str("again"));
  label->setAttributedText(nullptr);
  EXPECT_EQ(label->text(), nullptr);
  EXPECT_EQ(label->attributedText(), nullptr);
  label->setText(str(""));
  EXPECT_EQ(label->attributedText()->length(), 0u);
  EXPECT_EQ(label->intrinsicContentSize(), CGSizeZero);
}

TEST(UILabel, SizesMatchTheFramesetterRoundedUpToThePixel) {
  // One line: as wide as the text whatever width is offered.
  auto label = makeLabel("Hello, world");
  CGSize exact = CTFramesetterSuggestFrameSizeWithConstraints(
      framesetterOf(label), CFRangeMake(0, 0), nullptr, CGSizeMake(kHuge, kHuge), nullptr);
  CGSize fit = label->sizeThatFits(CGSizeMake(10, 10));
  EXPECT_EQ(fit, CGSizeMake(ceilPixel(exact.width), ceilPixel(exact.height)));
  EXPECT_GE(fit.height, exact.height);
  EXPECT_LT(fit.height, exact.height + 0.5);
  EXPECT_EQ(label->intrinsicContentSize(), fit);
  label->sizeToFit();
  EXPECT_EQ(label->frame().size, fit);

  // Several lines wrap at the offered width.
  label->setText(str(kLong));
  label->setNumberOfLines(0);
  label->setLineBreakMode(NSLineBreakByWordWrapping);
  auto fs = framesetterOf(label);
  exact = CTFramesetterSuggestFrameSizeWithConstraints(fs, CFRangeMake(0, 0), nullptr,
                                                       CGSizeMake(120, kHuge), nullptr);
  fit = label->sizeThatFits(CGSizeMake(120, 10));
  EXPECT_EQ(fit, CGSizeMake(ceilPixel(exact.width), ceilPixel(exact.height)));
  EXPECT_LE(fit.width, 120);
  EXPECT_GT(fit.height, 3 * label->font()->lineHeight());

  // A line limit keeps the height of that many lines.
  auto frame = CTFramesetterCreateFrame(
      fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(0, 0, 120, kHuge), nullptr), nullptr);
  CFRange second = CTLineGetStringRange(CTFrameGetLines(frame)->objectAtIndexAs<CTLine>(1));
  CGSize two = CTFramesetterSuggestFrameSizeWithConstraints(
      fs, CFRangeMake(0, second.location + second.length), nullptr, CGSizeMake(120, kHuge),
      nullptr);
  label->setNumberOfLines(2);
  EXPECT_EQ(label->sizeThatFits(CGSizeMake(120, 0)).height, ceilPixel(two.height));
  // Truncating modes wrap too; only the last line is cut.
  label->setLineBreakMode(NSLineBreakByTruncatingTail);
  EXPECT_EQ(label->sizeThatFits(CGSizeMake(120, 0)).height, ceilPixel(two.height));
  EXPECT_LE(label->sizeThatFits(CGSizeMake(120, 0)).width, 120);

  // The intrinsic size wraps at the preferred width; without one the text is one line.
  label->setNumberOfLines(0);
  CGSize natural = label->intrinsicContentSize();
  EXPECT_EQ(natural.height, ceilPixel(label->font()->lineHeight()));
  label->setPreferredMaxLayoutWidth(120);
  EXPECT_EQ(label->intrinsicContentSize(), label->sizeThatFits(CGSizeMake(120, 0)));
}

TEST(UILabel, TextRectKeepsToTheBoundsAndLines) {
  auto label = makeLabel(kLong);
  CGFloat line = ceilPixel(label->font()->lineHeight());
  CGRect bounds = CGRectMake(5, 7, 80, 200);
  CGRect one = label->textRectForBoundsLimitedToNumberOfLines(bounds, 1);
  EXPECT_EQ(one.origin, CGPointMake(5, 7));
  EXPECT_LE(one.size.width, 80);
  EXPECT_GT(one.size.width, 60);  // the cut line fills most of the width
  EXPECT_EQ(one.size.height, line);
  CGRect three = label->textRectForBoundsLimitedToNumberOfLines(bounds, 3);
  EXPECT_GT(three.size.height, 2.5 * line);
  EXPECT_LT(three.size.height, 3.5 * line);
  // No limit: as many lines as the height holds, and always the first.
  bounds.size.height = 2.5 * line;
  CGRect held = label->textRectForBoundsLimitedToNumberOfLines(bounds, 0);
  EXPECT_GT(held.size.height, 1.5 * line);
  EXPECT_LE(held.size.height, bounds.size.height);
  bounds.size.height = 3;
  EXPECT_EQ(label->textRectForBoundsLimitedToNumberOfLines(bounds, 0).size.height, line);
  EXPECT_EQ(label->textRectForBoundsLimitedToNumberOfLines(bounds, -4).size.height, line);
}

TEST(UILabel, TruncationKeepsTheInkInsideAndFollowsTheMode) {
  // Narrow letters first, wide ones last: which end survives shows in the ink.
  const char* text = "........................ MMMMMMMMMMMMMMMMMMMMMMMM";
  auto tail = makeLabel(text, CGRectMake(0, 0, 100, 30));
  auto head = makeLabel(text, CGRectMake(0, 0, 100, 30));
  head->setLineBreakMode(NSLineBreakByTruncatingHead);
  auto clip = makeLabel("MMMMMMMMMMMMMMMMMMMMMMMM", CGRectMake(0, 0, 100, 30));
  clip->setLineBreakMode(NSLineBreakByClipping);
  Ink t = inkOf(draw(tail)), h = inkOf(draw(head)), c = inkOf(draw(clip));
  for (const Ink* ink : {&t, &h, &c}) {
    ASSERT_FALSE(ink->empty());
    EXPECT_LT(ink->maxX, 200);
  }
  EXPECT_GT(h.alpha, 1.5 * t.alpha);
  // Clipped text runs to the edge; truncated text stops at its token.
  EXPECT_GE(c.maxX, 196);
  EXPECT_LT(t.maxX, 196);

  // A single line hides the text after a line break behind a token.
  auto firstOnly = makeLabel("Hi", CGRectMake(0, 0, 100, 30));
  auto more = makeLabel("Hi\nthere", CGRectMake(0, 0, 100, 30));
  EXPECT_GT(inkOf(draw(more)).maxX, inkOf(draw(firstOnly)).maxX + 10);
  more->setLineBreakMode(NSLineBreakByWordWrapping);
  EXPECT_EQ(inkOf(draw(more)).maxX, inkOf(draw(firstOnly)).maxX);
}

TEST(UILabel, AlignmentAndVerticalCentringMoveTheInk) {
  auto left = makeLabel("Hi", CGRectMake(0, 0, 200, 40));
  auto centre = makeLabel("Hi", CGRectMake(0, 0, 200, 40));
  centre->setTextAlignment(NSTextAlignmentCenter);
  auto right = makeLabel("Hi", CGRectMake(0, 0, 200, 40));
  right->setTextAlignment(NSTextAlignmentRight);
  Ink l = inkOf(draw(left)), c = inkOf(draw(centre)), r = inkOf(draw(right));
  EXPECT_LT(l.minX, 6);
  EXPECT_NEAR(c.centerX(), 200, 4);
  EXPECT_GT(r.maxX, 392);
  EXPECT_EQ(l.maxX - l.minX, r.maxX - r.minX);

  // The line sits in the middle: a taller label moves it down by half the difference.
  auto tall = makeLabel("Hi", CGRectMake(0, 0, 200, 80));
  Ink t = inkOf(tall->renderImage(kScale));  // through the compositor this time
  ASSERT_FALSE(t.empty());
  EXPECT_NEAR(t.minY - l.minY, 40, 1);
  EXPECT_NEAR((l.minY + l.maxY) / 2.0, 40, 12);

  // Lines stack downwards, each a line's height below the last, each in its own place:
  // the second line of "Hi\nHi" is the first moved down, and a right-aligned second
  // line moves right alone.
  auto two = makeLabel("Hi\nHi", CGRectMake(0, 0, 200, 80));
  two->setNumberOfLines(0);
  auto one = makeLabel("Hi", CGRectMake(0, 0, 200, 80));
  Ink a = inkOf(draw(one)), b = inkOf(draw(two));
  CGFloat lineHeight = one->font()->lineHeight() * kScale;
  EXPECT_NEAR(b.maxY - a.maxY, lineHeight / 2, 2);  // centred: half a line lower
  EXPECT_NEAR(a.minY - b.minY, lineHeight / 2, 2);  // and half a line higher
  EXPECT_EQ(b.minX, a.minX);
  EXPECT_EQ(b.maxX, a.maxX);
  EXPECT_NEAR(b.alpha, 2 * a.alpha, a.alpha * 0.02);

  // Alignment set before the text survives the text change.
  auto early = std::make_shared<UILabel>(CGRectMake(0, 0, 200, 40));
  early->setTextAlignment(NSTextAlignmentRight);
  early->setText(str("Hi"));
  EXPECT_EQ(inkOf(draw(early)).maxX, r.maxX);
}

TEST(UILabel, ColoursShadowsHighlightAndDisabledDrawing) {
  auto label = makeLabel("HHHH", CGRectMake(0, 0, 100, 40));
  label->setHighlightedTextColor(UIColor::redColor());
  Ink normal = inkOf(draw(label));
  EXPECT_LT(normal.red, normal.alpha * 0.1);
  label->setHighlighted(true);
  Ink lit = inkOf(draw(label));
  EXPECT_GT(lit.red, lit.alpha * 0.9);
  label->setHighlighted(false);

  // A Core Text colour in attributed text is kept; the text colour then replaces it.
  auto styled = NSMutableAttributedString::initWithString(str("HHHH"));
  styled->addAttributeValueRange(kCTForegroundColorAttributeName, UIColor::redColor()->CGColor(),
                                 NSMakeRange(0, 4));
  auto other = std::make_shared<UILabel>(CGRectMake(0, 0, 100, 40));
  other->setAttributedText(styled);
  EXPECT_EQ(other->attributedText()->attributeAtIndexEffectiveRange(NSForegroundColorAttributeName,
                                                                    0, nullptr),
            nullptr);
  Ink red = inkOf(draw(other));
  EXPECT_GT(red.red, red.alpha * 0.9);
  other->setTextColor(UIColor::blackColor());
  Ink black = inkOf(draw(other));
  EXPECT_LT(black.red, black.alpha * 0.1);

  label->setEnabled(false);
  Ink dim = inkOf(draw(label));
  EXPECT_LT(dim.maxAlpha, 140);
  EXPECT_GT(dim.maxAlpha, 100);
  label->setEnabled(true);

  // A green shadow three points down shows below the black glyphs.
  label->setShadowColor(UIColor::greenColor());
  label->setShadowOffset(CGSizeMake(0, 3));
  Ink shadowed = inkOf(draw(label));
  EXPECT_GE(shadowed.maxY - normal.maxY, 5);
  EXPECT_GT(shadowed.green, 0);
}

TEST(UILabel, ShrinksToFitOnlyWithAScaleFactor) {
  auto label = makeLabel(kLong, CGRectMake(0, 0, 150, 40));
  Ink cut = inkOf(draw(label));
  label->setAdjustsFontSizeToFitWidth(true);
  EXPECT_EQ(inkOf(draw(label)).alpha, cut.alpha);  // factor 0: no shrinking
  label->setMinimumScaleFactor(0.1);
  Ink shrunk = inkOf(draw(label));
  EXPECT_LT(shrunk.maxX, 300);
  EXPECT_LT(shrunk.maxY - shrunk.minY, cut.maxY - cut.minY);
  // The largest size that fits is chosen, not the floor.
  EXPECT_GT(shrunk.maxX, 260);
  // A floor too high to fit stops there and truncates.
  label->setMinimumScaleFactor(0.9);
  Ink floor = inkOf(draw(label));
  EXPECT_LT(floor.maxX, 300);
  EXPECT_GT(floor.maxY - floor.minY, shrunk.maxY - shrunk.minY);
}

// A label that pads its text by overriding the drawing hook and calling the label's own.
class PaddedLabel : public UILabel {
  OBJC_CLASS(PaddedLabel, UILabel)
 public:
  using UILabel::UILabel;
  int draws = 0;
};

namespace {
void paddedDrawTextInRect(NSObject* self, SEL cmd, CGRect rect) {
  ++static_cast<PaddedLabel*>(self)->draws;
  UIViewSendSuper<void>(
      PaddedLabel::super::class_(), self, cmd,
      CGRectMake(rect.origin.x + 50, rect.origin.y, rect.size.width - 50, rect.size.height));
}
CGRect paddedTextRect(NSObject* self, SEL cmd, CGRect bounds, NSInteger lines) {
  CGRect r = UIViewSendSuper<CGRect>(PaddedLabel::super::class_(), self, cmd, bounds, lines);
  r.size.height += 20;  // claims more room: centring then puts the line higher
  return r;
}
CGSize paddedSizeThatFits(NSObject* self, SEL cmd, CGSize size) {
  CGSize s = UIViewSendSuper<CGSize>(PaddedLabel::super::class_(), self, cmd, size);
  return CGSizeMake(s.width + 50, s.height);
}
}  // namespace

OBJC_CLASS_IMPL(PaddedLabel) {
  class_addMethod(cls, OBJC_SEL("drawTextInRect:"), objc::method<&paddedDrawTextInRect>());
  class_addMethod(cls, OBJC_SEL("textRectForBounds:limitedToNumberOfLines:"),
                  objc::method<&paddedTextRect>());
  class_addMethod(cls, OBJC_SEL("sizeThatFits:"), objc::method<&paddedSizeThatFits>());
}

TEST(UILabel, SubclassOverridesReachTheLabelsOwnMethods) {
  auto plain = makeLabel("Hi", CGRectMake(0, 0, 200, 60));
  auto padded = std::make_shared<PaddedLabel>(CGRectMake(0, 0, 200, 60));
  padded->setText(str("Hi"));
  Ink p = inkOf(draw(plain));
  Ink q = inkOf(padded->renderImage(kScale));  // the compositor's drawRect: reaches it
  EXPECT_EQ(padded->draws, 1);
  EXPECT_EQ(q.minX - p.minX, 100);       // 50 points at scale 2
  EXPECT_NEAR(q.minY - p.minY, -20, 1);  // 10 points up

  padded->sizeToFit();
  EXPECT_EQ(padded->frame().size.width, plain->sizeThatFits(CGSizeZero).width + 50);
  // The superclass's hook found by name is the label's.
  EXPECT_TRUE(padded->isKindOfClass(objc_getClass("UILabel")));
  EXPECT_NE(class_getMethodImplementation(objc_getClass("UILabel"), OBJC_SEL("drawTextInRect:")),
            nullptr);
}

namespace {

// Hooks that count their calls and run the label's own implementation.
int hookCalls[8];
IMP hookOriginals[8];
template <int N, class... A>
void countingHook(NSObject* self, SEL cmd, A... a) {
  ++hookCalls[N];
  objc_callImp(hookOriginals[N], self, cmd, a...);
}

}  // namespace

TEST(UILabel, SettersSentByNameAreHookable) {
  // A hook on a setter sees the C++ setter's calls, as hosts' hooks would.
  struct Hooked {
    const char* sel;
    IMP hook;
  };
  const Hooked hooks[] = {
      {"setText:", objc::imp<&countingHook<0, NSObject*>>()},
      {"setShadowColor:", objc::imp<&countingHook<1, UIColor*>>()},
      {"setShadowOffset:", objc::imp<&countingHook<2, CGSize>>()},
      {"setHighlightedTextColor:", objc::imp<&countingHook<3, UIColor*>>()},
      {"setAdjustsFontSizeToFitWidth:", objc::imp<&countingHook<4, BOOL>>()},
      {"setMinimumScaleFactor:", objc::imp<&countingHook<5, CGFloat>>()},
      {"setBaselineAdjustment:", objc::imp<&countingHook<6, NSInteger>>()},
      {"setPreferredMaxLayoutWidth:", objc::imp<&countingHook<7, CGFloat>>()},
  };
  for (int i = 0; i < 8; ++i)
    MSHookMessageEx(UILabel::class_(), sel_registerName(hooks[i].sel), hooks[i].hook,
                    &hookOriginals[i]);
  auto label = makeLabel("one");
  label->setShadowColor(UIColor::redColor());
  label->setShadowOffset(CGSizeMake(2, 3));
  label->setHighlightedTextColor(UIColor::blueColor());
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.5);
  label->setBaselineAdjustment(UIBaselineAdjustmentAlignCenters);
  label->setPreferredMaxLayoutWidth(120);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(hookCalls[i], 1) << hooks[i].sel;
  // The label's own implementations still ran.
  EXPECT_EQ(label->text()->stdString(), "one");
  EXPECT_TRUE(label->shadowColor()->isEqual(UIColor::redColor()));
  EXPECT_EQ(label->shadowOffset().height, 3);
  EXPECT_TRUE(label->highlightedTextColor()->isEqual(UIColor::blueColor()));
  EXPECT_TRUE(label->adjustsFontSizeToFitWidth());
  EXPECT_EQ(label->minimumScaleFactor(), 0.5);
  EXPECT_EQ(label->baselineAdjustment(), UIBaselineAdjustmentAlignCenters);
  EXPECT_EQ(label->preferredMaxLayoutWidth(), 120);
  for (int i = 0; i < 8; ++i)
    MSHookMessageEx(UILabel::class_(), sel_registerName(hooks[i].sel), hookOriginals[i], nullptr);
  label->setText(str("two"));
  EXPECT_EQ(hookCalls[0], 1);
  EXPECT_EQ(label->text()->stdString(), "two");
}

namespace {

// What a caller can see of a label's layout: its pixels and every size it answers.
struct Seen {
  std::vector<uint8_t> pixels;
  CGSize fits, fitsNarrow, intrinsic;
  CGRect textRect;

  bool operator==(const Seen& o) const {
    auto same = [](CGSize a, CGSize b) { return a.width == b.width && a.height == b.height; };
    return pixels == o.pixels && same(fits, o.fits) && same(fitsNarrow, o.fitsNarrow) &&
           same(intrinsic, o.intrinsic) && CGRectEqualToRect(textRect, o.textRect);
  }
};

Seen see(const Strong<UILabel>& label) {
  Seen s;
  CGImageRef image = draw(label);
  s.pixels.assign(image->pixels(), image->pixels() + image->width() * image->height() * 4);
  s.fits = label->sizeThatFits(CGSizeMake(150, kHuge));
  s.fitsNarrow = label->sizeThatFits(CGSizeMake(90, kHuge));
  s.intrinsic = label->intrinsicContentSize();
  s.textRect =
      label->textRectForBoundsLimitedToNumberOfLines(label->bounds(), label->numberOfLines());
  return s;
}

void oneLineShrinking(UILabel* l) {
  l->setNumberOfLines(1);
  l->setAdjustsFontSizeToFitWidth(true);
}

Strong<UILabel> cacheProbeLabel() {
  auto label = makeLabel(kLong, CGRectMake(0, 0, 150, 60));
  label->setNumberOfLines(2);
  label->setHighlightedTextColor(UIColor::redColor());
  label->setPreferredMaxLayoutWidth(120);
  return label;
}

}  // namespace

// Each input changed after the label has drawn and measured: what it shows and answers
// next is what a label set up that way from the start shows and answers.
TEST(UILabel, LayoutCachesFollowEveryInput) {
  using Setter = std::function<void(UILabel*)>;
  struct Change {
    const char* name;
    Setter setUp, change;
  };
  auto none = [](UILabel*) {};
  const Change changes[] = {
      {"text", none, [](UILabel* l) { l->setText(str("Other words, long enough to wrap too")); }},
      {"font", none, [](UILabel* l) { l->setFont(UIFont::systemFontOfSize(11)); }},
      {"text colour", none, [](UILabel* l) { l->setTextColor(UIColor::blueColor()); }},
      {"alignment", none, [](UILabel* l) { l->setTextAlignment(NSTextAlignmentRight); }},
      {"line break mode", none,
       [](UILabel* l) { l->setLineBreakMode(NSLineBreakByTruncatingHead); }},
      {"number of lines", none, [](UILabel* l) { l->setNumberOfLines(1); }},
      {"width", none, [](UILabel* l) { l->setFrame(CGRectMake(0, 0, 190, 60)); }},
      {"preferred width", [](UILabel* l) { l->setNumberOfLines(0); },
       [](UILabel* l) { l->setPreferredMaxLayoutWidth(60); }},
      {"highlight", none, [](UILabel* l) { l->setHighlighted(true); }},
      {"highlight colour", [](UILabel* l) { l->setHighlighted(true); },
       [](UILabel* l) { l->setHighlightedTextColor(UIColor::greenColor()); }},
      {"shrinking on", [](UILabel* l) { l->setMinimumScaleFactor(0.3); },
       [](UILabel* l) { oneLineShrinking(l); }},
      {"scale factor", oneLineShrinking, [](UILabel* l) { l->setMinimumScaleFactor(0.3); }},
      {"baseline", [](UILabel* l) { l->setMinimumScaleFactor(0.3), oneLineShrinking(l); },
       [](UILabel* l) { l->setBaselineAdjustment(UIBaselineAdjustmentNone); }},
      {"highlight while shrunk",
       [](UILabel* l) { l->setMinimumScaleFactor(0.3), oneLineShrinking(l); },
       [](UILabel* l) { l->setHighlighted(true); }},
  };
  for (const Change& c : changes) {
    auto cached = cacheProbeLabel();
    c.setUp(cached.get());
    Seen before = see(cached);
    c.change(cached.get());
    Seen after = see(cached);
    auto fresh = cacheProbeLabel();
    c.setUp(fresh.get());
    c.change(fresh.get());
    EXPECT_FALSE(after == before) << c.name << ": the change shows";
    EXPECT_TRUE(after == see(fresh)) << c.name;
  }
}

TEST(UILabel, RepeatedMeasuresAndDrawsAgree) {
  auto plain = cacheProbeLabel();
  auto shrunkAndLit = cacheProbeLabel();
  shrunkAndLit->setNumberOfLines(1);
  shrunkAndLit->setAdjustsFontSizeToFitWidth(true);
  shrunkAndLit->setMinimumScaleFactor(0.3);
  shrunkAndLit->setHighlighted(true);
  for (const auto& label : {plain, shrunkAndLit}) {
    Seen first = see(label);
    EXPECT_TRUE(see(label) == first);
    EXPECT_TRUE(see(label) == first);
    // Setting a value it already has changes nothing either.
    label->setNumberOfLines(label->numberOfLines());
    EXPECT_TRUE(see(label) == first);
  }
}
