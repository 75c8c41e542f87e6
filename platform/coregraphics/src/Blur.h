// Gaussian blur of an 8-bit alpha plane, approximated by three box passes (internal).
#pragma once

#include <cstddef>
#include <cstdint>

// For loops over every pixel: coverage-guided fuzzing learns nothing from their
// comparisons, and tracing each one costs many times the loop itself.
#if defined(__clang__)
#define CG_PIXEL_LOOP __attribute__((no_sanitize("coverage")))
#else
#define CG_PIXEL_LOOP
#endif

namespace cg {
// Box widths whose three passes approximate a Gaussian of `sigma`.
void boxSizes(double sigma, int sizes[3]);
// The smallest box holding every non-zero sample of an 8-bit plane; x1 < 0 when none.
void inkBounds(const uint8_t* data, int width, int height, size_t stride, int& x0, int& y0, int& x1,
               int& y1);
void blurAlpha(uint8_t* data, size_t width, size_t height, size_t stride, double sigma);
// The average of premultiplied RGBA pixels (rows of `stride` bytes), rounded to nearest.
void averageRGBA(const uint8_t* pixels, size_t width, size_t height, size_t stride, uint8_t out[4]);
}  // namespace cg
