// Glyphs and underlines land where the layout says, in the runs' colours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "CoreGraphics/CGBitmapContext.h"
#include "CoreGraphics/CGImage.h"
#include "CoreText/CoreText.h"
#include "Foundation/NSAttributedString.h"
#include "Foundation/NSNumber.h"

namespace {

constexpr size_t kW = 240, kH = 80;

struct Canvas {
  std::vector<uint8_t> pixels = std::vector<uint8_t>(kW * kH * 4, 0);
  CGContextRef ctx =
      CGBitmapContextCreate(pixels.data(), kW, kH, 8, kW * 4, CGColorSpaceCreateDeviceRGB(),
                            kCGImageAlphaPremultipliedLast);
  // y-up user coordinates to a pixel.
  const uint8_t* at(size_t x, double userY) const {
    size_t row = kH - 1 - static_cast<size_t>(userY);
    return &pixels[(row * kW + x) * 4];
  }
  void save(const char* name) const {
    CGImageWriteToPNGFile(CGBitmapContextCreateImage(ctx),
                          std::string(NIMBRA_BUILD_DIR) + "/" + name);
  }
};

Strong<NSMutableDictionary> attrs() {
  auto d = NSMutableDictionary::dictionary();
  d->setObjectForKey(
      CTFontCreateWithName(NSString::stringWithUTF8String("DejaVuSans"), 30, nullptr),
      kCTFontAttributeName);
  d->setObjectForKey(CGColorCreateGenericRGB(1, 0, 0, 1), kCTForegroundColorAttributeName);
  return d;
}

TEST(CTLineDraw, GlyphsAndUnderlineWhereLaidOut) {
  Canvas c;
  ASSERT_TRUE(c.ctx);
  auto a = attrs();
  a->setObjectForKey(NSNumber::numberWithInt(kCTUnderlineStyleSingle),
                     kCTUnderlineStyleAttributeName);
  CTLineRef line = CTLineCreateWithAttributedString(
      NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String("HIH HIH"), a));
  CGFloat asc, desc;
  double w = CTLineGetTypographicBounds(line, &asc, &desc, nullptr);
  CGContextSetTextMatrix(c.ctx, CGAffineTransformIdentity);
  CGContextSetTextPosition(c.ctx, 10, 30);
  CTLineDraw(line, c.ctx);
  c.save("coretext_drawing_underline.png");

  CTFontRef font = CTFontCreateWithName(NSString::stringWithUTF8String("DejaVuSans"), 30, nullptr);
  // The stem of the first "H" sits just right of the pen start, between baseline and cap height.
  int red = 0;
  for (size_t x = 10; x < 20; ++x) {
    const uint8_t* p = c.at(x, 30 + CTFontGetCapHeight(font) / 2);
    if (p[0] > 200 && p[1] < 60 && p[3] > 200) ++red;
  }
  EXPECT_GT(red, 0);
  // Nothing above the cap height or left of the pen.
  for (size_t x = 0; x < kW; ++x) EXPECT_EQ(c.at(x, 30 + asc + 3)[3], 0) << x;
  for (double y = 0; y < kH; ++y) EXPECT_EQ(c.at(5, y)[3], 0);
  // The underline runs under the whole line, through the space too, at the font's position.
  double uy = 30 + CTFontGetUnderlinePosition(font);
  int covered = 0, total = 0;
  for (size_t x = 12; x < static_cast<size_t>(10 + w - 2); ++x, ++total)
    if (c.at(x, uy)[3] > 100) ++covered;
  EXPECT_EQ(covered, total);
  // Just below the glyphs (baseline) in the space between words: no ink above the underline.
  double spaceX = 10 + CTLineGetOffsetForStringIndex(line, 3, nullptr) + 2;
  EXPECT_EQ(c.at(static_cast<size_t>(spaceX), 30 + 5)[3], 0);
}

TEST(CTLineDraw, ColourFromContextAndFrames) {
  Canvas c;
  auto a = attrs();
  a->setObjectForKey(NSNumber::numberWithBool(YES), kCTForegroundColorFromContextAttributeName);
  auto s =
      NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String("HH\nHH"), a);
  auto fs = CTFramesetterCreateWithAttributedString(s);
  auto frame = CTFramesetterCreateFrame(
      fs, CFRangeMake(0, 0), CGPathCreateWithRect(CGRectMake(20, 0, 200, kH), nullptr), nullptr);
  ASSERT_EQ(CTFrameGetLines(frame)->count(), 2u);
  CGPoint o[2];
  CTFrameGetLineOrigins(frame, CFRangeMake(0, 0), o);
  CGContextSetRGBFillColor(c.ctx, 0, 0, 1, 1);
  CGContextSetTextMatrix(c.ctx, CGAffineTransformIdentity);
  CTFrameDraw(frame, c.ctx);
  c.save("coretext_drawing_frame.png");
  for (const CGPoint& p : o) {
    int blue = 0;
    for (size_t x = 20; x < 32; ++x) {
      const uint8_t* px = c.at(x, p.y + 8);
      if (px[2] > 200 && px[0] < 60) ++blue;
      EXPECT_LT(px[0], 60);  // no red: the run's own colour was not used
    }
    EXPECT_GT(blue, 0);
  }
}

TEST(CTLineDraw, StrokeWidthOutlinesInTheStrokeColour) {
  Canvas c;
  auto a = attrs();
  a->setObjectForKey(NSNumber::numberWithDouble(4), kCTStrokeWidthAttributeName);
  a->setObjectForKey(CGColorCreateGenericRGB(0, 1, 0, 1), kCTStrokeColorAttributeName);
  CTLineRef line = CTLineCreateWithAttributedString(
      NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String("HO"), a));
  CGContextSetTextMatrix(c.ctx, CGAffineTransformIdentity);
  CGContextSetTextPosition(c.ctx, 10, 30);
  CTLineDraw(line, c.ctx);
  int green = 0, red = 0;
  for (size_t x = 0; x < kW; ++x)
    for (double y = 20; y < 60; ++y) {
      const uint8_t* p = c.at(x, y);
      green += p[1] > 150 && p[0] < 100;
      red += p[0] > 150;
    }
  EXPECT_GT(green, 0);
  EXPECT_EQ(red, 0);  // a positive width outlines only: no fill in the foreground colour
}

}  // namespace

// An emoji shown as a picture draws in colour at the text's size, whatever the
// foreground colour; one in text presentation draws in the foreground colour.
TEST(CTLineDraw, EmojiDrawInColourAtTheTextsSize) {
  const struct {
    const char* name;
    const char* text;
    bool colour;
  } cases[] = {
      {"emoji", "\xF0\x9F\x98\x80", true},                        // U+1F600
      {"heart with selector", "\xE2\x9D\xA4\xEF\xB8\x8F", true},  // U+2764 U+FE0F
      {"heart as text", "\xE2\x9D\xA4", false},                   // U+2764
  };
  for (const auto& k : cases) {
    Canvas c;
    auto a = attrs();
    a->setObjectForKey(CGColorCreateGenericRGB(0.5, 0.5, 0.5, 1), kCTForegroundColorAttributeName);
    CTLineRef line = CTLineCreateWithAttributedString(
        NSAttributedString::initWithStringAttributes(NSString::stringWithUTF8String(k.text), a));
    CGContextSetTextMatrix(c.ctx, CGAffineTransformIdentity);
    CGContextSetTextPosition(c.ctx, 10, 20);
    CTLineDraw(line, c.ctx);
    int coloured = 0, inked = 0, top = 0, bottom = static_cast<int>(kH);
    for (size_t y = 0; y < kH; ++y)
      for (size_t x = 0; x < kW; ++x) {
        const uint8_t* p = &c.pixels[(y * kW + x) * 4];
        if (p[3] < 128) continue;
        ++inked;
        top = std::max(top, static_cast<int>(kH - y));
        bottom = std::min(bottom, static_cast<int>(kH - y));
        int spread = std::max({p[0], p[1], p[2]}) - std::min({p[0], p[1], p[2]});
        coloured += spread > 40;
      }
    ASSERT_GT(inked, 50) << k.name;
    if (k.colour) {
      EXPECT_GT(coloured, inked / 4) << k.name;
      // About as tall as the 30-point text: neither the bitmap's own size nor a speck.
      EXPECT_NEAR(top - bottom, 28, 6) << k.name;
    } else {
      EXPECT_EQ(coloured, 0) << k.name;
    }
  }
}

// Scripts the requested font lacks fall back to installed fonts and are shaped there:
// no missing glyphs, joined Arabic letters take distinct forms, Devanagari forms a
// conjunct and Thai keeps its marks on their bases.
TEST(CTLineDraw, ScriptsFallBackAndAreShaped) {
  const struct {
    const char* name;
    const char* text;
    bool fewerGlyphs;    // a conjunct or ligature: fewer glyphs than characters
    bool distinctForms;  // the same letter repeated takes different glyphs
  } cases[] = {
      {"CJK", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E", false, false},
      {"Arabic", "\xD8\xA8\xD8\xA8\xD8\xA8", false, true},
      {"Hebrew", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D", false, false},
      {"Devanagari", "\xE0\xA4\x95\xE0\xA5\x8D\xE0\xA4\xB7", true, false},
      {"Thai", "\xE0\xB8\x81\xE0\xB8\xB4\xE0\xB9\x88", false, false},
  };
  for (const auto& k : cases) {
    CTLineRef line = CTLineCreateWithAttributedString(NSAttributedString::initWithStringAttributes(
        NSString::stringWithUTF8String(k.text), attrs()));
    std::vector<CGGlyph> glyphs;
    for (const id& item : CTLineGetGlyphRuns(line)->objects()) {
      auto run = std::static_pointer_cast<CTRun>(item);
      std::vector<CGGlyph> g(static_cast<size_t>(CTRunGetGlyphCount(run)));
      CTRunGetGlyphs(run, CFRangeMake(0, 0), g.data());
      glyphs.insert(glyphs.end(), g.begin(), g.end());
    }
    CFIndex characters = CTLineGetStringRange(line).length;
    ASSERT_FALSE(glyphs.empty()) << k.name;
    for (CGGlyph g : glyphs) EXPECT_NE(g, 0) << k.name << ": a missing glyph";
    if (k.fewerGlyphs) {
      EXPECT_LT(static_cast<CFIndex>(glyphs.size()), characters) << k.name;
    }
    if (k.distinctForms) {
      ASSERT_EQ(glyphs.size(), 3u) << k.name;
      EXPECT_NE(glyphs[0], glyphs[1]) << k.name;
      EXPECT_NE(glyphs[1], glyphs[2]) << k.name;
    }
  }
}
