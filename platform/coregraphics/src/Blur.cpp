#include "Blur.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <vector>

namespace cg {

namespace {
// Box widths whose three passes approximate a Gaussian of `sigma`.
void boxSizes(double sigma, int sizes[3]) {
  double ideal = std::sqrt(12 * sigma * sigma / 3 + 1);
  int wl = static_cast<int>(std::floor(ideal));
  if (wl % 2 == 0) --wl;
  int wu = wl + 2;
  double mIdeal = (12 * sigma * sigma - 3.0 * wl * wl - 12.0 * wl - 9) / (-4.0 * wl - 4);
  int m = static_cast<int>(std::lround(mIdeal));
  for (int i = 0; i < 3; ++i) sizes[i] = i < m ? wl : wu;
}

// One box pass of radius r along a line of n samples spaced `step` apart, zero outside.
void boxLine(const uint32_t* src, uint32_t* dst, size_t n, int r) {
  uint64_t sum = 0;
  int64_t len = static_cast<int64_t>(n);
  for (int64_t i = 0; i <= std::min<int64_t>(r, len - 1); ++i) sum += src[i];
  uint32_t w = static_cast<uint32_t>(2 * r + 1);
  for (int64_t i = 0; i < len; ++i) {
    dst[i] = static_cast<uint32_t>((sum + w / 2) / w);
    int64_t add = i + r + 1, sub = i - r;
    if (add < len) sum += src[add];
    if (sub >= 0) sum -= src[sub];
  }
}
}  // namespace

void blurAlpha(uint8_t* data, size_t width, size_t height, size_t stride, double sigma) {
  if (sigma < 0.3 || width == 0 || height == 0) return;
  int sizes[3];
  boxSizes(sigma, sizes);
  std::vector<uint32_t> plane(width * height);
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x) plane[y * width + x] = data[y * stride + x];
  std::vector<uint32_t> a(std::max(width, height)), b(std::max(width, height));
  for (int pass = 0; pass < 3; ++pass) {
    int r = (sizes[pass] - 1) / 2;
    if (r <= 0) continue;
    for (size_t y = 0; y < height; ++y) {
      std::memcpy(a.data(), &plane[y * width], width * 4);
      boxLine(a.data(), b.data(), width, r);
      std::memcpy(&plane[y * width], b.data(), width * 4);
    }
    for (size_t x = 0; x < width; ++x) {
      for (size_t y = 0; y < height; ++y) a[y] = plane[y * width + x];
      boxLine(a.data(), b.data(), height, r);
      for (size_t y = 0; y < height; ++y) plane[y * width + x] = b[y];
    }
  }
  for (size_t y = 0; y < height; ++y)
    for (size_t x = 0; x < width; ++x)
      data[y * stride + x] = static_cast<uint8_t>(std::min<uint32_t>(255, plane[y * width + x]));
}

void averageRGBA(const uint8_t* pixels, size_t width, size_t height, size_t stride,
                 uint8_t out[4]) {
  // Bytes are summed two pixels at a time in 16-bit lanes of a 64-bit word: even bytes
  // (R, B) in one word, odd bytes (G, A) in the other. 256 additions of 255 fit a lane.
  constexpr uint64_t kMask = 0x00FF00FF00FF00FFull;
  uint64_t sums[4] = {0, 0, 0, 0};
  auto flush = [&](uint64_t even, uint64_t odd) {
    sums[0] += (even & 0xFFFF) + ((even >> 32) & 0xFFFF);
    sums[2] += ((even >> 16) & 0xFFFF) + ((even >> 48) & 0xFFFF);
    sums[1] += (odd & 0xFFFF) + ((odd >> 32) & 0xFFFF);
    sums[3] += ((odd >> 16) & 0xFFFF) + ((odd >> 48) & 0xFFFF);
  };
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + y * stride;
    size_t pairs = width / 2;
    size_t i = 0;
    while (i < pairs) {
      size_t block = std::min<size_t>(pairs - i, 256);
      uint64_t even = 0, odd = 0;
      for (size_t k = 0; k < block; ++k) {
        uint64_t w;
        std::memcpy(&w, row + (i + k) * 8, 8);
        if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
        even += w & kMask;
        odd += (w >> 8) & kMask;
      }
      flush(even, odd);
      i += block;
    }
    if (width % 2) {
      const uint8_t* p = row + (width - 1) * 4;
      for (int c = 0; c < 4; ++c) sums[c] += p[c];
    }
  }
  uint64_t n = static_cast<uint64_t>(width) * height;
  for (int c = 0; c < 4; ++c) out[c] = n ? static_cast<uint8_t>((sums[c] + n / 2) / n) : 0;
}

}  // namespace cg
