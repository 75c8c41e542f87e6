// The UIImage category DominantColor: an image reduced to one colour by drawing it
// into a single premultiplied pixel.
#include <cstdint>

#include "Nimbra.h"

namespace {

// Bytes R, G, B, A.
constexpr uint32_t kPremultipliedLastBigEndian =
    kCGImageAlphaPremultipliedLast | kCGBitmapByteOrder32Big;

Strong<UIColor> dominantColorOf(const CGImageRef& image) {
  uint8_t pixel[4] = {0, 0, 0, 0};
  CGColorSpaceRef space = CGColorSpaceCreateDeviceRGB();
  CGContextRef context =
      CGBitmapContextCreate(pixel, 1, 1, 8, 4, space, kPremultipliedLastBigEndian);
  CGContextDrawImage(context, CGRectMake(0, 0, 1, 1), image);
  space = nullptr;
  context = nullptr;

  const double R = pixel[0], G = pixel[1], B = pixel[2], A = pixel[3];
  double red, green, blue, alpha;
  if (A != 0) {
    // Multiplied by alpha / 255 and divided by 255, not un-premultiplied: a
    // half-transparent pixel comes out darker than its stored components.
    alpha = A / 255.0;
    double m = alpha / 255.0;
    red = m * R;
    green = m * G;
    blue = m * B;
  } else {
    red = R / 255.0;
    green = G / 255.0;
    blue = B / 255.0;
    alpha = 0.0;
  }
  return UIColor::colorWithRedGreenBlueAlpha(red, green, blue, alpha);
}

id dominantColor(NSObject* self, SEL) {
  static const CGImageRef none;
  auto* image = objc_cast<UIImage>(self);
  return dominantColorOf(image ? image->CGImage() : none);
}

// Categories are attached when the library loads, before and apart from start-up.
[[maybe_unused]] const BOOL categoryAttached = class_addMethod(
    UIImage::class_(), OBJC_SEL("dominantColor"), objc::imp<&dominantColor>(), "@16@0:8");

}  // namespace
