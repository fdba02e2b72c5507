#include "support/hex_bytes.h"

#include <cstddef>
#include <stdexcept>
#include <string>

namespace suite::test {
namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

[[noreturn]] void fail(const std::string& what, std::size_t at) {
  throw std::invalid_argument("hex fixture: " + what + " at offset " + std::to_string(at));
}

}  // namespace

std::vector<std::uint8_t> hexBytes(std::string_view text) {
  std::vector<std::uint8_t> bytes;
  std::vector<std::size_t> openBrackets;  // positions of the length fields to fill in
  std::size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
      ++i;
    } else if (c == ';' || c == '#') {
      while (i < text.size() && text[i] != '\n') ++i;
    } else if (c == '"') {
      const std::size_t end = text.find('"', i + 1);
      if (end == std::string_view::npos) fail("unterminated text", i);
      for (std::size_t k = i + 1; k < end; ++k) bytes.push_back(static_cast<std::uint8_t>(text[k]));
      i = end + 1;
    } else if (c == '[') {
      openBrackets.push_back(bytes.size());
      bytes.insert(bytes.end(), 4, 0);
      ++i;
    } else if (c == ']') {
      if (openBrackets.empty()) fail("unmatched ]", i);
      const std::size_t at = openBrackets.back();
      openBrackets.pop_back();
      const std::size_t length = bytes.size() - at - 4;
      for (std::size_t k = 0; k < 4; ++k) {
        bytes[at + k] = static_cast<std::uint8_t>((length >> (8 * (3 - k))) & 0xFF);
      }
      ++i;
    } else if (hexValue(c) >= 0) {
      std::size_t end = i;
      while (end < text.size() && hexValue(text[end]) >= 0) ++end;
      if ((end - i) % 2 != 0) fail("odd number of hex digits", i);
      for (std::size_t k = i; k < end; k += 2) {
        bytes.push_back(static_cast<std::uint8_t>(hexValue(text[k]) * 16 + hexValue(text[k + 1])));
      }
      i = end;
    } else {
      fail(std::string("unexpected character '") + c + "'", i);
    }
  }
  if (!openBrackets.empty()) fail("unclosed [", openBrackets.back());
  return bytes;
}

}  // namespace suite::test
