// Statistics of a note sequence for the feature table: moments, order
// statistics, entropy and Jensen-Shannon divergences of its value distribution.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace suite::analysis {

/// The statistic that a statistic row's \a parameter selects over \a values
/// (feature_statistic bits, first match in table order; 0 = the sequence
/// itself). One value, or the whole sequence, or the divergence vector; an
/// empty vector for an unknown parameter. An empty sequence yields 0 for every
/// single-value statistic (modus and variance included) and an empty vector
/// for the sequence and the divergence vector. Skewness and kurtosis of a
/// sequence without variance are undefined: quiet NaN.
std::vector<double> sequenceStatistic(std::span<const double> values, std::uint32_t parameter);

/// What several statistics of one sequence share: its values sorted, and its
/// distinct values (ascending) with their counts and first positions.
struct SequenceSummary {
  std::vector<double> sorted;
  std::vector<double> distinct;
  std::vector<std::size_t> counts;
  std::vector<std::size_t> firstIndex;
};

SequenceSummary summarize(std::span<const double> values);

/// sequenceStatistic of \a values given their \a summary: the same result.
std::vector<double> sequenceStatistic(std::span<const double> values, std::uint32_t parameter,
                                      const SequenceSummary& summary);

/// jensenShannonDivergences of \a values given their \a summary.
std::vector<double> jensenShannonDivergences(std::span<const double> values,
                                             const SequenceSummary& summary);

/// Entropy in bits of the value distribution divided by log2 of the number of
/// distinct values, in [0, 1]; 0 for fewer than 2 distinct values.
double normalizedEntropy(std::span<const double> values);

/// Normalized entropy of a list of counts (all > 0) in [0, 1]: entropy in
/// bits divided by log2 of the number of counts; 0 for fewer than 2 counts.
double normalizedEntropyOfCounts(std::span<const std::size_t> counts);

/// Jensen-Shannon divergence between the value distributions of the first
/// s + 1 and the remaining n - s - 1 values, weighted by the part sizes, for
/// s = 0 .. n - 2 (empty for fewer than 2 values). Each value in [0, 1];
/// results below 1e-10 are 0.
std::vector<double> jensenShannonDivergences(std::span<const double> values);

/// The first position of the largest of \a divergences, as a number; 0 when
/// none exceeds 0.
double firstLargestPosition(std::span<const double> divergences);

}  // namespace suite::analysis
