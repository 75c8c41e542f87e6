// Points in time for dispatch: nanoseconds on the monotonic clock.
#pragma once

#include <cstdint>

#include "dispatch/DispatchExport.h"

using dispatch_time_t = uint64_t;

inline constexpr dispatch_time_t DISPATCH_TIME_NOW = 0;
inline constexpr dispatch_time_t DISPATCH_TIME_FOREVER = ~0ull;

inline constexpr uint64_t NSEC_PER_SEC = 1000000000ull;
inline constexpr uint64_t NSEC_PER_MSEC = 1000000ull;
inline constexpr uint64_t USEC_PER_SEC = 1000000ull;
inline constexpr uint64_t NSEC_PER_USEC = 1000ull;

// `when` plus `delta` nanoseconds; DISPATCH_TIME_NOW stands for the current time.
// DISPATCH_TIME_FOREVER stays forever; a sum past the clock's range is FOREVER, and one
// before the clock's start is the earliest time (already past).
NIMBRA_DISPATCH_API dispatch_time_t dispatch_time(dispatch_time_t when, int64_t delta);

namespace nimbra::dispatch {
// The monotonic clock in nanoseconds, as dispatch_time measures it.
NIMBRA_DISPATCH_API uint64_t monotonicNow();
}  // namespace nimbra::dispatch
