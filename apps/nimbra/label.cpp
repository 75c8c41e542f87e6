// nimbra label --out FILE.png: a gallery sheet of the rich text label, one captioned row
// per feature, drawn by the label itself.
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "../common/PngPath.h"
#include "Command.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSValue.h"
#include "LabelCompare.h"
#include "TTTAttributedLabel.h"
#include "UIKit/NSAttributedStringKeys.h"
#include "UIKit/UIFont.h"
#include "UIKit/UIView.h"
#include "dispatch/CFRunLoop.h"

namespace {

constexpr CGFloat kWidth = 640;
constexpr CGFloat kMargin = 16;
constexpr CGFloat kCaptionHeight = 18;
constexpr CGFloat kGap = 10;

Strong<NSString> S(const char* s) {
  return NSString::stringWithUTF8String(s);
}

Strong<UIFont> sampleFont(CGFloat size = 16) {
  return UIFont::systemFontOfSize(size);
}

CGColorRef rgb(CGFloat r, CGFloat g, CGFloat b) {
  return CGColorCreateGenericRGB(r, g, b, 1);
}

// A sample label of one row; `configure` sets its text and properties.
Strong<TTTAttributedLabel> sample(CGFloat x, CGFloat width, CGFloat height) {
  auto label = TTTAttributedLabel::initWithFrame(CGRectMake(x, 0, width, height));
  label->setFont(sampleFont());
  label->setNumberOfLines(0);
  label->setVerticalAlignment(TTTAttributedLabelVerticalAlignmentTop);
  return label;
}

Strong<NSMutableAttributedString> text(const char* s, CGFloat size = 16) {
  return NSMutableAttributedString::initWithStringAttributes(
      S(s), NSDictionary::dictionaryWithObjectsAndKeys({{kCTFontAttributeName, sampleFont(size)}}));
}

NSRange rangeOf(const Strong<NSAttributedString>& s, const char* part) {
  return s->string()->rangeOfString(S(part));
}

struct Row {
  std::string caption;
  CGFloat height;
  std::vector<Strong<UIView>> samples;
};

// ---- the rows

Row links() {
  Row row{"Links: default styling, then custom attributes", 46, {}};
  auto plain = sample(0, 300, 46);
  plain->setText(S("Read the project page or write to the team."));
  plain->addLinkToURLWithRange(NSURL::URLWithString(S("https://example.com/nimbra")),
                               rangeOf(plain->attributedText(), "project page"));
  auto custom = sample(320, 300, 46);
  custom->setLinkAttributes(NSDictionary::dictionaryWithObjectsAndKeys(
      {{kCTForegroundColorAttributeName, UIColor::orangeColor()},
       {kCTUnderlineStyleAttributeName, NSNumber::numberWithInt(kCTUnderlineStyleDouble)},
       {kCTFontAttributeName, UIFont::boldSystemFontOfSize(16)}}));
  custom->setText(S("Thanks to @Orlindu for the icon, and to everyone testing."));
  custom->addLinkToURLWithRange(NSURL::URLWithString(S("action://twitter-Orlindu")),
                                rangeOf(custom->attributedText(), "@Orlindu"));
  row.samples = {plain, custom};
  return row;
}

Row boxes() {
  Row row{"Background boxes: fill, stroke, padding, corner radius, line width 2", 30, {}};
  auto label = sample(0, kWidth - 2 * kMargin, 30);
  auto t = text("fill   stroke   padded round   both   line width");
  auto put = [&](const char* part, const Strong<NSString>& key, const id& value) {
    t->addAttributeValueRange(key, value, rangeOf(t, part));
  };
  put("fill", kTTTBackgroundFillColorAttributeName, rgb(1, 0.85, 0.3));
  put("stroke", kTTTBackgroundStrokeColorAttributeName, rgb(0.1, 0.4, 0.9));
  put("padded round", kTTTBackgroundFillColorAttributeName, rgb(0.6, 0.9, 0.6));
  put("padded round", kTTTBackgroundFillPaddingAttributeName,
      NSValueWithUIEdgeInsets(UIEdgeInsetsMake(3, 4, 3, 4)));
  put("padded round", kTTTBackgroundCornerRadiusAttributeName, NSNumber::numberWithFloat(7));
  put("both", kTTTBackgroundFillColorAttributeName, rgb(1, 0.8, 0.85));
  put("both", kTTTBackgroundStrokeColorAttributeName, rgb(0.8, 0, 0.2));
  put("both", kTTTBackgroundCornerRadiusAttributeName, NSNumber::numberWithFloat(4));
  put("line width", kTTTBackgroundFillColorAttributeName, rgb(0.75, 0.85, 1));
  put("line width", kTTTBackgroundStrokeColorAttributeName, rgb(0.2, 0.3, 0.8));
  put("line width", kTTTBackgroundLineWidthAttributeName, NSNumber::numberWithFloat(2));
  label->setText(t);
  row.samples = {label};
  return row;
}

Row strikes() {
  Row row{"Strike-outs on a plain, a superscript and a subscript run", 30, {}};
  auto label = sample(0, kWidth - 2 * kMargin, 30);
  auto t = text("plain words   E = mc2   H2O   and a red one");
  auto strike = [&](NSRange r) {
    t->addAttributeValueRange(kTTTStrikeOutAttributeName, NSNumber::numberWithBool(YES), r);
  };
  strike(rangeOf(t, "plain words"));
  NSRange two = rangeOf(t, "mc2");
  NSRange super = NSMakeRange(two.location + 2, 1);
  t->addAttributeValueRange(kCTSuperscriptAttributeName, NSNumber::numberWithInt(1), super);
  strike(super);
  NSRange water = rangeOf(t, "H2O");
  NSRange sub = NSMakeRange(water.location + 1, 1);
  t->addAttributeValueRange(kCTSuperscriptAttributeName, NSNumber::numberWithInt(-1), sub);
  strike(sub);
  NSRange red = rangeOf(t, "a red one");
  strike(red);
  t->addAttributeValueRange(kCTForegroundColorAttributeName, UIColor::redColor(), red);
  label->setText(t);
  row.samples = {label};
  return row;
}

Strong<TTTAttributedLabel> truncated(CGFloat x, NSLineBreakMode mode, bool customToken) {
  auto label = sample(x, 190, 24);
  label->setNumberOfLines(1);
  label->setLineBreakMode(mode);
  if (customToken) {
    label->setTruncationTokenString(S(" [more]"));
    label->setTruncationTokenStringAttributes(NSDictionary::dictionaryWithObjectsAndKeys(
        {{kCTFontAttributeName, UIFont::boldSystemFontOfSize(14)},
         {kCTForegroundColorAttributeName, UIColor::redColor()}}));
  }
  label->setText(S("Every badged icon glows in the colour you choose\nand more below"));
  return label;
}

Row truncation(bool customToken) {
  Row row{customToken ? "Truncation head / middle / tail with a custom token and attributes"
                      : "Truncation head / middle / tail with the default token",
          24,
          {}};
  row.samples = {truncated(0, NSLineBreakByTruncatingHead, customToken),
                 truncated(204, NSLineBreakByTruncatingMiddle, customToken),
                 truncated(408, NSLineBreakByTruncatingTail, customToken)};
  return row;
}

Row shrink() {
  Row row{"Shrink to fit: as set, then adjustsFontSizeToFitWidth (minimum scale 0.6)", 28, {}};
  const char* words = "A sentence a little too long for its label";
  auto as = sample(0, 300, 28);
  as->setNumberOfLines(1);
  as->setFont(sampleFont(18));
  as->setText(S(words));
  auto shrunk = sample(320, 300, 28);
  shrunk->setNumberOfLines(1);
  shrunk->setFont(sampleFont(18));
  shrunk->setAdjustsFontSizeToFitWidth(true);
  shrunk->setMinimumScaleFactor(0.6);
  shrunk->setText(S(words));
  row.samples = {as, shrunk};
  return row;
}

Row alignment() {
  Row row{"Vertical alignment top / centre / bottom, insets 6 (grey: the label's bounds)", 56, {}};
  const NSInteger modes[] = {TTTAttributedLabelVerticalAlignmentTop,
                             TTTAttributedLabelVerticalAlignmentCenter,
                             TTTAttributedLabelVerticalAlignmentBottom};
  const char* names[] = {"top", "centre", "bottom"};
  for (int i = 0; i < 3; ++i) {
    auto label = sample(204 * i, 190, 56);
    label->setBackgroundColor(UIColor::colorWithWhiteAlpha(0.92, 1));
    label->setTextInsets(UIEdgeInsetsMake(6, 6, 6, 6));
    label->setVerticalAlignment(modes[i]);
    label->setText(S(names[i]));
    row.samples.push_back(label);
  }
  return row;
}

Row shadows() {
  Row row{"Shadows: normal (offset 2, 2, radius 3), highlighted (offset -2, 2, radius 1)", 32, {}};
  auto normal = sample(0, 300, 32);
  normal->setFont(UIFont::boldSystemFontOfSize(22));
  normal->setShadowColor(UIColor::colorWithRedGreenBlueAlpha(0.2, 0.3, 0.9, 0.8));
  normal->setShadowOffset(CGSizeMake(2, 2));
  normal->setShadowRadius(3);
  normal->setText(S("Glowing badges"));
  auto lit = sample(320, 300, 32);
  lit->setFont(UIFont::boldSystemFontOfSize(22));
  lit->setHighlightedShadowColor(UIColor::orangeColor());
  lit->setHighlightedShadowOffset(CGSizeMake(-2, 2));
  lit->setHighlightedShadowRadius(1);
  lit->setText(S("Highlighted"));
  lit->setHighlighted(true);
  row.samples = {normal, lit};
  return row;
}

Row highlightColour() {
  Row row{"Highlighted text colour: normal, then highlighted (purple)", 26, {}};
  auto normal = sample(0, 300, 26);
  normal->setHighlightedTextColor(UIColor::purpleColor());
  normal->setText(S("Tap and hold the row"));
  auto lit = sample(320, 300, 26);
  lit->setHighlightedTextColor(UIColor::purpleColor());
  lit->setText(S("Tap and hold the row"));
  lit->addLinkToURLWithRange(NSURL::URLWithString(S("https://example.com")), NSMakeRange(0, 3));
  lit->setHighlighted(true);
  row.samples = {normal, lit};
  return row;
}

Row rightToLeft() {
  Row row{"Right to left: Arabic and Hebrew, right aligned, with a box on one word", 28, {}};
  auto arabic = sample(0, 300, 28);
  arabic->setTextAlignment(NSTextAlignmentRight);
  auto a = text(
      "\u0634\u0643\u0631\u0627 \u0644\u0644\u0645\u0635\u0645\u0645 \u0639\u0644\u0649 "
      "\u0627\u0644\u0623\u064A\u0642\u0648\u0646\u0629");
  a->addAttributeValueRange(kTTTBackgroundFillColorAttributeName, rgb(1, 0.85, 0.3),
                            NSMakeRange(0, 4));
  arabic->setText(a);
  // Flush with the right margin, as the Arabic sample is with the left one.
  auto hebrew = sample(kWidth - 2 * kMargin - 300, 300, 28);
  hebrew->setTextAlignment(NSTextAlignmentRight);
  auto h = text("\u05EA\u05D5\u05D3\u05D4 \u05DC\u05DE\u05E2\u05E6\u05D1 \u05D4\u05E1\u05DE\u05DC");
  h->addAttributeValueRange(kTTTBackgroundFillColorAttributeName, rgb(0.6, 0.9, 0.6),
                            NSMakeRange(5, 5));
  hebrew->setText(h);
  row.samples = {arabic, hebrew};
  return row;
}

Row fallback() {
  Row row{"Font fallback: CJK, Devanagari, Thai; colour emoji (a heart as text, then as emoji)",
          28,
          {}};
  auto label = sample(0, kWidth - 2 * kMargin, 28);
  label->setText(
      S("\u65E5\u672C\u8A9E\u306E\u30C6\u30AD\u30B9\u30C8  \u4E2D\u6587  "
        "\uD55C\uAD6D\uC5B4  \u0939\u093F\u0928\u094D\u0926\u0940  "
        "\u0E20\u0E32\u0E29\u0E32\u0E44\u0E17\u0E22  \U0001F600 \U0001F60E \u2764 "
        "\u2764\uFE0F \u2605"));
  row.samples = {label};
  return row;
}

// Serves the main queue until the scan of `label` has come back or time is up.
void awaitDetection(const Strong<TTTAttributedLabel>& label, NSUInteger known) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  while (label->links()->count() == known && std::chrono::steady_clock::now() < end)
    CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0.02, true);
}

Row detected() {
  auto label = sample(0, kWidth - 2 * kMargin, 44);
  label->setEnabledTextCheckingTypes(NSTextCheckingAllDetectorTypes);
  label->setText(
      S("See www.example.com or call +1 415 555 0100 before next Tuesday at 5pm; we are at "
        "1 Main Street, Springfield, IL 62701 and fly UA 123."));
  awaitDetection(label, 0);
  std::string kinds;
  for (const auto& [type, name] : std::vector<std::pair<NSTextCheckingType, const char*>>{
           {NSTextCheckingTypeLink, "link"},
           {NSTextCheckingTypePhoneNumber, "phone"},
           {NSTextCheckingTypeDate, "date"},
           {NSTextCheckingTypeAddress, "address"},
           {NSTextCheckingTypeTransitInformation, "transit"}}) {
    for (const id& link : label->links()->objects()) {
      if (objc_cast<NSTextCheckingResult>(link)->resultType() == type) {
        kinds += kinds.empty() ? name : std::string(", ") + name;
        break;
      }
    }
  }
  Row row{
      "Detected links, all five kinds enabled (found: " + (kinds.empty() ? "none" : kinds) + ")",
      44,
      {label}};
  return row;
}

// ---- the sheet

Strong<UIView> sheet(const std::vector<Row>& rows) {
  CGFloat height = kMargin;
  for (const Row& row : rows) height += kCaptionHeight + row.height + kGap;
  auto page = UIView::initWithFrame(CGRectMake(0, 0, kWidth, height + kMargin));
  page->setBackgroundColor(UIColor::whiteColor());
  CGFloat y = kMargin;
  for (const Row& row : rows) {
    auto caption =
        UILabel::initWithFrame(CGRectMake(kMargin, y, kWidth - 2 * kMargin, kCaptionHeight));
    caption->setFont(UIFont::systemFontOfSize(11));
    caption->setTextColor(UIColor::darkGrayColor());
    caption->setText(S(row.caption.c_str()));
    page->addSubview(caption);
    y += kCaptionHeight;
    for (const auto& view : row.samples) {
      CGRect f = view->frame();
      view->setFrame(CGRectMake(kMargin + f.origin.x, y, f.size.width, f.size.height));
      page->addSubview(view);
    }
    y += row.height + kGap;
  }
  return page;
}

class Label : public commandline::Command {
 public:
  Label() : Command("label", "draw the rich text label's gallery, or its pictures beside Pango's") {
    commandline::pngFile(add_option("--out", out_, "the gallery's picture"))->type_name("FILE.png");
    add_option("--compare", compare_,
               "write the label's pictures beside Pango's for the same paragraphs, fonts and "
               "widths into DIR")
        ->type_name("DIR");
    unknown([](const std::string& arg) { return "unexpected argument " + arg; });
  }
  int run() override;

 private:
  std::string out_, compare_;
};

int Label::run() {
  const std::string &out = out_, &compare = compare_;
  if (out.empty() && compare.empty())
    throw commandline::Refused("needs --out FILE.png or --compare DIR");
  if (!compare.empty()) {
    int status = writeLabelComparison(compare);
    if (status != 0 || out.empty()) return status;
  }
  std::vector<Row> rows = {links(),           boxes(),       strikes(),   truncation(false),
                           truncation(true),  shrink(),      alignment(), shadows(),
                           highlightColour(), rightToLeft(), fallback(),  detected()};
  if (!sheet(rows)->writePNG(out, 2)) {
    std::fprintf(stderr, "nimbra label: cannot write %s; check that its folder is writable\n",
                 out.c_str());
    return 1;
  }
  return 0;
}

const nimbra::Registration label{[] { return std::make_shared<Label>(); }};

}  // namespace
