// Line-by-line reading of the suite's text inputs.
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

namespace suite::text {

/// Reads text in lines of at most kMaxLineLength characters (or the length
/// given), keeping the line feed that ends a line (as C's fgets with a
/// 1024-byte buffer does). A longer line comes out as several lines. The one
/// difference to fgets: when a piece of exactly the maximum length is
/// directly followed by its line feed, that line feed belongs to the piece,
/// so a line of 1023 characters is read as one line and not as that line plus
/// a spurious empty one.
class LineReader {
 public:
  static constexpr std::size_t kMaxLineLength = 1023;

  explicit LineReader(std::istream& in, std::size_t maxLength = kMaxLineLength)
      : in_(in), maxLength_(maxLength) {}

  /// Reads the next line into \a line. False at end of input (nothing read) or
  /// on a read error (see failed()).
  bool next(std::string& line);

  /// True when the underlying stream reported a read error (not end of file).
  bool failed() const { return in_.bad(); }

 private:
  std::istream& in_;
  std::size_t maxLength_;
};

/// \a line without its line feed and a carriage return before it, so that
/// files with Windows line ends read like the others.
std::string_view withoutLineEnd(std::string_view line);

/// Bounds on a text input read in lines: an input beyond them is refused
/// instead of read, so that binary or endless input ends at once and in
/// bounded memory.
struct TextBounds {
  std::size_t maxLines;          ///< lines as LineReader gives them (pieces)
  bool refuseLongLines = false;  ///< refuse a line longer than kMaxLineLength
};

/// A LineReader that refuses input with a NUL byte (binary data), with more
/// than \a bounds.maxLines lines and, when asked, with a line longer than
/// LineReader::kMaxLineLength characters (line feed and carriage return not
/// counted). next() is false once the input is refused; refusal() says why.
class BoundedLineReader {
 public:
  BoundedLineReader(std::istream& in, TextBounds bounds) : lines_(in), bounds_(bounds) {}

  bool next(std::string& line);
  /// A read error of the stream (not end of file).
  bool failed() const { return lines_.failed(); }
  /// Why the input was refused, for a message after its name ("not a text
  /// file (NUL byte in line 3)", "more than 1000 lines", "line 2 is longer
  /// than 1023 characters"); empty when it was not.
  const std::string& refusal() const { return refusal_; }

 private:
  LineReader lines_;
  TextBounds bounds_;
  std::size_t count_ = 0;
  bool continued_ = false;  ///< the last piece ended without its line feed
  std::string refusal_;
};

/// \a line without one trailing line feed, or failing that one trailing
/// carriage return.
std::string_view chompLine(std::string_view line);

}  // namespace suite::text
