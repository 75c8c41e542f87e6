// UIKit's geometry additions.
#pragma once

#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSValue.h"

struct UIEdgeInsets {
  CGFloat top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const UIEdgeInsets&) const = default;
};

struct UIOffset {
  CGFloat horizontal = 0, vertical = 0;
  bool operator==(const UIOffset&) const = default;
};

extern const UIEdgeInsets UIEdgeInsetsZero;
extern const UIOffset UIOffsetZero;

inline UIEdgeInsets UIEdgeInsetsMake(CGFloat top, CGFloat left, CGFloat bottom, CGFloat right) {
  return UIEdgeInsets{top, left, bottom, right};
}
inline UIOffset UIOffsetMake(CGFloat h, CGFloat v) {
  return UIOffset{h, v};
}
inline bool UIEdgeInsetsEqualToEdgeInsets(UIEdgeInsets a, UIEdgeInsets b) {
  return a == b;
}
// x + left, y + top, width - (left + right), height - (top + bottom); no clamping.
CGRect UIEdgeInsetsInsetRect(CGRect rect, UIEdgeInsets insets);

// The device's string forms, "{x, y}", "{{x, y}, {w, h}}", "{top, left, bottom, right}".
std::string NSStringFromCGPoint(CGPoint p);
std::string NSStringFromCGSize(CGSize s);
std::string NSStringFromCGRect(CGRect r);
std::string NSStringFromUIEdgeInsets(UIEdgeInsets i);
// Unparsable text gives zeros.
CGPoint CGPointFromString(const std::string& s);
CGSize CGSizeFromString(const std::string& s);
CGRect CGRectFromString(const std::string& s);
UIEdgeInsets UIEdgeInsetsFromString(const std::string& s);

// Insets boxed for attribute values and collections, type "{UIEdgeInsets=dddd}".
inline constexpr const char* UIEdgeInsetsObjCType = "{UIEdgeInsets=dddd}";
Strong<NSValue> NSValueWithUIEdgeInsets(UIEdgeInsets insets);
// Zeros for none or a value of another type.
UIEdgeInsets UIEdgeInsetsValue(const NSValue* value);
