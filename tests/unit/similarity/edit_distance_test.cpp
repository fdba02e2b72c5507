// Edit distance with unit costs and exact equality of values.
#include <gtest/gtest.h>

#include <random>

#include "similarity/edit_distance.h"

namespace suite::similarity {
namespace {

// The full dynamic-programming table, written independently of the
// single-row version under test.
std::size_t referenceDistance(const std::vector<double>& x, const std::vector<double>& y) {
  std::vector<std::vector<std::size_t>> d(x.size() + 1, std::vector<std::size_t>(y.size() + 1));
  for (std::size_t i = 0; i <= x.size(); ++i) d[i][0] = i;
  for (std::size_t j = 0; j <= y.size(); ++j) d[0][j] = j;
  for (std::size_t i = 1; i <= x.size(); ++i) {
    for (std::size_t j = 1; j <= y.size(); ++j) {
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1,
                          d[i - 1][j - 1] + (x[i - 1] == y[j - 1] ? 0u : 1u)});
    }
  }
  return d[x.size()][y.size()];
}

TEST(EditDistance, Cases) {
  const struct {
    const char* name;
    std::vector<double> x, y;
    std::size_t expected;
  } cases[] = {
      {"one deletion", {60, 62, 64}, {60, 64}, 1},
      {"empty against three", {}, {1, 2, 3}, 3},
      {"three against empty", {1, 2, 3}, {}, 3},
      {"both empty", {}, {}, 0},
      {"identical", {1, -2, 3.5}, {1, -2, 3.5}, 0},
      {"substitution", {1, 2, 3}, {1, 5, 3}, 1},
      // k i t t e n / s i t t i n g
      {"kitten sitting", {1, 2, 3, 3, 4, 5}, {6, 2, 3, 3, 2, 5, 7}, 3},
      {"reversed", {1, 2, 3, 4}, {4, 3, 2, 1}, 4},
      {"no common value", {1, 2}, {3, 4, 5, 6, 7}, 5},
      {"rounding makes values differ", {0.1 + 0.2}, {0.3}, 1},
      {"signed zeros are equal", {-0.0}, {0.0}, 0},
  };
  EditDistanceWorkspace workspace;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(editDistance(c.x, c.y, workspace), c.expected);
    EXPECT_EQ(editDistance(c.x, c.y), c.expected);
    EXPECT_EQ(referenceDistance(c.x, c.y), c.expected);
  }
}

TEST(EditDistance, NormalisedSimilarity) {
  EditDistanceWorkspace workspace;
  const std::vector<double> a{60, 62, 64};
  const std::vector<double> b{60, 64};
  EXPECT_DOUBLE_EQ(editDistanceSimilarity(a, b, workspace), 1 - 1.0 / 3);
  EXPECT_EQ(editDistanceSimilarity(a, a, workspace), 1.0);
  EXPECT_EQ(editDistanceSimilarity(a, {}, workspace), 0.0);
  EXPECT_EQ(editDistanceSimilarity({}, {}, workspace), 1.0);
}

// One workspace carried across calls of growing and shrinking sizes must give
// what a fresh workspace and the full table give, in both argument orders.
TEST(EditDistance, MatchesReferenceWithReusedWorkspace) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> value(0, 4);
  std::uniform_int_distribution<int> length(0, 60);
  EditDistanceWorkspace reused;
  for (int round = 0; round < 400; ++round) {
    SCOPED_TRACE(round);
    std::vector<double> x(std::size_t(length(random)));
    std::vector<double> y(std::size_t(round % 4 == 0 ? length(random) / 6 : length(random)));
    for (double& v : x) v = value(random);
    for (double& v : y) v = value(random);
    const std::size_t expected = referenceDistance(x, y);
    EXPECT_EQ(editDistance(x, y, reused), expected);
    EXPECT_EQ(editDistance(y, x, reused), expected);
    EditDistanceWorkspace fresh;
    EXPECT_EQ(editDistance(x, y, fresh), expected);
    EXPECT_EQ(editDistance(x, x, reused), 0u);
    const double s = editDistanceSimilarity(x, y, reused);
    EXPECT_GE(s, 0.0);
    EXPECT_LE(s, 1.0);
  }
}

}  // namespace
}  // namespace suite::similarity
