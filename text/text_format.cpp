#include "text/text_format.h"

#include <array>
#include <charconv>
#include <cmath>

namespace suite::text {
namespace {

// printf spells the special values "inf", "-inf", "nan" and "-nan"; to_chars
// agrees for all four, but is kept away from them so the spelling is ours.
bool specialValue(double value, std::string& out) {
  if (std::isnan(value)) {
    out = std::signbit(value) ? "-nan" : "nan";
    return true;
  }
  if (std::isinf(value)) {
    out = value < 0 ? "-inf" : "inf";
    return true;
  }
  return false;
}

}  // namespace

std::string formatGeneral(double value, int precision) {
  std::string out;
  if (specialValue(value, out)) return out;
  std::array<char, 64> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                    std::chars_format::general, precision);
  return std::string(buf.data(), result.ptr);
}

std::string formatFixed(double value, int decimals) {
  std::string out;
  if (specialValue(value, out)) return out;
  // Fixed notation of a double can need over 300 digits before the point.
  std::array<char, 400> buf{};
  const auto result = std::to_chars(buf.data(), buf.data() + buf.size(), value,
                                    std::chars_format::fixed, decimals);
  return std::string(buf.data(), result.ptr);
}

std::string withDecimalComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

}  // namespace suite::text
