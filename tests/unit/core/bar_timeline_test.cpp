// Metrical positions, quantisation and the derived timeline values.
#include <gtest/gtest.h>

#include <sstream>

#include "core/bar_timeline.h"

namespace suite::core {
namespace {

Signature sig(std::uint32_t num, std::uint32_t ticks) { return {num, 4, ticks}; }

MetricalPosition pos(std::int32_t bar, std::uint32_t beat, std::uint32_t tick, std::int32_t div = 1) {
  return {bar, beat, tick, div};
}

BarTimeline timelineOf(std::initializer_list<MetricalPosition> ps) {
  BarTimeline t;
  for (const auto& p : ps) t.append(p);
  return t;
}

std::string text(const MetricalPosition& p) {
  std::ostringstream out;
  p.print(out);
  return out.str();
}

TEST(MetricalPosition, NearestGridPointPrefersLowerOnTie) {
  const struct {
    std::uint32_t tick;
    int level;
    std::uint32_t ticksPerBeat;
    std::uint32_t expected;
  } cases[] = {
      {51, 24, 480, 60}, {50, 24, 480, 40},  {49, 24, 480, 40},   {475, 24, 480, 480},
      {10, 24, 480, 0},  {11, 24, 480, 20},  {0, 24, 480, 0},     {333, 3, 1000, 333},
      {500, 3, 1000, 666}, {499, 3, 1000, 333}, {5, 960, 480, 5},  // step 0: unchanged
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.tick) + " at level " + std::to_string(c.level));
    EXPECT_EQ(nearestGridPoint(c.tick, c.level, c.ticksPerBeat), c.expected);
  }
}

TEST(MetricalPosition, QuantizeCarriesIntoBeatAndBar) {
  const struct {
    MetricalPosition before;
    MetricalPosition after;
  } cases[] = {
      {pos(1, 1, 51), pos(1, 1, 60)},
      {pos(1, 2, 475), pos(1, 3, 0)},
      {pos(1, 4, 475), pos(2, 1, 0)},  // last beat of the bar
      {pos(0, 4, 479), pos(1, 1, 0)},
      {pos(3, 2, 0), pos(3, 2, 0)},
  };
  for (const auto& c : cases) {
    MetricalPosition p = c.before;
    SCOPED_TRACE(text(p));
    p.quantize(24, sig(4, 480));
    EXPECT_EQ(text(p), text(c.after));
  }
}

TEST(MetricalPosition, AbsoluteTickAndAdvance) {
  const Signature s = sig(3, 480);
  EXPECT_EQ(pos(0, 1, 0).absoluteTick(s), 0);
  EXPECT_EQ(pos(1, 1, 0).absoluteTick(s), 1440);
  EXPECT_EQ(pos(2, 3, 10).absoluteTick(s), (6 + 2) * 480 + 10);
  EXPECT_EQ(pos(-1, 1, 0).absoluteTick(s), -1440);

  const struct {
    MetricalPosition from;
    std::uint64_t ticks;
    MetricalPosition to;
  } cases[] = {
      {pos(1, 3, 240), 480, pos(2, 1, 240)},
      {pos(1, 3, 240), 3 * 480, pos(2, 3, 240)},
      {pos(0, 1, 0), 2 * 1440, pos(2, 1, 0)},
      {pos(1, 1, 100), 100, pos(1, 1, 200)},
      {pos(1, 2, 400), 80, pos(1, 3, 0)},
  };
  for (const auto& c : cases) {
    MetricalPosition p = c.from;
    p.advance(c.ticks, s);
    EXPECT_EQ(text(p), text(c.to)) << text(c.from) << " + " << c.ticks;
    EXPECT_EQ(p.absoluteTick(s), c.from.absoluteTick(s) + static_cast<std::int64_t>(c.ticks));
  }
}

TEST(MetricalPosition, PrintFormats) {
  std::ostringstream out;
  pos(3, 2, 0).print(out, true);
  sig(3, 480).print(out);
  EXPECT_EQ(out.str(), "3.2.0 (1)\n3/4 (480 ticks/beat)\n");
}

TEST(BarTimeline, TickIntervalsStopAtFirstBackwardStep) {
  std::ostringstream err;
  const BarTimeline t = timelineOf({pos(1, 1, 0), pos(1, 2, 0), pos(1, 2, 0), pos(1, 3, 0)});
  EXPECT_EQ(t.tickIntervals(sig(4, 480), err), (std::vector<std::uint64_t>{480}));
  EXPECT_EQ(err.str(), "Invalid BarTimeline.\n");

  std::ostringstream quiet;
  const BarTimeline ok = timelineOf({pos(0, 4, 0), pos(1, 1, 240), pos(2, 1, 0)});
  EXPECT_EQ(ok.tickIntervals(sig(4, 480), quiet), (std::vector<std::uint64_t>{720, 1680}));
  EXPECT_EQ(quiet.str(), "");
}

TEST(BarTimeline, Tatum) {
  std::ostringstream err;
  const Signature s = sig(4, 480);
  const struct {
    const char* name;
    BarTimeline timeline;
    std::uint64_t expected;
  } cases[] = {
      {"no interval", timelineOf({pos(1, 1, 0)}), 0},
      {"one interval gives ticks per beat", timelineOf({pos(1, 1, 0), pos(1, 1, 240)}), 480},
      {"gcd of intervals", timelineOf({pos(1, 1, 0), pos(1, 1, 240), pos(1, 2, 240)}), 240},
      {"triplets", timelineOf({pos(1, 1, 0), pos(1, 1, 160), pos(1, 2, 0)}), 160},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(c.timeline.tatum(s, err), c.expected);
  }
  BarTimeline cached = timelineOf({pos(1, 1, 0), pos(1, 2, 0)});
  cached.cachedTatum = 7;
  EXPECT_EQ(cached.tatum(s, err), 7u);
}

TEST(BarTimeline, GridAndQuantizeWithCollision) {
  const Signature s = sig(4, 480);
  const BarTimeline t = timelineOf({pos(1, 1, 0), pos(1, 1, 41), pos(1, 1, 45), pos(1, 2, 60)});
  EXPECT_FALSE(t.isOnGrid(24, s));
  EXPECT_TRUE(t.isOnGrid(480, s));
  EXPECT_TRUE(timelineOf({pos(1, 1, 0), pos(1, 2, 60)}).isOnGrid(24, s));

  std::ostringstream err;
  const QuantizeResult q = t.quantize(24, s, err);
  EXPECT_EQ(err.str(), "1.1.0 (1)\n1.1.40 (1)\n1.1.40 (1)\n1.2.60 (1)\n");
  EXPECT_EQ(q.collisions, (std::vector<std::size_t>{2}));
  ASSERT_EQ(q.timeline.size(), 3u);
  EXPECT_EQ(q.timeline[2].tick, 60u);
}

TEST(BarTimeline, BeatDivisions) {
  const Signature s = sig(4, 480);
  const struct {
    const char* name;
    BarTimeline timeline;
    std::uint64_t tatum;
    std::vector<std::int32_t> expected;
  } cases[] = {
      {"triplet beat then plain beat",
       timelineOf({pos(1, 1, 0), pos(1, 1, 160), pos(1, 1, 320), pos(1, 2, 0)}), 160, {3, 3, 3, 1}},
      {"halves then quarters",
       timelineOf({pos(1, 1, 0), pos(1, 1, 240), pos(1, 2, 0), pos(1, 2, 120)}), 120, {2, 2, 4, 4}},
      {"no tatum", timelineOf({pos(1, 1, 0), pos(1, 1, 240)}), 0, {0, 0}},
      {"tatum longer than a beat", timelineOf({pos(1, 1, 0), pos(1, 3, 0)}), 960, {1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BarTimeline t = c.timeline;
    t.cachedTatum = c.tatum;
    t.computeBeatDivisions(s);
    std::vector<std::int32_t> divisions;
    for (const auto& p : t.positions) divisions.push_back(p.beatDivision);
    EXPECT_EQ(divisions, c.expected);
  }
}

TEST(BarTimeline, NormalizeBarsAndCountBars) {
  const struct {
    const char* name;
    BarTimeline timeline;
    std::int32_t firstBar;
    std::uint32_t bars;
  } cases[] = {
      {"upbeat on beat 3", timelineOf({pos(3, 3, 0), pos(4, 1, 0), pos(6, 2, 0)}), 0, 3},
      {"off-beat start", timelineOf({pos(1, 1, 240), pos(2, 1, 0)}), 0, 1},
      {"downbeat start", timelineOf({pos(5, 1, 0), pos(8, 4, 0)}), 1, 4},
      {"already normal", timelineOf({pos(1, 1, 0), pos(4, 1, 0)}), 1, 4},
      {"pickup bar 0 on a downbeat", timelineOf({pos(0, 1, 0), pos(4, 1, 0)}), 1, 5},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BarTimeline t = c.timeline;
    t.normalizeBars();
    EXPECT_EQ(t[0].bar, c.firstBar);
    EXPECT_EQ(t.numberOfBars(), c.bars);
  }
  EXPECT_EQ(timelineOf({pos(0, 2, 0), pos(4, 1, 0)}).numberOfBars(), 4u);
  EXPECT_EQ(timelineOf({pos(1, 2, 0), pos(4, 1, 0)}).numberOfBars(), 4u);
  EXPECT_EQ(BarTimeline{}.numberOfBars(), 0u);
}

}  // namespace
}  // namespace suite::core
