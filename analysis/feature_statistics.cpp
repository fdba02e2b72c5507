#include "analysis/feature_statistics.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "analysis/feature_table.h"

namespace suite::analysis {
namespace {

// Divergence terms and results below this count as 0.
constexpr double kNegligible = 1e-10;

// |x log2 x|, 0 for x = 0 and for negligible results.
double entropyTerm(double x) {
  if (x == 0.0) return 0.0;
  const double t = std::fabs(x * std::log2(x));
  return t < kNegligible ? 0.0 : t;
}

struct Distribution {
  std::vector<double> distinct;     // ascending
  std::vector<std::size_t> counts;  // of each distinct value
};

Distribution distributionOf(std::span<const double> values) {
  Distribution d;
  std::vector<double> sorted(values.begin(), values.end());
  std::sort(sorted.begin(), sorted.end());
  for (const double v : sorted) {
    if (d.distinct.empty() || d.distinct.back() != v) {
      d.distinct.push_back(v);
      d.counts.push_back(1);
    } else {
      ++d.counts.back();
    }
  }
  return d;
}

double mean(std::span<const double> values) {
  if (values.empty()) return 0.0;
  return std::accumulate(values.begin(), values.end(), 0.0) / static_cast<double>(values.size());
}

// Population variance as E[x^2] - E[x]^2.
double variance(std::span<const double> values) {
  if (values.empty()) return 0.0;
  const double n = static_cast<double>(values.size());
  double sum = 0.0;
  double squares = 0.0;
  for (const double v : values) {
    sum += v;
    squares += v * v;
  }
  return squares / n - (sum / n) * (sum / n);
}

// The \a power-th central moment divided by variance^(power / 2): skewness for
// 3, kurtosis (not reduced by 3) for 4. Undefined (NaN) for a constant
// sequence, whose variance is 0; 0 for an empty one.
double standardizedMoment(std::span<const double> values, int power) {
  if (values.empty()) return 0.0;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  const double var = variance(values);
  if (*lo == *hi || !(var > 0.0)) return std::numeric_limits<double>::quiet_NaN();
  const double m = mean(values);
  double sum = 0.0;
  for (const double v : values) sum += std::pow(v - m, power);
  return (sum / static_cast<double>(values.size())) / std::pow(var, power / 2.0);
}

double median(std::span<const double> values) {
  if (values.empty()) return 0.0;
  std::vector<double> sorted(values.begin(), values.end());
  std::sort(sorted.begin(), sorted.end());
  const std::size_t n = sorted.size();
  return n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
}

// Among the values of maximal count, the one that occurs first.
double modus(std::span<const double> values) {
  if (values.empty()) return 0.0;
  std::vector<std::size_t> order(values.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&values](std::size_t a, std::size_t b) { return values[a] < values[b]; });
  std::size_t bestCount = 0;
  std::size_t bestFirst = 0;
  for (std::size_t i = 0; i < order.size();) {
    std::size_t j = i;
    while (j < order.size() && values[order[j]] == values[order[i]]) ++j;
    const std::size_t count = j - i;
    const std::size_t first = order[i];  // stable: the earliest index of the run
    if (count > bestCount || (count == bestCount && first < bestFirst)) {
      bestCount = count;
      bestFirst = first;
    }
    i = j;
  }
  return values[bestFirst];
}

double range(std::span<const double> values) {
  if (values.empty()) return 0.0;
  const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
  return *hi - *lo;
}

double minimum(std::span<const double> values) {
  return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
}

double maximum(std::span<const double> values) {
  return values.empty() ? 0.0 : *std::max_element(values.begin(), values.end());
}

// First split position of the largest divergence; 0 when none exceeds 0.
double divergenceMaximum(std::span<const double> values) {
  const std::vector<double> divergences = jensenShannonDivergences(values);
  double best = 0.0;
  std::size_t position = 0;
  for (std::size_t s = 0; s < divergences.size(); ++s) {
    if (divergences[s] > best) {
      best = divergences[s];
      position = s;
    }
  }
  return static_cast<double>(position);
}

}  // namespace

double normalizedEntropyOfCounts(std::span<const std::size_t> counts) {
  if (counts.size() < 2) return 0.0;
  const double total =
      static_cast<double>(std::accumulate(counts.begin(), counts.end(), std::size_t{0}));
  double entropy = 0.0;
  for (const std::size_t c : counts) {
    const double p = static_cast<double>(c) / total;
    entropy -= p * std::log2(p);
  }
  return entropy / std::log2(static_cast<double>(counts.size()));
}

double normalizedEntropy(std::span<const double> values) {
  return normalizedEntropyOfCounts(distributionOf(values).counts);
}

std::vector<double> jensenShannonDivergences(std::span<const double> values) {
  std::vector<double> result;
  const std::size_t n = values.size();
  if (n < 2) return result;
  const Distribution d = distributionOf(values);
  const std::size_t k = d.distinct.size();
  std::vector<std::size_t> id(n);
  for (std::size_t t = 0; t < n; ++t) {
    id[t] = static_cast<std::size_t>(
        std::lower_bound(d.distinct.begin(), d.distinct.end(), values[t]) - d.distinct.begin());
  }
  std::vector<std::size_t> before(k, 0);  // counts in the first part
  result.reserve(n - 1);
  const double total = static_cast<double>(n);
  for (std::size_t s = 0; s + 1 < n; ++s) {
    ++before[id[s]];
    const double n1 = static_cast<double>(s + 1);
    const double n2 = static_cast<double>(n - s - 1);
    const double w1 = n1 / total;
    const double w2 = n2 / total;
    double sum = 0.0;
    for (std::size_t v = 0; v < k; ++v) {
      const double p1 = static_cast<double>(before[v]) / n1;
      const double p2 = static_cast<double>(d.counts[v] - before[v]) / n2;
      const double m = w1 * p1 + w2 * p2;
      sum += entropyTerm(m) - w1 * entropyTerm(p1) - w2 * entropyTerm(p2);
    }
    const double divergence = std::fabs(sum);
    result.push_back(divergence < kNegligible ? 0.0 : divergence);
  }
  return result;
}

std::vector<double> sequenceStatistic(std::span<const double> values, std::uint32_t parameter) {
  using namespace feature_statistic;
  if (parameter == 0) return {values.begin(), values.end()};
  if ((parameter & kCount) != 0) return {static_cast<double>(values.size())};
  if ((parameter & kRange) != 0) return {range(values)};
  if ((parameter & kMean) != 0) return {mean(values)};
  if ((parameter & kModus) != 0) return {modus(values)};
  if ((parameter & kMedian) != 0) return {median(values)};
  if ((parameter & kVariance) != 0) return {variance(values)};
  if ((parameter & kMinimum) != 0) return {minimum(values)};
  if ((parameter & kMaximum) != 0) return {maximum(values)};
  if ((parameter & kEntropy) != 0) return {normalizedEntropy(values)};
  if ((parameter & kSkewness) != 0) return {standardizedMoment(values, 3)};
  if ((parameter & kKurtosis) != 0) return {standardizedMoment(values, 4)};
  if ((parameter & kDivergences) != 0) return jensenShannonDivergences(values);
  if ((parameter & kDivergenceMaximum) != 0) return {divergenceMaximum(values)};
  return {};
}

}  // namespace suite::analysis
