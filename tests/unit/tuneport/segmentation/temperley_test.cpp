// Temperley's grouping rule: gap scores, start penalties and the dynamic
// programme that chooses the phrase starts.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

TEST(TemperleyGrouping, GapScores) {
  const struct {
    Series interOnsets, rests, expected;
  } cases[] = {
      {{500, 500, 1000}, {0, 0, 500}, {0, 0.5, 0.5, 1.125}},  // g(3) = 1500 / 2000 * 0.5 * 3
      {{500, 500}, {0}, {}},                                  // unequal lengths
      {{0, 500}, {-200, 0}, {0, 0, 1}},  // no time elapsed before note 1: not finite, 0
  };
  for (const auto& c : cases) EXPECT_EQ(gapScores(c.interOnsets, c.rests), c.expected);
}

TEST(TemperleyGrouping, StartPenaltyRelatesBeats) {
  const auto pos = [](std::int32_t beat, std::int32_t tick, std::int32_t numerator) {
    return BeatPosition{beat, tick, numerator, true};
  };
  const struct {
    BeatPosition later, earlier;
    double expected;
  } cases[] = {
      {BeatPosition{3, 0, 4, false}, pos(1, 0, 4), 0.0},  // no position
      {pos(1, 0, 4), BeatPosition{3, 0, 4, false}, 0.0},
      {pos(1, 0, 4), pos(1, 96, 4), 0.15},  // another tick
      {pos(3, 48, 4), pos(3, 48, 4), 0.0},
      {pos(3, 0, 4), pos(1, 0, 4), 0.3},    // half a bar apart
      {pos(1, 0, 6), pos(3, 0, 6), 0.3},    // a third of a bar
      {pos(2, 0, 3), pos(1, 0, 3), 0.15},
      {pos(3, 0, 12), pos(1, 0, 12), 0.15},  // a sixth of a bar is no subdivision
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(startPenalty(c.later, c.earlier), c.expected);
}

TEST(TemperleyGrouping, ChoosesPhraseStarts) {
  // Equal gaps: the starts that fit the metre (beats of 4/4) and the preferred length.
  const std::vector<BeatPosition> beats{
      {1, 0, 4, true}, {3, 0, 4, true}, {2, 0, 4, true}, {2, 0, 4, true}, {1, 0, 4, true}};
  EXPECT_EQ(groupingBoundaries(Series{0, 3, 3, 3, 3}, beats), (Series{1, 0, 1, 0}));
  // A phrase is at most 19 positions long, however high the score at its end.
  Series high(22, 0.0);
  high.back() = 100;
  Series expected(21, 0.0);
  expected[1] = 1;
  EXPECT_EQ(groupingBoundaries(high, {}), expected);
  // Every candidate of position 2 scores below -1000; the best of them, one
  // phrase from position 0, must win, and the walk back must end.
  EXPECT_EQ(groupingBoundaries(Series{0, -5000, -5000}, {}), (Series{0, 0}));
  // Scores that are not numbers never win; the walk still ends.
  const double nan = std::nan("");
  EXPECT_EQ(groupingBoundaries(Series{0, nan, nan, nan}, {}).size(), 3u);
}

}  // namespace
}  // namespace suite::tuneport::segmentation
