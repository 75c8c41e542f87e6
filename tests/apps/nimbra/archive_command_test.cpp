#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "Foundation/Foundation.h"
#include "Foundation/NSKeyedArchiver.h"
#include "RunCommand.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UILabel.h"

namespace {

using testcommand::Result;

// Runs `nimbra archive PATH`, stdout captured, stderr folded into it.
Result runArchive(const std::string& path) {
  std::string command = std::string(NIMBRA_BUILD_DIR) + "/apps/nimbra archive '" + path + "' 2>&1";
  return testcommand::run(command);
}

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

TEST(ArchiveCommand, PrintsTheGraphIndentedWithClassNames) {
  auto text = NSMutableAttributedString::initWithString(S("Thanks \"all\""));
  text->addAttributeValueRange(NSLinkAttributeName, NSURL::URLWithString("action://thanks"),
                               NSMakeRange(7, 5));
  auto label = UILabel::initWithFrame(CGRectMake(0, 0, 100, 20));
  label->setText(S("hi"));
  auto shared = NSDictionary::dictionaryWithObjectsAndKeys({{S("n"), NSNumber::numberWithInt(5)}});
  auto root =
      NSArray::arrayWithObjects({text, shared, shared, label, NSNumber::numberWithBool(YES)});
  std::string path = testing::TempDir() + "/graph.archive";
  ASSERT_TRUE(NSKeyedArchiver::archivedDataWithRootObject(root)->writeToFileAtomically(path, YES));
  Result r = runArchive(path);
  EXPECT_EQ(r.status, 0) << r.out;
  auto has = [&](const std::string& s) { return r.out.find(s) != std::string::npos; };
  EXPECT_TRUE(has("NSArray (5)\n")) << r.out;
  EXPECT_TRUE(has("\n  [0] NSMutableAttributedString \"Thanks \\\"all\\\"\"\n")) << r.out;
  EXPECT_TRUE(has("\n    {7, 5} NSDictionary (1)\n      NSLink: NSURL action://thanks\n")) << r.out;
  EXPECT_TRUE(has("\n  [1] NSDictionary (1)\n    n: NSNumber 5\n")) << r.out;
  EXPECT_TRUE(has("\n  [2] NSDictionary (shown above)\n")) << r.out;
  EXPECT_TRUE(has("\n  [3] UILabel {{0, 0}, {100, 20}} \"hi\"\n")) << r.out;
  EXPECT_TRUE(has("\n  [4] NSNumber YES\n")) << r.out;
}

TEST(ArchiveCommand, ADamagedFileGivesTheUnarchiversErrorAndStatusTwo) {
  std::string path = testing::TempDir() + "/damaged.archive";
  auto data = NSKeyedArchiver::archivedDataWithRootObject(S("whole"));
  std::string bytes(static_cast<const char*>(data->bytes()), data->length() - 3);
  std::ofstream(path, std::ios::binary) << bytes;
  Result r = runArchive(path);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("nimbra archive: the archive is damaged"), std::string::npos) << r.out;
  EXPECT_EQ(runArchive(testing::TempDir() + "/missing.archive").status, 2);
}

TEST(ArchiveCommand, AClassItDoesNotModelIsNamedWithStatusTwo) {
  std::string path = testing::TempDir() + "/formatter.archive";
  std::ofstream(path) << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                         "<key>$archiver</key><string>NSKeyedArchiver</string>"
                         "<key>$version</key><integer>100000</integer>"
                         "<key>$top</key><dict><key>root</key><dict><key>CF$UID</key>"
                         "<integer>1</integer></dict></dict><key>$objects</key><array>"
                         "<string>$null</string><dict><key>$class</key><dict><key>CF$UID</key>"
                         "<integer>2</integer></dict></dict><dict><key>$classname</key>"
                         "<string>NSMeasurement</string><key>$classes</key><array>"
                         "<string>NSMeasurement</string><string>NSObject</string></array></dict>"
                         "</array></dict></plist>\n";
  Result r = runArchive(path);
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("NSMeasurement"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("does not model"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("damaged"), std::string::npos) << r.out;
}

TEST(ArchiveCommand, ListsTheMembersOfSets) {
  auto counted = std::make_shared<NSCountedSet>(std::vector<id>{S("a"), S("a"), S("b")});
  auto root = NSArray::arrayWithObjects(
      {counted, std::make_shared<NSOrderedSet>(std::vector<id>{S("y"), S("x")})});
  std::string path = testing::TempDir() + "/sets.archive";
  ASSERT_TRUE(NSKeyedArchiver::archivedDataWithRootObject(root)->writeToFileAtomically(path, YES));
  Result r = runArchive(path);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("  [0] NSCountedSet (2)\n    x2 NSString \"a\"\n    x1 NSString \"b\"\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  [1] NSOrderedSet (2)\n    [0] NSString \"y\"\n    [1] NSString \"x\"\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
