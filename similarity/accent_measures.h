// Accent similarity of two melodies: their per-note accent profiles under the
// linear or the tree accent model, compared by a value-weighted edit distance.
#pragma once

#include <cstdint>
#include <span>

#include "core/melody.h"

namespace suite::similarity {

/// Edit distance of two non-negative profiles where deleting or inserting a
/// value costs the value and substituting costs the absolute difference.
double weightedProfileDistance(std::span<const double> a, std::span<const double> b);

/// 1 - weighted profile distance / the larger profile sum, for an Accents
/// type's \a flags (LinearModel: linear model, else tree model); 0 when a
/// profile is empty or both sums are 0.
double accentSimilarity(const core::Melody& a, const core::Melody& b, std::uint32_t flags);

}  // namespace suite::similarity
