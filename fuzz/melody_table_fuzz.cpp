// Fuzz target: the melody table reader on arbitrary bytes, at several levels.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "core/melody_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The first byte picks the quantisation level, the rest is the file.
  const int levels[] = {24, 1, 2, 3, 5, 7, 12, 48, 0, -3, 1000};
  const int level = size > 0 ? levels[data[0] % (sizeof levels / sizeof levels[0])] : 24;
  const std::string text(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0),
                         size > 0 ? size - 1 : 0);
  std::ostringstream sink;
  suite::core::MelodyReader reader(sink, level);
  reader.verbosity = 1;
  suite::core::Melody melody;
  std::istringstream in(text);
  const bool ok = suite::core::readMelodyTable(reader, in, "fuzz.csv", melody);
  if (!ok && !melody.empty()) std::abort();
  if (ok) {
    // A loaded melody has at least two notes with one onset and position each;
    // durations are at most one per note (fewer when rows are out of order).
    if (melody.size() < 2 || melody.onsets.size() != melody.size() ||
        melody.timeline.size() != melody.size() || melody.durations.size() > melody.size()) {
      std::abort();
    }
    // Everything derived from a loaded melody must stay well defined.
    (void)melody.expandToTatums(sink);
    (void)melody.splitPhrases(sink);
    melody.printMelodySummary(sink, sink);
  }
  return 0;
}
