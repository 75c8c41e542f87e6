// Malformed and hostile input to bitmap contexts, images, paths and drawing state: each
// gives none or draws nothing, and never leaves a context unable to draw afterwards.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <fstream>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"

namespace {

using Pixel = std::array<uint8_t, 4>;
constexpr CGFloat kNaN = std::numeric_limits<CGFloat>::quiet_NaN();
constexpr CGFloat kInf = std::numeric_limits<CGFloat>::infinity();
constexpr uint32_t kRGBA = kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big;  // 16385

std::string tempPath(const char* name) {
  return std::string(NIMBRA_BUILD_DIR) + "/coregraphics_hostile_" + name;
}

CGContextRef rgbaContext(std::vector<uint8_t>& mem, size_t w, size_t h) {
  mem.assign(w * h * 4, 0);
  return CGBitmapContextCreate(mem.data(), w, h, 8, w * 4, CGColorSpaceCreateDeviceRGB(), kRGBA);
}

bool allClear(const std::vector<uint8_t>& mem) {
  for (uint8_t b : mem)
    if (b) return false;
  return true;
}

CGImageRef imageOf(size_t w, size_t h, const std::vector<uint8_t>& rgba) {
  return CGImageCreate(w, h, 8, 32, w * 4, CGColorSpaceCreateDeviceRGB(), kRGBA,
                       CGDataProviderCreateWithData(nullptr, rgba.data(), rgba.size(), nullptr),
                       nullptr, false, 0);
}

TEST(HostileBitmap, UnusableGeometryOrFormatGivesNone) {
  auto rgb = CGColorSpaceCreateDeviceRGB();
  std::vector<uint8_t> mem(64 * 64 * 4);
  void* d = mem.data();
  const size_t kHuge = std::numeric_limits<size_t>::max() / 2 + 1;
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 15, rgb, kRGBA), nullptr);  // row too small
  EXPECT_EQ(CGBitmapContextCreate(d, 0, 4, 8, 16, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 0, 8, 16, rgb, kRGBA), nullptr);
  // Sizes from negative numbers passed through size_t, and sides beyond any surface.
  EXPECT_EQ(CGBitmapContextCreate(nullptr, static_cast<size_t>(-4), 4, 8, 0, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 40000, 1, 8, 0, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 32768, 32768, 8, 0, rgb, kRGBA), nullptr);
  // A row length whose product with the height wraps around must not size the buffer.
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 4, 4, 8, kHuge, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(nullptr, 4, 3, 8, kHuge / 2 + 8, rgb, kRGBA), nullptr);
  // Formats: 16 bits, floats, 16-bit orders, straight alpha, no alpha, no or grey space.
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 16, 32, rgb, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, kRGBA | kCGBitmapFloatComponents), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, 1 | kCGBitmapByteOrder16Little), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, 1 | kCGBitmapByteOrder16Big), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, 5u << 12), nullptr);
  for (uint32_t alpha : {kCGImageAlphaNone, kCGImageAlphaLast, kCGImageAlphaFirst})
    EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, alpha), nullptr) << alpha;
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, rgb, 0x1F), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, nullptr, kRGBA), nullptr);
  EXPECT_EQ(CGBitmapContextCreate(d, 4, 4, 8, 16, CGColorSpaceCreateDeviceGray(), kRGBA), nullptr);
  // Queries on none answer zero rather than crash.
  EXPECT_EQ(CGBitmapContextGetData(nullptr), nullptr);
  EXPECT_EQ(CGBitmapContextGetWidth(nullptr), 0u);
  EXPECT_EQ(CGBitmapContextCreateImage(nullptr), nullptr);
}

TEST(HostileBitmap, RowPaddingOfTheCallerIsLeftAlone) {
  // 3 pixels in rows of 15 bytes: neither Cairo's stride nor a multiple of 4.
  for (uint32_t info :
       {kRGBA, uint32_t(kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little),
        uint32_t(kCGImageAlphaOnly)}) {
    size_t bpp = info == kCGImageAlphaOnly ? 1 : 4, row = 3 * bpp + 3;
    std::vector<uint8_t> mem(row * 2, 0xEE);
    for (size_t y = 0; y < 2; ++y) std::fill_n(&mem[y * row], 3 * bpp, 0);
    auto ctx = CGBitmapContextCreate(mem.data(), 3, 2, 8, row, CGColorSpaceCreateDeviceRGB(), info);
    ASSERT_NE(ctx, nullptr) << info;
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    CGContextFillRect(ctx, CGRectMake(-10, -10, 100, 100));
    for (size_t y = 0; y < 2; ++y) {
      for (size_t i = 0; i < 3 * bpp; ++i) EXPECT_EQ(mem[y * row + i], 0xFF) << info;
      for (size_t i = 3 * bpp; i < row; ++i) EXPECT_EQ(mem[y * row + i], 0xEE) << info;
    }
  }
}

// Pixels written in each byte order come back as the same premultiplied RGBA through an
// image, and drawing that image into a context of any other order gives that order's
// bytes for the same pixels.
TEST(HostileBitmap, EveryByteOrderRoundTrips) {
  struct Format {
    uint32_t info;
    std::array<int, 4> rgbaAt;  // byte offset of R, G, B, A; -1: no alpha byte (skipped)
  };
  const Format formats[] = {
      {kRGBA, {0, 1, 2, 3}},
      {kCGImageAlphaPremultipliedLast, {0, 1, 2, 3}},
      {kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Little, {3, 2, 1, 0}},
      {kCGImageAlphaPremultipliedFirst, {1, 2, 3, 0}},
      {kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Big, {1, 2, 3, 0}},
      {kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little, {2, 1, 0, 3}},  // 8194
      {kCGImageAlphaNoneSkipLast, {0, 1, 2, -1}},
      {kCGImageAlphaNoneSkipLast | kCGBitmapByteOrder32Little, {3, 2, 1, -1}},
      {kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Big, {1, 2, 3, -1}},
      {kCGImageAlphaNoneSkipFirst | kCGBitmapByteOrder32Little, {2, 1, 0, -1}},
  };
  // Premultiplied RGBA sources: opaque, half transparent, clear, odd values.
  const std::vector<Pixel> source = {
      {255, 0, 0, 255}, {10, 20, 30, 255}, {64, 32, 0, 128}, {0, 0, 0, 0}, {1, 2, 3, 4}};
  for (const auto& from : formats) {
    bool fromOpaque = from.rgbaAt[3] < 0;
    std::vector<uint8_t> mem(source.size() * 4, 0x55);
    for (size_t i = 0; i < source.size(); ++i)
      for (int k = 0; k < 4; ++k)
        if (from.rgbaAt[k] >= 0) mem[i * 4 + from.rgbaAt[k]] = source[i][k];
    auto ctx = CGBitmapContextCreate(mem.data(), source.size(), 1, 8, 0,
                                     CGColorSpaceCreateDeviceRGB(), from.info);
    ASSERT_NE(ctx, nullptr) << from.info;
    auto image = CGBitmapContextCreateImage(ctx);
    ASSERT_NE(image, nullptr);
    for (size_t i = 0; i < source.size(); ++i) {
      Pixel got{image->pixels()[i * 4], image->pixels()[i * 4 + 1], image->pixels()[i * 4 + 2],
                image->pixels()[i * 4 + 3]};
      Pixel want = source[i];
      if (fromOpaque) want[3] = 255;
      EXPECT_EQ(got, want) << "from " << from.info << " pixel " << i;
    }
    for (const auto& to : formats) {
      // Opaque destinations cannot hold what is not opaque; compare only opaque pixels.
      std::vector<uint8_t> out(source.size() * 4, 0);
      auto dst = CGBitmapContextCreate(out.data(), source.size(), 1, 8, 0,
                                       CGColorSpaceCreateDeviceRGB(), to.info);
      ASSERT_NE(dst, nullptr);
      CGContextSetBlendMode(dst, kCGBlendModeCopy);
      CGContextDrawImage(dst, CGRectMake(0, 0, source.size(), 1), image);
      for (size_t i = 0; i < source.size(); ++i) {
        const uint8_t* p = image->pixels() + i * 4;
        if (to.rgbaAt[3] < 0 && p[3] != 255) continue;
        for (int k = 0; k < 4; ++k) {
          if (to.rgbaAt[k] < 0) continue;
          EXPECT_EQ(out[i * 4 + to.rgbaAt[k]], p[k])
              << "from " << from.info << " to " << to.info << " pixel " << i << " comp " << k;
        }
        if (to.rgbaAt[3] < 0) {
          int pad = 6 - to.rgbaAt[0] - to.rgbaAt[1] - to.rgbaAt[2];
          EXPECT_EQ(out[i * 4 + pad], 255) << "skip byte of " << to.info;
        }
      }
    }
  }
}

TEST(HostileImage, ShortOrOverflowingDataAndBadFilesGiveNone) {
  auto rgb = CGColorSpaceCreateDeviceRGB();
  std::vector<uint8_t> bytes(64, 0x80);
  auto provider = CGDataProviderCreateWithData(nullptr, bytes.data(), bytes.size(), nullptr);
  const size_t kWrap = size_t(1) << 63;  // * 2 wraps to 0
  EXPECT_EQ(CGImageCreate(2, 3, 8, 32, kWrap, rgb, kRGBA, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(4, 5, 8, 32, 16, rgb, kRGBA, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(4, 4, 8, 32, 15, rgb, kRGBA, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(4, 4, 8, 24, 16, rgb, kRGBA, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(0, 4, 8, 32, 16, rgb, kRGBA, provider, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGImageCreate(4, 4, 8, 32, 16, rgb, kRGBA, nullptr, nullptr, false, 0), nullptr);
  EXPECT_EQ(CGDataProviderCreateWithData(nullptr, nullptr, 10, nullptr), nullptr);
  // Straight alpha is premultiplied on the way in.
  std::vector<uint8_t> straight = {200, 100, 50, 128};
  auto s = CGImageCreate(1, 1, 8, 32, 4, rgb, kCGImageAlphaLast,
                         CGDataProviderCreateWithData(nullptr, straight.data(), 4, nullptr),
                         nullptr, false, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ((Pixel{s->pixels()[0], s->pixels()[1], s->pixels()[2], s->pixels()[3]}),
            (Pixel{100, 50, 25, 128}));

  // PNG readers: a signature alone, a header cut short, an empty file, a folder.
  const std::string sig("\x89PNG\r\n\x1a\n", 8);
  std::ofstream(tempPath("sig.png"), std::ios::binary) << sig;
  std::ofstream(tempPath("ihdr.png"), std::ios::binary) << sig << std::string("\0\0\0\x0dIHDR", 8);
  std::ofstream(tempPath("empty.png"), std::ios::binary);
  for (const char* name : {"sig.png", "ihdr.png", "empty.png"})
    EXPECT_EQ(CGImageCreateWithPNGFile(tempPath(name)), nullptr) << name;
  EXPECT_EQ(CGImageCreateWithPNGFile(NIMBRA_BUILD_DIR), nullptr);
  EXPECT_EQ(CGImageCreateWithPNGDataProvider(nullptr, nullptr, false, 0), nullptr);
  EXPECT_FALSE(CGImageWriteToPNGFile(nullptr, tempPath("none.png")));
  // A sub-image outside the image, or of nothing.
  auto img = imageOf(2, 2, std::vector<uint8_t>(16, 9));
  EXPECT_EQ(CGImageCreateWithImageInRect(img, CGRectMake(5, 5, 2, 2)), nullptr);
  EXPECT_EQ(CGImageCreateWithImageInRect(img, CGRectNull), nullptr);
  EXPECT_EQ(CGImageCreateWithImageInRect(img, CGRectMake(kNaN, 0, 1, 1)), nullptr);
  auto part = CGImageCreateWithImageInRect(img, CGRectMake(1, 1, -5, -5));  // standardised
  ASSERT_NE(part, nullptr);
  EXPECT_EQ(part->width(), 1u);
}

// Each hostile call runs on a fresh context inside a save/restore; it must paint nothing,
// and a fill afterwards must land exactly.
TEST(HostileDrawing, NonFiniteInputPaintsNothingAndLeavesTheContextUsable) {
  CGGlyph glyph = 36;
  CGPoint origin{2, 2};
  const std::vector<std::pair<const char*, std::function<void(const CGContextRef&)>>> cases = {
      {"NaN translation",
       [](const CGContextRef& c) {
         CGContextTranslateCTM(c, kNaN, 0);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"infinite scale",
       [](const CGContextRef& c) {
         CGContextScaleCTM(c, kInf, 1);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"NaN rotation",
       [](const CGContextRef& c) {
         CGContextRotateCTM(c, kNaN);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"zero scale",
       [](const CGContextRef& c) {
         CGContextScaleCTM(c, 0, 0);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"NaN rect", [](const CGContextRef& c) { CGContextFillRect(c, CGRectMake(kNaN, 0, 8, 8)); }},
      {"infinite rect",
       [](const CGContextRef& c) { CGContextFillRect(c, CGRectMake(0, 0, kInf, 8)); }},
      {"null rect", [](const CGContextRef& c) { CGContextFillRect(c, CGRectNull); }},
      {"NaN path point",
       [](const CGContextRef& c) {
         CGContextMoveToPoint(c, 0, 0);
         CGContextAddLineToPoint(c, kNaN, 8);
         CGContextAddLineToPoint(c, 8, 0);
         CGContextFillPath(c);
       }},
      {"NaN arc radius",
       [](const CGContextRef& c) {
         CGContextAddArc(c, 8, 8, kNaN, 0, 3, 0);
         CGContextFillPath(c);
       }},
      {"NaN curve",
       [](const CGContextRef& c) {
         CGContextMoveToPoint(c, 0, 0);
         CGContextAddCurveToPoint(c, 4, kInf, 8, 8, 0, 8);
         CGContextFillPath(c);
       }},
      {"empty path fill and stroke",
       [](const CGContextRef& c) {
         CGContextClosePath(c);
         CGContextFillPath(c);
         CGContextStrokePath(c);
         CGContextDrawPath(c, kCGPathFillStroke);
         CGContextEOFillPath(c);
       }},
      {"NaN line width",
       [](const CGContextRef& c) {
         CGContextSetLineWidth(c, kNaN);
         CGContextSetLineWidth(c, kInf);
         CGContextSetLineWidth(c, -3);
         CGContextSetRGBStrokeColor(c, 1, 0, 0, 0);  // invisible: only the state matters
         CGContextStrokeRect(c, CGRectMake(2, 2, 4, 4));
       }},
      {"NaN dash",
       [](const CGContextRef& c) {
         CGFloat dash[] = {kNaN, 2};
         CGContextSetLineDash(c, kNaN, dash, 2);
         CGFloat neg[] = {-1, 2};
         CGContextSetLineDash(c, 0, neg, 2);
         CGContextSetRGBStrokeColor(c, 1, 0, 0, 0);
         CGContextStrokeRect(c, CGRectMake(2, 2, 4, 4));
       }},
      {"NaN colour",
       [](const CGContextRef& c) {
         CGContextSetRGBFillColor(c, kNaN, kNaN, kNaN, kNaN);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"NaN alpha",
       [](const CGContextRef& c) {
         CGContextSetAlpha(c, kNaN);
         CGContextSetRGBFillColor(c, 0, 0, 0, 0);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"NaN shadow",
       [](const CGContextRef& c) {
         CGContextSetShadowWithColor(c, CGSizeMake(kNaN, kInf), kNaN,
                                     CGColorCreateGenericRGB(1, 0, 0, 1));
         CGContextSetRGBFillColor(c, 0, 0, 0, 0);  // a clear shape casts no shadow
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"NaN font size",
       [&](const CGContextRef& c) {
         CGContextSetFont(
             c, CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0));
         CGContextSetRGBFillColor(c, 0, 0, 0, 0);  // only whether the context survives matters
         CGContextSetFontSize(c, kNaN);
         CGContextShowGlyphsAtPositions(c, &glyph, &origin, 1);
         CGContextSetFontSize(c, kInf);
         CGContextShowGlyphsAtPositions(c, &glyph, &origin, 1);
       }},
      {"NaN text matrix",
       [&](const CGContextRef& c) {
         CGContextSetFont(
             c, CGFontCreateWithFontFile("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0));
         CGContextSetFontSize(c, 12);
         CGContextSetTextMatrix(c, CGAffineTransformMake(kNaN, 0, 0, 1, 0, 0));
         CGContextShowGlyphsAtPositions(c, &glyph, &origin, 1);
         CGContextSetTextMatrix(c, CGAffineTransformIdentity);
         CGPoint bad{kNaN, kInf};
         CGContextShowGlyphsAtPositions(c, &glyph, &bad, 1);
       }},
      {"NaN image rect",
       [](const CGContextRef& c) {
         auto img = imageOf(1, 1, {255, 255, 255, 255});
         CGContextDrawImage(c, CGRectMake(kNaN, 0, 4, 4), img);
         CGContextDrawImage(c, CGRectMake(0, 0, kInf, 4), img);
         CGContextDrawImage(c, CGRectNull, img);
         CGContextDrawImage(c, CGRectMake(0, 0, 4, 4), nullptr);
       }},
      {"NaN clip",
       [](const CGContextRef& c) {
         CGContextClipToRect(c, CGRectMake(kNaN, kNaN, 4, 4));
         CGContextSetRGBFillColor(c, 0, 0, 0, 0);
         CGContextFillRect(c, CGRectMake(0, 0, 8, 8));
       }},
      {"unbalanced restores and layers",
       [](const CGContextRef& c) {
         for (int k = 0; k < 5; ++k) CGContextRestoreGState(c);
         CGContextEndTransparencyLayer(c);
         CGContextBeginTransparencyLayer(c, nullptr);
         CGContextBeginTransparencyLayer(c, nullptr);
         CGContextEndTransparencyLayer(c);
         CGContextEndTransparencyLayer(c);
         CGContextEndTransparencyLayer(c);
       }},
  };
  for (const auto& [name, hostile] : cases) {
    std::vector<uint8_t> mem;
    auto ctx = rgbaContext(mem, 16, 16);
    CGContextSaveGState(ctx);
    hostile(ctx);
    CGContextRestoreGState(ctx);
    EXPECT_TRUE(allClear(mem)) << name << " painted";
    CGContextBeginPath(ctx);
    CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, 16, 16));
    EXPECT_EQ((Pixel{mem[0], mem[1], mem[2], mem[3]}), (Pixel{0, 0, 255, 255})) << name;
    EXPECT_EQ((Pixel{mem[1020], mem[1021], mem[1022], mem[1023]}), (Pixel{0, 0, 255, 255})) << name;
  }
}

TEST(HostileDrawing, HugeBlurStillDrawsTheShapeAndAFaintShadowAtMost) {
  for (CGFloat blur : {1e9, 1e5, 5000.0, kInf}) {
    std::vector<uint8_t> mem;
    auto ctx = rgbaContext(mem, 32, 32);
    CGContextSetShadowWithColor(ctx, CGSizeMake(0, 0), blur, CGColorCreateGenericRGB(1, 0, 0, 1));
    CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
    CGContextFillRect(ctx, CGRectMake(8, 8, 16, 16));
    size_t mid = (16 * 32 + 16) * 4;
    EXPECT_EQ((Pixel{mem[mid], mem[mid + 1], mem[mid + 2], mem[mid + 3]}), (Pixel{0, 0, 255, 255}))
        << blur;
    // So wide a blur spreads 256 square pixels of ink over a vast area.
    EXPECT_LE(mem[3], 2) << blur;
  }
}

TEST(HostileState, SaveRestoreNestsDeeplyAndRestoreWithoutSaveKeepsState) {
  std::vector<uint8_t> mem;
  auto ctx = rgbaContext(mem, 8, 8);
  CGContextRestoreGState(ctx);  // nothing saved: ignored
  CGContextSetRGBFillColor(ctx, 1, 0, 0, 1);
  CGContextTranslateCTM(ctx, 1, 0);
  for (int k = 0; k < 1000; ++k) {
    CGContextSaveGState(ctx);
    CGContextTranslateCTM(ctx, 1, 0);
  }
  EXPECT_EQ(CGContextGetCTM(ctx).tx, 1001);
  for (int k = 0; k < 999; ++k) CGContextRestoreGState(ctx);
  EXPECT_EQ(CGContextGetCTM(ctx).tx, 2);
  CGContextClipToRect(ctx, CGRectMake(0, 0, 1, 1));
  CGContextSetRGBFillColor(ctx, 0, 1, 0, 1);
  CGContextRestoreGState(ctx);
  CGContextRestoreGState(ctx);  // one more than saved
  CGContextRestoreGState(ctx);
  EXPECT_EQ(CGContextGetCTM(ctx).tx, 1);
  // Red again and unclipped.
  CGContextFillRect(ctx, CGRectMake(-1, 0, 8, 8));
  EXPECT_EQ((Pixel{mem[7 * 32 + 28], mem[7 * 32 + 29], mem[7 * 32 + 30], mem[7 * 32 + 31]}),
            (Pixel{255, 0, 0, 255}));

  // A restore inside a transparency layer cannot pop the state saved outside it.
  CGContextSaveGState(ctx);
  CGContextSetRGBFillColor(ctx, 0, 0, 1, 1);
  CGContextBeginTransparencyLayer(ctx, nullptr);
  CGContextRestoreGState(ctx);
  CGContextRestoreGState(ctx);
  CGContextFillRect(ctx, CGRectMake(-1, 0, 8, 8));  // still blue inside the layer
  CGContextEndTransparencyLayer(ctx);
  EXPECT_EQ((Pixel{mem[0], mem[1], mem[2], mem[3]}), (Pixel{0, 0, 255, 255}));
  // A context released with a layer still open neither crashes nor leaks.
  CGContextBeginTransparencyLayer(ctx, nullptr);
  CGContextSaveGState(ctx);
  ctx = nullptr;
}

TEST(HostilePath, EmptyAndDegeneratePaths) {
  auto empty = CGPathCreateMutable();
  EXPECT_TRUE(CGPathIsEmpty(empty));
  EXPECT_TRUE(CGRectIsNull(CGPathGetBoundingBox(empty)));
  EXPECT_TRUE(CGRectIsNull(CGPathGetPathBoundingBox(empty)));
  EXPECT_FALSE(CGPathContainsPoint(empty, nullptr, CGPointZero, false));
  CGPathCloseSubpath(empty);
  EXPECT_TRUE(CGPathIsEmpty(empty));
  EXPECT_FALSE(CGPathIsRect(empty, nullptr));
  EXPECT_TRUE(CGPathIsEmpty(nullptr));
  EXPECT_TRUE(CGRectIsNull(CGPathGetBoundingBox(nullptr)));
  CGPathAddPath(empty, nullptr, empty);
  CGPathAddLines(empty, nullptr, nullptr, 3);
  CGPathAddRect(empty, nullptr, CGRectNull);
  CGPathAddEllipseInRect(empty, nullptr, CGRectNull);
  CGPathAddRoundedRect(empty, nullptr, CGRectNull, 2, 2);
  EXPECT_TRUE(CGPathIsEmpty(empty));

  // Rectangles and rounded rectangles from non-finite input make no geometry at all.
  EXPECT_TRUE(CGPathIsEmpty(CGPathCreateWithRect(CGRectNull, nullptr)));
  EXPECT_TRUE(CGPathIsEmpty(CGPathCreateWithRect(CGRectMake(kNaN, 0, 1, 1), nullptr)));
  EXPECT_TRUE(CGPathIsEmpty(CGPathCreateWithEllipseInRect(CGRectMake(0, 0, kInf, 1), nullptr)));
  // A non-finite corner radius gives the plain rectangle.
  auto nanCorners = CGPathCreateWithRoundedRect(CGRectMake(0, 0, 10, 10), kNaN, kNaN, nullptr);
  CGRect r;
  EXPECT_TRUE(CGPathIsRect(nanCorners, &r));
  EXPECT_TRUE(CGRectEqualToRect(r, CGRectMake(0, 0, 10, 10)));

  // Arcs: a non-finite radius adds nothing; a huge relative sweep is a full circle plus the
  // remainder, drawn with a bounded number of pieces and ending on the circle.
  auto arcs = CGPathCreateMutable();
  CGPathAddArc(arcs, nullptr, 0, 0, kNaN, 0, 1, false);
  CGPathAddArc(arcs, nullptr, kInf, 0, 1, 0, 1, false);
  CGPathAddRelativeArc(arcs, nullptr, 0, 0, kInf, 0, 1);
  EXPECT_TRUE(CGPathIsEmpty(arcs));
  CGPathAddRelativeArc(arcs, nullptr, 0, 0, 10, 0, 1e300);
  EXPECT_LE(arcs->elements().size(), 12u);
  CGRect box = CGPathGetPathBoundingBox(arcs);
  EXPECT_NEAR(box.size.width, 20, 0.1);
  EXPECT_NEAR(box.size.height, 20, 0.1);
  CGPoint end = CGPathGetCurrentPoint(arcs);
  EXPECT_NEAR(std::hypot(end.x, end.y), 10, 1e-6);
  // Points that are not finite are dropped from mutable paths.
  auto lines = CGPathCreateMutable();
  CGPathMoveToPoint(lines, nullptr, 0, 0);
  CGPathAddLineToPoint(lines, nullptr, kNaN, 1);
  CGPathAddCurveToPoint(lines, nullptr, 1, 1, kInf, 2, 3, 3);
  CGPathAddLineToPoint(lines, nullptr, 4, 4);
  EXPECT_EQ(lines->elements().size(), 2u);
  EXPECT_TRUE(CGRectEqualToRect(CGPathGetBoundingBox(lines), CGRectMake(0, 0, 4, 4)));
}

TEST(HostileGeometry, NegativeSizesAndNull) {
  CGRect neg = CGRectMake(10, 10, -4, -6);  // the same area as (6, 4, 4, 6)
  EXPECT_EQ(CGRectGetMinX(neg), 6);
  EXPECT_EQ(CGRectGetMaxY(neg), 10);
  EXPECT_EQ(CGRectGetWidth(neg), 4);
  EXPECT_TRUE(CGRectEqualToRect(neg, CGRectMake(6, 4, 4, 6)));
  EXPECT_TRUE(CGRectContainsPoint(neg, CGPointMake(6, 4)));
  EXPECT_FALSE(CGRectContainsPoint(neg, CGPointMake(10, 9)));
  EXPECT_TRUE(
      CGRectEqualToRect(CGRectIntersection(neg, CGRectMake(0, 0, 8, 8)), CGRectMake(6, 4, 2, 4)));
  EXPECT_TRUE(CGRectEqualToRect(CGRectUnion(neg, CGRectNull), CGRectMake(6, 4, 4, 6)));
  EXPECT_EQ(CGRectOffset(neg, 1, 1).origin.x, 7);
  EXPECT_TRUE(
      CGRectEqualToRect(CGRectIntegral(CGRectMake(0.5, 0.5, -1, -1)), CGRectMake(-1, -1, 2, 2)));
  // Null stays null through every helper and never contains or meets anything.
  for (CGRect r :
       {CGRectInset(CGRectNull, -5, -5), CGRectOffset(CGRectNull, 1, 1), CGRectIntegral(CGRectNull),
        CGRectStandardize(CGRectNull), CGRectIntersection(CGRectNull, CGRectInfinite),
        CGRectApplyAffineTransform(CGRectNull, CGAffineTransformMakeScale(2, 2)),
        CGRectUnion(CGRectNull, CGRectNull)})
    EXPECT_TRUE(CGRectIsNull(r));
  EXPECT_FALSE(CGRectContainsPoint(CGRectNull, CGPointMake(kInf, kInf)));
  EXPECT_FALSE(CGRectContainsRect(CGRectInfinite, CGRectNull));
  EXPECT_FALSE(CGRectIntersectsRect(CGRectNull, CGRectNull));
  EXPECT_TRUE(CGRectIsEmpty(CGRectNull));
  EXPECT_FALSE(CGRectIsEmpty(CGRectInfinite));
  // NaN points are inside nothing; a singular transform does not invert to garbage.
  EXPECT_FALSE(CGRectContainsPoint(CGRectMake(0, 0, 10, 10), CGPointMake(kNaN, 5)));
  CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
  EXPECT_TRUE(CGAffineTransformEqualToTransform(CGAffineTransformInvert(singular), singular));
}

// The one-pixel average has its own summing loop; it must agree with the general box
// filter wherever both apply, including rows long enough to fill its 16-bit lanes.
TEST(OnePixelAverage, AgreesWithTheGeneralPathAndBlendsOverWhatIsThere) {
  auto onePixel = [](const CGImageRef& img, bool clipped, Pixel under, uint32_t info) {
    std::vector<uint8_t> px(under.begin(), under.end());
    auto ctx = CGBitmapContextCreate(px.data(), 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), info);
    if (clipped) CGContextClipToRect(ctx, CGRectMake(0, 0, 1, 1));  // forces the general path
    CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), img);
    return Pixel{px[0], px[1], px[2], px[3]};
  };
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245 + 12345, static_cast<uint8_t>(seed >> 16); };
  for (auto [w, h] :
       {std::pair<size_t, size_t>{1, 1}, {1, 9}, {9, 1}, {600, 3}, {1025, 2}, {3, 3}, {97, 101}}) {
    std::vector<uint8_t> all255(w * h * 4, 255);
    EXPECT_EQ(onePixel(imageOf(w, h, all255), false, {}, kRGBA), (Pixel{255, 255, 255, 255}))
        << w << "x" << h;
    std::vector<uint8_t> rnd(w * h * 4);
    for (size_t i = 0; i < rnd.size(); i += 4) {
      uint8_t a = next();
      rnd[i + 3] = a;
      for (int k = 0; k < 3; ++k) rnd[i + k] = a ? next() % (a + 1) : 0;
    }
    auto img = imageOf(w, h, rnd);
    EXPECT_EQ(onePixel(img, false, {}, kRGBA), onePixel(img, true, {}, kRGBA)) << w << "x" << h;
    // Over an opaque destination, in Cairo's own byte order.
    Pixel fast = onePixel(img, false, {0, 0, 200, 255}, 8194);
    Pixel slow = onePixel(img, true, {0, 0, 200, 255}, 8194);
    for (int k = 0; k < 4; ++k) EXPECT_NEAR(fast[k], slow[k], 1) << w << "x" << h;
    EXPECT_EQ(fast[3], 255);
  }
  // One pixel of a larger, y-down context gets the average; its neighbours nothing.
  std::vector<uint8_t> mem(3 * 3 * 4, 0);
  auto ctx = CGBitmapContextCreate(mem.data(), 3, 3, 8, 12, CGColorSpaceCreateDeviceRGB(), kRGBA);
  CGContextTranslateCTM(ctx, 0, 3);
  CGContextScaleCTM(ctx, 1, -1);
  CGContextDrawImage(ctx, CGRectMake(2, 0, 1, 1), imageOf(2, 1, {255, 0, 0, 255, 0, 0, 255, 255}));
  EXPECT_EQ((Pixel{mem[8], mem[9], mem[10], mem[11]}), (Pixel{128, 0, 128, 255}));
  mem[8] = mem[9] = mem[10] = mem[11] = 0;
  EXPECT_TRUE(allClear(mem));
}

// A fresh context writes the one-pixel average straight into the caller's memory and
// makes its drawing surface only when another call needs it: what was drawn before must
// carry over to the surface, and the surface must not write back stale bytes.
TEST(OnePixelAverage, CarriesOverWhenTheContextLaterNeedsItsSurface) {
  for (uint32_t info : {kRGBA, uint32_t(8194)}) {  // ours to convert, and Cairo's own order
    Pixel px{0, 0, 200, 255};
    auto ctx = CGBitmapContextCreate(px.data(), 1, 1, 8, 4, CGColorSpaceCreateDeviceRGB(), info);
    bool rgba = info == kRGBA;
    auto half = imageOf(1, 1, {100, 0, 0, 128});
    CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), half);
    if (rgba) {
      EXPECT_EQ(px, (Pixel{100, 0, 100, 255}));
    }
    Pixel once = px;
    CGContextFillRect(ctx, CGRectMake(5, 5, 1, 1));  // needs the surface, covers nothing
    EXPECT_EQ(px, once) << info;
    CGContextDrawImage(ctx, CGRectMake(0, 0, 1, 1), half);
    Pixel twice = px;
    if (rgba) {
      EXPECT_EQ(twice, (Pixel{150, 0, 50, 255}));
    }
    ctx = nullptr;
    EXPECT_EQ(px, twice) << "released";
  }
}

}  // namespace
