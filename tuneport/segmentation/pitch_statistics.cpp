#include "tuneport/segmentation/pitch_statistics.h"

#include <map>
#include <string>

#include "text/text_format.h"

namespace suite::tuneport::segmentation {

PitchStatistics pitchStatistics(const model::ConverterMelody& melody) {
  PitchStatistics s;
  if (melody.empty()) return s;
  s.lowest = melody.lowestPitch();
  s.highest = melody.highestPitch();
  s.mean = melody.meanPitch();
  std::map<std::int32_t, std::int64_t> counts;
  for (const model::NoteEvent& n : melody.notes) ++counts[n.pitch];
  s.histogram.assign(counts.begin(), counts.end());
  const auto half = static_cast<std::int64_t>(melody.size() / 2);
  std::int64_t running = 0;
  std::int64_t modeCount = 0;
  bool medianFound = false;
  for (const auto& [pitch, count] : s.histogram) {
    if (count > modeCount) {  // ascending: the lowest pitch wins a tie
      modeCount = count;
      s.mode = pitch;
    }
    running += count;
    if (!medianFound && running >= half) {
      s.median = pitch;
      medianFound = true;
    }
  }
  return s;
}

void writePitchStatistics(const model::ConverterMelody& melody, std::ostream& out) {
  if (melody.empty()) return;
  const PitchStatistics s = pitchStatistics(melody);
  const std::int64_t ambitus = std::int64_t{s.highest} - s.lowest;
  // Integers through to_string: the report does not depend on the stream's locale.
  out << "Min Pitch: " << std::to_string(s.lowest) << " Max Pitch: " << std::to_string(s.highest)
      << " Ambitus:" << std::to_string(ambitus) << '\n'
      << std::flush;
  out << "Mean = " << text::formatGeneral(s.mean) << " Modus =" << std::to_string(s.mode)
      << " Median = " << std::to_string(s.median) << '\n'
      << std::flush;
  out << "PitchHistogramm: \n" << std::flush;
  out << "=================\n" << std::flush;
  for (const auto& [pitch, count] : s.histogram)
    out << "Pitch: " << std::to_string(pitch) << " Freq: " << std::to_string(count) << '\n'
        << std::flush;
}

}  // namespace suite::tuneport::segmentation
