// Temperley's phrase grouping rule on plain sequences: gap scores from
// inter-onset intervals and rests, a penalty for phrases that start on
// unrelated metrical positions, and the dynamic programme that chooses the
// phrase starts. After D. Temperley, The Cognition of Basic Musical
// Structures (MIT Press, 2001), phrase structure preference rules.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace suite::tuneport::segmentation {

/// Where a note lies in its bar, as far as the grouping rule needs it.
struct BeatPosition {
  std::int32_t beat = 1;       ///< from 1
  std::int32_t tick = 0;       ///< within the beat
  std::int32_t numerator = 4;  ///< beats per bar
  bool available = false;      ///< false: the note has no position
};

namespace temperley {
inline constexpr double gapWeight = 0.5;            ///< weight of the gap score
inline constexpr int idealLength = 10;              ///< preferred phrase length in notes
inline constexpr double lengthWeight = 0.6;         ///< weight of the length penalty
inline constexpr int maxLength = 20;                ///< phrase lengths 1..maxLength-1 are tried
inline constexpr double offBeatPenalty = 0.15;      ///< phrase starts on different ticks
inline constexpr double subdivisionPenalty = 0.3;   ///< starts related by a subdivision of the bar
}  // namespace temperley

/// g(0) = 0 and, for k = 1..n, g(k) = (rests[k-1] + interOnsets[k-1]) /
/// (interOnsets[0] + ... + interOnsets[k-1]) * gapWeight * k: the gap before
/// note k relative to the mean interval so far (n + 1 values). A score that
/// is not finite (no time elapsed so far) counts as 0. Empty when the two
/// series differ in length.
std::vector<double> gapScores(std::span<const double> interOnsets, std::span<const double> rests);

/// Penalty for phrases starting at \a later and at \a earlier: 0 when either
/// has no position or both share beat and tick; offBeatPenalty when the ticks
/// differ; subdivisionPenalty when the beats lie a multiple of numerator / k
/// apart for some k in 2..5 that divides the later note's numerator (and is
/// smaller than it); offBeatPenalty otherwise.
double startPenalty(const BeatPosition& later, const BeatPosition& earlier);

/// The phrase starts chosen for the gap scores: for each position i, the
/// phrase length n (1..maxLength-1, at most i) that maximises
/// ((g(i) + g(i-n)) / 2 - lengthWeight * |log2(n / idealLength)| -
/// startPenalty(i, i-n)) * sqrt(n) + best(i-n), the first one on ties; then
/// the starts are followed back from the last position. Returns one value per
/// position 1..m-1 (m = number of gap scores): 1 where a phrase starts, else
/// 0; empty for fewer than two scores. Positions beyond \a positions have no
/// position.
std::vector<double> groupingBoundaries(std::span<const double> gapScores,
                                       std::span<const BeatPosition> positions);

/// gapScores, then groupingBoundaries.
std::vector<double> temperleyBoundaries(std::span<const double> interOnsets,
                                        std::span<const double> rests,
                                        std::span<const BeatPosition> positions);

}  // namespace suite::tuneport::segmentation
