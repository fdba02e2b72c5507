#include "similarity/window_comparison.h"

#include "similarity/correlation.h"
#include "similarity/fuzzy_interval.h"
#include "similarity/interval_difference.h"
#include "similarity/type_flags.h"

namespace suite::similarity {

double compareWindows(std::span<const double> x, std::span<const double> y, std::uint32_t flags) {
  if (x.size() != y.size()) return 0.0;
  if (hasFlag(flags, Intervals)) {
    if (hasFlag(flags, Fuzzy)) return fuzzyIntervalSimilarity(x, y);
    if (hasFlag(flags, Fourier)) return intervalDifferenceOfDifferences(x, y, flags);
    return intervalDifference(x, y, flags);
  }
  return correlation(x, y, flags);
}

}  // namespace suite::similarity
