// Fuzz target: the file-list reader on arbitrary bytes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  std::ostringstream sink;
  std::vector<std::string> names;
  // Refused exactly when a NUL byte, a line of more than 1023 characters
  // (line feed and one carriage return before it not counted) or too many
  // lines show binary or endless input.
  bool refusable = text.find('\0') != std::string::npos;
  std::size_t lines = 0;
  for (std::size_t start = 0; start < text.size(); ++lines) {
    std::size_t end = std::min(text.find('\n', start), text.size());
    const std::size_t next = end + 1;
    if (end > start && text[end - 1] == '\r') --end;
    refusable = refusable || end - start > 1023;
    start = next;
  }
  refusable = refusable || lines > suite::core::kMaxFileListLines;
  if (suite::core::readFileList(in, "fuzz.lst", names, sink) == refusable) std::abort();
  if (refusable && !names.empty()) std::abort();
  for (const std::string& name : names) {
    // Names are never empty, never start a comment and carry no trailing blanks.
    if (name.empty() || name.front() == ';' || name.size() > 1023) std::abort();
    const char last = name.back();
    if (last == ' ' || last == '\t' || last == '\r' || last == '\n') std::abort();
  }
  return 0;
}
