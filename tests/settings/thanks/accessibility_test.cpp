// The label as an accessibility container: which elements it lists for which links, in
// what order, with what labels, values, traits and frames; how long the list is kept;
// defined answers past the end; and the Copy action.
#include <unistd.h>

#include <filesystem>

#include "Foundation/NSDateFormatter.h"
#include "LabelTesting.h"
#include "UIKit/UIAccessibility.h"
#include "UIKit/UIPasteboard.h"
#include "UIKit/UIWindow.h"

using namespace labeltest;

namespace {

Strong<NSTextCheckingResult> urlLink(NSUInteger at, NSUInteger length, const char* url) {
  return NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(at, length),
                                                              NSURL::URLWithString(S(url)));
}

NSInteger count(const Strong<TTTAttributedLabel>& label) {
  return objc_msgSend<NSInteger>(label, OBJC_SEL("accessibilityElementCount"));
}

Strong<UIAccessibilityElement> element(const Strong<TTTAttributedLabel>& label, NSInteger i) {
  return objc_cast<UIAccessibilityElement>(
      objc_msgSend<Strong<NSObject>>(label, OBJC_SEL("accessibilityElementAtIndex:"), i));
}

std::string str(const Strong<NSString>& s) {
  return s ? s->stdString() : "<none>";
}

// label | value | traits of each element.
std::vector<std::string> describe(const Strong<TTTAttributedLabel>& label) {
  std::vector<std::string> out;
  for (NSInteger i = 0; i < count(label); ++i) {
    auto e = element(label, i);
    out.push_back(str(e->accessibilityLabel()) + " | " + str(e->accessibilityValue()) + " | " +
                  UIAccessibilityTraitsDescription(e->accessibilityTraits()));
  }
  return out;
}

Strong<TTTAttributedLabel> labelWithText(const char* text) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 40));
  label->setText(S(text));
  return label;
}

}  // namespace

TEST(LabelAccessibility, TheLabelIsAContainerEndingWithTheWholeLabel) {
  auto label = labelWithText("no links here");
  EXPECT_FALSE(objc_msgSend<BOOL>(label, OBJC_SEL("isAccessibilityElement")));
  EXPECT_EQ(describe(label), std::vector<std::string>{"no links here | <none> | static text"});

  // Two URL links: one whose text is its address (no value), one whose text is not.
  label = labelWithText("see http://a.example/ or here");
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://a.example/")), NSMakeRange(4, 17));
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://b.example/")), NSMakeRange(25, 4));
  EXPECT_EQ(describe(label), (std::vector<std::string>{
                                 "http://a.example/ | <none> | link",
                                 "here | http://b.example/ | link",
                                 "see http://a.example/ or here | <none> | static text",
                             }));
}

TEST(LabelAccessibility, ValuesFollowTheKindOfLink) {
  auto label = labelWithText("Jan 1 at Main Street, call 555");
  auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(0);
  label->addLinkToDateWithRange(date, NSMakeRange(0, 5));
  label->addLinkToAddressWithRange(NSDictionary::dictionary(), NSMakeRange(9, 11));
  label->addLinkToPhoneNumberWithRange(S("+1 555"), NSMakeRange(27, 3));
  auto list = describe(label);
  ASSERT_EQ(list.size(), 4u);
  // The date in the long date and time styles of the current locale.
  std::string longForm = NSDateFormatter::localizedStringFromDateDateStyleTimeStyle(
                             date, NSDateFormatterLongStyle, NSDateFormatterLongStyle)
                             ->stdString();
  EXPECT_NE(longForm.find("2001"), std::string::npos) << longForm;
  EXPECT_NE(longForm.find(':'), std::string::npos) << longForm;  // a time, with seconds
  EXPECT_EQ(list[0], "Jan 1 | " + longForm + " | link");
  EXPECT_EQ(list[1], "Main Street | <none> | link");
  EXPECT_EQ(list[2], "555 | +1 555 | link");
}

TEST(LabelAccessibility, LinksWithoutTextAreLeftOut) {
  // No text at all: only the whole-label element, whatever the links.
  auto label = makeLabel();
  label->setLinks(NSArray::arrayWithObjects({urlLink(0, 3, "http://x/")}));
  EXPECT_EQ(describe(label), std::vector<std::string>{"<none> | <none> | static text"});

  // A link reaching past the end reads what lies inside; one starting past it is left out.
  label = labelWithText("short");
  label->addLinkWithTextCheckingResultAttributes(urlLink(2, 100, "http://a/"), nullptr);
  label->addLinkWithTextCheckingResultAttributes(urlLink(5, 1, "http://b/"), nullptr);
  label->addLinkWithTextCheckingResultAttributes(urlLink(NSUIntegerMax, 2, "http://c/"), nullptr);
  EXPECT_EQ(describe(label),
            (std::vector<std::string>{"ort | http://a/ | link", "short | <none> | static text"}));
}

TEST(LabelAccessibility, FramesAreInTheWindow) {
  auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 200));
  auto label = labelWithText("tap here");
  label->setFrame(CGRectMake(10, 30, 300, 40));
  window->addSubview(label);
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://x/")), NSMakeRange(4, 4));
  std::vector<CGRect> drawn = label->drawnRectsForCharacterRange(NSMakeRange(4, 4));
  ASSERT_EQ(drawn.size(), 1u);
  CGRect link = element(label, 0)->accessibilityFrame();
  EXPECT_TRUE(CGRectEqualToRect(link, CGRectOffset(drawn[0], 10, 30)));
  EXPECT_TRUE(
      CGRectEqualToRect(element(label, 1)->accessibilityFrame(), CGRectMake(10, 30, 300, 40)));
  EXPECT_EQ(element(label, 1)->accessibilityContainer().get(), label.get());
}

// A screen reader activates an element at its centre: that point must hit the link,
// wherever the label places its text, and the element must cover the link's glyphs.
TEST(LabelAccessibility, LinkFramesSitWhereTheLinkIsDrawn) {
  const struct {
    const char* name;
    NSInteger alignment;
    UIEdgeInsets insets;
    NSInteger textAlignment;
  } cases[] = {
      {"top", TTTAttributedLabelVerticalAlignmentTop, {}, TTTTextAlignmentLeft},
      {"centre", TTTAttributedLabelVerticalAlignmentCenter, {}, TTTTextAlignmentLeft},
      {"bottom", TTTAttributedLabelVerticalAlignmentBottom, {}, TTTTextAlignmentLeft},
      {"centre, insets",
       TTTAttributedLabelVerticalAlignmentCenter,
       {7, 13, 3, 2},
       TTTTextAlignmentCenter},
      {"bottom, right",
       TTTAttributedLabelVerticalAlignmentBottom,
       {0, 0, 9, 0},
       TTTTextAlignmentRight},
  };
  const char* text = "thanks to @someone and @another one for the help";
  const NSRange links[] = {NSMakeRange(10, 8), NSMakeRange(23, 8)};
  for (const auto& c : cases) {
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 400));
    auto label = makeLabel(CGRectMake(0, 0, 200, 120));
    label->setNumberOfLines(0);
    label->setVerticalAlignment(c.alignment);
    label->setTextInsets(c.insets);
    label->setTextAlignment(static_cast<NSTextAlignment>(c.textAlignment));
    label->setText(S(text));
    label->setFrame(CGRectMake(20, 250, 200, 120));
    window->addSubview(label);
    for (NSRange r : links) label->addLinkToURLWithRange(NSURL::URLWithString(S("http://x/")), r);
    for (size_t i = 0; i < 2; ++i) {
      CGRect frame = label->convertRectFromView(
          element(label, static_cast<NSInteger>(i))->accessibilityFrame(), window.get());
      CGPoint centre = CGPointMake(CGRectGetMidX(frame), CGRectGetMidY(frame));
      NSInteger hit = label->characterIndexAtPoint(centre);
      EXPECT_GE(hit, static_cast<NSInteger>(links[i].location)) << c.name << " link " << i;
      EXPECT_LT(hit, static_cast<NSInteger>(NSMaxRange(links[i]))) << c.name << " link " << i;
      // Both ends of the link lie inside its frame.
      for (NSUInteger at : {links[i].location, NSMaxRange(links[i]) - 1}) {
        bool inside = false;
        for (CGFloat x = frame.origin.x; x < CGRectGetMaxX(frame); x += 0.5)
          inside |=
              label->characterIndexAtPoint(CGPointMake(x, centre.y)) == static_cast<NSInteger>(at);
        EXPECT_TRUE(inside) << c.name << " link " << i << " index " << at;
      }
    }
  }
}

// A link that wraps: its frame covers both pieces, and activation lands on the link
// although the union's centre lies between the pieces, over other text.
TEST(LabelAccessibility, AWrappedLinkIsActivatedOnTheLink) {
  const char* text = "some plain words first then a linked phrase here and more plain words";
  const NSRange link = NSMakeRange(30, 13);  // "linked phrase"
  for (NSInteger alignment :
       {TTTAttributedLabelVerticalAlignmentTop, TTTAttributedLabelVerticalAlignmentCenter,
        TTTAttributedLabelVerticalAlignmentBottom}) {
    auto window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 400));
    auto label = makeLabel(CGRectMake(0, 0, 150, 160));
    label->setNumberOfLines(0);
    label->setVerticalAlignment(alignment);
    label->setText(S(text));
    label->setFrame(CGRectMake(20, 100, 150, 160));
    window->addSubview(label);
    label->addLinkToURLWithRange(NSURL::URLWithString(S("http://x/")), link);
    std::vector<CGRect> drawn = label->drawnRectsForCharacterRange(link);
    ASSERT_EQ(drawn.size(), 2u) << "the link should wrap";
    auto e = element(label, 0);
    CGRect frame = label->convertRectFromView(e->accessibilityFrame(), window.get());
    for (const CGRect& piece : drawn)
      EXPECT_TRUE(CGRectContainsRect(CGRectInset(frame, -1e-9, -1e-9), piece));
    CGPoint activation = label->convertPointFromView(
        objc_msgSend<CGPoint>(e, OBJC_SEL("accessibilityActivationPoint")), window.get());
    NSInteger hit = label->characterIndexAtPoint(activation);
    EXPECT_GE(hit, static_cast<NSInteger>(link.location)) << "alignment " << alignment;
    EXPECT_LT(hit, static_cast<NSInteger>(NSMaxRange(link))) << "alignment " << alignment;
  }
}

TEST(LabelAccessibility, TheListIsKeptUntilTheLinksChange) {
  auto label = labelWithText("one two");
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://one/")), NSMakeRange(0, 3));
  EXPECT_EQ(count(label), 2);
  auto first = element(label, 0);
  EXPECT_EQ(str(first->accessibilityLabel()), "one");
  EXPECT_EQ(objc_msgSend<NSInteger>(label, OBJC_SEL("indexOfAccessibilityElement:"),
                                    static_cast<NSObject*>(first.get())),
            0);

  // Frame and text changes that keep the links keep the list.
  label->setFrame(CGRectMake(50, 50, 300, 40));
  label->setAttributedText(attributed("other text"));
  EXPECT_EQ(element(label, 0), first);

  // New links: a new list.
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://two/")), NSMakeRange(4, 3));
  EXPECT_NE(element(label, 0), first);
  EXPECT_EQ(count(label), 3);
}

TEST(LabelAccessibility, IndicesOutsideTheListAnswerNone) {
  auto label = labelWithText("text");
  EXPECT_EQ(element(label, 1), nullptr);
  EXPECT_EQ(element(label, -1), nullptr);
  EXPECT_EQ(element(label, NSNotFound), nullptr);
  auto stranger = std::make_shared<NSObject>();
  EXPECT_EQ(objc_msgSend<NSInteger>(label, OBJC_SEL("indexOfAccessibilityElement:"),
                                    static_cast<NSObject*>(stranger.get())),
            NSNotFound);
  EXPECT_EQ(objc_msgSend<NSInteger>(label, OBJC_SEL("indexOfAccessibilityElement:"),
                                    static_cast<NSObject*>(nullptr)),
            NSNotFound);
}

TEST(LabelAccessibility, CopyPutsThePlainTextOnThePasteboard) {
  char tmpl[] = "/tmp/nimbra-label-pasteboard-XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  setenv("XDG_RUNTIME_DIR", tmpl, 1);
  auto label = labelWithText("Special thanks");
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://x/")), NSMakeRange(0, 7));
  objc_msgSend(label, OBJC_SEL("copy:"), static_cast<NSObject*>(nullptr));
  EXPECT_EQ(str(UIPasteboard::generalPasteboard()->string()), "Special thanks");
  std::filesystem::remove_all(tmpl);
  unsetenv("XDG_RUNTIME_DIR");
}
