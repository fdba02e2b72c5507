// Melody statistics, phrase segmentation, tatum expansion and printing.
#include <gtest/gtest.h>

#include <sstream>

#include "core/melody.h"

namespace suite::core {
namespace {

// A melody in 4/4 at 480 ticks per beat whose notes follow each other by
// their durations (in tatums of \a tatum ticks), starting at \a start.
Melody makeMelody(std::vector<int> pitches, std::vector<std::uint32_t> durations,
                  std::uint64_t tatum = 240, MetricalPosition start = {1, 1, 0, 1}) {
  Melody m;
  m.name = "m";
  m.signature = {4, 4, 480};
  MetricalPosition p = start;
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    m.pitches.push_back(static_cast<std::int8_t>(pitches[i]));
    m.onsets.push_back(static_cast<double>(i));
    m.timeline.append(p);
    if (i < durations.size()) p.advance(durations[i] * tatum, m.signature);
  }
  m.durations = std::move(durations);
  m.timeline.cachedTatum = tatum;
  return m;
}

TEST(ModalValues, FirstAppearanceOrderAndCount) {
  const auto a = modalValues(std::vector<int>{3, 1, 3, 1, 2});
  EXPECT_EQ(a.values, (std::vector<int>{3, 1}));
  EXPECT_EQ(a.count, 2u);
  const auto empty = modalValues(std::vector<int>{});
  EXPECT_TRUE(empty.values.empty());
  EXPECT_EQ(empty.count, 1u);
  const auto single = modalValues(std::vector<std::uint32_t>{5});
  EXPECT_EQ(single.values, (std::vector<std::uint32_t>{5}));
}

TEST(Melody, PitchStatistics) {
  const Melody m = makeMelody({60, 62, 64, 62, 60}, {1, 1, 1, 1, 1});
  EXPECT_EQ(m.pitchRange(), std::make_pair(60, 64));
  EXPECT_DOUBLE_EQ(m.meanPitch(), 61.6);
  EXPECT_EQ(m.mostFrequentPitches().values, (std::vector<std::int8_t>{60, 62}));
  EXPECT_EQ(m.totalDuration(), 5u);
  const Melody empty;
  EXPECT_EQ(empty.pitchRange(), std::make_pair(127, 0));
  EXPECT_EQ(empty.meanPitch(), 0.0);
}

TEST(Melody, PhraseFlags) {
  const struct {
    const char* name;
    std::vector<double> onsets;
    std::vector<std::uint32_t> durations;
    std::vector<std::int32_t> expected;
  } cases[] = {
      {"gap of 2 s after the second note", {0, 0.5, 2.5, 3, 3.5}, {1, 1, 1, 1, 1}, {1, 2, 1, 0, 2}},
      {"the same in milliseconds", {0, 500, 2500, 3000, 3500}, {1, 1, 1, 1, 1}, {1, 2, 1, 0, 2}},
      {"1400 ms is no gap", {0, 500, 1900, 2400, 2900}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},
      {"gap after the first note", {0, 3, 3.5, 4, 4.5}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},
      {"gap before the last note", {0, 0.5, 1, 1.5, 9}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},
      {"long note", {0, 1, 2, 3, 4}, {2, 2, 8, 2, 2}, {1, 0, 2, 1, 2}},
      {"not quite long", {0, 1, 2, 3, 4}, {2, 2, 7, 2, 2}, {1, 0, 0, 0, 2}},
      {"modal duration 0 makes no note long", {0, 1, 2, 3, 4}, {0, 0, 3, 0, 5}, {1, 0, 0, 0, 2}},
      {"one note", {0}, {1}, {2}},
      {"two notes", {0, 9}, {1, 1}, {1, 2}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Melody m;
    m.onsets = c.onsets;
    m.durations = c.durations;
    m.pitches.assign(c.onsets.size(), 60);
    EXPECT_EQ(m.computePhraseFlags(), c.expected);
  }
  Melody uneven = makeMelody({60, 62}, {1});
  EXPECT_TRUE(uneven.computePhraseFlags().empty());
}

TEST(Melody, PhrasesAreExtractedInOrder) {
  Melody m = makeMelody({60, 62, 64, 65, 67}, {1, 1, 1, 1, 2});
  m.phraseFlags = {1, 2, 1, 0, 2};
  std::ostringstream messages;
  m.messageStream = &messages;
  m.errorStream = &messages;

  const std::vector<Melody> phrases = m.splitPhrases();
  ASSERT_EQ(phrases.size(), 2u);
  EXPECT_EQ(phrases[0].name, "m_P0");
  EXPECT_EQ(phrases[0].pitches, (std::vector<std::int8_t>{60, 62}));
  EXPECT_EQ(phrases[1].name, "m_P1");
  EXPECT_EQ(phrases[1].pitches, (std::vector<std::int8_t>{64, 65, 67}));
  EXPECT_EQ(phrases[1].durations, (std::vector<std::uint32_t>{1, 1, 2}));
  EXPECT_EQ(phrases[1].phraseFlags, (std::vector<std::int32_t>{1, 0, 2}));
  EXPECT_EQ(phrases[1].timeline[0].beat, 2u);  // positions are copied, not renumbered
  EXPECT_TRUE(m.extractPhrase(2).empty());
  EXPECT_EQ(messages.str(), "");
}

TEST(Melody, ExpandToTatumsStartsUpbeatInBarZero) {
  // Notes on beat 3, beat 4 and beat 4 + 240 ticks: an upbeat.
  const Melody m = makeMelody({60, 62, 64}, {2, 1, 3}, 240, {1, 3, 0, 1});
  const Melody e = m.expandToTatums();
  EXPECT_EQ(e.pitches, (std::vector<std::int8_t>{60, 60, 62, 64, 64, 64}));
  EXPECT_EQ(e.durations, std::vector<std::uint32_t>(6, 1));
  std::vector<std::int32_t> bars;
  std::vector<std::uint32_t> ticks;
  for (const auto& p : e.timeline.positions) {
    bars.push_back(p.bar);
    ticks.push_back(p.tick);
  }
  EXPECT_EQ(bars, (std::vector<std::int32_t>{0, 0, 0, 0, 1, 1}));
  EXPECT_EQ(ticks, (std::vector<std::uint32_t>{0, 240, 0, 240, 0, 240}));

  const Melody downbeat = makeMelody({60, 62}, {1, 1}, 240, {5, 1, 0, 1}).expandToTatums();
  EXPECT_EQ(downbeat.timeline[0].bar, 1);
}

TEST(Melody, ExpandToTatumsCapsAndDropsDurations) {
  std::ostringstream err;
  Melody m = makeMelody({60, 62, 64}, {0, 130, 1});
  m.errorStream = &err;
  const Melody e = m.expandToTatums();
  EXPECT_EQ(e.pitches.size(), 129u);
  EXPECT_EQ(e.pitches.front(), 62);
  EXPECT_EQ(err.str(), "WARNING: Suspicious duration found: 130\n");
}

TEST(Melody, ExpandToTatumsRejectsInconsistentMelody) {
  std::ostringstream messages;
  Melody m = makeMelody({60, 62, 64}, {1, 1});
  m.name = "x.csv";
  m.messageStream = &messages;
  EXPECT_TRUE(m.expandToTatums().empty());
  EXPECT_EQ(messages.str(), "3 2 3\nInvalid Melody class object (x.csv)\n");
}

std::string repeat(const std::string& piece, int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += piece;
  return s;
}

TEST(Melody, PrintNotesCells) {
  const struct {
    const char* name;
    std::vector<int> pitches;
    std::vector<std::uint32_t> durations;
    std::string expected;
  } cases[] = {
      {"names, octaves and dots", {60, 59, 48, 61}, {2, 1, 1, 1}, "C0   .   B-1  C-1  C#0  \n"},
      {"low and high", {1, 127}, {1, 1}, "C#-5 G5   \n"},
      {"sixteen cells wrap and end", {72}, {16}, "C1   " + repeat(".   ", 15) + "\n\n"},
      {"seventeen cells", {72, 74}, {16, 1}, "C1   " + repeat(".   ", 15) + "\nD1   \n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Melody m = makeMelody(c.pitches, c.durations);
    std::ostringstream out;
    m.printNotes(0, m.size(), out);
    EXPECT_EQ(out.str(), c.expected);
  }
  std::ostringstream capped;
  makeMelody({60}, {4000000000u}).printNotes(0, 1, capped);
  std::size_t dots = 0;
  for (std::size_t at = capped.str().find('.'); at != std::string::npos;
       at = capped.str().find('.', at + 1)) {
    ++dots;
  }
  EXPECT_EQ(dots, 127u);  // a corrupt duration shows as 128 tatums at most

  const Melody m = makeMelody({60, 62, 64}, {1, 1, 1});
  std::ostringstream reversed;
  m.printNotes(9, 1, reversed);
  EXPECT_EQ(reversed.str(), "D0   E0   \n");
}

}  // namespace
}  // namespace suite::core
