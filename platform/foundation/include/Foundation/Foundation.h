// Everything Foundation offers, as the device's umbrella header.
#pragma once

#include "CoreFoundation/CFBase.h"
#include "CoreFoundation/CFString.h"
#include "Foundation/NSArray.h"
#include "Foundation/NSAssertionHandler.h"
#include "Foundation/NSCharacterSet.h"
#include "Foundation/NSData.h"
#include "Foundation/NSDate.h"
#include "Foundation/NSDateFormatter.h"
#include "Foundation/NSDictionary.h"
#include "Foundation/NSError.h"
#include "Foundation/NSFileCoordinator.h"
#include "Foundation/NSFileManager.h"
#include "Foundation/NSLog.h"
#include "Foundation/NSNull.h"
#include "Foundation/NSNumber.h"
#include "Foundation/NSObjCRuntime.h"
#include "Foundation/NSPathUtilities.h"
#include "Foundation/NSProcessInfo.h"
#include "Foundation/NSPropertyListSerialization.h"
#include "Foundation/NSRange.h"
#include "Foundation/NSSet.h"
#include "Foundation/NSString.h"
#include "Foundation/NSTextCheckingResult.h"
#include "Foundation/NSTimeZone.h"
#include "Foundation/NSURL.h"
#include "Foundation/NSValue.h"
#include "Foundation/arc4random.h"
#if __has_include("Foundation/NSAttributedString.h")
#include "Foundation/NSAttributedString.h"
#endif
#if __has_include("CoreFoundation/CFNotificationCenter.h")
#include "CoreFoundation/CFNotificationCenter.h"
#endif
