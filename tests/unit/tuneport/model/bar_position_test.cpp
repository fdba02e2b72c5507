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
    std::string expected;
  } cases[] = {
      {at(1, 3, 100), 292, "2.1.8"},
      {at(0, 4, 96), 96 + 192 * 8, "3.1.0"},  // several bars at once
      {at(2, 1, 10), -20, "1.4.182"},         // backwards borrows
      {at(1, 1, 0, 4, 1), 5, "2.2.0"},        // one tick per beat
      {at(1, 1, 5, 4, 0), 1000, "1.1.1005"},  // no resolution: only the tick moves
      {at(1, 1, 5, 0, 192), INT64_MAX, "1.1." + std::to_string(INT32_MAX)},  // saturates
      {at(INT32_MAX - 1, 1, 0, 1, 1), INT64_MAX, std::to_string(INT32_MAX) + ".1.0"},
  };
  for (const auto& c : cases) {
    BarPosition p = c.from;
    SCOPED_TRACE(p.toString() + " + " + std::to_string(c.ticks));
    p.advance(c.ticks);
    EXPECT_EQ(p.toString(), c.expected);
  }
}

TEST(BarPosition, SnapUsesTheGridOfTheResolution) {
  const struct {
    std::int32_t ticksPerBeat, level, tick;
    std::string expected;  // after the snap, from bar 1 beat 2
  } cases[] = {
      {96, 24, 5, "1.2.4"},   {96, 24, 6, "1.2.4"},    // step 4, the lower point on a tie
      {96, 24, 95, "1.3.0"},  {96, 0, 5, "1.2.5"},     // the beat's end; no grid
      {100, 24, 13, "1.2.25"},                          // not a multiple of 6: 4 points
      {64, 24, 12, "1.2.8"},                            // 8 points
      {258, 24, 256, "1.3.0"},  // step 10: past the last point 250 the next is the beat's end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.tick) + " at " + std::to_string(c.ticksPerBeat));
    BarPosition p = at(1, 2, c.tick, 4, c.ticksPerBeat);
    p.snap(c.level);
    EXPECT_EQ(p.toString(), c.expected);
  }
  BarPosition last = at(3, 4, 95, 4, 96);  // the beat's end on the last beat: next bar
  last.snap(2);
  EXPECT_EQ(last.toString(), "4.1.0");
  EXPECT_EQ(at(2, 3, -1).toString(), "(N/A)");
}

TEST(MetricCounter, DerivesBarBeatAndTickFromAbsoluteTicks) {
  const struct {
    std::int64_t absolute, bar, beat, tick;
  } cases[] = {{1000, 1, 1, 40}, {-1, -1, 3, 191}};  // negative: counted back from 0.0.0
  for (const auto& c : cases) {
    MetricCounter m(500.0, 4, 192);
    m.setAbsoluteTicks(c.absolute);
    EXPECT_EQ(m.bar(), c.bar);
    EXPECT_EQ(m.beat(), c.beat);
    EXPECT_EQ(m.tick(), c.tick);
  }
  MetricCounter a(500.0009, 3, 100);
  EXPECT_EQ(a.microsecondsPerBeat(), 500000);
  a.setPosition(1, 2, 50);
  MetricCounter b = a;
  b.advance(-250);
  EXPECT_EQ(a - b, 250);
  EXPECT_DOUBLE_EQ(a.seconds(), 5000.0 / 1e6 * 550);  // 5000 us per tick
  MetricCounter degenerate(500.0, 0, 0);  // beats and ticks below 1 count as 1
  degenerate.setAbsoluteTicks(7);
  EXPECT_EQ(degenerate.bar(), 7);
}

}  // namespace
}  // namespace suite::tuneport::model
