// Metrical positions, the timeline's derived values, phrase segmentation,
// tatum expansion and the note display.
#include <gtest/gtest.h>

#include <sstream>

#include "core/melody.h"
#include "support/melodies.h"

namespace suite::core {
namespace {

using test::melodyOf;

std::string text(const MetricalPosition& p) {
  std::ostringstream out;
  p.print(out);
  return out.str();
}

BarTimeline timelineOf(std::initializer_list<MetricalPosition> ps) {
  BarTimeline t;
  for (const auto& p : ps) t.append(p);
  return t;
}

TEST(MetricalPosition, QuantizeToNearestGridPointLowerOnTie) {
  const std::tuple<std::uint32_t, int, std::uint32_t, std::uint32_t> points[] = {
      {51, 24, 480, 60}, {50, 24, 480, 40}, {475, 24, 480, 480}, {11, 24, 480, 20},
      {500, 3, 1000, 666}, {499, 3, 1000, 333}, {5, 960, 480, 5}};  // step 0: unchanged
  for (const auto& [tick, level, ticks, expected] : points) {
    EXPECT_EQ(nearestGridPoint(tick, level, ticks), expected) << tick << " at " << level;
  }
  const std::pair<MetricalPosition, MetricalPosition> carries[] = {
      {{1, 2, 475, 1}, {1, 3, 0, 1}}, {{1, 4, 475, 1}, {2, 1, 0, 1}}, {{3, 2, 0, 1}, {3, 2, 0, 1}}};
  for (auto [before, after] : carries) {
    before.quantize(24, {4, 4, 480});
    EXPECT_EQ(text(before), text(after));
  }
}

TEST(MetricalPosition, AdvanceAndAbsoluteTick) {
  const Signature s{3, 4, 480};
  MetricalPosition p{1, 3, 240, 1};
  p.advance(3 * 480, s);
  EXPECT_EQ(text(p), "2.3.240 (1)");
  EXPECT_EQ(p.absoluteTick(s), (6 + 2) * 480 + 240);
  EXPECT_EQ((MetricalPosition{-1, 1, 0, 1}).absoluteTick(s), -1440);
}

TEST(BarTimeline, IntervalsTatumAndBars) {
  const Signature s{4, 4, 480};
  std::ostringstream err;
  const BarTimeline backward = timelineOf({{1, 1, 0, 1}, {1, 2, 0, 1}, {1, 2, 0, 1}});
  EXPECT_EQ(backward.tickIntervals(s, err), (std::vector<std::uint64_t>{480}));
  EXPECT_EQ(err.str(), "Invalid BarTimeline.\n");
  EXPECT_EQ(timelineOf({{1, 1, 0, 1}, {1, 1, 240, 1}}).tatum(s, err), 480u);  // one interval
  EXPECT_EQ(timelineOf({{1, 1, 0, 1}, {1, 1, 160, 1}, {1, 2, 0, 1}}).tatum(s, err), 160u);
  const std::tuple<BarTimeline, std::int32_t, std::uint32_t> bars[] = {
      {timelineOf({{3, 3, 0, 1}, {4, 1, 0, 1}, {6, 2, 0, 1}}), 0, 3},  // upbeat
      {timelineOf({{5, 1, 0, 1}, {8, 4, 0, 1}}), 1, 4},
      {timelineOf({{0, 1, 0, 1}, {4, 1, 0, 1}}), 1, 5}};
  for (auto [t, firstBar, count] : bars) {
    t.normalizeBars();
    EXPECT_EQ(t[0].bar, firstBar);
    EXPECT_EQ(t.numberOfBars(), count);
  }
  EXPECT_EQ(timelineOf({{0, 2, 0, 1}, {4, 1, 0, 1}}).numberOfBars(), 4u);  // bar 0 not counted
  EXPECT_EQ(timelineOf({{1, 2, 0, 1}, {4, 1, 0, 1}}).numberOfBars(), 4u);
}

TEST(BarTimeline, BeatDivisions) {
  // Triplets; a plain beat; 40 and 240 ticks into a beat need twelfths.
  BarTimeline t = timelineOf({{1, 1, 0, 1}, {1, 1, 160, 1}, {1, 1, 320, 1}, {1, 2, 0, 1},
                              {1, 3, 40, 1}, {1, 3, 240, 1}});
  t.cachedTatum = 40;
  t.computeBeatDivisions({4, 4, 480});
  std::vector<std::int32_t> divisions;
  for (const auto& p : t.positions) divisions.push_back(p.beatDivision);
  EXPECT_EQ(divisions, (std::vector<std::int32_t>{3, 3, 3, 1, 12, 12}));
}

TEST(Melody, StatisticsAndModalValues) {
  const Melody m = melodyOf({60, 62, 64, 62, 60});
  EXPECT_EQ(m.pitchRange(), std::make_pair(60, 64));
  EXPECT_DOUBLE_EQ(m.meanPitch(), 61.6);
  EXPECT_EQ(m.mostFrequentPitches().values, (std::vector<std::int8_t>{60, 62}));
  EXPECT_EQ(modalValues(std::vector<int>{}).count, 1u);
  EXPECT_EQ(Melody{}.pitchRange(), std::make_pair(127, 0));
}

TEST(Melody, PhraseFlags) {
  const struct {
    std::vector<double> onsets;
    std::vector<std::uint32_t> durations;
    std::vector<std::int32_t> expected;
  } cases[] = {
      {{0, 0.5, 2.5, 3, 3.5}, {1, 1, 1, 1, 1}, {1, 2, 1, 0, 2}},  // gap of 2 s
      {{0, 500, 2500, 3000, 3500}, {1, 1, 1, 1, 1}, {1, 2, 1, 0, 2}},  // milliseconds
      {{0, 500, 1900, 2400, 2900}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},
      {{0, 3, 3.5, 4, 4.5}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},  // gap after the first note
      {{0, 0.5, 1, 1.5, 9}, {1, 1, 1, 1, 1}, {1, 0, 0, 0, 2}},  // gap before the last note
      {{0, 1, 2, 3, 4}, {2, 2, 8, 2, 2}, {1, 0, 2, 1, 2}},      // long note
      {{0, 1, 2, 3, 4}, {2, 2, 7, 2, 2}, {1, 0, 0, 0, 2}},
      {{0, 1, 2, 3, 4}, {0, 0, 3, 0, 5}, {1, 0, 0, 0, 2}},  // modal duration 0
      {{0}, {1}, {2}},
  };
  for (const auto& c : cases) {
    Melody m;
    m.onsets = c.onsets;
    m.durations = c.durations;
    m.pitches.assign(c.onsets.size(), 60);
    EXPECT_EQ(m.computePhraseFlags(), c.expected) << ::testing::PrintToString(c.onsets);
  }
}

TEST(Melody, PhrasesAreExtractedInOrder) {
  Melody m = melodyOf({60, 62, 64, 65, 67}, {1, 1, 1, 1, 2});
  m.phraseFlags = {1, 2, 1, 0, 2};
  std::ostringstream diag;
  const std::vector<Melody> phrases = m.splitPhrases(diag);
  ASSERT_EQ(phrases.size(), 2u);
  EXPECT_EQ(phrases[1].name, "m_P1");
  EXPECT_EQ(phrases[1].pitches, (std::vector<std::int8_t>{64, 65, 67}));
  EXPECT_EQ(phrases[1].durations, (std::vector<std::uint32_t>{1, 1, 2}));
  EXPECT_EQ(phrases[1].phraseFlags, (std::vector<std::int32_t>{1, 0, 2}));
  EXPECT_EQ(phrases[1].timeline[0].beat, 2u);  // positions are copied, not renumbered
  EXPECT_EQ(diag.str(), "");
}

TEST(Melody, ExpandToTatums) {
  // An upbeat on beat 3 lands in bar 0; 0 tatums drop a note, 128 stay whole.
  const Melody m = test::melodyAt({{60, 2, 1, 3}, {62, 0, 1, 4}, {64, 128, 1, 4, 240}});
  std::ostringstream diag;
  const Melody e = m.expandToTatums(diag);
  ASSERT_EQ(e.pitches.size(), 130u);
  EXPECT_EQ(e.pitches[1], 60);
  EXPECT_EQ(e.pitches[2], 64);
  EXPECT_EQ(text(e.timeline[4]), "1.1.0 (1)");
  EXPECT_EQ(e.durations, std::vector<std::uint32_t>(130, 1));
  EXPECT_EQ(diag.str(), "");
  Melody over = melodyOf({60, 62}, {1, 130});
  EXPECT_EQ(over.expandToTatums(diag).size(), 129u);
  EXPECT_EQ(diag.str(), "WARNING: Suspicious duration found: 130\n");
  over.durations.pop_back();
  over.name = "x.csv";
  std::ostringstream invalid;
  EXPECT_TRUE(over.expandToTatums(invalid).empty());
  EXPECT_EQ(invalid.str(), "2 1 2\nInvalid Melody class object (x.csv)\n");
}

TEST(Melody, PrintNotes) {
  const std::string dots15 = [] {
    std::string s;
    for (int i = 0; i < 15; ++i) s += ".   ";
    return s;
  }();
  const std::tuple<std::vector<int>, std::vector<std::uint32_t>, std::string> cases[] = {
      {{60, 59, 48, 61}, {2, 1, 1, 1}, "C0   .   B-1  C-1  C#0  \n"},
      {{1, 127}, {1, 1}, "C#-5 G5   \n"},
      {{72, 74}, {16, 1}, "C1   " + dots15 + "\nD1   \n"},
  };
  for (const auto& [pitches, durations, expected] : cases) {
    std::ostringstream out;
    melodyOf(pitches, durations).printNotes(0, pitches.size(), out);
    EXPECT_EQ(out.str(), expected);
  }
  std::ostringstream reversed;
  melodyOf({60, 62, 64}).printNotes(9, 1, reversed);
  EXPECT_EQ(reversed.str(), "D0   E0   \n");
}

}  // namespace
}  // namespace suite::core
