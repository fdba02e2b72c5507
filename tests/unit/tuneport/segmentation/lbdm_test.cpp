// Local Boundary Detection Model: parameter series, plain and refined
// profiles, their sum and the two peak pickers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/segmentation/lbdm.h"
#include "tuneport/segmentation/parameter_series.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;
using test::melodyFromMs;

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

TEST(LbdmProfiles, RefinedProfileWeighsDegreesOfChange) {
  const struct {
    Series x, expected;
  } cases[] = {
      {{1e6, 1e6 + 1}, {0, 0}},  // changes below 1e-6 count as none
      {{2, -2}, {0, 0}},         // zero sum
  };
  for (const auto& c : cases) EXPECT_EQ(refinedProfile(c.x), c.expected);
}

TEST(LbdmPickers, PickerOneMarksPeaksAndPlateauEdges) {
  const struct {
    Series profile, expected;
    const char* error;
  } cases[] = {
      {{1, 3, 3, 1}, {0, 0.5, 0.5, 0}, ""},  // plateau top
      {{2, 2, 2}, {0, 0, 0}, ""},
      {{5, 1, 5}, {1, 0, 1}, ""},  // ends above their neighbours
      {{5, 5, 1, 4, 4}, {0, 0.5, 0, 0.5, 0}, ""},
      {{1, 2}, {}, "LBDMBase: Bounds empty"},
  };
  for (const auto& c : cases) {
    PlainLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker1(c.profile, out);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(lbdm.errorText(), c.error);
  }
}

TEST(LbdmPickers, PickerTwoKeepsTheMaximaOfTheMaxima) {
  const struct {
    Series profile, expected;
  } cases[] = {
      // Maxima at 1 (3), 3 (5), 5 (4); among 3, 5, 4 the maximum is 5.
      {{0, 3, 1, 5, 2, 4, 0}, {0, 0, 0, 1, 0, 0, 0}},
      // Maxima at 0 (6), 2 (4), 4 (5): the ends of 6, 4, 5 both count.
      {{6, 1, 4, 2, 5}, {1, 0, 0, 0, 1}},
      {{1, 3, 3, 1}, {0, 1, 1, 0}},  // a plateau: both are maxima, also among the maxima
  };
  for (const auto& c : cases) {
    const PlainLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker2(c.profile, out);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(LbdmCompute, SumsTheProfilesOfTheSameLength) {
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

  // A trailing rest: inter-onset and rest series cover notes 0 and 1, the
  // pitch series all three pairs, so the pitch profile is not added.
  const model::ConverterMelody rest =
      melodyFromMs({{0, 500, 60}, {500, 250, 72}, {1500, 500, 62}, {2000, 500, 0}});
  PlainLBDM withRest(&rest);
  withRest.compute(profile);
  EXPECT_EQ(profile, (Series{4, 4}));  // inter-onset 500 1000 -> 3 2; rests 0 750 -> 1 2
}

TEST(LbdmCompute, Errors) {
  const model::ConverterMelody empty;
  const model::ConverterMelody one = melodyFromMs({{0, 500, 60}});
  const struct {
    const model::ConverterMelody* melody;
    const char* error;
  } cases[] = {{nullptr, "Invalid melody object"},
               {&empty, "Empty melody"},
               {&one, "RefinedLBDM: Internal error"}};
  for (const auto& c : cases) {
    Series out{9};
    RefinedLBDM refined(c.melody);
    refined.compute(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(refined.errorText(), c.error);
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
