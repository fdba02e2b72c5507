// Fuzz target: the note-list reader on arbitrary text (the first byte picks
// the tempo), and every melody it reads through the note-list and table
// writers. Checks: a failure carries a message and leaves the melody alone;
// a melody has entries with onsets that rise, durations of at least 0 and a
// tatum; the note list it writes reads back with the pitches of its notes.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"

namespace {

using suite::tuneport::model::ConverterMelody;

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::int32_t> pitchedNotes(const ConverterMelody& m) {
  std::vector<std::int32_t> out;
  for (const auto& n : m.notes)
    if (n.pitch >= 1 && n.pitch <= 127) out.push_back(n.pitch);
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  suite::tuneport::model::ConversionSettings settings;
  std::string text(reinterpret_cast<const char*>(data), size);
  if (size > 0) {
    settings.msPerBeat = 100.0 + 10.0 * data[0];
    text.erase(0, 1);
  }
  std::istringstream in(text);
  std::ostringstream report;
  ConverterMelody melody;
  std::string error;
  if (!suite::tuneport::formats::readNoteList(in, settings, report, melody, error)) {
    check(!error.empty() && melody.empty());
    return 0;
  }
  check(!melody.empty() && melody.tatum >= 1);
  for (std::size_t i = 0; i < melody.size(); ++i) {
    const auto& n = melody.notes[i];
    check(n.durationMs >= 0.0);
    check(i == 0 || n.onsetMs > melody.notes[i - 1].onsetMs);
  }
  (void)suite::tuneport::formats::melodyTableText(melody, true);

  const std::vector<std::int32_t> pitches = pitchedNotes(melody);
  if (pitches.empty()) return 0;
  std::istringstream written(suite::tuneport::formats::noteListText(melody));
  std::ostringstream again;
  ConverterMelody back;
  check(suite::tuneport::formats::readNoteList(written, settings, again, back, error));
  check(back.pitches() == pitches);
  return 0;
}
