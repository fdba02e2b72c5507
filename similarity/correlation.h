// Correlation of two equally long sequences about their means, their first
// values or zero.
#pragma once

#include <cstdint>
#include <span>

namespace suite::similarity {

/// Correlation coefficient of \a x and \a y in [-1, 1]. Centres: the means
/// with `PearsonBravais`, else the first values with `CrossCorrelation`, else
/// 0 (uncentred). When either sequence has no deviation from its centre the
/// result is 1 (0 if the cross sum is nonetheless non-zero). With `Stretched`
/// a negative result becomes 0. Sequences of different lengths give 0; two
/// empty sequences give 1.
double correlation(std::span<const double> x, std::span<const double> y, std::uint32_t flags);

}  // namespace suite::similarity
