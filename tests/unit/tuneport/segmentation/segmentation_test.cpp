// The segmenters behind the segmentation columns: duration thresholds, the
// Local Boundary Detection Model (series, profiles, peak pickers), Temperley's
// grouping rule, and the pitch statistics report.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/segmentation/duration_segmenter.h"
#include "tuneport/segmentation/lbdm.h"
#include "tuneport/segmentation/parameter_series.h"
#include "tuneport/segmentation/pitch_statistics.h"
#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;
using test::melodyFromMs;

TEST(DurationSegmenter, LongNotesAgainstTheMostFrequentDuration) {
  const struct {
    std::vector<std::int32_t> durations;  // ticks at 192 per beat, 500 ms per beat
    double timeLimit, factor;
    Series plain, adaptive;
  } cases[] = {
      // Reference 384 over the whole melody; 96 before the early long notes.
      {{96, 384, 384, 384, 384, 96}, 1500, 3.9, {0, 0, 0, 0, 0, 1}, {0, 1, 1, 0, 0, 1}},
      // 96 and 192 twice each: the smaller one is the reference on the tie.
      {{96, 192, 96, 192, 375, 200, 300}, 1500, 3.9, {0, 0, 0, 0, 1, 0, 1}, {0, 0, 0, 0, 1, 0, 1}},
      // 600 ticks are 1562.5 ms: beyond the time limit whatever the reference.
      {{600, 600, 600, 600, 600}, 1500, 3.9, {0, 1, 1, 0, 1}, {0, 1, 1, 0, 1}},
      {{96, 96, 420, 96, 96, 96}, 1000, 5.9, {0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}},
      // Exactly the factor times the reference is long enough; the last two
      // notes are never tested.
      {{96, 96, 96, 384, 2000, 96}, 1500, 4.0, {0, 0, 0, 1, 0, 1}, {0, 0, 0, 1, 0, 1}},
  };
  for (const auto& c : cases) {
    const model::ConverterMelody m = test::legatoMelody(c.durations);
    for (const bool adaptive : {false, true}) {
      DurationSegmenter s(&m, c.timeLimit, c.factor, adaptive);
      Series out{9};
      s.compute(out);
      EXPECT_EQ(out, adaptive ? c.adaptive : c.plain);
    }
  }
}

TEST(LbdmSeries, FollowTheNextSoundingNote) {
  // A rest (pitch 0) and a marker (128) between sounding notes, a trailing rest.
  const model::ConverterMelody m = melodyFromMs(
      {{0, 400, 60}, {500, 200, 0}, {700, 299.5, 128}, {1000, 600, 62}, {1500, 600, 250},
       {2000, 100, 0}});
  // Notes 4 and 5 have no later sounding note and contribute nothing.
  EXPECT_EQ(interOnsetSeries(m), (Series{1000, 500, 300, 500}));
  // Rests to the next sounding onset; |x| < 1 ms is 0 (note 2), overlaps are negative.
  EXPECT_EQ(restSeries(m), (Series{600, 300, 0, -100}));
  EXPECT_EQ(pitchIntervalSeries(m), (Series{60, 128, 66, 188, 250}));
}

TEST(LbdmProfiles, SumsTheProfilesOfTheSameLength) {
  // Four notes, 500-500-1000 ms apart, legato, pitches 60 62 62 64:
  // inter-onset 500 500 1000 -> plain 0 3 2 (with the bonus), pitch 2 0 2 ->
  // 2 2 2, rests 0 0 0 -> 0 0 0.
  const model::ConverterMelody m =
      melodyFromMs({{0, 500, 60}, {500, 500, 62}, {1000, 1000, 62}, {2000, 500, 64}});
  PlainLBDM plain(&m);
  Series profile;
  plain.compute(profile);
  EXPECT_EQ(profile, (Series{2, 5, 4}));
  // Refined: inter-onset 500 500 1000: r = 0, 1/3: s = 0, 500/3, 1000/3 -> 0 0.5 1;
  // pitch 2 0 2: r = 1, 1: s = 2, 0, 2 -> 1 0 1; rests all 0.
  RefinedLBDM refined(&m);
  refined.compute(profile);
  EXPECT_EQ(profile, (Series{1, 0.5, 2}));
  // Degrees of change below 1e-6 count as none; so does a zero sum.
  EXPECT_EQ(refinedProfile({1e6, 1e6 + 1}), (Series{0, 0}));
  EXPECT_EQ(refinedProfile({2, -2}), (Series{0, 0}));

  // A trailing rest: inter-onset and rest series cover notes 0 and 1, the
  // pitch series all three pairs, so the pitch profile is not added.
  const model::ConverterMelody rest =
      melodyFromMs({{0, 500, 60}, {500, 250, 72}, {1500, 500, 62}, {2000, 500, 0}});
  PlainLBDM withRest(&rest);
  withRest.compute(profile);
  EXPECT_EQ(profile, (Series{4, 4}));  // inter-onset 500 1000 -> 3 2; rests 0 750 -> 1 2
}

TEST(LbdmPickers, PeaksPlateauEdgesAndMaximaOfMaxima) {
  const struct {
    Series profile, picker1, picker2;
  } cases[] = {
      // Ends count above their one neighbour; plateau tops give 0.5 at each edge.
      {{5, 1, 3, 3, 1, 5}, {1, 0, 0.5, 0.5, 0, 1}, {1, 0, 0, 0, 0, 1}},
      {{2, 2, 2, 1}, {0, 0, 0.5, 0}, {1, 1, 1, 0}},
      // Maxima at 0 (6), 2 (4), 4 (5): among 6, 4, 5 the two ends.
      {{6, 1, 4, 2, 5}, {1, 0, 1, 0, 1}, {1, 0, 0, 0, 1}},
      {{1, 2}, {}, {0, 0}},  // picker 1 needs three values; one maximum is none of maxima
  };
  for (const auto& c : cases) {
    PlainLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker1(c.profile, out);
    EXPECT_EQ(out, c.picker1);
    EXPECT_EQ(lbdm.errorText(), c.picker1.empty() ? "LBDMBase: Bounds empty" : "");
    lbdm.peakPicker2(c.profile, out);
    EXPECT_EQ(out, c.picker2);
  }
}

TEST(PitchStatistics, ReportText) {
  const struct {
    std::vector<std::int32_t> pitches;
    const char* text;
  } cases[] = {
      // Rests count with pitch 0; the tie for the mode goes to the lower pitch;
      // the running count 2, 3 first reaches 6 / 2 at 60.
      {{67, 0, 60, 67, 0, 61},
       "Min Pitch: 0 Max Pitch: 67 Ambitus:67\n"
       "Mean = 42.5 Modus =0 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 0 Freq: 2\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 61 Freq: 1\n"
       "Pitch: 67 Freq: 2\n"},
      // The running count 1 reaches 3 / 2 (integer division) at 60.
      {{61, 60, 61},
       "Min Pitch: 60 Max Pitch: 61 Ambitus:1\n"
       "Mean = 60.6667 Modus =61 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 61 Freq: 2\n"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    writePitchStatistics(test::melodyOfPitches(c.pitches), out);
    EXPECT_EQ(out.str(), c.text);
  }
}

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
