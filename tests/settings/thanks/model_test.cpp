// The label's model: defaults, the inherited attributes, the rendered text with
// colour-from-context runs, what invalidates the caches and what does not, and the
// class-load step.
#include "LabelTesting.h"
#include "Preferences/PSAllocation.h"
#include "UIKit/NSParagraphStyle.h"

using namespace labeltest;

namespace {

Strong<NSParagraphStyle> styleOf(const Strong<NSDictionary>& attributes) {
  return objc_cast<NSParagraphStyle>(attributes->objectForKey(kCTParagraphStyleAttributeName));
}

TEST(LabelModel, DefaultsAfterCreationByNameAndInCode) {
  // The thanks cell finds the class by name and sends the initialiser.
  auto byName = objc_cast<TTTAttributedLabel>(PSAllocInstance(objc_getClass("TTTAttributedLabel")));
  ASSERT_NE(byName, nullptr);
  id made = objc_msgSend<id>(byName, OBJC_SEL("initWithFrame:"), CGRectMake(1, 2, 30, 40));
  EXPECT_EQ(made, byName);
  EXPECT_EQ(byName->frame(), CGRectMake(1, 2, 30, 40));

  for (const auto& label : {byName, TTTAttributedLabel::initWithFrame(CGRectMake(0, 0, 10, 10))}) {
    EXPECT_TRUE(label->isUserInteractionEnabled());
    ASSERT_NE(label->links(), nullptr);
    EXPECT_EQ(label->links()->count(), 0u);
    EXPECT_EQ(label->attributedText(), nullptr);
    EXPECT_EQ(label->text(), nullptr);
    EXPECT_EQ(label->framesetter(), nullptr);
    EXPECT_EQ(label->renderedAttributedText(), nullptr);
    EXPECT_EQ(label->dataDetector(), nullptr);
    EXPECT_EQ(label->enabledTextCheckingTypes(), 0u);
    EXPECT_EQ(label->lineHeightMultiple(), 1.0);
    EXPECT_EQ(label->textInsets(), UIEdgeInsetsZero);
    EXPECT_EQ(label->verticalAlignment(), TTTAttributedLabelVerticalAlignmentCenter);
    EXPECT_EQ(label->truncationTokenString(), nullptr);
    EXPECT_TRUE(label->textColor()->isEqual(UIColor::blackColor()));

    struct Expected {
      Strong<NSDictionary> attributes;
      long underline;
      Strong<UIColor> color;
    };
    Strong<NSParagraphStyle> shared;
    for (const auto& e : {Expected{label->linkAttributes(), 1, UIColor::blueColor()},
                          Expected{label->activeLinkAttributes(), 0, UIColor::redColor()},
                          Expected{label->inactiveLinkAttributes(), 0, UIColor::grayColor()}}) {
      ASSERT_EQ(e.attributes->count(), 3u);
      EXPECT_EQ(e.attributes->objectForKeyAs<NSNumber>(kCTUnderlineStyleAttributeName)->intValue(),
                e.underline);
      EXPECT_TRUE(e.attributes->objectForKey(kCTForegroundColorAttributeName)->isEqual(e.color));
      auto style = styleOf(e.attributes);
      ASSERT_NE(style, nullptr);
      EXPECT_EQ(style->lineBreakMode(), NSLineBreakByWordWrapping);
      if (shared) {
        EXPECT_EQ(style, shared);  // one style object for all three
      }
      shared = style;
    }
  }
}

TEST(LabelModel, InheritedAttributesFollowTheLabelWithOneLineAndWithSeveral) {
  auto label = makeLabel();
  auto font = label->font();
  label->setTextAlignment(NSTextAlignmentRight);
  label->setLineBreakMode(NSLineBreakByTruncatingMiddle);
  label->setKern(1.5);
  label->setFirstLineIndent(7);
  label->setLineSpacing(3);
  label->setLineHeightMultiple(1.25);
  label->setTextColor(UIColor::greenColor());

  label->setNumberOfLines(1);
  auto one = label->inheritedLabelAttributes();
  EXPECT_EQ(one->count(), 4u);
  EXPECT_EQ(one->objectForKey(kCTFontAttributeName), font);
  EXPECT_TRUE(one->objectForKey(kCTForegroundColorAttributeName)->isEqual(UIColor::greenColor()));
  EXPECT_EQ(one->objectForKeyAs<NSNumber>(kCTKernAttributeName)->doubleValue(), 1.5);
  auto style = styleOf(one);
  ASSERT_NE(style, nullptr);
  EXPECT_EQ(style->alignment(), NSTextAlignmentRight);
  EXPECT_EQ(style->lineBreakMode(), NSLineBreakByTruncatingMiddle);
  EXPECT_EQ(style->lineSpacing(), 3);
  EXPECT_EQ(style->lineHeightMultiple(), 1.25);
  EXPECT_EQ(style->firstLineHeadIndent(), 7);
  EXPECT_EQ(style->headIndent(), 7);
  // No bounds of its own: the font's line height times the multiple, both ways.
  EXPECT_DOUBLE_EQ(style->minimumLineHeight(), font->lineHeight() * 1.25);
  EXPECT_DOUBLE_EQ(style->maximumLineHeight(), font->lineHeight() * 1.25);

  for (NSInteger lines : {0, 2}) {
    label->setNumberOfLines(lines);
    auto several = label->inheritedLabelAttributes();
    EXPECT_EQ(styleOf(several)->lineBreakMode(), NSLineBreakByWordWrapping) << lines;
    EXPECT_NE(styleOf(several), style);  // built anew
  }
  label->setMinimumLineHeight(30);
  label->setMaximumLineHeight(40);
  auto bounded = styleOf(label->inheritedLabelAttributes());
  EXPECT_EQ(bounded->minimumLineHeight(), 30);
  EXPECT_EQ(bounded->maximumLineHeight(), 40);
  label->setLeading(9);
  EXPECT_EQ(label->lineSpacing(), 9);
  label->setLineSpacing(4);
  EXPECT_EQ(label->leading(), 4);
}

TEST(LabelModel, ColourFromContextRunsTakeTheTextColourAndNothingElse) {
  auto label = makeLabel();
  auto text = attributed("plain context plain");
  text->addAttributeValueRange(kCTUnderlineStyleAttributeName, NSNumber::numberWithInt(1),
                               NSMakeRange(6, 7));
  // Any value counts, false included.
  text->addAttributeValueRange(kCTForegroundColorFromContextAttributeName,
                               NSNumber::numberWithBool(NO), NSMakeRange(6, 7));
  label->setText(text);
  label->setTextColor(UIColor::redColor());

  auto rendered = label->renderedAttributedText();
  ASSERT_NE(rendered, nullptr);
  auto inside = rendered->attributesAtIndexEffectiveRange(8, nullptr);
  EXPECT_EQ(inside->count(), 1u);
  EXPECT_TRUE(inside->objectForKey(kCTForegroundColorAttributeName)->isEqual(UIColor::redColor()));
  auto outside = rendered->attributesAtIndexEffectiveRange(2, nullptr);
  EXPECT_NE(outside->objectForKey(kCTFontAttributeName), nullptr);
  EXPECT_EQ(outside->objectForKey(kCTForegroundColorAttributeName), nullptr);
  // The model keeps what was set.
  EXPECT_NE(label->attributedText()->attributeAtIndexEffectiveRange(
                kCTForegroundColorFromContextAttributeName, 8, nullptr),
            nullptr);
  EXPECT_EQ(label->renderedAttributedText(), rendered);  // cached

  label->setTextColor(UIColor::blueColor());
  auto again = label->renderedAttributedText();
  EXPECT_NE(again, rendered);
  EXPECT_TRUE(again->attributeAtIndexEffectiveRange(kCTForegroundColorAttributeName, 8, nullptr)
                  ->isEqual(UIColor::blueColor()));
}

TEST(LabelModel, TextColourInheritedEarlierStaysUntilTextIsSetAgain) {
  auto label = makeLabel();
  label->setTextColor(UIColor::greenColor());
  label->setText(S("green words"));
  label->setTextColor(UIColor::redColor());
  auto color = label->renderedAttributedText()->attributeAtIndexEffectiveRange(
      kCTForegroundColorAttributeName, 0, nullptr);
  EXPECT_TRUE(color->isEqual(UIColor::greenColor()));
  label->setTextColor(nullptr);
  EXPECT_TRUE(label->textColor()->isEqual(UIColor::blackColor()));
}

TEST(LabelModel, EqualTextOrTheSameColourInvalidatesNothing) {
  auto label = makeLabel();
  label->setText(S("some words"));
  auto framesetter = label->framesetter();
  auto rendered = label->renderedAttributedText();
  ASSERT_NE(framesetter, nullptr);
  label->layer()->displayIfNeeded();

  label->setAttributedText(label->attributedText()->mutableCopy());
  label->setTextColor(label->textColor());
  EXPECT_EQ(label->framesetter(), framesetter);
  EXPECT_EQ(label->renderedAttributedText(), rendered);
  EXPECT_FALSE(label->layer()->needsDisplay());

  // A real change does both; the link list is left alone.
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://a.example")), NSMakeRange(0, 4));
  label->layer()->displayIfNeeded();
  label->setAttributedText(attributed("other"));
  EXPECT_TRUE(label->layer()->needsDisplay());
  EXPECT_NE(label->framesetter(), framesetter);
  EXPECT_EQ(label->links()->count(), 1u);
  EXPECT_EQ(label->text()->stdString(), "some words");  // the base text is setText's
}

TEST(LabelModel, AttributedTextIsKeptAsACopy) {
  auto label = makeLabel();
  auto text = attributed("mutable");
  label->setAttributedText(text);
  text->replaceCharactersInRangeWithString(NSMakeRange(0, 7), S("changed"));
  EXPECT_EQ(label->attributedText()->string()->stdString(), "mutable");
}

TEST(LabelModel, SettingLinksDropsTheAccessibilityCache) {
  auto label = makeLabel();
  label->setAccessibilityElements(NSArray::arrayWithObject(S("element")));
  label->setLinks(label->links());
  // The next request builds the list afresh: the whole-label element alone.
  auto rebuilt = label->accessibilityElements();
  ASSERT_EQ(rebuilt->count(), 1u);
  EXPECT_EQ(objc_cast<NSString>(rebuilt->objectAtIndex(0)), nullptr);
}

class LoadProbeBase : public NSObject {
  OBJC_CLASS(LoadProbeBase, NSObject)
};
class LoadProbe : public LoadProbeBase {
  OBJC_CLASS(LoadProbe, LoadProbeBase)
};
BOOL baseAnswer(NSObject*, SEL) {
  return YES;
}
BOOL ownAnswer(NSObject*, SEL) {
  return NO;
}
OBJC_CLASS_IMPL(LoadProbeBase) {
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"), objc::method<&baseAnswer>());
}
OBJC_CLASS_IMPL(LoadProbe) {
  class_addMethod(cls, OBJC_SEL("isAccessibilityElement"), objc::method<&ownAnswer>());
}

TEST(LabelModel, ClassLoadStepPutsTheBaseAccessibilityBackOnlyOnOldPlatforms) {
  SEL sel = OBJC_SEL("isAccessibilityElement");
  Class cls = LoadProbe::class_();
  TTTAttributedLabel::replaceAccessibilityMethodsBelowVersion(cls, 847.2);
  EXPECT_EQ(class_getMethodImplementation(cls, sel), objc::imp<&ownAnswer>());
  TTTAttributedLabel::replaceAccessibilityMethodsBelowVersion(cls, 847.1);
  EXPECT_EQ(class_getMethodImplementation(cls, sel), objc::imp<&baseAnswer>());
  EXPECT_STREQ(method_getTypeEncoding(class_getInstanceMethod(cls, sel)), "B@:");
  // This platform is newer, so the label's own class-load step left its methods alone.
  EXPECT_NE(class_getMethodImplementation(TTTAttributedLabel::class_(), sel),
            class_getMethodImplementation(UILabel::class_(), sel));
}

}  // namespace
