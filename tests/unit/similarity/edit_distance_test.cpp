// Edit distance with unit costs and exact equality of values.
#include <gtest/gtest.h>

#include <limits>
#include <random>

#include "similarity/edit_distance.h"
#include "support/plain_edit_distance.h"

namespace suite::similarity {
namespace {

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
    EXPECT_EQ(test::plainEditDistance(c.x, c.y), c.expected);
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

// One workspace carried across calls of growing and shrinking sizes (one to
// five blocks of 64 rows) must give what a fresh workspace and the full table
// give, in both argument orders. The values include -0.0 (equal to 0.0) and
// NaN (equal to nothing, not even itself).
TEST(EditDistance, MatchesReferenceWithReusedWorkspace) {
  std::mt19937 random(3);
  std::uniform_int_distribution<int> value(-2, 12);
  std::uniform_int_distribution<int> length(0, 300);
  auto draw = [&] {
    const int v = value(random);
    if (v == -2) return std::numeric_limits<double>::quiet_NaN();
    if (v == -1) return -0.0;
    return v / 2.0;
  };
  EditDistanceWorkspace reused;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::vector<double> x(std::size_t(length(random) / (round % 2 ? 1 : 5)));
    std::vector<double> y(std::size_t(round % 4 == 0 ? length(random) / 6 : length(random)));
    for (double& v : x) v = draw();
    for (double& v : y) v = draw();
    const std::size_t expected = test::plainEditDistance(x, y);
    EXPECT_EQ(editDistance(x, y, reused), expected);
    EXPECT_EQ(editDistance(y, x, reused), expected);
    EditDistanceWorkspace fresh;
    EXPECT_EQ(editDistance(x, y, fresh), expected);
    EXPECT_EQ(editDistance(x, x, reused), test::plainEditDistance(x, x));
    const double s = editDistanceSimilarity(x, y, reused);
    EXPECT_GE(s, 0.0);
    EXPECT_LE(s, 1.0);
  }
}

TEST(EditDistance, SequencesOfEqualValuesAcrossBlocks) {
  // Rows 64 and 128 are block borders; lengths around them, all values equal,
  // leave the length difference as the distance.
  EditDistanceWorkspace workspace;
  for (const std::size_t m : {63u, 64u, 65u, 127u, 128u, 129u}) {
    for (const std::size_t n : {1u, 64u, 65u, 200u}) {
      SCOPED_TRACE(m * 1000 + n);
      const std::vector<double> x(m, 60.0), y(n, 60.0);
      EXPECT_EQ(editDistance(x, y, workspace), m > n ? m - n : n - m);
      const std::vector<double> z(n, 61.0);
      EXPECT_EQ(editDistance(x, z, workspace), std::max(m, n));
    }
  }
}

}  // namespace
}  // namespace suite::similarity
