// Alignment of a shorter sequence against the windows of a longer one.
#pragma once

#include <cstddef>
#include <span>

#include "similarity/engine.h"

namespace suite::similarity {

/// Number of leading values that may be dropped when aligning: the notes
/// before the running duration first exceeds a tenth of the total (at most
/// 8); the last index when it never does; 0 for an empty or inconsistent
/// melody.
std::size_t skipCount(const core::Melody& melody);

/// Scores the window pairs of \a s (the shorter sequence, b values) against
/// \a l (c >= b values) and returns the best score with its offset: first,
/// for i = 1 .. skip, the first i values of s are dropped and the rest is laid
/// against the start of l (offset -i); then s is laid against l[i .. i+b-1]
/// for i = 0 .. c-b (offset i). Only a strictly greater score replaces the
/// best, so ties keep the earlier window. A pair that would drop every value
/// of s is not scored. -1 (offset 0) when no pair is scored.
template <class Score>
SimilarityResult bestAlignment(std::span<const double> s, std::span<const double> l,
                               std::size_t skip, Score&& score) {
  SimilarityResult best{-1.0, 0.0};
  const std::size_t b = s.size();
  for (std::size_t i = 1; i <= skip && i < b && b - i <= l.size(); ++i) {
    const double value = score(s.subspan(i), l.subspan(0, b - i));
    if (value > best.value) best = {value, -static_cast<double>(i)};
  }
  for (std::size_t i = 0; i + b <= l.size(); ++i) {
    const double value = score(s, l.subspan(i, b));
    if (value > best.value) best = {value, static_cast<double>(i)};
  }
  return best;
}

}  // namespace suite::similarity
