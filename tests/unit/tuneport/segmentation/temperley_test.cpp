// Temperley's grouping rule: gap scores, start penalties, the dynamic
// programme, and the segmenter that feeds it from a melody.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/segmentation/temperley_grouping.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

// Twenty legato notes 500 ms apart; after note 9 a rest of 1500 ms.
model::ConverterMelody twoPhrases() {
  model::ConverterMelody m;
  double onset = 0.0;
  for (int i = 0; i < 20; ++i) {
    model::NoteEvent e;
    e.onsetMs = onset;
    e.durationMs = 500.0;
    e.pitch = 60 + i % 5;
    m.append(e);
    onset += i == 9 ? 2000.0 : 500.0;
  }
  return m;
}

TEST(TemperleyGaps, GapRelativeToTheMeanIntervalSoFar) {
  const struct {
    const char* what;
    Series interOnsets, rests, expected;
  } cases[] = {
      // g(3) = (500 + 1000) / 2000 * 0.5 * 3.
      {"hand example", {500, 500, 1000}, {0, 0, 500}, {0, 0.5, 0.5, 1.125}},
      {"no intervals", {}, {}, {0}},
      {"unequal lengths", {500, 500}, {0}, {}},
      // No time elapsed before note 1: not finite, counts as 0.
      {"simultaneous start", {0, 500}, {-200, 0}, {0, 0, 1}},
      {"nothing at all", {0}, {0}, {0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(gapScores(c.interOnsets, c.rests), c.expected);
  }
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
      {"4/4, beats 2 and 1", pos(2, 0, 4), pos(1, 0, 4), 0.15},
      {"6/8, beats 4 and 1", pos(4, 0, 6), pos(1, 0, 6), 0.3},
      {"6/8, beats 1 and 3: thirds", pos(1, 0, 6), pos(3, 0, 6), 0.3},
      {"6/8, beats 2 and 1", pos(2, 0, 6), pos(1, 0, 6), 0.15},
      {"3/4, beats 2 and 1", pos(2, 0, 3), pos(1, 0, 3), 0.15},
      {"the later note's numerator counts", pos(3, 0, 3), pos(1, 0, 4), 0.15},
      {"no numerator", pos(3, 0, 0), pos(1, 0, 0), 0.15},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_DOUBLE_EQ(startPenalty(c.later, c.earlier), c.expected);
  }
}

TEST(TemperleyGrouping, ShortScoreLists) {
  EXPECT_TRUE(groupingBoundaries(Series{}, {}).empty());
  EXPECT_TRUE(groupingBoundaries(Series{0}, {}).empty());
  EXPECT_EQ(groupingBoundaries(Series{0, 3}, {}), Series{0});
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
  const model::ConverterMelody m = twoPhrases();
  TemperleySegmenter segmenter(&m);
  Series out;
  segmenter.compute(out);
  ASSERT_EQ(out.size(), 19u);  // one value per note followed by a sounding note
  Series expected(19, 0.0);
  expected[9] = 1.0;  // note 10 starts a phrase
  EXPECT_EQ(out, expected);
  EXPECT_EQ(segmenter.errorText(), "");
}

TEST(TemperleyGrouping, SegmenterErrors) {
  const model::ConverterMelody empty;
  const struct {
    const model::ConverterMelody* melody;
    const char* error;
  } cases[] = {{nullptr, "Invalid melody object"}, {&empty, "Empty melody"}};
  for (const auto& c : cases) {
    TemperleySegmenter segmenter(c.melody);
    Series out{9};
    segmenter.compute(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(segmenter.errorText(), c.error);
  }
  const model::ConverterMelody one = test::melodyFromMs({{0, 100, 60}});
  TemperleySegmenter single(&one);
  Series out{9};
  single.compute(out);
  EXPECT_TRUE(out.empty());
}

TEST(TemperleyGrouping, NotesFarLongerThanTheirIntervalsEnd) {
  // Durations of minutes against intervals of a millisecond make every gap
  // score hugely negative.
  model::ConverterMelody m;
  for (int i = 0; i < 30; ++i) m.append({-1, i * 1.0, 60, 1e7, {}});
  TemperleySegmenter segmenter(&m);
  Series out;
  segmenter.compute(out);
  EXPECT_EQ(out.size(), 29u);
  for (const double v : out) EXPECT_TRUE(v == 0.0 || v == 1.0);
}

}  // namespace
}  // namespace suite::tuneport::segmentation
