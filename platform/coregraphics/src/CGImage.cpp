#include "CoreGraphics/CGImage.h"

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "PixelFormat.h"

OBJC_CLASS_IMPL(CGDataProvider) {}
OBJC_CLASS_IMPL(CGImage) {}

CGDataProviderRef CGDataProviderCreateWithData(void* info, const void* data, size_t size,
                                               CGDataProviderReleaseDataCallback release) {
  if (!data && size > 0) return nullptr;
  auto p = data ? std::vector<uint8_t>(static_cast<const uint8_t*>(data),
                                       static_cast<const uint8_t*>(data) + size)
                : std::vector<uint8_t>{};
  if (release) release(info, data, size);
  return std::make_shared<CGDataProvider>(std::move(p));
}

CGDataProviderRef CGDataProviderCreateWithFilename(const std::string& path) {
  // A folder opens like a file here but fails (with an exception) on reading.
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) return nullptr;
  std::ifstream in(path, std::ios::binary);
  if (!in) return nullptr;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) return nullptr;
  return std::make_shared<CGDataProvider>(std::move(bytes));
}

CGImage::CGImage(size_t width, size_t height, std::vector<uint8_t> rgba)
    : width_(width), height_(height), rgba_(std::move(rgba)) {
  rgba_.resize(width_ * height_ * 4, 0);
}

CGImage::~CGImage() {
  if (surface_) cairo_surface_destroy(surface_);
}

cairo_surface_t* CGImage::cairoSurface() const {
  std::call_once(surfaceOnce_, [this] {
    surface_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, static_cast<int>(width_),
                                          static_cast<int>(height_));
    if (cairo_surface_status(surface_) != CAIRO_STATUS_SUCCESS) return;
    cairo_surface_flush(surface_);
    uint8_t* dst = cairo_image_surface_get_data(surface_);
    int stride = cairo_image_surface_get_stride(surface_);
    for (size_t y = 0; y < height_; ++y)
      cg::convertRow(rgba_.data() + y * width_ * 4, cg::kRGBA,
                     dst + y * static_cast<size_t>(stride), cg::kCairo, width_);
    cairo_surface_mark_dirty(surface_);
  });
  return surface_;
}

CGImageRef CGImageCreate(size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel,
                         size_t bytesPerRow, const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo,
                         const CGDataProviderRef& provider, const CGFloat*, bool, int32_t) {
  if (!provider || width == 0 || height == 0 || width > (1u << 15) || height > (1u << 15))
    return nullptr;
  if (bitsPerComponent != 8 || bitsPerPixel != 32 || bytesPerRow < width * 4) return nullptr;
  if (space && space->model() != kCGColorSpaceModelRGB) return nullptr;
  auto layout = cg::layoutFor(bitmapInfo, /*acceptStraight=*/true);
  if (!layout) return nullptr;
  const auto& bytes = provider->bytes();
  // Enough bytes for every row, without a product that could wrap.
  if (bytes.size() < width * 4) return nullptr;
  if (height > 1 && bytesPerRow > (bytes.size() - width * 4) / (height - 1)) return nullptr;
  std::vector<uint8_t> rgba(width * height * 4);
  for (size_t y = 0; y < height; ++y)
    cg::convertRow(bytes.data() + y * bytesPerRow, *layout, rgba.data() + y * width * 4, cg::kRGBA,
                   width);
  return std::make_shared<CGImage>(width, height, std::move(rgba));
}

namespace {
struct ReadCursor {
  const std::vector<uint8_t>* bytes;
  size_t pos = 0;
};
cairo_status_t readBytes(void* closure, unsigned char* data, unsigned int length) {
  auto* c = static_cast<ReadCursor*>(closure);
  if (c->bytes->size() - c->pos < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, c->bytes->data() + c->pos, length);
  c->pos += length;
  return CAIRO_STATUS_SUCCESS;
}
cairo_status_t writeBytes(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::ofstream*>(closure)->write(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}
}  // namespace

CGImageRef cg::imageFromCairoSurface(cairo_surface_t* s) {
  cairo_surface_flush(s);
  size_t w = static_cast<size_t>(cairo_image_surface_get_width(s));
  size_t h = static_cast<size_t>(cairo_image_surface_get_height(s));
  size_t stride = static_cast<size_t>(cairo_image_surface_get_stride(s));
  const uint8_t* src = cairo_image_surface_get_data(s);
  if (!src || w == 0 || h == 0) return nullptr;
  Layout from = cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24 ? kCairoOpaque : kCairo;
  std::vector<uint8_t> rgba(w * h * 4);
  for (size_t y = 0; y < h; ++y)
    convertRow(src + y * stride, from, rgba.data() + y * w * 4, kRGBA, w);
  return std::make_shared<CGImage>(w, h, std::move(rgba));
}

bool cg::writeCairoSurfacePNG(cairo_surface_t* s, const std::string& path) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  cairo_status_t st = cairo_surface_write_to_png_stream(s, writeBytes, &out);
  out.flush();
  return st == CAIRO_STATUS_SUCCESS && out.good();
}

CGImageRef CGImageCreateWithPNGDataProvider(const CGDataProviderRef& source, const CGFloat*, bool,
                                            int32_t) {
  if (!source) return nullptr;
  const auto& bytes = source->bytes();
  static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  if (bytes.size() < 8 || std::memcmp(bytes.data(), kSignature, 8) != 0) return nullptr;
  ReadCursor cursor{&bytes};
  cairo_surface_t* s = cairo_image_surface_create_from_png_stream(readBytes, &cursor);
  CGImageRef image;
  if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) image = cg::imageFromCairoSurface(s);
  cairo_surface_destroy(s);
  return image;
}

CGImageRef CGImageCreateWithPNGFile(const std::string& path) {
  return CGImageCreateWithPNGDataProvider(CGDataProviderCreateWithFilename(path), nullptr, false,
                                          0);
}

bool CGImageWriteToPNGFile(const CGImageRef& image, const std::string& path) {
  if (!image) return false;
  cairo_surface_t* s = image->cairoSurface();
  return s && cairo_surface_status(s) == CAIRO_STATUS_SUCCESS && cg::writeCairoSurfacePNG(s, path);
}

CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image, CGRect rect) {
  if (!image || !std::isfinite(rect.origin.x) || !std::isfinite(rect.origin.y) ||
      !std::isfinite(rect.size.width) || !std::isfinite(rect.size.height))
    return nullptr;
  CGRect r = CGRectIntersection(CGRectIntegral(rect),
                                CGRectMake(0, 0, static_cast<CGFloat>(image->width()),
                                           static_cast<CGFloat>(image->height())));
  if (CGRectIsEmpty(r)) return nullptr;
  size_t x0 = static_cast<size_t>(r.origin.x), y0 = static_cast<size_t>(r.origin.y);
  size_t w = static_cast<size_t>(r.size.width), h = static_cast<size_t>(r.size.height);
  std::vector<uint8_t> rgba(w * h * 4);
  for (size_t y = 0; y < h; ++y)
    std::memcpy(rgba.data() + y * w * 4, image->pixels() + ((y0 + y) * image->width() + x0) * 4,
                w * 4);
  return std::make_shared<CGImage>(w, h, std::move(rgba));
}

size_t CGImageGetWidth(const CGImageRef& image) {
  return image ? image->width() : 0;
}
size_t CGImageGetHeight(const CGImageRef& image) {
  return image ? image->height() : 0;
}
size_t CGImageGetBytesPerRow(const CGImageRef& image) {
  return image ? image->bytesPerRow() : 0;
}
size_t CGImageGetBitsPerComponent(const CGImageRef& image) {
  return image ? 8 : 0;
}
size_t CGImageGetBitsPerPixel(const CGImageRef& image) {
  return image ? 32 : 0;
}
CGBitmapInfo CGImageGetBitmapInfo(const CGImageRef& image) {
  return image ? (kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big) : 0;
}
CGImageAlphaInfo CGImageGetAlphaInfo(const CGImageRef& image) {
  return image ? kCGImageAlphaPremultipliedLast : kCGImageAlphaNone;
}
CGColorSpaceRef CGImageGetColorSpace(const CGImageRef& image) {
  return image ? CGColorSpaceCreateDeviceRGB() : nullptr;
}
