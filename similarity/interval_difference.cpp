#include "similarity/interval_difference.h"

#include <algorithm>
#include <cmath>

#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

// The measure over n positions whose values come from xAt(i) and yAt(i).
template <class XAt, class YAt>
double differenceMeasure(std::size_t n, XAt xAt, YAt yAt, std::uint32_t flags) {
  if (n == 0) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < n; ++i) sum += std::abs(xAt(i) - yAt(i));
  const double mean = sum / double(n);

  if (hasFlag(flags, MeanDifferenceExp)) return std::exp(-mean);

  if (hasFlag(flags, MeanDifference)) {
    double largest = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
      largest = std::max(largest, std::abs(xAt(i)) + std::abs(yAt(i)));
    }
    return largest == 0.0 ? 1.0 : std::max(0.0, 1.0 - mean / largest);
  }

  double largest = 0.0;
  double squares = 0.0;
  for (std::size_t i = 0; i < n; ++i) {
    const double a = std::abs(xAt(i) - yAt(i));
    largest = std::max(largest, a);
    squares += (a - mean) * (a - mean);
  }
  const double spread = largest + std::sqrt(squares / double(n));
  // The mean never exceeds the largest difference except by rounding.
  return spread == 0.0 ? 1.0 : std::max(0.0, 1.0 - mean / spread);
}

}  // namespace

double intervalDifference(std::span<const double> x, std::span<const double> y,
                          std::uint32_t flags) {
  if (x.size() != y.size()) return 0.0;
  return differenceMeasure(
      x.size(), [x](std::size_t i) { return x[i]; }, [y](std::size_t i) { return y[i]; }, flags);
}

double intervalDifferenceOfDifferences(std::span<const double> x, std::span<const double> y,
                                       std::uint32_t flags) {
  if (x.size() != y.size() || x.size() < 2) return 0.0;
  return differenceMeasure(
      x.size() - 1, [x](std::size_t i) { return x[i + 1] - x[i]; },
      [y](std::size_t i) { return y[i + 1] - y[i]; }, flags);
}

}  // namespace suite::similarity
