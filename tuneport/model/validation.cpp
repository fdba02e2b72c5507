#include "tuneport/model/validation.h"

#include <cmath>

#include "text/text_format.h"

namespace suite::tuneport::model {

bool validTicksPerBeat(std::int64_t ticksPerBeat) {
  return ticksPerBeat >= 1 && ticksPerBeat <= kMaxTicksPerBeat;
}

bool validTempo(double msPerBeat) { return std::isfinite(msPerBeat) && msPerBeat > 0.0; }

bool validSignature(std::int64_t numerator, std::int64_t denominator) {
  return numerator >= 1 && denominator >= 1;
}

bool validQuantisationLevel(std::int64_t level) {
  return level >= 0 && level <= kMaxTicksPerBeat;
}

bool validateMelody(const ConverterMelody& melody, std::string& message) {
  if (!validTicksPerBeat(melody.ticksPerBeat)) {
    message = "Invalid ticks per beat: " + std::to_string(melody.ticksPerBeat);
    return false;
  }
  if (!validSignature(melody.numerator, melody.denominator)) {
    message = "Invalid time signature: " + std::to_string(melody.numerator) + "/" +
              std::to_string(melody.denominator);
    return false;
  }
  if (melody.tempi.empty()) {
    message = "No tempo";
    return false;
  }
  if (!validTempo(melody.tempo())) {
    message = "Invalid tempo: " + text::formatGeneral(melody.tempo()) + " ms per beat";
    return false;
  }
  for (std::size_t i = 0; i < melody.notes.size(); ++i) {
    const NoteEvent& n = melody.notes[i];
    if (!std::isfinite(n.onsetMs) || !std::isfinite(n.durationMs)) {
      message = "Invalid time in note " + std::to_string(i + 1);
      return false;
    }
  }
  return true;
}

}  // namespace suite::tuneport::model
