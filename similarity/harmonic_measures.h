// Harmonic similarity of two melodies: bar-wise tonality correlation, or the
// keys found per bar (or for the whole melody) compared on the circle of
// fifths, by edit distance of the key sequences or by key-sum correlation.
#pragma once

#include <cstdint>
#include <ostream>

#include "core/melody.h"
#include "similarity/engine.h"

namespace suite::similarity {

/// Position of a key index on the circle of fifths (C# major 0 ... F# major
/// 11, each minor key half a step from its relative major); -1 for no key.
double circleOfFifthsPosition(int key);

/// Harmonic similarity of \a a and \a b for a Harmonic type's \a flags and
/// \a param (1: the whole melody instead of bar by bar), in [0, 1].
/// bestOffset is 1 or 2 for the plain rows (major or minor profile won),
/// whose empty bars are reported on \a diag ("Empty Bar!").
SimilarityResult harmonicSimilarity(const core::Melody& a, const core::Melody& b,
                                    std::uint32_t flags, int param, std::ostream& diag);

}  // namespace suite::similarity
