#include "tuneport/formats/plot_table.h"

#include <array>
#include <cstdint>

#include "text/text_format.h"

namespace suite::tuneport::formats {
namespace {

bool hasPitch(std::int32_t pitch) { return pitch >= 1 && pitch <= 127; }

// The most frequent pitch 1..127, the lowest on ties; 0 without one.
std::int32_t mostFrequentPitch(const model::ConverterMelody& melody) {
  std::array<std::int64_t, 128> counts{};
  for (const model::NoteEvent& n : melody.notes)
    if (hasPitch(n.pitch)) ++counts[static_cast<std::size_t>(n.pitch)];
  std::int32_t best = 0;
  for (std::int32_t p = 1; p < 128; ++p)
    if (counts[static_cast<std::size_t>(p)] > counts[static_cast<std::size_t>(best)]) best = p;
  return best;
}

}  // namespace

std::string plotTableText(const model::ConverterMelody& melody) {
  std::string out;
  std::int32_t previous = mostFrequentPitch(melody);
  for (const model::NoteEvent& n : melody.notes) {
    if (!model::isSounding(n.pitch)) continue;
    const std::int32_t pitch = hasPitch(n.pitch) ? n.pitch : previous;
    if (pitch == 0) continue;
    out += text::formatFixed(n.onsetMs, 2);
    out += '\t';
    out += std::to_string(pitch);
    out += '\n';
    previous = pitch;
  }
  return out;
}

}  // namespace suite::tuneport::formats
