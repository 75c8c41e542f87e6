#include "CoreGraphics/CGBitmapContext.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "ContextImpl.h"

namespace {
// Cairo's image surfaces stop at 32767 pixels a side; the pixel bound keeps a context's
// own or scratch memory to 1 GB.
constexpr size_t kMaxSide = 32767;
constexpr size_t kMaxPixels = size_t(1) << 28;
}  // namespace

CGContextRef CGBitmapContextCreate(void* data, size_t width, size_t height, size_t bitsPerComponent,
                                   size_t bytesPerRow, const CGColorSpaceRef& space,
                                   uint32_t bitmapInfo) {
  if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide ||
      width * height > kMaxPixels)
    return nullptr;
  if (bitsPerComponent != 8) return nullptr;
  bool alphaOnly = (bitmapInfo & kCGBitmapAlphaInfoMask) == kCGImageAlphaOnly;
  std::optional<cg::Layout> layout;
  if (alphaOnly) {
    if (bitmapInfo & ~kCGBitmapAlphaInfoMask) return nullptr;
  } else {
    if (!space || space->model() != kCGColorSpaceModelRGB) return nullptr;
    layout = cg::layoutFor(bitmapInfo, /*acceptStraight=*/false);
    if (!layout) return nullptr;
  }
  size_t bpp = alphaOnly ? 1 : 4;
  if (bytesPerRow == 0) bytesPerRow = (width * bpp + 3) / 4 * 4;
  if (bytesPerRow < width * bpp) return nullptr;
  // The rows must be addressable; a product that wraps would size the buffer too small.
  if (bytesPerRow > std::numeric_limits<size_t>::max() / height ||
      bytesPerRow * height > (std::numeric_limits<size_t>::max() >> 1))
    return nullptr;
  if (!data && bytesPerRow * height > kMaxPixels * 4) return nullptr;

  std::vector<uint8_t> owned;
  if (!data) {
    owned.assign(bytesPerRow * height, 0);
    data = owned.data();
  }
  cairo_format_t format = alphaOnly ? CAIRO_FORMAT_A8 : CAIRO_FORMAT_ARGB32;
  bool direct = (alphaOnly || *layout == cg::kCairo) && bytesPerRow % 4 == 0 &&
                bytesPerRow >= static_cast<size_t>(cairo_format_stride_for_width(
                                   format, static_cast<int>(width))) &&
                bytesPerRow <= static_cast<size_t>(std::numeric_limits<int>::max());
  // The surface is made when first drawn into (CGContext::Impl::realize).
  auto impl = std::make_unique<CGContext::Impl>(width, height, CGAffineTransformIdentity);
  impl->bitmap = true;
  impl->direct = direct;
  impl->alphaOnly = alphaOnly;
  impl->owned = std::move(owned);
  impl->data = data;  // vector moves keep their buffer
  impl->bytesPerRow = bytesPerRow;
  impl->bitmapInfo = bitmapInfo;
  if (layout) impl->layout = *layout;
  impl->space = alphaOnly ? nullptr : space;
  return std::make_shared<CGContext>(std::move(impl));
}

CGContextRef CGContextCreateFlipped(size_t width, size_t height, CGFloat scale) {
  uint32_t info = cg::kLittle ? (kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Little)
                              : (kCGImageAlphaPremultipliedFirst | kCGBitmapByteOrder32Big);
  auto c = CGBitmapContextCreate(nullptr, width, height, 8, 0, CGColorSpaceCreateDeviceRGB(), info);
  if (!c) return nullptr;
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  auto& i = c->impl();
  i.base = CGAffineTransform{scale, 0, 0, -scale, 0, static_cast<CGFloat>(height)};
  i.gs.ctm = i.base;
  i.applyMatrix();
  return c;
}

namespace {
CGContext::Impl* bitmapImpl(const CGContextRef& c) {
  return c && c->implAsIs().bitmap ? &c->implAsIs() : nullptr;
}
}  // namespace

void* CGBitmapContextGetData(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->data : nullptr;
}
size_t CGBitmapContextGetWidth(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->width : 0;
}
size_t CGBitmapContextGetHeight(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->height : 0;
}
size_t CGBitmapContextGetBytesPerRow(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->bytesPerRow : 0;
}
size_t CGBitmapContextGetBitsPerComponent(const CGContextRef& c) {
  return bitmapImpl(c) ? 8 : 0;
}
size_t CGBitmapContextGetBitsPerPixel(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? (i->alphaOnly ? 8 : 32) : 0;
}
uint32_t CGBitmapContextGetBitmapInfo(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->bitmapInfo : 0;
}
CGImageAlphaInfo CGBitmapContextGetAlphaInfo(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? static_cast<CGImageAlphaInfo>(i->bitmapInfo & kCGBitmapAlphaInfoMask)
           : kCGImageAlphaNone;
}
CGColorSpaceRef CGBitmapContextGetColorSpace(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  return i ? i->space : nullptr;
}

CGImageRef CGBitmapContextCreateImage(const CGContextRef& c) {
  auto* i = bitmapImpl(c);
  if (!i) return nullptr;
  i->realize();
  cairo_surface_flush(i->surface);
  if (!i->alphaOnly) return cg::imageFromCairoSurface(i->surface);
  // Alpha-only: black with that alpha.
  const uint8_t* src = cairo_image_surface_get_data(i->surface);
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(i->surface));
  std::vector<uint8_t> rgba(i->width * i->height * 4, 0);
  for (size_t y = 0; y < i->height; ++y)
    for (size_t x = 0; x < i->width; ++x) rgba[(y * i->width + x) * 4 + 3] = src[y * stride + x];
  return std::make_shared<CGImage>(i->width, i->height, std::move(rgba));
}
