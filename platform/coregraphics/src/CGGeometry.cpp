#include "CoreGraphics/CGGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr CGFloat kInf = std::numeric_limits<CGFloat>::infinity();
}

const CGPoint CGPointZero{};
const CGSize CGSizeZero{};
const CGRect CGRectZero{};
const CGRect CGRectNull{{kInf, kInf}, {0, 0}};
const CGRect CGRectInfinite{
    {-std::numeric_limits<CGFloat>::max() / 2, -std::numeric_limits<CGFloat>::max() / 2},
    {std::numeric_limits<CGFloat>::max(), std::numeric_limits<CGFloat>::max()}};
const CGAffineTransform CGAffineTransformIdentity{};

bool CGPointEqualToPoint(CGPoint a, CGPoint b) {
  return a == b;
}
bool CGSizeEqualToSize(CGSize a, CGSize b) {
  return a == b;
}

CGRect CGRectStandardize(CGRect r) {
  if (CGRectIsNull(r)) return r;
  if (r.size.width < 0) {
    r.origin.x += r.size.width;
    r.size.width = -r.size.width;
  }
  if (r.size.height < 0) {
    r.origin.y += r.size.height;
    r.size.height = -r.size.height;
  }
  return r;
}

CGFloat CGRectGetMinX(CGRect r) {
  return CGRectStandardize(r).origin.x;
}
CGFloat CGRectGetMinY(CGRect r) {
  return CGRectStandardize(r).origin.y;
}
CGFloat CGRectGetWidth(CGRect r) {
  return std::fabs(r.size.width);
}
CGFloat CGRectGetHeight(CGRect r) {
  return std::fabs(r.size.height);
}
CGFloat CGRectGetMaxX(CGRect r) {
  return CGRectGetMinX(r) + CGRectGetWidth(r);
}
CGFloat CGRectGetMaxY(CGRect r) {
  return CGRectGetMinY(r) + CGRectGetHeight(r);
}
CGFloat CGRectGetMidX(CGRect r) {
  return CGRectGetMinX(r) + CGRectGetWidth(r) / 2;
}
CGFloat CGRectGetMidY(CGRect r) {
  return CGRectGetMinY(r) + CGRectGetHeight(r) / 2;
}

bool CGRectIsNull(CGRect r) {
  return std::isinf(r.origin.x) || std::isinf(r.origin.y);
}
bool CGRectIsEmpty(CGRect r) {
  return CGRectIsNull(r) || r.size.width == 0 || r.size.height == 0;
}
bool CGRectIsInfinite(CGRect r) {
  return r == CGRectInfinite;
}

bool CGRectEqualToRect(CGRect a, CGRect b) {
  if (CGRectIsNull(a) || CGRectIsNull(b)) return CGRectIsNull(a) && CGRectIsNull(b);
  return CGRectStandardize(a) == CGRectStandardize(b);
}

CGRect CGRectInset(CGRect r, CGFloat dx, CGFloat dy) {
  if (CGRectIsNull(r)) return CGRectNull;
  r = CGRectStandardize(r);
  r.origin.x += dx;
  r.origin.y += dy;
  r.size.width -= 2 * dx;
  r.size.height -= 2 * dy;
  if (r.size.width < 0 || r.size.height < 0) return CGRectNull;
  return r;
}

CGRect CGRectOffset(CGRect r, CGFloat dx, CGFloat dy) {
  if (CGRectIsNull(r)) return CGRectNull;
  r = CGRectStandardize(r);
  r.origin.x += dx;
  r.origin.y += dy;
  return r;
}

CGRect CGRectIntegral(CGRect r) {
  if (CGRectIsNull(r)) return CGRectNull;
  r = CGRectStandardize(r);
  CGFloat x0 = std::floor(r.origin.x), y0 = std::floor(r.origin.y);
  CGFloat x1 = std::ceil(r.origin.x + r.size.width), y1 = std::ceil(r.origin.y + r.size.height);
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect CGRectUnion(CGRect a, CGRect b) {
  if (CGRectIsNull(a)) return CGRectStandardize(b);
  if (CGRectIsNull(b)) return CGRectStandardize(a);
  CGFloat x0 = std::min(CGRectGetMinX(a), CGRectGetMinX(b));
  CGFloat y0 = std::min(CGRectGetMinY(a), CGRectGetMinY(b));
  CGFloat x1 = std::max(CGRectGetMaxX(a), CGRectGetMaxX(b));
  CGFloat y1 = std::max(CGRectGetMaxY(a), CGRectGetMaxY(b));
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

CGRect CGRectIntersection(CGRect a, CGRect b) {
  if (CGRectIsNull(a) || CGRectIsNull(b)) return CGRectNull;
  CGFloat x0 = std::max(CGRectGetMinX(a), CGRectGetMinX(b));
  CGFloat y0 = std::max(CGRectGetMinY(a), CGRectGetMinY(b));
  CGFloat x1 = std::min(CGRectGetMaxX(a), CGRectGetMaxX(b));
  CGFloat y1 = std::min(CGRectGetMaxY(a), CGRectGetMaxY(b));
  // Touching edges give an empty rect, as on the device; a gap gives null.
  if (x1 < x0 || y1 < y0) return CGRectNull;
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}

bool CGRectIntersectsRect(CGRect a, CGRect b) {
  CGRect i = CGRectIntersection(a, b);
  return !CGRectIsEmpty(i);
}

bool CGRectContainsPoint(CGRect r, CGPoint p) {
  if (CGRectIsEmpty(r)) return false;
  // Standardised once: hit testing asks this for every point a finger passes over.
  r = CGRectStandardize(r);
  return p.x >= r.origin.x && p.x < r.origin.x + r.size.width && p.y >= r.origin.y &&
         p.y < r.origin.y + r.size.height;
}

bool CGRectContainsRect(CGRect outer, CGRect inner) {
  if (CGRectIsNull(outer) || CGRectIsNull(inner)) return false;
  return CGRectGetMinX(inner) >= CGRectGetMinX(outer) &&
         CGRectGetMinY(inner) >= CGRectGetMinY(outer) &&
         CGRectGetMaxX(inner) <= CGRectGetMaxX(outer) &&
         CGRectGetMaxY(inner) <= CGRectGetMaxY(outer);
}

CGAffineTransform CGAffineTransformMake(CGFloat a, CGFloat b, CGFloat c, CGFloat d, CGFloat tx,
                                        CGFloat ty) {
  return CGAffineTransform{a, b, c, d, tx, ty};
}
CGAffineTransform CGAffineTransformMakeTranslation(CGFloat tx, CGFloat ty) {
  return CGAffineTransform{1, 0, 0, 1, tx, ty};
}
CGAffineTransform CGAffineTransformMakeScale(CGFloat sx, CGFloat sy) {
  return CGAffineTransform{sx, 0, 0, sy, 0, 0};
}
CGAffineTransform CGAffineTransformMakeRotation(CGFloat angle) {
  CGFloat c = std::cos(angle), s = std::sin(angle);
  return CGAffineTransform{c, s, -s, c, 0, 0};
}
CGAffineTransform CGAffineTransformConcat(CGAffineTransform t1, CGAffineTransform t2) {
  return CGAffineTransform{
      t1.a * t2.a + t1.b * t2.c,           t1.a * t2.b + t1.b * t2.d,
      t1.c * t2.a + t1.d * t2.c,           t1.c * t2.b + t1.d * t2.d,
      t1.tx * t2.a + t1.ty * t2.c + t2.tx, t1.tx * t2.b + t1.ty * t2.d + t2.ty};
}
CGAffineTransform CGAffineTransformTranslate(CGAffineTransform t, CGFloat tx, CGFloat ty) {
  return CGAffineTransformConcat(CGAffineTransformMakeTranslation(tx, ty), t);
}
CGAffineTransform CGAffineTransformScale(CGAffineTransform t, CGFloat sx, CGFloat sy) {
  return CGAffineTransformConcat(CGAffineTransformMakeScale(sx, sy), t);
}
CGAffineTransform CGAffineTransformRotate(CGAffineTransform t, CGFloat angle) {
  return CGAffineTransformConcat(CGAffineTransformMakeRotation(angle), t);
}
CGAffineTransform CGAffineTransformInvert(CGAffineTransform t) {
  CGFloat det = t.a * t.d - t.b * t.c;
  if (det == 0 || !std::isfinite(det)) return t;
  CGAffineTransform r;
  r.a = t.d / det;
  r.b = -t.b / det;
  r.c = -t.c / det;
  r.d = t.a / det;
  r.tx = -(t.tx * r.a + t.ty * r.c);
  r.ty = -(t.tx * r.b + t.ty * r.d);
  return r;
}
bool CGAffineTransformIsIdentity(CGAffineTransform t) {
  return t == CGAffineTransformIdentity;
}
bool CGAffineTransformEqualToTransform(CGAffineTransform a, CGAffineTransform b) {
  return a == b;
}
CGPoint CGPointApplyAffineTransform(CGPoint p, CGAffineTransform t) {
  return CGPoint{t.a * p.x + t.c * p.y + t.tx, t.b * p.x + t.d * p.y + t.ty};
}
CGSize CGSizeApplyAffineTransform(CGSize s, CGAffineTransform t) {
  return CGSize{t.a * s.width + t.c * s.height, t.b * s.width + t.d * s.height};
}
CGRect CGRectApplyAffineTransform(CGRect r, CGAffineTransform t) {
  if (CGRectIsNull(r)) return CGRectNull;
  r = CGRectStandardize(r);
  CGPoint p[4] = {
      CGPointApplyAffineTransform(r.origin, t),
      CGPointApplyAffineTransform({r.origin.x + r.size.width, r.origin.y}, t),
      CGPointApplyAffineTransform({r.origin.x, r.origin.y + r.size.height}, t),
      CGPointApplyAffineTransform({r.origin.x + r.size.width, r.origin.y + r.size.height}, t)};
  CGFloat x0 = p[0].x, x1 = p[0].x, y0 = p[0].y, y1 = p[0].y;
  for (auto& q : p) {
    x0 = std::min(x0, q.x);
    x1 = std::max(x1, q.x);
    y0 = std::min(y0, q.y);
    y1 = std::max(y1, q.y);
  }
  return CGRectMake(x0, y0, x1 - x0, y1 - y0);
}
