#include "Blur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#if defined(__x86_64__)
#include <immintrin.h>
#elif defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace cg {

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

namespace {
// Divides sums by a box's width exactly, with a multiply: for the sums a box of at most
// 2^16 samples of 255 can hold, (x * m) >> 40 with m = ceil(2^40 / w) is floor(x / w).
struct Divider {
  explicit Divider(uint32_t w) : half(w / 2), m(((uint64_t{1} << 40) + w - 1) / w) {}
  uint8_t operator()(uint32_t sum) const { return static_cast<uint8_t>(((sum + half) * m) >> 40); }
  uint32_t half;
  uint64_t m;
};

// One box pass of radius r along a row of n samples, zero outside.
CG_PIXEL_LOOP void boxRow(const uint8_t* src, uint8_t* dst, size_t n, int r,
                          const Divider& divide) {
  uint32_t sum = 0;
  int64_t len = static_cast<int64_t>(n);
  for (int64_t i = 0; i <= std::min<int64_t>(r, len - 1); ++i) sum += src[i];
  for (int64_t i = 0; i < len; ++i) {
    dst[i] = divide(sum);
    int64_t add = i + r + 1, sub = i - r;
    if (add < len) sum += src[add];
    if (sub >= 0) sum -= src[sub];
  }
}

// The same pass down every column at once, a row at a time, so that memory is read in
// order: sums[x] holds column x's window.
CG_PIXEL_LOOP void boxColumns(const uint8_t* src, uint8_t* dst, size_t width, size_t height, int r,
                              const Divider& divide, std::vector<uint32_t>& sums) {
  sums.assign(width, 0);
  int64_t len = static_cast<int64_t>(height);
  for (int64_t y = 0; y <= std::min<int64_t>(r, len - 1); ++y) {
    const uint8_t* row = src + y * width;
    for (size_t x = 0; x < width; ++x) sums[x] += row[x];
  }
  for (int64_t y = 0; y < len; ++y) {
    uint8_t* out = dst + y * width;
    for (size_t x = 0; x < width; ++x) out[x] = divide(sums[x]);
    int64_t add = y + r + 1, sub = y - r;
    if (add < len) {
      const uint8_t* row = src + add * width;
      for (size_t x = 0; x < width; ++x) sums[x] += row[x];
    }
    if (sub >= 0) {
      const uint8_t* row = src + sub * width;
      for (size_t x = 0; x < width; ++x) sums[x] -= row[x];
    }
  }
}

// The three box passes over a contiguous plane, in place.
CG_PIXEL_LOOP void blurPlane(std::vector<uint8_t>& plane, size_t width, size_t height,
                             double sigma) {
  int sizes[3];
  boxSizes(sigma, sizes);
  std::vector<uint8_t> other(width * height);
  std::vector<uint32_t> sums;
  for (int pass = 0; pass < 3; ++pass) {
    int r = (sizes[pass] - 1) / 2;
    if (r <= 0) continue;
    Divider divide(static_cast<uint32_t>(2 * r + 1));
    for (size_t y = 0; y < height; ++y)
      boxRow(&plane[y * width], &other[y * width], width, r, divide);
    boxColumns(other.data(), plane.data(), width, height, r, divide, sums);
  }
}

// Wider blurs than this run on a plane reduced by a whole factor: a Gaussian that wide is
// smooth over a block of pixels, so blurring block averages and interpolating between
// them draws the same shadow for the square of the factor less work.
constexpr double kFullSizeSigma = 32;

CG_PIXEL_LOOP void blurReduced(std::vector<uint8_t>& plane, size_t width, size_t height,
                               double sigma) {
  size_t k = static_cast<size_t>(sigma / (kFullSizeSigma / 2));  // leaves sigma / k in [16, 32)
  size_t sw = (width + k - 1) / k, sh = (height + k - 1) / k;
  // Block averages; a block past the plane's edge counts the zeros outside it.
  std::vector<uint32_t> sums(sw * sh, 0);
  for (size_t y = 0; y < height; ++y) {
    const uint8_t* row = &plane[y * width];
    uint32_t* blocks = &sums[(y / k) * sw];
    for (size_t bx = 0, x = 0; bx < sw; ++bx) {
      uint32_t sum = 0;
      for (size_t end = std::min(width, x + k); x < end; ++x) sum += row[x];
      blocks[bx] += sum;
    }
  }
  std::vector<uint8_t> small(sw * sh);
  uint32_t cells = static_cast<uint32_t>(k * k);
  for (size_t i = 0; i < small.size(); ++i)
    small[i] = static_cast<uint8_t>((sums[i] + cells / 2) / cells);
  blurPlane(small, sw, sh, sigma / static_cast<double>(k));
  // Back to full size, interpolating between the blocks' centres, with weights in 1/256.
  constexpr uint32_t kOne = 256;
  auto axis = [k](size_t i, size_t n, uint32_t& lo, uint32_t& hi, uint32_t& w) {
    double f = (static_cast<double>(i) + 0.5) / static_cast<double>(k) - 0.5;
    f = std::clamp(f, 0.0, static_cast<double>(n - 1));
    lo = static_cast<uint32_t>(f);
    hi = std::min<uint32_t>(lo + 1, static_cast<uint32_t>(n - 1));
    w = static_cast<uint32_t>(std::lround((f - lo) * kOne));
  };
  std::vector<uint32_t> x0(width), x1(width), wx(width);
  for (size_t x = 0; x < width; ++x) axis(x, sw, x0[x], x1[x], wx[x]);
  for (size_t y = 0; y < height; ++y) {
    uint32_t y0, y1, wy;
    axis(y, sh, y0, y1, wy);
    const uint8_t* top = &small[y0 * sw];
    const uint8_t* bottom = &small[y1 * sw];
    uint8_t* out = &plane[y * width];
    for (size_t x = 0; x < width; ++x) {
      uint32_t upper = top[x0[x]] * (kOne - wx[x]) + top[x1[x]] * wx[x];
      uint32_t lower = bottom[x0[x]] * (kOne - wx[x]) + bottom[x1[x]] * wx[x];
      out[x] = static_cast<uint8_t>((upper * (kOne - wy) + lower * wy + kOne * kOne / 2) >> 16);
    }
  }
}
}  // namespace

CG_PIXEL_LOOP void inkBounds(const uint8_t* data, int width, int height, size_t stride, int& x0,
                             int& y0, int& x1, int& y1) {
  x0 = width, y0 = height, x1 = -1, y1 = -1;
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = data + y * stride;
    int first = 0;
    while (first < width && !row[first]) ++first;
    if (first == width) continue;
    int last = width - 1;
    while (!row[last]) --last;
    x0 = std::min(x0, first), x1 = std::max(x1, last);
    y0 = std::min(y0, y), y1 = y;
  }
}

CG_PIXEL_LOOP void blurAlpha(uint8_t* data, size_t width, size_t height, size_t stride,
                             double sigma) {
  if (sigma < 0.3 || width == 0 || height == 0) return;
  // Each pass rounds to whole levels, so 8 bits hold every intermediate plane.
  std::vector<uint8_t> plane(width * height);
  for (size_t y = 0; y < height; ++y) std::memcpy(&plane[y * width], data + y * stride, width);
  if (sigma > kFullSizeSigma) {
    blurReduced(plane, width, height, sigma);
  } else {
    blurPlane(plane, width, height, sigma);
  }
  for (size_t y = 0; y < height; ++y) std::memcpy(data + y * stride, &plane[y * width], width);
}

namespace {

#if defined(__x86_64__)
// The same sums 32 bytes at a time where the processor has AVX2 (chosen at run time): a
// lane takes one byte per load, so 256 loads per register fit before flushing.
__attribute__((target("avx2"))) size_t sumRGBAWide(const uint8_t* p, size_t bytes,
                                                   uint64_t sums[4]) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  constexpr size_t kChunk = 2 * 256 * 32;
  size_t i = 0;
  while (bytes - i >= 64) {
    size_t end = i + std::min(kChunk, (bytes - i) / 64 * 64);
    __m256i e0 = _mm256_setzero_si256(), o0 = e0, e1 = e0, o1 = e0;
    for (; i < end; i += 64) {
      __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i));
      __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + i + 32));
      e0 = _mm256_add_epi16(e0, _mm256_and_si256(a, lowBytes));
      o0 = _mm256_add_epi16(o0, _mm256_srli_epi16(a, 8));
      e1 = _mm256_add_epi16(e1, _mm256_and_si256(b, lowBytes));
      o1 = _mm256_add_epi16(o1, _mm256_srli_epi16(b, 8));
    }
    alignas(32) uint16_t lanes[16];
    const __m256i accs[4] = {e0, e1, o0, o1};
    for (int a = 0; a < 4; ++a) {
      int first = a < 2 ? 0 : 1;  // R and B in the even lanes' pairs, G and A in the odd
      _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), accs[a]);
      for (int k = 0; k < 16; k += 2) sums[first] += lanes[k], sums[first + 2] += lanes[k + 1];
    }
  }
  return i;
}
bool haveWide() {
  static const bool wide = __builtin_cpu_supports("avx2");
  return wide;
}
#endif

// Adds `bytes` bytes of RGBA pixels to the four channel sums.
void sumRGBA(const uint8_t* p, size_t bytes, uint64_t sums[4]) {
  size_t i = 0;
#if defined(__x86_64__)
  if (haveWide()) i = sumRGBAWide(p, bytes, sums);
#endif
#if defined(__SSE2__)
  // Sixteen bytes at a time into 16-bit lanes: the even bytes (R, B) of each pixel in one
  // register, the odd bytes (G, A) in another, two of each to keep the adds independent.
  // A lane takes one byte per load, so 256 loads per register fit before flushing.
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  constexpr size_t kChunk = 2 * 256 * 16;
  auto flush = [&](__m128i even, __m128i odd) {
    alignas(16) uint16_t e[8], o[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(e), even);
    _mm_store_si128(reinterpret_cast<__m128i*>(o), odd);
    sums[0] += uint64_t(e[0]) + e[2] + e[4] + e[6];
    sums[2] += uint64_t(e[1]) + e[3] + e[5] + e[7];
    sums[1] += uint64_t(o[0]) + o[2] + o[4] + o[6];
    sums[3] += uint64_t(o[1]) + o[3] + o[5] + o[7];
  };
  while (bytes - i >= 32) {
    size_t end = i + std::min(kChunk, (bytes - i) / 32 * 32);
    __m128i e0 = _mm_setzero_si128(), o0 = e0, e1 = e0, o1 = e0;
    for (; i < end; i += 32) {
      __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
      __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i + 16));
      e0 = _mm_add_epi16(e0, _mm_and_si128(a, lowBytes));
      o0 = _mm_add_epi16(o0, _mm_srli_epi16(a, 8));
      e1 = _mm_add_epi16(e1, _mm_and_si128(b, lowBytes));
      o1 = _mm_add_epi16(o1, _mm_srli_epi16(b, 8));
    }
    flush(e0, o0);
    flush(e1, o1);
  }
#else
  // Two pixels per 64-bit word, in 16-bit lanes: 256 additions of 255 fit a lane.
  constexpr uint64_t kMask = 0x00FF00FF00FF00FFull;
  while (bytes - i >= 8) {
    size_t end = i + std::min<size_t>(256 * 8, (bytes - i) / 8 * 8);
    uint64_t even = 0, odd = 0;
    for (; i < end; i += 8) {
      uint64_t w;
      std::memcpy(&w, p + i, 8);
      if constexpr (std::endian::native == std::endian::big) w = __builtin_bswap64(w);
      even += w & kMask;
      odd += (w >> 8) & kMask;
    }
    sums[0] += (even & 0xFFFF) + ((even >> 32) & 0xFFFF);
    sums[2] += ((even >> 16) & 0xFFFF) + ((even >> 48) & 0xFFFF);
    sums[1] += (odd & 0xFFFF) + ((odd >> 32) & 0xFFFF);
    sums[3] += ((odd >> 16) & 0xFFFF) + ((odd >> 48) & 0xFFFF);
  }
#endif
  for (; i + 4 <= bytes; i += 4)
    for (int c = 0; c < 4; ++c) sums[c] += p[i + c];
}

}  // namespace

void averageRGBA(const uint8_t* pixels, size_t width, size_t height, size_t stride,
                 uint8_t out[4]) {
  uint64_t sums[4] = {0, 0, 0, 0};
  if (stride == width * 4) {
    sumRGBA(pixels, width * height * 4, sums);  // packed rows: one run
  } else {
    for (size_t y = 0; y < height; ++y) sumRGBA(pixels + y * stride, width * 4, sums);
  }
  uint64_t n = static_cast<uint64_t>(width) * height;
  for (int c = 0; c < 4; ++c) out[c] = n ? static_cast<uint8_t>((sums[c] + n / 2) / n) : 0;
}

}  // namespace cg
