// Tatum estimation, the bar-position pass and quantise.
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

std::vector<std::string> positionTexts(const ConverterMelody& m) {
  std::vector<std::string> out;
  for (const BarPosition& p : m.positions()) out.push_back(p.toString());
  return out;
}

TEST(Refine, FindsTheCoarsestSubdivisionThatFitsBetter) {
  const struct {
    std::int32_t ticks, grid, expected;
  } cases[] = {
      {96, 96, 1},   // already on the grid: nothing to refine
      {192, 96, 1},
      {48, 96, 2},   // sixteenth against an eighth grid
      {144, 96, 2},  // dotted eighth
      {64, 96, 3},   // triplet: halving fits no better, thirds fit exactly
      {32, 96, 3},
      {72, 96, 4},
      {90, 96, 1},   // jitter: no finer grid fits better
      {100, 96, 1},
      {7, 12, 2},
      {9, 12, 4},    // sixths fit no better than the grid, quarters (3) exactly
      {5, 2, 1},     // k = 2 would be the grid itself
      {5, 1, 1},
      {5, 0, 1},
      {5, -6, 1},
      {-48, 96, 2},
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
      {"eighths", legatoMelody({96, 96, 96, 96, 96, 96, 96, 96}), 96},
      {"sixteenths", legatoMelody({48, 48, 48, 48, 48, 48, 48, 48}), 48},
      {"eighth triplets", legatoMelody({64, 64, 64, 64, 64, 64}), 32},
      {"eighths and triplets", legatoMelody({96, 64, 64, 64, 96}), 32},
      {"dotted rhythm", legatoMelody({144, 48, 144, 48}), 48},
      {"jittered eighths", legatoMelody({90, 100, 96, 98, 96}), 96},
      {"staccato eighths",
       melodyFromTicks({{0, 48, 60}, {96, 48, 62}, {192, 48, 64}, {288, 96, 65}}), 48},
      {"short notes stay within a sixth of a beat",
       melodyFromTicks({{0, 24, 60}, {96, 24, 62}, {192, 24, 64}, {288, 96, 65}}), 96},
      {"one tick per beat", legatoMelody({1, 1, 2, 4}, 1), 1},
      {"two ticks per beat", legatoMelody({1, 1, 2, 4}, 2), 1},
      {"three ticks per beat", legatoMelody({1, 1, 1, 3}, 3), 1},
      // Only divisors of half a beat (6) are reached: 2 is the coarsest that holds 4.
      {"twelve ticks per beat, triplets", legatoMelody({4, 4, 4, 12}, 12), 2},
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
  ConverterMelody unknown = legatoMelody({48, 48});
  unknown.tatum = 0;
  unknown.estimateTatum();
  EXPECT_EQ(unknown.tatum, 0);
  EXPECT_FALSE(unknown.tatumDone);

  ConverterMelody done = legatoMelody({48, 48});
  done.tatum = 7;
  done.tatumDone = true;
  done.estimateTatum();
  EXPECT_EQ(done.tatum, 7);

  for (const std::int32_t ticksPerBeat : {0, -192}) {
    ConverterMelody bad = legatoMelody({48, 48});
    bad.ticksPerBeat = ticksPerBeat;
    bad.estimateTatum();
    EXPECT_EQ(bad.tatum, 1);
    EXPECT_FALSE(bad.tatumDone);
  }
}

TEST(Quantise, MelodyWithoutTicksGetsThemFromMilliseconds) {
  ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}, {500, 250, 64}, {750, 250, 65}});
  ASSERT_TRUE(m.quantise(0));
  EXPECT_EQ(m.onsetTicks(), (std::vector<std::int32_t>{0, 96, 192, 288}));
  for (const NoteEvent& n : m.notes) EXPECT_NE(n.ticks, kNoTicks);
  EXPECT_EQ(m.tatum, 96);
  EXPECT_EQ(positionTexts(m), (std::vector<std::string>{"1.1.0", "1.1.96", "1.2.0", "1.2.96"}));
}

TEST(Quantise, TicksAreRecomputedOnlyWhenTheyDoNotRise) {
  const struct {
    std::vector<std::int32_t> ticks;
    std::vector<std::int32_t> expected;
  } cases[] = {
      {{0, 100, 200}, {0, 100, 200}},             // rising: kept, although the ms disagree
      {{0, 100, 0}, {0, 96, 192}},                // a later one equals the first
      {{50, 20, 300}, {0, 96, 192}},              // a later one lies before it
      {{-1, -1, -1}, {0, 96, 192}},               // none at all
      {{7, -1, 300}, {0, 96, 192}},               // one missing
  };
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}, {500, 250, 64}});
    for (std::size_t i = 0; i < c.ticks.size(); ++i) m.notes[i].ticks = c.ticks[i];
    ASSERT_TRUE(m.quantise(0));
    EXPECT_EQ(m.onsetTicks(), c.expected);
  }
}

TEST(Quantise, NonZeroLevelKeepsTicksAndTatum) {
  ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
  m.notes[0].ticks = 0;
  m.notes[1].ticks = 0;
  m.tatum = 8;
  ASSERT_TRUE(m.quantise(24));
  EXPECT_EQ(m.notes[1].ticks, 0);
  EXPECT_EQ(m.tatum, 8);
  EXPECT_FALSE(m.tatumDone);
}

TEST(BarPositionPass, PlacesTheFirstNoteAndFindsTheUpbeat) {
  const struct {
    const char* what;
    std::vector<std::int32_t> onsets;
    std::int32_t numerator, ticksPerBeat;
    std::vector<std::string> positions;
    std::int32_t upbeatIndex;
  } cases[] = {
      {"upbeat on beat 4", {576, 768, 960}, 4, 192, {"0.4.0", "1.1.0", "1.2.0"}, 0},
      {"on the bar line", {0, 192, 768}, 4, 192, {"1.1.0", "1.2.0", "2.1.0"}, 0},
      {"two upbeat notes", {384, 576, 768, 960}, 4, 192, {"0.3.0", "0.4.0", "1.1.0", "1.2.0"}, 1},
      {"first half of a bar counts as that bar",
       {192, 384, 576, 768, 960}, 4, 192, {"1.2.0", "1.3.0", "1.4.0", "2.1.0", "2.2.0"}, 2},
      {"later bar", {1000, 1768}, 4, 192, {"2.2.40", "3.2.40"}, 0},
      {"3/4 at 100 ticks", {250, 300, 400}, 3, 100, {"0.3.50", "1.1.0", "1.2.0"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterMelody m;
    m.setSignature(c.numerator, 4);
    m.ticksPerBeat = c.ticksPerBeat;
    for (const std::int32_t onset : c.onsets) {
      NoteEvent e;
      e.ticks = onset;
      e.pitch = 60;
      m.append(e);
    }
    ASSERT_TRUE(m.assignBarPositions(0));
    EXPECT_EQ(positionTexts(m), c.positions);
    EXPECT_EQ(m.upbeatIndex, c.upbeatIndex);
    EXPECT_EQ(m.notes[0].position.numerator, c.numerator);
    EXPECT_EQ(m.notes[0].position.ticksPerBeat, c.ticksPerBeat);
  }
}

TEST(BarPositionPass, MelodyInsideItsFirstBarHasNoUpbeat) {
  // The upbeat search never closes here; an earlier value must not survive.
  ConverterMelody m = melodyFromTicks({{384, 96, 60}, {480, 96, 62}, {576, 96, 64}});
  m.upbeatIndex = 7;
  ASSERT_TRUE(m.assignBarPositions(0));
  EXPECT_EQ(positionTexts(m), (std::vector<std::string>{"0.3.0", "0.3.96", "0.4.0"}));
  EXPECT_EQ(m.upbeatIndex, 0);
}

TEST(BarPositionPass, SnapsEveryNoteTheLastIncluded) {
  ConverterMelody m = melodyFromTicks({{0, 95, 60}, {95, 95, 62}, {190, 95, 64}, {291, 95, 65}}, 96);
  ASSERT_TRUE(m.quantise(24));  // step 4 at 96 ticks per beat
  // Snapped positions carry on: 95 -> 2.0, then +95 -> 2.95 -> 3.0, then +101 -> 4.5 -> 4.4.
  EXPECT_EQ(positionTexts(m), (std::vector<std::string>{"1.1.0", "1.2.0", "1.3.0", "1.4.4"}));
}

TEST(Quantise, UnusableResolutionOrSignatureChangesNothing) {
  const struct {
    std::int32_t ticksPerBeat, numerator;
  } cases[] = {{0, 4}, {-192, 4}, {192, 0}, {192, -3}};
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    m.ticksPerBeat = c.ticksPerBeat;
    m.numerator = c.numerator;
    m.upbeatIndex = 3;
    EXPECT_FALSE(m.quantise(0));
    EXPECT_FALSE(m.quantise(24));
    EXPECT_FALSE(m.assignBarPositions(0));
    EXPECT_EQ(m.tatum, 1);
    EXPECT_FALSE(m.tatumDone);
    EXPECT_EQ(m.upbeatIndex, 3);
    EXPECT_EQ(m.notes[1].ticks, kNoTicks);
    EXPECT_FALSE(m.notes[0].position.available());
  }
}

TEST(Quantise, OneTickPerBeatWorks) {
  ConverterMelody m = legatoMelody({1, 1, 2, 4}, 1);  // quarter-note units
  ASSERT_TRUE(m.quantise(0));
  EXPECT_EQ(m.tatum, 1);
  EXPECT_EQ(m.durationUnits(), (std::vector<std::int32_t>{1, 1, 2, 4}));
  EXPECT_EQ(positionTexts(m), (std::vector<std::string>{"1.1.0", "1.2.0", "1.3.0", "2.1.0"}));
}

}  // namespace
}  // namespace suite::tuneport::model
