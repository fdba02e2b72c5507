// Number formatting that reproduces printf formats and the default notation of
// C++ text streams exactly, independent of the C locale.
#pragma once

#include <string>
#include <string_view>

namespace suite::text {

/// A double in the default notation of a text stream (printf "%.<precision>g"):
/// 61.6, 4, 1e+06, 1.33333, -nan, inf.
std::string formatGeneral(double value, int precision = 6);

/// A double in fixed-point notation with \a decimals digits after the point
/// (printf "%.<decimals>f", e.g. "%1.4f" -> formatFixed(v, 4)).
std::string formatFixed(double value, int decimals);

/// \a text with every "." replaced by ",".
std::string withDecimalComma(std::string text);

}  // namespace suite::text
