// Byte layouts of 32-bit pixels and conversion between them (internal).
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "CoreGraphics/CGImage.h"

typedef struct _cairo_surface cairo_surface_t;

namespace cg {

struct Layout {
  enum Alpha { Premultiplied, Straight, Skip };
  int r, g, b, a;  // byte offsets within the pixel
  Alpha alpha;
  bool operator==(const Layout&) const = default;
};

inline constexpr Layout kRGBA{0, 1, 2, 3, Layout::Premultiplied};
inline constexpr bool kLittle = std::endian::native == std::endian::little;
// Cairo's ARGB32: a native-endian 32-bit word.
inline constexpr Layout kCairo =
    kLittle ? Layout{2, 1, 0, 3, Layout::Premultiplied} : Layout{1, 2, 3, 0, Layout::Premultiplied};
inline constexpr Layout kCairoOpaque =
    kLittle ? Layout{2, 1, 0, 3, Layout::Skip} : Layout{1, 2, 3, 0, Layout::Skip};

// The layout a bitmap info describes, none when unsupported (16-bit orders, floats, no
// alpha byte, alpha only). Straight alpha only when `acceptStraight`.
inline std::optional<Layout> layoutFor(uint32_t info, bool acceptStraight) {
  if (info & kCGBitmapFloatComponents) return std::nullopt;
  uint32_t alpha = info & kCGBitmapAlphaInfoMask;
  uint32_t order = info & kCGBitmapByteOrderMask;
  if (order != kCGBitmapByteOrderDefault && order != kCGBitmapByteOrder32Big &&
      order != kCGBitmapByteOrder32Little)
    return std::nullopt;
  bool last;
  Layout::Alpha kind;
  switch (alpha) {
    case kCGImageAlphaPremultipliedLast:
      last = true, kind = Layout::Premultiplied;
      break;
    case kCGImageAlphaPremultipliedFirst:
      last = false, kind = Layout::Premultiplied;
      break;
    case kCGImageAlphaNoneSkipLast:
      last = true, kind = Layout::Skip;
      break;
    case kCGImageAlphaNoneSkipFirst:
      last = false, kind = Layout::Skip;
      break;
    case kCGImageAlphaLast:
      last = true, kind = Layout::Straight;
      break;
    case kCGImageAlphaFirst:
      last = false, kind = Layout::Straight;
      break;
    default:
      return std::nullopt;
  }
  if (kind == Layout::Straight && !acceptStraight) return std::nullopt;
  // Big-endian (and default) order: the components in their named order in memory.
  Layout l = last ? Layout{0, 1, 2, 3, kind} : Layout{1, 2, 3, 0, kind};
  if (order == kCGBitmapByteOrder32Little) l = {3 - l.r, 3 - l.g, 3 - l.b, 3 - l.a, kind};
  return l;
}

inline void convertRow(const uint8_t* src, Layout from, uint8_t* dst, Layout to, size_t n) {
  if (from == to) {
    std::memcpy(dst, src, n * 4);
    return;
  }
  for (size_t i = 0; i < n; ++i, src += 4, dst += 4) {
    unsigned r = src[from.r], g = src[from.g], b = src[from.b];
    unsigned a = from.alpha == Layout::Skip ? 255 : src[from.a];
    if (from.alpha == Layout::Straight && a != 255) {
      r = (r * a + 127) / 255, g = (g * a + 127) / 255, b = (b * a + 127) / 255;
    }
    if (to.alpha == Layout::Straight && a != 255 && a != 0) {
      r = std::min(255u, (r * 255 + a / 2) / a);
      g = std::min(255u, (g * 255 + a / 2) / a);
      b = std::min(255u, (b * 255 + a / 2) / a);
    }
    dst[to.r] = static_cast<uint8_t>(r);
    dst[to.g] = static_cast<uint8_t>(g);
    dst[to.b] = static_cast<uint8_t>(b);
    dst[to.a] = to.alpha == Layout::Skip ? 255 : static_cast<uint8_t>(a);
  }
}

CGImageRef imageFromCairoSurface(cairo_surface_t* surface);
bool writeCairoSurfacePNG(cairo_surface_t* surface, const std::string& path);

}  // namespace cg
