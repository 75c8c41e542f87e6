// Colour spaces: only the two models this system draws with.
#pragma once

#include <cstddef>

#include "CoreGraphics/CoreGraphicsExport.h"
#include "objc/NSObject.h"

enum CGColorSpaceModel : int32_t {
  kCGColorSpaceModelUnknown = -1,
  kCGColorSpaceModelMonochrome = 0,
  kCGColorSpaceModelRGB = 1,
};

class NIMBRA_COREGRAPHICS_API CGColorSpace : public NSObject {
  OBJC_CLASS(CGColorSpace, NSObject)
 public:
  explicit CGColorSpace(CGColorSpaceModel model) : model_(model) {}
  CGColorSpaceModel model() const { return model_; }
  // Components per colour, without alpha.
  size_t numberOfComponents() const { return model_ == kCGColorSpaceModelRGB ? 3 : 1; }
  using NSObject::isEqual;
  BOOL isEqual(const NSObject* other) const override;

 private:
  CGColorSpaceModel model_;
};
using CGColorSpaceRef = Strong<CGColorSpace>;

NIMBRA_COREGRAPHICS_API CGColorSpaceRef CGColorSpaceCreateDeviceRGB();
NIMBRA_COREGRAPHICS_API CGColorSpaceRef CGColorSpaceCreateDeviceGray();
NIMBRA_COREGRAPHICS_API CGColorSpaceModel
CGColorSpaceGetModel(const CGColorSpaceRef& space);  // Unknown for none
NIMBRA_COREGRAPHICS_API size_t
CGColorSpaceGetNumberOfComponents(const CGColorSpaceRef& space);  // 0 for none
