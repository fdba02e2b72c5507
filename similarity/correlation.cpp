#include "similarity/correlation.h"

#include <algorithm>
#include <cmath>

#include "similarity/type_flags.h"

namespace suite::similarity {

double correlation(std::span<const double> x, std::span<const double> y, std::uint32_t flags) {
  const std::size_t n = x.size();
  if (y.size() != n) return 0.0;
  if (n == 0) return 1.0;  // no deviations at all: the degenerate case below

  double cx = 0.0;
  double cy = 0.0;
  if (hasFlag(flags, PearsonBravais)) {
    for (std::size_t i = 0; i < n; ++i) {
      cx += x[i];
      cy += y[i];
    }
    cx /= double(n);
    cy /= double(n);
  } else if (hasFlag(flags, CrossCorrelation)) {
    cx = x[0];
    cy = y[0];
  }

  double sxy = 0.0;
  double sxx = 0.0;
  double syy = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double dx = x[i] - cx;
    const double dy = y[i] - cy;
    sxy += dx * dy;
    sxx += dx * dx;
    syy += dy * dy;
  }

  double r;
  if (sxx == 0.0 || syy == 0.0) {
    r = sxy == 0.0 ? 1.0 : 0.0;
  } else {
    // Rounding can carry the quotient a hair beyond +-1.
    r = std::clamp(sxy / std::sqrt(sxx * syy), -1.0, 1.0);
  }
  if (hasFlag(flags, Stretched) && r < 0.0) r = 0.0;
  return r;
}

}  // namespace suite::similarity
