// Lenient number and field parsing for the suite's text inputs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace suite::text {

/// An ASCII digit, whatever the locale.
constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// Reads an integer the way C's atoi does: leading white space skipped, an
/// optional sign, then decimal digits up to the first non-digit. Text without
/// digits gives 0. Unlike atoi, values beyond the 32-bit range saturate at
/// INT32_MIN / INT32_MAX instead of being undefined.
std::int32_t parseIntLenient(std::string_view text);

/// Reads a number the way C's atof does (leading white space, sign, decimal or
/// exponent form, "inf", "nan"); text without a numeric prefix gives 0.0.
/// Always uses "." as decimal point, whatever the C locale says.
double parseDoubleLenient(std::string_view text);

/// True when the whole of \a text is one decimal number (an optional sign,
/// digits with an optional "." and exponent), so that parseDoubleLenient
/// reads all of it; "0,5", "abc", "" and "1x" are not.
bool isDecimalNumber(std::string_view text);

/// The n-th field (counted from 1) of \a line split at \a separator: the text
/// between the (n-1)-th and the n-th separator, the last field running to the
/// end of the line. Empty when the line has fewer than n fields (or n < 1).
std::string_view fieldOf(std::string_view line, int n, char separator = ';');

/// \a text without trailing blanks, tabs, carriage returns and line feeds.
std::string_view trimTrailingSpace(std::string_view text);

/// True when both names are equal after mapping ASCII a-z to upper case;
/// other characters (blanks included) must match exactly.
bool namesEqualIgnoreCase(std::string_view a, std::string_view b);

}  // namespace suite::text
