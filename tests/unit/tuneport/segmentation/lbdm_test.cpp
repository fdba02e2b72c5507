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

}  // namespace
}  // namespace suite::tuneport::segmentation
