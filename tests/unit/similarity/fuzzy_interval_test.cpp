// Fuzzy interval memberships, classes and the fuzzy interval similarity.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "similarity/fuzzy_interval.h"

namespace suite::similarity {
namespace {

// Membership vector with one non-zero entry for class k (-4 .. 4).
FuzzyMemberships only(int k, double value = 1.0) {
  FuzzyMemberships m{};
  m[std::size_t(k + 4)] = value;
  return m;
}

FuzzyMemberships two(int k, double a, int l, double b) {
  FuzzyMemberships m = only(k, a);
  m[std::size_t(l + 4)] = b;
  return m;
}

void expectMemberships(const FuzzyMemberships& actual, const FuzzyMemberships& expected) {
  for (std::size_t k = 0; k < expected.size(); ++k) {
    EXPECT_NEAR(actual[k], expected[k], 1e-15) << "class " << int(k) - 4;
  }
}

// Worked out from the trapezoid corners, with the rule order outside, rising
// edge, plateau, falling edge (so both ends of a plateau give 1).
TEST(FuzzyInterval, MembershipsAndClassesAtEveryBorder) {
  const struct {
    double x;
    FuzzyMemberships memberships;
    int cls;
  } cases[] = {
      {0, only(0), 0},
      {1, only(1), 1},
      {2, only(1), 1},
      {3, only(2), 2},
      {4, only(2), 2},
      {5, only(3), 3},
      {6, only(3), 3},
      {7, only(3), 3},
      {8, only(4), 4},
      {24, only(4), 4},
      {25, only(4, 1 - 1.0 / 976), 4},
      {-1, only(-1), -1},
      {-2, only(-1), -1},
      {-3, only(-2), -2},
      {-4, only(-2), -2},
      {-5, only(-3), -3},
      {-6, only(-3), -3},
      {-7, only(-3), -3},
      {-8, only(-4), -4},
      {-24, only(-4), -4},
      {-25, only(-4, 1 - 1.0 / 976), -4},
      {-127, only(-4, 873.0 / 976), -4},
      // Fractional values from contour differences; ties go to the lower class.
      {0.5, only(1, 0.5), 1},
      {-0.5, only(-1, 0.5), -1},
      {1.5, only(1), 1},
      {2.5, two(1, 0.5, 2, 0.5), 1},
      {-2.5, two(-2, 0.5, -1, 0.5), -2},
      {7.25, two(3, 0.75, 4, 0.25), 3},
      {7.75, two(3, 0.25, 4, 0.75), 4},
      {-7.5, two(-4, 0.5, -3, 0.5), -4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    expectMemberships(fuzzyIntervalMemberships(c.x), c.memberships);
    EXPECT_EQ(fuzzyIntervalClass(c.x), c.cls);
  }
}

TEST(FuzzyInterval, NothingBeyondTheOuterCorners) {
  for (const double x : {1000.0, 1000.5, -1000.5, 5000.0, std::nan("")}) {
    SCOPED_TRACE(x);
    expectMemberships(fuzzyIntervalMemberships(x), FuzzyMemberships{});
  }
}

TEST(FuzzyInterval, SimilarityCases) {
  const double halfRoot = 1 / std::sqrt(2.0);  // cosine of (.5, .5) and (1, 0)
  const struct {
    const char* name;
    std::vector<double> x, y;
    double expected;
  } cases[] = {
      {"empty", {}, {}, 1},
      {"different lengths", {1}, {}, -1},
      {"different lengths 2", {1, 2}, {1}, -1},
      {"same class", {1, -3}, {2, -4}, 1},
      {"disjoint classes", {0}, {1}, 0},
      {"half in a neighbour class", {2.5}, {2}, halfRoot},
      {"mean over positions", {1, 2.5, 0}, {1, 2, 3}, (1 + halfRoot + 0) / 3},
      {"all-zero memberships count 1", {1001}, {3}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(fuzzyIntervalSimilarity(c.x, c.y), c.expected, 1e-15);
  }
}

TEST(FuzzyInterval, SimilarityIsSymmetricInRangeAndOneForIdentity) {
  std::mt19937 random(4);
  std::uniform_real_distribution<double> interval(-30, 30);
  std::uniform_int_distribution<int> length(1, 12);
  for (int round = 0; round < 500; ++round) {
    const int n = length(random);
    std::vector<double> x, y;
    for (int i = 0; i < n; ++i) {
      // Half of the values on whole semitones, as interval sequences have.
      x.push_back(round % 2 ? std::round(interval(random)) : interval(random));
      y.push_back(interval(random));
    }
    const double s = fuzzyIntervalSimilarity(x, y);
    EXPECT_GE(s, 0.0);
    EXPECT_LE(s, 1.0);
    EXPECT_EQ(s, fuzzyIntervalSimilarity(y, x));
    EXPECT_NEAR(fuzzyIntervalSimilarity(x, x), 1.0, 1e-15);
  }
}

}  // namespace
}  // namespace suite::similarity
