// Per-note sequences behind the accent, syncopation and bar-key features,
// taken from the tonality and accent analysis.
#pragma once

#include <cstdint>
#include <vector>

#include "core/melody.h"

namespace suite::analysis::feature_sources {

/// Syncopation values of the levels selected by \a flags (feature_flag
/// kSyncLevel* bits), combined by element-wise maximum in the order 1, 0,
/// -1, -2; the first selected level sets the length. Empty when no level is
/// selected or the analysis yields nothing.
std::vector<double> syncopation(const core::Melody& melody, std::uint32_t flags);

/// The accent model selected by \a flags (feature_flag kLinearModel,
/// kTreeModel and their thresholded variants, in that order); empty when
/// none is selected.
std::vector<double> accentModel(const core::Melody& melody, std::uint32_t flags);

/// Per note the number of the accent rules of \a mask that fire.
std::vector<double> ruleAccents(const core::Melody& melody, std::uint32_t mask);

/// Per note the Thomassen accent, thresholded at 0.5 on request.
std::vector<double> thomassenAccents(const core::Melody& melody, bool thresholded);

/// Per note (of the first min(pitches, positions) notes) 60 + the tonic of
/// the key of the note's bar (minor keys by their tonic), 59 when the bar
/// has no key.
std::vector<double> barKeys(const core::Melody& melody);

}  // namespace suite::analysis::feature_sources
