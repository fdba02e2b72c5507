// Comparison of two aligned windows of equal length after a type's flags.
#pragma once

#include <cstdint>
#include <span>

namespace suite::similarity {

/// Compares the windows \a x and \a y (for Fourier types: their spectra).
/// Different lengths give 0. With `Intervals`: the fuzzy interval similarity
/// with `Fuzzy`, else the interval difference measure, on the successive
/// differences of x and y when `Fourier` is set. Otherwise the correlation
/// (centred after `PearsonBravais` / `CrossCorrelation`, with `Stretched`).
double compareWindows(std::span<const double> x, std::span<const double> y, std::uint32_t flags);

}  // namespace suite::similarity
