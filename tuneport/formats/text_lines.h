// Small line helpers shared by the converter's text formats.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace suite::tuneport::formats {

constexpr bool isDigit(char c) { return c >= '0' && c <= '9'; }

/// \a line without its line feed and a carriage return before it, so that
/// files with Windows line ends read like the others.
std::string_view withoutLineEnd(std::string_view line);

/// Reads the next line of at most \a maxLength characters into \a line,
/// keeping its line feed; a longer line comes out in pieces (a line feed that
/// directly follows a full piece belongs to it). False at the end of the
/// input (nothing read) or on a read error (then in.bad()).
bool nextLine(std::istream& in, std::string& line, std::size_t maxLength);

}  // namespace suite::tuneport::formats
