// Syncopation values of the notes of a melody at one metrical level.
#pragma once

#include <vector>

#include "core/melody.h"

namespace suite::analysis {

/// Syncopation at metrical \a level (1, 0, -1 or -2): per note 1 when the note
/// lies at metrical level (\a level - 1) and the next onset is further away
/// than the span of that level (the last note at that level always counts),
/// else 0. Empty for another level, or when the counts of pitches, durations
/// and positions differ.
std::vector<double> syncopation(const core::Melody& melody, int level);

}  // namespace suite::analysis
