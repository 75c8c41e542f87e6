// Images: a CGImage and a scale; size is in points.
#pragma once

#include <string>

#include "CoreGraphics/CoreGraphics.h"
#include "UIKit/UIKitExport.h"
#include "objc/NSObject.h"

class NIMBRA_UIKIT_API UIImage : public NSObject {
  OBJC_CLASS(UIImage, NSObject)
 public:
  UIImage(CGImageRef image, CGFloat scale);

  // A PNG file; a name ending in "@2x" or "@3x" (before the extension) gives that scale.
  // None when the file is missing or not a PNG.
  static Strong<UIImage> imageWithContentsOfFile(const std::string& path);
  // None for a none image; scale <= 0 counts as 1.
  static Strong<UIImage> imageWithCGImage(const CGImageRef& image);
  static Strong<UIImage> imageWithCGImageScaleOrientation(const CGImageRef& image, CGFloat scale,
                                                          int orientation);

  const CGImageRef& CGImage() const { return image_; }
  CGSize size() const;
  CGFloat scale() const { return scale_; }

  // Into the current UIKit context, upright; nothing without one.
  void drawInRect(CGRect rect) const;
  void drawAtPoint(CGPoint point) const;

 private:
  CGImageRef image_;
  CGFloat scale_;
};

// PNG bytes of an image; empty for none.
NIMBRA_UIKIT_API std::vector<uint8_t> UIImagePNGRepresentation(const Strong<UIImage>& image);
