#include <gtest/gtest.h>

#include <cmath>

#include "CoreGraphics/CoreGraphics.h"

namespace {

TEST(Geometry, InsetPastZeroGivesNullAndNegativeInsetGrows) {
  CGRect r = CGRectMake(10, 10, 20, 10);
  EXPECT_TRUE(CGRectIsNull(CGRectInset(r, 11, 0)));
  EXPECT_TRUE(CGRectIsNull(CGRectInset(r, 0, 6)));
  EXPECT_FALSE(CGRectIsNull(CGRectInset(r, 10, 5)));  // exactly zero size is allowed
  EXPECT_TRUE(CGRectEqualToRect(CGRectInset(r, -2, -1), CGRectMake(8, 9, 24, 12)));
  // Standardised first: a negative width counts from the other edge.
  EXPECT_TRUE(
      CGRectEqualToRect(CGRectInset(CGRectMake(30, 10, -20, 10), 1, 1), CGRectMake(11, 11, 18, 8)));
  EXPECT_TRUE(CGRectIsNull(CGRectInset(CGRectNull, -5, -5)));
}

TEST(Geometry, ContainsPointIncludesMinimumEdgesOnly) {
  CGRect r = CGRectMake(0, 0, 10, 10);
  EXPECT_TRUE(CGRectContainsPoint(r, CGPointMake(0, 0)));
  EXPECT_TRUE(CGRectContainsPoint(r, CGPointMake(9.999, 9.999)));
  EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(10, 5)));
  EXPECT_FALSE(CGRectContainsPoint(r, CGPointMake(5, 10)));
  EXPECT_FALSE(CGRectContainsPoint(CGRectMake(0, 0, 0, 10), CGPointMake(0, 0)));
  EXPECT_FALSE(CGRectContainsPoint(CGRectNull, CGPointMake(0, 0)));
}

TEST(Geometry, NullIsNotZeroAndBehavesInSetOperations) {
  EXPECT_TRUE(CGRectIsNull(CGRectNull));
  EXPECT_TRUE(CGRectIsEmpty(CGRectNull));
  EXPECT_FALSE(CGRectIsNull(CGRectZero));
  EXPECT_TRUE(CGRectIsEmpty(CGRectZero));
  EXPECT_FALSE(CGRectEqualToRect(CGRectNull, CGRectZero));
  CGRect a = CGRectMake(0, 0, 10, 10), b = CGRectMake(20, 20, 5, 5);
  EXPECT_TRUE(CGRectIsNull(CGRectIntersection(a, b)));
  EXPECT_FALSE(CGRectIntersectsRect(a, b));
  EXPECT_TRUE(CGRectEqualToRect(CGRectUnion(CGRectNull, b), b));
  EXPECT_TRUE(CGRectEqualToRect(CGRectUnion(a, b), CGRectMake(0, 0, 25, 25)));
  EXPECT_TRUE(
      CGRectEqualToRect(CGRectIntersection(a, CGRectMake(5, -5, 10, 10)), CGRectMake(5, 0, 5, 5)));
  // Touching rectangles meet in an empty rect and do not intersect.
  EXPECT_FALSE(CGRectIntersectsRect(a, CGRectMake(10, 0, 5, 5)));
  EXPECT_TRUE(
      CGRectEqualToRect(CGRectIntegral(CGRectMake(0.5, 0.2, 1.0, 1.0)), CGRectMake(0, 0, 2, 2)));
  EXPECT_EQ(CGRectGetMaxX(CGRectMake(10, 0, -4, 1)), 10);
  EXPECT_EQ(CGRectGetMinX(CGRectMake(10, 0, -4, 1)), 6);
}

TEST(Geometry, TransformsComposeInDeviceOrder) {
  // Translate then scale, as CGAffineTransformScale(translation) applies scale first.
  CGAffineTransform t = CGAffineTransformScale(CGAffineTransformMakeTranslation(10, 0), 2, 2);
  CGPoint p = CGPointApplyAffineTransform(CGPointMake(1, 1), t);
  EXPECT_DOUBLE_EQ(p.x, 12);
  EXPECT_DOUBLE_EQ(p.y, 2);
  CGAffineTransform inv = CGAffineTransformInvert(t);
  CGPoint back = CGPointApplyAffineTransform(p, inv);
  EXPECT_NEAR(back.x, 1, 1e-12);
  EXPECT_NEAR(back.y, 1, 1e-12);
  CGAffineTransform singular = CGAffineTransformMakeScale(0, 1);
  EXPECT_TRUE(CGAffineTransformEqualToTransform(CGAffineTransformInvert(singular), singular));
  CGRect r =
      CGRectApplyAffineTransform(CGRectMake(0, 0, 2, 1), CGAffineTransformMakeRotation(M_PI / 2));
  EXPECT_NEAR(r.origin.x, -1, 1e-12);
  EXPECT_NEAR(r.size.width, 1, 1e-12);
  EXPECT_NEAR(r.size.height, 2, 1e-12);
}

TEST(Path, RectsBoundsAndContainment) {
  CGPathRef rect = CGPathCreateWithRect(CGRectMake(1, 2, 3, 4), nullptr);
  CGRect out;
  EXPECT_TRUE(CGPathIsRect(rect, &out));
  EXPECT_TRUE(CGRectEqualToRect(out, CGRectMake(1, 2, 3, 4)));
  auto m = CGPathCreateMutable();
  EXPECT_TRUE(CGPathIsEmpty(m));
  EXPECT_TRUE(CGRectIsNull(CGPathGetBoundingBox(m)));
  CGPathMoveToPoint(m, nullptr, 0, 0);
  CGPathAddLineToPoint(m, nullptr, 10, 0);
  CGPathAddLineToPoint(m, nullptr, 10, 10);
  CGPathCloseSubpath(m);
  EXPECT_FALSE(CGPathIsRect(m, nullptr));
  EXPECT_TRUE(CGRectEqualToRect(CGPathGetBoundingBox(m), CGRectMake(0, 0, 10, 10)));
  EXPECT_TRUE(CGRectEqualToRect(CGPathGetPathBoundingBox(m), CGRectMake(0, 0, 10, 10)));
  // A line then a curve in one path: the curve's bulge counts, its control point does not.
  auto mixed = CGPathCreateMutable();
  CGPathMoveToPoint(mixed, nullptr, 0, 0);
  CGPathAddLineToPoint(mixed, nullptr, 4, 0);
  CGPathAddQuadCurveToPoint(mixed, nullptr, 6, 8, 8, 0);
  CGRect tight = CGPathGetPathBoundingBox(mixed);
  EXPECT_NEAR(tight.size.height, 4, 0.05);
  EXPECT_EQ(CGPathGetBoundingBox(mixed).size.height, 8);
  EXPECT_TRUE(CGPathContainsPoint(m, nullptr, CGPointMake(8, 2), false));
  EXPECT_FALSE(CGPathContainsPoint(m, nullptr, CGPointMake(2, 8), false));
  // A full circle's tight box is the circle's square; its control points go no further.
  auto circle = CGPathCreateMutable();
  CGPathAddArc(circle, nullptr, 5, 5, 5, 0, 2 * M_PI, false);
  CGRect box = CGPathGetPathBoundingBox(circle);
  EXPECT_NEAR(box.origin.x, 0, 0.01);
  EXPECT_NEAR(box.size.width, 10, 0.02);
  // Mutators tolerate none.
  CGPathAddLineToPoint(nullptr, nullptr, 1, 1);
  EXPECT_TRUE(CGPathIsEmpty(nullptr));
}

TEST(Color, ComponentsEqualityAndAlphaCopies) {
  CGColorRef red = CGColorCreateGenericRGB(1, 0, 0, 1);
  EXPECT_EQ(CGColorGetNumberOfComponents(red), 4u);
  EXPECT_EQ(CGColorGetComponents(red)[0], 1.0);
  CGColorRef half = CGColorCreateCopyWithAlpha(red, 0.5);
  EXPECT_EQ(CGColorGetAlpha(half), 0.5);
  EXPECT_EQ(CGColorGetAlpha(red), 1.0);
  EXPECT_FALSE(CGColorEqualToColor(red, half));
  EXPECT_TRUE(CGColorEqualToColor(red, CGColorCreateGenericRGB(1, 0, 0, 1)));
  // Grey and RGB spaces differ even for the same visible colour.
  EXPECT_FALSE(
      CGColorEqualToColor(CGColorCreateGenericGray(0, 1), CGColorCreateGenericRGB(0, 0, 0, 1)));
  EXPECT_EQ(CGColorGetNumberOfComponents(CGColorCreateGenericGray(0.5, 1)), 2u);
  CGFloat comps[4] = {0.1, 0.2, 0.3, 0.4};
  CGColorRef c = CGColorCreate(CGColorSpaceCreateDeviceRGB(), comps);
  EXPECT_EQ(CGColorGetComponents(c)[2], 0.3);
  EXPECT_EQ(CGColorCreate(nullptr, comps), nullptr);
  EXPECT_EQ(CGColorGetComponents(nullptr), nullptr);
  EXPECT_EQ(CGColorGetAlpha(nullptr), 0.0);
  EXPECT_TRUE(CGColorEqualToColor(nullptr, nullptr));
}

}  // namespace
