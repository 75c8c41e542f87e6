#include "UIKit/UIGeometry.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <vector>

const UIEdgeInsets UIEdgeInsetsZero{};
const UIOffset UIOffsetZero{};

Strong<NSValue> NSValueWithUIEdgeInsets(UIEdgeInsets insets) {
  return NSValue::valueWith(insets, UIEdgeInsetsObjCType);
}

UIEdgeInsets UIEdgeInsetsValue(const NSValue* value) {
  UIEdgeInsets out{};
  if (value && !value->getValue(out, UIEdgeInsetsObjCType)) out = UIEdgeInsets{};
  return out;
}

CGRect UIEdgeInsetsInsetRect(CGRect rect, UIEdgeInsets insets) {
  rect.origin.x += insets.left;
  rect.origin.y += insets.top;
  rect.size.width -= insets.left + insets.right;
  rect.size.height -= insets.top + insets.bottom;
  return rect;
}

namespace {
// The shortest text that reads back as the same double ("0.1", "320").
std::string number(CGFloat v) {
  char buf[32];
  auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}
// The numbers of a "{...}" string in order; empty when the text holds none.
std::vector<CGFloat> numbers(const std::string& s) {
  std::vector<CGFloat> out;
  const char* p = s.c_str();
  while (*p) {
    char* end = nullptr;
    double v = std::strtod(p, &end);
    if (end != p) {
      out.push_back(v);
      p = end;
    } else {
      ++p;
    }
  }
  return out;
}
}  // namespace

std::string NSStringFromCGPoint(CGPoint p) {
  return "{" + number(p.x) + ", " + number(p.y) + "}";
}
std::string NSStringFromCGSize(CGSize s) {
  return "{" + number(s.width) + ", " + number(s.height) + "}";
}
std::string NSStringFromCGRect(CGRect r) {
  return "{" + NSStringFromCGPoint(r.origin) + ", " + NSStringFromCGSize(r.size) + "}";
}
std::string NSStringFromUIEdgeInsets(UIEdgeInsets i) {
  return "{" + number(i.top) + ", " + number(i.left) + ", " + number(i.bottom) + ", " +
         number(i.right) + "}";
}
CGPoint CGPointFromString(const std::string& s) {
  auto n = numbers(s);
  return n.size() >= 2 ? CGPoint{n[0], n[1]} : CGPointZero;
}
CGSize CGSizeFromString(const std::string& s) {
  auto n = numbers(s);
  return n.size() >= 2 ? CGSize{n[0], n[1]} : CGSizeZero;
}
CGRect CGRectFromString(const std::string& s) {
  auto n = numbers(s);
  return n.size() >= 4 ? CGRectMake(n[0], n[1], n[2], n[3]) : CGRectZero;
}
UIEdgeInsets UIEdgeInsetsFromString(const std::string& s) {
  auto n = numbers(s);
  return n.size() >= 4 ? UIEdgeInsets{n[0], n[1], n[2], n[3]} : UIEdgeInsetsZero;
}
