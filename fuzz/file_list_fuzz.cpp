// Fuzz target: the file-list reader on arbitrary bytes.
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
  if (!suite::core::readFileList(in, "fuzz.lst", names, sink)) std::abort();
  for (const std::string& name : names) {
    // Names are never empty, never start a comment and carry no trailing blanks.
    if (name.empty() || name.front() == ';' || name.size() > 1023) std::abort();
    const char last = name.back();
    if (last == ' ' || last == '\t' || last == '\r' || last == '\n') std::abort();
  }
  return 0;
}
