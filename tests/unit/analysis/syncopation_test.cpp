// Syncopation values at the four metrical levels.
#include "analysis/syncopation.h"

#include <gtest/gtest.h>

#include "unit/analysis/test_melodies.h"

namespace suite::analysis {
namespace {

using test::buildMelody;
using test::Note;

TEST(Syncopation, CasesIn44) {
  // 4/4 at 480 ticks per beat. Expected values by hand: a note counts at
  // level L when its metrical level is L - 1 and the next onset lies further
  // away than the span of L (one beat at L = 1; at L = 0, for a beat in 4,
  // the last top-level group of 2 parts x 120 ticks = 240; a 32nd part (60)
  // at L = -1 in a beat of 8; a 64th part (30) at L = -2 in a beat of 16,
  // where L = -1 spans 2 top-level groups x 30 = 60 ticks).
  const struct {
    const char* name;
    std::vector<Note> notes;
    std::uint64_t tatum;
    int level;
    std::vector<double> expected;
  } cases[] = {
      {"one-beat notes, last on beat 4",
       {{.beat = 1}, {.beat = 2}, {.beat = 3}, {.beat = 4}, {.bar = 2, .beat = 1},
        {.bar = 2, .beat = 2}, {.bar = 2, .beat = 3}, {.bar = 2, .beat = 4}},
       480, 1, {0, 0, 0, 0, 0, 0, 0, 1}},
      {"one-beat notes, last on beat 1",
       {{.beat = 1}, {.beat = 2}, {.beat = 3}, {.beat = 4}, {.bar = 2, .beat = 1}},
       480, 1, {0, 0, 0, 0, 0}},
      {"beat 2 followed by beat 4",
       {{.beat = 1}, {.beat = 2}, {.beat = 4}, {.bar = 2, .beat = 1}}, 480, 1, {0, 1, 0, 0}},
      {"off-beat half held over the next beat",
       {{.beat = 1}, {.beat = 1, .tick = 240, .division = 2}, {.beat = 3}, {.beat = 4},
        {.bar = 2, .beat = 1}},
       240, 1, {0, 1, 0, 0, 0}},
      {"beat 3 held to the next bar",
       {{.beat = 1}, {.beat = 3}, {.bar = 2, .beat = 1}}, 480, 1, {0, 1, 0}},
      {"sixteenths: 120 ticks fit, 360 and 720 do not",
       {{.beat = 1, .division = 4}, {.beat = 1, .tick = 120, .division = 4},
        {.beat = 1, .tick = 240, .division = 4}, {.beat = 1, .tick = 360, .division = 4},
        {.beat = 2, .tick = 240, .division = 4}, {.beat = 4}},
       120, 0, {0, 0, 0, 1, 1, 0}},
      {"32nds",
       {{.beat = 1, .division = 8}, {.beat = 1, .tick = 60, .division = 8},
        {.beat = 1, .tick = 120, .division = 8}, {.beat = 1, .tick = 180, .division = 8},
        {.beat = 2}},
       60, -1, {0, 0, 0, 1, 0}},
      {"64ths",
       {{.beat = 1, .division = 16}, {.beat = 1, .tick = 30, .division = 16},
        {.beat = 1, .tick = 60, .division = 16}, {.beat = 1, .tick = 90, .division = 16},
        {.beat = 1, .tick = 150, .division = 16}, {.beat = 2}},
       30, -2, {0, 0, 0, 1, 1, 0}},
      {"level -1 in a beat of 16 spans two groups",
       {{.beat = 1, .division = 16}, {.beat = 1, .tick = 120, .division = 16},
        {.beat = 1, .tick = 180, .division = 16}, {.beat = 1, .tick = 360, .division = 16},
        {.beat = 2}},
       30, -1, {0, 0, 0, 1, 0}},
      {"a last note at the level always counts",
       {{.beat = 1, .division = 4}, {.beat = 1, .tick = 120, .division = 4}}, 120, 0, {0, 1}},
      {"tatum beyond the beat",
       {{.beat = 1}, {.beat = 3, .tick = 240}, {.bar = 2, .beat = 2}}, 0, 1, {0, 1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const core::Melody m = buildMelody(c.notes, {4, 4, 480}, c.tatum);
    EXPECT_EQ(syncopation(m, c.level), c.expected);
  }
}

TEST(Syncopation, EveryLevelIsChecked) {
  // One off-beat sixteenth of a beat in four: metrical level -1, so only
  // level 0 sees it.
  const core::Melody m = buildMelody(
      {{.beat = 1, .division = 4}, {.beat = 1, .tick = 120, .division = 4}, {.beat = 3}}, {4, 4, 480},
      120);
  EXPECT_EQ(syncopation(m, 1), (std::vector<double>{0, 0, 1}));
  EXPECT_EQ(syncopation(m, 0), (std::vector<double>{0, 1, 0}));
  EXPECT_EQ(syncopation(m, -1), (std::vector<double>{0, 0, 0}));
  EXPECT_EQ(syncopation(m, -2), (std::vector<double>{0, 0, 0}));
  EXPECT_TRUE(syncopation(m, 2).empty());
  EXPECT_TRUE(syncopation(m, -3).empty());
}

TEST(Syncopation, InconsistentMelodies) {
  core::Melody fewerDurations = buildMelody({{.beat = 1}, {.beat = 3}});
  fewerDurations.durations.pop_back();
  EXPECT_TRUE(syncopation(fewerDurations, 1).empty());
  core::Melody fewerPositions = buildMelody({{.beat = 1}, {.beat = 3}});
  fewerPositions.timeline.positions.pop_back();
  EXPECT_TRUE(syncopation(fewerPositions, 1).empty());
  EXPECT_TRUE(syncopation(core::Melody{}, 1).empty());
}

}  // namespace
}  // namespace suite::analysis
