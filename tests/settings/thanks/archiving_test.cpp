// The label in keyed archives: its settings come back (in single precision where the
// archive says so), missing keys keep the defaults, an archive of the base label gets
// its text through setText, property-list tools read ours, hostile archives are refused.
#include <cstdio>
#include <fstream>
#include <regex>

#include "Foundation/NSData.h"
#include "Foundation/NSError.h"
#include "Foundation/NSKeyedArchiver.h"
#include "Foundation/NSKeyedUnarchiver.h"
#include "Foundation/NSPropertyListSerialization.h"
#include "LabelTesting.h"
#include "UIKit/UIColor.h"

using namespace labeltest;

namespace {

std::string xmlArchive(const id& root) {
  auto data = NSKeyedArchiver::archivedDataWithRootObjectFormat(root, NSPropertyListXMLFormat_v1_0);
  EXPECT_NE(data, nullptr);
  if (!data) return "";
  return std::string(static_cast<const char*>(data->bytes()), data->length());
}

id unarchive(const std::string& bytes, Strong<NSError>* error = nullptr) {
  return NSKeyedUnarchiver::unarchiveTopLevelObjectWithDataError(
      NSData::dataWithBytes(bytes.data(), bytes.size()), error);
}

Strong<TTTAttributedLabel> roundTrip(const Strong<TTTAttributedLabel>& label) {
  auto data = NSKeyedArchiver::archivedDataWithRootObject(label);
  EXPECT_NE(data, nullptr);
  return objc_cast<TTTAttributedLabel>(NSKeyedUnarchiver::unarchiveObjectWithData(data));
}

Strong<TTTAttributedLabel> fullySet() {
  auto label = makeLabel(CGRectMake(0, 0, 200, 60));
  label->setEnabledTextCheckingTypes(NSTextCheckingTypeLink | NSTextCheckingTypePhoneNumber);
  label->setText(S("visit http://example.org/ now"));
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://example.org/")), NSMakeRange(6, 19));
  label->setShadowRadius(2.5);
  label->setHighlightedShadowRadius(0.3);
  label->setHighlightedShadowOffset(CGSizeMake(1.25, -3));
  label->setHighlightedShadowColor(UIColor::redColor());
  label->setKern(0.1);
  label->setFirstLineIndent(4);
  label->setLineSpacing(1.5);
  label->setMinimumLineHeight(10);
  label->setMaximumLineHeight(30);
  label->setLineHeightMultiple(1.2);
  label->setTextInsets(UIEdgeInsetsMake(0.1, 2.25, 3, 1e-3));
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentBottom);
  label->setTruncationTokenString(S("…more"));
  return label;
}

}  // namespace

TEST(LabelArchiving, EverySettingComesBack) {
  auto original = fullySet();
  auto label = roundTrip(original);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->enabledTextCheckingTypes(),
            NSTextCheckingTypeLink | NSTextCheckingTypePhoneNumber);
  EXPECT_NE(label->dataDetector(), nullptr);
  // Single precision, widened.
  EXPECT_EQ(label->kern(), 0.10000000149011612);
  EXPECT_EQ(label->highlightedShadowRadius(), static_cast<double>(0.3f));
  EXPECT_EQ(label->lineHeightMultiple(), static_cast<double>(1.2f));
  EXPECT_EQ(label->shadowRadius(), 2.5);
  EXPECT_EQ(label->firstLineIndent(), 4);
  EXPECT_EQ(label->lineSpacing(), 1.5);
  EXPECT_EQ(label->minimumLineHeight(), 10);
  EXPECT_EQ(label->maximumLineHeight(), 30);
  // Exact.
  EXPECT_EQ(label->highlightedShadowOffset().width, 1.25);
  EXPECT_EQ(label->highlightedShadowOffset().height, -3);
  UIEdgeInsets insets = label->textInsets();
  EXPECT_EQ(insets.top, 0.1);
  EXPECT_EQ(insets.left, 2.25);
  EXPECT_EQ(insets.bottom, 3);
  EXPECT_EQ(insets.right, 1e-3);
  EXPECT_EQ(label->verticalAlignment(), TTTAttributedLabelVerticalAlignmentBottom);
  EXPECT_TRUE(label->highlightedShadowColor()->isEqual(UIColor::redColor().get()));
  EXPECT_EQ(label->truncationTokenString()->stdString(), "…more");
  EXPECT_TRUE(label->attributedText()->isEqualToAttributedString(original->attributedText()));
  EXPECT_EQ(label->text()->stdString(), "visit http://example.org/ now");
  ASSERT_EQ(label->links()->count(), 1u);
  auto link = label->links()->objectAtIndexAs<NSTextCheckingResult>(0);
  EXPECT_EQ(link->URL()->absoluteString()->stdString(), "http://example.org/");
  EXPECT_EQ(link->range().location, 6u);
  EXPECT_TRUE(label->linkAttributes()->isEqual(original->linkAttributes().get()));
  EXPECT_TRUE(label->activeLinkAttributes()->isEqual(original->activeLinkAttributes().get()));
  // What is not archived starts afresh.
  EXPECT_EQ(label->delegate(), nullptr);
  EXPECT_EQ(label->activeLink(), nullptr);
  EXPECT_EQ(label->truncationTokenStringAttributes(), nullptr);
}

TEST(LabelArchiving, MissingKeysKeepTheDefaultsAndTheBaseTextGoesThroughSetText) {
  // An archive of the base label alone, read as ours.
  auto base = std::make_shared<UILabel>(CGRectMake(0, 0, 100, 20));
  base->setText(S("plain words"));
  base->setFont(pinnedFont(13));
  std::string xml = xmlArchive(base);
  // The class the archive names is ours; its keys are the base's alone.
  xml = std::regex_replace(xml, std::regex("<string>UILabel</string>"),
                           "<string>TTTAttributedLabel</string>");
  Strong<NSError> error;
  auto label = objc_cast<TTTAttributedLabel>(unarchive(xml, &error));
  ASSERT_NE(label, nullptr) << (error ? error->description() : "") << xml;
  EXPECT_EQ(label->lineHeightMultiple(), 1.0);
  EXPECT_EQ(label->kern(), 0);
  EXPECT_EQ(label->links()->count(), 0u);
  EXPECT_TRUE(label->linkAttributes()->isEqual(makeLabel()->linkAttributes().get()));
  ASSERT_NE(label->attributedText(), nullptr);
  EXPECT_EQ(label->attributedText()->string()->stdString(), "plain words");
  // The label's inherited attributes, the base's archived font among them.
  auto font =
      label->attributedText()->attributeAtIndexEffectiveRange(kCTFontAttributeName, 0, nullptr);
  EXPECT_TRUE(font && font->isEqual(pinnedFont(13).get()));
  EXPECT_NE(label->attributedText()->attributeAtIndexEffectiveRange(kCTParagraphStyleAttributeName,
                                                                    0, nullptr),
            nullptr);
}

TEST(LabelArchiving, PropertyListToolsReadOurArchives) {
  auto data = NSKeyedArchiver::archivedDataWithRootObject(fullySet());
  ASSERT_NE(data, nullptr);
  std::string path = std::string(NIMBRA_BUILD_DIR) + "/label-archive-test.plist";
  std::ofstream(path, std::ios::binary)
      .write(static_cast<const char*>(data->bytes()), static_cast<std::streamsize>(data->length()));
  std::string out;
  if (FILE* p = popen(("plistutil -f xml -i " + path + " 2>&1").c_str(), "r")) {
    char buf[4096];
    for (size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    EXPECT_EQ(pclose(p), 0) << out;
  }
  std::remove(path.c_str());
  for (const char* expected :
       {"<string>NSKeyedArchiver</string>", "<string>TTTAttributedLabel</string>",
        "<key>kern</key>", "<key>textInsets</key>", "<string>{0.1, 2.25, 3, 0.001}</string>",
        "<key>verticalAlignment</key>", "<integer>2</integer>", "<key>attributedText</key>",
        "<key>enabledTextCheckingTypes</key>"})
    EXPECT_NE(out.find(expected), std::string::npos) << expected;
}

TEST(LabelArchiving, LinksOfEveryKindTravelAsTheDevicesResultClasses) {
  auto label = makeLabel(CGRectMake(0, 0, 240, 80));
  label->setText(S("Call 555 0100 at Main St 1 on UA 123 tomorrow, see example.org"));
  auto place =
      NSDictionary::dictionaryWithObjectsAndKeys({{NSTextCheckingStreetKey, S("Main St 1")}});
  auto flight = NSDictionary::dictionaryWithObjectsAndKeys(
      {{NSTextCheckingAirlineKey, S("UA")}, {NSTextCheckingFlightKey, S("123")}});
  label->addLinkToPhoneNumberWithRange(S("555 0100"), NSMakeRange(5, 8));
  label->addLinkToAddressWithRange(place, NSMakeRange(17, 9));
  label->addLinkToTransitInformationWithRange(flight, NSMakeRange(30, 6));
  label->addLinkToDateWithRange(NSDate::dateWithTimeIntervalSinceReferenceDate(8e8),
                                NSMakeRange(37, 8));
  label->addLinkToURLWithRange(NSURL::URLWithString(S("http://example.org")), NSMakeRange(51, 11));
  std::string xml = xmlArchive(label);
  for (const char* name :
       {"NSPhoneNumberCheckingResult", "NSAddressCheckingResult",
        "NSTransitInformationCheckingResult", "NSDateCheckingResult", "NSLinkCheckingResult"})
    EXPECT_NE(xml.find(std::string("<string>") + name + "</string>"), std::string::npos) << name;
  EXPECT_EQ(xml.find("NSResultType"), std::string::npos);
  auto back = roundTrip(label);
  ASSERT_NE(back, nullptr);
  ASSERT_EQ(back->links()->count(), 5u);
  for (NSUInteger i = 0; i < 5; ++i) {
    auto link = back->links()->objectAtIndexAs<NSTextCheckingResult>(i);
    EXPECT_TRUE(link->isEqual(label->links()->objectAtIndex(i))) << link->description();
  }
}

TEST(LabelArchiving, HostileArchivesAreRefused) {
  std::string xml = xmlArchive(fullySet());
  ASSERT_FALSE(xml.empty());
  Strong<NSError> error;

  // Cut short.
  std::string bin;
  {
    auto data = NSKeyedArchiver::archivedDataWithRootObject(fullySet());
    bin.assign(static_cast<const char*>(data->bytes()), data->length() / 2);
  }
  EXPECT_EQ(unarchive(bin, &error), nullptr);
  EXPECT_NE(error, nullptr);

  // A value of the wrong kind under one of our keys: the kern as a string.
  auto replaced = [&](const std::string& from, const std::string& to) {
    std::string out = xml;
    auto at = out.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) out.replace(at, from.size(), to);
    return out;
  };
  error = nullptr;
  EXPECT_EQ(
      unarchive(replaced("<key>kern</key>", "<key>kern</key><string>wide</string><key>x</key>"),
                &error),
      nullptr);
  EXPECT_NE(error, nullptr);
  // Links that are not links: the key points at the label's own text.
  error = nullptr;
  std::smatch m;
  ASSERT_TRUE(std::regex_search(xml, m,
                                std::regex("<key>text</key>\\s*<dict>\\s*<key>CF\\$UID</key>\\s*"
                                           "<integer>(\\d+)</integer>")));
  std::smatch links;
  ASSERT_TRUE(std::regex_search(xml, links,
                                std::regex("<key>links</key>\\s*<dict>\\s*<key>CF\\$UID</key>\\s*"
                                           "<integer>(\\d+)</integer>")));
  std::string linksToText = xml;
  linksToText.replace(static_cast<size_t>(links.position(1)), static_cast<size_t>(links.length(1)),
                      m[1].str());
  EXPECT_EQ(unarchive(linksToText, &error), nullptr);
}
