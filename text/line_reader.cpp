#include "text/line_reader.h"

#include <string_view>

namespace suite::text {

bool LineReader::next(std::string& line) {
  line.clear();
  std::streambuf* buf = in_.rdbuf();
  if (buf == nullptr || !in_.good()) return false;
  using Traits = std::char_traits<char>;
  while (line.size() < kMaxLineLength) {
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

std::string_view chompLine(std::string_view line) {
  if (!line.empty() && line.back() == '\n') return line.substr(0, line.size() - 1);
  if (!line.empty() && line.back() == '\r') return line.substr(0, line.size() - 1);
  return line;
}

}  // namespace suite::text
