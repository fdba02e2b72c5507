// Line-by-line reading of the suite's text inputs.
#pragma once

#include <cstddef>
#include <istream>
#include <string>

namespace suite::text {

/// Reads text in lines of at most kMaxLineLength characters, keeping the line
/// feed that ends a line (as C's fgets with a 1024-byte buffer does). A longer
/// line comes out as several lines. The one difference to fgets: when a piece
/// of exactly kMaxLineLength characters is directly followed by its line feed,
/// that line feed belongs to the piece, so a line of 1023 characters is read
/// as one line and not as that line plus a spurious empty one.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineLength = 1023;

  explicit LineReader(std::istream& in) : in_(in) {}

  /// Reads the next line into \a line. False at end of input (nothing read) or
  /// on a read error (see failed()).
  bool next(std::string& line);

  /// True when the underlying stream reported a read error (not end of file).
  bool failed() const { return in_.bad(); }

 private:
  std::istream& in_;
};

/// \a line without one trailing line feed, or failing that one trailing
/// carriage return.
std::string_view chompLine(std::string_view line);

}  // namespace suite::text
