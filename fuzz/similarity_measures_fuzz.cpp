// Fuzz target: the sequence comparisons on arbitrary values (including NaN,
// signed zeros, infinities and tiny numbers), checking their ranges, their
// symmetry and the edit distance against the plain dynamic programme.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <vector>

#include "similarity/correlation.h"
#include "similarity/edit_distance.h"
#include "similarity/fuzzy_interval.h"
#include "similarity/interval_difference.h"
#include "similarity/ngram.h"
#include "similarity/type_flags.h"
#include "similarity/window_comparison.h"
#include "support/plain_edit_distance.h"

namespace {

using namespace suite::similarity;

double valueOf(std::uint8_t b) {
  static constexpr double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                        -0.0,
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        0.5,
                                        -2.5,
                                        1e-170,
                                        1e300,
                                        -1e300,
                                        7.75,
                                        1000.5,
                                        -25,
                                        1.0 / 3,
                                        4.0 / 3,
                                        0.1 + 0.2,
                                        0.3};
  if (b >= 240) return kSpecial[b - 240];
  return double(b % 24) - 12;  // intervals of up to an octave
}

bool outside(double v, double lo, double hi) { return v < lo || v > hi; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const int n = data[0] % 6;  // n-gram length 0..5
  const std::uint32_t flags =
      (data[0] & 0x30u) | std::uint32_t(data[0]) << 16 | std::uint32_t(data[1]) << 24;
  std::vector<double> all;
  for (std::size_t i = 2; i < size; ++i) all.push_back(valueOf(data[i]));
  const std::size_t split = all.empty() ? 0 : data[1] % (all.size() + 1);
  const std::vector<double> x(all.begin(), all.begin() + std::ptrdiff_t(split));
  const std::vector<double> y(all.begin() + std::ptrdiff_t(split), all.end());

  EditDistanceWorkspace editWorkspace;
  const std::size_t d = editDistance(x, y, editWorkspace);
  const std::size_t lo = x.size() > y.size() ? x.size() - y.size() : y.size() - x.size();
  if (d < lo || d > std::max(x.size(), y.size())) std::abort();
  if (d != editDistance(y, x, editWorkspace) || d != suite::test::plainEditDistance(x, y)) std::abort();

  NGramWorkspace ngramWorkspace;
  for (const std::uint32_t method : {SumCommon, CountDistinct, Ukkonen}) {
    const double v = nGramSimilarity(x, y, method, n, ngramWorkspace);
    if (outside(v, 0, 1) || std::isnan(v)) std::abort();
    if (v != nGramSimilarity(y, x, method, n, ngramWorkspace)) std::abort();
  }

  // Equally long windows: the prefix of the longer one.
  const std::size_t common = std::min(x.size(), y.size());
  const std::vector<double> a(x.begin(), x.begin() + std::ptrdiff_t(common));
  const std::vector<double> b(y.begin(), y.begin() + std::ptrdiff_t(common));
  if (outside(correlation(a, b, flags), -1, 1)) std::abort();
  if (correlation(a, b, flags | Stretched) < 0) std::abort();
  if (outside(intervalDifference(a, b, flags | Intervals), 0, 1)) std::abort();
  if (outside(intervalDifferenceOfDifferences(a, b, flags | Intervals), 0, 1)) std::abort();
  const double fuzzy = fuzzyIntervalSimilarity(a, b);
  if (outside(fuzzy, 0, 1) || std::isnan(fuzzy)) std::abort();
  if (outside(compareWindows(a, b, flags), -1, 1)) std::abort();
  return 0;
}
