#include "QuartzCore/CALayer.h"

#include <algorithm>
#include <cmath>

#include "Display.h"

namespace {

// A colour crosses the table borrowed, as every object does; the layer takes its own
// reference only when the colour changes, so setting the same one again costs no count.
void sendSetShadowColor(NSObject* self, SEL, CGColor* color) {
  auto* layer = static_cast<CALayer*>(self);
  if (layer->shadowColor().get() == color) return;
  layer->setShadowColor(color ? color->retainedSelf<CGColor>() : nullptr);
}

}  // namespace

OBJC_CLASS_IMPL(CALayer) {
  class_addMethod(cls, OBJC_SEL("setShadowColor:"), objc::method<&sendSetShadowColor>());
  class_addMethod(cls, OBJC_SEL("setShadowRadius:"), objc::method<&CALayer::setShadowRadius>());
  class_addMethod(cls, OBJC_SEL("setShadowOpacity:"), objc::method<&CALayer::setShadowOpacity>());
  class_addMethod(cls, OBJC_SEL("setShadowOffset:"), objc::method<&CALayer::setShadowOffset>());
  class_addMethod(cls, OBJC_SEL("setMasksToBounds:"), objc::method<&CALayer::setMasksToBounds>());
  class_addMethod(cls, OBJC_SEL("setHidden:"), objc::method<&CALayer::setHidden>());
  class_addMethod(cls, OBJC_SEL("setNeedsDisplay"), objc::method<&CALayer::setNeedsDisplay>());
}

void CALayer::setNeedsDisplay() {
  if (needsDisplay_) return;
  needsDisplay_ = true;
  quartzcore::layerNeedsDisplay(this);
}

void CALayer::displayIfNeeded() {
  if (!needsDisplay_) return;
  needsDisplay_ = false;
  if (delegate_ && delegate_->respondsToSelector(OBJC_SEL("displayLayer:")))
    objc_msgSend(delegate_, OBJC_SEL("displayLayer:"), this);
}

Strong<CALayer> CALayer::layer() {
  return std::make_shared<CALayer>();
}

CALayer::~CALayer() {
  // Sublayers kept alive elsewhere must not point back at this one.
  for (auto& s : sublayers_) s->superlayer_ = nullptr;
}

namespace {
// Non-finite geometry is ignored: it would place the layer nowhere and poison every
// conversion through it.
bool finite(CGPoint p) {
  return std::isfinite(p.x) && std::isfinite(p.y);
}
bool finite(CGRect r) {
  return finite(r.origin) && std::isfinite(r.size.width) && std::isfinite(r.size.height);
}
}  // namespace

CGRect CALayer::frame() const {
  return CGRectMake(position_.x - anchorPoint_.x * bounds_.size.width,
                    position_.y - anchorPoint_.y * bounds_.size.height, bounds_.size.width,
                    bounds_.size.height);
}

void CALayer::setFrame(CGRect frame) {
  if (!finite(frame)) return;
  frame = CGRectStandardize(frame);
  bounds_.size = frame.size;
  position_ = CGPointMake(frame.origin.x + anchorPoint_.x * frame.size.width,
                          frame.origin.y + anchorPoint_.y * frame.size.height);
}

void CALayer::setBounds(CGRect bounds) {
  if (!finite(bounds)) return;
  bounds_ = CGRectStandardize(bounds);
}
void CALayer::setPosition(CGPoint position) {
  if (finite(position)) position_ = position;
}
void CALayer::setAnchorPoint(CGPoint anchorPoint) {
  if (finite(anchorPoint)) anchorPoint_ = anchorPoint;
}

void CALayer::addSublayer(const Strong<CALayer>& layer) {
  insertSublayerAtIndex(layer, static_cast<uint32_t>(sublayers_.size()));
}

void CALayer::insertSublayerAtIndex(const Strong<CALayer>& layer, uint32_t index) {
  if (!layer || layer.get() == this) return;
  for (const CALayer* p = this; p; p = p->superlayer_)
    if (p == layer.get()) return;  // would make a cycle
  Strong<CALayer> keep = layer;
  keep->removeFromSuperlayer();
  size_t at = std::min<size_t>(index, sublayers_.size());
  sublayers_.insert(sublayers_.begin() + static_cast<std::ptrdiff_t>(at), keep);
  keep->superlayer_ = this;
}

void CALayer::removeFromSuperlayer() {
  CALayer* parent = superlayer_;
  if (!parent) return;
  superlayer_ = nullptr;
  auto& list = parent->sublayers_;
  auto it =
      std::find_if(list.begin(), list.end(), [this](const auto& l) { return l.get() == this; });
  if (it != list.end()) list.erase(it);  // may release this layer: nothing after this
}

void CALayer::setBackgroundColor(const CGColorRef& color) {
  backgroundColor_ = color;
}
void CALayer::setCornerRadius(CGFloat radius) {
  cornerRadius_ = std::isfinite(radius) ? std::max(0.0, radius) : 0.0;
}
void CALayer::setOpacity(float opacity) {
  opacity_ = std::isnan(opacity) ? 1.0f : std::clamp(opacity, 0.0f, 1.0f);
}
void CALayer::setHidden(bool hidden) {
  hidden_ = hidden;
}
void CALayer::setBorderWidth(CGFloat width) {
  borderWidth_ = std::isfinite(width) ? std::max(0.0, width) : 0.0;
}
void CALayer::setBorderColor(const CGColorRef& color) {
  borderColor_ = color;
}
void CALayer::setContents(const id& contents) {
  contents_ = contents;
}
void CALayer::setContentsScale(CGFloat scale) {
  contentsScale_ = scale > 0 && std::isfinite(scale) ? scale : 1;
}

void CALayer::setShadowPath(const CGPathRef& path) {
  shadowPath_ = path;
}

void CALayer::drawInContext(CGContext* ctx) {
  if (delegate_ && delegate_->respondsToSelector(OBJC_SEL("drawLayer:inContext:")))
    objc_msgSend(delegate_, OBJC_SEL("drawLayer:inContext:"), static_cast<CALayer*>(this), ctx);
}

namespace {
// The transform from `layer`'s bounds space to its root's space.
CGAffineTransform toRoot(const CALayer* layer) {
  CGAffineTransform t = CGAffineTransformIdentity;
  for (const CALayer* l = layer; l; l = l->superlayer()) {
    CGRect f = l->frame(), b = l->bounds();
    if (!l->superlayer()) break;
    t = CGAffineTransformConcat(
        t, CGAffineTransformMakeTranslation(f.origin.x - b.origin.x, f.origin.y - b.origin.y));
  }
  return t;
}
}  // namespace

CGPoint CALayer::convertPointToLayer(CGPoint point, const CALayer* layer) const {
  CGPoint root = CGPointApplyAffineTransform(point, toRoot(this));
  return layer ? CGPointApplyAffineTransform(root, CGAffineTransformInvert(toRoot(layer))) : root;
}
CGPoint CALayer::convertPointFromLayer(CGPoint point, const CALayer* layer) const {
  CGPoint root = layer ? CGPointApplyAffineTransform(point, toRoot(layer)) : point;
  return CGPointApplyAffineTransform(root, CGAffineTransformInvert(toRoot(this)));
}
CGRect CALayer::convertRectToLayer(CGRect rect, const CALayer* layer) const {
  CGRect root = CGRectApplyAffineTransform(rect, toRoot(this));
  return layer ? CGRectApplyAffineTransform(root, CGAffineTransformInvert(toRoot(layer))) : root;
}
CGRect CALayer::convertRectFromLayer(CGRect rect, const CALayer* layer) const {
  CGRect root = layer ? CGRectApplyAffineTransform(rect, toRoot(layer)) : rect;
  return CGRectApplyAffineTransform(root, CGAffineTransformInvert(toRoot(this)));
}
