// The unit-cost edit distance as the plain dynamic programme (one reused
// row): the reference that tests and fuzz targets hold the bit-parallel
// library version to, and the baseline its benchmark compares with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <span>
#include <vector>

namespace suite::test {

/// Levenshtein distance with insertion, deletion and substitution cost 1;
/// values match only when exactly equal. \a row is scratch space.
inline std::size_t plainEditDistance(std::span<const double> x, std::span<const double> y,
                                     std::vector<std::size_t>& row) {
  row.resize(y.size() + 1);
  for (std::size_t j = 0; j <= y.size(); ++j) row[j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    std::size_t diagonal = row[0];
    row[0] = i;
    for (std::size_t j = 1; j <= y.size(); ++j) {
      const std::size_t above = row[j];
      row[j] = std::min({above + 1, row[j - 1] + 1, diagonal + (x[i - 1] == y[j - 1] ? 0 : 1)});
      diagonal = above;
    }
  }
  return row[y.size()];
}

inline std::size_t plainEditDistance(std::span<const double> x, std::span<const double> y) {
  std::vector<std::size_t> row;
  return plainEditDistance(x, y, row);
}

}  // namespace suite::test
