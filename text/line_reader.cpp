#include "text/line_reader.h"

#include <string_view>

namespace suite::text {

bool LineReader::next(std::string& line) {
  line.clear();
  std::streambuf* buf = in_.rdbuf();
  if (buf == nullptr || !in_.good()) return false;
  using Traits = std::char_traits<char>;
  while (line.size() < maxLength_) {
    const Traits::int_type c = buf->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
      in_.setstate(std::ios::eofbit);
      return !line.empty();
    }
    line.push_back(Traits::to_char_type(c));
    if (line.back() == '\n') return true;
  }
  // A full piece: take its line feed along when it follows directly.
  if (Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('\n'))) {
    buf->sbumpc();
    line.push_back('\n');
  }
  return true;
}

std::string_view withoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool BoundedLineReader::next(std::string& line) {
  if (!refusal_.empty() || !lines_.next(line)) return false;
  ++count_;
  const bool continuation = continued_;
  continued_ = line.back() != '\n';
  // Of a continued line: beyond the first piece.
  const std::string_view rest = withoutLineEnd(line);
  if (line.find('\0') != std::string::npos) {
    refusal_ = "not a text file (NUL byte in line " + std::to_string(count_) + ")";
  } else if (bounds_.refuseLongLines && continuation && !rest.empty()) {
    refusal_ = "line " + std::to_string(count_ - 1) + " is longer than " +
               std::to_string(LineReader::kMaxLineLength) + " characters";
  } else if (count_ > bounds_.maxLines) {
    refusal_ = "more than " + std::to_string(bounds_.maxLines) + " lines";
  }
  if (refusal_.empty()) return true;
  line.clear();
  return false;
}

std::string_view chompLine(std::string_view line) {
  if (!line.empty() && line.back() == '\n') return line.substr(0, line.size() - 1);
  if (!line.empty() && line.back() == '\r') return line.substr(0, line.size() - 1);
  return line;
}

}  // namespace suite::text
