// The plug-in in a process without the home screen's classes, and its UIImage category.
#include <cmath>

#include "Nimbra/DominantColor.h"
#include "PluginHarness.h"

using namespace harness;

namespace {

Strong<UIImage> imageOf(size_t width, size_t height, std::vector<uint8_t> rgba) {
  return UIImage::imageWithCGImage(std::make_shared<CGImage>(width, height, std::move(rgba)));
}

std::array<double, 4> components(const Strong<UIColor>& color) {
  std::array<double, 4> c{-1, -1, -1, -1};
  if (color) color->getRedGreenBlueAlpha(&c[0], &c[1], &c[2], &c[3]);
  return c;
}

}  // namespace

TEST(BareHost, LoadsWithoutTheHostClassesAndLeavesThemAbsent) {
  inFreshProcess(nullptr, [] {
    EXPECT_EQ(objc_getClass("SBIconView"), nullptr);
    EXPECT_EQ(objc_getClass("SBIconBadgeView"), nullptr);
    EXPECT_TRUE(UIImage::class_() &&
                class_respondsToSelector(UIImage::class_(), OBJC_SEL("dominantColor")));
  });
}

TEST(DominantColor, TypeEncodingAndAbsenceWithoutThePlugin) {
  EXPECT_EQ(UIImageDominantColor(imageOf(1, 1, {1, 2, 3, 255})), nullptr);  // not loaded here
  inFreshProcess(nullptr, [] {
    Method m = class_getInstanceMethod(UIImage::class_(), OBJC_SEL("dominantColor"));
    ASSERT_NE(m, nullptr);
    EXPECT_STREQ(method_getTypeEncoding(m), "@16@0:8");
    EXPECT_EQ(UIImageDominantColor(nullptr), nullptr);
  });
}

TEST(DominantColor, SinglePixelVectors) {
  inFreshProcess(nullptr, [] {
    EXPECT_EQ(components(UIImageDominantColor(imageOf(1, 1, {255, 128, 0, 255}))),
              (std::array<double, 4>{1.0, 0.5019607843137255, 0.0, 1.0}));
    auto half = components(UIImageDominantColor(imageOf(1, 1, {100, 50, 25, 128})));
    EXPECT_EQ(half[3], 0.5019607843137255);
    EXPECT_DOUBLE_EQ(half[0], 0.1968473663975394);
    EXPECT_DOUBLE_EQ(half[1], 0.0984236831987697);
    EXPECT_DOUBLE_EQ(half[2], 0.04921184159938485);
    // Fully transparent: components straight from the pixel, alpha 0.
    EXPECT_EQ(
        components(UIImageDominantColor(imageOf(1, 1, {10, 20, 30, 0}))),
        (std::array<double, 4>{0.0392156862745098, 0.0784313725490196, 0.11764705882352941, 0.0}));
  });
}

TEST(DominantColor, LargerImagesAverageExactly) {
  inFreshProcess(nullptr, [] {
    // Four pixels whose mean is whole: (150, 75, 20, 255).
    auto color = UIImageDominantColor(
        imageOf(2, 2, {200, 100, 0, 255, 100, 50, 40, 255, 180, 90, 10, 255, 120, 60, 30, 255}));
    EXPECT_EQ(components(color),
              (std::array<double, 4>{1 / 255.0 * 150, 1 / 255.0 * 75, 1 / 255.0 * 20, 1.0}));
    // A 120 x 120 image of two halves: the mean of each channel.
    std::vector<uint8_t> pixels;
    for (int y = 0; y < 120; ++y) {
      for (int x = 0; x < 120; ++x) {
        if (x < 60) {
          pixels.insert(pixels.end(), {255, 0, 64, 255});
        } else {
          pixels.insert(pixels.end(), {1, 200, 0, 255});
        }
      }
    }
    EXPECT_EQ(components(UIImageDominantColor(imageOf(120, 120, pixels))),
              (std::array<double, 4>{1 / 255.0 * 128, 1 / 255.0 * 100, 1 / 255.0 * 32, 1.0}));
  });
}
