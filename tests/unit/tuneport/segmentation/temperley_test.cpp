// Temperley's grouping rule: gap scores, start penalties, the dynamic
// programme, and the segmenter that feeds it from a melody.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "tuneport/segmentation/temperley_grouping.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

TEST(TemperleyGaps, GapRelativeToTheMeanIntervalSoFar) {
  const struct {
    Series interOnsets, rests, expected;
  } cases[] = {
      {{500, 500, 1000}, {0, 0, 500}, {0, 0.5, 0.5, 1.125}},  // g(3) = 1500 / 2000 * 0.5 * 3
      {{500, 500}, {0}, {}},                                  // unequal lengths
      {{0, 500}, {-200, 0}, {0, 0, 1}},  // no time elapsed before note 1: not finite, 0
  };
  for (const auto& c : cases) EXPECT_EQ(gapScores(c.interOnsets, c.rests), c.expected);
}

TEST(TemperleyGaps, StartPenaltyRelatesBeats) {
  const auto pos = [](std::int32_t beat, std::int32_t tick, std::int32_t numerator) {
    return BeatPosition{beat, tick, numerator, true};
  };
  const struct {
    const char* what;
    BeatPosition later, earlier;
    double expected;
  } cases[] = {
      {"no position", BeatPosition{}, pos(1, 0, 4), 0.0},
      {"no earlier position", pos(1, 0, 4), BeatPosition{3, 0, 4, false}, 0.0},
      {"other tick", pos(1, 0, 4), pos(1, 96, 4), 0.15},
      {"same beat and tick", pos(3, 48, 4), pos(3, 48, 4), 0.0},
      {"4/4, beats 3 and 1: half bar", pos(3, 0, 4), pos(1, 0, 4), 0.3},
      {"6/8, beats 1 and 3: thirds", pos(1, 0, 6), pos(3, 0, 6), 0.3},
      {"3/4, beats 2 and 1", pos(2, 0, 3), pos(1, 0, 3), 0.15},
      {"12/8, beats 3 and 1: no subdivision", pos(3, 0, 12), pos(1, 0, 12), 0.15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_DOUBLE_EQ(startPenalty(c.later, c.earlier), c.expected);
  }
}

TEST(TemperleyGrouping, BadlyScoredPositionsStillGetAPhrase) {
  // Every candidate of position 2 scores below -1000; the best of them, one
  // phrase from position 0, must win, and the walk back must end.
  EXPECT_EQ(groupingBoundaries(Series{0, -5000, -5000}, {}), (Series{0, 0}));
  // Scores that are not numbers never win; the walk still ends.
  const double nan = std::nan("");
  EXPECT_EQ(groupingBoundaries(Series{0, nan, nan, nan}, {}).size(), 3u);
}

TEST(TemperleyGrouping, PhraseStartsAfterTheLongGap) {
  // Twenty legato notes 500 ms apart; after note 9 a rest of 1500 ms.
  model::ConverterMelody m;
  double onset = 0.0;
  for (int i = 0; i < 20; ++i) {
    m.append({model::kNoTicks, onset, 60 + i % 5, 500.0, {}});
    onset += i == 9 ? 2000.0 : 500.0;
  }
  TemperleySegmenter segmenter(&m);
  Series out;
  segmenter.compute(out);
  Series expected(19, 0.0);  // one value per note followed by a sounding note
  expected[9] = 1.0;         // note 10 starts a phrase
  EXPECT_EQ(out, expected);
}

}  // namespace
}  // namespace suite::tuneport::segmentation
