// Correlations about the means, the first values and zero.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "similarity/correlation.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

constexpr std::uint32_t kPearson = PearsonBravais;
constexpr std::uint32_t kCross = CrossCorrelation;
constexpr std::uint32_t kUncentred = 0;

TEST(Correlation, Cases) {
  const struct {
    const char* name;
    std::vector<double> x, y;
    std::uint32_t flags;
    double expected;
  } cases[] = {
      {"Pearson reversed", {1, 2, 3}, {3, 2, 1}, kPearson, -1},
      {"Pearson reversed, stretched", {1, 2, 3}, {3, 2, 1}, kPearson | Stretched, 0},
      {"Pearson, shifted and scaled", {1, 2, 3}, {10, 30, 50}, kPearson, 1},
      // Deviations (-1, 0, 1) and (-1, 1, 0): 1 / 2.
      {"Pearson, partial", {1, 2, 3}, {4, 6, 5}, kPearson, 0.5},
      {"cross, parallel lines", {60, 62, 64}, {50, 52, 54}, kCross, 1},
      // About the first values: (0, 2, 4) and (0, -1, 1): 2 / sqrt(20 * 2).
      {"cross, partial", {60, 62, 64}, {50, 49, 51}, kCross, 2 / std::sqrt(40.0)},
      // Pearson wins over cross correlation: about the means (-2, 0, 2)·(1, -2, 1) = 0.
      {"Pearson before cross", {60, 62, 64}, {51, 49, 51}, kPearson | kCross, 0},
      {"uncentred", {1, 0}, {1, 1}, kUncentred, 1 / std::sqrt(2.0)},
      {"uncentred opposite, stretched", {1, -1}, {-1, 1}, kUncentred | Stretched, 0},
      {"uncentred opposite", {1, -1}, {-1, 1}, kUncentred, -1},
      // Degenerate: no deviation from the centre in one sequence gives 1.
      {"Pearson, constant", {5, 5, 5}, {1, 7, 2}, kPearson, 1},
      {"Pearson, constant second", {1, 7, 2}, {64, 64, 64}, kPearson | Stretched, 1},
      {"cross, constant", {60, 60}, {1, 2}, kCross, 1},
      {"uncentred, zeros", {0, 0}, {3, 4}, kUncentred, 1},
      {"one value each", {3}, {8}, kPearson, 1},
      {"one value each, cross", {3}, {8}, kCross, 1},
      {"empty", {}, {}, kPearson, 1},
      // Deviations too small to survive squaring while the cross sum is not 0.
      {"underflowing deviations", {1e-170}, {1}, kUncentred, 0},
      {"different lengths", {1, 2, 3}, {1, 2}, kPearson, 0},
      {"different lengths, empty", {1}, {}, kUncentred, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(correlation(c.x, c.y, c.flags), c.expected, 1e-15);
  }
}

TEST(Correlation, SymmetricBoundedAndOneForIdentity) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> pitch(40, 90);
  std::uniform_int_distribution<int> length(1, 20);
  for (const std::uint32_t centre : {kPearson, kCross, kUncentred}) {
    for (int round = 0; round < 300; ++round) {
      SCOPED_TRACE(round);
      const int n = length(random);
      std::vector<double> x, y;
      for (int i = 0; i < n; ++i) {
        x.push_back(pitch(random) + (round % 3 == 0 ? 0.25 * i : 0.0));
        y.push_back(pitch(random));
      }
      const double r = correlation(x, y, centre);
      EXPECT_GE(r, -1.0);
      EXPECT_LE(r, 1.0);
      EXPECT_EQ(r, correlation(y, x, centre));
      EXPECT_EQ(correlation(x, y, centre | Stretched), std::max(r, 0.0));
      EXPECT_NEAR(correlation(x, x, centre), 1.0, 1e-12);
    }
  }
}

}  // namespace
}  // namespace suite::similarity
