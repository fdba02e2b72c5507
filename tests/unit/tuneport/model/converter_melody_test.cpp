// Converter melody: derived sequences, the last-interval rule and the
// editing operations.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/converter_melody_builder.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {
namespace {

using test::melodyFromMs;
using test::melodyFromTicks;

constexpr double kMsPerTick = 500.0 / 192;  // the default tempo and resolution

BarPosition at(std::int32_t bar, std::int32_t beat, std::int32_t tick,
               std::int32_t numerator = 4) {
  BarPosition p = BarPosition::start(bar, numerator, 4, 192, numerator / 4.0);
  p.beat = beat;
  p.tick = tick;
  return p;
}

TEST(ConverterMelody, OnsetTicksComeFromTicksOrFromMilliseconds) {
  ConverterMelody m = melodyFromMs({{999.0, 0, 60}, {250.0, 0, 60}, {1.25, 0, 60}, {1.4, 0, 60}});
  m.notes[0].ticks = 10;
  // 0.384 ticks per ms: 250 ms is 96 ticks; 1.25 ms is 0.48 ticks, 1.4 ms 0.54.
  EXPECT_EQ(m.onsetTicks(), (std::vector<std::int32_t>{10, 96, 0, 1}));
}

TEST(ConverterMelody, DurationTicksAndUnits) {
  const struct {
    double durationTicks;  // converted to ms at the default tempo
    std::int32_t durationUnit;
    std::int32_t ticks;
    std::int32_t units;
  } cases[] = {
      {48, 48, 48, 1},   {96, 48, 96, 2},   {72, 48, 72, 2},  // halfway rounds up
      {71, 48, 71, 1},   {23, 48, 23, 1},   {0, 48, 0, 1},    // at least 1
      {0.4, 48, 0, 1},   {0.6, 48, 1, 1},   {-30, 48, -30, 1},
      {500, 0, 500, 500}, {500, -4, 500, 500},               // no unit: counted in ticks
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.durationTicks) + " / " + std::to_string(c.durationUnit));
    ConverterMelody m = melodyFromMs({{0, c.durationTicks * kMsPerTick, 60}});
    m.durationUnit = c.durationUnit;
    EXPECT_EQ(m.durationTicks(0), c.ticks);
    EXPECT_EQ(m.durationUnits(), std::vector<std::int32_t>{c.units});
  }
}

TEST(ConverterMelody, UnusableTempoOrResolutionGivesNoTicks) {
  const double inf = std::numeric_limits<double>::infinity();
  const struct {
    std::vector<double> tempi;
    std::int32_t ticksPerBeat;
  } cases[] = {{{}, 192},   {{0.0}, 192}, {{-500.0}, 192}, {{std::nan("")}, 192},
               {{inf}, 192}, {{500.0}, 0}, {{500.0}, -192}};
  for (const auto& c : cases) {
    ConverterMelody m = melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    m.tempi = c.tempi;
    m.ticksPerBeat = c.ticksPerBeat;
    EXPECT_EQ(m.ticksPerMs(), 0.0);
    EXPECT_EQ(m.onsetTicks(), (std::vector<std::int32_t>{0, 0}));
    EXPECT_EQ(m.durationTicks(), (std::vector<std::int32_t>{0, 0}));
  }
}

TEST(ConverterMelody, TicksFromMillisecondsSaturate) {
  const ConverterMelody m;
  EXPECT_EQ(m.ticksFromMs(1e300), std::numeric_limits<std::int32_t>::max());
  EXPECT_EQ(m.ticksFromMs(-1e300), std::numeric_limits<std::int32_t>::min());
  EXPECT_EQ(m.ticksFromMs(std::nan("")), 0);
  EXPECT_EQ(m.ticksFromMs(1000.0), 384);
}

TEST(ConverterMelody, IntervalsUseTicksOrMilliseconds) {
  ConverterMelody m = melodyFromMs({{0, 0, 60}, {250, 0, 60}, {600, 0, 60}, {700, 0, 60}});
  m.notes[0].ticks = 0;
  m.notes[1].ticks = 100;  // both have ticks: 100
  m.notes[2].ticks = 5;    // 1 -> 2 also by ticks: -95
  // 2 -> 3: note 3 has no ticks, so from the ms: 100 ms = 38.4 ticks.
  const std::vector<std::int32_t> intervals = m.interOnsetTicks();
  ASSERT_EQ(intervals.size(), 4u);
  EXPECT_EQ(intervals[0], 100);
  EXPECT_EQ(intervals[1], -95);
  EXPECT_EQ(intervals[2], 38);
  EXPECT_EQ(intervals[3], 0);  // last note: no positions, its duration

  m.notes[0].ticks = std::numeric_limits<std::int32_t>::min();
  m.notes[1].ticks = std::numeric_limits<std::int32_t>::max();
  EXPECT_EQ(m.interOnsetTicks(0), std::numeric_limits<std::int32_t>::max());  // saturates
}

TEST(ConverterMelody, LastIntervalReachesTheEndPoint) {
  const struct {
    const char* what;
    BarPosition first;
    BarPosition last;
    double durationTicks;
    std::int32_t expected;
  } cases[] = {
      {"first on beat 1: to the next bar line", at(1, 1, 0), at(2, 3, 0), 96, 384},
      {"longer than the distance", at(1, 1, 0), at(2, 3, 0), 500, 500},
      {"upbeat from beat 3: to beat 3.96 in the last bar", at(0, 3, 96), at(2, 2, 0), 96, 288},
      {"end point passed: the duration", at(0, 4, 0), at(2, 4, 100), 96, 96},
      {"end point passed, negative duration", at(0, 4, 0), at(2, 4, 100), -200, -200},
      {"3/4, first on beat 1: bar line", at(1, 1, 0, 3), at(2, 2, 0, 3), 10, 384},
      {"3/4, upbeat from beat 2", at(0, 2, 0, 3), at(2, 1, 0, 3), 10, 192},
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

TEST(ConverterMelody, PitchRangeAndMeanCountEveryEntry) {
  const ConverterMelody m = melodyFromMs({{0, 0, 0}, {1, 0, 60}, {2, 0, 128}, {3, 0, 64}});
  EXPECT_EQ(m.lowestPitch(), 0);
  EXPECT_EQ(m.highestPitch(), 128);
  EXPECT_DOUBLE_EQ(m.meanPitch(), 63.0);
}

TEST(ConverterMelody, FirstNoteOffsetInItsBar) {
  ConverterMelody m = melodyFromMs({{0, 0, 60}});
  m.notes[0].position = at(1, 3, 50);
  m.tatum = 48;
  EXPECT_EQ(m.firstNoteOffset(), 434);
  EXPECT_EQ(m.firstNoteOffsetInTatums(), 9);
  m.tatum = 0;
  EXPECT_EQ(m.firstNoteOffset(), 0);
  EXPECT_EQ(m.firstNoteOffsetInTatums(), 0);
  m.tatum = 48;
  m.notes[0].position = BarPosition{};
  EXPECT_EQ(m.firstNoteOffset(), 0);
  EXPECT_EQ(ConverterMelody{}.firstNoteOffset(), 0);
}

TEST(ConverterMelody, ClipOverlapsShortensToTheNextOnset) {
  ConverterMelody m = melodyFromMs({{0, 600, 60}, {500, 400, 62}, {1000, 800, 64}});
  m.clipOverlaps();
  EXPECT_EQ(m.durationsMs(), (std::vector<double>{500, 400, 800}));
}

TEST(ConverterMelody, MakeLegatoFillsToTheNextOnset) {
  ConverterMelody withEnd =
      melodyFromMs({{0, 100, 60}, {400, 100, 62}, {1000, 100, 64}, {1500, 0, 128}});
  withEnd.makeLegato();
  EXPECT_EQ(withEnd.durationsMs(), (std::vector<double>{400, 600, 500}));
  EXPECT_EQ(withEnd.pitches(), (std::vector<std::int32_t>{60, 62, 64}));

  ConverterMelody withoutEnd = melodyFromMs({{0, 100, 60}, {400, 100, 62}, {1000, 700, 64}});
  withoutEnd.makeLegato();
  EXPECT_EQ(withoutEnd.durationsMs(), (std::vector<double>{400, 600, 0}));

  ConverterMelody empty;
  empty.makeLegato();
  EXPECT_TRUE(empty.empty());
}

TEST(ConverterMelody, RetimeTurnsLengthsIntoOnsets) {
  ConverterMelody m;
  for (const auto& [ms, ticks, pitch] : {std::tuple{500.0, 192, 60}, std::tuple{250.0, 96, 62}}) {
    NoteEvent e;
    e.onsetMs = ms;
    e.ticks = ticks;
    e.pitch = pitch;
    m.append(e);
  }
  m.retime(1250.0);  // 480 ticks at 0.384 ticks per ms
  ASSERT_EQ(m.size(), 3u);
  EXPECT_EQ(m.onsetsMs(), (std::vector<double>{1250, 1750, 2000}));
  EXPECT_EQ(m.onsetTicks(), (std::vector<std::int32_t>{480, 672, 768}));
  EXPECT_EQ(m.notes[2].pitch, kNoPitch);
  EXPECT_EQ(m.notes[2].durationMs, 0.0);
  EXPECT_FALSE(m.notes[2].position.available());
  m.makeLegato();
  EXPECT_EQ(m.durationsMs(), (std::vector<double>{500, 250}));

  ConverterMelody start;
  start.retime(1.4);  // 0.54 ticks: the start is floored, not rounded
  EXPECT_EQ(start.notes.at(0).ticks, 0);
}

}  // namespace
}  // namespace suite::tuneport::model
