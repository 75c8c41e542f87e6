#include "QuartzCore/CACompositor.h"

#include <algorithm>
#include <cmath>

namespace {

void addRoundedRect(const CGContextRef& ctx, CGRect r, CGFloat radius) {
  CGContextAddPath(ctx, CGPathCreateWithRoundedRect(r, radius, radius, nullptr));
}

bool hasShadow(const CALayer* l) {
  return l->shadowOpacity() > 0 && l->shadowColor() && l->shadowColor()->alpha() > 0;
}

// Beyond this a shadow is spread too thin to see, and the area it needs keeps growing;
// Core Graphics bounds the blur too.
constexpr CGFloat kMaxShadowRadius = 256;
CGFloat shadowRadius(const CALayer* l) {
  return std::min(l->shadowRadius(), kMaxShadowRadius);
}
// Far enough to leave any surface, near enough for Cairo's fixed-point coordinates.
CGSize shadowOffset(const CALayer* l) {
  CGSize o = l->shadowOffset();
  return CGSizeMake(std::clamp(o.width, -1e5, 1e5), std::clamp(o.height, -1e5, 1e5));
}

// Everything the layer and its visible sublayers can cover, in the layer's bounds space.
CGRect inkBounds(const CALayer* l) {
  CGRect r = l->bounds();
  if (l->masksToBounds()) return r;
  for (const auto& s : l->sublayers()) {
    if (s->isHidden()) continue;
    CGRect sub = inkBounds(s.get());
    CGRect f = s->frame(), b = s->bounds();
    sub = CGRectOffset(sub, f.origin.x - b.origin.x, f.origin.y - b.origin.y);
    if (hasShadow(s.get())) {
      CGFloat reach = 3 * shadowRadius(s.get()) + 1;
      sub =
          CGRectUnion(sub, CGRectOffset(CGRectInset(sub, -reach, -reach),
                                        shadowOffset(s.get()).width, shadowOffset(s.get()).height));
    }
    r = CGRectUnion(r, sub);
  }
  return r;
}

void drawContents(const CGContextRef& ctx, const CALayer* l) {
  auto image = objc_cast<CGImage>(l->contents());
  if (!image) return;
  CGRect b = l->bounds();
  // The context is y-down; images are drawn in y-up space, so flip locally to keep them
  // upright.
  CGContextSaveGState(ctx);
  CGContextTranslateCTM(ctx, b.origin.x, b.origin.y + b.size.height);
  CGContextScaleCTM(ctx, 1, -1);
  CGContextDrawImage(ctx, CGRectMake(0, 0, b.size.width, b.size.height), image);
  CGContextRestoreGState(ctx);
}

void render(CALayer* l, const CGContextRef& ctx) {
  if (l->isHidden() || l->opacity() <= 0) return;
  CGContextSaveGState(ctx);
  CGRect f = l->frame(), b = l->bounds();
  CGContextTranslateCTM(ctx, f.origin.x - b.origin.x, f.origin.y - b.origin.y);

  bool shadow = hasShadow(l);
  if (l->masksToBounds()) {
    CGContextBeginPath(ctx);
    addRoundedRect(ctx, b, l->cornerRadius());
    CGContextClip(ctx);
  } else if (shadow) {
    // Bounds the offscreen work: nothing of this layer or its shadow lies further out.
    CGFloat reach = 3 * shadowRadius(l) + 2;
    CGRect ink = inkBounds(l);
    CGRect area =
        CGRectUnion(ink, CGRectOffset(ink, shadowOffset(l).width, shadowOffset(l).height));
    CGContextClipToRect(ctx, CGRectInset(area, -reach, -reach));
  }
  bool group = shadow || l->opacity() < 1;
  if (shadow) {
    CGColorRef color = CGColorCreateCopyWithAlpha(l->shadowColor(),
                                                  l->shadowColor()->alpha() * l->shadowOpacity());
    CGContextSetShadowInUserSpace(ctx, shadowOffset(l), shadowRadius(l), color);
  }
  if (l->opacity() < 1) CGContextSetAlpha(ctx, l->opacity());
  if (group) CGContextBeginTransparencyLayer(ctx, nullptr);

  if (l->backgroundColor() && l->backgroundColor()->alpha() > 0) {
    CGContextSetFillColorWithColor(ctx, l->backgroundColor());
    CGContextBeginPath(ctx);
    addRoundedRect(ctx, b, l->cornerRadius());
    CGContextFillPath(ctx);
  }
  drawContents(ctx, l);
  CGContextSaveGState(ctx);
  CGContextBeginPath(ctx);
  l->drawInContext(ctx.get());
  CGContextRestoreGState(ctx);

  std::vector<CALayer*> subs;
  for (const auto& s : l->sublayers()) subs.push_back(s.get());
  std::stable_sort(subs.begin(), subs.end(),
                   [](CALayer* a, CALayer* c) { return a->zPosition() < c->zPosition(); });
  // Sublayers may be removed by a delegate while drawing; keep them alive.
  std::vector<Strong<CALayer>> keep(l->sublayers());
  for (CALayer* s : subs) render(s, ctx);

  if (l->borderWidth() > 0 && l->borderColor() && l->borderColor()->alpha() > 0) {
    CGFloat w = l->borderWidth();
    CGRect r = CGRectInset(b, w / 2, w / 2);
    if (!CGRectIsNull(r)) {
      CGContextSetStrokeColorWithColor(ctx, l->borderColor());
      CGContextSetLineWidth(ctx, w);
      CGContextBeginPath(ctx);
      addRoundedRect(ctx, r, std::max(0.0, l->cornerRadius() - w / 2));
      CGContextStrokePath(ctx);
    }
  }
  if (group) CGContextEndTransparencyLayer(ctx);
  CGContextRestoreGState(ctx);
}

}  // namespace

void CALayer::renderInContext(const CGContextRef& ctx) {
  if (ctx) render(this, ctx);
}

namespace CACompositor {

CGImageRef renderLayerWithMargin(CALayer* layer, CGFloat scale, CGFloat margin) {
  if (!layer) return nullptr;
  if (!(scale > 0) || !std::isfinite(scale)) scale = 1;
  if (!(margin >= 0) || !std::isfinite(margin)) margin = 0;
  CGRect f = layer->frame();
  double pw = std::ceil((f.size.width + 2 * margin) * scale - 1e-9);
  double ph = std::ceil((f.size.height + 2 * margin) * scale - 1e-9);
  if (!(pw >= 1) || !(ph >= 1) || pw > 16384 || ph > 16384) return nullptr;
  auto ctx = CGContextCreateFlipped(static_cast<size_t>(pw), static_cast<size_t>(ph), scale);
  if (!ctx) return nullptr;
  CGContextTranslateCTM(ctx, margin - f.origin.x, margin - f.origin.y);
  layer->renderInContext(ctx);
  return CGBitmapContextCreateImage(ctx);
}

CGImageRef renderLayer(CALayer* layer, CGFloat scale) {
  return renderLayerWithMargin(layer, scale, 0);
}

bool writePNG(CALayer* layer, const std::string& path, CGFloat scale) {
  return CGImageWriteToPNGFile(renderLayer(layer, scale), path);
}

}  // namespace CACompositor
