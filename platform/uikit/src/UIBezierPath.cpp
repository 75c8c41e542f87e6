#include "UIKit/UIBezierPath.h"

#include <algorithm>
#include <cmath>

#include "UIKit/UIGraphics.h"

OBJC_CLASS_IMPL(UIBezierPath) {}

namespace {
constexpr CGFloat kPi = 3.14159265358979323846;
}

UIBezierPath::UIBezierPath() : path_(CGPathCreateMutable()) {}

Strong<UIBezierPath> UIBezierPath::bezierPath() {
  return std::make_shared<UIBezierPath>();
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithRect(CGRect rect) {
  auto p = bezierPath();
  CGPathAddRect(p->path_, nullptr, rect);
  return p;
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithOvalInRect(CGRect rect) {
  auto p = bezierPath();
  CGPathAddEllipseInRect(p->path_, nullptr, rect);
  return p;
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithRoundedRectCornerRadius(CGRect rect,
                                                                         CGFloat radius) {
  return bezierPathWithRoundedRectByRoundingCornersCornerRadii(rect, UIRectCornerAllCorners,
                                                               CGSizeMake(radius, radius));
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithRoundedRectByRoundingCornersCornerRadii(
    CGRect rect, uint64_t corners, CGSize radii) {
  auto p = bezierPath();
  if (CGRectIsNull(rect)) return p;
  rect = CGRectStandardize(rect);
  CGFloat r = std::isfinite(radii.width) ? radii.width : 0;
  r = std::clamp(r, 0.0, std::min(rect.size.width, rect.size.height) / 2);
  if (r <= 0) {
    CGPathAddRect(p->path_, nullptr, rect);
    return p;
  }
  CGFloat x0 = rect.origin.x, y0 = rect.origin.y;
  CGFloat x1 = x0 + rect.size.width, y1 = y0 + rect.size.height;
  auto rad = [&](uint64_t corner) { return (corners & corner) ? r : 0.0; };
  CGFloat tl = rad(UIRectCornerTopLeft), tr = rad(UIRectCornerTopRight);
  CGFloat br = rad(UIRectCornerBottomRight), bl = rad(UIRectCornerBottomLeft);
  // Clockwise on screen (y down): along the top, down the right, back along the bottom.
  auto& m = p->path_;
  CGPathMoveToPoint(m, nullptr, x0 + tl, y0);
  CGPathAddLineToPoint(m, nullptr, x1 - tr, y0);
  if (tr > 0) CGPathAddArc(m, nullptr, x1 - tr, y0 + tr, tr, -kPi / 2, 0, false);
  CGPathAddLineToPoint(m, nullptr, x1, y1 - br);
  if (br > 0) CGPathAddArc(m, nullptr, x1 - br, y1 - br, br, 0, kPi / 2, false);
  CGPathAddLineToPoint(m, nullptr, x0 + bl, y1);
  if (bl > 0) CGPathAddArc(m, nullptr, x0 + bl, y1 - bl, bl, kPi / 2, kPi, false);
  CGPathAddLineToPoint(m, nullptr, x0, y0 + tl);
  if (tl > 0) CGPathAddArc(m, nullptr, x0 + tl, y0 + tl, tl, kPi, 3 * kPi / 2, false);
  CGPathCloseSubpath(m);
  return p;
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithArcCenterRadiusStartAngleEndAngleClockwise(
    CGPoint center, CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise) {
  auto p = bezierPath();
  p->addArcWithCenterRadiusStartAngleEndAngleClockwise(center, radius, startAngle, endAngle,
                                                       clockwise);
  return p;
}

Strong<UIBezierPath> UIBezierPath::bezierPathWithCGPath(const CGPathRef& path) {
  auto p = bezierPath();
  p->setCGPath(path);
  return p;
}

void UIBezierPath::moveToPoint(CGPoint pt) {
  CGPathMoveToPoint(path_, nullptr, pt.x, pt.y);
}
void UIBezierPath::addLineToPoint(CGPoint pt) {
  CGPathAddLineToPoint(path_, nullptr, pt.x, pt.y);
}
void UIBezierPath::addCurveToPointControlPoint1ControlPoint2(CGPoint pt, CGPoint cp1, CGPoint cp2) {
  CGPathAddCurveToPoint(path_, nullptr, cp1.x, cp1.y, cp2.x, cp2.y, pt.x, pt.y);
}
void UIBezierPath::addQuadCurveToPointControlPoint(CGPoint pt, CGPoint cp) {
  CGPathAddQuadCurveToPoint(path_, nullptr, cp.x, cp.y, pt.x, pt.y);
}
void UIBezierPath::addArcWithCenterRadiusStartAngleEndAngleClockwise(CGPoint center, CGFloat radius,
                                                                     CGFloat startAngle,
                                                                     CGFloat endAngle,
                                                                     bool clockwise) {
  // Clockwise on a y-down screen is towards increasing angles, which the path calls
  // counter-clockwise (it speaks of y-up space).
  CGPathAddArc(path_, nullptr, center.x, center.y, radius, startAngle, endAngle, !clockwise);
}
void UIBezierPath::closePath() {
  CGPathCloseSubpath(path_);
}
void UIBezierPath::appendPath(const Strong<UIBezierPath>& path) {
  if (path) CGPathAddPath(path_, nullptr, path->path_);
}
void UIBezierPath::removeAllPoints() {
  path_ = CGPathCreateMutable();
}
void UIBezierPath::applyTransform(CGAffineTransform t) {
  auto p = CGPathCreateMutable();
  CGPathAddPath(p, &t, path_);
  path_ = p;
}
void UIBezierPath::setCGPath(const CGPathRef& path) {
  path_ = CGPathCreateMutableCopy(path);
}
CGRect UIBezierPath::bounds() const {
  CGRect r = CGPathGetBoundingBox(path_);
  return CGRectIsNull(r) ? CGRectZero : r;
}
CGPoint UIBezierPath::currentPoint() const {
  return CGPathGetCurrentPoint(path_);
}
bool UIBezierPath::isEmpty() const {
  return CGPathIsEmpty(path_);
}
bool UIBezierPath::containsPoint(CGPoint p) const {
  return CGPathContainsPoint(path_, nullptr, p, evenOdd_);
}

void UIBezierPath::fill() const {
  auto ctx = UIGraphicsGetCurrentContext();
  if (!ctx) return;
  CGContextSaveGState(ctx);
  CGContextBeginPath(ctx);
  CGContextAddPath(ctx, path_);
  CGContextDrawPath(ctx, evenOdd_ ? kCGPathEOFill : kCGPathFill);
  CGContextRestoreGState(ctx);
}

void UIBezierPath::stroke() const {
  auto ctx = UIGraphicsGetCurrentContext();
  if (!ctx) return;
  CGContextSaveGState(ctx);
  CGContextSetLineWidth(ctx, lineWidth_);
  CGContextSetLineJoin(ctx, lineJoin_);
  CGContextSetLineCap(ctx, lineCap_);
  CGContextSetMiterLimit(ctx, miterLimit_);
  CGContextBeginPath(ctx);
  CGContextAddPath(ctx, path_);
  CGContextStrokePath(ctx);
  CGContextRestoreGState(ctx);
}

void UIBezierPath::addClip() const {
  auto ctx = UIGraphicsGetCurrentContext();
  if (!ctx) return;
  CGContextBeginPath(ctx);
  CGContextAddPath(ctx, path_);
  if (evenOdd_)
    CGContextEOClip(ctx);
  else
    CGContextClip(ctx);
}
