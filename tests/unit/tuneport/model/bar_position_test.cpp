// Bar positions: moving through beats and bars, snapping to a grid, printing;
// and the metric counter.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "tuneport/model/bar_position.h"
#include "tuneport/model/metric_counter.h"

namespace suite::tuneport::model {
namespace {

BarPosition at(std::int32_t bar, std::int32_t beat, std::int32_t tick, std::int32_t numerator = 4,
               std::int32_t ticksPerBeat = 192) {
  BarPosition p = BarPosition::start(bar, numerator, 4, ticksPerBeat, numerator / 4.0);
  p.beat = beat;
  p.tick = tick;
  return p;
}

TEST(BarPosition, AdvanceCarriesIntoBeatsAndBars) {
  const struct {
    BarPosition from;
    std::int64_t ticks;
    BarPosition expected;
  } cases[] = {
      {at(1, 1, 0), 191, at(1, 1, 191)},
      {at(1, 1, 0), 192, at(1, 2, 0)},
      {at(1, 3, 100), 292, at(2, 1, 8)},
      {at(1, 4, 0), 192, at(2, 1, 0)},                 // past the last beat
      {at(0, 4, 96), 96 + 192 * 8, at(3, 1, 0)},       // several bars at once
      {at(2, 3, 0, 3, 100), 150, at(3, 1, 50, 3, 100)},
      {at(2, 1, 10), -20, at(1, 4, 182)},              // backwards borrows
      {at(1, 1, 0), -192 * 4, at(0, 1, 0)},
      {at(1, 1, 0, 4, 1), 5, at(2, 2, 0, 4, 1)},       // one tick per beat
      {at(1, 7, 0), 0, at(2, 3, 0)},                   // a beat beyond the bar is carried
  };
  for (const auto& c : cases) {
    BarPosition p = c.from;
    SCOPED_TRACE(p.toString() + " + " + std::to_string(c.ticks));
    p.advance(c.ticks);
    EXPECT_EQ(p.toString(), c.expected.toString());
  }
}

TEST(BarPosition, AdvanceSaturatesAndNeedsAResolution) {
  const struct {
    std::int32_t numerator, ticksPerBeat;
  } cases[] = {{4, 0}, {4, -3}, {0, 192}, {-1, 192}};
  for (const auto& c : cases) {
    BarPosition p = at(1, 1, 5, c.numerator, c.ticksPerBeat);
    p.advance(1000);
    EXPECT_EQ(p.toString(), "1.1.1005");
    p.advance(INT64_MAX);  // saturates instead of overflowing
    EXPECT_EQ(p.tick, INT32_MAX);
  }
  BarPosition p = at(INT32_MAX - 1, 1, 0, 1, 1);
  p.advance(INT64_MAX);
  EXPECT_EQ(p.toString(), std::to_string(INT32_MAX) + ".1.0");
}

TEST(BarPosition, SnapUsesTheGridOfTheResolution) {
  const struct {
    std::int32_t ticksPerBeat;
    std::int32_t level;
    std::int32_t tick;
    std::string expected;  // bar.beat.tick after the snap, from bar 1 beat 2
  } cases[] = {
      // 96 is a multiple of 6: 24 points per beat, step 4.
      {96, 24, 5, "1.2.4"},   {96, 24, 6, "1.2.4"},    {96, 24, 7, "1.2.8"},
      {96, 24, 94, "1.2.92"}, {96, 24, 95, "1.3.0"},
      // 100 is not: 4 points per beat, step 25.
      {100, 24, 12, "1.2.0"}, {100, 24, 13, "1.2.25"}, {100, 24, 88, "1.3.0"},
      // 98 is divisible by neither 8 nor 4: 2 points, step 49.
      {98, 24, 24, "1.2.0"},  {98, 24, 25, "1.2.49"},  {98, 24, 73, "1.2.49"},
      {98, 24, 74, "1.3.0"},
      // 64: 8 points per beat, step 8.
      {64, 24, 12, "1.2.8"},  {64, 24, 13, "1.2.16"},
      // 96 at 2 points: step 48, halfway snaps down, 95 is nearer to 96.
      {96, 2, 24, "1.2.0"},   {96, 2, 72, "1.2.48"},   {96, 2, 95, "1.3.0"},
      // Tick 0 stays; a grid finer than the resolution keeps the tick.
      {96, 24, 0, "1.2.0"},   {12, 24, 7, "1.2.7"},
      // 258 at 24 points: step 10, the last point 250; 256 is nearer to the beat's end.
      {258, 24, 254, "1.2.250"}, {258, 24, 256, "1.3.0"},
      // No grid: level 0, or a negative level (step 1).
      {96, 0, 5, "1.2.5"},    {96, -4, 5, "1.2.5"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.tick) + " at " + std::to_string(c.ticksPerBeat) + "/" +
                 std::to_string(c.level));
    BarPosition p = at(1, 2, c.tick, 4, c.ticksPerBeat);
    p.snap(c.level);
    EXPECT_EQ(p.toString(), c.expected);
  }
  BarPosition last = at(3, 4, 95, 4, 96);  // the beat's end on the last beat: next bar
  last.snap(2);
  EXPECT_EQ(last.toString(), "4.1.0");
}

TEST(BarPosition, PrintsNotAvailableWhenAnyPartIsMissing) {
  EXPECT_EQ(BarPosition{}.toString(), "(N/A)");
  EXPECT_EQ(at(-1, 2, 3).toString(), "(N/A)");
  EXPECT_EQ(at(2, -1, 3).toString(), "(N/A)");
  EXPECT_EQ(at(2, 3, -1).toString(), "(N/A)");
  EXPECT_EQ(at(0, 4, 96).toString(), "0.4.96");
  EXPECT_EQ(at(-2, 1, 0).toString(), "-2.1.0");
}

TEST(MetricCounter, DerivesBarBeatAndTickFromAbsoluteTicks) {
  const struct {
    std::int64_t absolute;
    std::int64_t bar, beat, tick;
  } cases[] = {
      {0, 0, 0, 0},     {191, 0, 0, 191},  {192, 0, 1, 0},
      {768, 1, 0, 0},   {1000, 1, 1, 40},  {-1, -1, 3, 191},  // counted back from 0.0.0
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.absolute);
    MetricCounter m(500.0, 4, 192);
    m.setAbsoluteTicks(c.absolute);
    EXPECT_EQ(m.bar(), c.bar);
    EXPECT_EQ(m.beat(), c.beat);
    EXPECT_EQ(m.tick(), c.tick);
    MetricCounter back(500.0, 4, 192);
    back.setPosition(c.bar, c.beat, c.tick);
    EXPECT_EQ(back.absoluteTicks(), c.absolute);
  }
}

TEST(MetricCounter, AdvancesAndMeasuresDistances) {
  MetricCounter a(500.0, 3, 100);
  a.setPosition(1, 0, 0);  // bar 1 of 3/4
  EXPECT_EQ(a.absoluteTicks(), 300);
  MetricCounter b = a;
  b.advance(250);
  EXPECT_EQ(b.bar(), 1);
  EXPECT_EQ(b.beat(), 2);
  EXPECT_EQ(b.tick(), 50);
  EXPECT_EQ(b - a, 250);
  EXPECT_EQ(a - b, -250);
  EXPECT_DOUBLE_EQ(b.seconds(), 5000.0 / 1e6 * 550);  // 5000 us per tick
}

TEST(MetricCounter, TempoAndDegenerateSignatures) {
  EXPECT_EQ(MetricCounter(500.0009, 4, 192).microsecondsPerBeat(), 500000);
  EXPECT_EQ(MetricCounter(0.0019, 4, 192).microsecondsPerBeat(), 1);
  // Resolutions and bar lengths below 1 count as 1: no division by zero.
  MetricCounter m(500.0, 0, 0);
  m.setAbsoluteTicks(7);
  EXPECT_EQ(m.bar(), 7);
  EXPECT_EQ(m.beat(), 0);
  EXPECT_EQ(m.tick(), 0);
  m.setPosition(INT64_MAX, INT64_MAX, INT64_MAX);  // saturates instead of overflowing
  EXPECT_GT(m.absoluteTicks(), 0);
}

}  // namespace
}  // namespace suite::tuneport::model
