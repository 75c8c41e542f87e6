// Bitmap images. Whatever format an image is created from, it keeps its pixels as 8-bit
// premultiplied R, G, B, A bytes in memory order, rows top to bottom.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CoreGraphicsExport.h"

using CGBitmapInfo = uint32_t;

enum CGImageAlphaInfo : uint32_t {
  kCGImageAlphaNone = 0,
  kCGImageAlphaPremultipliedLast = 1,
  kCGImageAlphaPremultipliedFirst = 2,
  kCGImageAlphaLast = 3,
  kCGImageAlphaFirst = 4,
  kCGImageAlphaNoneSkipLast = 5,
  kCGImageAlphaNoneSkipFirst = 6,
  kCGImageAlphaOnly = 7,
};

inline constexpr CGBitmapInfo kCGBitmapAlphaInfoMask = 0x1F;
inline constexpr CGBitmapInfo kCGBitmapFloatComponents = 1u << 8;
inline constexpr CGBitmapInfo kCGBitmapByteOrderMask = 0x7000;
inline constexpr CGBitmapInfo kCGBitmapByteOrderDefault = 0;
inline constexpr CGBitmapInfo kCGBitmapByteOrder16Little = 1u << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Little = 2u << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder16Big = 3u << 12;
inline constexpr CGBitmapInfo kCGBitmapByteOrder32Big = 4u << 12;

// Bytes handed to an image. Created from memory they are copied.
class NIMBRA_COREGRAPHICS_API CGDataProvider : public NSObject {
  OBJC_CLASS(CGDataProvider, NSObject)
 public:
  explicit CGDataProvider(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};
using CGDataProviderRef = Strong<CGDataProvider>;
using CGDataProviderReleaseDataCallback = void (*)(void* info, const void* data, size_t size);

// Copies the bytes and calls `release` (when given) at once.
NIMBRA_COREGRAPHICS_API CGDataProviderRef CGDataProviderCreateWithData(
    void* info, const void* data, size_t size, CGDataProviderReleaseDataCallback release);
// None when the file cannot be read.
NIMBRA_COREGRAPHICS_API CGDataProviderRef CGDataProviderCreateWithFilename(const std::string& path);

typedef struct _cairo_surface cairo_surface_t;

class NIMBRA_COREGRAPHICS_API CGImage : public NSObject {
  OBJC_CLASS(CGImage, NSObject)
 public:
  // `rgba`: width*height*4 premultiplied R,G,B,A bytes, rows packed.
  CGImage(size_t width, size_t height, std::vector<uint8_t> rgba);
  ~CGImage() override;

  size_t width() const { return width_; }
  size_t height() const { return height_; }
  size_t bytesPerRow() const { return width_ * 4; }
  const uint8_t* pixels() const { return rgba_.data(); }
  const std::vector<uint8_t>& pixelData() const { return rgba_; }

  // A Cairo surface with the same pixels (made once, shared; do not modify).
  cairo_surface_t* cairoSurface() const;

 private:
  size_t width_;
  size_t height_;
  std::vector<uint8_t> rgba_;
  mutable std::once_flag surfaceOnce_;
  mutable cairo_surface_t* surface_ = nullptr;
};
using CGImageRef = Strong<CGImage>;

// 8 bits per component, 32 bits per pixel, RGB or grey space; the alpha info and byte
// order of `bitmapInfo` say how the provider's bytes are laid out (non-premultiplied
// alpha is premultiplied on the way in). None for an unsupported combination or too few
// bytes.
NIMBRA_COREGRAPHICS_API CGImageRef CGImageCreate(
    size_t width, size_t height, size_t bitsPerComponent, size_t bitsPerPixel, size_t bytesPerRow,
    const CGColorSpaceRef& space, CGBitmapInfo bitmapInfo, const CGDataProviderRef& provider,
    const CGFloat* decode, bool shouldInterpolate, int32_t intent);
// None when the bytes are not a PNG.
NIMBRA_COREGRAPHICS_API CGImageRef CGImageCreateWithPNGDataProvider(const CGDataProviderRef& source,
                                                                    const CGFloat* decode,
                                                                    bool shouldInterpolate,
                                                                    int32_t intent);
// Our extensions: a PNG file straight to an image (none on failure), and an image to a
// PNG file (NO on failure).
NIMBRA_COREGRAPHICS_API CGImageRef CGImageCreateWithPNGFile(const std::string& path);
NIMBRA_COREGRAPHICS_API bool CGImageWriteToPNGFile(const CGImageRef& image,
                                                   const std::string& path);
// The part of the image inside `rect` (pixels, top-left origin); none when empty.
NIMBRA_COREGRAPHICS_API CGImageRef CGImageCreateWithImageInRect(const CGImageRef& image,
                                                                CGRect rect);

NIMBRA_COREGRAPHICS_API size_t
CGImageGetWidth(const CGImageRef& image);  // 0 for none, as are the others
NIMBRA_COREGRAPHICS_API size_t CGImageGetHeight(const CGImageRef& image);
NIMBRA_COREGRAPHICS_API size_t CGImageGetBytesPerRow(const CGImageRef& image);
NIMBRA_COREGRAPHICS_API size_t CGImageGetBitsPerComponent(const CGImageRef& image);
NIMBRA_COREGRAPHICS_API size_t CGImageGetBitsPerPixel(const CGImageRef& image);
// kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big for every image.
NIMBRA_COREGRAPHICS_API CGBitmapInfo CGImageGetBitmapInfo(const CGImageRef& image);
NIMBRA_COREGRAPHICS_API CGImageAlphaInfo CGImageGetAlphaInfo(const CGImageRef& image);
NIMBRA_COREGRAPHICS_API CGColorSpaceRef CGImageGetColorSpace(const CGImageRef& image);
