#include "UIKit/UIColor.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "Foundation/NSCoder.h"
#include "Foundation/NSString.h"
#include "UIKit/UIGraphics.h"
#include "objc/alloc.h"

// Archived as the device does: "UIColorComponentCount" 4 with "UIRed", "UIGreen",
// "UIBlue", "UIAlpha", or 2 with "UIWhite", "UIAlpha" for grey colours.
namespace {

void colorEncode(NSObject* self, SEL, NSCoder* coder) {
  auto* color = static_cast<UIColor*>(self);
  CGFloat r = 0, g = 0, b = 0, a = 0;
  if (color->getWhiteAlpha(&r, &a)) {
    coder->encodeIntegerForKey(2, NSSTR("UIColorComponentCount"));
    coder->encodeDoubleForKey(r, NSSTR("UIWhite"));
  } else {
    color->getRedGreenBlueAlpha(&r, &g, &b, &a);
    coder->encodeIntegerForKey(4, NSSTR("UIColorComponentCount"));
    coder->encodeDoubleForKey(r, NSSTR("UIRed"));
    coder->encodeDoubleForKey(g, NSSTR("UIGreen"));
    coder->encodeDoubleForKey(b, NSSTR("UIBlue"));
  }
  coder->encodeDoubleForKey(a, NSSTR("UIAlpha"));
}

id colorInitWithCoder(NSObject*, SEL, NSCoder* coder) {
  CGFloat a = coder->containsValueForKey(NSSTR("UIAlpha"))
                  ? coder->decodeDoubleForKey(NSSTR("UIAlpha"))
                  : 1;
  if (coder->decodeIntegerForKey(NSSTR("UIColorComponentCount")) == 2 ||
      (coder->containsValueForKey(NSSTR("UIWhite")) && !coder->containsValueForKey(NSSTR("UIRed"))))
    return UIColor::colorWithWhiteAlpha(coder->decodeDoubleForKey(NSSTR("UIWhite")), a);
  return UIColor::colorWithRedGreenBlueAlpha(coder->decodeDoubleForKey(NSSTR("UIRed")),
                                             coder->decodeDoubleForKey(NSSTR("UIGreen")),
                                             coder->decodeDoubleForKey(NSSTR("UIBlue")), a);
}

// initWithCoder: answers a new colour; one placeholder serves every decode.
id colorPlaceholder() {
  static const id placeholder = UIColor::blackColor();
  return placeholder;
}

// Borrowed: the UIColor keeps its Core Graphics colour; a sender that keeps the colour
// beyond the UIColor retains it.
CGColor* colorCGColor(NSObject* self, SEL) {
  return static_cast<UIColor*>(self)->CGColor().get();
}

}  // namespace

OBJC_CLASS_IMPL(UIColor) {
  class_addMethod(cls, OBJC_SEL("CGColor"), objc::method<&colorCGColor>());
  objc::registerAllocWith<&colorPlaceholder>(cls);
  class_addMethod(cls, OBJC_SEL("encodeWithCoder:"), objc::method<&colorEncode>());
  class_addMethod(cls, OBJC_SEL("initWithCoder:"), objc::method<&colorInitWithCoder>());
}

UIColor::UIColor(CGFloat r, CGFloat g, CGFloat b, CGFloat a, bool gray)
    : r_(r), g_(g), b_(b), a_(a), gray_(gray) {
  cgColor_ = gray ? CGColorCreateGenericGray(r, a) : CGColorCreateGenericRGB(r, g, b, a);
}

UIColor::UIColor(const CGColorRef& color) : gray_(false) {
  CGFloat rgba[4] = {0, 0, 0, 0};
  if (color) {
    color->getRGBA(rgba);
    gray_ = color->colorSpace()->model() == kCGColorSpaceModelMonochrome;
  }
  r_ = rgba[0], g_ = rgba[1], b_ = rgba[2], a_ = rgba[3];
  cgColor_ = color ? color : CGColorCreateGenericRGB(0, 0, 0, 0);
}

Strong<UIColor> UIColor::colorWithRedGreenBlueAlpha(CGFloat r, CGFloat g, CGFloat b, CGFloat a) {
  return std::make_shared<UIColor>(r, g, b, a, false);
}
Strong<UIColor> UIColor::colorWithWhiteAlpha(CGFloat white, CGFloat alpha) {
  return std::make_shared<UIColor>(white, white, white, alpha, true);
}
Strong<UIColor> UIColor::colorWithHueSaturationBrightnessAlpha(CGFloat h, CGFloat s, CGFloat v,
                                                               CGFloat a) {
  h = std::fmod(std::isfinite(h) ? h : 0, 1.0);
  if (h < 0) h += 1;
  s = std::clamp(s, 0.0, 1.0);
  v = std::clamp(v, 0.0, 1.0);
  CGFloat h6 = h * 6;
  int i = static_cast<int>(std::floor(h6)) % 6;
  CGFloat f = h6 - std::floor(h6);
  CGFloat p = v * (1 - s), q = v * (1 - s * f), t = v * (1 - s * (1 - f));
  CGFloat rgb[6][3] = {{v, t, p}, {q, v, p}, {p, v, t}, {p, q, v}, {t, p, v}, {v, p, q}};
  return colorWithRedGreenBlueAlpha(rgb[i][0], rgb[i][1], rgb[i][2], a);
}
Strong<UIColor> UIColor::colorWithCGColor(const CGColorRef& color) {
  return color ? std::make_shared<UIColor>(color) : nullptr;
}

// The predefined colours are never destroyed: views may still draw while static
// destructors run at exit.
const Strong<UIColor>& UIColor::blackColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::darkGrayColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(1.0 / 3.0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::lightGrayColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(2.0 / 3.0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::whiteColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(1, 1));
  return *color;
}
const Strong<UIColor>& UIColor::grayColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(0.5, 1));
  return *color;
}
const Strong<UIColor>& UIColor::redColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(1, 0, 0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::greenColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(0, 1, 0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::blueColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(0, 0, 1, 1));
  return *color;
}
const Strong<UIColor>& UIColor::cyanColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(0, 1, 1, 1));
  return *color;
}
const Strong<UIColor>& UIColor::yellowColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(1, 1, 0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::magentaColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(1, 0, 1, 1));
  return *color;
}
const Strong<UIColor>& UIColor::orangeColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(1, 0.5, 0, 1));
  return *color;
}
const Strong<UIColor>& UIColor::purpleColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(0.5, 0, 0.5, 1));
  return *color;
}
const Strong<UIColor>& UIColor::brownColor() {
  static const auto* color = new Strong<UIColor>(colorWithRedGreenBlueAlpha(0.6, 0.4, 0.2, 1));
  return *color;
}
const Strong<UIColor>& UIColor::clearColor() {
  static const auto* color = new Strong<UIColor>(colorWithWhiteAlpha(0, 0));
  return *color;
}

bool UIColor::getRedGreenBlueAlpha(CGFloat* r, CGFloat* g, CGFloat* b, CGFloat* a) const {
  if (r) *r = r_;
  if (g) *g = g_;
  if (b) *b = b_;
  if (a) *a = a_;
  return true;
}

bool UIColor::getWhiteAlpha(CGFloat* white, CGFloat* alpha) const {
  if (!gray_) return false;
  if (white) *white = r_;
  if (alpha) *alpha = a_;
  return true;
}

bool UIColor::getHueSaturationBrightnessAlpha(CGFloat* h, CGFloat* s, CGFloat* v,
                                              CGFloat* a) const {
  CGFloat mx = std::max({r_, g_, b_}), mn = std::min({r_, g_, b_}), d = mx - mn;
  CGFloat hue = 0;
  if (d > 0) {
    if (mx == r_)
      hue = std::fmod((g_ - b_) / d, 6.0);
    else if (mx == g_)
      hue = (b_ - r_) / d + 2;
    else
      hue = (r_ - g_) / d + 4;
    hue /= 6;
    if (hue < 0) hue += 1;
  }
  if (h) *h = hue;
  if (s) *s = mx > 0 ? d / mx : 0;
  if (v) *v = mx;
  if (a) *a = a_;
  return true;
}

Strong<UIColor> UIColor::colorWithAlphaComponent(CGFloat alpha) const {
  return std::make_shared<UIColor>(r_, g_, b_, alpha, gray_);
}

void UIColor::set() const {
  setFill();
  setStroke();
}
void UIColor::setFill() const {
  CGContextSetFillColorWithColor(UIGraphicsGetCurrentContext(), cgColor_);
}
void UIColor::setStroke() const {
  CGContextSetStrokeColorWithColor(UIGraphicsGetCurrentContext(), cgColor_);
}

BOOL UIColor::isEqual(const NSObject* other) const {
  auto* o = objc_cast<UIColor>(other);
  return o && o->r_ == r_ && o->g_ == g_ && o->b_ == b_ && o->a_ == a_;
}

std::size_t UIColor::hash() const {
  std::hash<CGFloat> h;
  return ((h(r_) * 31 + h(g_)) * 31 + h(b_)) * 31 + h(a_);
}

std::string UIColor::description() const {
  char buf[96];
  if (gray_)
    std::snprintf(buf, sizeof buf, "UIExtendedGrayColorSpace %g %g", r_, a_);
  else
    std::snprintf(buf, sizeof buf, "UIExtendedSRGBColorSpace %g %g %g %g", r_, g_, b_, a_);
  return buf;
}
