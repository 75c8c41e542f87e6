#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <limits>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"

namespace {

// Bytes R, G, B, A.
constexpr uint32_t kRGBA = kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big;

using Pixel = std::array<uint8_t, 4>;

CGContextRef makeContext(std::vector<uint8_t>& mem, size_t w, size_t h, uint32_t info) {
  mem.assign(w * h * 4, 0);
  return CGBitmapContextCreate(mem.data(), w, h, 8, w * 4, CGColorSpaceCreateDeviceRGB(), info);
}

Pixel at(const std::vector<uint8_t>& mem, size_t w, size_t x, size_t y) {
  const uint8_t* p = &mem[(y * w + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

std::string tempPath(const char* name) {
  return std::string(NIMBRA_BUILD_DIR) + "/coregraphics_" + name;
}

TEST(BitmapContext, FillLandsInTheCallersByteOrder) {
  struct Case {
    uint32_t info;
    Pixel expected;  // memory order for opaque (1, 0.5, 0.25)
  };
  // 0.5 -> 128, 0.25 -> 64 (Cairo rounds to nearest).
  const Case cases[] = {
      {kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big, {255, 128, 64, 255}},      // 16385
      {kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, {64, 128, 255, 255}},  // 8194
      {kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Little, {255, 64, 128, 255}},
      {kCGImageAlphaPremultipliedFirst, {255, 255, 128, 64}},
      {kCGImageAlphaNoneSkipLast, {255, 128, 64, 255}},
      {kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little, {64, 128, 255, 255}},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> mem;
    auto ctx = makeContext(mem, 4, 4, c.info);
    ASSERT_NE(ctx, nullptr) << c.info;
    CGContextSetRGBFillColor(ctx, 1, 0.5, 0.25, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, 4, 4));
    EXPECT_EQ(at(mem, 4, 2, 2), c.expected) << "bitmap info " << c.info;
  }
}

TEST(BitmapContext, PremultipliesAndRejectsUnsupportedFormats) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 2, 2, kRGBA);
  CGContextSetRGBFillColor(ctx, 1, 0, 0, 0.5);
  CGContextFillRect(ctx, CGRectMake(0, 0, 2, 2));
  Pixel p = at(mem, 2, 0, 0);
  EXPECT_NEAR(p[0], 128, 1);
  EXPECT_NEAR(p[3], 128, 1);

  auto rgb = CGColorSpaceCreateDeviceRGB();
  uint8_t buf[64];
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 8, 8, rgb, kCGImageAlphaLast), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 8, 8, rgb, kCGImageAlphaNone), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 16, 16, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 8, 7, rgb, kRGBA), nullptr);  // row too short
  EXPECT_EQ(CGBitmapContextCreate(buf, 0, 2, 8, 8, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 8, 8, nullptr, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(buf, 2, 2, 8, 8, rgb, kRGBA | kCGBitmapByteOrder16Little),
            nullptr);
  // Its own memory when given none, rows computed.
  auto own = CGBitmapContextCreate(nullptr, 3, 1, 8, 0, rgb, kRGBA);
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(CGBitmapContextGetBytesPerRow(own), 12u);
  EXPECT_NE(CGBitmapContextGetData(own), nullptr);
}

TEST(BitmapContext, StartsYUpAndKeepsWhatTheCallerPutThere) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 2, 2, kRGBA);
  // y-up: the rectangle at y 0..1 is the bottom row, the second row in memory.
  CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
  CGContextFillRect(ctx, CGRectMake(0, 0, 2, 1));
  EXPECT_EQ(at(mem, 2, 0, 1), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(at(mem, 2, 0, 0), (Pixel{0, 0, 0, 0}));

  std::vector<uint8_t> pre{10, 20, 30, 255};
  auto one = CGBitmapContextCreate(pre.data(), 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
  CGContextSetRGBFillColor(one, 1, 1, 1, 0);  // transparent: the old pixel shows
  CGContextFillRect(one, CGRectMake(0, 0, 1, 1));
  EXPECT_EQ(at(pre, 1, 0, 0), (Pixel{10, 20, 30, 255}));
}

CGImageRef imageOf(size_t w, size_t h, const std::vector<uint8_t>& rgba) {
  auto provider = CGDataProviderCreateWithData(nullptr, rgba.data(), rgba.size(), nullptr);
  return CGImageCreate(w, h, 8, 32, w * 4, CGColorSpaceCreateDeviceRGB(), kRGBA, provider, nullptr,
                       false, 0);
}

Pixel drawIntoOnePixel(const CGImageRef& image) {
  std::vector<uint8_t> px(4, 0);
  auto ctx = CGBitmapContextCreate(px.data(), 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
  CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), image);
  return {px[0], px[1], px[2], px[3]};
}

TEST(DrawImage, OnePixelIsTheExactPremultipliedAverage) {
  // Half red, half blue: the average rounds 127.5 up.
  EXPECT_EQ(drawIntoOnePixel(imageOf(2, 1, {255, 0, 0, 255, 0, 0, 255, 255})),
            (Pixel{128, 0, 128, 255}));
  // Transparency counts: premultiplied red and clear average to half-alpha dark red.
  EXPECT_EQ(drawIntoOnePixel(imageOf(2, 1, {255, 0, 0, 255, 0, 0, 0, 0})), (Pixel{128, 0, 0, 128}));
  // 2x2 into 1x1: (10 + 20 + 30 + 41) / 4 = 25.25 -> 25; 1+1+1+2 over 4 = 1.25 -> 1.
  EXPECT_EQ(
      drawIntoOnePixel(imageOf(2, 2, {10, 1, 0, 255, 20, 1, 0, 255, 30, 1, 0, 255, 41, 2, 0, 255})),
      (Pixel{25, 1, 0, 255}));
  // Odd widths and many rows take every pixel into account.
  std::vector<uint8_t> big;
  for (int i = 0; i < 37 * 23; ++i) big.insert(big.end(), {200, 100, 50, 255});
  big[0] = 0;  // one darker pixel: (200 * 850 + 0) / 851 = 199.76 -> 200
  EXPECT_EQ(drawIntoOnePixel(imageOf(37, 23, big)), (Pixel{200, 100, 50, 255}));
  big.assign(big.size(), 0);
  big[0] = 255, big[3] = 255;  // 255 / 851 = 0.3 -> 0
  EXPECT_EQ(drawIntoOnePixel(imageOf(37, 23, big)), (Pixel{0, 0, 0, 0}));
}

TEST(DrawImage, DownscalingAveragesEachFootprintAndStaysUpright) {
  // 4x2 image: left half red, right half green; top row opaque, bottom row clear.
  std::vector<uint8_t> rgba;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) {
      uint8_t a = y == 0 ? 255 : 0;
      rgba.insert(rgba.end(), {x < 2 ? a : uint8_t(0), x >= 2 ? a : uint8_t(0), 0, a});
    }
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 2, 2, kRGBA);
  CGContextDrawImage(ctx, CGRectMake(0, 0, 2, 2), imageOf(4, 2, rgba));
  EXPECT_EQ(at(mem, 2, 0, 0), (Pixel{255, 0, 0, 255}));  // top row first, as in the image
  EXPECT_EQ(at(mem, 2, 1, 0), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(at(mem, 2, 0, 1), (Pixel{0, 0, 0, 0}));

  // Straight-alpha sources are premultiplied on the way in.
  auto provider = CGDataProviderCreateWithData(nullptr, std::vector<uint8_t>{255, 0, 0, 128}.data(),
                                               4, nullptr);
  auto straight =
      CGImageCreate(1, 1, 8, 32, 4, CGColorSpaceCreateDeviceRGB(),
                    kCGImageAlphaLast | kCGBitmapByteOrder32Big, provider, nullptr, false, 0);
  ASSERT_NE(straight, nullptr);
  EXPECT_EQ(straight->pixels()[0], 128);
  // Too few bytes for the rows asked for.
  EXPECT_EQ(CGImageCreate(2, 2, 8, 32, 8, nullptr, kRGBA, provider, nullptr, false, 0), nullptr);
}

TEST(ContextState, RestoreBringsBackStateButNotTheTextMatrix) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 4, 4, kRGBA);
  CGContextSetTextMatrix(ctx, CGAffineTransformMakeScale(2, 2));
  CGContextSetTextPosition(ctx, 3, 4);
  CGContextSaveGState(ctx);
  CGContextTranslateCTM(ctx, 10, 0);
  CGContextSetTextMatrix(ctx, CGAffineTransformMakeTranslation(7, 7));
  CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
  CGContextRestoreGState(ctx);
  EXPECT_TRUE(CGAffineTransformIsIdentity(CGContextGetCTM(ctx)));
  EXPECT_TRUE(CGAffineTransformEqualToTransform(CGContextGetTextMatrix(ctx),
                                                CGAffineTransformMakeTranslation(7, 7)));
  // The fill colour came back to black.
  CGContextFillRect(ctx, CGRectMake(0, 0, 4, 4));
  EXPECT_EQ(at(mem, 4, 0, 0), (Pixel{0, 0, 0, 255}));
  // Unbalanced restores and none contexts are harmless.
  CGContextRestoreGState(ctx);
  CGContextRestoreGState(nullptr);
  CGContextFillRect(nullptr, CGRectMake(0, 0, 1, 1));
  EXPECT_EQ(CGContextGetTextPosition(nullptr).x, 0);
  // The text position is the text matrix's translation.
  CGContextSetTextPosition(ctx, 1.5, 2.5);
  EXPECT_EQ(CGContextGetTextMatrix(ctx).tx, 1.5);
  EXPECT_EQ(CGContextGetTextMatrix(ctx).ty, 2.5);
}

TEST(ContextState, ClipLimitsFillsAndPathsSurviveRectCalls) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 4, 4, kRGBA);
  CGContextMoveToPoint(ctx, 0, 0);
  CGContextAddLineToPoint(ctx, 4, 0);
  CGContextClipToRect(ctx, CGRectMake(0, 0, 2, 4));
  CGContextFillRect(ctx, CGRectMake(0, 0, 4, 4));
  EXPECT_EQ(at(mem, 4, 0, 0)[3], 255);
  EXPECT_EQ(at(mem, 4, 3, 0)[3], 0);
  EXPECT_FALSE(CGContextIsPathEmpty(ctx));  // rect calls leave the current path alone
  CGContextStrokePath(ctx);
  EXPECT_TRUE(CGContextIsPathEmpty(ctx));
}

int alphaSum(const std::vector<uint8_t>& mem, size_t w, size_t x0, size_t y0, size_t x1,
             size_t y1) {
  int s = 0;
  for (size_t y = y0; y < y1; ++y)
    for (size_t x = x0; x < x1; ++x) s += at(mem, w, x, y)[3];
  return s;
}

TEST(Shadow, TintedBlurOutsideTheShapeOnlyWithAVisibleColour) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 40, 40, kRGBA);
  CGContextSetShadowWithColor(ctx, CGSizeMake(0, 0), 8, CGColorCreateGenericRGB(0, 0, 1, 1));
  CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
  CGContextFillRect(ctx, CGRectMake(10, 10, 20, 20));
  Pixel outside = at(mem, 40, 8, 20);  // 2 px left of the rectangle
  EXPECT_GT(outside[3], 20);
  EXPECT_GT(outside[2], 20);  // blue
  EXPECT_EQ(outside[0], 0);
  EXPECT_EQ(at(mem, 40, 20, 20), (Pixel{255, 0, 0, 255}));  // the shape itself on top

  mem.assign(mem.size(), 0);
  ctx = makeContext(mem, 40, 40, kRGBA);
  CGContextSetShadowWithColor(ctx, CGSizeMake(0, 0), 8, CGColorCreateGenericRGB(0, 0, 1, 0));
  CGContextFillRect(ctx, CGRectMake(10, 10, 20, 20));
  EXPECT_EQ(alphaSum(mem, 40, 0, 0, 10, 40), 0);

  // A restore turns the shadow off again.
  ctx = makeContext(mem, 40, 40, kRGBA);
  CGContextSaveGState(ctx);
  CGContextSetShadow(ctx, CGSizeMake(0, 0), 8);
  CGContextRestoreGState(ctx);
  CGContextFillRect(ctx, CGRectMake(10, 10, 20, 20));
  EXPECT_EQ(alphaSum(mem, 40, 0, 0, 10, 40), 0);
}

TEST(Shadow, OffsetIsInBaseSpaceWhateverTheCTM) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 40, 40, kRGBA);
  CGContextScaleCTM(ctx, 1, -1);  // flipping the CTM does not flip the shadow
  CGContextTranslateCTM(ctx, 0, -40);
  CGContextSetShadowWithColor(ctx, CGSizeMake(0, 8), 0, CGColorCreateGenericRGB(0, 0, 0, 1));
  CGContextFillRect(ctx, CGRectMake(15, 15, 10, 10));
  // y-up base space: +8 moves the shadow up, to smaller memory rows.
  EXPECT_EQ(at(mem, 40, 20, 10)[3], 255);
  EXPECT_EQ(at(mem, 40, 20, 28)[3], 0);
}

// Text under a shadow is drawn twice, once into the shadow's own mask, with a scaled font
// made for that mask. Every text mode, outline and colour fonts, and more sizes and
// rotations than Cairo keeps fonts for: each shows its shadow beside the glyph, and the
// sanitizer build's leak check at exit finds nothing left behind by the masks' fonts.
TEST(Shadow, UnderTextInEveryModeFontAndScale) {
  const char* files[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                         "/usr/share/fonts/truetype/noto/NotoColorEmoji.ttf"};
  const CGTextDrawingMode modes[] = {kCGTextFill, kCGTextStroke, kCGTextFillStroke};
  for (const char* file : files) {
    auto font = CGFontCreateWithFontFile(file, 0);
    if (!font) continue;  // the colour font is optional on a bare machine
    int drawn = 0;
    for (int step = 0; step < 300; ++step) {
      std::vector<uint8_t> mem;
      auto ctx = makeContext(mem, 64, 64, kRGBA);
      CGContextSetFont(ctx, font);
      CGContextSetFontSize(ctx, 6 + step * 0.37);
      CGContextSetTextDrawingMode(ctx, modes[step % 3]);
      CGContextSetLineWidth(ctx, 1 + step % 3);
      CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
      CGContextSetRGBStrokeColor(ctx, 0, 1, 0, 1);
      // Far to the right: the shadow lands on the left half, where the glyph never is.
      CGContextSetShadowWithColor(ctx, CGSizeMake(-32, 0), step % 5,
                                  CGColorCreateGenericRGB(0, 0, 1, 1));
      CGContextSetTextMatrix(ctx, CGAffineTransformMakeRotation((step % 7) * 0.01));
      CGContextSetTextPosition(ctx, 36, 20);
      CGGlyph glyphs[] = {static_cast<CGGlyph>(3 + step % 40), 43, 50};
      CGPoint positions[] = {{0, 0}, {4, 2}, {8, 0}};
      CGContextShowGlyphsAtPositions(ctx, glyphs, positions, 3);
      ctx = nullptr;
      if (alphaSum(mem, 64, 0, 0, 32, 64) > 0) ++drawn;
    }
    // Every glyph with ink casts a shadow, whatever the mode.
    EXPECT_EQ(drawn, 300) << file;
  }
}

TEST(Glyphs, DrawnInYUpTextSpaceWithTheFillColour) {
  auto font = CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0);
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font, CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0));
  EXPECT_EQ(CGFontCreateWithFontFile("/nonexistent.ttf", 0), nullptr);
  EXPECT_EQ(CGFontCreateWithFontFile(tempPath("not-a-font").c_str(), 0), nullptr);
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 40, 40, kRGBA);
  CGContextSetFont(ctx, font);
  CGContextSetFontSize(ctx, 30);
  CGContextSetRGBFillColor(ctx, 0, 1, 0, 1);
  CGContextSetTextPosition(ctx, 4, 6);  // baseline 6 px above the bottom
  CGGlyph g = 43;                       // a capital with no descender in this face
  CGPoint pos{0, 0};
  CGContextShowGlyphsAtPositions(ctx, &g, &pos, 1);
  // Ink above the baseline (memory rows < 34), none below it.
  EXPECT_GT(alphaSum(mem, 40, 0, 0, 40, 33), 1000);
  EXPECT_EQ(alphaSum(mem, 40, 0, 35, 40, 40), 0);
  Pixel ink{};
  for (size_t i = 0; i < mem.size(); i += 4)
    if (mem[i + 3] == 255) ink = {mem[i], mem[i + 1], mem[i + 2], mem[i + 3]};
  EXPECT_EQ(ink, (Pixel{0, 255, 0, 255}));
}

// A glyph at a position that is not finite is left out; the others keep their places.
TEST(Glyphs, OnesAtPositionsNotFiniteAreLeftOut) {
  auto font = CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0);
  ASSERT_NE(font, nullptr);
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 60, 30, kRGBA);
  CGContextSetFont(ctx, font);
  CGContextSetFontSize(ctx, 20);
  CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
  CGContextSetTextPosition(ctx, 2, 8);
  CGGlyph g[] = {43, 43, 43, 43};
  CGPoint at[] = {{0, 0},
                  {std::numeric_limits<double>::quiet_NaN(), 0},
                  {std::numeric_limits<double>::infinity(), 0},
                  {40, 0}};
  CGContextShowGlyphsAtPositions(ctx, g, at, 4);
  EXPECT_GT(alphaSum(mem, 60, 0, 0, 20, 30), 1000);   // the first
  EXPECT_EQ(alphaSum(mem, 60, 20, 0, 40, 30), 0);     // none between
  EXPECT_GT(alphaSum(mem, 60, 40, 0, 60, 30), 1000);  // the last, where it was put

  // A finite position the matrices carry beyond doubles is left out too.
  std::vector<uint8_t> scaledMem;
  auto scaled = makeContext(scaledMem, 60, 30, kRGBA);
  CGContextScaleCTM(scaled, 4, 1);
  CGContextSetFont(scaled, font);
  CGContextSetFontSize(scaled, 20);
  CGContextSetTextMatrix(scaled, CGAffineTransformMakeScale(0.25, 1));
  CGContextSetTextPosition(scaled, 2, 8);
  CGPoint far[] = {{std::numeric_limits<double>::max(), 0}, {0, 0}};
  CGContextShowGlyphsAtPositions(scaled, g, far, 2);
  EXPECT_GT(alphaSum(scaledMem, 60, 0, 0, 30, 30), 1000);
  EXPECT_EQ(alphaSum(scaledMem, 60, 30, 0, 60, 30), 0);
}

// Text leaves the path being built where it was, in every mode, shadowed or not.
TEST(Glyphs, LeaveThePathBeingBuiltAlone) {
  auto font = CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0);
  ASSERT_NE(font, nullptr);
  for (CGTextDrawingMode mode : {kCGTextFill, kCGTextStroke, kCGTextFillStroke}) {
    for (bool shadow : {false, true}) {
      std::vector<uint8_t> mem;
      auto ctx = makeContext(mem, 40, 40, kRGBA);
      CGContextSetFont(ctx, font);
      CGContextSetFontSize(ctx, 20);
      CGContextSetTextDrawingMode(ctx, mode);
      if (shadow)
        CGContextSetShadowWithColor(ctx, CGSizeMake(2, -2), 1, CGColorCreateGenericRGB(0, 0, 1, 1));
      CGContextMoveToPoint(ctx, 3, 5);
      CGContextAddLineToPoint(ctx, 30, 7);
      CGGlyph g = 43;
      CGPoint pos{0, 0};
      CGContextSetTextPosition(ctx, 8, 12);
      CGContextShowGlyphsAtPositions(ctx, &g, &pos, 1);
      CGPoint p = CGContextGetPathCurrentPoint(ctx);
      EXPECT_EQ(p.x, 30) << mode << shadow;
      EXPECT_EQ(p.y, 7) << mode << shadow;
      CGRect box = CGContextGetPathBoundingBox(ctx);
      EXPECT_EQ(box.origin.x, 3) << mode << shadow;
      EXPECT_EQ(box.size.width, 27) << mode << shadow;
    }
  }
}

// FreeType refuses glyphs of 65,536 pixels or more, and behind it the face would fail for
// every size not used before. Such glyphs draw nothing; the face keeps drawing the rest.
TEST(Glyphs, OneTooLargeToDrawLeavesTheFaceDrawingEveryOtherSize) {
  auto font = CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0);
  ASSERT_NE(font, nullptr);
  CGGlyph g = 43;
  CGPoint pos{0, 0};
  struct Huge {
    CGFloat size;
    CGAffineTransform text;
  };
  for (Huge huge : {Huge{70000, CGAffineTransformIdentity}, Huge{1e9, CGAffineTransformIdentity},
                    Huge{1, CGAffineTransformMakeScale(1e6, 1)},
                    Huge{10, CGAffineTransformMake(1e-4, 0, 0, 1e5, 0, 0)}}) {
    std::vector<uint8_t> mem;
    auto ctx = makeContext(mem, 40, 40, kRGBA);
    CGContextSetFont(ctx, font);
    CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
    CGContextSetFontSize(ctx, huge.size);
    CGContextSetTextMatrix(ctx, huge.text);
    CGContextShowGlyphsAtPositions(ctx, &g, &pos, 1);
    EXPECT_EQ(alphaSum(mem, 40, 0, 0, 40, 40), 0) << huge.size;
    // Sizes this face has not drawn at before, on the same context and on a new one.
    CGContextSetTextMatrix(ctx, CGAffineTransformIdentity);
    CGContextSetFontSize(ctx, 27.25 + huge.size * 1e-9);
    CGContextSetTextPosition(ctx, 4, 6);
    CGContextShowGlyphsAtPositions(ctx, &g, &pos, 1);
    EXPECT_GT(alphaSum(mem, 40, 0, 0, 40, 40), 1000) << huge.size;
  }
}

TEST(PNG, RoundTripAndBadFiles) {
  std::vector<uint8_t> mem;
  auto ctx = makeContext(mem, 3, 2, kRGBA);
  CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
  CGContextFillRect(ctx, CGRectMake(0, 1, 3, 1));  // top row
  std::string path = tempPath("roundtrip.png");
  ASSERT_TRUE(CGContextWriteToPNGFile(ctx, path));
  auto image = CGImageCreateWithPNGFile(path);
  ASSERT_NE(image, nullptr);
  EXPECT_EQ(image->width(), 3u);
  EXPECT_EQ(image->height(), 2u);
  EXPECT_EQ(image->pixels()[0], 255);
  EXPECT_EQ(image->pixels()[3], 255);
  EXPECT_EQ(image->pixels()[3 * 4 + 3], 0);
  auto copy = CGBitmapContextCreateImage(ctx);
  EXPECT_EQ(copy->pixelData(), image->pixelData());

  std::ofstream(tempPath("not-a-font")) << "plain text";
  EXPECT_EQ(CGImageCreateWithPNGFile(tempPath("not-a-font")), nullptr);
  EXPECT_EQ(CGImageCreateWithPNGFile("/nonexistent/file.png"), nullptr);
  // A truncated PNG is refused, not half-read.
  std::ifstream in(path, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::ofstream(tempPath("truncated.png"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
  EXPECT_EQ(CGImageCreateWithPNGFile(tempPath("truncated.png")), nullptr);
  EXPECT_FALSE(CGImageWriteToPNGFile(image, "/nonexistent/dir/x.png"));
}

}  // namespace
