#include "tuneport/formats/text_lines.h"

namespace suite::tuneport::formats {

std::string_view withoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool nextLine(std::istream& in, std::string& line, std::size_t maxLength) {
  line.clear();
  std::streambuf* buf = in.rdbuf();
  if (buf == nullptr || !in.good()) return false;
  using Traits = std::char_traits<char>;
  while (line.size() < maxLength) {
    const Traits::int_type c = buf->sbumpc();
    if (Traits::eq_int_type(c, Traits::eof())) {
      in.setstate(std::ios::eofbit);
      return !line.empty();
    }
    line.push_back(Traits::to_char_type(c));
    if (line.back() == '\n') return true;
  }
  if (Traits::eq_int_type(buf->sgetc(), Traits::to_int_type('\n'))) {
    buf->sbumpc();
    line.push_back('\n');
  }
  return true;
}

}  // namespace suite::tuneport::formats
