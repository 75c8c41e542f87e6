// Conversion of a decoded or caller-given floating-point number to an integer type.
// A plain cast of a value the type cannot hold (1e300, infinity, NaN) is undefined
// behaviour, and archives, property lists and touch positions can hold any double, so
// every such conversion goes through here: the value is truncated toward zero as a C
// cast would, held at the type's limits when it does not fit, and NaN is 0. This is
// what NSNumber's accessors answer for a real.
#pragma once

#include <cmath>
#include <limits>
#include <type_traits>

namespace nimbra {

template <class Integer>
constexpr Integer saturatingCast(double value) {
  static_assert(std::is_integral_v<Integer>, "saturatingCast converts to integer types");
  using Limits = std::numeric_limits<Integer>;
  if (value != value) return 0;  // NaN
  // The limits as doubles: min() is a power of two (or zero), so it converts exactly;
  // max() + 1 is a power of two too, and any double below it fits.
  constexpr double kBelowMin = static_cast<double>(Limits::min());
  constexpr double kPastMax = static_cast<double>(Limits::max() / 2 + 1) * 2.0;
  if (value >= kPastMax) return Limits::max();
  if (value <= kBelowMin) return Limits::min();
  if constexpr (!std::is_signed_v<Integer>) {
    if (value <= -1) return 0;  // (-1, 0) truncates to 0 and is fine
  }
  return static_cast<Integer>(value);
}

}  // namespace nimbra
