// Fuzz target: the converter's melody table reader on arbitrary text, and
// every melody it reads through the table (with and without segmentation),
// plot table and note-list writers. Checks what callers rely on: a failure
// carries a message unless the first line has no "/", a melody has notes, a
// usable resolution and tempo and a tatum; and a table it writes reads back
// with the pitches of its sounding notes.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"
#include "tuneport/formats/plot_table.h"
#include "tuneport/model/validation.h"

namespace {

using suite::tuneport::model::ConverterMelody;

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::int32_t> soundingPitches(const ConverterMelody& m) {
  std::vector<std::int32_t> out;
  for (const auto& n : m.notes)
    if (suite::tuneport::model::isSounding(n.pitch)) out.push_back(n.pitch);
  return out;
}

// Times a table writes in fixed notation with a few digits and reads back.
bool moderateTimes(const ConverterMelody& m) {
  for (const auto& n : m.notes)
    if (std::fabs(n.onsetMs) > 1e9 || std::fabs(n.durationMs) > 1e9) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  ConverterMelody melody;
  std::string error;
  if (!suite::tuneport::formats::readMelodyTable(in, "f.csv", melody, error)) {
    // Only a first line without "/" fails without a message.
    const std::string firstLine = text.substr(0, std::min<std::size_t>(text.find('\n'), 1023));
    check(!error.empty() || firstLine.find('/') == std::string::npos);
    check(melody.empty());
    return 0;
  }
  check(!melody.empty());
  check(suite::tuneport::model::validTicksPerBeat(melody.ticksPerBeat));
  check(suite::tuneport::model::validTempo(melody.tempo()));
  check(melody.tatumDone && melody.tatum >= 1);

  const std::string table = suite::tuneport::formats::melodyTableText(melody, false);
  (void)suite::tuneport::formats::melodyTableText(melody, true);
  (void)suite::tuneport::formats::plotTableText(melody);
  (void)suite::tuneport::formats::noteListText(melody);

  const std::vector<std::int32_t> pitches = soundingPitches(melody);
  if (pitches.empty() || !moderateTimes(melody)) return 0;
  std::istringstream written(table);
  ConverterMelody back;
  check(suite::tuneport::formats::readMelodyTable(written, "g.csv", back, error));
  check(back.pitches() == pitches);
  return 0;
}
