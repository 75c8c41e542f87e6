// The thanks row in the Settings app host, as a person meets it: the handle blue and
// underlined at rest, red and plain while a finger is on it, the profile opened when the
// finger lifts, nothing for a touch beside it; and what a screen reader finds there.
#include "CoreGraphics/CGImage.h"
#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "SettingsHost.h"
#include "TempHome.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIFont.h"
#include "UIKit/UITableView.h"
#include "UIKit/UIWindow.h"
#include "gtest/gtest.h"

using settingshost::Host;

namespace {

struct HostRun {
  TempHome home;
  Host host{NIMBRA_ROOT};
  std::string error;

  HostRun() { EXPECT_TRUE(host.start(&error)) << error; }
  bool step(const std::string& verb, std::vector<std::string> args = {}) {
    return host.run({verb, std::move(args)}, &error);
  }
};

struct Pixel {
  int r, g, b, a;
};

Pixel at(const CGImageRef& image, size_t x, size_t y) {
  const uint8_t* p = image->pixels() + y * image->bytesPerRow() + x * 4;
  return {p[0], p[1], p[2], p[3]};
}

std::string capture(HostRun& run, const std::string& verb, std::vector<std::string> args = {}) {
  testing::internal::CaptureStdout();
  bool ok = run.step(verb, std::move(args));
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_TRUE(ok) << run.error;
  return out;
}

UIView* findView(UIView* root, const char* className) {
  if (std::string(class_getName(root->getClass())) == className) return root;
  for (const auto& sub : root->subviews())
    if (UIView* found = findView(sub.get(), className)) return found;
  return nullptr;
}

// The thanks row of the pane, scrolled into the window, as the screen shows it.
struct ThanksRow {
  HostRun run;
  UIView* label = nullptr;
  CGRect frame{};  // the label in the window

  ThanksRow() {
    EXPECT_TRUE(run.step("tap", {"Nimbra"})) << run.error;
    auto table = run.host.topTable();
    label = findView(run.host.window().get(), "TTTAttributedLabel");
    if (!table || !label) return;
    run.host.window()->layoutIfNeeded();
    CGRect row = label->convertRectToView(label->bounds(), run.host.window().get());
    CGRect shown = run.host.window()->bounds();
    table->setContentOffset(
        CGPointMake(0, std::max<CGFloat>(0, row.origin.y + row.size.height - shown.size.height)));
    frame = label->convertRectToView(label->bounds(), run.host.window().get());
  }

  // The screen at one pixel per point, kept for a person to look at.
  CGImageRef shot(const char* name) {
    CGImageRef image = run.host.window()->renderImage(1);
    CGImageWriteToPNGFile(image, std::string(NIMBRA_BUILD_DIR) + "/thanks-row-" + name + ".png");
    return image;
  }
};

struct Ink {
  int blue = 0, red = 0, black = 0;
  int longestBlueRow = 0, longestRedRow = 0;  // widest run of one colour on one pixel row
  CGRect blueBox = CGRectNull;
};

Ink inkIn(const CGImageRef& image, CGRect r) {
  Ink ink;
  for (size_t y = static_cast<size_t>(r.origin.y); y < static_cast<size_t>(CGRectGetMaxY(r)); ++y) {
    int blueRun = 0, redRun = 0;
    for (size_t x = static_cast<size_t>(r.origin.x); x < static_cast<size_t>(CGRectGetMaxX(r));
         ++x) {
      Pixel p = at(image, x, y);
      bool blue = p.b > 180 && p.r < 90 && p.g < 90;
      bool red = p.r > 180 && p.g < 90 && p.b < 90;
      bool black = p.r < 70 && p.g < 70 && p.b < 70;
      ink.blue += blue;
      ink.red += red;
      ink.black += black;
      blueRun = blue ? blueRun + 1 : 0;
      redRun = red ? redRun + 1 : 0;
      ink.longestBlueRow = std::max(ink.longestBlueRow, blueRun);
      ink.longestRedRow = std::max(ink.longestRedRow, redRun);
      if (blue)
        ink.blueBox = CGRectUnion(
            ink.blueBox, CGRectMake(static_cast<CGFloat>(x), static_cast<CGFloat>(y), 1, 1));
    }
  }
  return ink;
}

}  // namespace

TEST(ThanksRow, TheThanksRowShowsItsLinkPressedWhileTheFingerIsDown) {
  ThanksRow t;
  ASSERT_NE(t.label, nullptr);
  ASSERT_TRUE(CGRectContainsRect(t.run.host.window()->bounds(), t.frame));
  UIApplication::sharedApplication()->clearOpenedURLs();

  // At rest: the handle blue and underlined (a blue line as wide as most of the word),
  // the rest of the sentence black.
  Ink rest = inkIn(t.shot("rest"), t.frame);
  EXPECT_GT(rest.blue, 60);
  EXPECT_EQ(rest.red, 0);
  ASSERT_FALSE(CGRectIsNull(rest.blueBox));
  CGRect before = t.frame, after = t.frame;
  before.size.width = rest.blueBox.origin.x - t.frame.origin.x;
  after.origin.x = CGRectGetMaxX(rest.blueBox);
  after.size.width = CGRectGetMaxX(t.frame) - after.origin.x;
  CGImageRef restImage = t.run.host.window()->renderImage(1);
  EXPECT_GT(inkIn(restImage, before).black, 150);  // "Special thanks to @"
  EXPECT_GT(inkIn(restImage, after).black, 80);    // "for the icon!"
  // The blue is the handle alone: as wide as "Orlindu" in the row's bold font.
  auto handleText = NSAttributedString::initWithStringAttributes(
      NSSTR("Orlindu"), NSDictionary::dictionaryWithObjectsAndKeys(
                            {{kCTFontAttributeName, UIFont::boldSystemFontOfSize(14)}}));
  EXPECT_NEAR(rest.blueBox.size.width,
              CTLineGetTypographicBounds(CTLineCreateWithAttributedString(handleText), nullptr,
                                         nullptr, nullptr),
              2);
  EXPECT_GT(rest.longestBlueRow, 0.8 * rest.blueBox.size.width);

  // A finger on the handle: red, with no underline, until it lifts.
  CGPoint handle = CGPointMake(CGRectGetMidX(rest.blueBox), CGRectGetMidY(rest.blueBox));
  std::string point = std::to_string(handle.x) + "," + std::to_string(handle.y);
  ASSERT_TRUE(t.run.step("touch-down", {point})) << t.run.error;
  Ink pressed = inkIn(t.shot("pressed"), t.frame);
  EXPECT_GT(pressed.red, 60);
  EXPECT_EQ(pressed.blue, 0);
  EXPECT_LT(pressed.longestRedRow, 0.5 * rest.blueBox.size.width);
  EXPECT_TRUE(UIApplication::sharedApplication()->openedURLs().empty());

  testing::internal::CaptureStdout();
  ASSERT_TRUE(t.run.step("touch-up", {point})) << t.run.error;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "openURL http://twitter.com/Orlindu\n");
  Ink released = inkIn(t.shot("released"), t.frame);
  EXPECT_EQ(released.blue, rest.blue);
  EXPECT_EQ(released.red, 0);

  // A tap on the sentence outside the handle opens nothing.
  std::string plain = std::to_string(t.frame.origin.x + 20) + "," + std::to_string(handle.y);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(t.run.step("tap-point", {plain})) << t.run.error;
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(UIApplication::sharedApplication()->openedURLs().size(), 1u);
  UIApplication::sharedApplication()->clearOpenedURLs();
}

TEST(ThanksRow, TheScreenReaderReadsTheThanksLinkBeforeTheWholeSentence) {
  ThanksRow t;
  std::string tree = capture(t.run, "accessibility");
  auto link = tree.find("traits=link  label=\"Orlindu\"  value=\"action://twitter-Orlindu\"");
  auto whole = tree.find("label=\"Special thanks to @Orlindu for the icon!\"");
  ASSERT_NE(link, std::string::npos) << tree;
  ASSERT_NE(whole, std::string::npos) << tree;
  EXPECT_LT(link, whole);
}
