#include "UIKit/UIGraphics.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "UIKit/UIScreen.h"

namespace {
struct Entry {
  CGContextRef context;
  bool image;
  CGFloat scale;
};
thread_local std::vector<Entry> contexts;
}  // namespace

CGContextRef UIGraphicsGetCurrentContext() {
  return contexts.empty() ? nullptr : contexts.back().context;
}
void UIGraphicsPushContext(const CGContextRef& context) {
  contexts.push_back({context, false, 1});
}
void UIGraphicsPopContext() {
  if (!contexts.empty()) contexts.pop_back();
}

void UIGraphicsBeginImageContextWithOptions(CGSize size, bool opaque, CGFloat scale) {
  if (!(scale > 0) || !std::isfinite(scale)) scale = UIScreen::mainScreen()->scale();
  auto pixels = [&](CGFloat v) {
    double p = std::ceil(v * scale - 1e-9);
    return static_cast<size_t>(std::isfinite(p) ? std::clamp(p, 1.0, 16384.0) : 1.0);
  };
  auto ctx = CGContextCreateFlipped(pixels(size.width), pixels(size.height), scale);
  if (ctx && opaque) {
    // An opaque context starts white rather than transparent.
    CGContextSetRGBFillColor(ctx, 1, 1, 1, 1);
    CGContextFillRect(ctx, CGRectMake(0, 0, size.width, size.height));
    CGContextSetRGBFillColor(ctx, 0, 0, 0, 1);
  }
  contexts.push_back({ctx, true, scale});
}
void UIGraphicsBeginImageContext(CGSize size) {
  UIGraphicsBeginImageContextWithOptions(size, false, 1);
}

Strong<UIImage> UIGraphicsGetImageFromCurrentImageContext() {
  if (contexts.empty() || !contexts.back().image || !contexts.back().context) return nullptr;
  auto image = CGBitmapContextCreateImage(contexts.back().context);
  return image ? std::make_shared<UIImage>(image, contexts.back().scale) : nullptr;
}
void UIGraphicsEndImageContext() {
  if (!contexts.empty() && contexts.back().image) contexts.pop_back();
}

void UIRectFill(CGRect rect) {
  CGContextFillRect(UIGraphicsGetCurrentContext(), rect);
}
void UIRectFrame(CGRect rect) {
  auto ctx = UIGraphicsGetCurrentContext();
  CGRect r = CGRectInset(rect, 0.5, 0.5);
  if (ctx && !CGRectIsNull(r)) CGContextStrokeRectWithWidth(ctx, r, 1);
}
void UIRectClip(CGRect rect) {
  CGContextClipToRect(UIGraphicsGetCurrentContext(), rect);
}
