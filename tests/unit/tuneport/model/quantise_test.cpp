// Refinement, tatum estimation, the bar-position pass and quantise.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {
namespace {

using test::legatoMelody;
using test::melodyFromMs;
using test::melodyFromTicks;
using Texts = std::vector<std::string>;

Texts positionTexts(const ConverterMelody& m) {
  Texts out;
  for (const BarPosition& p : m.positions()) out.push_back(p.toString());
  return out;
}

TEST(Refine, CoarsestSubdivisionThatFitsStrictlyBetter) {
  const struct {
    std::int32_t ticks, grid, expected;
  } cases[] = {
      {96, 96, 1}, {48, 96, 2}, {72, 96, 4}, {90, 96, 1}, {-48, 96, 2}, {5, 0, 1},
      {64, 96, 3},  // a grid of 48 fits only as well as 96; 32 exactly
      {9, 12, 4},   // a grid of 4 fits only as well as 12; 3 exactly
      {5, 2, 1},    // k = 2 would be the grid itself
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ticks) + " on " + std::to_string(c.grid));
    EXPECT_EQ(refine(c.ticks, c.grid), c.expected);
  }
}

TEST(TatumEstimation, FindsTheShortestRegularSubdivision) {
  const struct {
    const char* what;
    ConverterMelody melody;
    std::int32_t tatum;
  } cases[] = {
      {"quarters", legatoMelody({192, 192, 192, 192}), 96},
      {"eighths and triplets", legatoMelody({96, 64, 64, 64, 96}), 32},
      {"dotted rhythm", legatoMelody({144, 48, 144, 48}), 48},
      {"jittered eighths", legatoMelody({90, 100, 96, 98, 96}), 96},
      {"staccato eighths",
       melodyFromTicks({{0, 48, 60}, {96, 48, 62}, {192, 48, 64}, {288, 96, 65}}), 48},
      {"durations no finer than a sixth of a beat",
       melodyFromTicks({{0, 24, 60}, {96, 24, 62}, {192, 24, 64}, {288, 96, 65}}), 96},
      {"one tick per beat", legatoMelody({1, 1, 2, 4}, 1), 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
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
  EXPECT_EQ(m.tatum, 0);
  EXPECT_FALSE(m.tatumDone);
  m.tatum = 7;
  m.tatumDone = true;
  m.estimateTatum();
  EXPECT_EQ(m.tatum, 7);
}

TEST(Quantise, TicksAreRecomputedOnlyAtLevel0AndWhenTheyDoNotRise) {
  const struct {
    std::vector<std::int32_t> ticks;
    std::int32_t level;
    std::vector<std::int32_t> expected;
  } cases[] = {
      {{0, 100, 200}, 0, {0, 100, 200}},  // rising: kept, although the ms disagree
      {{0, 100, 0}, 0, {0, 96, 192}},     // a later one equals the first
      {{7, -1, 300}, 0, {0, 96, 192}},    // one missing
      {{0, 0, 0}, 24, {0, 0, 0}},
  };
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}, {500, 250, 64}});
    for (std::size_t i = 0; i < c.ticks.size(); ++i) m.notes[i].ticks = c.ticks[i];
    ASSERT_TRUE(m.quantise(c.level));
    EXPECT_EQ(m.onsetTicks(), c.expected);
  }
}

TEST(Quantise, UnusableResolutionOrSignatureChangesNothing) {
  const struct {
    std::int32_t ticksPerBeat, numerator;
  } cases[] = {{0, 4}, {-192, 4}, {192, 0}, {192, -3}};
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    m.ticksPerBeat = c.ticksPerBeat;
    m.numerator = c.numerator;
    EXPECT_FALSE(m.quantise(0));
    EXPECT_FALSE(m.assignBarPositions(0));
    EXPECT_FALSE(m.tatumDone);
    EXPECT_EQ(m.notes[1].ticks, kNoTicks);
    EXPECT_FALSE(m.notes[0].position.available());
  }
}

TEST(BarPositionPass, PlacesTheFirstNoteAndFindsTheUpbeat) {
  const struct {
    const char* what;
    std::vector<std::int32_t> onsets;
    std::int32_t numerator, ticksPerBeat;
    Texts positions;
    std::int32_t upbeatIndex;
  } cases[] = {
      {"upbeat on beat 4", {576, 768, 960}, 4, 192, {"0.4.0", "1.1.0", "1.2.0"}, 0},
      {"on the bar line", {0, 192, 768}, 4, 192, {"1.1.0", "1.2.0", "2.1.0"}, 0},
      {"two upbeat notes", {384, 576, 768, 960}, 4, 192, {"0.3.0", "0.4.0", "1.1.0", "1.2.0"}, 1},
      {"first half of a bar counts as that bar", {192, 384, 576, 768, 960}, 4, 192,
       {"1.2.0", "1.3.0", "1.4.0", "2.1.0", "2.2.0"}, 2},
      {"later bar", {1000, 1768}, 4, 192, {"2.2.40", "3.2.40"}, 0},
      {"3/4 at 100 ticks", {250, 300, 400}, 3, 100, {"0.3.50", "1.1.0", "1.2.0"}, 0},
      // The upbeat search never closes: an earlier value must not survive.
      {"inside the first bar", {384, 480, 576}, 4, 192, {"0.3.0", "0.3.96", "0.4.0"}, 0},
      {"one tick per beat", {0, 1, 2, 4}, 4, 1, {"1.1.0", "1.2.0", "1.3.0", "2.1.0"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterMelody m;
    m.setSignature(c.numerator, 4);
    m.ticksPerBeat = c.ticksPerBeat;
    m.upbeatIndex = 7;
    for (const std::int32_t onset : c.onsets) m.append({onset, 0.0, 60, 0.0, {}});
    ASSERT_TRUE(m.quantise(0));
    EXPECT_EQ(positionTexts(m), c.positions);
    EXPECT_EQ(m.upbeatIndex, c.upbeatIndex);
  }
}

TEST(BarPositionPass, SnapsEveryNoteButTheLast) {
  ConverterMelody m = melodyFromTicks({{0, 95, 60}, {95, 95, 62}, {190, 95, 64}, {291, 95, 65}}, 96);
  ASSERT_TRUE(m.quantise(24));  // step 4 at 96 ticks per beat
  // Snapped positions carry on: 95 -> 2.0, then +95 -> 2.95 -> 3.0, then +101 -> 4.5.
  EXPECT_EQ(positionTexts(m), (Texts{"1.1.0", "1.2.0", "1.3.0", "1.4.5"}));
}

}  // namespace
}  // namespace suite::tuneport::model
