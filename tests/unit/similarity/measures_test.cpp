// The comparison methods of the measure families on small cases worked out by
// hand, where they hold boundaries and ties that the real pairs of
// engine_test.cpp do not reach.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "similarity/accent_measures.h"
#include "similarity/correlation.h"
#include "similarity/edit_distance.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_interval.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/harmonic_measures.h"
#include "similarity/interval_difference.h"
#include "similarity/ngram.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

using Values = std::vector<double>;

TEST(EditDistance, WorkedByHand) {
  EXPECT_EQ(editDistance(Values{60, 62, 64}, Values{60, 64}), 1u);
  EXPECT_EQ(editDistance(Values{}, Values{1, 2, 3}), 3u);
}

TEST(FuzzyInterval, ClassesAtTheBordersAndTies) {
  const std::pair<double, int> classes[] = {
      {0, 0},  {1, 1},   {2, 1},   {3, 2},   {4, 2},   {5, 3},     {7, 3},     {8, 4},  {25, 4},
      {-1, -1}, {-3, -2}, {-5, -3}, {-8, -4}, {2.5, 1}, {-2.5, -2}, {7.75, 4}, {-7.5, -4}};
  for (const auto& [x, cls] : classes) EXPECT_EQ(fuzzyIntervalClass(x), cls) << x;
  EXPECT_NEAR(fuzzyIntervalMemberships(25)[8], 1 - 1.0 / 976, 1e-15);
  const double halfRoot = 1 / std::sqrt(2.0);  // cosine of (.5, .5) and (1, 0)
  EXPECT_NEAR(fuzzyIntervalSimilarity(Values{1, 2.5, 0}, Values{1, 2, 3}), (1 + halfRoot) / 3,
              1e-15);
  EXPECT_EQ(fuzzyIntervalSimilarity(Values{1, 2}, Values{1}), -1.0);
  EXPECT_EQ(fuzzyIntervalSimilarity(Values{}, Values{}), 1.0);
  EXPECT_EQ(fuzzyIntervalSimilarity(Values{1001}, Values{3}), 1.0);  // no membership at all
}

TEST(DurationClasses, ThresholdsAreExclusive) {
  const std::tuple<double, double, int> cases[] = {
      {4, 4, 2}, {8, 4, 3}, {2, 4, 1}, {1, 4, 0}, {14, 4, 4}, {13, 4, 3}, {33, 10, 3},
      {9, 10, 1}, {5, 10, 1}, {10, 20, 1}, {9, 20, 0}, {1, 0, 4}};
  for (const auto& [d, r, cls] : cases) EXPECT_EQ(durationClass(d, r), cls) << d << " / " << r;
}

TEST(NGram, MethodsOnWorkedCases) {
  const struct {
    Values s, l;
    int n;
    double sum, distinct, ukkonen;
  } cases[] = {
      {{2, 2, -4}, {2, 2, -4, 2, 2}, 3, 0, 0, 0},  // not longer than n: equality decides
      {{1, 1, 1, 1}, {1, 1, 1, 2}, 2, 5.0 / 6, 0.5, 1 - 2.0 / 6},
      {{1, 2, 3, 1}, {2, 3, 1, 5, 2}, 2, 4.0 / 7, 2.0 / 4, 1 - 3.0 / 7},
      {{-0.0, 1, 0.0}, {0.0, 1, -0.0}, 2, 1, 1, 1},
  };
  for (const auto& c : cases) {
    EXPECT_NEAR(nGramSimilarity(c.s, c.l, SumCommon, c.n), c.sum, 1e-15);
    EXPECT_NEAR(nGramSimilarity(c.l, c.s, CountDistinct, c.n), c.distinct, 1e-15);
    EXPECT_NEAR(nGramSimilarity(c.s, c.l, Ukkonen, c.n), c.ukkonen, 1e-15);
  }
  EXPECT_EQ(nGramSimilarity(Values{1, 1, 1}, Values{1, 1, 1}, Rough, 2), 0.0);  // no method
}

TEST(Spectra, WorkedByHand) {
  const std::pair<Values, Values> cases[] = {
      {{0, 1, 0, 1}, {0, 4}}, {{1, 3}, {4}}, {{1, 2, 3}, {3}},  // 2 |Re| at floor(3/2)
      {{1, 0, 0, 0, 0}, {2, 2}}, {{5}, {}}};
  for (const auto& [window, expected] : cases) {
    const Values spectrum = magnitudeSpectrum(window);
    ASSERT_EQ(spectrum.size(), expected.size());
    for (std::size_t k = 0; k < expected.size(); ++k) EXPECT_NEAR(spectrum[k], expected[k], 1e-12);
  }
  EXPECT_EQ(compareSpectra({}, {}, Fourier), 1.0);
  EXPECT_EQ(compareSpectra({}, {}, Fourier | Intervals), 0.0);
}

TEST(WindowComparisons, WorkedByHand) {
  EXPECT_EQ(correlation(Values{1, 2, 3}, Values{3, 2, 1}, PearsonBravais), -1.0);
  EXPECT_EQ(correlation(Values{1, 2, 3}, Values{3, 2, 1}, PearsonBravais | Stretched), 0.0);
  EXPECT_DOUBLE_EQ(correlation(Values{60, 62, 64}, Values{50, 52, 54}, CrossCorrelation), 1.0);
  EXPECT_EQ(correlation(Values{5, 5}, Values{1, 9}, PearsonBravais), 1.0);  // constant window
  EXPECT_DOUBLE_EQ(intervalDifference(Values{2, -2}, Values{2, -1}, MeanDifference), 0.875);
  EXPECT_DOUBLE_EQ(intervalDifference(Values{2, -2}, Values{2, -1}, MeanDifferenceExp),
                   std::exp(-0.5));
  // a = (0, 1): mean 0.5, spread max 1 + standard deviation 0.5.
  EXPECT_DOUBLE_EQ(intervalDifference(Values{2, -2}, Values{2, -1}, 0), 1 - 0.5 / 1.5);
}

TEST(Gauss, SimilarityOfOnsetWindows) {
  GaussTable table;
  std::ostringstream err;
  ASSERT_TRUE(buildGaussTable(table, err));
  EXPECT_EQ(err.str(), "Init Gauss function lookup table...\nDone.\n");
  const double e25 = std::exp(-0.25);  // onsets 0.03 apart at width 0.03: G(0.5)
  EXPECT_NEAR(gaussSimilarity(Values{0.0}, Values{0.03}, 0.03, 0.0, &table), e25, 1e-9);
  EXPECT_NEAR(gaussSimilarity(Values{0.0, 0.06}, Values{0.03}, 0.03, 0.0, &table),
              2 * e25 / std::sqrt(2 + 2 * std::exp(-1.0)), 1e-9);
  EXPECT_EQ(gaussSimilarity(Values{0.0}, Values{0.2226}, 0.03, 0.0, &table), 0.0);
  EXPECT_EQ(gaussSimilarity(Values{0.0}, Values{0.2225}, 0.03, 0.0, nullptr),
            gaussSimilarity(Values{0.0}, Values{0.2225}, 0.03, 0.0, &table));
}

TEST(HarmonicAndAccentMeasures, WorkedByHand) {
  const auto cosine = [](int k1, int k2) {
    return std::cos((circleOfFifthsPosition(k1) - circleOfFifthsPosition(k2)) *
                    0.5235987755982988);
  };
  EXPECT_NEAR(cosine(0, 7), std::cos(std::numbers::pi / 6), 1e-12);  // C and G major: a fifth apart
  EXPECT_NEAR(cosine(0, 6), -1.0, 1e-12);                // C and F# major
  EXPECT_NEAR(cosine(0, 21), std::cos(std::numbers::pi / 12), 1e-12);  // C major, A minor
  EXPECT_EQ(weightedProfileDistance(Values{1, 0, 1}, Values{1, 0, 1}), 0.0);
  EXPECT_EQ(weightedProfileDistance(Values{1, 0, 0}, Values{0, 0, 1}), 0.0);  // zeros are free
  EXPECT_EQ(weightedProfileDistance(Values{1, 0}, Values{0, 2}), 1.0);
  EXPECT_EQ(weightedProfileDistance(Values{2, 1}, Values{1}), 2.0);  // drop the leading 2
}

}  // namespace
}  // namespace suite::similarity
