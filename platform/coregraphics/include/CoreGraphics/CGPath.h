// Paths: subpaths of lines and cubic curves (arcs and ellipses become curves when
// added). A CGPathRef is immutable by convention; CGMutablePathRef is the builder.
#pragma once

#include <vector>

#include "CoreGraphics/CGGeometry.h"
#include "CoreGraphics/CoreGraphicsExport.h"
#include "objc/NSObject.h"

enum CGPathElementType : int32_t {
  kCGPathElementMoveToPoint = 0,
  kCGPathElementAddLineToPoint = 1,
  kCGPathElementAddQuadCurveToPoint = 2,
  kCGPathElementAddCurveToPoint = 3,
  kCGPathElementCloseSubpath = 4,
};

struct NIMBRA_COREGRAPHICS_API CGPathElement {
  CGPathElementType type;
  CGPoint points[3];  // as many as the type uses
};

enum CGLineJoin : int32_t { kCGLineJoinMiter = 0, kCGLineJoinRound = 1, kCGLineJoinBevel = 2 };
enum CGLineCap : int32_t { kCGLineCapButt = 0, kCGLineCapRound = 1, kCGLineCapSquare = 2 };

class NIMBRA_COREGRAPHICS_API CGPath : public NSObject {
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

class NIMBRA_COREGRAPHICS_API CGMutablePath : public CGPath {
  OBJC_CLASS(CGMutablePath, CGPath)
 public:
  CGMutablePath() = default;
};

using CGPathRef = Strong<CGPath>;
using CGMutablePathRef = Strong<CGMutablePath>;

NIMBRA_COREGRAPHICS_API CGMutablePathRef CGPathCreateMutable();
NIMBRA_COREGRAPHICS_API CGMutablePathRef
CGPathCreateMutableCopy(const CGPathRef& path);                             // empty for none
NIMBRA_COREGRAPHICS_API CGPathRef CGPathCreateCopy(const CGPathRef& path);  // none for none
NIMBRA_COREGRAPHICS_API CGPathRef CGPathCreateWithRect(CGRect rect,
                                                       const CGAffineTransform* transform);
NIMBRA_COREGRAPHICS_API CGPathRef CGPathCreateWithEllipseInRect(CGRect rect,
                                                                const CGAffineTransform* transform);
// Corner sizes are clamped to half the rectangle's width and height.
NIMBRA_COREGRAPHICS_API CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cornerWidth,
                                                              CGFloat cornerHeight,
                                                              const CGAffineTransform* transform);

// Mutators ignore a none path. `m` (may be none) transforms the added points.
NIMBRA_COREGRAPHICS_API void CGPathMoveToPoint(const CGMutablePathRef& path,
                                               const CGAffineTransform* m, CGFloat x, CGFloat y);
// Without a current point these start a subpath at the end point.
NIMBRA_COREGRAPHICS_API void CGPathAddLineToPoint(const CGMutablePathRef& path,
                                                  const CGAffineTransform* m, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGPathAddQuadCurveToPoint(const CGMutablePathRef& path,
                                                       const CGAffineTransform* m, CGFloat cpx,
                                                       CGFloat cpy, CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGPathAddCurveToPoint(const CGMutablePathRef& path,
                                                   const CGAffineTransform* m, CGFloat cp1x,
                                                   CGFloat cp1y, CGFloat cp2x, CGFloat cp2y,
                                                   CGFloat x, CGFloat y);
NIMBRA_COREGRAPHICS_API void CGPathCloseSubpath(const CGMutablePathRef& path);
NIMBRA_COREGRAPHICS_API void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m,
                                           CGRect rect);
NIMBRA_COREGRAPHICS_API void CGPathAddRects(const CGMutablePathRef& path,
                                            const CGAffineTransform* m, const CGRect* rects,
                                            size_t count);
NIMBRA_COREGRAPHICS_API void CGPathAddLines(const CGMutablePathRef& path,
                                            const CGAffineTransform* m, const CGPoint* points,
                                            size_t count);
NIMBRA_COREGRAPHICS_API void CGPathAddEllipseInRect(const CGMutablePathRef& path,
                                                    const CGAffineTransform* m, CGRect rect);
NIMBRA_COREGRAPHICS_API void CGPathAddRoundedRect(const CGMutablePathRef& path,
                                                  const CGAffineTransform* m, CGRect rect,
                                                  CGFloat cornerWidth, CGFloat cornerHeight);
// Angles in radians from the positive x axis towards positive y; `clockwise` as on the
// device (in a y-up space: decreasing angles). A line joins the current point to the
// arc's start.
NIMBRA_COREGRAPHICS_API void CGPathAddArc(const CGMutablePathRef& path, const CGAffineTransform* m,
                                          CGFloat x, CGFloat y, CGFloat radius, CGFloat startAngle,
                                          CGFloat endAngle, bool clockwise);
NIMBRA_COREGRAPHICS_API void CGPathAddRelativeArc(const CGMutablePathRef& path,
                                                  const CGAffineTransform* m, CGFloat x, CGFloat y,
                                                  CGFloat radius, CGFloat startAngle,
                                                  CGFloat delta);
NIMBRA_COREGRAPHICS_API void CGPathAddArcToPoint(const CGMutablePathRef& path,
                                                 const CGAffineTransform* m, CGFloat x1, CGFloat y1,
                                                 CGFloat x2, CGFloat y2, CGFloat radius);
NIMBRA_COREGRAPHICS_API void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* m,
                                           const CGPathRef& other);

NIMBRA_COREGRAPHICS_API bool CGPathIsEmpty(const CGPathRef& path);  // YES for none
// YES when the path is exactly one rectangle added with AddRect / CreateWithRect.
NIMBRA_COREGRAPHICS_API bool CGPathIsRect(const CGPathRef& path, CGRect* rect);
NIMBRA_COREGRAPHICS_API CGPoint
CGPathGetCurrentPoint(const CGPathRef& path);  // CGPointZero when none
// Including control points; CGRectNull for an empty path.
NIMBRA_COREGRAPHICS_API CGRect CGPathGetBoundingBox(const CGPathRef& path);
// Only the curves themselves.
NIMBRA_COREGRAPHICS_API CGRect CGPathGetPathBoundingBox(const CGPathRef& path);
NIMBRA_COREGRAPHICS_API bool CGPathContainsPoint(const CGPathRef& path, const CGAffineTransform* m,
                                                 CGPoint point, bool eoFill);
NIMBRA_COREGRAPHICS_API bool CGPathEqualToPath(const CGPathRef& a, const CGPathRef& b);
NIMBRA_COREGRAPHICS_API void CGPathApply(const CGPathRef& path, void* info,
                                         void (*function)(void* info,
                                                          const CGPathElement* element));
