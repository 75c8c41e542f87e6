// Paths with their own line settings, drawn into the current UIKit context.
#pragma once

#include "CoreGraphics/CoreGraphics.h"
#include "UIKit/UIKitExport.h"
#include "objc/NSObject.h"

enum UIRectCorner : uint64_t {
  UIRectCornerTopLeft = 1 << 0,
  UIRectCornerTopRight = 1 << 1,
  UIRectCornerBottomLeft = 1 << 2,
  UIRectCornerBottomRight = 1 << 3,
  UIRectCornerAllCorners = 0xF,
};

class NIMBRA_UIKIT_API UIBezierPath : public NSObject {
  OBJC_CLASS(UIBezierPath, NSObject)
 public:
  UIBezierPath();
  static Strong<UIBezierPath> bezierPath();
  static Strong<UIBezierPath> bezierPathWithRect(CGRect rect);
  static Strong<UIBezierPath> bezierPathWithOvalInRect(CGRect rect);
  // Quarter-circle corners of min(radius, width / 2, height / 2); radius <= 0 gives a
  // plain rectangle. Closed, clockwise in UIKit's y-down space, from the top-left.
  static Strong<UIBezierPath> bezierPathWithRoundedRectCornerRadius(CGRect rect, CGFloat radius);
  static Strong<UIBezierPath> bezierPathWithRoundedRectByRoundingCornersCornerRadii(
      CGRect rect, uint64_t corners, CGSize radii);
  // Angles as in UIKit: clockwise YES turns towards increasing angles in y-down space.
  static Strong<UIBezierPath> bezierPathWithArcCenterRadiusStartAngleEndAngleClockwise(
      CGPoint center, CGFloat radius, CGFloat startAngle, CGFloat endAngle, bool clockwise);
  static Strong<UIBezierPath> bezierPathWithCGPath(const CGPathRef& path);

  void moveToPoint(CGPoint p);
  void addLineToPoint(CGPoint p);
  void addCurveToPointControlPoint1ControlPoint2(CGPoint p, CGPoint cp1, CGPoint cp2);
  void addQuadCurveToPointControlPoint(CGPoint p, CGPoint cp);
  void addArcWithCenterRadiusStartAngleEndAngleClockwise(CGPoint center, CGFloat radius,
                                                         CGFloat startAngle, CGFloat endAngle,
                                                         bool clockwise);
  void closePath();
  void appendPath(const Strong<UIBezierPath>& path);
  void removeAllPoints();
  void applyTransform(CGAffineTransform t);

  CGPathRef CGPath() const { return path_; }
  void setCGPath(const CGPathRef& path);
  CGRect bounds() const;
  CGPoint currentPoint() const;
  bool isEmpty() const;
  bool containsPoint(CGPoint p) const;

  CGFloat lineWidth() const { return lineWidth_; }
  void setLineWidth(CGFloat w) { lineWidth_ = w; }
  CGLineJoin lineJoinStyle() const { return lineJoin_; }
  void setLineJoinStyle(CGLineJoin j) { lineJoin_ = j; }
  CGLineCap lineCapStyle() const { return lineCap_; }
  void setLineCapStyle(CGLineCap c) { lineCap_ = c; }
  CGFloat miterLimit() const { return miterLimit_; }
  void setMiterLimit(CGFloat m) { miterLimit_ = m; }
  bool usesEvenOddFillRule() const { return evenOdd_; }
  void setUsesEvenOddFillRule(bool eo) { evenOdd_ = eo; }

  // Into the current UIKit context with its fill / stroke colour; nothing without one.
  void fill() const;
  void stroke() const;
  void addClip() const;

 private:
  CGMutablePathRef path_;
  CGFloat lineWidth_ = 1;
  CGLineJoin lineJoin_ = kCGLineJoinMiter;
  CGLineCap lineCap_ = kCGLineCapButt;
  CGFloat miterLimit_ = 10;
  bool evenOdd_ = false;
};
