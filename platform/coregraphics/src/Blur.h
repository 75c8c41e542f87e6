// Gaussian blur of an 8-bit alpha plane, approximated by three box passes (internal).
#pragma once

#include <cstddef>
#include <cstdint>

namespace cg {
void blurAlpha(uint8_t* data, size_t width, size_t height, size_t stride, double sigma);
// The average of premultiplied RGBA pixels (rows of `stride` bytes), rounded to nearest.
void averageRGBA(const uint8_t* pixels, size_t width, size_t height, size_t stride, uint8_t out[4]);
}  // namespace cg
