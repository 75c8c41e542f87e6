#include "CoreGraphics/CGPath.h"

#include <algorithm>
#include <cmath>

OBJC_CLASS_IMPL(CGPath) {}
OBJC_CLASS_IMPL(CGMutablePath) {}

namespace {
constexpr CGFloat kPi = 3.14159265358979323846;
// Control-point distance for a quarter circle drawn as one cubic.
constexpr CGFloat kKappa = 0.5522847498307936;

CGPoint apply(const CGAffineTransform* m, CGFloat x, CGFloat y) {
  CGPoint p{x, y};
  return m ? CGPointApplyAffineTransform(p, *m) : p;
}
// Non-finite values are ignored, as the device ignores them: the element is dropped.
bool finite(CGPoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}
bool finite(CGRect r) {
  return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
         std::isfinite(r.size.height);
}
}  // namespace

// Friend of CGPath: keeps the current point and the rectangle flag in step.
class CGPathBuilder {
 public:
  static void move(CGPath& p, CGPoint pt) {
    if (!finite(pt)) return;
    p.elements_.push_back({kCGPathElementMoveToPoint, {pt, {}, {}}});
    p.current_ = p.subpathStart_ = pt;
    p.hasCurrent_ = true;
    p.isRect_ = false;
  }
  static void ensureCurrent(CGPath& p, CGPoint pt) {
    if (!p.hasCurrent_) move(p, pt);
  }
  static void line(CGPath& p, CGPoint pt) {
    if (!finite(pt)) return;
    if (!p.hasCurrent_) return move(p, pt);
    p.elements_.push_back({kCGPathElementAddLineToPoint, {pt, {}, {}}});
    p.current_ = pt;
    p.isRect_ = false;
  }
  static void quad(CGPath& p, CGPoint c, CGPoint pt) {
    if (!finite(c) || !finite(pt)) return;
    ensureCurrent(p, c);
    p.elements_.push_back({kCGPathElementAddQuadCurveToPoint, {c, pt, {}}});
    p.current_ = pt;
    p.isRect_ = false;
  }
  static void curve(CGPath& p, CGPoint c1, CGPoint c2, CGPoint pt) {
    if (!finite(c1) || !finite(c2) || !finite(pt)) return;
    ensureCurrent(p, c1);
    p.elements_.push_back({kCGPathElementAddCurveToPoint, {c1, c2, pt}});
    p.current_ = pt;
    p.isRect_ = false;
  }
  static void close(CGPath& p) {
    if (!p.hasCurrent_) return;
    if (!p.elements_.empty() && p.elements_.back().type == kCGPathElementCloseSubpath) return;
    p.elements_.push_back({kCGPathElementCloseSubpath, {}});
    p.current_ = p.subpathStart_;
  }
  static void rect(CGPath& p, const CGAffineTransform* m, CGRect r) {
    if (!finite(r)) return;
    bool wasEmpty = p.elements_.empty();
    r = CGRectStandardize(r);
    CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    move(p, apply(m, x0, y0));
    line(p, apply(m, x1, y0));
    line(p, apply(m, x1, y1));
    line(p, apply(m, x0, y1));
    close(p);
    if (wasEmpty && (!m || (m->b == 0 && m->c == 0))) {
      p.isRect_ = true;
      p.rect_ = m ? CGRectApplyAffineTransform(r, *m) : r;
    }
  }
  // Arc as cubic pieces of at most a quarter turn each.
  static void arc(CGPath& p, const CGAffineTransform* m, CGFloat cx, CGFloat cy, CGFloat r,
                  CGFloat a0, CGFloat delta) {
    if (!std::isfinite(cx) || !std::isfinite(cy) || !std::isfinite(r) || !std::isfinite(a0) ||
        !std::isfinite(delta))
      return;
    // Turns beyond the first retrace the circle: keep one full turn and the remainder, so
    // the pieces stay bounded and the arc still ends at its end angle.
    if (std::fabs(delta) > 2 * kPi)
      delta = std::copysign(2 * kPi + std::fmod(std::fabs(delta), 2 * kPi), delta);
    a0 = std::fmod(a0, 2 * kPi);
    CGPoint start = apply(m, cx + r * std::cos(a0), cy + r * std::sin(a0));
    if (p.hasCurrent_)
      line(p, start);
    else
      move(p, start);
    int pieces = std::max(1, static_cast<int>(std::ceil(std::fabs(delta) / (kPi / 2) - 1e-9)));
    pieces = std::min(pieces, 64);
    CGFloat step = delta / pieces;
    CGFloat k = 4.0 / 3.0 * std::tan(step / 4);
    for (int i = 0; i < pieces; ++i) {
      CGFloat t0 = a0 + step * i, t1 = t0 + step;
      CGFloat c0 = std::cos(t0), s0 = std::sin(t0), c1 = std::cos(t1), s1 = std::sin(t1);
      curve(p, apply(m, cx + r * (c0 - k * s0), cy + r * (s0 + k * c0)),
            apply(m, cx + r * (c1 + k * s1), cy + r * (s1 - k * c1)),
            apply(m, cx + r * c1, cy + r * s1));
    }
  }
  static void ellipse(CGPath& p, const CGAffineTransform* m, CGRect r) {
    if (!finite(r)) return;
    r = CGRectStandardize(r);
    CGFloat rx = r.size.width / 2, ry = r.size.height / 2;
    CGFloat cx = r.origin.x + rx, cy = r.origin.y + ry;
    CGFloat kx = rx * kKappa, ky = ry * kKappa;
    move(p, apply(m, cx + rx, cy));
    curve(p, apply(m, cx + rx, cy + ky), apply(m, cx + kx, cy + ry), apply(m, cx, cy + ry));
    curve(p, apply(m, cx - kx, cy + ry), apply(m, cx - rx, cy + ky), apply(m, cx - rx, cy));
    curve(p, apply(m, cx - rx, cy - ky), apply(m, cx - kx, cy - ry), apply(m, cx, cy - ry));
    curve(p, apply(m, cx + kx, cy - ry), apply(m, cx + rx, cy - ky), apply(m, cx + rx, cy));
    close(p);
  }
  static void roundedRect(CGPath& p, const CGAffineTransform* m, CGRect r, CGFloat cw, CGFloat ch) {
    if (!finite(r)) return;
    r = CGRectStandardize(r);
    if (!std::isfinite(cw) || !std::isfinite(ch)) cw = ch = 0;
    cw = std::clamp(cw, 0.0, r.size.width / 2);
    ch = std::clamp(ch, 0.0, r.size.height / 2);
    if (cw <= 0 || ch <= 0) return rect(p, m, r);
    CGFloat x0 = r.origin.x, y0 = r.origin.y, x1 = x0 + r.size.width, y1 = y0 + r.size.height;
    CGFloat kx = cw * kKappa, ky = ch * kKappa;
    move(p, apply(m, x0 + cw, y0));
    line(p, apply(m, x1 - cw, y0));
    curve(p, apply(m, x1 - cw + kx, y0), apply(m, x1, y0 + ch - ky), apply(m, x1, y0 + ch));
    line(p, apply(m, x1, y1 - ch));
    curve(p, apply(m, x1, y1 - ch + ky), apply(m, x1 - cw + kx, y1), apply(m, x1 - cw, y1));
    line(p, apply(m, x0 + cw, y1));
    curve(p, apply(m, x0 + cw - kx, y1), apply(m, x0, y1 - ch + ky), apply(m, x0, y1 - ch));
    line(p, apply(m, x0, y0 + ch));
    curve(p, apply(m, x0, y0 + ch - ky), apply(m, x0 + cw - kx, y0), apply(m, x0 + cw, y0));
    close(p);
  }
  static void append(CGPath& p, const CGAffineTransform* m, const CGPath& o) {
    for (const auto& e : o.elements_) {
      auto t = [&](int i) { return apply(m, e.points[i].x, e.points[i].y); };
      switch (e.type) {
        case kCGPathElementMoveToPoint:
          move(p, t(0));
          break;
        case kCGPathElementAddLineToPoint:
          line(p, t(0));
          break;
        case kCGPathElementAddQuadCurveToPoint:
          quad(p, t(0), t(1));
          break;
        case kCGPathElementAddCurveToPoint:
          curve(p, t(0), t(1), t(2));
          break;
        case kCGPathElementCloseSubpath:
          close(p);
          break;
      }
    }
  }
  static void copy(CGPath& dst, const CGPath& src) {
    dst.elements_ = src.elements_;
    dst.current_ = src.current_;
    dst.subpathStart_ = src.subpathStart_;
    dst.hasCurrent_ = src.hasCurrent_;
    dst.isRect_ = src.isRect_;
    dst.rect_ = src.rect_;
  }
  static bool isRect(const CGPath& p, CGRect* r) {
    if (p.isRect_ && r) *r = p.rect_;
    return p.isRect_;
  }
  static CGPoint current(const CGPath& p) { return p.hasCurrent_ ? p.current_ : CGPointZero; }
};

BOOL CGPath::isEqual(const NSObject* other) const {
  auto* o = objc_cast<CGPath>(other);
  if (!o || o->elements_.size() != elements_.size()) return false;
  for (size_t i = 0; i < elements_.size(); ++i) {
    const auto &a = elements_[i], &b = o->elements_[i];
    if (a.type != b.type) return false;
    for (int k = 0; k < 3; ++k)
      if (!(a.points[k] == b.points[k])) return false;
  }
  return true;
}

CGMutablePathRef CGPathCreateMutable() {
  return std::make_shared<CGMutablePath>();
}
CGMutablePathRef CGPathCreateMutableCopy(const CGPathRef& path) {
  auto p = CGPathCreateMutable();
  if (path) CGPathBuilder::copy(*p, *path);
  return p;
}
CGPathRef CGPathCreateCopy(const CGPathRef& path) {
  if (!path) return nullptr;
  return CGPathCreateMutableCopy(path);
}
CGPathRef CGPathCreateWithRect(CGRect rect, const CGAffineTransform* transform) {
  auto p = CGPathCreateMutable();
  CGPathBuilder::rect(*p, transform, rect);
  return p;
}
CGPathRef CGPathCreateWithEllipseInRect(CGRect rect, const CGAffineTransform* transform) {
  auto p = CGPathCreateMutable();
  CGPathBuilder::ellipse(*p, transform, rect);
  return p;
}
CGPathRef CGPathCreateWithRoundedRect(CGRect rect, CGFloat cw, CGFloat ch,
                                      const CGAffineTransform* transform) {
  auto p = CGPathCreateMutable();
  CGPathBuilder::roundedRect(*p, transform, rect, cw, ch);
  return p;
}

void CGPathMoveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                       CGFloat y) {
  if (path) CGPathBuilder::move(*path, apply(m, x, y));
}
void CGPathAddLineToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                          CGFloat y) {
  if (path) CGPathBuilder::line(*path, apply(m, x, y));
}
void CGPathAddQuadCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m,
                               CGFloat cpx, CGFloat cpy, CGFloat x, CGFloat y) {
  if (path) CGPathBuilder::quad(*path, apply(m, cpx, cpy), apply(m, x, y));
}
void CGPathAddCurveToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat cp1x,
                           CGFloat cp1y, CGFloat cp2x, CGFloat cp2y, CGFloat x, CGFloat y) {
  if (path) CGPathBuilder::curve(*path, apply(m, cp1x, cp1y), apply(m, cp2x, cp2y), apply(m, x, y));
}
void CGPathCloseSubpath(const CGMutablePathRef& path) {
  if (path) CGPathBuilder::close(*path);
}
void CGPathAddRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect) {
  if (path && !CGRectIsNull(rect)) CGPathBuilder::rect(*path, m, rect);
}
void CGPathAddRects(const CGMutablePathRef& path, const CGAffineTransform* m, const CGRect* rects,
                    size_t count) {
  for (size_t i = 0; rects && i < count; ++i) CGPathAddRect(path, m, rects[i]);
}
void CGPathAddLines(const CGMutablePathRef& path, const CGAffineTransform* m, const CGPoint* points,
                    size_t count) {
  if (!path || !points || count == 0) return;
  CGPathBuilder::move(*path, apply(m, points[0].x, points[0].y));
  for (size_t i = 1; i < count; ++i) CGPathBuilder::line(*path, apply(m, points[i].x, points[i].y));
}
void CGPathAddEllipseInRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect) {
  if (path && !CGRectIsNull(rect)) CGPathBuilder::ellipse(*path, m, rect);
}
void CGPathAddRoundedRect(const CGMutablePathRef& path, const CGAffineTransform* m, CGRect rect,
                          CGFloat cw, CGFloat ch) {
  if (path && !CGRectIsNull(rect)) CGPathBuilder::roundedRect(*path, m, rect, cw, ch);
}
void CGPathAddArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x, CGFloat y,
                  CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise) {
  if (!path || !std::isfinite(startAngle) || !std::isfinite(endAngle)) return;
  CGFloat delta = endAngle - startAngle;
  if (clockwise) {
    // Decreasing angles; a full turn at most.
    delta = std::fmod(delta, 2 * kPi);
    if (delta > 0) delta -= 2 * kPi;
  } else {
    delta = std::fmod(delta, 2 * kPi);
    if (delta < 0) delta += 2 * kPi;
  }
  if (delta == 0 && endAngle != startAngle) delta = clockwise ? -2 * kPi : 2 * kPi;
  CGPathBuilder::arc(*path, m, x, y, std::fabs(radius), startAngle, delta);
}
void CGPathAddRelativeArc(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x,
                          CGFloat y, CGFloat radius, CGFloat startAngle, CGFloat delta) {
  if (!path || !std::isfinite(startAngle) || !std::isfinite(delta)) return;
  CGPathBuilder::arc(*path, m, x, y, std::fabs(radius), startAngle, delta);
}
void CGPathAddArcToPoint(const CGMutablePathRef& path, const CGAffineTransform* m, CGFloat x1,
                         CGFloat y1, CGFloat x2, CGFloat y2, CGFloat radius) {
  if (!path) return;
  // Work in the untransformed space, from the current point mapped back.
  CGPoint p0 = CGPathGetCurrentPoint(path);
  if (m) p0 = CGPointApplyAffineTransform(p0, CGAffineTransformInvert(*m));
  CGFloat ax = p0.x - x1, ay = p0.y - y1, bx = x2 - x1, by = y2 - y1;
  CGFloat la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  CGFloat cross = ax * by - ay * bx;
  if (la == 0 || lb == 0 || cross == 0 || radius <= 0) {
    CGPathBuilder::line(*path, apply(m, x1, y1));
    return;
  }
  ax /= la, ay /= la, bx /= lb, by /= lb;
  CGFloat cosT = ax * bx + ay * by;
  CGFloat half = std::acos(std::clamp(cosT, -1.0, 1.0)) / 2;
  CGFloat dist = radius / std::tan(half);
  CGPoint t1{x1 + ax * dist, y1 + ay * dist};
  CGFloat bisx = ax + bx, bisy = ay + by, bl = std::hypot(bisx, bisy);
  CGFloat cd = radius / std::sin(half);
  CGPoint c{x1 + bisx / bl * cd, y1 + bisy / bl * cd};
  CGFloat a0 = std::atan2(t1.y - c.y, t1.x - c.x);
  CGPoint t2{x1 + bx * dist, y1 + by * dist};
  CGFloat a1 = std::atan2(t2.y - c.y, t2.x - c.x);
  CGFloat delta = a1 - a0;
  while (delta > kPi) delta -= 2 * kPi;
  while (delta < -kPi) delta += 2 * kPi;
  CGPathBuilder::arc(*path, m, c.x, c.y, radius, a0, delta);
}
void CGPathAddPath(const CGMutablePathRef& path, const CGAffineTransform* m,
                   const CGPathRef& other) {
  if (path && other) {
    auto copy = CGPathCreateMutableCopy(other);  // other may be path itself
    CGPathBuilder::append(*path, m, *copy);
  }
}

bool CGPathIsEmpty(const CGPathRef& path) {
  return !path || path->elements().empty();
}
bool CGPathIsRect(const CGPathRef& path, CGRect* rect) {
  return path && CGPathBuilder::isRect(*path, rect);
}
CGPoint CGPathGetCurrentPoint(const CGPathRef& path) {
  return path ? CGPathBuilder::current(*path) : CGPointZero;
}

namespace {
struct Box {
  CGFloat x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
  void add(CGPoint p) {
    x0 = std::min(x0, p.x), y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
  }
  CGRect rect() const { return x0 > x1 ? CGRectNull : CGRectMake(x0, y0, x1 - x0, y1 - y0); }
};
}  // namespace

CGRect CGPathGetBoundingBox(const CGPathRef& path) {
  if (!path) return CGRectNull;
  Box b;
  for (const auto& e : path->elements()) {
    int n = e.type == kCGPathElementCloseSubpath          ? 0
            : e.type == kCGPathElementAddCurveToPoint     ? 3
            : e.type == kCGPathElementAddQuadCurveToPoint ? 2
                                                          : 1;
    for (int i = 0; i < n; ++i) b.add(e.points[i]);
  }
  return b.rect();
}

namespace {
// Flattens the path into polygons (one per subpath).
std::vector<std::vector<CGPoint>> flatten(const CGPath& path) {
  std::vector<std::vector<CGPoint>> polys;
  CGPoint cur{};
  for (const auto& e : path.elements()) {
    switch (e.type) {
      case kCGPathElementMoveToPoint:
        polys.push_back({e.points[0]});
        cur = e.points[0];
        break;
      case kCGPathElementAddLineToPoint:
        if (polys.empty()) polys.push_back({cur});
        polys.back().push_back(e.points[0]);
        cur = e.points[0];
        break;
      case kCGPathElementAddQuadCurveToPoint:
      case kCGPathElementAddCurveToPoint: {
        if (polys.empty()) polys.push_back({cur});
        bool cubic = e.type == kCGPathElementAddCurveToPoint;
        CGPoint p0 = cur, p1 = e.points[0], p2 = e.points[1], p3 = cubic ? e.points[2] : p2;
        if (!cubic) {
          // Raise to a cubic.
          p3 = e.points[1];
          p2 = {p3.x + 2.0 / 3 * (p1.x - p3.x), p3.y + 2.0 / 3 * (p1.y - p3.y)};
          p1 = {p0.x + 2.0 / 3 * (p1.x - p0.x), p0.y + 2.0 / 3 * (p1.y - p0.y)};
        }
        for (int i = 1; i <= 16; ++i) {
          CGFloat t = i / 16.0, u = 1 - t;
          CGFloat a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
          polys.back().push_back({a * p0.x + b * p1.x + c * p2.x + d * p3.x,
                                  a * p0.y + b * p1.y + c * p2.y + d * p3.y});
        }
        cur = p3;
        break;
      }
      case kCGPathElementCloseSubpath:
        if (!polys.empty()) cur = polys.back().front();
        break;
    }
  }
  return polys;
}
}  // namespace

CGRect CGPathGetPathBoundingBox(const CGPathRef& path) {
  if (!path) return CGRectNull;
  // Without curves the points themselves are the outline: no flattening, no copies (a
  // frame's rectangle is asked for on every draw).
  bool curved = std::any_of(path->elements().begin(), path->elements().end(), [](const auto& e) {
    return e.type == kCGPathElementAddCurveToPoint || e.type == kCGPathElementAddQuadCurveToPoint;
  });
  if (!curved) return CGPathGetBoundingBox(path);
  Box b;
  for (const auto& poly : flatten(*path))
    for (CGPoint p : poly) b.add(p);
  return b.rect();
}

bool CGPathContainsPoint(const CGPathRef& path, const CGAffineTransform* m, CGPoint point,
                         bool eoFill) {
  if (!path) return false;
  if (m) point = CGPointApplyAffineTransform(point, CGAffineTransformInvert(*m));
  int winding = 0, crossings = 0;
  for (const auto& poly : flatten(*path)) {
    for (size_t i = 0; i < poly.size(); ++i) {
      CGPoint a = poly[i], b = poly[(i + 1) % poly.size()];
      if ((a.y <= point.y) != (b.y <= point.y)) {
        CGFloat x = a.x + (point.y - a.y) / (b.y - a.y) * (b.x - a.x);
        if (x > point.x) {
          ++crossings;
          winding += b.y > a.y ? 1 : -1;
        }
      }
    }
  }
  return eoFill ? (crossings % 2) == 1 : winding != 0;
}

bool CGPathEqualToPath(const CGPathRef& a, const CGPathRef& b) {
  if (!a || !b) return !a && !b;
  return a->isEqual(b.get());
}

void CGPathApply(const CGPathRef& path, void* info,
                 void (*function)(void* info, const CGPathElement* element)) {
  if (!path || !function) return;
  for (const auto& e : path->elements()) function(info, &e);
}
