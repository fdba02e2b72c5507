// Converter melody: derived sequences, the last-interval rule, the editing
// operations, key estimates and the checks readers run on timing values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/model/converter_melody.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::model {
namespace {

using test::melodyFromMs;
using Ticks = std::vector<std::int32_t>;

constexpr double kMsPerTick = 500.0 / 192;  // the default tempo and resolution
constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();

BarPosition at(std::int32_t bar, std::int32_t beat, std::int32_t tick) {
  BarPosition p = BarPosition::start(bar, 4, 4, 192, 1.0);
  p.beat = beat;
  p.tick = tick;
  return p;
}

TEST(ConverterMelody, TicksFromMilliseconds) {
  const struct {
    double durationTicks;  // converted to ms at the default tempo
    std::int32_t durationUnit, ticks, units;
  } cases[] = {
      {48, 48, 48, 1}, {72, 48, 72, 2},  // halfway rounds up
      {23, 48, 23, 1},                   // at least 1
      {0.6, 48, 1, 1}, {500, 0, 500, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.durationTicks);
    ConverterMelody m = melodyFromMs({{0, c.durationTicks * kMsPerTick, 60}});
    m.durationUnit = c.durationUnit;
    EXPECT_EQ(m.durationTicks(0), c.ticks);
    EXPECT_EQ(m.durationUnits(), Ticks{c.units});
  }
  const ConverterMelody m;
  EXPECT_EQ(m.ticksFromMs(1e300), kIntMax);
  EXPECT_EQ(m.ticksFromMs(std::nan("")), 0);
  for (const std::vector<double>& tempi : {std::vector<double>{}, {0.0}, {std::nan("")}}) {
    ConverterMelody unusable = melodyFromMs({{250, 250, 60}});
    unusable.tempi = tempi;
    EXPECT_EQ(unusable.onsetTicks(), Ticks{0});
  }
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
    const char* what;
    BarPosition first, last;
    double durationTicks;
    std::int32_t expected;
  } cases[] = {
      {"first on beat 1: to the next bar line", at(1, 1, 0), at(2, 3, 0), 96, 384},
      {"longer than the distance", at(1, 1, 0), at(2, 3, 0), 500, 500},
      {"upbeat from beat 3: to beat 3.96 in the last bar", at(0, 3, 96), at(2, 2, 0), 96, 288},
      {"end point passed, negative duration", at(0, 4, 0), at(2, 4, 100), -200, -200},
      {"last position not available", at(1, 1, 0), BarPosition{}, 96, 96},
      {"first position not available", BarPosition{}, at(2, 3, 0), 96, 96},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
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
  ConverterMelody empty;
  empty.makeLegato();
  EXPECT_TRUE(empty.empty());

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
  // Expected keys from the profile sums worked out by hand (e.g. G-B-D: G major
  // 6.33 + 4.38 + 5.19 = 15.90 against B minor 15.69 and D major 14.08).
  const struct {
    const char* what;
    std::vector<std::int32_t> pitches;
    std::int32_t profiles, weights;
  } cases[] = {
      // The single weighted profile prefers C for G-B-D (0.375 against 0.352).
      {"G major triad", {67, 71, 74}, 7, 0},
      {"A minor triad", {57, 60, 64}, 21, 9},
      {"single C: minor found first, major not larger", {60}, 12, 0},
      // Rests, end markers and unpitched notes carry no pitch class.
      {"rests", {67, 71, 74, 0, 0, 0, 0, 0, 0}, 7, 0},
      {"end markers", {67, 71, 74, 128, 128, 128, 128}, 7, 0},
      {"unpitched notes", {57, 60, 64, 250, 250, 250, 250}, 21, 9},
      {"empty", {}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
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
    SCOPED_TRACE(c.message);
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    c.damage(m);
    std::string message;
    EXPECT_EQ(validateMelody(m, message), std::string(c.message).empty());
    EXPECT_EQ(message, c.message);
  }
  EXPECT_TRUE(validQuantisationLevel(0));
  EXPECT_FALSE(validQuantisationLevel(-24));
}

}  // namespace
}  // namespace suite::tuneport::model
