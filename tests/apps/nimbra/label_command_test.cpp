// `nimbra label --out FILE.png` as a person runs it: the gallery's picture keeps every
// sample inside the page's margins, right-to-left rows as well as left-to-right ones.
#include <cairo.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "RunCommand.h"

namespace {

// The gallery's page: 640 points wide with 16-point margins, written at scale 2. Samples
// may reach a point or two past their frames (box outsets, shadows), never into the
// outer half of a margin; a right-aligned sample flush with the page's edge does.
constexpr int kScale = 2;
constexpr int kPageWidth = 640 * kScale;
constexpr int kClear = 8 * kScale;

bool white(uint32_t argb) {
  return (argb & 0xffffff) == 0xffffff;
}

TEST(LabelCommand, SamplesKeepClearOfThePageSides) {
  std::string out = testing::TempDir() + "gallery-" + std::to_string(getpid()) + ".png";
  testcommand::Result r =
      testcommand::run(std::string(NIMBRA_BUILD_DIR) + "/apps/nimbra label --out " + out + " 2>&1");
  ASSERT_EQ(r.status, 0) << r.out;
  cairo_surface_t* png = cairo_image_surface_create_from_png(out.c_str());
  ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
  cairo_surface_flush(png);
  int width = cairo_image_surface_get_width(png), height = cairo_image_surface_get_height(png);
  EXPECT_EQ(width, kPageWidth);
  const unsigned char* data = cairo_image_surface_get_data(png);
  int stride = cairo_image_surface_get_stride(png);
  int leftInk = 0, rightInk = 0;
  for (int y = 0; y < height; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + y * stride);
    for (int x = 0; x < kClear; ++x) leftInk += !white(row[x]);
    for (int x = width - kClear; x < width; ++x) rightInk += !white(row[x]);
  }
  EXPECT_EQ(leftInk, 0);
  EXPECT_EQ(rightInk, 0);
  cairo_surface_destroy(png);
  unlink(out.c_str());
}

}  // namespace
