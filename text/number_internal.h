// Integer conversions of the number routines with the results a 32-bit
// Windows build gives, defined for every input.
#pragma once

#include <cmath>
#include <cstdint>

namespace kavro::text {

// A double truncated toward zero to a 32-bit int; NaN and values outside
// the int range give INT32_MIN, as the x86 conversion instruction does.
inline int32_t TruncateToInt32(double value) {
  if (!(value > -2147483649.0 && value < 2147483648.0)) return INT32_MIN;
  return static_cast<int32_t>(value);
}

// 32-bit sums and products that wrap instead of overflowing.
inline int32_t WrappingAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline int32_t WrappingMultiply(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) * static_cast<uint32_t>(b));
}

}  // namespace kavro::text
