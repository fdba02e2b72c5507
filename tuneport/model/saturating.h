// Integer helpers for tick arithmetic on values that come from outside files:
// results saturate at the limits of their type instead of overflowing.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

namespace suite::tuneport::model {

inline constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
inline constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

/// \a value limited to the 32-bit range.
constexpr std::int32_t clampToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

/// floor(\a value) limited to the 32-bit range; NaN gives 0.
inline std::int32_t floorToInt32(double value) {
  if (std::isnan(value)) return 0;
  const double f = std::floor(value);
  if (f <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  if (f >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(f);
}

/// floor(\a value) limited to the 64-bit range; NaN gives 0.
inline std::int64_t floorToInt64(double value) {
  if (std::isnan(value)) return 0;
  const double f = std::floor(value);
  // 2^63 is exactly representable; anything at or beyond it saturates.
  if (f >= 9223372036854775808.0) return kInt64Max;
  if (f <= -9223372036854775808.0) return kInt64Min;
  return static_cast<std::int64_t>(f);
}

inline std::int64_t saturatingAdd(std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  if (__builtin_add_overflow(a, b, &r)) return b > 0 ? kInt64Max : kInt64Min;
  return r;
}

inline std::int64_t saturatingSub(std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  if (__builtin_sub_overflow(a, b, &r)) return b < 0 ? kInt64Max : kInt64Min;
  return r;
}

inline std::int64_t saturatingMul(std::int64_t a, std::int64_t b) {
  std::int64_t r = 0;
  if (__builtin_mul_overflow(a, b, &r)) return (a < 0) == (b < 0) ? kInt64Max : kInt64Min;
  return r;
}

/// a / b rounded towards negative infinity; \a b must be positive.
constexpr std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  const std::int64_t q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace suite::tuneport::model
