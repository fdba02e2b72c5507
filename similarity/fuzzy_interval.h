// Fuzzy interval classes: nine trapezoidal membership functions over an
// interval in semitones, from "large leap down" (-4) to "large leap up" (4).
#pragma once

#include <array>
#include <span>

namespace suite::similarity {

/// Corner points of one trapezoid: membership 0 below a and above d, rising
/// from a to b, 1 from b to c, falling from c to d.
struct Trapezoid {
  double a, b, c, d;
};

inline constexpr int kFuzzyIntervalClassCount = 9;
inline constexpr int kLowestFuzzyIntervalClass = -4;

/// The classes -4 .. 4 in order.
inline constexpr std::array<Trapezoid, kFuzzyIntervalClassCount> kFuzzyIntervalClasses = {{
    {-1000, -24, -8, -7},  // large leap down
    {-8, -7, -5, -4},      // leap down
    {-5, -4, -3, -2},      // skip down
    {-3, -2, -1, 0},       // step down
    {0, 0, 0, 0},          // repetition
    {0, 1, 2, 3},          // step up
    {2, 3, 4, 5},          // skip up
    {4, 5, 7, 8},          // leap up
    {7, 8, 24, 1000},      // large leap up
}};

static_assert([] {
  for (const Trapezoid& t : kFuzzyIntervalClasses) {
    if (!(t.a <= t.b && t.b <= t.c && t.c <= t.d)) return false;
  }
  return true;
}());

using FuzzyMemberships = std::array<double, kFuzzyIntervalClassCount>;

/// Membership of \a x in one trapezoid, in [0, 1]. The rules are tried in the
/// order outside, rising edge, plateau, falling edge, so a point on a shared
/// border takes the first rule that applies; an edge of zero width is skipped.
/// NaN lies in no class.
double trapezoidMembership(const Trapezoid& t, double x);

/// The nine memberships of \a x in class order -4 .. 4.
FuzzyMemberships fuzzyIntervalMemberships(double x);

/// The class number (-4 .. 4) with the largest membership; on equal
/// memberships the lower class wins.
int fuzzyIntervalClass(double x);

/// Mean over positions of the cosine between the membership vectors of x[i]
/// and y[i], in [0, 1]; a position where either vector is all zero counts 1.
/// 1 for two empty sequences, -1 when the lengths differ.
double fuzzyIntervalSimilarity(std::span<const double> x, std::span<const double> y);

}  // namespace suite::similarity
