// Metric weights of a melody's notes by inner metric analysis: how strongly
// the regular grids that the onsets themselves form support each onset.
// After A. Volk, "The study of syncopation using inner metric analysis"
// (Journal of New Music Research 37, 2008) and Nestke & Noll's metric weight.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "core/melody.h"

namespace suite::similarity {

/// The weight of each onset, in [0, 1]. A local meter is a maximal run of at
/// least three equally spaced onsets (it cannot be extended at either end);
/// a local meter whose onsets all belong to another local meter (of a period
/// that divides its own) is dropped. Each remaining meter of k intervals adds
/// k^2 to every one of its onsets; the weights are then divided by the
/// largest one (all 0 when no onset lies on a meter). Equal onsets share
/// their weight; the order of \a onsets does not matter.
std::vector<double> metricWeights(std::span<const std::int64_t> onsets);

/// The onsets of a melody's notes in tatum units: the running sum of the
/// durations, from 0 (the durations are the tatum distances of the notes'
/// metrical positions).
std::vector<std::int64_t> noteOnsets(const core::Melody& melody);

}  // namespace suite::similarity
