#include "tuneport/segmentation/parameter_series.h"

#include <cmath>
#include <cstdint>

namespace suite::tuneport::segmentation {
namespace {

// For each entry, the index of the next sounding entry after it, or -1; one
// backward walk instead of a search per entry.
std::vector<std::int64_t> nextSounding(const model::ConverterMelody& melody) {
  const auto& notes = melody.notes;
  std::vector<std::int64_t> next(notes.size(), -1);
  std::int64_t following = -1;
  for (std::size_t i = notes.size(); i-- > 0;) {
    next[i] = following;
    if (model::isSounding(notes[i].pitch)) following = static_cast<std::int64_t>(i);
  }
  return next;
}

}  // namespace

std::vector<double> interOnsetSeries(const model::ConverterMelody& melody) {
  const auto& notes = melody.notes;
  const std::vector<std::int64_t> next = nextSounding(melody);
  std::vector<double> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
    if (next[i] < 0) continue;
    out.push_back(notes[static_cast<std::size_t>(next[i])].onsetMs - notes[i].onsetMs);
  }
  return out;
}

std::vector<double> restSeries(const model::ConverterMelody& melody) {
  const auto& notes = melody.notes;
  const std::vector<std::int64_t> next = nextSounding(melody);
  std::vector<double> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
    if (next[i] < 0) continue;
    const double rest = notes[static_cast<std::size_t>(next[i])].onsetMs -
                        (notes[i].onsetMs + notes[i].durationMs);
    out.push_back(std::fabs(rest) < 1.0 ? 0.0 : rest);
  }
  return out;
}

std::vector<double> pitchIntervalSeries(const model::ConverterMelody& melody) {
  const auto& notes = melody.notes;
  std::vector<double> out;
  if (notes.size() < 2) return out;
  out.reserve(notes.size() - 1);
  for (std::size_t i = 0; i + 1 < notes.size(); ++i)
    out.push_back(std::fabs(static_cast<double>(notes[i + 1].pitch) - notes[i].pitch));
  return out;
}

std::vector<BeatPosition> beatPositions(const model::ConverterMelody& melody) {
  std::vector<BeatPosition> out;
  out.reserve(melody.notes.size());
  for (const model::NoteEvent& n : melody.notes)
    out.push_back({n.position.beat, n.position.tick, n.position.numerator,
                   n.position.available()});
  return out;
}

}  // namespace suite::tuneport::segmentation
