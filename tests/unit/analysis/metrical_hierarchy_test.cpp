// The split rule, weights and main beats of the metrical hierarchy, and the
// metrical level of a position.
#include "analysis/metrical_hierarchy.h"

#include <gtest/gtest.h>

#include <vector>

namespace suite::analysis {
namespace {

std::vector<std::uint64_t> sizesOf(const GroupSplit& s) {
  return std::vector<std::uint64_t>(s.sizes.begin(), s.sizes.begin() + s.count);
}

TEST(MetricalHierarchy, SplitRuleForFourToTwentyFiveBeats) {
  // Worked out by hand: even sizes halve, odd multiples of 3 split in three;
  // the rest compare c(t+1) + c(t) with c(h+1) + c(h), e.g. for 17: h = 8,
  // t = 5, c(6) + c(5) = 0 + 2 is not below c(9) + c(8) = 0, and 17 mod 4 = 1
  // gives 8, 9; for 23: h = 11, t = 7, c(8) + c(7) = 1 < c(12) + c(11) = 2 and
  // t is odd, giving 8, 8, 7.
  const std::vector<std::uint64_t> expected[] = {
      /* 4*/ {2, 2},     /* 5*/ {2, 3},    /* 6*/ {3, 3},     /* 7*/ {4, 3},
      /* 8*/ {4, 4},     /* 9*/ {3, 3, 3}, /*10*/ {5, 5},     /*11*/ {4, 4, 3},
      /*12*/ {6, 6},     /*13*/ {6, 7},    /*14*/ {7, 7},     /*15*/ {5, 5, 5},
      /*16*/ {8, 8},     /*17*/ {8, 9},    /*18*/ {9, 9},     /*19*/ {10, 9},
      /*20*/ {10, 10},   /*21*/ {7, 7, 7}, /*22*/ {11, 11},   /*23*/ {8, 8, 7},
      /*24*/ {12, 12},   /*25*/ {8, 8, 9},
  };
  for (std::uint64_t s = 4; s <= 25; ++s) {
    SCOPED_TRACE(s);
    EXPECT_EQ(sizesOf(splitGroup(s)), expected[s - 4]);
  }
  for (std::uint64_t s = 0; s < 4; ++s) EXPECT_EQ(splitGroup(s).count, 0) << s;
}

TEST(MetricalHierarchy, PartsAlwaysAddUp) {
  for (std::uint64_t s = 4; s <= 5000; ++s) {
    const GroupSplit split = splitGroup(s);
    std::uint64_t sum = 0;
    for (int i = 0; i < split.count; ++i) sum += split.sizes[i];
    ASSERT_EQ(sum, s);
    ASSERT_GE(split.count, 2);
  }
}

TEST(MetricalHierarchy, WeightsAndMainBeats) {
  const struct {
    std::uint64_t beats;
    std::vector<int> weights;     // of beat indices 0..beats-1
    std::vector<int> mainBeats;   // counted from 1
  } cases[] = {
      {1, {1}, {}},
      {2, {1, 1}, {}},                                   // 2 -> (1 at beat index 1)
      {3, {1, 1, 1}, {}},                                // 3 -> 1 + 1 after the first
      {4, {2, 1, 1, 1}, {1}},                            // 4 -> 2 + 2
      {5, {2, 1, 1, 1, 1}, {1}},                         // 5 -> 2 + 3
      {6, {2, 1, 1, 1, 1, 1}, {1}},                      // 6 -> 3 + 3
      {8, {3, 1, 1, 1, 2, 1, 1, 1}, {1, 5}},             // 8 -> 4 + 4 -> 2 + 2 each
      {9, {2, 1, 1, 1, 1, 1, 1, 1, 1}, {1}},             // 9 -> 3 + 3 + 3
      {12, {3, 1, 1, 1, 1, 1, 2, 1, 1, 1, 1, 1}, {1, 7}},  // 12 -> 6 + 6 -> 3 + 3 each
      {16, {4, 1, 1, 1, 2, 1, 1, 1, 3, 1, 1, 1, 2, 1, 1, 1}, {1, 5, 9, 13}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.beats);
    const MetricalHierarchy h(c.beats);
    std::vector<int> weights, mainBeats;
    for (std::uint64_t k = 0; k < c.beats; ++k) weights.push_back(h.weight(std::int64_t(k)));
    for (std::int64_t b = 1; b <= std::int64_t(c.beats); ++b) {
      if (h.isMainBeat(b)) mainBeats.push_back(int(b));
    }
    EXPECT_EQ(weights, c.weights);
    EXPECT_EQ(mainBeats, c.mainBeats);
    // Outside the bar no group starts, and no beat there is a main beat
    // (beat 0 would otherwise look like one, its weight 0 not being 1).
    EXPECT_EQ(h.weight(-1), 0);
    EXPECT_EQ(h.weight(std::int64_t(c.beats)), 0);
    EXPECT_FALSE(h.isMainBeat(0));
    EXPECT_FALSE(h.isMainBeat(std::int64_t(c.beats) + 1));
  }
}

TEST(MetricalHierarchy, HugeSizesAreNotBuilt) {
  // 2^k beats halve k times down to a group of 2: k groups start at beat 0.
  EXPECT_EQ(MetricalHierarchy(4096).weight(0), 12);
  EXPECT_EQ(MetricalHierarchy(4096).weight(2048), 11);
  EXPECT_EQ(MetricalHierarchy(4096).weight(4095), 1);
  EXPECT_EQ(MetricalHierarchy(std::uint64_t{1} << 40).weight(0), 40);
  EXPECT_TRUE(MetricalHierarchy(std::uint64_t{1} << 40).isMainBeat((std::int64_t{1} << 39) + 1));
  EXPECT_EQ(MetricalHierarchy(0).weight(0), 0);
  EXPECT_FALSE(MetricalHierarchy(0).isMainBeat(1));
}

TEST(MetricalHierarchy, TopLevelGroups) {
  const struct {
    std::uint64_t beats;
    int count;
    std::uint64_t lastSize;
  } cases[] = {
      {0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {3, 2, 1}, {4, 2, 2}, {5, 2, 3},
      {6, 2, 3}, {7, 2, 3}, {9, 3, 3}, {16, 2, 8}, {25, 3, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.beats);
    const MetricalHierarchy h(c.beats);
    EXPECT_EQ(h.topLevelGroupCount(), c.count);
    EXPECT_EQ(h.lastTopLevelGroupSize(), c.lastSize);
  }
}

TEST(MetricalLevel, Positions) {
  const core::Signature fourFour{4, 4, 480};
  const core::Signature threeFour{3, 4, 480};
  const core::Signature eightEight{8, 8, 480};
  const struct {
    const char* name;
    core::Signature sig;
    std::uint32_t beat;
    std::uint32_t tick;
    std::int32_t division;
    std::uint64_t tatum;
    int level;
  } cases[] = {
      {"4/4 beat 1", fourFour, 1, 0, 1, 120, 1},
      {"4/4 beat 2", fourFour, 2, 0, 1, 120, 0},
      {"4/4 beat 3", fourFour, 3, 0, 1, 120, 0},
      {"4/4 beat 4", fourFour, 4, 0, 1, 120, 0},
      {"3/4 beat 1", threeFour, 1, 0, 1, 120, 0},
      {"8/8 beat 5", eightEight, 5, 0, 1, 120, 1},
      {"8/8 beat 1", eightEight, 1, 0, 1, 120, 2},
      {"beat 0 lies outside the bar", fourFour, 0, 0, 1, 120, -1},
      {"off-beat half", fourFour, 2, 240, 2, 240, 0},
      {"off-beat half of a beat in 4", fourFour, 2, 240, 4, 120, -1},
      {"first sixteenth", fourFour, 2, 120, 4, 120, -1},
      {"last sixteenth", fourFour, 2, 360, 4, 120, -1},
      {"triplet", fourFour, 1, 160, 3, 160, 0},
      {"second 32nd of 8", fourFour, 1, 60, 8, 60, -2},
      {"fifth 32nd of 8", fourFour, 1, 240, 8, 60, -1},
      {"second 64th of 16", fourFour, 1, 30, 16, 30, -3},
      {"fifth 64th of 16", fourFour, 1, 120, 16, 30, -2},
      {"no tatum", fourFour, 1, 0, 1, 0, 0},
      {"no tatum off the beat", fourFour, 1, 240, 2, 0, 0},
      // A tatum longer than the beat leaves a part length of 0 ticks.
      {"tatum beyond the beat", fourFour, 3, 240, 1, 1200, 0},
      {"division 0 counts as 1", fourFour, 3, 240, 0, 240, 0},
      {"division beyond the tatums of a beat", fourFour, 3, 240, 8, 240, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    core::MetricalPosition p;
    p.bar = 1;
    p.beat = c.beat;
    p.tick = c.tick;
    p.beatDivision = c.division;
    EXPECT_EQ(metricalLevel(p, c.sig, c.tatum), c.level);
  }
}

TEST(MetricalLevel, SubdivisionLength) {
  const core::Signature sig{4, 4, 480};
  EXPECT_EQ(subdivisionLength(sig, 120, 4), 120u);
  EXPECT_EQ(subdivisionLength(sig, 120, 2), 240u);
  EXPECT_EQ(subdivisionLength(sig, 160, 2), 160u);  // 3 tatums per beat, 1 per half
  EXPECT_EQ(subdivisionLength(sig, 1200, 1), 0u);
  EXPECT_EQ(subdivisionLength(sig, 0, 1), 0u);
  EXPECT_EQ(subdivisionLength(sig, 120, 0), 480u);
  EXPECT_EQ(subdivisionLength(sig, 120, -3), 480u);
}

}  // namespace
}  // namespace suite::analysis
