// Similarity of two interval sequences from their position-wise absolute
// differences.
#pragma once

#include <cstdint>
#include <span>

namespace suite::similarity {

/// With a[i] = |x[i] - y[i]| and mean m: exp(-m) with `MeanDifferenceExp`;
/// else with `MeanDifference` 1 - m / max(|x[i]| + |y[i]|) (1 when both are
/// all zero); else 1 - m / (max a[i] + standard deviation of a) (1 when that
/// is 0). In [0, 1]; 0 when the lengths differ or the sequences are empty.
double intervalDifference(std::span<const double> x, std::span<const double> y,
                          std::uint32_t flags);

/// The same measure applied to the successive differences x[i+1] - x[i] and
/// y[i+1] - y[i], computed without building them; 0 for lengths that differ
/// or are below 2.
double intervalDifferenceOfDifferences(std::span<const double> x, std::span<const double> y,
                                       std::uint32_t flags);

}  // namespace suite::similarity
