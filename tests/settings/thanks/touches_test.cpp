// Fingers on the label, delivered by a window: every row of the pressed-link state
// table, what the superview (the base class's next responder) receives, the one report
// per tap, hit-testing over links, the tint swap and the immediate redisplay.
#include <string>
#include <vector>

#include "Foundation/NSSet.h"
#include "LabelTesting.h"
#include "QuartzCore/CATransaction.h"
#include "UIKit/UIColor.h"
#include "UIKit/UIEvent.h"
#include "UIKit/UITouch.h"
#include "UIKit/UIWindow.h"

using namespace labeltest;

namespace {

// The label's superview: records what the label passes on.
class Backdrop : public UIView {
  OBJC_CLASS(Backdrop, UIView)
 public:
  using UIView::UIView;
  std::vector<std::string> got;
};

template <int Phase>
void recordTouch(NSObject* self, SEL, NSSet*, UIEvent*) {
  static const char* const names[] = {"began", "moved", "", "ended", "cancelled"};
  static_cast<Backdrop*>(self)->got.push_back(names[Phase]);
}

class TapRecorder : public NSObject {
  OBJC_CLASS(TapRecorder, NSObject)
 public:
  std::vector<std::string> urls;
  void url(NSObject*, NSURL* u) { urls.push_back(u->absoluteString()->stdString()); }
};

}  // namespace

OBJC_CLASS_IMPL(Backdrop) {
  class_addMethod(cls, OBJC_SEL("touchesBegan:withEvent:"),
                  objc::imp<&recordTouch<UITouchPhaseBegan>>(), "v@:@@");
  class_addMethod(cls, OBJC_SEL("touchesMoved:withEvent:"),
                  objc::imp<&recordTouch<UITouchPhaseMoved>>(), "v@:@@");
  class_addMethod(cls, OBJC_SEL("touchesEnded:withEvent:"),
                  objc::imp<&recordTouch<UITouchPhaseEnded>>(), "v@:@@");
  class_addMethod(cls, OBJC_SEL("touchesCancelled:withEvent:"),
                  objc::imp<&recordTouch<UITouchPhaseCancelled>>(), "v@:@@");
}
OBJC_CLASS_IMPL(TapRecorder) {
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithURL:"),
                  objc::method<&TapRecorder::url>());
}

namespace {

// "tap one or two" in a window, links over "one" and "two".
struct Scene {
  Strong<UIWindow> window = std::make_shared<UIWindow>(CGRectMake(0, 0, 320, 100));
  Strong<Backdrop> backdrop = std::make_shared<Backdrop>(CGRectMake(0, 0, 320, 100));
  Strong<TTTAttributedLabel> label = makeLabel(CGRectMake(10, 20, 300, 40));
  Strong<TapRecorder> delegate = std::make_shared<TapRecorder>();
  Strong<NSTextCheckingResult> one, two;
  Strong<NSAttributedString> resting;

  Scene() {
    window->addSubview(backdrop);
    backdrop->addSubview(label);
    label->setText(S("tap one or two"));
    one = link(4, 3, "http://one/");
    two = link(11, 3, "http://two/");
    label->addLinkWithTextCheckingResult(one);
    label->addLinkWithTextCheckingResult(two);
    label->setDelegate(delegate);
    resting = label->attributedText();
  }
  static Strong<NSTextCheckingResult> link(NSUInteger at, NSUInteger length, const char* url) {
    return NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(at, length),
                                                                NSURL::URLWithString(S(url)));
  }
  // The middle of a range of characters, in the window.
  CGPoint over(NSUInteger at, NSUInteger length) const {
    CGRect r = label->boundingRectForCharacterRange(NSMakeRange(at, length));
    return label->convertPointToView(CGPointMake(CGRectGetMidX(r), CGRectGetMidY(label->bounds())),
                                     window.get());
  }
  CGPoint overOne() const { return over(4, 3); }
  CGPoint overTwo() const { return over(11, 3); }
  CGPoint overPlainText() const { return over(0, 3); }
  bool pressedLooksRed(NSUInteger i) const {
    auto colour = label->attributedText()->attributeAtIndexEffectiveRange(
        kCTForegroundColorAttributeName, i, nullptr);
    return colour && colour->isEqual(UIColor::redColor());
  }
};

}  // namespace

TEST(LabelTouches, ATapOnALinkHighlightsUntilTheFingerLiftsAndReportsOnce) {
  Scene s;
  auto finger = s.window->touchDownAtPoint(s.overOne());
  ASSERT_NE(finger, nullptr);
  EXPECT_EQ(finger->view(), s.label.get());
  EXPECT_EQ(s.label->activeLink(), s.one);
  EXPECT_TRUE(s.pressedLooksRed(4));
  EXPECT_FALSE(s.pressedLooksRed(11));

  s.window->touchMoveToPoint(finger, s.overOne());  // still over the same link
  EXPECT_EQ(s.label->activeLink(), s.one);
  EXPECT_TRUE(s.delegate->urls.empty());

  // Where the finger lifts does not matter once it is still pressing.
  s.window->touchUpAtPoint(finger, CGPointMake(300, 90));
  EXPECT_EQ(s.label->activeLink(), nullptr);
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
  EXPECT_EQ(s.delegate->urls, std::vector<std::string>{"http://one/"});
  EXPECT_TRUE(s.backdrop->got.empty());
}

TEST(LabelTouches, AFingerThatSlidesOffEndsThePressForGood) {
  for (bool ontoOtherLink : {false, true}) {
    Scene s;
    auto finger = s.window->touchDownAtPoint(s.overOne());
    s.window->touchMoveToPoint(finger, ontoOtherLink ? s.overTwo() : s.overPlainText());
    EXPECT_EQ(s.label->activeLink(), nullptr);
    EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
    // Back onto the link: the press does not come back, and the base class hears the rest.
    s.window->touchMoveToPoint(finger, s.overOne());
    EXPECT_EQ(s.label->activeLink(), nullptr);
    s.window->touchUpAtPoint(finger, s.overOne());
    EXPECT_TRUE(s.delegate->urls.empty());
    EXPECT_EQ(s.backdrop->got, (std::vector<std::string>{"moved", "ended"}));
  }
}

TEST(LabelTouches, AFingerOutsideEveryLinkGoesToTheBaseClass) {
  Scene s;
  auto finger = s.window->touchDownAtPoint(s.overPlainText());
  ASSERT_NE(finger, nullptr);
  EXPECT_EQ(s.label->activeLink(), nullptr);
  s.window->touchMoveToPoint(finger, s.overOne());
  EXPECT_EQ(s.label->activeLink(), nullptr);  // only a touch that begins on a link presses
  s.window->touchUpAtPoint(finger, s.overOne());
  auto second = s.window->touchDownAtPoint(s.overPlainText());
  s.window->touchCancel(second);
  EXPECT_EQ(s.backdrop->got,
            (std::vector<std::string>{"began", "moved", "ended", "began", "cancelled"}));
  EXPECT_TRUE(s.delegate->urls.empty());
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
}

TEST(LabelTouches, ACancelledPressClearsTheHighlightAndReportsNothing) {
  Scene s;
  auto finger = s.window->touchDownAtPoint(s.overTwo());
  EXPECT_EQ(s.label->activeLink(), s.two);
  s.window->cancelAllTouches();
  EXPECT_EQ(s.label->activeLink(), nullptr);
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
  EXPECT_TRUE(s.delegate->urls.empty());
  EXPECT_TRUE(s.backdrop->got.empty());
}

TEST(LabelTouches, OfTwoLinksOverTheSameCharactersTheLaterOneIsPressedAndReported) {
  Scene s;
  auto later = Scene::link(4, 3, "http://later/");
  s.label->addLinkWithTextCheckingResult(later);
  auto finger = s.window->touchDownAtPoint(s.overOne());
  EXPECT_EQ(s.label->activeLink(), later);
  s.window->touchUpAtPoint(finger, s.overOne());
  EXPECT_EQ(s.delegate->urls, std::vector<std::string>{"http://later/"});
}

TEST(LabelTouches, EmptyActiveAttributesShowNothingButTheTapIsReported) {
  Scene s;
  s.label->setActiveLinkAttributes(NSDictionary::dictionary());
  auto finger = s.window->touchDownAtPoint(s.overOne());
  EXPECT_EQ(s.label->activeLink(), s.one);
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
  s.window->touchUpAtPoint(finger, s.overOne());
  EXPECT_EQ(s.delegate->urls, std::vector<std::string>{"http://one/"});
}

TEST(LabelTouches, APressIsShownAtOnce) {
  Scene s;
  uint64_t before = CATransaction::commitCount();
  s.window->touchDownAtPoint(s.overOne());
  // Committed within the touch, not at the end of the run-loop turn.
  EXPECT_GT(CATransaction::commitCount(), before);
}

TEST(LabelTouches, HitTestingKeepsTouchesOnLinksUnlessTheLabelCannotTakeThem) {
  Scene s;
  auto base = [&](CGPoint p) {
    return UIViewSendSuper<UIView*>(UILabel::class_(), s.label.get(),
                                    OBJC_SEL("hitTest:withEvent:"), p,
                                    static_cast<UIEvent*>(nullptr));
  };
  CGPoint link = s.label->convertPointFromView(s.overOne(), s.window.get());
  CGPoint plain = s.label->convertPointFromView(s.overPlainText(), s.window.get());

  // A subview over the whole label: the base class would give it the touch.
  auto cover = std::make_shared<UIView>(s.label->bounds());
  s.label->addSubview(cover);
  EXPECT_EQ(s.label->hitTestWithEvent(link, nullptr), s.label.get());
  EXPECT_EQ(s.label->hitTestWithEvent(plain, nullptr), cover.get());
  EXPECT_EQ(base(link), cover.get());
  cover->removeFromSuperview();

  auto check = [&](const char* what) {
    EXPECT_EQ(s.label->hitTestWithEvent(link, nullptr), base(link)) << what;
    EXPECT_NE(s.label->hitTestWithEvent(link, nullptr), s.label.get()) << what;
  };
  s.label->setHidden(true);
  check("hidden");
  s.label->setHidden(false);
  // With a cover the base class answers the cover (or none once the label is too
  // transparent for it), so the label's own answer stands apart.
  s.label->addSubview(cover);
  const struct {
    CGFloat alpha;
    bool label;
  } alphas[] = {{0.009, false}, {0.0099, false}, {0.01, true}, {0.0101, true}, {1.0, true}};
  for (const auto& a : alphas) {
    s.label->setAlpha(a.alpha);
    UIView* expected = a.label ? s.label.get() : base(link);
    EXPECT_NE(expected, cover.get()) << a.alpha;
    EXPECT_EQ(s.label->hitTestWithEvent(link, nullptr), expected) << a.alpha;
  }
  cover->removeFromSuperview();
  s.label->setUserInteractionEnabled(false);
  check("not interactive");
}

TEST(LabelTouches, ADimmedTintShowsTheInactiveAttributesOnEveryLink) {
  Scene s;
  auto at = [&](NSUInteger i, const Strong<NSString>& key) {
    return s.label->attributedText()->attributeAtIndexEffectiveRange(key, i, nullptr);
  };
  s.window->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
  for (NSUInteger i : {4u, 11u}) {
    EXPECT_TRUE(at(i, kCTForegroundColorAttributeName)->isEqual(UIColor::grayColor())) << i;
    EXPECT_TRUE(at(i, kCTUnderlineStyleAttributeName)->isEqual(NSNumber::numberWithBool(NO)));
  }
  EXPECT_FALSE(at(0, kCTForegroundColorAttributeName)->isEqual(UIColor::grayColor()));

  s.window->setTintAdjustmentMode(UIViewTintAdjustmentModeNormal);
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));

  // Without inactive attributes tint changes leave the text alone.
  s.label->setInactiveLinkAttributes(NSDictionary::dictionary());
  s.window->setTintAdjustmentMode(UIViewTintAdjustmentModeDimmed);
  EXPECT_TRUE(s.label->attributedText()->isEqualToAttributedString(s.resting));
}
