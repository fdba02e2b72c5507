#include "text/text_parse.h"

#include <cctype>
#include <charconv>
#include <limits>
#include <system_error>

namespace suite::text {
namespace {

bool isSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}


char upperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::int32_t parseIntLenient(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // Accumulate in 64 bits and stop growing once past the 32-bit range.
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  std::int64_t value = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) {
    if (value <= kLimit) value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
  if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(value);
}

double parseDoubleLenient(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && isSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  // from_chars takes no '+' sign and no leading blanks; both are handled above.
  // A second sign after the first is not a number, as with atof.
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return 0.0;
  double value = 0.0;
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  const auto result = std::from_chars(first, last, value, std::chars_format::general);
  if (result.ec == std::errc::invalid_argument) return 0.0;
  if (result.ec == std::errc::result_out_of_range) {
    // atof gives +-HUGE_VAL on overflow and 0 (or a denormal) on underflow.
    std::size_t e = i;
    while (e < text.size() && (isDigit(text[e]) || text[e] == '.')) ++e;
    bool tiny = false;
    if (e < text.size() && (text[e] == 'e' || text[e] == 'E')) {
      tiny = parseIntLenient(text.substr(e + 1)) < 0;
    }
    value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return negative ? -value : value;
}

bool isDecimalNumber(std::string_view text) {
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  std::size_t digits = 0;
  for (; i < text.size() && isDigit(text[i]); ++i) ++digits;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && isDigit(text[i]); ++i) ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size() || !isDigit(text[i])) return false;
    while (i < text.size() && isDigit(text[i])) ++i;
  }
  return i == text.size();
}

std::string_view fieldOf(std::string_view line, int n, char separator) {
  if (n < 1) return {};
  std::size_t start = 0;
  for (int k = 1; k < n; ++k) {
    const std::size_t sep = line.find(separator, start);
    if (sep == std::string_view::npos) return {};
    start = sep + 1;
  }
  const std::size_t end = line.find(separator, start);
  return line.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
}

std::string_view trimTrailingSpace(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0) {
    const char c = text[end - 1];
    if (c != ' ' && c != '\t' && c != '\r' && c != '\n') break;
    --end;
  }
  return text.substr(0, end);
}

bool namesEqualIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (upperAscii(a[i]) != upperAscii(b[i])) return false;
  }
  return true;
}

}  // namespace suite::text
