// Links under the finger: which link a character or point finds, the pressed-link
// highlight and what undoes it, the delegate method each kind of link reaches, and the
// responder answers.
#include "Foundation/NSDictionary.h"
#include "LabelTesting.h"
#include "UIKit/UIColor.h"

using namespace labeltest;

namespace {

// Every delegate method, recorded; the runtime classes below register subsets of them.
class DelegateRecorder : public NSObject {
 public:
  std::vector<std::string> calls;
  void url(NSObject*, NSURL* u) { calls.push_back("url " + u->absoluteString()->stdString()); }
  void address(NSObject*, NSDictionary* c) {
    calls.push_back("address " + std::to_string(c ? c->count() : 0));
  }
  void phone(NSObject*, NSString* p) { calls.push_back("phone " + p->stdString()); }
  void date(NSObject*, NSDate* d) {
    calls.push_back("date " + std::to_string(d->timeIntervalSinceReferenceDate()));
  }
  void dateZone(NSObject*, NSDate* d, NSTimeZone* z, double duration) {
    calls.push_back("date " + std::to_string(d->timeIntervalSinceReferenceDate()) + " " +
                    z->name()->stdString() + " " + std::to_string(duration));
  }
  void transit(NSObject*, NSDictionary*) { calls.push_back("transit"); }
  void result(NSObject*, NSTextCheckingResult* r) {
    calls.push_back("result " + std::to_string(r->resultType()));
  }
};

#define DELEGATE_CLASS(Name)             \
  class Name : public DelegateRecorder { \
    OBJC_CLASS(Name, NSObject)           \
  };
DELEGATE_CLASS(FullDelegate)
DELEGATE_CLASS(FallbackDelegate)
DELEGATE_CLASS(URLAndFallbackDelegate)
DELEGATE_CLASS(DateAndZoneDelegate)

void addURL(Class cls) {
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithURL:"),
                  objc::method<&DelegateRecorder::url>());
}
void addFallback(Class cls) {
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithTextCheckingResult:"),
                  objc::method<&DelegateRecorder::result>());
}
void addDates(Class cls) {
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithDate:"),
                  objc::method<&DelegateRecorder::date>());
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithDate:timeZone:duration:"),
                  objc::method<&DelegateRecorder::dateZone>());
}

}  // namespace

OBJC_CLASS_IMPL(FullDelegate) {
  addURL(cls);
  addFallback(cls);
  addDates(cls);
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithAddress:"),
                  objc::method<&DelegateRecorder::address>());
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithPhoneNumber:"),
                  objc::method<&DelegateRecorder::phone>());
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithTransitInformation:"),
                  objc::method<&DelegateRecorder::transit>());
}
OBJC_CLASS_IMPL(FallbackDelegate) {
  addFallback(cls);
}
OBJC_CLASS_IMPL(URLAndFallbackDelegate) {
  addURL(cls);
  addFallback(cls);
}
// Answers only the date method with a zone: a date without one has nowhere to go.
OBJC_CLASS_IMPL(DateAndZoneDelegate) {
  class_addMethod(cls, OBJC_SEL("attributedLabel:didSelectLinkWithDate:timeZone:duration:"),
                  objc::method<&DelegateRecorder::dateZone>());
}

namespace {

// One link of each kind over "abcdef", at characters 0 to 5.
std::vector<Strong<NSTextCheckingResult>> oneOfEachKind() {
  auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(100);
  auto components = NSDictionary::dictionaryWithObjectsAndKeys({{S("k"), S("v")}});
  return {
      NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(0, 1),
                                                           NSURL::URLWithString(S("http://a/"))),
      NSTextCheckingResult::addressCheckingResultWithRangeComponents(NSMakeRange(1, 1), components),
      NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(NSMakeRange(2, 1),
                                                                          S("555")),
      NSTextCheckingResult::dateCheckingResultWithRangeDate(NSMakeRange(3, 1), date),
      NSTextCheckingResult::dateCheckingResultWithRangeDateTimeZoneDuration(
          NSMakeRange(4, 1), date, NSTimeZone::timeZoneWithName("Europe/Paris"), 60),
      NSTextCheckingResult::transitInformationCheckingResultWithRangeComponents(NSMakeRange(5, 1),
                                                                                components),
  };
}

template <class Delegate>
std::vector<std::string> tapEachKind() {
  auto label = makeLabel();
  label->setText(S("abcdef"));
  auto delegate = std::make_shared<Delegate>();
  label->setDelegate(delegate);
  for (const auto& link : oneOfEachKind()) label->notifyDelegateOfSelectedLink(link);
  return delegate->calls;
}

Strong<NSTextCheckingResult> urlLink(NSUInteger location, NSUInteger length,
                                     const char* url = "http://x/") {
  return NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(location, length),
                                                              NSURL::URLWithString(S(url)));
}

id colourAt(const Strong<TTTAttributedLabel>& label, NSUInteger i) {
  return label->attributedText()->attributeAtIndexEffectiveRange(kCTForegroundColorAttributeName, i,
                                                                 nullptr);
}

}  // namespace

TEST(LabelLinks, LinkAtCharacterIndexPrefersTheLastAddedAndComparesUnsigned) {
  auto label = makeLabel();
  label->setText(S("overlapping links"));
  auto first = urlLink(0, 11, "http://first/");
  auto second = urlLink(4, 3, "http://second/");
  auto empty = urlLink(12, 0);
  label->addLinkWithTextCheckingResultAttributes(first, nullptr);
  label->addLinkWithTextCheckingResultAttributes(second, nullptr);
  label->addLinkWithTextCheckingResultAttributes(empty, nullptr);

  EXPECT_EQ(label->linkAtCharacterIndex(0), first);
  EXPECT_EQ(label->linkAtCharacterIndex(4), second);
  EXPECT_EQ(label->linkAtCharacterIndex(6), second);
  EXPECT_EQ(label->linkAtCharacterIndex(7), first);
  EXPECT_EQ(label->linkAtCharacterIndex(11), nullptr);  // one past the end
  EXPECT_EQ(label->linkAtCharacterIndex(12), nullptr);  // an empty range holds nothing
  EXPECT_EQ(label->linkAtCharacterIndex(-1), nullptr);
  EXPECT_EQ(label->linkAtCharacterIndex(NSNotFound), nullptr);

  // A range whose end would wrap still holds only what lies past its start.
  auto huge = urlLink(5, NSUIntegerMax);
  label->addLinkWithTextCheckingResultAttributes(huge, nullptr);
  EXPECT_EQ(label->linkAtCharacterIndex(4), second);
  EXPECT_EQ(label->linkAtCharacterIndex(-1), huge);
}

TEST(LabelLinks, LinkAtPointFindsOnlyCharactersUnderThePoint) {
  auto label = makeLabel(CGRectMake(0, 0, 300, 40));
  label->setText(S("tap here please"));
  auto link = urlLink(4, 4);
  label->addLinkWithTextCheckingResult(link);
  CGRect here = label->boundingRectForCharacterRange(NSMakeRange(4, 4));
  CGRect tap = label->boundingRectForCharacterRange(NSMakeRange(0, 3));
  CGPoint mid{CGRectGetMidX(here), CGRectGetMidY(label->bounds())};
  EXPECT_EQ(label->linkAtPoint(mid), link);
  EXPECT_EQ(label->linkAtPoint(CGPointMake(CGRectGetMidX(tap), mid.y)), nullptr);
  EXPECT_EQ(label->linkAtPoint(CGPointMake(299, mid.y)), nullptr);  // past the text
}

TEST(LabelLinks, PressedLinkShowsActiveAttributesAndReleaseRestoresTheText) {
  auto label = makeLabel();
  label->setText(S("one two three"));
  auto one = urlLink(0, 3);
  auto two = urlLink(4, 3);
  label->addLinkWithTextCheckingResult(one);
  label->addLinkWithTextCheckingResult(two);
  Strong<NSAttributedString> resting = label->attributedText();
  EXPECT_EQ(label->inactiveAttributedText(), nullptr);

  label->setActiveLink(one);
  EXPECT_EQ(label->activeLink(), one);
  EXPECT_TRUE(label->inactiveAttributedText()->isEqualToAttributedString(resting));
  EXPECT_TRUE(colourAt(label, 0)->isEqual(UIColor::redColor()));
  EXPECT_TRUE(colourAt(label, 4)->isEqual(UIColor::blueColor()));

  // Another pressed link starts again from the saved text: the first is not left red.
  label->setActiveLink(two);
  EXPECT_TRUE(colourAt(label, 0)->isEqual(UIColor::blueColor()));
  EXPECT_TRUE(colourAt(label, 4)->isEqual(UIColor::redColor()));
  EXPECT_TRUE(label->inactiveAttributedText()->isEqualToAttributedString(resting));

  label->setActiveLink(nullptr);
  EXPECT_EQ(label->activeLink(), nullptr);
  EXPECT_EQ(label->inactiveAttributedText(), nullptr);
  EXPECT_TRUE(label->attributedText()->isEqualToAttributedString(resting));
  EXPECT_EQ(label->links()->count(), 2u);  // highlighting never touches the links
}

TEST(LabelLinks, LinksOutsideTheTextAndEmptyActiveAttributesHighlightNothing) {
  auto label = makeLabel();
  label->setText(S("short"));
  Strong<NSAttributedString> resting = label->attributedText();
  for (auto link : {urlLink(3, 5), urlLink(2, 0), urlLink(9, 1)}) {
    label->setActiveLink(link);
    EXPECT_EQ(label->activeLink(), link);
    EXPECT_TRUE(label->attributedText()->isEqualToAttributedString(resting));
    label->setActiveLink(nullptr);
  }

  // With no active attributes a press shows nothing, and puts back a text saved earlier.
  auto link = urlLink(0, 2);
  label->setActiveLink(link);
  label->setActiveLinkAttributes(NSDictionary::dictionary());
  label->setActiveLink(link);
  EXPECT_EQ(label->activeLink(), link);
  EXPECT_EQ(label->inactiveAttributedText(), nullptr);
  EXPECT_TRUE(label->attributedText()->isEqualToAttributedString(resting));

  // A label without text stays without it.
  auto bare = makeLabel();
  bare->setActiveLink(link);
  EXPECT_EQ(bare->attributedText(), nullptr);
  bare->setActiveLink(nullptr);
  EXPECT_EQ(bare->attributedText(), nullptr);
}

TEST(LabelLinks, SetTextEndsThePressedState) {
  auto label = makeLabel();
  label->setText(S("pressed"));
  label->setActiveLink(urlLink(0, 3));
  label->setText(S("new text"));
  EXPECT_EQ(label->activeLink(), nullptr);
  EXPECT_EQ(label->inactiveAttributedText(), nullptr);
  EXPECT_EQ(label->attributedText()->string()->stdString(), "new text");
}

TEST(LabelLinks, EachKindReachesItsOwnDelegateMethod) {
  EXPECT_EQ(tapEachKind<FullDelegate>(),
            (std::vector<std::string>{"url http://a/", "address 1", "phone 555", "date 100.000000",
                                      "date 100.000000 Europe/Paris 60.000000", "transit"}));
}

TEST(LabelLinks, KindsWithoutTheirMethodFallBackToTheCheckingResult) {
  // Only the fallback: every kind goes there, once.
  EXPECT_EQ(tapEachKind<FallbackDelegate>(),
            (std::vector<std::string>{"result 32", "result 16", "result 2048", "result 8",
                                      "result 8", "result 4096"}));
  // URL and fallback: the URL link reaches only the URL method.
  EXPECT_EQ(tapEachKind<URLAndFallbackDelegate>(),
            (std::vector<std::string>{"url http://a/", "result 16", "result 2048", "result 8",
                                      "result 8", "result 4096"}));
  // A date without a zone never reaches the zone method, and there is no fallback.
  EXPECT_EQ(tapEachKind<DateAndZoneDelegate>(),
            (std::vector<std::string>{"date 100.000000 Europe/Paris 60.000000"}));
  // A delegate that answers nothing, and no delegate at all, hear nothing (and nothing
  // breaks).
  auto label = makeLabel();
  label->setText(S("abcdef"));
  label->setDelegate(std::make_shared<NSObject>());
  for (const auto& link : oneOfEachKind()) label->notifyDelegateOfSelectedLink(link);
  label->setDelegate(nullptr);
  for (const auto& link : oneOfEachKind()) label->notifyDelegateOfSelectedLink(link);
}

TEST(LabelLinks, OnlyCopyIsPermitted) {
  auto label = makeLabel();
  EXPECT_TRUE(objc_msgSend<BOOL>(label, OBJC_SEL("canBecomeFirstResponder")));
  auto can = [&](const char* action) {
    return objc_msgSend<BOOL>(label, OBJC_SEL("canPerformAction:withSender:"),
                              sel_registerName(action), static_cast<NSObject*>(nullptr));
  };
  EXPECT_TRUE(can("copy:"));
  EXPECT_FALSE(can("paste:"));
  EXPECT_FALSE(can("cut:"));
  EXPECT_FALSE(can("select:"));
}
