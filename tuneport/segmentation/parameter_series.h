// The series that the boundary models read from a converter melody.
#pragma once

#include <vector>

#include "tuneport/model/converter_melody.h"
#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::tuneport::segmentation {

/// For each note followed by a sounding note: the onset of that next sounding
/// note minus the note's onset, in ms. Notes without a later sounding note
/// contribute nothing, so the series covers notes 0..k-1 where k is the last
/// sounding note.
std::vector<double> interOnsetSeries(const model::ConverterMelody& melody);

/// For the same notes: the next sounding note's onset minus the note's end,
/// in ms; magnitudes below 1 ms count as 0.
std::vector<double> restSeries(const model::ConverterMelody& melody);

/// |pitch(i+1) - pitch(i)| for each adjacent pair of entries (rests take part
/// with pitch 0): one value fewer than the melody has entries.
std::vector<double> pitchIntervalSeries(const model::ConverterMelody& melody);

/// Each note's beat, tick and numerator for the grouping rule.
std::vector<BeatPosition> beatPositions(const model::ConverterMelody& melody);

}  // namespace suite::tuneport::segmentation
