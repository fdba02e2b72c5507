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

}  // namespace

double firstLargestPosition(std::span<const double> divergences) {
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

namespace {

// First split position of the largest divergence; 0 when none exceeds 0.
double divergenceMaximum(std::span<const double> values) {
  return firstLargestPosition(jensenShannonDivergences(values));
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

namespace {

std::vector<double> divergencesOf(std::span<const double> values,
                                  const std::vector<double>& distinct,
                                  const std::vector<std::size_t>& counts) {
  std::vector<double> result;
  const std::size_t n = values.size();
  if (n < 2) return result;
  const std::size_t k = distinct.size();
  std::vector<std::size_t> id(n);
  for (std::size_t t = 0; t < n; ++t) {
    id[t] = static_cast<std::size_t>(
        std::lower_bound(distinct.begin(), distinct.end(), values[t]) - distinct.begin());
  }
  std::vector<std::size_t> before(k, 0);  // counts in the first part
  result.reserve(n - 1);
  const double total = static_cast<double>(n);
  // Within one split the terms of the two parts depend only on a count, and
  // values often share one: each is computed once per split (stamped).
  std::vector<double> firstTerm(n + 1);
  std::vector<double> secondTerm(n + 1);
  std::vector<std::size_t> firstStamp(n + 1, n);
  std::vector<std::size_t> secondStamp(n + 1, n);
  for (std::size_t s = 0; s + 1 < n; ++s) {
    ++before[id[s]];
    const double n1 = static_cast<double>(s + 1);
    const double n2 = static_cast<double>(n - s - 1);
    const double w1 = n1 / total;
    const double w2 = n2 / total;
    double sum = 0.0;
    for (std::size_t v = 0; v < k; ++v) {
      const std::size_t c1 = before[v];
      const std::size_t c2 = counts[v] - before[v];
      const double p1 = static_cast<double>(c1) / n1;
      const double p2 = static_cast<double>(c2) / n2;
      const double m = w1 * p1 + w2 * p2;
      if (firstStamp[c1] != s) {
        firstTerm[c1] = entropyTerm(p1);
        firstStamp[c1] = s;
      }
      if (secondStamp[c2] != s) {
        secondTerm[c2] = entropyTerm(p2);
        secondStamp[c2] = s;
      }
      sum += entropyTerm(m) - w1 * firstTerm[c1] - w2 * secondTerm[c2];
    }
    const double divergence = std::fabs(sum);
    result.push_back(divergence < kNegligible ? 0.0 : divergence);
  }
  return result;
}

}  // namespace

std::vector<double> jensenShannonDivergences(std::span<const double> values) {
  if (values.size() < 2) return {};
  const Distribution d = distributionOf(values);
  return divergencesOf(values, d.distinct, d.counts);
}

std::vector<double> jensenShannonDivergences(std::span<const double> values,
                                             const SequenceSummary& summary) {
  return divergencesOf(values, summary.distinct, summary.counts);
}

SequenceSummary summarize(std::span<const double> values) {
  SequenceSummary s;
  s.sorted.assign(values.begin(), values.end());
  std::sort(s.sorted.begin(), s.sorted.end());
  for (const double v : s.sorted) {
    if (s.distinct.empty() || s.distinct.back() != v) {
      s.distinct.push_back(v);
      s.counts.push_back(1);
    } else {
      ++s.counts.back();
    }
  }
  s.firstIndex.assign(s.distinct.size(), values.size());
  for (std::size_t t = 0; t < values.size(); ++t) {
    const auto v = static_cast<std::size_t>(
        std::lower_bound(s.distinct.begin(), s.distinct.end(), values[t]) - s.distinct.begin());
    s.firstIndex[v] = std::min(s.firstIndex[v], t);
  }
  return s;
}

std::vector<double> sequenceStatistic(std::span<const double> values, std::uint32_t parameter,
                                      const SequenceSummary& summary) {
  using namespace feature_statistic;
  const auto first = [&](std::uint32_t bit) {
    // The first bit of the order of sequenceStatistic that the parameter holds.
    constexpr std::uint32_t kOrder[] = {kCount,   kRange,   kMean,    kModus,    kMedian,
                                        kVariance, kMinimum, kMaximum, kEntropy, kSkewness,
                                        kKurtosis, kDivergences, kDivergenceMaximum};
    for (const std::uint32_t b : kOrder) {
      if ((parameter & b) != 0) return b == bit;
    }
    return false;
  };
  if (parameter == 0 || values.empty()) return sequenceStatistic(values, parameter);
  if (first(kMedian)) {
    const std::vector<double>& sorted = summary.sorted;
    const std::size_t n = sorted.size();
    return {n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0};
  }
  if (first(kModus)) {
    // Among the values of maximal count, the one that occurs first.
    std::size_t best = 0;
    for (std::size_t v = 1; v < summary.counts.size(); ++v) {
      if (summary.counts[v] > summary.counts[best] ||
          (summary.counts[v] == summary.counts[best] &&
           summary.firstIndex[v] < summary.firstIndex[best])) {
        best = v;
      }
    }
    return {values[summary.firstIndex[best]]};
  }
  if (first(kEntropy)) return {normalizedEntropyOfCounts(summary.counts)};
  if (first(kDivergences)) return jensenShannonDivergences(values, summary);
  if (first(kDivergenceMaximum)) {
    return {firstLargestPosition(jensenShannonDivergences(values, summary))};
  }
  return sequenceStatistic(values, parameter);
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
