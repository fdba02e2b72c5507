// Refinement, tatum estimation, the bar-position pass and quantise.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {
namespace {

using test::legatoMelody;
using test::melodyFromTicks;
using Texts = std::vector<std::string>;

Texts positionTexts(const ConverterMelody& m) {
  Texts out;
  for (const BarPosition& p : m.positions()) out.push_back(p.toString());
  return out;
}

TEST(Refine, CoarsestSubdivisionThatFitsStrictlyBetter) {
  EXPECT_EQ(refine(48, 96), 2);
  EXPECT_EQ(refine(12, 96), 8);
  EXPECT_EQ(refine(64, 96), 3);  // a grid of 48 fits only as well as 96; 32 exactly
  EXPECT_EQ(refine(9, 12), 4);   // a grid of 4 fits only as well as 12; 3 exactly
  EXPECT_EQ(refine(5, 2), 1);    // k = 2 would be the grid itself
}

TEST(TatumEstimation, FindsTheShortestRegularSubdivision) {
  const struct {
    ConverterMelody melody;
    std::int32_t tatum;
  } cases[] = {
      {melodyFromTicks({{0, 48, 60}, {96, 48, 62}, {192, 48, 64}, {288, 96, 65}}), 48},
      // Durations refine the unit only down to a sixth of a beat.
      {melodyFromTicks({{0, 24, 60}, {96, 24, 62}, {192, 24, 64}, {288, 96, 65}}), 96},
      {legatoMelody({1, 1, 2, 4}, 1), 1},  // one tick per beat
  };
  for (const auto& c : cases) {
    ConverterMelody m = c.melody;
    m.estimateTatum();
    EXPECT_TRUE(m.tatumDone);
    EXPECT_EQ(m.tatum, c.tatum);
    EXPECT_EQ(m.durationUnit, c.tatum);
  }
}

TEST(TatumEstimation, RunsOnceAndNotForAnUnknownTatum) {
  ConverterMelody m = legatoMelody({48, 48});
  m.tatum = 0;
  m.estimateTatum();
  EXPECT_FALSE(m.tatumDone);
  m.tatum = 7;
  m.tatumDone = true;
  m.estimateTatum();
  EXPECT_EQ(m.tatum, 7);
}

TEST(Quantise, RecomputesTicksOnlyWhenNeededAndNeedsAResolution) {
  const struct {
    std::vector<std::int32_t> ticks;
    std::int32_t level;
    std::vector<std::int32_t> expected;
  } cases[] = {{{0, 100, 200}, 0, {0, 100, 200}},  // rising: kept, although the ms disagree
               {{0, 100, 0}, 0, {0, 96, 192}},     // a later one equals the first
               {{0, 0, 0}, 24, {0, 0, 0}}};       // not at a non-zero level
  for (const auto& c : cases) {
    ConverterMelody m = test::melodyFromMs({{0, 250, 60}, {250, 250, 62}, {500, 250, 64}});
    for (std::size_t i = 0; i < c.ticks.size(); ++i) m.notes[i].ticks = c.ticks[i];
    ASSERT_TRUE(m.quantise(c.level));
    EXPECT_EQ(m.onsetTicks(), c.expected);
  }
  for (const auto& [ticksPerBeat, numerator] : {std::pair{0, 4}, std::pair{192, 0}}) {
    ConverterMelody unusable = test::melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    unusable.ticksPerBeat = ticksPerBeat;
    unusable.numerator = numerator;
    EXPECT_FALSE(unusable.quantise(0));  // and changes nothing
    EXPECT_FALSE(unusable.assignBarPositions(0));
    EXPECT_FALSE(unusable.tatumDone);
    EXPECT_EQ(unusable.notes[1].ticks, kNoTicks);
  }
}

TEST(BarPositionPass, PlacesTheFirstNoteAndFindsTheUpbeat) {
  const struct {
    std::vector<std::int32_t> onsets;
    std::int32_t ticksPerBeat;
    Texts positions;
    std::int32_t upbeatIndex;
  } cases[] = {
      {{0, 192, 768, 960}, 192, {"1.1.0", "1.2.0", "2.1.0", "2.2.0"}, 0},
      {{384, 576, 768, 960}, 192, {"0.3.0", "0.4.0", "1.1.0", "1.2.0"}, 1},
      // The first half of a bar counts as that bar.
      {{192, 384, 576, 768, 960}, 192, {"1.2.0", "1.3.0", "1.4.0", "2.1.0", "2.2.0"}, 2},
      // The upbeat search never closes: an earlier value must not survive.
      {{384, 480, 576}, 192, {"0.3.0", "0.3.96", "0.4.0"}, 0},
      {{0, 1, 2, 4}, 1, {"1.1.0", "1.2.0", "1.3.0", "2.1.0"}, 0},
  };
  for (const auto& c : cases) {
    ConverterMelody m;
    m.ticksPerBeat = c.ticksPerBeat;
    m.upbeatIndex = 7;
    for (const std::int32_t onset : c.onsets) m.append({onset, 0.0, 60, 0.0, {}});
    ASSERT_TRUE(m.quantise(0));
    EXPECT_EQ(positionTexts(m), c.positions);
    EXPECT_EQ(m.upbeatIndex, c.upbeatIndex);
  }
  // Snapped to 24 points (step 4), the last one included; snapped positions carry on:
  // 95 -> 2.0, then +95 -> 2.95 -> 3.0, then +101 -> 4.5 -> 4.4.
  ConverterMelody m =
      melodyFromTicks({{0, 95, 60}, {95, 95, 62}, {190, 95, 64}, {291, 95, 65}}, 96);
  ASSERT_TRUE(m.quantise(24));
  EXPECT_EQ(positionTexts(m), (Texts{"1.1.0", "1.2.0", "1.3.0", "1.4.4"}));
}

}  // namespace
}  // namespace suite::tuneport::model
