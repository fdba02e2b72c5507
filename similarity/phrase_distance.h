// Similarity of two phrase lists (internal to the similarity engine).
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

namespace suite::similarity {

/// Weighted edit distance of two lists of \a m and \a n phrases: insertion
/// and deletion cost 1, substitution 1 - similarity(i, j) of phrases i and j
/// (clipped to [0, 1]); the result is 1 - distance / longer length.
template <class PhraseSimilarity>
double phraseListSimilarity(std::size_t m, std::size_t n, PhraseSimilarity&& similarity) {
  std::vector<double> previous(n + 1);
  std::vector<double> current(n + 1);
  for (std::size_t j = 0; j <= n; ++j) previous[j] = double(j);
  for (std::size_t i = 1; i <= m; ++i) {
    current[0] = double(i);
    for (std::size_t j = 1; j <= n; ++j) {
      const double s = std::clamp(similarity(i - 1, j - 1), 0.0, 1.0);
      current[j] = std::min({previous[j] + 1.0, current[j - 1] + 1.0, previous[j - 1] + (1.0 - s)});
    }
    std::swap(previous, current);
  }
  return 1.0 - previous[n] / double(std::max(m, n));
}

}  // namespace suite::similarity
