// Layers: geometry, appearance and the shadow properties, in a tree of sublayers. A
// view's layer has the view as its delegate, which draws the view's own content.
//
// Coordinates are UIKit's: y grows downwards. frame is derived from position, bounds
// and anchorPoint; setting it moves position and resizes bounds.
#pragma once

#include <cmath>
#include <limits>
#include <vector>

#include "CoreGraphics/CoreGraphics.h"
#include "QuartzCore/QuartzCoreExport.h"
#include "objc/NSObject.h"

class NIMBRA_QUARTZCORE_API CALayer : public NSObject {
  OBJC_CLASS(CALayer, NSObject)
 public:
  CALayer() = default;
  ~CALayer() override;
  static Strong<CALayer> layer();

  // Geometry
  CGRect frame() const;
  void setFrame(CGRect frame);
  CGRect bounds() const { return bounds_; }
  void setBounds(CGRect bounds);
  CGPoint position() const { return position_; }
  void setPosition(CGPoint position);
  CGPoint anchorPoint() const { return anchorPoint_; }
  void setAnchorPoint(CGPoint anchorPoint);
  CGFloat zPosition() const { return zPosition_; }
  void setZPosition(CGFloat z) { zPosition_ = z; }

  // Tree
  const std::vector<Strong<CALayer>>& sublayers() const { return sublayers_; }
  CALayer* superlayer() const { return superlayer_; }
  void addSublayer(const Strong<CALayer>& layer);
  // Clamped to the ends of the list.
  void insertSublayerAtIndex(const Strong<CALayer>& layer, uint32_t index);
  void removeFromSuperlayer();

  // Appearance
  const CGColorRef& backgroundColor() const { return backgroundColor_; }
  void setBackgroundColor(const CGColorRef& color);
  CGFloat cornerRadius() const { return cornerRadius_; }
  void setCornerRadius(CGFloat radius);
  bool masksToBounds() const { return masksToBounds_; }
  void setMasksToBounds(bool masks) { masksToBounds_ = masks; }
  float opacity() const { return opacity_; }
  void setOpacity(float opacity);
  bool isHidden() const { return hidden_; }
  bool hidden() const { return hidden_; }
  void setHidden(bool hidden);
  CGFloat borderWidth() const { return borderWidth_; }
  void setBorderWidth(CGFloat width);
  const CGColorRef& borderColor() const { return borderColor_; }
  void setBorderColor(const CGColorRef& color);
  bool isOpaque() const { return opaque_; }
  void setOpaque(bool opaque) { opaque_ = opaque; }
  // A CGImage drawn to fill the bounds, or none.
  const id& contents() const { return contents_; }
  void setContents(const id& contents);
  CGFloat contentsScale() const { return contentsScale_; }
  void setContentsScale(CGFloat scale);

  // Shadow: drawn only when shadowOpacity > 0 and the colour is set and not transparent.
  // The setters are defined here: every layout pass with a glow sets them on each icon.
  const CGColorRef& shadowColor() const { return shadowColor_; }
  void setShadowColor(const CGColorRef& color) {
    if (shadowColor_ != color) shadowColor_ = color;  // the same colour again counts nothing
  }
  float shadowOpacity() const { return shadowOpacity_; }
  // Clamped to 0...1; NaN counts as 0.
  void setShadowOpacity(float opacity) {
    shadowOpacity_ = opacity > 0.0f ? (opacity < 1.0f ? opacity : 1.0f) : 0.0f;
  }
  CGFloat shadowRadius() const { return shadowRadius_; }
  // Negative and NaN count as 0, and so does infinity.
  void setShadowRadius(CGFloat radius) {
    shadowRadius_ = radius > 0.0 && radius <= std::numeric_limits<CGFloat>::max() ? radius : 0.0;
  }
  CGSize shadowOffset() const { return shadowOffset_; }
  // An offset that is not finite is ignored.
  void setShadowOffset(CGSize offset) {
    if (std::isfinite(offset.width) && std::isfinite(offset.height)) shadowOffset_ = offset;
  }
  const CGPathRef& shadowPath() const { return shadowPath_; }
  void setShadowPath(const CGPathRef& path);

  // The object that draws the layer's own content: sent "drawLayer:inContext:" with
  // (CALayer*, CGContext*) when it responds to it. Not owned.
  NSObject* delegate() const { return delegate_; }
  void setDelegate(NSObject* delegate) { delegate_ = delegate; }

  // Marks the layer for redisplay at the end of this run-loop turn (or at the next
  // CATransaction::flush); marking it again before then changes nothing.
  void setNeedsDisplay();
  bool needsDisplay() const { return needsDisplay_; }
  // Redisplays now if marked: clears the mark and sends the delegate "displayLayer:"
  // (CALayer*) when it responds to it. The content itself is drawn when the tree renders.
  void displayIfNeeded();
  void setNeedsLayout() { needsLayout_ = true; }
  bool needsLayout() const { return needsLayout_; }

  // Draws the layer's own content (the delegate's drawing) in its bounds' space.
  virtual void drawInContext(CGContext* ctx);
  // Renders the layer and its sublayers, shadows included, into `ctx` whose user space is
  // the layer's superlayer's space.
  void renderInContext(const CGContextRef& ctx);

  CGPoint convertPointToLayer(CGPoint point, const CALayer* layer) const;
  CGPoint convertPointFromLayer(CGPoint point, const CALayer* layer) const;
  CGRect convertRectToLayer(CGRect rect, const CALayer* layer) const;
  CGRect convertRectFromLayer(CGRect rect, const CALayer* layer) const;

 private:
  CGRect bounds_{};
  CGPoint position_{};
  CGPoint anchorPoint_{0.5, 0.5};
  CGFloat zPosition_ = 0;
  std::vector<Strong<CALayer>> sublayers_;
  CALayer* superlayer_ = nullptr;
  CGColorRef backgroundColor_;
  CGFloat cornerRadius_ = 0;
  bool masksToBounds_ = false;
  float opacity_ = 1;
  bool hidden_ = false;
  CGFloat borderWidth_ = 0;
  CGColorRef borderColor_;
  bool opaque_ = false;
  id contents_;
  CGFloat contentsScale_ = 1;
  CGColorRef shadowColor_;
  float shadowOpacity_ = 0;
  CGFloat shadowRadius_ = 3;
  CGSize shadowOffset_{0, -3};
  CGPathRef shadowPath_;
  NSObject* delegate_ = nullptr;
  bool needsDisplay_ = false;
  bool needsLayout_ = false;
};
