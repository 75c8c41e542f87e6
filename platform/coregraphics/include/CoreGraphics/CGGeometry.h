// Points, sizes, rectangles and affine transforms, with the device's rules for the
// odd cases: CGRectNull (origin at +infinity) is not CGRectZero, insetting past zero
// gives CGRectNull, and a rectangle contains its minimum edges but not its maximum.
#pragma once

#include <cstddef>
#include <cstdint>

using CGFloat = double;

struct CGPoint {
  CGFloat x = 0;
  CGFloat y = 0;
  bool operator==(const CGPoint&) const = default;
};

struct CGSize {
  CGFloat width = 0;
  CGFloat height = 0;
  bool operator==(const CGSize&) const = default;
};

struct CGVector {
  CGFloat dx = 0;
  CGFloat dy = 0;
};

struct CGRect {
  CGPoint origin;
  CGSize size;
  bool operator==(const CGRect&) const = default;
};

// x' = a*x + c*y + tx, y' = b*x + d*y + ty
struct CGAffineTransform {
  CGFloat a = 1, b = 0, c = 0, d = 1, tx = 0, ty = 0;
  bool operator==(const CGAffineTransform&) const = default;
};

extern const CGPoint CGPointZero;
extern const CGSize CGSizeZero;
extern const CGRect CGRectZero;
extern const CGRect CGRectNull;
extern const CGRect CGRectInfinite;
extern const CGAffineTransform CGAffineTransformIdentity;

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

bool CGPointEqualToPoint(CGPoint a, CGPoint b);
bool CGSizeEqualToSize(CGSize a, CGSize b);

// Rectangle accessors standardise first (negative sizes count from the other edge).
CGFloat CGRectGetMinX(CGRect r);
CGFloat CGRectGetMidX(CGRect r);
CGFloat CGRectGetMaxX(CGRect r);
CGFloat CGRectGetMinY(CGRect r);
CGFloat CGRectGetMidY(CGRect r);
CGFloat CGRectGetMaxY(CGRect r);
CGFloat CGRectGetWidth(CGRect r);
CGFloat CGRectGetHeight(CGRect r);

bool CGRectIsNull(CGRect r);
bool CGRectIsEmpty(CGRect r);  // null, or zero width or height
bool CGRectIsInfinite(CGRect r);
bool CGRectEqualToRect(CGRect a, CGRect b);  // two null rects are equal
CGRect CGRectStandardize(CGRect r);
CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy);
CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy);
CGRect CGRectIntegral(CGRect r);
CGRect CGRectUnion(CGRect a, CGRect b);
CGRect CGRectIntersection(CGRect a, CGRect b);  // CGRectNull when disjoint
bool CGRectIntersectsRect(CGRect a, CGRect b);
bool CGRectContainsPoint(CGRect r, CGPoint p);
bool CGRectContainsRect(CGRect outer, CGRect inner);

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty);
CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy);
CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle);
// t1 then t2.
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2);
// Each of these applies the new operation first, then t (as the device does).
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty);
CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy);
CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle);
// A singular transform is returned unchanged.
CGAffineTransform CGAffineTransformInvert(CGAffineTransform t);
bool CGAffineTransformIsIdentity(CGAffineTransform t);
bool CGAffineTransformEqualToTransform(CGAffineTransform a, CGAffineTransform b);
CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t);
CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t);
// The bounding box of the transformed corners.
CGRect CGRectApplyAffineTransform(CGRect r, CGAffineTransform t);
