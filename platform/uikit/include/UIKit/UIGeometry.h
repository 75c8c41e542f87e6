// UIKit's geometry additions.
#pragma once

#include <string>

#include "CoreGraphics/CGGeometry.h"
#include "Foundation/NSValue.h"
#include "UIKit/UIKitExport.h"

struct NIMBRA_UIKIT_API UIEdgeInsets {
  CGFloat top = 0, left = 0, bottom = 0, right = 0;
  bool operator==(const UIEdgeInsets&) const = default;
};

struct NIMBRA_UIKIT_API UIOffset {
  CGFloat horizontal = 0, vertical = 0;
  bool operator==(const UIOffset&) const = default;
};

NIMBRA_UIKIT_API extern const UIEdgeInsets UIEdgeInsetsZero;
NIMBRA_UIKIT_API extern const UIOffset UIOffsetZero;

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
NIMBRA_UIKIT_API CGRect UIEdgeInsetsInsetRect(CGRect rect, UIEdgeInsets insets);

// The device's string forms, "{x, y}", "{{x, y}, {w, h}}", "{top, left, bottom, right}".
NIMBRA_UIKIT_API std::string NSStringFromCGPoint(CGPoint p);
NIMBRA_UIKIT_API std::string NSStringFromCGSize(CGSize s);
NIMBRA_UIKIT_API std::string NSStringFromCGRect(CGRect r);
NIMBRA_UIKIT_API std::string NSStringFromUIEdgeInsets(UIEdgeInsets i);
// Unparsable text gives zeros.
NIMBRA_UIKIT_API CGPoint CGPointFromString(const std::string& s);
NIMBRA_UIKIT_API CGSize CGSizeFromString(const std::string& s);
NIMBRA_UIKIT_API CGRect CGRectFromString(const std::string& s);
NIMBRA_UIKIT_API UIEdgeInsets UIEdgeInsetsFromString(const std::string& s);

// Insets boxed for attribute values and collections, type "{UIEdgeInsets=dddd}".
inline constexpr const char* UIEdgeInsetsObjCType = "{UIEdgeInsets=dddd}";
NIMBRA_UIKIT_API Strong<NSValue> NSValueWithUIEdgeInsets(UIEdgeInsets insets);
// Zeros for none or a value of another type.
NIMBRA_UIKIT_API UIEdgeInsets UIEdgeInsetsValue(const NSValue* value);
