#include "UIKit/UIImage.h"

#include <cairo.h>

#include <cmath>

#include "UIKit/UIGraphics.h"

namespace {

// Borrowed: the image keeps its bitmap.
CGImage* imageCGImage(NSObject* self, SEL) {
  return static_cast<UIImage*>(self)->CGImage().get();
}

}  // namespace

OBJC_CLASS_IMPL(UIImage) {
  class_addMethod(cls, OBJC_SEL("CGImage"), objc::method<&imageCGImage>());
}

UIImage::UIImage(CGImageRef image, CGFloat scale)
    : image_(std::move(image)), scale_(scale > 0 && std::isfinite(scale) ? scale : 1) {}

Strong<UIImage> UIImage::imageWithContentsOfFile(const std::string& path) {
  auto image = CGImageCreateWithPNGFile(path);
  if (!image) return nullptr;
  std::string name = path.substr(path.find_last_of('/') + 1);
  name = name.substr(0, name.find_last_of('.'));
  CGFloat scale = 1;
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "@2x") == 0) scale = 2;
  if (name.size() > 3 && name.compare(name.size() - 3, 3, "@3x") == 0) scale = 3;
  return std::make_shared<UIImage>(image, scale);
}

Strong<UIImage> UIImage::imageWithCGImage(const CGImageRef& image) {
  return image ? std::make_shared<UIImage>(image, 1) : nullptr;
}
Strong<UIImage> UIImage::imageWithCGImageScaleOrientation(const CGImageRef& image, CGFloat scale,
                                                          int) {
  return image ? std::make_shared<UIImage>(image, scale) : nullptr;
}

CGSize UIImage::size() const {
  if (!image_) return CGSizeZero;
  return CGSizeMake(static_cast<CGFloat>(image_->width()) / scale_,
                    static_cast<CGFloat>(image_->height()) / scale_);
}

void UIImage::drawInRect(CGRect rect) const {
  auto ctx = UIGraphicsGetCurrentContext();
  if (!ctx || !image_ || CGRectIsNull(rect)) return;
  rect = CGRectStandardize(rect);
  CGContextSaveGState(ctx);
  CGContextTranslateCTM(ctx, rect.origin.x, rect.origin.y + rect.size.height);
  CGContextScaleCTM(ctx, 1, -1);
  CGContextDrawImage(ctx, CGRectMake(0, 0, rect.size.width, rect.size.height), image_);
  CGContextRestoreGState(ctx);
}

void UIImage::drawAtPoint(CGPoint point) const {
  CGSize s = size();
  drawInRect(CGRectMake(point.x, point.y, s.width, s.height));
}

std::vector<uint8_t> UIImagePNGRepresentation(const Strong<UIImage>& image) {
  std::vector<uint8_t> out;
  if (!image || !image->CGImage()) return out;
  cairo_surface_t* s = image->CGImage()->cairoSurface();
  if (!s) return out;
  cairo_surface_write_to_png_stream(
      s,
      [](void* closure, const unsigned char* data, unsigned int length) {
        auto* v = static_cast<std::vector<uint8_t>*>(closure);
        v->insert(v->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
      },
      &out);
  return out;
}
