// Converter melody: bar positions and the metric counter, derived sequences,
// the last-interval rule, editing, key estimates, the timing checks, and
// quantisation: refinement, tatum estimation and the bar-position pass.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/model/converter_melody.h"
#include "tuneport/model/metric_counter.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::model {
namespace {

using test::legatoMelody;
using test::melodyFromMs;
using test::melodyFromTicks;
using Texts = std::vector<std::string>;
using Ticks = std::vector<std::int32_t>;

constexpr double kMsPerTick = 500.0 / 192;  // the default tempo and resolution
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

BarPosition at(std::int32_t bar, std::int32_t beat, std::int32_t tick, std::int32_t numerator = 4,
               std::int32_t ticksPerBeat = 192) {
  BarPosition p = BarPosition::start(bar, numerator, 4, ticksPerBeat, 1.0);
  p.beat = beat;
  p.tick = tick;
  return p;
}

TEST(BarPosition, AdvanceAndSnap) {
  const struct {
    BarPosition from;
    std::int64_t ticks;
    std::int32_t level;  // snap after the move
    std::string expected;
  } cases[] = {
      {at(1, 3, 100), 292, 0, "2.1.8"},
      {at(2, 1, 10), -20, 0, "1.4.182"},  // backwards borrows
      {at(1, 0, 5), 1, 0, "1.0.6"},       // a beat below 1 borrows only on a move back
      {at(1, 1, 5, 0), INT64_MAX, 0, "1.1." + std::to_string(kIntMax)},  // no signature: tick only
      {at(kIntMax - 1, 1, 0, 1, 1), INT64_MAX, 0, std::to_string(kIntMax) + ".1.0"},  // saturates
      {at(1, 2, 6, 4, 96), 0, 24, "1.2.4"},     // step 4: the lower point on a tie
      {at(1, 2, 5, 4, 96), 0, 0, "1.2.5"},      // level 0: no grid
      {at(1, 2, 12, 4, 64), 0, 24, "1.2.8"},    // not a multiple of 6: 8 points
      {at(1, 4, 95, 4, 96), 0, 2, "2.1.0"},     // the beat's end on the last beat: next bar
      {at(1, 2, 256, 4, 258), 0, 24, "1.3.0"},  // past the last point 250 comes the beat's end
  };
  for (const auto& c : cases) {
    BarPosition p = c.from;
    p.advance(c.ticks);
    p.snap(c.level);
    EXPECT_EQ(p.toString(), c.expected);
  }
  EXPECT_EQ(at(2, 3, -1).toString(), "(N/A)");
}

TEST(MetricCounter, DerivesBarBeatAndTickFromAbsoluteTicks) {
  MetricCounter a(500.0009, 3, 100);
  EXPECT_EQ(a.microsecondsPerBeat(), 500000);
  a.setPosition(1, 2, 50);
  MetricCounter b = a;
  b.advance(-851);  // counted back from 0.0.0
  EXPECT_EQ(a - b, 851);
  EXPECT_EQ((std::array{b.bar(), b.beat(), b.tick()}), (std::array<std::int64_t, 3>{-2, 2, 99}));
  EXPECT_DOUBLE_EQ(a.seconds(), 5000.0 / 1e6 * 550);  // 5000 us per tick
  MetricCounter degenerate(500.0, 0, 0);  // beats and ticks below 1 count as 1
  degenerate.setAbsoluteTicks(7);
  EXPECT_EQ(degenerate.bar(), 7);
}

TEST(ConverterMelody, TicksFromMilliseconds) {
  const struct {
    double durationTicks;  // converted to ms at the default tempo
    std::int32_t durationUnit, ticks, units;
  } cases[] = {{72, 48, 72, 2}, {23, 48, 23, 1}, {0.6, 48, 1, 1}, {500, 0, 500, 500}};
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, c.durationTicks * kMsPerTick, 60}});
    m.durationUnit = c.durationUnit;
    EXPECT_EQ(m.durationTicks(0), c.ticks);
    EXPECT_EQ(m.durationUnits(), Ticks{c.units});  // rounded, at least 1
  }
  ConverterMelody m = melodyFromMs({{250, 250, 60}});
  EXPECT_EQ(m.ticksFromMs(1e300), kIntMax);
  EXPECT_EQ(m.ticksFromMs(std::nan("")), 0);
  m.tempi = {0.0};
  EXPECT_EQ(m.onsetTicks(), Ticks{0});
}

TEST(ConverterMelody, IntervalsUseTicksOrMilliseconds) {
  ConverterMelody m = melodyFromMs({{0, 0, 60}, {250, 0, 60}, {600, 0, 60}, {701.5, 0, 60}});
  m.notes[0].ticks = 0;
  m.notes[1].ticks = 100;
  m.notes[3].ticks = 5;
  // 1 -> 2 and 2 -> 3 from the ms, as note 2 has no ticks: 134.4 and 38.976 ticks.
  EXPECT_EQ(m.interOnsetTicks(), (Ticks{100, 134, 39, 0}));
  m.notes[0].ticks = std::numeric_limits<std::int32_t>::min();
  m.notes[1].ticks = kIntMax;
  EXPECT_EQ(m.interOnsetTicks(0), kIntMax);  // saturates
}

TEST(ConverterMelody, LastIntervalReachesTheEndPoint) {
  const struct {
    BarPosition first, last;
    double durationTicks;
    std::int32_t expected;
  } cases[] = {
      {at(1, 1, 0), at(2, 3, 0), 96, 384},     // first on beat 1: to the next bar line
      {at(0, 3, 96), at(2, 2, 0), 96, 288},    // upbeat from 3.96: to 3.96 in the last bar
      {at(0, 4, 0), at(2, 4, 100), -200, -200},  // end point passed: the duration
      {BarPosition{}, at(2, 3, 0), 96, 96},    // no position: the duration
      {at(1, 1, 0), BarPosition{}, 96, 96},
  };
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 0, 60}, {0, c.durationTicks * kMsPerTick, 62}});
    m.notes[0].position = c.first;
    m.notes[1].position = c.last;
    EXPECT_EQ(m.interOnsetTicks(1), c.expected);
  }
}

TEST(ConverterMelody, FirstNoteOffsetInItsBar) {
  ConverterMelody m = melodyFromMs({{0, 0, 60}});
  m.notes[0].position = at(1, 3, 50);
  m.tatum = 48;
  EXPECT_EQ(m.firstNoteOffsetInTatums(), 9);  // 434 ticks
  m.tatum = 0;
  EXPECT_EQ(m.firstNoteOffset(), 0);
}

TEST(ConverterMelody, EditingFillsAndClipsToTheNextOnset) {
  ConverterMelody clipped = melodyFromMs({{0, 600, 60}, {500, 400, 62}, {1000, 800, 64}});
  clipped.clipOverlaps();
  EXPECT_EQ(clipped.durationsMs(), (std::vector<double>{500, 400, 800}));
  ConverterMelody legato = melodyFromMs({{0, 100, 60}, {400, 100, 62}, {1000, 700, 64}});
  legato.makeLegato();
  EXPECT_EQ(legato.durationsMs(), (std::vector<double>{400, 600, 0}));

  ConverterMelody lengths;  // onsets and ticks hold lengths
  lengths.append({192, 500.0, 60, 0.0, {}});
  lengths.append({96, 250.0, 62, 0.0, {}});
  lengths.retime(1250.0);  // 480 ticks at 0.384 ticks per ms
  EXPECT_EQ(lengths.onsetsMs(), (std::vector<double>{1250, 1750, 2000}));
  EXPECT_EQ(lengths.onsetTicks(), (Ticks{480, 672, 768}));
  lengths.makeLegato();  // the end entry goes again
  EXPECT_EQ(lengths.durationsMs(), (std::vector<double>{500, 250}));
  ConverterMelody start;
  start.retime(1.4);  // 0.54 ticks: the start is floored, not rounded
  EXPECT_EQ(start.notes.at(0).ticks, 0);
}

TEST(ConverterMelody, KeyEstimates) {
  // Keys from the profile sums worked out by hand; rests, end markers and
  // unpitched notes carry no pitch class.
  const struct {
    std::vector<std::int32_t> pitches;
    std::int32_t profiles, weights;
  } cases[] = {
      {{57, 60, 64}, 21, 9},  // A minor
      {{60}, 12, 0},          // minor found first, major not larger
      {{}, 0, 0},             // nothing larger than 0
      {{67, 71, 74, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 7, 0},
      {{67, 71, 74, 128, 128, 128, 128, 128, 128, 128, 128, 128, 128}, 7, 0},
      {{57, 60, 64, 250, 250, 250, 250, 250, 250, 250, 250, 250, 250}, 21, 9},
  };
  for (const auto& c : cases) {
    const ConverterMelody m = test::melodyOfPitches(c.pitches);
    EXPECT_EQ(m.estimateKey(KeyMethod::MajorMinorProfiles), c.profiles);
    EXPECT_EQ(m.estimateKey(KeyMethod::MajorWeights), c.weights);
  }
}

TEST(ValidateMelody, NamesTheFirstUnusableValue) {
  const struct {
    void (*damage)(ConverterMelody&);
    const char* message;  // empty: valid
  } cases[] = {
      {[](ConverterMelody& m) { m.ticksPerBeat = kMaxTicksPerBeat; }, ""},
      {[](ConverterMelody& m) { m.ticksPerBeat = 0; }, "Invalid ticks per beat: 0"},
      {[](ConverterMelody& m) { m.denominator = 0; }, "Invalid time signature: 4/0"},
      {[](ConverterMelody& m) { m.tempi.clear(); }, "No tempo"},
      {[](ConverterMelody& m) { m.tempi = {0.0}; }, "Invalid tempo: 0 ms per beat"},
      {[](ConverterMelody& m) { m.notes[1].onsetMs = std::nan(""); }, "Invalid time in note 2"},
      {[](ConverterMelody& m) { m.notes[0].durationMs = INFINITY; }, "Invalid time in note 1"},
  };
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    c.damage(m);
    std::string message;
    EXPECT_EQ(validateMelody(m, message), std::string(c.message).empty());
    EXPECT_EQ(message, c.message);
  }
  EXPECT_TRUE(validQuantisationLevel(0));
}


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
