// Duration classes and the fuzzy rhythm measures (edit distance and n-gram
// forms, tatum durations and tick intervals).
#include "similarity/fuzzy_rhythm.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/type_flags.h"
#include "similarity/type_table.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

constexpr std::uint32_t kFuzzyRhythm = Rhythm | Fuzzy;  // rhytFuzz, rhytFuz2
constexpr std::uint32_t kSumCommon = Rhythm | NGrams | Fuzzy | SumCommon;
constexpr std::uint32_t kCountDistinct = Rhythm | NGrams | Fuzzy | CountDistinct;
constexpr std::uint32_t kUkkonen = Rhythm | NGrams | Fuzzy | Ukkonen;

// A melody on one pitch with the given durations (tatums) whose notes lie
// the given tick distances apart (4/4, \a ticksPerBeat ticks per beat, first
// note on the downbeat of bar 1). With no intervals given, each note is one
// tatum of 240 ticks per duration unit after the previous one.
core::Melody rhythmMelody(const std::vector<std::uint32_t>& durations,
                          std::vector<std::uint64_t> intervals = {},
                          std::uint32_t ticksPerBeat = 480) {
  if (intervals.empty() && !durations.empty()) {
    for (std::size_t i = 0; i + 1 < durations.size(); ++i) intervals.push_back(durations[i] * 240u);
  }
  core::Melody m;
  m.signature.ticksPerBeat = ticksPerBeat;
  m.durations = durations;
  core::MetricalPosition p;
  p.bar = 1;
  for (std::size_t i = 0; i <= intervals.size(); ++i) {
    m.pitches.push_back(60);
    m.onsets.push_back(static_cast<double>(i));
    m.timeline.append(p);
    if (i < intervals.size()) p.advance(intervals[i], m.signature);
  }
  return m;
}

SimilarityResult fuzzy(const core::Melody& a, const core::Melody& b, std::uint32_t flags,
                       int param, std::ostream& err = std::cerr) {
  FuzzyRhythmWorkspace workspace;
  return fuzzyRhythmSimilarity(a, b, flags, param, err, workspace);
}

// Boundaries: with R = 10 (and 20) the products 3.3 R, 1.8 R, 0.9 R, 0.45 R
// are exact integers in double arithmetic (checked with Python floats), and a
// duration equal to one stays in the lower class.
TEST(DurationClassTest, ThresholdsAndExactBoundaries) {
  struct Case {
    double d;
    double r;
    int expected;
  };
  const Case cases[] = {
      {4, 4, 2},   {8, 4, 3},   {2, 4, 1},   {1, 4, 0},  {14, 4, 4}, {13, 4, 3},
      {33, 10, 3}, {34, 10, 4}, {18, 10, 2}, {19, 10, 3}, {9, 10, 1}, {10, 10, 2},
      {4, 10, 0},  {5, 10, 1},  {66, 20, 3}, {67, 20, 4}, {36, 20, 2}, {37, 20, 3},
      {18, 20, 1}, {19, 20, 2}, {9, 20, 0},  {10, 20, 1}, {0, 10, 0},
      // A zero reference: every positive duration is class 4.
      {0, 0, 0},   {1, 0, 4},   {1000, 0, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.d << " against " << c.r);
    EXPECT_EQ(durationClass(c.d, c.r), c.expected);
  }
}

TEST(DurationClassTest, SequencesOfBothWidths) {
  std::vector<int> classes = {9, 9, 9, 9, 9, 9};
  const std::vector<std::uint32_t> tatums = {4, 4, 8, 2};
  durationClasses(tatums, 4.0, classes);
  EXPECT_EQ(classes, (std::vector<int>{2, 2, 3, 1}));
  const std::vector<std::uint64_t> ticks = {480, 1920, 100, 960};
  durationClasses(ticks, 480.0, classes);
  EXPECT_EQ(classes, (std::vector<int>{2, 4, 0, 3}));
  durationClasses(std::span<const std::uint64_t>(), 480.0, classes);
  EXPECT_TRUE(classes.empty());
}

// Expected values by hand: classes against the modal duration, then
// 1 - edit distance / longer length.
TEST(FuzzyRhythmTest, EditDistanceOverModalReferences) {
  struct Case {
    const char* name;
    std::vector<std::uint32_t> a;
    std::vector<std::uint32_t> b;
    double value;
    double offset;
  };
  const Case cases[] = {
      {"identical", {4, 4, 8, 2}, {4, 4, 8, 2}, 1.0, 0.0},
      // 2 2 3 1 against R = 4 and against R = 2: the same classes.
      {"tempo invariant", {4, 4, 8, 2}, {2, 2, 4, 1}, 1.0, 0.0},
      // 2 2 3 1 against 2 2 2 1 (R = 4): one substitution.
      {"one class differs", {4, 4, 8, 2}, {4, 4, 4, 2}, 0.75, 1.0},
      // A: 1 1 2 2 2 (R = 4). B = 2 2 4 4 has the modes 2 and 4: against 2
      // it is 2 2 3 3 (distance 4, 0.2), against 4 it is 1 1 2 2 (one
      // deletion, 0.8). The second reference wins.
      {"second modal reference wins", {2, 2, 4, 4, 4}, {2, 2, 4, 4}, 0.8, 1.0},
      // The same with the melodies swapped: A's references are tried too.
      {"second modal reference of a", {2, 2, 4, 4}, {2, 2, 4, 4, 4}, 0.8, 1.0},
      // 2 2 2 (R = 1) against 0 2 2 (R = 8): one substitution.
      {"scaled modes", {1, 1, 1}, {1, 8, 8}, 2.0 / 3.0, 1.0},
      // A zero modal duration: 0 0 4 against 0 0 4.
      {"zero reference", {0, 0, 3}, {0, 0, 5}, 1.0, 0.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SimilarityResult r = fuzzy(rhythmMelody(c.a), rhythmMelody(c.b), kFuzzyRhythm, 0);
    EXPECT_DOUBLE_EQ(r.value, c.value);
    EXPECT_EQ(r.bestOffset, c.offset);
  }
}

TEST(FuzzyRhythmTest, OddParamComparesTickIntervalsAgainstTheBeat) {
  // Tatum durations that disagree, tick intervals that agree: 2 2 3 1
  // against a beat of 480 and of 240 ticks.
  const core::Melody a = rhythmMelody({1, 1, 1, 1, 1}, {480, 480, 960, 240}, 480);
  const core::Melody b = rhythmMelody({1, 3, 1, 3, 1}, {240, 240, 480, 120}, 240);
  const SimilarityResult ticks = fuzzy(a, b, kFuzzyRhythm, 1);
  EXPECT_EQ(ticks.value, 1.0);
  EXPECT_EQ(ticks.bestOffset, 0.0);
  // param 0 compares the durations: 2 2 2 2 2 against 2 3 2 3 2 (R = 1).
  const SimilarityResult tatums = fuzzy(a, b, kFuzzyRhythm, 0);
  EXPECT_DOUBLE_EQ(tatums.value, 0.6);
  EXPECT_EQ(tatums.bestOffset, 2.0);
  // The 3-gram rows have an odd param: 2-grams of the tick classes.
  EXPECT_EQ(fuzzy(a, b, kSumCommon, 3).value, 1.0);
  // Intervals 480 960 480 against a beat of 480: 2 3 2 (bigrams 23 32);
  // against 2 2 3 1 (22 23 31) the common bigram 23: (1 + 1) / (2 + 3).
  const core::Melody c = rhythmMelody({1, 1, 1, 1}, {480, 960, 480}, 480);
  EXPECT_DOUBLE_EQ(fuzzy(c, a, kSumCommon, 3).value, 0.4);
}

TEST(FuzzyRhythmTest, NGramRowsUseBigramsWhateverTheirParam) {
  // A: 2 2 3 1 2 2, B: 2 2 3 1 (R = 4). Bigrams of B: 22 23 31, of A:
  // 22 23 31 12 22. Sum common (1+2 + 1+1 + 1+1) / (3 + 5); count distinct
  // 3 / 4; Ukkonen 1 - (|1-2| + 1) / 8. With n = 4 the shorter sequence
  // would be no longer than n and the result 0.
  const core::Melody a = rhythmMelody({4, 4, 8, 2, 4, 4});
  const core::Melody b = rhythmMelody({4, 4, 8, 2});
  struct Case {
    std::uint32_t flags;
    double expected;
  };
  for (const Case& c : {Case{kSumCommon, 0.875}, Case{kCountDistinct, 0.75},
                        Case{kUkkonen, 0.75}}) {
    SCOPED_TRACE(c.flags);
    for (const int param : {2, 4}) {
      SCOPED_TRACE(param);
      const SimilarityResult r = fuzzy(a, b, c.flags, param);
      EXPECT_DOUBLE_EQ(r.value, c.expected);
      EXPECT_EQ(r.bestOffset, 0.0);
    }
  }
  // No method bit: 0.
  EXPECT_EQ(fuzzy(a, b, Rhythm | NGrams | Fuzzy, 2).value, 0.0);
}

TEST(FuzzyRhythmTest, DegenerateMelodies) {
  const core::Melody one = rhythmMelody({2});
  const core::Melody three = rhythmMelody({2, 2, 4});
  core::Melody noDurations = three;
  noDurations.durations.clear();
  std::ostringstream err;
  // One note each: no tick intervals, two empty class sequences are equal.
  EXPECT_EQ(fuzzy(one, one, kFuzzyRhythm, 1, err).value, 1.0);
  EXPECT_EQ(fuzzy(one, one, kSumCommon, 3, err).value, 1.0);
  EXPECT_EQ(fuzzy(one, three, kFuzzyRhythm, 1, err).value, 0.0);
  EXPECT_EQ(fuzzy(one, one, kFuzzyRhythm, 0, err).value, 1.0);
  // Pitches without durations: no modal duration to compare against.
  const SimilarityResult none = fuzzy(noDurations, three, kFuzzyRhythm, 0, err);
  EXPECT_EQ(none.value, 0.0);
  EXPECT_EQ(none.bestOffset, 0.0);
  EXPECT_EQ(fuzzy(three, noDurations, kUkkonen, 2, err).value, 0.0);
  // Fewer durations than pitches: the durations present are compared.
  core::Melody fewer = three;
  fewer.durations.pop_back();
  EXPECT_EQ(fuzzy(fewer, rhythmMelody({2, 2}), kFuzzyRhythm, 0, err).value, 1.0);
  // No melody at all.
  EXPECT_EQ(fuzzy(core::Melody{}, three, kFuzzyRhythm, 0, err).value, -1.0);
  EXPECT_EQ(fuzzy(three, core::Melody{}, kSumCommon, 3, err).value, -1.0);
  EXPECT_TRUE(err.str().empty());
}

TEST(FuzzyRhythmTest, TimelineThatRunsBackwardsIsReportedAndCutShort) {
  core::Melody a = rhythmMelody({1, 1, 1, 1}, {480, 480, 960}, 480);
  // The third position moves before the second one.
  a.timeline[2] = a.timeline[0];
  std::ostringstream err;
  // Only the first interval (480: class 2) is left; b has 2 2 3.
  const SimilarityResult r = fuzzy(a, rhythmMelody({1, 1, 1, 1}, {480, 480, 960}, 480),
                                   kFuzzyRhythm, 1, err);
  EXPECT_EQ(err.str(), "Invalid BarTimeline.\n");
  EXPECT_DOUBLE_EQ(r.value, 1.0 - 2.0 / 3.0);
  EXPECT_EQ(r.bestOffset, 2.0);
}

// The 4-gram fuzzy rhythm rows compute what the 2-gram rows compute, on
// loaded melodies; the rows are taken from the catalogue.
TEST(FuzzyRhythmTest, FourGramRowsEqualBigramRowsOnRealMelodies) {
  core::MelodyReader reader(std::cerr);
  std::vector<core::Melody> melodies;
  for (const char* file : {"ATripToGalway.csv", "DowntheGortRoadreel.csv", "TipperaryHills.csv"}) {
    core::Melody m;
    ASSERT_TRUE(core::readMelodyFile(reader, test::dataPath("melodies/").string() + file, m));
    melodies.push_back(std::move(m));
  }
  const std::pair<const char*, const char*> rows[] = {
      {"qGrSumFR", "bGrSumFR"}, {"qGrUkkFR", "bGrUkkFR"}, {"qGrCooFR", "bGrCooFR"}};
  FuzzyRhythmWorkspace workspace;
  std::ostringstream err;
  for (const auto& [four, two] : rows) {
    SCOPED_TRACE(four);
    const SimilarityType& q = typeTable[typeIndex(four)];
    const SimilarityType& b = typeTable[typeIndex(two)];
    ASSERT_EQ(q.param, 4);
    ASSERT_EQ(b.param, 2);
    int differingFromSelf = 0;
    for (const core::Melody& x : melodies) {
      for (const core::Melody& y : melodies) {
        SCOPED_TRACE(x.name + " / " + y.name);
        const SimilarityResult rq = fuzzyRhythmSimilarity(x, y, q.flags, q.param, err, workspace);
        const SimilarityResult rb = fuzzyRhythmSimilarity(x, y, b.flags, b.param, err, workspace);
        EXPECT_EQ(rq.value, rb.value);
        EXPECT_GE(rb.value, 0.0);
        EXPECT_LE(rb.value, 1.0);
        if (&x == &y) {
          EXPECT_EQ(rb.value, 1.0);
        } else if (rb.value < 1.0) {
          ++differingFromSelf;
        }
      }
    }
    // Different tunes do not all look alike.
    EXPECT_GT(differingFromSelf, 0);
  }
  EXPECT_TRUE(err.str().empty());
}

}  // namespace
}  // namespace suite::similarity
