#include "similarity/fuzzy_interval.h"

#include "similarity/correlation.h"

namespace suite::similarity {

double trapezoidMembership(const Trapezoid& t, double x) {
  if (!(x >= t.a && x <= t.d)) return 0.0;  // also NaN: in no class
  // The repetition class has a = b = c = d; its single point is the plateau.
  if (x <= t.b && t.b > t.a) return (x - t.a) / (t.b - t.a);
  if (x >= t.b && x <= t.c) return 1.0;
  if (t.d > t.c) return 1.0 - (x - t.c) / (t.d - t.c);
  return 0.0;  // not reached: x lies in [a, d] and every edge is covered above
}

FuzzyMemberships fuzzyIntervalMemberships(double x) {
  FuzzyMemberships m{};
  for (std::size_t k = 0; k < m.size(); ++k) {
    m[k] = trapezoidMembership(kFuzzyIntervalClasses[k], x);
  }
  return m;
}

int fuzzyIntervalClass(double x) {
  const FuzzyMemberships m = fuzzyIntervalMemberships(x);
  std::size_t best = 0;
  for (std::size_t k = 1; k < m.size(); ++k) {
    if (m[k] > m[best]) best = k;
  }
  return int(best) + kLowestFuzzyIntervalClass;
}

double fuzzyIntervalSimilarity(std::span<const double> x, std::span<const double> y) {
  if (x.size() != y.size()) return -1.0;
  if (x.empty()) return 1.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    const FuzzyMemberships u = fuzzyIntervalMemberships(x[i]);
    const FuzzyMemberships v = fuzzyIntervalMemberships(y[i]);
    // Uncentred correlation; a zero vector (an interval beyond every class)
    // correlates 1 with anything, as the degenerate case of the correlation.
    sum += correlation(u, v, 0);
  }
  return sum / double(x.size());
}

}  // namespace suite::similarity
