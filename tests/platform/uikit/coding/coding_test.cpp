#include <gtest/gtest.h>

#include <string>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSPropertyListSerialization.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIGeometry.h"
#include "UIKit/UILabel.h"
#include "objc/alloc.h"

// Holds one value of each geometry type, coded with the geometry members.
class GeometryProbe : public NSObject {
  OBJC_CLASS(GeometryProbe, NSObject)
 public:
  CGPoint point{};
  CGSize size{};
  CGRect rect{};
  UIEdgeInsets insets{};
};

// A label subclass as a bundle would write one: its own key after the label's, and a
// setText: override that must not run while the base label decodes.
class RadiusLabel : public UILabel {
  OBJC_CLASS(RadiusLabel, UILabel)
 public:
  double radius = 0;
  int setTextCalls = 0;
};

namespace {

void geometryEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* p = static_cast<GeometryProbe*>(self);
  coder->encodeCGPointForKey(p->point, NSSTR("point"));
  coder->encodeCGSizeForKey(p->size, NSSTR("size"));
  coder->encodeCGRectForKey(p->rect, NSSTR("rect"));
  coder->encodeUIEdgeInsetsForKey(p->insets, NSSTR("insets"));
}
id geometryInitWithCoder(NSObject* self, SEL, NSCoder* coder) {
  auto* p = static_cast<GeometryProbe*>(self);
  p->point = coder->decodeCGPointForKey(NSSTR("point"));
  p->size = coder->decodeCGSizeForKey(NSSTR("size"));
  p->rect = coder->decodeCGRectForKey(NSSTR("rect"));
  p->insets = coder->decodeUIEdgeInsetsForKey(NSSTR("insets"));
  return p->retainedSelf();
}

void radiusEncode(NSObject* self, SEL sel, NSCoder* coder) {
  UIViewSendSuper<void>(RadiusLabel::super::class_(), self, sel, coder);
  coder->encodeDoubleForKey(static_cast<RadiusLabel*>(self)->radius, NSSTR("radius"));
}
id radiusInitWithCoder(NSObject* self, SEL sel, NSCoder* coder) {
  id base = UIViewSendSuper<id>(RadiusLabel::super::class_(), self, sel, coder);
  if (!base) return nullptr;
  auto* l = static_cast<RadiusLabel*>(base.get());
  l->radius = coder->decodeDoubleForKey(NSSTR("radius"));
  return base;
}
void radiusSetText(NSObject* self, SEL sel, NSObject* text) {
  static_cast<RadiusLabel*>(self)->setTextCalls++;
  UIViewSendSuper<void>(RadiusLabel::super::class_(), self, sel, text);
}

}  // namespace

OBJC_CLASS_IMPL(GeometryProbe) {
  objc::registerAlloc<GeometryProbe>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&geometryEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&geometryInitWithCoder>());
}

OBJC_CLASS_IMPL(RadiusLabel) {
  objc::registerAlloc<RadiusLabel>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&radiusEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&radiusInitWithCoder>());
  class_addMethod(cls, OBJC_SEL("setText:"), objc::method<&radiusSetText>());
}

namespace {

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

class BothFormats : public ::testing::TestWithParam<NSPropertyListFormat> {
 protected:
  template <class T>
  Strong<T> roundTrip(const id& object) {
    Strong<NSError> error;
    auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(object, GetParam(), &error);
    EXPECT_TRUE(data) << (error ? error->description() : "");
    if (!data) return nullptr;
    id back = NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(data, &error);
    EXPECT_TRUE(back) << (error ? error->description() : "");
    return objc_cast<T>(back);
  }
};

// The root object's entry of an archive, as a plain dictionary, and the entry a
// reference in it points to.
struct ArchiveView {
  Strong<NSArray> objects;
  Strong<NSDictionary> root;
  explicit ArchiveView(const Strong<NSData>& data) {
    auto top = objc_cast<NSDictionary>(
        NSPropertyListSerialization::propertyListWithData(data, NSPropertyListImmutable));
    objects = top->objectForKeyAs<NSArray>(S("$objects"));
    root = objc_cast<NSDictionary>(objects->objectAtIndex(1));
  }
  id at(const char* key) const {
    auto ref = root->objectForKeyAs<NSDictionary>(S(key));
    if (!ref) return nullptr;
    return objects->objectAtIndex(ref->objectForKeyAs<NSNumber>(S("CF$UID"))->integerValue());
  }
};

TEST_P(BothFormats, GeometryTravelsAsTheDeviceStrings) {
  auto p = std::make_shared<GeometryProbe>();
  p->point = {10, 20.5};
  p->size = {320, 0.1};
  p->rect = {{-1, 2}, {300.25, 44}};
  p->insets = {3, 8, 3, 5};
  auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(p, GetParam());
  ArchiveView view(data);
  EXPECT_TRUE(view.at("point")->isEqual(S("{10, 20.5}")));
  EXPECT_TRUE(view.at("size")->isEqual(S("{320, 0.1}")));
  EXPECT_TRUE(view.at("rect")->isEqual(S("{{-1, 2}, {300.25, 44}}")));
  EXPECT_TRUE(view.at("insets")->isEqual(S("{3, 8, 3, 5}")));
  auto back = objc_cast<GeometryProbe>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
  ASSERT_TRUE(back);
  EXPECT_EQ(back->point, p->point);
  EXPECT_EQ(back->size, p->size);
  EXPECT_EQ(back->rect, p->rect);
  EXPECT_EQ(back->insets, p->insets);
}

TEST_P(BothFormats, ColoursFontsAndParagraphStylesComeBackEqual) {
  auto rgb = UIColor::colorWithRedGreenBlueAlpha(0.1, 0.2, 0.3, 0.4);
  auto grey = UIColor::colorWithWhiteAlpha(0.5, 1);
  EXPECT_TRUE(roundTrip<UIColor>(rgb)->isEqual(rgb));
  auto greyBack = roundTrip<UIColor>(grey);
  ASSERT_TRUE(greyBack);
  CGFloat w = 0, a = 0;
  EXPECT_TRUE(greyBack->getWhiteAlpha(&w, &a)) << "grey stays grey";
  EXPECT_EQ(w, 0.5);
  ArchiveView view(NSKeyedArchiver::archivedDataWithRootObject(rgb));
  EXPECT_TRUE(view.root->objectForKey(S("UIRed"))->isEqual(NSNumber::numberWithDouble(0.1)));
  EXPECT_TRUE(
      view.root->objectForKey(S("UIColorComponentCount"))->isEqual(NSNumber::numberWithInt(4)));

  for (auto font : {UIFont::systemFontOfSize(13), UIFont::boldSystemFontOfSize(21.5)}) {
    auto back = roundTrip<UIFont>(font);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(font.get())) << back->description();
  }

  auto style = NSMutableParagraphStyle::paragraphStyle();
  style->setAlignment(NSTextAlignmentCenter);
  style->setLineBreakMode(NSLineBreakByTruncatingMiddle);
  style->setLineSpacing(3);
  style->setParagraphSpacing(4);
  style->setParagraphSpacingBefore(5);
  style->setHeadIndent(6);
  style->setTailIndent(-7);
  style->setFirstLineHeadIndent(8);
  style->setMinimumLineHeight(9);
  style->setMaximumLineHeight(30);
  style->setLineHeightMultiple(1.25);
  style->setBaseWritingDirection(NSWritingDirectionRightToLeft);
  auto mutableBack = roundTrip<NSParagraphStyle>(style);
  ASSERT_TRUE(mutableBack);
  EXPECT_EQ(mutableBack->settings(), style->settings());
  EXPECT_EQ(mutableBack->getClass(), NSMutableParagraphStyle::class_());
  auto frozen = style->copy();
  auto frozenBack = roundTrip<NSParagraphStyle>(frozen);
  ASSERT_TRUE(frozenBack);
  EXPECT_EQ(frozenBack->getClass(), NSParagraphStyle::class_());
  EXPECT_EQ(frozenBack->alignment(), NSTextAlignmentCenter);
  EXPECT_TRUE(frozenBack->isEqual(frozen.get()));
  // Only what differs from the defaults is written.
  ArchiveView plain(
      NSKeyedArchiver::archivedDataWithRootObject(NSParagraphStyle::defaultParagraphStyle()));
  EXPECT_EQ(plain.root->count(), 1u) << plain.root->description();
}

TEST_P(BothFormats, AStyledAttributedStringOfFiftyRunsComesBackEqual) {
  auto s = NSMutableAttributedString::initWithString(S(""));
  auto style = NSMutableParagraphStyle::paragraphStyle();
  style->setAlignment(NSTextAlignmentRight);
  for (int i = 0; i < 50; ++i) {
    auto attrs = NSMutableDictionary::dictionaryWithObjectsAndKeys(
        {{NSFontAttributeName,
          i % 2 ? UIFont::systemFontOfSize(12 + i % 5) : UIFont::boldSystemFontOfSize(14)},
         {NSForegroundColorAttributeName, UIColor::colorWithRedGreenBlueAlpha(i / 50.0, 0, 1, 1)},
         {NSParagraphStyleAttributeName, style}});
    if (i % 7 == 0)
      attrs->setObjectForKey(NSNumber::numberWithDouble(i * 0.5), NSKernAttributeName);
    s->appendAttributedString(NSAttributedString::initWithStringAttributes(
        S(i % 3 ? "word " : "\xC3\xA9t\xC3\xA9 "), attrs));
  }
  auto back = roundTrip<NSAttributedString>(s->copy());
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->isEqual(s)) << back->description();
}

TEST_P(BothFormats, ViewsComeBackWithTheirStateAndSubviews) {
  auto view = UIView::initWithFrame(CGRectMake(10, 20, 300, 200));
  view->setAlpha(0.5);
  view->setTag(42);
  view->setHidden(true);
  view->setClipsToBounds(true);
  view->setBackgroundColor(UIColor::redColor());
  view->setUserInteractionEnabled(false);
  auto child = UILabel::initWithFrame(CGRectMake(1, 2, 30, 40));
  child->setText(S("child"));
  view->addSubview(child);
  view->addSubview(UIView::initWithFrame(CGRectMake(5, 5, 5, 5)));
  auto back = roundTrip<UIView>(view);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->frame(), view->frame());
  EXPECT_EQ(back->alpha(), 0.5);
  EXPECT_EQ(back->tag(), 42);
  EXPECT_TRUE(back->isHidden());
  EXPECT_TRUE(back->clipsToBounds());
  EXPECT_FALSE(back->isUserInteractionEnabled());
  EXPECT_TRUE(back->backgroundColor()->isEqual(UIColor::redColor()));
  ASSERT_EQ(back->subviews().size(), 2u);
  auto label = objc_cast<UILabel>(back->subviews()[0]);
  ASSERT_TRUE(label);
  EXPECT_EQ(label->superview(), back.get());
  EXPECT_EQ(label->frame(), CGRectMake(1, 2, 30, 40));
  EXPECT_TRUE(label->text()->isEqual(S("child")));
  EXPECT_FALSE(label->isUserInteractionEnabled()) << "a label's own default survives";
  EXPECT_EQ(back->subviews()[1]->getClass(), UIView::class_());
}

TEST_P(BothFormats, LabelsComeBackWithEveryProperty) {
  auto label = UILabel::initWithFrame(CGRectMake(0, 0, 200, 50));
  label->setText(S("Thanks"));
  label->setFont(UIFont::boldSystemFontOfSize(19));
  label->setTextColor(UIColor::blueColor());
  label->setHighlightedTextColor(UIColor::whiteColor());
  label->setShadowColor(UIColor::grayColor());
  label->setShadowOffset(CGSizeMake(1.5, -2));
  label->setTextAlignment(NSTextAlignmentCenter);
  label->setNumberOfLines(3);
  label->setLineBreakMode(NSLineBreakByCharWrapping);
  label->setHighlighted(true);
  label->setEnabled(false);
  label->setAdjustsFontSizeToFitWidth(true);
  label->setMinimumScaleFactor(0.25);
  auto back = roundTrip<UILabel>(label);
  ASSERT_TRUE(back);
  EXPECT_TRUE(back->text()->isEqual(S("Thanks")));
  EXPECT_TRUE(back->font()->isEqual(UIFont::boldSystemFontOfSize(19).get()));
  EXPECT_TRUE(back->textColor()->isEqual(UIColor::blueColor()));
  EXPECT_TRUE(back->highlightedTextColor()->isEqual(UIColor::whiteColor()));
  EXPECT_TRUE(back->shadowColor()->isEqual(UIColor::grayColor()));
  EXPECT_EQ(back->shadowOffset(), CGSizeMake(1.5, -2));
  EXPECT_EQ(back->textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(back->numberOfLines(), 3);
  EXPECT_EQ(back->lineBreakMode(), NSLineBreakByCharWrapping);
  EXPECT_TRUE(back->isHighlighted());
  EXPECT_FALSE(back->isEnabled());
  EXPECT_TRUE(back->adjustsFontSizeToFitWidth());
  EXPECT_EQ(back->minimumScaleFactor(), 0.25);
  EXPECT_TRUE(back->attributedText()->isEqual(label->attributedText()));

  // Attributed text with several runs comes back whole, not rebuilt from the plain text.
  auto rich = NSMutableAttributedString::initWithString(S("two parts"));
  rich->addAttributeValueRange(NSForegroundColorAttributeName, UIColor::redColor(),
                               NSMakeRange(0, 3));
  label->setAttributedText(rich);
  auto richBack = roundTrip<UILabel>(label);
  ASSERT_TRUE(richBack);
  EXPECT_TRUE(richBack->attributedText()->isEqual(label->attributedText()));
  EXPECT_TRUE(richBack->text()->isEqual(S("two parts")));
}

TEST_P(BothFormats, ASubclassAddsItsKeysAndItsOverridesWaitForIt) {
  auto label = std::make_shared<RadiusLabel>();
  label->setText(S("sub"));
  label->radius = 2.5;
  auto back = roundTrip<RadiusLabel>(label);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->radius, 2.5);
  EXPECT_TRUE(back->text()->isEqual(S("sub")));
  EXPECT_EQ(back->setTextCalls, 0) << "the base label restores its state without its setters";
}

INSTANTIATE_TEST_SUITE_P(Formats, BothFormats,
                         ::testing::Values(NSPropertyListBinaryFormat_v1_0,
                                           NSPropertyListXMLFormat_v1_0));

// An XML keyed archive whose root is object 1 of `objects` (object 0 is $null).
Strong<NSData> archiveOf(const std::string& objects) {
  std::string x =
      "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>"
      "<key>$archiver</key><string>NSKeyedArchiver</string>"
      "<key>$version</key><integer>100000</integer>"
      "<key>$top</key><dict><key>root</key><dict><key>CF$UID</key><integer>1</integer></dict></"
      "dict>"
      "<key>$objects</key><array><string>$null</string>" +
      objects + "</array></dict></plist>\n";
  return NSData::dataWithBytes(x.data(), x.size());
}

Strong<NSData> labelArchiveWith(const std::string& key, const std::string& value) {
  return archiveOf(
      "<dict><key>$class</key><dict><key>CF$UID</key><integer>2</integer></dict>"
      "<key>UIText</key><string>hi</string>"
      "<key>" +
      key + "</key>" + value +
      "</dict>"
      "<dict><key>$classname</key><string>UILabel</string><key>$classes</key>"
      "<array><string>UILabel</string><string>UIView</string><string>NSObject</string></array></"
      "dict>"
      "<string>not a font</string>");
}

TEST(Coding, MissingMalformedAndWrongKindsOfValues) {
  // Missing keys leave the label's defaults; a malformed geometry string reads as zeros.
  auto label = objc_cast<UILabel>(NSKeyedUnarchiver::unarchiveObjectWithData(
      labelArchiveWith("UIShadowOffset", "<string>{oops}</string>")));
  ASSERT_TRUE(label);
  EXPECT_TRUE(label->text()->isEqual(S("hi")));
  EXPECT_EQ(label->numberOfLines(), 1);
  EXPECT_TRUE(label->font()->isEqual(UIFont::systemFontOfSize(17).get()));
  EXPECT_EQ(label->shadowOffset(), CGSizeZero);
  // Numbers outside an enumeration take the default, as the setters do.
  label = objc_cast<UILabel>(NSKeyedUnarchiver::unarchiveObjectWithData(
      labelArchiveWith("UILineBreakMode", "<integer>99</integer>")));
  ASSERT_TRUE(label);
  EXPECT_EQ(label->lineBreakMode(), NSLineBreakByTruncatingTail);
  // A key holding the wrong kind fails the whole archive.
  for (auto [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"UIFont", "<dict><key>CF$UID</key><integer>3</integer></dict>"},
           {"UINumberOfLines", "<string>3</string>"},
           {"UIShadowOffset", "<integer>3</integer>"},
           {"UIBounds", "<real>1</real>"}}) {
    SCOPED_TRACE(key);
    Strong<NSError> error;
    EXPECT_FALSE(NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
        labelArchiveWith(key, value), &error));
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), NSCoderReadCorruptError);
  }
}

TEST(Coding, AFontThisMachineLacksReadsAsTheInterfaceFontOfItsSize) {
  auto font = objc_cast<UIFont>(NSKeyedUnarchiver::unarchiveObjectWithData(
      archiveOf("<dict><key>$class</key><dict><key>CF$UID</key><integer>2</integer></dict>"
                "<key>UIFontName</key><string>NoSuchFace-Regular</string>"
                "<key>UIFontPointSize</key><real>15</real></dict>"
                "<dict><key>$classname</key><string>UIFont</string></dict>")));
  ASSERT_TRUE(font);
  EXPECT_TRUE(font->isEqual(UIFont::systemFontOfSize(15).get()));
}

}  // namespace
