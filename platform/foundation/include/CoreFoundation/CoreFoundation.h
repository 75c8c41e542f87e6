#pragma once

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFString.h"
#if __has_include("CoreFoundation/CFNotificationCenter.h")
#include "CoreFoundation/CFNotificationCenter.h"
#endif
#if __has_include("CoreFoundation/CFRunLoop.h")
#include "CoreFoundation/CFRunLoop.h"
#endif
