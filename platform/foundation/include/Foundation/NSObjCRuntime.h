// Basic scalar types and constants every Foundation header shares.
#pragma once

#include <cstdint>

#include "objc/NSException.h"
#include "objc/NSObject.h"
#include "objc/runtime.h"

using NSInteger = int64_t;
using NSUInteger = uint64_t;
using CGFloat = double;
using NSTimeInterval = double;
using unichar = char16_t;

inline constexpr NSInteger NSIntegerMax = INT64_MAX;
inline constexpr NSInteger NSIntegerMin = INT64_MIN;
inline constexpr NSUInteger NSUIntegerMax = UINT64_MAX;
inline constexpr NSInteger NSNotFound = NSIntegerMax;

using NSComparisonResult = NSInteger;
inline constexpr NSComparisonResult NSOrderedAscending = -1;
inline constexpr NSComparisonResult NSOrderedSame = 0;
inline constexpr NSComparisonResult NSOrderedDescending = 1;
