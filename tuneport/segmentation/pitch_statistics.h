// Pitch statistics of a converter melody and the report printed after a
// note list is read.
#pragma once

#include <cstdint>
#include <ostream>
#include <utility>
#include <vector>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::segmentation {

/// Over all entries of a melody, rests counted with pitch 0.
struct PitchStatistics {
  std::int32_t lowest = 0;
  std::int32_t highest = 0;
  double mean = 0.0;         ///< sum / count
  std::int32_t mode = 0;     ///< the most frequent pitch, the lowest on ties
  std::int32_t median = 0;   ///< where the ascending running count first reaches count / 2
  std::vector<std::pair<std::int32_t, std::int64_t>> histogram;  ///< (pitch, count), ascending
};

/// The statistics; all 0 and no histogram for an empty melody.
PitchStatistics pitchStatistics(const model::ConverterMelody& melody);

/// Writes the report, each line ended by a line feed and followed by a flush:
///   Min Pitch: 60 Max Pitch: 64 Ambitus:4
///   Mean = 62 Modus =62 Median = 62
///   PitchHistogramm:
///   =================
///   Pitch: 60 Freq: 1   (one line per pitch that occurs, ascending)
/// The mean is written in the default notation of a text stream. Nothing is
/// written for an empty melody.
void writePitchStatistics(const model::ConverterMelody& melody, std::ostream& out);

}  // namespace suite::tuneport::segmentation
