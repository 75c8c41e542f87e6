// Core Foundation's basic types. Ref types are Strong<> of the Foundation objects they
// are toll-free bridged with.
#pragma once

#include "Foundation/FoundationExport.h"
#include "Foundation/NSObjCRuntime.h"

using CFIndex = long;
using CFTypeRef = Strong<NSObject>;
using Boolean = bool;

inline constexpr CFIndex kCFNotFound = -1;

struct NIMBRA_FOUNDATION_API CFRange {
  CFIndex location = 0;
  CFIndex length = 0;
  friend bool operator==(const CFRange&, const CFRange&) = default;
};
inline CFRange CFRangeMake(CFIndex location, CFIndex length) {
  return {location, length};
}

class NSString;
class NSArray;
class NSMutableArray;
class NSDictionary;
class NSMutableDictionary;
class NSNumber;
class NSData;
class NSURL;
using CFStringRef = Strong<NSString>;
using CFMutableStringRef = Strong<class NSMutableString>;
using CFArrayRef = Strong<NSArray>;
using CFMutableArrayRef = Strong<NSMutableArray>;
using CFDictionaryRef = Strong<NSDictionary>;
using CFMutableDictionaryRef = Strong<NSMutableDictionary>;
using CFNumberRef = Strong<NSNumber>;
using CFDataRef = Strong<NSData>;
using CFURLRef = Strong<NSURL>;

// The owner lets go; kept so device code reads the same.
template <class T>
inline void CFRelease(const T&) {}
template <class T>
inline T CFRetain(const T& v) {
  return v;
}

// The platform's Core Foundation version. Code that behaves differently on older
// platforms compares against it; a test may lower it to see that behaviour.
inline constexpr double kCFCoreFoundationVersionNumber_iOS_7_0 = 847.20;
NIMBRA_FOUNDATION_API extern double kCFCoreFoundationVersionNumber;
