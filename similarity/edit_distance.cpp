#include "similarity/edit_distance.h"

#include <algorithm>

namespace suite::similarity {

std::size_t editDistance(std::span<const double> x, std::span<const double> y,
                         EditDistanceWorkspace& workspace) {
  // The distance is symmetric, so the row runs along the shorter sequence.
  if (y.size() > x.size()) std::swap(x, y);
  const std::size_t n = y.size();
  if (n == 0) return x.size();

  std::vector<std::size_t>& row = workspace.row;  // row[j] = D[i][j]
  if (row.size() < n + 1) row.resize(n + 1);
  for (std::size_t j = 0; j <= n; ++j) row[j] = j;

  for (std::size_t i = 1; i <= x.size(); ++i) {
    std::size_t diagonal = row[0];  // D[i-1][j-1]
    row[0] = i;
    const double xi = x[i - 1];
    for (std::size_t j = 1; j <= n; ++j) {
      const std::size_t above = row[j];  // D[i-1][j]
      const std::size_t substitution = diagonal + (xi == y[j - 1] ? 0 : 1);
      row[j] = std::min({above + 1, row[j - 1] + 1, substitution});
      diagonal = above;
    }
  }
  return row[n];
}

std::size_t editDistance(std::span<const double> x, std::span<const double> y) {
  EditDistanceWorkspace workspace;
  return editDistance(x, y, workspace);
}

double editDistanceSimilarity(std::span<const double> x, std::span<const double> y,
                              EditDistanceWorkspace& workspace) {
  const std::size_t longest = std::max(x.size(), y.size());
  if (longest == 0) return 1.0;
  return 1.0 - double(editDistance(x, y, workspace)) / double(longest);
}

}  // namespace suite::similarity
