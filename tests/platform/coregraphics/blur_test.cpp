// The shadow blur against a plain statement of the same three box passes: every sum
// divided one by one, columns gathered one at a time. Up to the widest blur done at full
// size the fast blur gives the same levels to the last bit, at every size, with rows
// wider than the plane; wider ones, done on a reduced plane, stay within a few levels.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <vector>

#include "Blur.h"

namespace {

constexpr int kReducedTolerance = 3;  // levels of 255

void boxLine(std::vector<uint32_t>& line, int r) {
  std::vector<uint32_t> out(line.size());
  int64_t n = static_cast<int64_t>(line.size());
  for (int64_t i = 0; i < n; ++i) {
    uint32_t sum = 0;
    for (int64_t k = i - r; k <= i + r; ++k)
      if (k >= 0 && k < n) sum += line[k];
    uint32_t w = static_cast<uint32_t>(2 * r + 1);
    out[i] = (sum + w / 2) / w;
  }
  line = out;
}

std::vector<uint8_t> reference(const std::vector<uint8_t>& in, size_t w, size_t h, double sigma) {
  std::vector<uint32_t> plane(in.begin(), in.end());
  int sizes[3];
  cg::boxSizes(sigma, sizes);
  for (int size : sizes) {
    int r = (size - 1) / 2;
    if (r <= 0) continue;
    std::vector<uint32_t> line;
    for (size_t y = 0; y < h; ++y) {
      line.assign(plane.begin() + y * w, plane.begin() + (y + 1) * w);
      boxLine(line, r);
      std::copy(line.begin(), line.end(), plane.begin() + y * w);
    }
    for (size_t x = 0; x < w; ++x) {
      line.clear();
      for (size_t y = 0; y < h; ++y) line.push_back(plane[y * w + x]);
      boxLine(line, r);
      for (size_t y = 0; y < h; ++y) plane[y * w + x] = line[y];
    }
  }
  return {plane.begin(), plane.end()};
}

TEST(Blur, SameLevelsAsTheBoxPassesDoneByHand) {
  std::mt19937 random(7);
  struct Size {
    size_t w, h;
  };
  for (Size size :
       {Size{1, 1}, Size{1, 40}, Size{40, 1}, Size{37, 23}, Size{90, 61}, Size{300, 200}}) {
    for (double sigma : {0.2, 0.5, 1.0, 2.7, 9.0, 32.0, 33.0, 70.0, 256.0}) {
      // Sparse ink and solid ink: one bright square, scattered dots, a full plane.
      for (int pattern = 0; pattern < 3; ++pattern) {
        std::vector<uint8_t> plane(size.w * size.h);
        for (size_t i = 0; i < plane.size(); ++i) {
          size_t x = i % size.w, y = i / size.w;
          plane[i] = pattern == 0   ? (x > size.w / 3 && y > size.h / 3 ? 255 : 0)
                     : pattern == 1 ? (random() % 9 == 0 ? random() % 256 : 0)
                                    : 255;
        }
        size_t stride = size.w + 5;
        std::vector<uint8_t> image(stride * size.h, 77);
        for (size_t y = 0; y < size.h; ++y)
          std::copy_n(&plane[y * size.w], size.w, &image[y * stride]);
        cg::blurAlpha(image.data(), size.w, size.h, stride, sigma);
        std::vector<uint8_t> want = sigma < 0.3 ? plane : reference(plane, size.w, size.h, sigma);
        int allowed = sigma <= 32 ? 0 : kReducedTolerance;
        for (size_t y = 0; y < size.h; ++y) {
          for (size_t x = 0; x < size.w; ++x)
            ASSERT_LE(std::abs(image[y * stride + x] - want[y * size.w + x]), allowed)
                << size.w << "x" << size.h << " sigma " << sigma << " pattern " << pattern << " at "
                << x << "," << y;
          // Bytes past the row's end belong to someone else.
          for (size_t x = size.w; x < stride; ++x) ASSERT_EQ(image[y * stride + x], 77);
        }
      }
    }
  }
}

}  // namespace

namespace {

TEST(Blur, InkBoundsHoldEveryMarkedSampleAndNothingElse) {
  constexpr int kW = 13, kH = 7;
  constexpr size_t kStride = 16;
  struct Case {
    std::vector<std::pair<int, int>> marks;
    int x0, y0, x1, y1;
  };
  for (const Case& c : std::vector<Case>{{{}, 0, 0, -1, -1},
                                         {{{0, 0}}, 0, 0, 0, 0},
                                         {{{12, 6}}, 12, 6, 12, 6},
                                         {{{5, 1}, {2, 4}, {9, 3}}, 2, 1, 9, 4},
                                         {{{0, 3}, {12, 3}}, 0, 3, 12, 3}}) {
    // Bytes past the row's width are set and must not count.
    std::vector<uint8_t> plane(kStride * kH, 0);
    for (int y = 0; y < kH; ++y)
      for (size_t x = kW; x < kStride; ++x) plane[y * kStride + x] = 255;
    for (auto [x, y] : c.marks) plane[y * kStride + x] = 1;
    int x0, y0, x1, y1;
    cg::inkBounds(plane.data(), kW, kH, kStride, x0, y0, x1, y1);
    if (c.marks.empty()) {
      EXPECT_LT(x1, 0);
      continue;
    }
    EXPECT_EQ(x0, c.x0);
    EXPECT_EQ(y0, c.y0);
    EXPECT_EQ(x1, c.x1);
    EXPECT_EQ(y1, c.y1);
  }
}

}  // namespace
