// Points, sizes, rectangles and affine transforms, with the device's rules for the
// odd cases: CGRectNull (origin at +infinity) is not CGRectZero, insetting past zero
// gives CGRectNull, and a rectangle contains its minimum edges but not its maximum.
#pragma once

#include <cstddef>
#include <cstdint>

#include "CoreGraphics/CoreGraphicsExport.h"

using CGFloat = double;

struct NIMBRA_COREGRAPHICS_API CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  bool operator==(const CGPoint&) const = default;
};

struct NIMBRA_COREGRAPHICS_API CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  bool operator==(const CGSize&) const = default;
};

struct NIMBRA_COREGRAPHICS_API CGVector {
  CGFloat dx = 0;
  CGFloat dy = 0;
};

struct NIMBRA_COREGRAPHICS_API CGRect {
  CGPoint origin;
  CGSize size;
  bool operator==(const CGRect&) const = default;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty
struct NIMBRA_COREGRAPHICS_API CGAffineTransform {
  CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  bool operator==(const CGAffineTransform&) const = default;
};

NIMBRA_COREGRAPHICS_API extern const CGPoint CGPointZero;
NIMBRA_COREGRAPHICS_API extern const CGSize CGSizeZero;
NIMBRA_COREGRAPHICS_API extern const CGRect CGRectZero;
NIMBRA_COREGRAPHICS_API extern const CGRect CGRectNull;
NIMBRA_COREGRAPHICS_API extern const CGRect CGRectInfinite;
NIMBRA_COREGRAPHICS_API extern const CGAffineTransform CGAffineTransformIdentity;

inline CGPoint CGPointMake(CGFloat x, CGFloat y) {
  return CGPoint{x, y};
}
inline CGSize CGSizeMake(CGFloat w, CGFloat h) {
  return CGSize{w, h};
}
inline CGVector CGVectorMake(CGFloat dx, CGFloat dy) {
  return CGVector{dx, dy};
}
inline CGRect CGRectMake(CGFloat x, CGFloat y, CGFloat w, CGFloat h) {
  return CGRect{{x, y}, {w, h}};
}

NIMBRA_COREGRAPHICS_API bool CGPointEqualToPoint(CGPoint a, CGPoint b);
NIMBRA_COREGRAPHICS_API bool CGSizeEqualToSize(CGSize a, CGSize b);

// Rectangle accessors standardise first (negative sizes count from the other edge).
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMinX(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMidX(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMaxX(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMinY(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMidY(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetMaxY(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetWidth(CGRect r);
NIMBRA_COREGRAPHICS_API CGFloat CGRectGetHeight(CGRect r);

NIMBRA_COREGRAPHICS_API bool CGRectIsNull(CGRect r);
NIMBRA_COREGRAPHICS_API bool CGRectIsEmpty(CGRect r);  // null, or zero width or height
NIMBRA_COREGRAPHICS_API bool CGRectIsInfinite(CGRect r);
NIMBRA_COREGRAPHICS_API bool CGRectEqualToRect(CGRect a, CGRect b);  // two null rects are equal
NIMBRA_COREGRAPHICS_API CGRect CGRectStandardize(CGRect r);
NIMBRA_COREGRAPHICS_API CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy);
NIMBRA_COREGRAPHICS_API CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy);
NIMBRA_COREGRAPHICS_API CGRect CGRectIntegral(CGRect r);
NIMBRA_COREGRAPHICS_API CGRect CGRectUnion(CGRect a, CGRect b);
NIMBRA_COREGRAPHICS_API CGRect CGRectIntersection(CGRect a, CGRect b);  // CGRectNull when disjoint
NIMBRA_COREGRAPHICS_API bool CGRectIntersectsRect(CGRect a, CGRect b);
NIMBRA_COREGRAPHICS_API bool CGRectContainsPoint(CGRect r, CGPoint p);
NIMBRA_COREGRAPHICS_API bool CGRectContainsRect(CGRect outer, CGRect inner);

NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c,
                                                                CGFloat d, CGFloat tx, CGFloat ty);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle);
// t1 then t2.
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1,
                                                                  CGAffineTransform t2);
// Each of these applies the new operation first, then t (as the device does).
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t,
                                                                     CGFloat tx, CGFloat ty);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx,
                                                                 CGFloat sy);
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformRotate(CGAffineTransform t,
                                                                  CGFloat angle);
// A singular transform is returned unchanged.
NIMBRA_COREGRAPHICS_API CGAffineTransform CGAffineTransformInvert(CGAffineTransform t);
NIMBRA_COREGRAPHICS_API bool CGAffineTransformIsIdentity(CGAffineTransform t);
NIMBRA_COREGRAPHICS_API bool CGAffineTransformEqualToTransform(CGAffineTransform a,
                                                               CGAffineTransform b);
NIMBRA_COREGRAPHICS_API CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t);
NIMBRA_COREGRAPHICS_API CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t);
// The bounding box of the transformed corners.
NIMBRA_COREGRAPHICS_API CGRect CGRectApplyAffineTransform(CGRect r, CGAffineTransform t);
