// The accent rules, the Thomassen accents and the two accent models.
#include "analysis/accents.h"

#include <gtest/gtest.h>

#include "unit/analysis/test_melodies.h"

namespace suite::analysis {
namespace {

using test::buildMelody;
using test::Note;
using Notes = std::vector<std::size_t>;

// The notes on which \a rule fires.
Notes firing(const core::Melody& m, AccentRule rule) {
  const std::vector<double> v = ruleAccents(m, ruleBit(rule));
  Notes notes;
  for (std::size_t t = 0; t < v.size(); ++t) {
    EXPECT_TRUE(v[t] == 0.0 || v[t] == 1.0) << t;
    if (v[t] == 1.0) notes.push_back(t);
  }
  return notes;
}

// Notes with the given pitches and phrase flags on successive beats of 4/4
// (the next bar after beat 4), each one beat long.
core::Melody onBeats(std::initializer_list<int> pitches, std::initializer_list<int> flags) {
  std::vector<Note> notes;
  auto f = flags.begin();
  int i = 0;
  for (const int p : pitches) {
    notes.push_back({.pitch = p,
                     .bar = 1 + i / 4,
                     .beat = std::uint32_t(1 + i % 4),
                     .flags = f != flags.end() ? *f++ : 0});
    ++i;
  }
  return buildMelody(notes);
}

struct RuleCase {
  const char* name;
  core::Melody melody;
  AccentRule rule;
  Notes expected;
};

void runCases(const std::vector<RuleCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(firing(c.melody, c.rule), c.expected);
  }
}

TEST(AccentRules, Jumps) {
  const core::Melody fifth = onBeats({60, 67, 60}, {1, 0, 2});
  const core::Melody local = onBeats({60, 60, 67, 67, 60}, {1, 0, 0, 0, 2});
  const core::Melody localEnd = onBeats({60, 60, 67, 67, 60}, {1, 0, 2, 1, 2});
  const core::Melody third = onBeats({60, 63, 64}, {1, 0, 2});
  runCases({
      {"60 67 60 jumpaft3", fifth, kJumpAft3, {1, 2}},
      {"60 67 60 jumpaft4", fifth, kJumpAft4, {1, 2}},
      {"60 67 60 jumpaft5", fifth, kJumpAft5, {1, 2}},
      {"60 67 60 jumpbef3", fifth, kJumpBef3, {0, 1}},
      {"60 67 60 jumpbef4", fifth, kJumpBef4, {0, 1}},
      {"60 67 60 jumpbef5", fifth, kJumpBef5, {0, 1}},
      {"60 67 60 jumpbea3", fifth, kJumpBea3, {0, 1, 2}},
      {"60 67 60 jumpbea4", fifth, kJumpBea4, {0, 1, 2}},
      {"60 67 60 jumpbea5", fifth, kJumpBea5, {0, 1, 2}},
      {"60 67 60 jumploc", fifth, kJumpLoc, {}},
      {"a minor third is a jump of 3 only", third, kJumpBef3, {0}},
      {"a minor third is no jump of 4", third, kJumpBef4, {}},
      {"a minor third, then a step: jumpbea3", third, kJumpBea3, {0, 1}},
      {"a step after a jump of 3: jumpaft3", third, kJumpAft3, {1}},
      {"interval changes of 7 around notes 2 and 3", local, kJumpLoc, {2, 3}},
      {"no jumploc next to a phrase end", localEnd, kJumpLoc, {}},
  });
}

TEST(AccentRules, PitchExtremes) {
  const core::Melody zigzag = onBeats({60, 64, 60, 62}, {1, 0, 0, 2});
  const core::Melody zigzagEnd = onBeats({60, 64, 60, 62}, {1, 0, 2, 3});
  // Steinbeck contour points 0, 2, 4; Orvik takes no peak between equal
  // neighbours.
  const core::Melody arch = onBeats({60, 62, 64, 62, 60}, {1, 0, 0, 0, 2});
  // Orvik takes all three inner turning points (their neighbours differ).
  const core::Melody wave = onBeats({60, 64, 62, 65, 60}, {1, 0, 0, 0, 2});
  // Two phrases; within each no Steinbeck turning point, so its points are
  // 0, 2 and 3, 5. Over the whole melody the point 3 would not exist.
  const core::Melody phrases = onBeats({60, 62, 64, 62, 60, 58}, {1, 0, 2, 1, 0, 2});
  runCases({
      {"pextrem above and below", zigzag, kPExtrem, {1, 2}},
      {"pextrem not on a phrase end", zigzagEnd, kPExtrem, {1}},
      {"arch pextrem", arch, kPExtrem, {2}},
      {"arch pextrst", arch, kPExtrSt, {2}},
      {"arch pextrsta: the notes after points 0 and 2", arch, kPExtrSta, {1, 3}},
      {"arch pextrorvik", arch, kPExtrOrvik, {}},
      {"wave pextrorvik", wave, kPExtrOrvik, {1, 2, 3}},
      {"wave pextrst", wave, kPExtrSt, {}},
      {"wave pextrsta", wave, kPExtrSta, {1}},
      {"contour points per phrase", phrases, kPExtrSta, {1, 4}},
  });
}

TEST(AccentRules, Lengths) {
  // Durations 2 2 1 1 4 1 1 1: the modal duration is 1.
  const std::uint32_t durations[] = {2, 2, 1, 1, 4, 1, 1, 1};
  std::vector<Note> notes;
  for (std::size_t i = 0; i < 8; ++i) {
    notes.push_back({.pitch = 60, .bar = int(i), .duration = durations[i],
                     .flags = i == 0 ? 1 : (i == 7 ? 2 : 0)});
  }
  const core::Melody m = buildMelody(notes);
  runCases({
      {"longmod: longer than 1", m, kLongMod, {0, 1, 4}},
      {"long2mod: longer than 2", m, kLong2Mod, {4}},
      // Note 1 (2 after 2) is no longpr note, so the long note 1 ends a long
      // inter-onset interval at note 2; after note 4 (a longpr note) nothing.
      {"endloioi", m, kEndLoIoi, {2}},
      {"longpr", m, kLongPr, {4}},
      {"long2pr", m, kLong2Pr, {4}},
      // Note 5 is shorter than 4 but note 7 ends the phrase within t..t+2.
      {"shortpr", m, kShortPr, {2}},
      {"short2pr", m, kShort2Pr, {2}},
  });
  // The first long note ends no interval at note 1.
  std::vector<Note> twoLong = {{.duration = 3, .flags = 1}, {.bar = 2, .duration = 1},
                               {.bar = 3, .duration = 1, .flags = 2}};
  EXPECT_EQ(firing(buildMelody(twoLong), kEndLoIoi), Notes{});
}

TEST(AccentRules, Metre) {
  const core::Melody plain = onBeats({60, 62, 64, 65, 67}, {1, 0, 0, 0, 2});
  std::vector<Note> offBeats = {
      {.beat = 1},
      {.beat = 1, .tick = 240, .division = 2},
      {.beat = 2, .tick = 240, .division = 2},  // then beat 4: not the next beat
      {.beat = 4},
      {.beat = 4, .tick = 240, .division = 2},  // into the next bar's beat 1, off it
      {.bar = 2, .beat = 1, .tick = 240, .division = 2},  // onto beat 2: no syncope
      {.bar = 2, .beat = 2},
      {.bar = 2, .beat = 2, .tick = 240, .division = 2},  // the last note
  };
  offBeats.front().flags = 1;
  offBeats.back().flags = 2;
  const core::Melody synco = buildMelody(offBeats);
  const core::Melody sameBeat = buildMelody(
      {{.flags = 1}, {.tick = 120, .division = 4}, {.tick = 240, .division = 4},
       {.beat = 2, .flags = 2}});
  std::vector<Note> threeFour;
  for (std::uint32_t i = 0; i < 6; ++i) threeFour.push_back({.bar = int(1 + i / 3), .beat = 1 + i % 3});
  threeFour.push_back({.bar = 2, .beat = 3, .tick = 240, .division = 2});
  threeFour.push_back({.bar = 3, .beat = 1, .tick = 240, .division = 2});
  const core::Melody waltz = buildMelody(threeFour, {3, 4, 480});
  std::vector<Note> eight;
  for (std::uint32_t b = 1; b <= 8; ++b) eight.push_back({.beat = b});
  const core::Melody eightEight = buildMelody(eight, {8, 8, 480});
  const core::Melody beatZero = buildMelody({{.beat = 0}, {.beat = 1}, {.beat = 2}});
  runCases({
      {"4/4 beat1", plain, kBeat1, {0, 4}},
      {"4/4 beat13: beat 1 only", plain, kBeat13, {0, 4}},
      {"4/4 beatall", plain, kBeatAll, {0, 1, 2, 3, 4}},
      {"on the beat no syncope", plain, kSync1234, {}},
      {"sync1234", synco, kSync1234, {1, 2, 4, 7}},
      {"sync13: only the note tied into beat 1", synco, kSync13, {4}},
      {"beatall on the beat only", synco, kBeatAll, {0, 3, 6}},
      {"notes within one beat", sameBeat, kSync1234, {}},
      {"3/4 beat13 never", waltz, kBeat13, {}},
      {"3/4 beat1", waltz, kBeat1, {0, 3}},
      {"3/4 sync1234", waltz, kSync1234, {6, 7}},
      {"3/4 sync13 never", waltz, kSync13, {}},
      {"8/8 beat13 on beats 1 and 5", eightEight, kBeat13, {0, 4}},
      {"beat 0 is no main beat", beatZero, kBeat13, {1}},
      {"beat 0 is on a beat", beatZero, kBeatAll, {0, 1, 2}},
  });
}

TEST(AccentRules, PhrasesAndConstant) {
  const core::Melody m = onBeats({60, 62, 64, 65, 67, 69}, {1, 2, 1, 0, 2, 3});
  runCases({
      {"phrasbeg", m, kPhrasBeg, {0, 2, 5}},
      {"phrasend", m, kPhrasEnd, {1, 4, 5}},
      {"shortphr: a two-note phrase", m, kShortPhr, {1}},
      {"constant", m, kConstant, {0, 1, 2, 3, 4, 5}},
  });
}

TEST(AccentRules, Triads) {
  // Bar 1 C E G D: C major; bar 2 A C E A: A minor; bar 3 C Eb G C: C minor
  // (key index 12).
  std::vector<Note> notes;
  const int pitches[] = {60, 64, 67, 62, 57, 60, 64, 69, 60, 63, 67, 60};
  const int flags[] = {1, 0, 2, 0, 1, 0, 0, 2, 1, 0, 0, 2};
  for (int i = 0; i < 12; ++i) {
    notes.push_back({.pitch = pitches[i], .bar = 1 + i / 4, .beat = std::uint32_t(1 + i % 4),
                     .flags = flags[i]});
  }
  const core::Melody m = buildMelody(notes);
  // Bar 1 lies after bar 2: its notes are cut off by bar 2, so it has no key.
  const core::Melody backwards = buildMelody({{.pitch = 60, .bar = 2, .flags = 1},
                                              {.pitch = 60, .bar = 1, .beat = 2, .flags = 2}});
  runCases({
      {"triad", m, kTriad, {0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11}},
      {"triaphen", m, kTriaPhen, {2, 7, 11}},
      {"a bar without key", backwards, kTriad, {0}},
  });
}

TEST(AccentRules, MatrixValuesAndSums) {
  const core::Melody m = onBeats({60, 67, 60}, {1, 0, 2});
  const std::uint32_t mask = ruleBit(kJumpAft3) | ruleBit(kJumpBef3) | ruleBit(kJumpBea3);
  EXPECT_EQ(ruleAccents(m, mask), (std::vector<double>{2, 3, 2}));
  const std::vector<AccentRow> rows = accentMatrix(m, mask, 0.5, 2.0);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0][kJumpBef3], 2.0);
  EXPECT_EQ(rows[0][kJumpAft3], 0.5);
  EXPECT_EQ(rows[0][kJumpBef4], 0.5);  // fires, but is not enabled
  EXPECT_EQ(rows[1][kConstant], 0.5);
  EXPECT_EQ(ruleAccents(m, 0), (std::vector<double>{0, 0, 0}));
}

TEST(AccentRules, MelodiesWithoutAccents) {
  core::Melody fewerDurations = onBeats({60, 62, 64}, {1, 0, 2});
  fewerDurations.durations.pop_back();
  core::Melody noFlags = onBeats({60, 62, 64}, {1, 0, 2});
  noFlags.phraseFlags.clear();
  core::Melody fewerFlags = onBeats({60, 62, 64}, {1, 0, 2});
  fewerFlags.phraseFlags.pop_back();
  core::Melody fewerPositions = onBeats({60, 62, 64}, {1, 0, 2});
  fewerPositions.timeline.positions.pop_back();
  const struct {
    const char* name;
    core::Melody melody;
  } cases[] = {
      {"fewer durations", fewerDurations}, {"no phrase flags", noFlags},
      {"fewer phrase flags", fewerFlags},  {"fewer positions", fewerPositions},
      {"one note", onBeats({60}, {3})},    {"empty", core::Melody{}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_TRUE(accentMatrix(c.melody, 0xFFFFFFFF, 0.0, 1.0).empty());
    EXPECT_TRUE(ruleAccents(c.melody, 0xFFFFFFFF).empty());
    EXPECT_TRUE(linearModelAccents(c.melody, false).empty());
    EXPECT_TRUE(treeModelAccents(c.melody, true).empty());
  }
  EXPECT_TRUE(thomassenAccents(fewerDurations, false).empty());
  EXPECT_EQ(thomassenAccents(noFlags, false).size(), 3u);
}

TEST(AccentRules, HugeBars) {
  // 4096 beats: beat 2049 starts the second half (a main beat); so does beat
  // 2^30 + 1 of a bar of 2^31 beats, whose tree is never built.
  const core::Melody big = buildMelody({{.beat = 1, .flags = 1}, {.beat = 2}, {.beat = 2049},
                                        {.beat = 4096, .flags = 2}},
                                       {4096, 4, 480});
  EXPECT_EQ(firing(big, kBeat13), (Notes{0, 2}));
  const core::Melody huge = buildMelody({{.beat = 1, .flags = 1}, {.beat = (1u << 30) + 1, .flags = 2}},
                                        {1u << 31, 4, 480});
  EXPECT_EQ(firing(huge, kBeat13), (Notes{0, 1}));
}

TEST(ThomassenAccents, Values) {
  // Directions by hand; e.g. note 1 of 60 62 60: a level step (padding), a
  // rise into it and a fall after it: (1 - T[2]) * T[7] = 0.83.
  const struct {
    std::initializer_list<int> pitches;
    std::vector<double> values;
    std::vector<double> thresholded;
  } cases[] = {
      {{60, 62, 60}, {0, 0.83, 0.17}, {0, 1, 0}},
      {{60, 60, 62, 60}, {0, 0, 0.83, 0.17}, {0, 0, 1, 0}},
      {{60, 64, 67}, {0, 0.33, 0.67}, {0, 0, 1}},
      {{67, 64, 60}, {0, 0.5, 0.5}, {0, 1, 1}},
      {{62, 60, 64, 64}, {0, 0.71, 0.29, 0}, {0, 1, 0, 0}},
      {{60}, {0}, {0}},
  };
  for (const auto& c : cases) {
    const core::Melody m = onBeats(c.pitches, {});
    SCOPED_TRACE(m.pitches.size());
    const std::vector<double> v = thomassenAccents(m, false);
    ASSERT_EQ(v.size(), c.values.size());
    for (std::size_t i = 0; i < v.size(); ++i) EXPECT_NEAR(v[i], c.values[i], 1e-12) << i;
    EXPECT_EQ(thomassenAccents(m, true), c.thresholded);
  }
}

TEST(AccentModels, LinearModel) {
  // Rising steps on beats 1 2 3 4 1: notes 1 to 3 fire none of the model's
  // rules, note 0 beat1, note 4 beat1 and phrasend.
  const core::Melody m = onBeats({60, 62, 64, 65, 67}, {1, 0, 0, 0, 2});
  // 1 / (1 + e^-x) for x = -0.85, -1.55 and 0.59, worked out separately.
  const std::vector<double> expected = {0.2994329, 0.1750863, 0.1750863, 0.1750863, 0.6433651};
  const std::vector<double> v = linearModelAccents(m, false);
  ASSERT_EQ(v.size(), 5u);
  for (std::size_t i = 0; i < 5; ++i) EXPECT_NEAR(v[i], expected[i], 1e-7) << i;
  EXPECT_EQ(linearModelAccents(m, true), (std::vector<double>{0, 0, 0, 0, 1}));
  // One rule more on note 1: a jump of 5 before it adds jumpaft4 (0.71) and
  // jumpbea4 (-0.52): x = -1.36, 0.2042403 (still below 10/29).
  const core::Melody jump = onBeats({60, 65, 65, 65, 65}, {1, 0, 0, 0, 2});
  EXPECT_NEAR(linearModelAccents(jump, false)[1], 0.2042403, 1e-7);
}

TEST(AccentModels, TreeModel) {
  const struct {
    const char* name;
    std::vector<Note> notes;
    std::size_t note;
    double value;
  } cases[] = {
      {"no rule fires", {{.pitch = 60, .flags = 1}, {.pitch = 62, .beat = 2},
                         {.pitch = 64, .beat = 3, .flags = 2}}, 1, 0.2114},
      {"longer, Thomassen 0.83, on the beat",
       {{.pitch = 60, .flags = 1}, {.pitch = 62, .beat = 2, .duration = 2},
        {.pitch = 60, .beat = 4, .flags = 2}}, 1, 0.6773},
      {"longer, Thomassen 0.83, off the beat",
       {{.pitch = 60, .flags = 1}, {.pitch = 62, .beat = 1, .tick = 240, .duration = 2,
        .division = 2}, {.pitch = 60, .beat = 3, .flags = 2}}, 1, 0.4229},
      {"longer, Thomassen 0.29, off the beat, phrase end",
       {{.pitch = 60, .flags = 1}, {.pitch = 62, .beat = 2}, {.pitch = 60, .beat = 3},
        {.pitch = 64, .beat = 3, .tick = 240, .duration = 2, .flags = 2, .division = 2}},
       3, 0.6631},
      {"longer, Thomassen 0",
       {{.pitch = 60, .flags = 1}, {.pitch = 60, .beat = 2, .duration = 2},
        {.pitch = 60, .beat = 4, .flags = 2}}, 1, 0.3673},
      {"syncope after a jump of 7",
       {{.pitch = 60, .flags = 1}, {.pitch = 67, .beat = 1, .tick = 240, .division = 2},
        {.pitch = 67, .beat = 3, .flags = 2}}, 1, 0.5369},
      {"syncope after a step",
       {{.pitch = 60, .flags = 1}, {.pitch = 62, .beat = 1, .tick = 240, .division = 2},
        {.pitch = 62, .beat = 3, .flags = 2}}, 1, 0.3211},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const core::Melody m = buildMelody(c.notes);
    const std::vector<double> v = treeModelAccents(m, false);
    ASSERT_EQ(v.size(), c.notes.size());
    EXPECT_EQ(v[c.note], c.value);
    EXPECT_EQ(treeModelAccents(m, true)[c.note], c.value >= 0.3448275862068966 ? 1.0 : 0.0);
  }
}

}  // namespace
}  // namespace suite::analysis
