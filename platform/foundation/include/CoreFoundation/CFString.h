#pragma once

#include "CoreFoundation/CFBase.h"
#include "Foundation/NSString.h"

inline CFIndex CFStringGetLength(const CFStringRef& s) {
  return s ? static_cast<CFIndex>(s->length()) : 0;
}
