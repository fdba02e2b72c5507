// Contour points, the metrical hierarchy, syncopation, the accent rules, the
// Thomassen accents and the two accent models on small melodies worked out by
// hand. (Every accent row on two real excerpts: features_test.cpp.)
#include "analysis/accents.h"

#include <gtest/gtest.h>

#include "analysis/contour.h"
#include "analysis/metrical_hierarchy.h"
#include "analysis/syncopation.h"
#include "support/melodies.h"

namespace suite::analysis {
namespace {

using test::melodyAt;
using test::Note;
using Notes = std::vector<std::size_t>;

// Notes on successive beats of 4/4, one beat each, with the given phrase flags.
core::Melody onBeats(std::vector<int> pitches, std::vector<std::int32_t> flags) {
  std::vector<Note> notes;
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    notes.push_back({pitches[i], 1, std::int32_t(1 + i / 4), std::uint32_t(1 + i % 4)});
  }
  core::Melody m = melodyAt(notes);
  m.phraseFlags = flags;
  return m;
}

Notes firing(const core::Melody& m, AccentRule rule) {
  Notes notes;
  const std::vector<double> v = ruleAccents(m, ruleBit(rule));
  for (std::size_t t = 0; t < v.size(); ++t) {
    if (v[t] != 0.0) notes.push_back(t);
  }
  return notes;
}

TEST(Contour, PointsOfEachMethod) {
  using M = ContourMethod;
  const std::tuple<std::vector<std::int8_t>, M, Notes> cases[] = {
      {{60, 62, 62, 64, 62}, M::Natural, {0, 3, 4}},
      {{60, 62, 62, 64, 62}, M::Orvik, {0, 4}},  // a peak between equal neighbours
      {{60, 64, 60, 64, 60}, M::Natural, {0, 1, 2, 3, 4}},
      {{60, 64, 60, 64, 60}, M::Steinbeck, {0, 4}},
      {{60, 62, 64, 62, 60}, M::Steinbeck, {0, 2, 4}},
      {{60, 60, 64, 64, 64, 62, 65}, M::Natural, {0, 4, 5, 6}}};  // a run ends at its last note
  for (const auto& [pitches, method, expected] : cases) {
    Notes points;
    for (const ContourPoint& p : contourPoints(pitches, method)) points.push_back(p.index);
    EXPECT_EQ(points, expected) << ::testing::PrintToString(pitches);
  }
  EXPECT_EQ(contourCurve(std::vector<std::int8_t>{60, 62, 62, 64, 62}, M::Orvik),
            (std::vector<double>{60, 60.5, 61, 61.5, 62}));
}

TEST(MetricalHierarchy, SplitRuleAndMainBeats) {
  const std::vector<std::uint64_t> splits[] = {
      /* 4*/ {2, 2},   /* 5*/ {2, 3},    /* 6*/ {3, 3},   /* 7*/ {4, 3},    /* 8*/ {4, 4},
      /* 9*/ {3, 3, 3}, /*10*/ {5, 5},   /*11*/ {4, 4, 3}, /*13*/ {6, 7},   /*17*/ {8, 9},
      /*19*/ {10, 9},  /*23*/ {8, 8, 7}, /*25*/ {8, 8, 9}};
  const std::uint64_t sizes[] = {4, 5, 6, 7, 8, 9, 10, 11, 13, 17, 19, 23, 25};
  for (std::size_t i = 0; i < std::size(sizes); ++i) {
    const GroupSplit s = splitGroup(sizes[i]);
    EXPECT_EQ(std::vector<std::uint64_t>(s.sizes.begin(), s.sizes.begin() + s.count), splits[i])
        << sizes[i];
  }
  EXPECT_TRUE(MetricalHierarchy(8).isMainBeat(5));
  EXPECT_FALSE(MetricalHierarchy(3).isMainBeat(1));
  EXPECT_TRUE(MetricalHierarchy(4096).isMainBeat(2049));
}

TEST(Syncopation, Levels) {
  // Beats 1, 2, 4 and bar 2 beat 2: beat 2 and beat 4 ring on past the next
  // beat, and the last note counts.
  EXPECT_EQ(syncopation(melodyAt({{60}, {62, 1, 1, 2}, {64, 1, 1, 4}, {65, 1, 2, 2}}), 1),
            (std::vector<double>{0, 1, 1, 1}));
  // Sixteenths at 120 and 360 ticks (level -1): level 0 looks half a beat on.
  EXPECT_EQ(syncopation(melodyAt({{60}, {62, 1, 1, 1, 120}, {64, 1, 1, 1, 360}, {65, 1, 1, 2}}), 0),
            (std::vector<double>{0, 0, 0, 0}));
  // Thirty-seconds at 60 and 180 ticks (level -2): level -1 looks one on.
  EXPECT_EQ(syncopation(melodyAt({{60}, {62, 1, 1, 1, 60}, {64, 1, 1, 1, 180}, {65, 1, 1, 2}}), -1),
            (std::vector<double>{0, 1, 1, 0}));
}

TEST(AccentRules, FireOnTheNotesWorkedOutByHand) {
  const core::Melody fifth = onBeats({60, 67, 60}, {1, 0, 2});
  const core::Melody local = onBeats({60, 60, 67, 67, 60}, {1, 0, 0, 0, 2});
  const core::Melody arch = onBeats({60, 62, 64, 62, 60}, {1, 0, 0, 0, 2});
  const core::Melody wave = onBeats({60, 64, 62, 65, 60}, {1, 0, 0, 0, 2});
  const core::Melody phrases = onBeats({60, 62, 64, 62, 60, 58}, {1, 0, 2, 1, 0, 2});
  const core::Melody lengths = [] {  // modal duration 1; one phrase
    core::Melody m = melodyAt({{60, 2, 1}, {60, 2, 2}, {60, 1, 3}, {60, 1, 4}, {60, 4, 5},
                               {60, 1, 6}, {60, 1, 7}, {60, 1, 8}});
    m.phraseFlags = {1, 0, 0, 0, 0, 0, 0, 2};
    return m;
  }();
  const core::Melody shortPhrase = onBeats({60, 62, 64}, {1, 2, 3});
  const core::Melody offBeats = melodyAt({{60}, {62, 1, 1, 1, 240}, {64, 1, 1, 2, 240},
                                          {65, 1, 1, 4}, {67, 1, 1, 4, 240}, {69, 1, 2, 2}});
  const core::Melody waltz = melodyAt({{60}, {62, 1, 1, 2}, {64, 1, 1, 3}, {65, 1, 2, 1},
                                       {67, 1, 2, 3, 240}}, {3, 4, 480});
  const core::Melody triads = onBeats({60, 64, 67, 62, 57, 60, 64, 69, 60, 63, 67, 60},
                                      {1, 0, 2, 0, 1, 0, 0, 2, 1, 0, 0, 2});  // C, a, c
  const std::tuple<const core::Melody*, AccentRule, Notes> cases[] = {
      {&fifth, kJumpAft3, {1, 2}},   {&fifth, kJumpAft5, {1, 2}},  {&fifth, kJumpBef4, {0, 1}},
      {&fifth, kJumpBea5, {0, 1, 2}}, {&local, kJumpLoc, {2, 3}},  {&fifth, kJumpLoc, {}},
      {&arch, kPExtrem, {2}},        {&arch, kPExtrSt, {2}},       {&arch, kPExtrSta, {1, 3}},
      {&arch, kPExtrOrvik, {}},      {&wave, kPExtrOrvik, {1, 2, 3}},
      {&phrases, kPExtrSta, {1, 4}},  // contour points per phrase
      {&lengths, kLongMod, {0, 1, 4}}, {&lengths, kLong2Mod, {4}}, {&lengths, kEndLoIoi, {2}},
      {&lengths, kLongPr, {4}},      {&lengths, kShortPr, {2}},    {&lengths, kShort2Pr, {2}},
      {&fifth, kBeat1, {0}},         {&arch, kBeat13, {0, 4}},
      {&arch, kBeatAll, {0, 1, 2, 3, 4}},
      {&offBeats, kSync1234, {1, 2, 4}}, {&offBeats, kSync13, {4}},
      {&waltz, kBeat13, {}},         {&waltz, kBeat1, {0, 3}},     {&waltz, kSync1234, {4}},
      {&phrases, kPhrasEnd, {2, 5}}, {&shortPhrase, kShortPhr, {1}},
      {&triads, kTriad, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11}}, {&triads, kTriaPhen, {2, 7, 11}},
  };
  for (const auto& [melody, rule, notes] : cases) {
    EXPECT_EQ(firing(*melody, rule), notes) << "rule " << rule;
  }
  EXPECT_EQ(ruleAccents(fifth, ruleBit(kJumpAft3) | ruleBit(kJumpBef3) | ruleBit(kJumpBea3)),
            (std::vector<double>{2, 3, 2}));
  EXPECT_TRUE(ruleAccents(onBeats({60}, {3}), ~0u).empty());
}

TEST(AccentModels, ValuesWorkedOutByHand) {
  // Thomassen: note 1 of 60 62 60 after a level step, a rise and a fall:
  // (1 - T[2]) * T[7] = 0.83.
  const std::pair<std::vector<int>, std::vector<double>> thomassen[] = {
      {{60, 62, 60}, {0, 0.83, 0.17}}, {{60, 64, 67}, {0, 0.33, 0.67}},
      {{62, 60, 64, 64}, {0, 0.71, 0.29, 0}}};
  for (const auto& [pitches, values] : thomassen) {
    const std::vector<double> v = thomassenAccents(onBeats(pitches, {}), false);
    for (std::size_t i = 0; i < values.size(); ++i) EXPECT_NEAR(v.at(i), values[i], 1e-12);
  }
  // Rising steps on beats 1 2 3 4 1: beat1 on notes 0 and 4, phrasend on 4;
  // 1 / (1 + e^-x) for x = -0.85, -1.55 and 0.59.
  const core::Melody steps = onBeats({60, 62, 64, 65, 67}, {1, 0, 0, 0, 2});
  const std::vector<double> linear = linearModelAccents(steps, false);
  const double expected[] = {0.2994329, 0.1750863, 0.1750863, 0.1750863, 0.6433651};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(linear.at(i), expected[i], 1e-7);
  EXPECT_EQ(linearModelAccents(steps, true), (std::vector<double>{0, 0, 0, 0, 1}));
  // Tree: a longer note on a beat after a rise and before a fall; a syncope
  // after a jump of 7; no rule at all.
  EXPECT_EQ(treeModelAccents(melodyAt({{60}, {62, 2, 1, 2}, {60, 1, 1, 4}}), false)[1], 0.6773);
  const core::Melody syncope = melodyAt({{60}, {67, 1, 1, 1, 240}, {67, 1, 1, 3}});
  EXPECT_EQ(treeModelAccents(syncope, false)[1], 0.5369);
  EXPECT_EQ(treeModelAccents(steps, true), (std::vector<double>{0, 0, 0, 0, 0}));
  EXPECT_EQ(treeModelAccents(steps, false)[2], 0.2114);
}

}  // namespace
}  // namespace suite::analysis
