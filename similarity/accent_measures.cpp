#include "similarity/accent_measures.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <vector>

#include "analysis/accents.h"
#include "similarity/type_flags.h"

namespace suite::similarity {

double weightedProfileDistance(std::span<const double> a, std::span<const double> b) {
  std::vector<double> previous(b.size() + 1);
  std::vector<double> current(b.size() + 1);
  previous[0] = 0.0;
  for (std::size_t j = 1; j <= b.size(); ++j) previous[j] = previous[j - 1] + b[j - 1];
  for (std::size_t i = 1; i <= a.size(); ++i) {
    current[0] = previous[0] + a[i - 1];
    for (std::size_t j = 1; j <= b.size(); ++j) {
      current[j] = std::min({previous[j] + a[i - 1], current[j - 1] + b[j - 1],
                             previous[j - 1] + std::fabs(a[i - 1] - b[j - 1])});
    }
    std::swap(previous, current);
  }
  return previous[b.size()];
}

double accentSimilarity(const core::Melody& a, const core::Melody& b, std::uint32_t flags) {
  const bool linear = hasFlag(flags, LinearModel);
  const std::vector<double> pa =
      linear ? analysis::linearModelAccents(a, false) : analysis::treeModelAccents(a, false);
  const std::vector<double> pb =
      linear ? analysis::linearModelAccents(b, false) : analysis::treeModelAccents(b, false);
  const double norm = std::max(std::accumulate(pa.begin(), pa.end(), 0.0),
                               std::accumulate(pb.begin(), pb.end(), 0.0));
  if (pa.empty() || pb.empty() || norm == 0.0) return 0.0;
  return 1.0 - weightedProfileDistance(pa, pb) / norm;
}

}  // namespace suite::similarity
