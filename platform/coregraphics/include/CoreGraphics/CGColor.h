// Colours: components in a colour space plus alpha. CGColor is an NSObject so that it
// can be an attribute value or sit in a collection.
#pragma once

#include <vector>

#include "CoreGraphics/CGColorSpace.h"
#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CoreGraphicsExport.h"

class NIMBRA_COREGRAPHICS_API CGColor : public NSObject {
  OBJC_CLASS(CGColor, NSObject)
 public:
  // `components` holds the space's components followed by alpha; missing values are 0
  // (alpha 1), values are not clamped.
  CGColor(CGColorSpaceRef space, std::vector<CGFloat> components);

  const CGColorSpaceRef& colorSpace() const { return space_; }
  const std::vector<CGFloat>& components() const { return components_; }
  CGFloat alpha() const { return components_.back(); }
  // Red, green, blue and alpha, grey expanded to (w, w, w).
  void getRGBA(CGFloat rgba[4]) const;

  using NSObject::isEqual;
  BOOL isEqual(const NSObject* other) const override;
  std::size_t hash() const override;
  std::string description() const override;

 private:
  CGColorSpaceRef space_;
  std::vector<CGFloat> components_;
};
using CGColorRef = Strong<CGColor>;

// `components` points at the space's component count plus one values. None for a
// missing space or components.
NIMBRA_COREGRAPHICS_API CGColorRef CGColorCreate(const CGColorSpaceRef& space,
                                                 const CGFloat* components);
NIMBRA_COREGRAPHICS_API CGColorRef CGColorCreateGenericRGB(CGFloat red, CGFloat green, CGFloat blue,
                                                           CGFloat alpha);
NIMBRA_COREGRAPHICS_API CGColorRef CGColorCreateGenericGray(CGFloat gray, CGFloat alpha);
// None for none.
NIMBRA_COREGRAPHICS_API CGColorRef CGColorCreateCopy(const CGColorRef& color);
NIMBRA_COREGRAPHICS_API CGColorRef CGColorCreateCopyWithAlpha(const CGColorRef& color,
                                                              CGFloat alpha);

// Space's components then alpha; none for none.
NIMBRA_COREGRAPHICS_API const CGFloat* CGColorGetComponents(const CGColorRef& color);
NIMBRA_COREGRAPHICS_API size_t
CGColorGetNumberOfComponents(const CGColorRef& color);  // including alpha; 0 for none
NIMBRA_COREGRAPHICS_API CGFloat CGColorGetAlpha(const CGColorRef& color);  // 0 for none
NIMBRA_COREGRAPHICS_API CGColorSpaceRef CGColorGetColorSpace(const CGColorRef& color);
// Same space and components; two nones are equal.
NIMBRA_COREGRAPHICS_API bool CGColorEqualToColor(const CGColorRef& a, const CGColorRef& b);
