// Paths: subpaths of lines and cubic curves (arcs and ellipses become curves when
// added). A CGPathRef is immutable by convention; CGMutablePathRef is the builder.
#pragma once

#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "objc/NSObject.h"

enum CGPathElementType : int32_t {
  kCGPathElementMoveToPoint = 0,
  kCGPathElementAddLineToPoint = 1,
  kCGPathElementAddQuadCurveToPoint = 2,
  kCGPathElementAddCurveToPoint = 3,
  kCGPathElementCloseSubpath = 4,
};

struct CGPathElement {
  CGPathElementType type;
  CGPoint points[3];  // as many as the type uses
};

enum CGLineJoin : int32_t { kCGLineJoinMiter = 0, kCGLineJoinRound = 1, kCGLineJoinBevel = 2 };
enum CGLineCap : int32_t { kCGLineCapButt = 0, kCGLineCapRound = 1, kCGLineCapSquare = 2 };

class CGPath : public NSObject {
  OBJC_CLASS(CGPath, NSObject)
 public:
  CGPath() = default;
  const std::vector<CGPathElement>& elements() const { return elements_; }
  using NSObject::isEqual;
  BOOL isEqual(const NSObject* other) const override;

 protected:
  friend class CGPathBuilder;
  std::vector<CGPathElement> elements_;
  CGPoint current_{};
  CGPoint subpathStart_{};
  bool hasCurrent_ = false;
  // A rectangle recorded by AddRect alone, for CGPathIsRect.
  bool isRect_ = false;
  CGRect rect_{};
};

class CGMutablePath : public CGPath {
  OBJC_CLASS(CGMutablePath, CGPath)
 public:
  CGMutablePath() = default;
};

using CGPathRef = Strong<CGPath>;
using CGMutablePathRef = Strong<CGMutablePath>;

CGMutablePathRef CGPathCreateMutable();
CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path);  // empty for none
CGPathRef CGPathCreateCopy(const CGPathRef& path);                // none for none
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform);
CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform);
// Corner sizes are clamped to half the rectangle's width and height.
CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth, CGFloat cornerHeight,
                                      const CGAffineTransform* transform);

// Mutators ignore a none path. `m` (may be none) transforms the added points.
void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                       CGFloat y);
// Without a current point these start a subpath at the end point.
void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                          CGFloat y);
void CGPathAddQuadCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m,
                               CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y);
void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x,
                           CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y);
void CGPathCloseSubpath(const CGMutablePathRef& path);
void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
void CGPathAddRects(const CGMutablePathRef& path, const CGAffineTransform* m, const CGRect* rects,
                    size_t count);
void CGPathAddLines(const CGMutablePathRef& path, const CGAffineTransform* m, const CGPoint* points,
                    size_t count);
void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect);
void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect,
                          CGFloat cornerWidth, CGFloat cornerHeight);
// Angles in radians from the positive x axis towards positive y; `clockwise` as on the
// device (in a y-up space: decreasing angles). A line joins the current point to the
// arc's start.
void CGPathAddArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y,
                  CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise);
void CGPathAddRelativeArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                          CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat delta);
void CGPathAddArcToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x1,
                         CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius);
void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* m,
                   const CGPathRef& other);

bool CGPathIsEmpty(const CGPathRef& path);  // YES for none
// YES when the path is exactly one rectangle added with AddRect / CreateWithRect.
bool CGPathIsRect(const CGPathRef& path, CGRect* rect);
CGPoint CGPathGetCurrentPoint(const CGPathRef& path);  // CGPointZero when none
// Including control points; CGRectNull for an empty path.
CGRect CGPathGetBoundingBox(const CGPathRef& path);
// Only the curves themselves.
CGRect CGPathGetPathBoundingBox(const CGPathRef& path);
bool CGPathContainsPoint(const CGPathRef& path, const CGAffineTransform* m, CGPoint point,
                         bool eoFill);
bool CGPathEqualToPath(const CGPathRef& a, const CGPathRef& b);
void CGPathApply(const CGPathRef& path, void* info,
                 void (*function)(void* info, const CGPathElement* element));
