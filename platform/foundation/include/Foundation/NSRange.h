// NSRange: a span of UTF-16 indices (or of any ordered items), unsigned.
#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

class NSString;

struct NIMBRA_FOUNDATION_API NSRange {
  NSUInteger location = 0;
  NSUInteger length = 0;
  friend bool operator==(const NSRange&, const NSRange&) = default;
};
using NSRangePointer = NSRange*;

inline NSRange NSMakeRange(NSUInteger location, NSUInteger length) {
  return {location, length};
}
// Saturates rather than wrapping for ranges that reach past the largest index.
inline NSUInteger NSMaxRange(NSRange r) {
  return r.length > UINT64_MAX - r.location ? UINT64_MAX : r.location + r.length;
}
inline BOOL NSLocationInRange(NSUInteger loc, NSRange r) {
  return loc >= r.location && loc - r.location < r.length;
}
inline BOOL NSEqualRanges(NSRange a, NSRange b) {
  return a == b;
}
// {0, 0} when the ranges do not overlap.
NIMBRA_FOUNDATION_API NSRange NSIntersectionRange(NSRange a, NSRange b);
NIMBRA_FOUNDATION_API NSRange NSUnionRange(NSRange a, NSRange b);
// "{location, length}"
NIMBRA_FOUNDATION_API Strong<NSString> NSStringFromRange(NSRange r);
