// Interval difference measures: exponential, normalised by the largest
// magnitude sum, and normalised by the spread of the differences.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "similarity/interval_difference.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

constexpr std::uint32_t kExp = Intervals | MeanDifferenceExp;
constexpr std::uint32_t kMean = Intervals | MeanDifference;
constexpr std::uint32_t kSpread = Intervals;

TEST(IntervalDifference, Cases) {
  const struct {
    const char* name;
    std::vector<double> x, y;
    std::uint32_t flags;
    double expected;
  } cases[] = {
      // Differences (0, 1): mean 0.5, largest |x| + |y| = 4.
      {"mean difference", {2, -2}, {2, -1}, kMean, 0.875},
      {"exp", {2, -2}, {2, -1}, kExp, std::exp(-0.5)},
      {"exp tested before mean", {2, -2}, {2, -1}, kExp | kMean, std::exp(-0.5)},
      // Largest 1, standard deviation 0.5: 1 - 0.5 / 1.5.
      {"spread", {2, -2}, {2, -1}, kSpread, 1 - 0.5 / 1.5},
      // Differences (4, 0, 0, 0): mean 1, largest 4, sd sqrt((9 + 3) / 4).
      {"spread, one outlier", {0, 1, 2, 3}, {4, 1, 2, 3}, kSpread, 1 - 1 / (4 + std::sqrt(3.0))},
      {"mean, both all zero", {0, 0}, {0, 0}, kMean, 1},
      {"mean, opposite", {3, -1}, {-3, 1}, kMean, 1 - 4.0 / 6},
      {"spread, identical", {5, -7}, {5, -7}, kSpread, 1},
      {"exp, identical", {5, -7}, {5, -7}, kExp, 1},
      // Equal differences everywhere: the spread is the difference itself.
      {"spread, constant offset", {1, 2, 3}, {2, 3, 4}, kSpread, 0},
      {"empty", {}, {}, kMean, 0},
      {"empty, spread", {}, {}, kSpread, 0},
      {"different lengths", {1, 2}, {1}, kExp, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(intervalDifference(c.x, c.y, c.flags), c.expected, 1e-15);
  }
}

TEST(IntervalDifference, OfSuccessiveDifferences) {
  // Differences (2, -2) and (2, -1), as in the mean difference case.
  const std::vector<double> x{0, 2, 0};
  const std::vector<double> y{7, 9, 8};
  EXPECT_DOUBLE_EQ(intervalDifferenceOfDifferences(x, y, kMean), 0.875);
  EXPECT_DOUBLE_EQ(intervalDifferenceOfDifferences(x, y, kSpread), 1 - 0.5 / 1.5);
  const std::vector<double> one{1};
  EXPECT_EQ(intervalDifferenceOfDifferences(one, one, kSpread), 0);
  EXPECT_EQ(intervalDifferenceOfDifferences({}, {}, kSpread), 0);
  EXPECT_EQ(intervalDifferenceOfDifferences(x, std::vector<double>{7, 9}, kSpread), 0);
}

TEST(IntervalDifference, SymmetricInRangeAndOneForIdentity) {
  std::mt19937 random(11);
  std::uniform_int_distribution<int> interval(-12, 12);
  std::uniform_int_distribution<int> length(1, 15);
  for (const std::uint32_t flags : {kExp, kMean, kSpread}) {
    for (int round = 0; round < 300; ++round) {
      SCOPED_TRACE(round);
      const int n = length(random);
      std::vector<double> x, y;
      for (int i = 0; i < n; ++i) {
        x.push_back(interval(random) / (round % 2 ? 3.0 : 1.0));
        y.push_back(interval(random));
      }
      const double v = intervalDifference(x, y, flags);
      EXPECT_GE(v, 0.0);
      EXPECT_LE(v, 1.0);
      EXPECT_EQ(v, intervalDifference(y, x, flags));
      EXPECT_EQ(intervalDifference(x, x, flags), 1.0);
      if (n > 1) {
        const double d = intervalDifferenceOfDifferences(x, y, flags);
        EXPECT_GE(d, 0.0);
        EXPECT_LE(d, 1.0);
      }
    }
  }
}

}  // namespace
}  // namespace suite::similarity
