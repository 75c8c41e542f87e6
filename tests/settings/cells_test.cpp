// The header and thanks rows: their frames on a 320-point screen and on a fractional
// width, their heights, and the thanks row's sentence, bold linked handle and link.
#include "CoreText/CTFont.h"
#include "CoreText/CTStringAttributes.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSString.h"
#include "Foundation/NSURL.h"
#include "Pane.h"
#include "Preferences/PSTableCell.h"
#include "UIKit/UIApplication.h"
#include "UIKit/UIFont.h"
#include "UIKit/UILabel.h"
#include "UIKit/UIScreen.h"

namespace {

class Screen {
 public:
  explicit Screen(CGFloat width) : old_(UIScreen::mainScreen()->bounds()) {
    UIScreen::mainScreen()->setBounds(CGRectMake(0, 0, width, 568));
  }
  ~Screen() { UIScreen::mainScreen()->setBounds(old_); }

 private:
  CGRect old_;
};

Strong<PSTableCell> makeCell(const char* name) {
  loadBundle();
  auto cell = make<PSTableCell>(name);
  if (!cell) return nullptr;
  return objc_cast<PSTableCell>(
      objc_msgSend<id>(cell, OBJC_SEL("initWithSpecifier:"), static_cast<NSObject*>(nullptr)));
}

Strong<UILabel> label(const Strong<PSTableCell>& cell, std::size_t i) {
  const auto& views = cell->contentView()->subviews();
  // The base cell's own text label comes first.
  std::vector<Strong<UILabel>> mine;
  for (const auto& v : views) {
    if (auto l = objc_cast<UILabel>(v); l && l != cell->textLabel()) mine.push_back(l);
  }
  return i < mine.size() ? mine[i] : nullptr;
}

void expectFrame(CGRect f, CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  EXPECT_EQ(f.origin.x, x);
  EXPECT_EQ(f.origin.y, y);
  EXPECT_EQ(f.size.width, w);
  EXPECT_EQ(f.size.height, h);
}

CGFloat rowHeight(const Strong<PSTableCell>& cell, CGFloat width) {
  return objc_msgSend<CGFloat>(cell, OBJC_SEL("preferredHeightForWidth:inTableView:"), width,
                               static_cast<NSObject*>(nullptr));
}

}  // namespace

TEST(HeaderCell, LabelsOnA320PointScreen) {
  Screen screen(320);
  auto cell = makeCell("HeaderCell");
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->reuseIdentifier()->stdString(), "headerCell");
  auto heading = label(cell, 0);
  auto subtitle = label(cell, 1);
  ASSERT_TRUE(heading && subtitle);
  expectFrame(heading->frame(), 0, 0, 320, 60);
  expectFrame(subtitle->frame(), 0, 35, 320, 60);
  EXPECT_EQ(heading->text()->stdString(), "Nimbra");
  EXPECT_EQ(subtitle->text()->stdString(), "By Varenko");
  ASSERT_TRUE(heading->font() && subtitle->font());
  EXPECT_EQ(heading->font()->pointSize(), 48);
  EXPECT_EQ(subtitle->font()->pointSize(), 16);
  EXPECT_EQ(heading->textAlignment(), NSTextAlignmentCenter);
  EXPECT_EQ(heading->numberOfLines(), 1);
  EXPECT_TRUE(cell->backgroundColor()->isEqual(UIColor::clearColor()));
  for (CGFloat width : {0.0, 320.0, 1e9}) EXPECT_EQ(rowHeight(cell, width), 90);
}

TEST(HeaderCell, AFractionalWidthIsCutUntilTheFirstLayout) {
  Screen screen(320.7);
  auto cell = makeCell("HeaderCell");
  ASSERT_NE(cell, nullptr);
  expectFrame(label(cell, 0)->frame(), 0, 0, 320, 60);
  cell->setFrame(CGRectMake(0, 0, 320.7, 90));
  cell->layoutIfNeeded();
  expectFrame(label(cell, 0)->frame(), 0, 0, 320.7, 60);
  expectFrame(label(cell, 1)->frame(), 0, 35, 320.7, 60);
}

TEST(HeaderCell, AnAbsurdScreenWidthDoesNotOverflow) {
  Screen screen(1e12);
  auto cell = makeCell("HeaderCell");
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(label(cell, 0)->frame().size.width, 2147483647.0);
}

TEST(ThanksCell, LabelFrameAndRowHeight) {
  Screen screen(320);
  auto cell = makeCell("ThanksCell");
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->reuseIdentifier()->stdString(), "thanksCell");
  auto text = label(cell, 0);
  ASSERT_NE(text, nullptr);
  expectFrame(text->frame(), 10, 0, 310, 60);
  EXPECT_EQ(text->text()->stdString(), "Special thanks to @Orlindu for the icon!");
  EXPECT_EQ(text->numberOfLines(), 0);
  EXPECT_EQ(rowHeight(cell, 999), 60);
}

TEST(ThanksCell, OnlyTheHandleIsBoldAndLinked) {
  auto cell = makeCell("ThanksCell");
  ASSERT_NE(cell, nullptr);
  auto label = cell->contentView()->subviews().back();
  ASSERT_STREQ(class_getName(label->getClass()), "TTTAttributedLabel");
  auto text = objc_cast<UILabel>(label)->attributedText();
  ASSERT_NE(text, nullptr);
  const std::string sentence = "Special thanks to @Orlindu for the icon!";
  ASSERT_EQ(text->string()->stdString(), sentence);
  const NSUInteger handle = sentence.find("Orlindu"), end = handle + 7;

  // Runs in order: the plain start (with the "@"), the handle, the plain end.
  std::vector<std::pair<NSUInteger, NSUInteger>> runs;
  text->enumerateAttributesInRangeOptionsUsingBlock(
      NSMakeRange(0, text->length()), 0, [&](const Strong<NSDictionary>&, NSRange r, BOOL*) {
        runs.emplace_back(r.location, r.length);
      });
  EXPECT_EQ(runs, (std::vector<std::pair<NSUInteger, NSUInteger>>{
                      {0, handle}, {handle, 7}, {end, sentence.size() - end}}));

  auto at = [&](NSUInteger i) { return text->attributesAtIndexEffectiveRange(i, nullptr); };
  // The handle: a bold Core Text font of 14, blue (the link colour over the black of the
  // configuring step) and underlined.
  auto bold = objc_cast<CTFont>(at(handle)->objectForKey(kCTFontAttributeName));
  ASSERT_NE(bold, nullptr);
  EXPECT_EQ(bold->postScriptName(), UIFont::boldSystemFontOfSize(14)->fontName()->stdString());
  EXPECT_EQ(bold->size(), 14);
  EXPECT_TRUE(
      at(handle)->objectForKey(kCTForegroundColorAttributeName)->isEqual(UIColor::blueColor()));
  EXPECT_TRUE(at(handle)
                  ->objectForKey(kCTUnderlineStyleAttributeName)
                  ->isEqual(NSNumber::numberWithBool(YES)));
  // The rest: the label's own system font of 14, black, never underlined.
  for (NSUInteger i : {NSUInteger{0}, handle - 1, end}) {
    auto font = objc_cast<UIFont>(at(i)->objectForKey(kCTFontAttributeName));
    ASSERT_NE(font, nullptr) << i;
    EXPECT_TRUE(font->isEqual(UIFont::systemFontOfSize(14).get())) << i;
    EXPECT_TRUE(
        at(i)->objectForKey(kCTForegroundColorAttributeName)->isEqual(UIColor::blackColor()))
        << i;
    EXPECT_EQ(at(i)->objectForKey(kCTUnderlineStyleAttributeName), nullptr) << i;
  }
}

TEST(ThanksCell, OnlyTwitterLinksOpenAProfile) {
  auto cell = makeCell("ThanksCell");
  ASSERT_NE(cell, nullptr);
  auto app = UIApplication::sharedApplication();
  app->clearOpenedURLs();
  auto tap = [&](const char* url) {
    testing::internal::CaptureStderr();
    objc_msgSend(cell, OBJC_SEL("attributedLabel:didSelectLinkWithURL:"),
                 static_cast<NSObject*>(nullptr), NSURL::URLWithString(std::string(url)).get());
    return testing::internal::GetCapturedStderr();
  };
  EXPECT_EQ(tap("action://facebook-Orlindu"), "");
  EXPECT_EQ(tap("http://example.org/"), "");
  EXPECT_TRUE(app->openedURLs().empty());

  std::string log = tap("action://twitter-Orlindu");
  EXPECT_NE(log.find("] [Nimbra] Opening url for Orlindu...\n"), std::string::npos) << log;
  EXPECT_EQ(tap("action://web-x"), "");
  log = tap("action://twitter-a-b");
  EXPECT_NE(log.find("] [Nimbra] Opening url for a...\n"), std::string::npos) << log;
  ASSERT_EQ(app->openedURLs().size(), 2u);
  EXPECT_EQ(app->openedURLs()[0]->absoluteString()->stdString(), "http://twitter.com/Orlindu");
  EXPECT_EQ(app->openedURLs()[1]->absoluteString()->stdString(), "http://twitter.com/a");
  app->clearOpenedURLs();
}
