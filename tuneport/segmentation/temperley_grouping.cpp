#include "tuneport/segmentation/temperley_grouping.h"

#include <cmath>
#include <cstddef>
#include <limits>

namespace suite::tuneport::segmentation {

std::vector<double> gapScores(std::span<const double> interOnsets,
                              std::span<const double> rests) {
  if (interOnsets.size() != rests.size()) return {};
  std::vector<double> g;
  g.reserve(interOnsets.size() + 1);
  g.push_back(0.0);
  double elapsed = 0.0;
  for (std::size_t k = 1; k <= interOnsets.size(); ++k) {
    elapsed += interOnsets[k - 1];
    const double score = (rests[k - 1] + interOnsets[k - 1]) / elapsed * temperley::gapWeight *
                         static_cast<double>(k);
    g.push_back(std::isfinite(score) ? score : 0.0);
  }
  return g;
}

double startPenalty(const BeatPosition& later, const BeatPosition& earlier) {
  if (!later.available || !earlier.available) return 0.0;
  if (later.tick != earlier.tick) return temperley::offBeatPenalty;
  if (later.beat == earlier.beat) return 0.0;
  const std::int64_t n = later.numerator;
  const std::int64_t difference = std::int64_t{later.beat} - earlier.beat;
  for (std::int64_t k = 2; k <= 5 && k < n; ++k)
    if (n % k == 0 && difference % (n / k) == 0) return temperley::subdivisionPenalty;
  return temperley::offBeatPenalty;
}

std::vector<double> groupingBoundaries(std::span<const double> g,
                                       std::span<const BeatPosition> positions) {
  const std::size_t m = g.size();
  if (m < 2) return {};
  const BeatPosition none;
  const auto at = [&](std::size_t i) -> const BeatPosition& {
    return i < positions.size() ? positions[i] : none;
  };
  std::vector<double> best(m, 0.0);
  // Every position gets a phrase length of at least 1, so that following the
  // lengths back from the last position always ends at position 0. The
  // running maximum starts below every score: a position whose candidates all
  // score badly still gets the best of them.
  std::vector<std::size_t> back(m, 1);
  const auto longest = static_cast<std::size_t>(temperley::maxLength - 1);
  for (std::size_t i = 1; i < m; ++i) {
    double top = -std::numeric_limits<double>::infinity();
    for (std::size_t n = 1; n <= i && n <= longest; ++n) {
      const double length = static_cast<double>(n);
      const double score =
          ((g[i] + g[i - n]) * 0.5 -
           temperley::lengthWeight * std::fabs(std::log2(length / temperley::idealLength)) -
           startPenalty(at(i), at(i - n))) *
              std::sqrt(length) +
          best[i - n];
      if (score > top) {
        top = score;
        back[i] = n;
      }
    }
    best[i] = top;
  }
  std::vector<double> marks(m - 1, 0.0);
  for (std::size_t i = m - 1; i > 0; i -= back[i]) {
    const std::size_t start = i - back[i];
    if (start > 0) marks[start - 1] = 1.0;
  }
  return marks;
}

std::vector<double> temperleyBoundaries(std::span<const double> interOnsets,
                                        std::span<const double> rests,
                                        std::span<const BeatPosition> positions) {
  return groupingBoundaries(gapScores(interOnsets, rests), positions);
}

}  // namespace suite::tuneport::segmentation
