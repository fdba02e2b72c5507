// Local Boundary Detection Model: parameter series, plain and refined
// profiles, their sum and the two peak pickers.
#include <gtest/gtest.h>

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
  const model::ConverterMelody m = melodyFromMs({{0, 400, 60},
                                                 {500, 200, 0},
                                                 {700, 299.5, 128},
                                                 {1000, 600, 62},
                                                 {1500, 600, 250},
                                                 {2000, 100, 0}});
  // Notes 4 and 5 have no later sounding note and contribute nothing.
  EXPECT_EQ(interOnsetSeries(m), (Series{1000, 500, 300, 500}));
  // Rests to the next sounding onset; |x| < 1 ms is 0 (note 2), overlaps are negative.
  EXPECT_EQ(restSeries(m), (Series{600, 300, 0, -100}));
  EXPECT_EQ(pitchIntervalSeries(m), (Series{60, 128, 66, 188, 250}));
}

TEST(LbdmSeries, ShortMelodies) {
  EXPECT_TRUE(interOnsetSeries(model::ConverterMelody{}).empty());
  EXPECT_TRUE(pitchIntervalSeries(model::ConverterMelody{}).empty());
  const model::ConverterMelody one = melodyFromMs({{0, 100, 60}});
  EXPECT_TRUE(interOnsetSeries(one).empty());
  EXPECT_TRUE(restSeries(one).empty());
  EXPECT_TRUE(pitchIntervalSeries(one).empty());
}

TEST(LbdmProfiles, PlainProfileCountsRules) {
  const struct {
    Series x;
    bool interOnset;
    Series expected;
  } cases[] = {
      {{500, 500, 1000, 500}, true, {0, 3, 6, 1}},
      {{500, 500, 1000, 500}, false, {0, 1, 4, 1}},
      {{1, 1, 1}, true, {0, 0, 0}},
      {{3}, true, {0}},
      {{2, 1}, false, {2, 1}},
      {{1, 2}, true, {3, 2}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(plainProfile(c.x, c.interOnset), c.expected);
  }
}

TEST(LbdmProfiles, RefinedProfileWeighsDegreesOfChange) {
  const struct {
    const char* what;
    Series x;
    Series expected;
  } cases[] = {
      {"constant: all 0, not normalised", {500, 500, 500}, {0, 0, 0}},
      // s = 2*0, 2*(0 + 1/3), 4*(1/3): 0, 2/3, 4/3, divided by 4/3.
      {"normalised to the largest", {2, 2, 4}, {0, 0.5, 1}},
      {"two values", {1, 3}, {1.0 / 3, 1}},
      {"changes below 1e-6 count as none", {1e6, 1e6 + 1}, {0, 0}},
      {"negative sums count as none", {-1, -3}, {0, 0}},
      {"zero sum", {2, -2}, {0, 0}},
      {"single value", {7}, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const Series p = refinedProfile(c.x);
    ASSERT_EQ(p.size(), c.expected.size());
    for (std::size_t i = 0; i < p.size(); ++i) EXPECT_DOUBLE_EQ(p[i], c.expected[i]);
  }
}

TEST(LbdmPickers, PickerOneMarksPeaksAndPlateauEdges) {
  const struct {
    const char* what;
    Series profile;
    Series expected;
  } cases[] = {
      {"inter-onset example", {0, 3, 6, 1}, {0, 0, 1, 0}},
      {"plateau top", {1, 3, 3, 1}, {0, 0.5, 0.5, 0}},
      {"flat", {2, 2, 2}, {0, 0, 0}},
      {"ends above their neighbours", {5, 1, 5}, {1, 0, 1}},
      {"ends level with their neighbours", {5, 5, 1, 4, 4}, {0, 0.5, 0, 0.5, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    PlainLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker1(c.profile, out);
    EXPECT_EQ(out, c.expected);
    EXPECT_EQ(lbdm.errorText(), "");
  }
}

TEST(LbdmPickers, PickerOneNeedsThreeValues) {
  for (const Series& profile : {Series{}, Series{1}, Series{1, 2}}) {
    RefinedLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker1(profile, out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(lbdm.errorText(), "LBDMBase: Bounds empty");
  }
}

TEST(LbdmPickers, PickerTwoKeepsTheMaximaOfTheMaxima) {
  const struct {
    const char* what;
    Series profile;
    Series expected;
  } cases[] = {
      // Maxima at 1 (3), 3 (5), 5 (4); among 3, 5, 4 the maximum is 5.
      {"middle maximum", {0, 3, 1, 5, 2, 4, 0}, {0, 0, 0, 1, 0, 0, 0}},
      // Maxima at 0 (6), 2 (4), 4 (5): the ends of 6, 4, 5 both count.
      {"maxima at both ends", {6, 1, 4, 2, 5}, {1, 0, 0, 0, 1}},
      {"inter-onset example: one maximum only", {0, 3, 6, 1}, {0, 0, 0, 0}},
      // Plateau: 1 and 2 are both maxima (3, 3), and both maxima of those.
      {"plateau", {1, 3, 3, 1}, {0, 1, 1, 0}},
      {"one value", {4}, {0}},
      {"empty", {}, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const PlainLBDM lbdm(nullptr);
    Series out{9};
    lbdm.peakPicker2(c.profile, out);
    EXPECT_EQ(out, c.expected);
  }
}

TEST(LbdmCompute, SumsTheThreeProfiles) {
  // Four notes, 500-500-1000 ms apart, legato, pitches 60 62 62 64:
  // inter-onset 500 500 1000 -> plain 0 3 2 (with the bonus), pitch 2 0 2 ->
  // 2 2 2, rests 0 0 0 -> 0 0 0.
  const model::ConverterMelody m =
      melodyFromMs({{0, 500, 60}, {500, 500, 62}, {1000, 1000, 62}, {2000, 500, 64}});
  PlainLBDM plain(&m);
  Series profile;
  plain.compute(profile);
  EXPECT_EQ(profile, (Series{2, 5, 4}));
  EXPECT_EQ(plain.errorText(), "");
  // Three values for four notes: the writer prints 1 for note 4.
  Series picked;
  plain.peakPicker1(profile, picked);
  EXPECT_EQ(picked, (Series{0, 1, 0}));

  // Refined: inter-onset 500 500 1000: r = 0, 1/3: s = 0, 500/3, 1000/3 -> 0 0.5 1;
  // pitch 2 0 2: r = 1, 1: s = 2, 0, 2 -> 1 0 1; rests all 0.
  RefinedLBDM refined(&m);
  refined.compute(profile);
  ASSERT_EQ(profile.size(), 3u);
  EXPECT_DOUBLE_EQ(profile[0], 1.0);
  EXPECT_DOUBLE_EQ(profile[1], 0.5);
  EXPECT_DOUBLE_EQ(profile[2], 2.0);
}

TEST(LbdmCompute, ProfilesOfAnotherLengthAreLeftOut) {
  // A trailing rest: inter-onset and rest series cover notes 0 and 1, the
  // pitch series all three pairs, so the pitch profile is not added.
  const model::ConverterMelody m =
      melodyFromMs({{0, 500, 60}, {500, 250, 72}, {1500, 500, 62}, {2000, 500, 0}});
  PlainLBDM plain(&m);
  Series profile;
  plain.compute(profile);
  // inter-onset 500 1000 -> 3 2 (bonus); rests 0 750 -> 1 2.
  EXPECT_EQ(profile, (Series{4, 4}));
}

TEST(LbdmCompute, Errors) {
  const model::ConverterMelody empty;
  const model::ConverterMelody one = melodyFromMs({{0, 500, 60}});
  const struct {
    const model::ConverterMelody* melody;
    const char* plainError;
    const char* refinedError;
  } cases[] = {
      {nullptr, "Invalid melody object", "Invalid melody object"},
      {&empty, "Empty melody", "Empty melody"},
      {&one, "PlainLBDM: Internal error", "RefinedLBDM: Internal error"},
  };
  for (const auto& c : cases) {
    Series out{9};
    PlainLBDM plain(c.melody);
    plain.compute(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(plain.errorText(), c.plainError);
    out = {9};
    RefinedLBDM refined(c.melody);
    refined.compute(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(refined.errorText(), c.refinedError);
    out = {9};
    refined.parameterSeries(kPitchParameter, out);
    EXPECT_TRUE(out.empty());
    refined.boundaries(out);
    EXPECT_TRUE(out.empty());
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
