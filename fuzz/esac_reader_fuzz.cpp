// Fuzz target: EsAC text through the reader, and every melody it produces
// through the writer and the reader once more. Checks what callers rely on:
// failures carry a message, a melody has notes in time order with one phrase
// value each, a usable resolution and tatum, bar positions and MIDI pitches;
// a written record reads back with the same pitches (up to whole octaves)
// and onsets, unless it has notes without pitch.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "tuneport/esac/esac_reader.h"
#include "tuneport/esac/esac_writer.h"
#include "tuneport/model/validation.h"

namespace {

using suite::tuneport::model::ConversionSettings;
using suite::tuneport::model::ConverterMelody;

void check(bool ok) {
  if (!ok) std::abort();
}

void checkMelody(const ConverterMelody& m) {
  check(!m.empty() && m.phraseStarts.size() == m.size());
  check(m.ticksPerBeat >= 1 && m.ticksPerBeat <= suite::tuneport::model::kMaxTicksPerBeat);
  check(m.tatum >= 1 && m.tatum == m.durationUnit && m.tatumDone);
  for (std::size_t i = 0; i < m.size(); ++i) {
    const auto& n = m.notes[i];
    check(n.pitch == 0 || n.pitch == 128 || (n.pitch >= 1 && n.pitch <= 127));
    check(i == 0 || n.ticks >= m.notes[i - 1].ticks);
    check(n.position.available());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  ConversionSettings settings;
  // A leading "\x01" and two bytes choose a phrase and a cut.
  if (size >= 3 && data[0] == 1) {
    settings.phrase = data[1] % 4;
    settings.cut = data[2] * 40.0;
    text.erase(0, 3);
  }
  ConverterMelody melody;
  std::string error;
  if (!suite::tuneport::esac::readEsacText(text, settings, melody, error)) {
    check(!error.empty() || text.empty());
    return 0;
  }
  checkMelody(melody);

  std::ostringstream out;
  std::string record;
  if (!suite::tuneport::esac::esacRecordText(melody, "F", out, record, error)) {
    check(!error.empty() && record.empty());
    return 0;
  }
  // Notes without pitch (unknown tonic) are written as holds and do not come back.
  for (const auto& n : melody.notes)
    if (n.pitch == suite::tuneport::model::kNoPitch) return 0;
  ConverterMelody again;
  if (!suite::tuneport::esac::readEsacText(record, ConversionSettings{}, again, error)) {
    // Denominators that are no power of two can ask for a basic unit, or a
    // resolution for it, beyond the limits.
    check(error == "Basic unit invalid." || error == "Melody too long.");
    return 0;
  }
  checkMelody(again);
  check(again.size() >= melody.size());
  const double msPerTick = melody.tempo() / melody.ticksPerBeat;
  const double msPerTickAgain = again.tempo() / again.ticksPerBeat;
  // A melody text that begins with a rest has no upbeat, so a written
  // upbeat that begins with one moves as a whole.
  const bool moves = melody.notes.front().pitch == 0;
  const double origin = moves ? melody.notes.front().ticks * msPerTick : 0.0;
  const double originAgain = moves ? again.notes.front().ticks * msPerTickAgain : 0.0;
  std::int32_t shift = 0;
  bool shiftKnown = false;
  for (std::size_t i = 0; i < melody.size(); ++i) {
    const std::int32_t a = melody.notes[i].pitch;
    const std::int32_t b = again.notes[i].pitch;
    if (a >= 1 && a <= 127 && !shiftKnown) {
      shift = b - a;
      shiftKnown = true;
    }
    check(a >= 1 && a <= 127 ? b - a == shift && shift % 12 == 0 : a == b);
    const double onset = melody.notes[i].ticks * msPerTick - origin;
    const double onsetAgain = again.notes[i].ticks * msPerTickAgain - originAgain;
    check(std::abs(onset - onsetAgain) < 1e-6 * (1.0 + std::abs(onset)));
  }
  return 0;
}
