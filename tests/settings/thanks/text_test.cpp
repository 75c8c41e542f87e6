// Setting text and adding links: plain, attributed and inheriting setters, the
// precondition on the text's type, link runs, the adders and their range handling.
#include "Foundation/NSDate.h"
#include "Foundation/NSTimeZone.h"
#include "LabelTesting.h"
#include "UIKit/NSParagraphStyle.h"
#include "objc/NSException.h"

#include <limits>

using namespace labeltest;

namespace {

id attributeAt(const Strong<NSAttributedString>& s, const Strong<NSString>& key, NSUInteger i) {
  return s->attributeAtIndexEffectiveRange(key, i, nullptr);
}

// Whether `key` has one value over all of `s`.
bool coversAll(const Strong<NSAttributedString>& s, const Strong<NSString>& key, const id& value) {
  NSRange range{};
  id found =
      s->attributeAtIndexLongestEffectiveRangeInRange(key, 0, &range, NSMakeRange(0, s->length()));
  return found && found->isEqual(value) && range.length == s->length();
}

TEST(LabelText, NoneClearsEverything) {
  auto label = makeLabel();
  label->setText(S("something"));
  label->setText(nullptr);
  EXPECT_EQ(label->attributedText(), nullptr);
  EXPECT_EQ(label->text(), nullptr);
  EXPECT_EQ(label->links()->count(), 0u);
  EXPECT_EQ(label->framesetter(), nullptr);
}

TEST(LabelText, PlainStringInheritsTheLabelsFourAttributes) {
  auto label = makeLabel();
  label->setKern(2);
  label->setText(S("plain words here"));
  auto text = label->attributedText();
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(label->text()->stdString(), "plain words here");
  auto inherited = label->inheritedLabelAttributes();
  for (const auto& [key, value] : *inherited) {
    // The paragraph style is a new object each time; compare by value.
    EXPECT_TRUE(coversAll(text, objc_cast<NSString>(key), value)) << key->description();
  }
  EXPECT_EQ(text->attributesAtIndexEffectiveRange(0, nullptr)->count(), 4u);
  EXPECT_EQ(label->links()->count(), 0u);
}

TEST(LabelText, AttributedStringKeepsItsOwnAttributesAndItsLinkRunsBecomeLinks) {
  auto label = makeLabel();
  label->setTextColor(UIColor::greenColor());
  auto text = attributed("see here and there", 20);
  text->addAttributeValueRange(NSLinkAttributeName, S("http://here.example/a"), NSMakeRange(4, 4));
  text->addAttributeValueRange(NSLinkAttributeName, NSURL::URLWithString(S("http://there.example")),
                               NSMakeRange(13, 5));
  label->setText(text);

  auto shown = label->attributedText();
  EXPECT_EQ(objc_cast<CTFont>(attributeAt(shown, kCTFontAttributeName, 0))->size(), 20);
  EXPECT_EQ(attributeAt(shown, kCTForegroundColorAttributeName, 0), nullptr);  // not inherited
  ASSERT_EQ(label->links()->count(), 2u);
  auto first = label->links()->objectAtIndexAs<NSTextCheckingResult>(0);
  auto second = label->links()->objectAtIndexAs<NSTextCheckingResult>(1);
  EXPECT_EQ(first->resultType(), NSTextCheckingTypeLink);
  EXPECT_EQ(first->URL()->absoluteString()->stdString(), "http://here.example/a");
  EXPECT_EQ(first->range(), NSMakeRange(4, 4));
  EXPECT_EQ(second->URL()->absoluteString()->stdString(), "http://there.example");
  // Styled with the link attributes, like any link.
  EXPECT_TRUE(
      attributeAt(shown, kCTForegroundColorAttributeName, 5)->isEqual(UIColor::blueColor()));
  EXPECT_EQ(objc_cast<NSNumber>(attributeAt(shown, kCTUnderlineStyleAttributeName, 14))->intValue(),
            1);
  EXPECT_EQ(label->text()->stdString(), "see here and there");
}

TEST(LabelText, InheritingSetterOverridesTheFourKeysKeepsTheRestAndTakesTheBlocksString) {
  auto label = makeLabel();
  auto text = attributed("styled text", 30);
  text->addAttributeValueRange(kCTForegroundColorAttributeName, UIColor::redColor(),
                               NSMakeRange(0, 6));
  text->addAttributeValueRange(kCTUnderlineStyleAttributeName, NSNumber::numberWithInt(2),
                               NSMakeRange(0, 6));
  text->addAttributeValueRange(S("Custom"), S("kept"), NSMakeRange(7, 4));
  bool called = false;
  label->setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(
      text, [&](const Strong<NSMutableAttributedString>& built) {
        called = true;
        EXPECT_EQ(attributeAt(built, kCTFontAttributeName, 0), label->font());
        EXPECT_TRUE(
            attributeAt(built, kCTForegroundColorAttributeName, 0)->isEqual(UIColor::blackColor()));
        EXPECT_EQ(
            objc_cast<NSNumber>(attributeAt(built, kCTUnderlineStyleAttributeName, 0))->intValue(),
            2);
        EXPECT_TRUE(attributeAt(built, S("Custom"), 8)->isEqual(S("kept")));
        built->addAttributeValueRange(S("FromBlock"), S("yes"), NSMakeRange(0, 1));
        return built;
      });
  EXPECT_TRUE(called);
  EXPECT_NE(attributeAt(label->attributedText(), S("FromBlock"), 0), nullptr);

  // A block may hand back another string altogether.
  label->setTextAfterInheritingLabelAttributesAndConfiguringWithBlock(
      S("ignored"),
      [](const Strong<NSMutableAttributedString>&) { return attributed("replaced"); });
  EXPECT_EQ(label->text()->stdString(), "replaced");
}

TEST(LabelText, AnotherKindOfObjectIsReportedAsABrokenPrecondition) {
  auto label = makeLabel();
  label->setText(S("before"));
  try {
    label->setText(NSNumber::numberWithInt(3));
    ADD_FAILURE() << "no report";
  } catch (const NSException& e) {
    const std::string& reason = e.reason();
    EXPECT_NE(reason.find("Invalid parameter not satisfying: !text || [text "
                          "isKindOfClass:[NSAttributedString class]] || [text "
                          "isKindOfClass:[NSString class]]"),
              std::string::npos)
        << reason;
    EXPECT_NE(reason.find("thanks/TTTAttributedLabel"), std::string::npos) << reason;
    EXPECT_NE(reason.find("1036"), std::string::npos) << reason;
  }
  EXPECT_EQ(label->text()->stdString(), "before");
}

TEST(LabelText, LinkAddersAppendInOrderAndStyleWithTheAttributesGiven) {
  auto label = makeLabel();
  label->setText(S("0123456789abcdef"));
  auto date = NSDate::dateWithTimeIntervalSinceReferenceDate(1000);
  auto zone = NSTimeZone::timeZoneWithName(S("Europe/Paris"));
  auto components =
      NSDictionary::dictionaryWithObjectsAndKeys({{NSTextCheckingCityKey, S("Paris")}});
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://a.example")), NSMakeRange(0, 1));
  label->addLinkToAddressWithRange(components, NSMakeRange(1, 1));
  label->addLinkToPhoneNumberWithRange(S("+33 1 23"), NSMakeRange(2, 1));
  label->addLinkToDateWithRange(date, NSMakeRange(3, 1));
  label->addLinkToDateTimeZoneDurationWithRange(date, zone, 60, NSMakeRange(4, 1));
  label->addLinkToTransitInformationWithRange(components, NSMakeRange(5, 1));
  auto links = label->links();
  ASSERT_EQ(links->count(), 6u);
  const NSTextCheckingType kinds[] = {
      NSTextCheckingTypeLink, NSTextCheckingTypeAddress, NSTextCheckingTypePhoneNumber,
      NSTextCheckingTypeDate, NSTextCheckingTypeDate,    NSTextCheckingTypeTransitInformation};
  for (NSUInteger i = 0; i < 6; ++i) {
    auto link = links->objectAtIndexAs<NSTextCheckingResult>(i);
    EXPECT_EQ(link->resultType(), kinds[i]) << i;
    EXPECT_EQ(link->range(), NSMakeRange(i, 1));
    EXPECT_TRUE(attributeAt(label->attributedText(), kCTForegroundColorAttributeName, i)
                    ->isEqual(UIColor::blueColor()));
  }
  EXPECT_EQ(links->objectAtIndexAs<NSTextCheckingResult>(4)->duration(), 60);
  EXPECT_EQ(links->objectAtIndexAs<NSTextCheckingResult>(4)->timeZone(), zone);

  // Without attributes the link is recorded and the text stays as it is.
  auto before = label->attributedText();
  label->addLinkWithTextCheckingResultAttributes(
      NSTextCheckingResult::phoneNumberCheckingResultWithRangePhoneNumber(NSMakeRange(9, 3),
                                                                          S("123")),
      nullptr);
  EXPECT_EQ(label->attributedText(), before);
  EXPECT_EQ(label->links()->count(), 7u);
}

TEST(LabelText, LinkRangesPastTheEndStyleOnlyTheTextAndEmptyRangesStyleNothing) {
  auto label = makeLabel();
  label->setText(S("short"));
  auto url = NSURL::URLWithString(S("http://x.example"));
  auto past = NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(3, 50), url);
  auto outside = NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(40, 2), url);
  auto huge = NSTextCheckingResult::linkCheckingResultWithRangeURL(
      NSMakeRange(2, std::numeric_limits<NSUInteger>::max()), url);
  auto empty = NSTextCheckingResult::linkCheckingResultWithRangeURL(NSMakeRange(1, 0), url);
  label->addLinksWithTextCheckingResultsAttributes(
      NSArray::arrayWithObjects({past, outside, empty}), label->linkAttributes());
  auto text = label->attributedText();
  EXPECT_EQ(text->string()->stdString(), "short");
  EXPECT_EQ(attributeAt(text, kCTForegroundColorAttributeName, 1)->isEqual(UIColor::blueColor()),
            false);
  EXPECT_TRUE(attributeAt(text, kCTForegroundColorAttributeName, 4)->isEqual(UIColor::blueColor()));
  label->addLinkWithTextCheckingResult(huge);
  EXPECT_TRUE(attributeAt(label->attributedText(), kCTForegroundColorAttributeName, 2)
                  ->isEqual(UIColor::blueColor()));
  // The links themselves are kept as given.
  ASSERT_EQ(label->links()->count(), 4u);
  EXPECT_EQ(label->links()->objectAtIndexAs<NSTextCheckingResult>(1)->range(), NSMakeRange(40, 2));

  // Links on a label without text are recorded; there is nothing to style.
  auto bare = makeLabel();
  bare->addLinkWithTextCheckingResult(past);
  EXPECT_EQ(bare->attributedText(), nullptr);
  EXPECT_EQ(bare->links()->count(), 1u);
}

TEST(LabelText, DetectionTypesMakeTheDetectorAndDoNotScanTheCurrentText) {
  auto label = makeLabel();
  label->setText(S("call 555 1234"));
  label->setDataDetectorTypes(NSTextCheckingTypeLink | NSTextCheckingTypePhoneNumber);
  EXPECT_EQ(label->enabledTextCheckingTypes(),
            NSTextCheckingTypeLink | NSTextCheckingTypePhoneNumber);
  ASSERT_NE(label->dataDetector(), nullptr);
  EXPECT_EQ(label->dataDetector()->checkingTypes(), label->dataDetectorTypes());
  EXPECT_EQ(label->links()->count(), 0u);
  // A mask the detector cannot serve leaves detection off; 0 turns it off.
  label->setEnabledTextCheckingTypes(NSTextCheckingTypeSpelling);
  EXPECT_EQ(label->dataDetector(), nullptr);
  label->setEnabledTextCheckingTypes(NSTextCheckingTypeDate);
  label->setEnabledTextCheckingTypes(0);
  EXPECT_EQ(label->dataDetector(), nullptr);
}

}  // namespace
