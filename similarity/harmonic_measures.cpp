#include "similarity/harmonic_measures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "analysis/tonality.h"
#include "similarity/edit_distance.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

constexpr double kPiSixth = 0.5235987755982988;

constexpr std::array<double, 24> kFifthsPosition = {
    5,   0,   7,   2,    9,   4,   11,  6,   1,    8,   3,   10,   // major, tonic C ... B
    2.5, 9.5, 4.5, 11.5, 6.5, 1.5, 8.5, 3.5, 10.5, 5.5, 0.5, 7.5,  // minor
};

double dot(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) sum += x[i] * y[i];
  return sum;
}

// Bar-wise cosine of the tonality vectors under the major and the minor
// profile; the better mode wins.
SimilarityResult tonalityCorrelation(const core::Melody& a, const core::Melody& b,
                                     std::ostream& diag) {
  core::Melody ra = a;
  core::Melody rb = b;
  ra.timeline.normalizeBars();
  rb.timeline.normalizeBars();
  const analysis::BarIndex ia(ra);
  const analysis::BarIndex ib(rb);
  const std::uint32_t n = std::min(ia.numberOfBars(), ib.numberOfBars());
  if (n == 0) return {0.0, 0.0};
  double major = 0.0;
  double minor = 0.0;
  for (std::uint32_t bar = 1; bar <= n; ++bar) {
    major += analysis::barTonalityCorrelation(ia, ib, static_cast<int>(bar), 1, diag);
    minor += analysis::barTonalityCorrelation(ia, ib, static_cast<int>(bar), 2, diag);
  }
  SimilarityResult result{major / n, 1.0};
  if (minor / n > result.value) result = {minor / n, 2.0};
  return result;
}

// The keys found per bar (or for the whole melody) compared by their
// distance on the circle of fifths, by edit distance of the key sequences,
// or by the correlation of the key sums.
double keySimilarity(const core::Melody& a, const core::Melody& b, std::uint32_t flags,
                     int param) {
  const analysis::BarIndex ia(a);
  const analysis::BarIndex ib(b);
  const std::uint32_t na = ia.numberOfBars();
  const std::uint32_t nb = ib.numberOfBars();
  const bool editDistanceRow = hasFlag(flags, EditDistance);
  const std::uint32_t g = editDistanceRow ? std::max(na, nb) : std::min(na, nb);
  if (g == 0) return 0.0;

  std::vector<int> bars;
  if (param == 1) {
    bars.push_back(-1);  // the whole melody
  } else {
    for (std::uint32_t bar = 1; bar <= g; ++bar) bars.push_back(static_cast<int>(bar));
  }

  std::vector<double> sumsA;
  std::vector<double> sumsB;
  std::vector<double> keysA;
  std::vector<double> keysB;
  double p = 0.0;
  double q = 0.0;
  double r = 0.0;
  double cosines = 0.0;
  for (const int bar : bars) {
    // A bar without notes leaves the sums of the latest bar with notes.
    const int ka = analysis::findKey(ia, bar, sumsA, nullptr);
    const int kb = analysis::findKey(ib, bar, sumsB, nullptr);
    if (hasFlag(flags, CrossCorrelation)) {
      p += dot(sumsA, sumsA);
      q += dot(sumsB, sumsB);
      r += dot(sumsA, sumsB);
    } else if (editDistanceRow) {
      // A bar without notes enters as a symbol of its own (-1), so missing
      // bars count as differences and empty bars in both melodies match.
      keysA.push_back(ka);
      keysB.push_back(kb);
    } else if (ka >= 0 && kb >= 0) {
      // A bar without notes in either melody adds nothing.
      cosines += std::cos((circleOfFifthsPosition(ka) - circleOfFifthsPosition(kb)) * kPiSixth);
    }
  }

  double value = 0.0;
  if (editDistanceRow) {
    const std::size_t longest = std::max(keysA.size(), keysB.size());
    value = longest == 0 ? 0.0 : 1.0 - double(editDistance(keysA, keysB)) / double(longest);
  } else if (hasFlag(flags, CrossCorrelation)) {
    value = (p == 0.0 || q == 0.0) ? 0.0 : r / (std::sqrt(p) * std::sqrt(q));
  } else {
    value = param == 1 ? cosines : cosines / na;
  }
  return std::max(value, 0.0);
}

}  // namespace

double circleOfFifthsPosition(int key) {
  return key >= 0 && key < 24 ? kFifthsPosition[static_cast<std::size_t>(key)] : -1.0;
}

SimilarityResult harmonicSimilarity(const core::Melody& a, const core::Melody& b,
                                    std::uint32_t flags, int param, std::ostream& diag) {
  if (!hasFlag(flags, KeyFinding)) return tonalityCorrelation(a, b, diag);
  return {keySimilarity(a, b, flags, param), 0.0};
}

}  // namespace suite::similarity
