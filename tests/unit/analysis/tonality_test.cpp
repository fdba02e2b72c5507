// Key finding, tonality vectors, the bar correlation and the tonality report.
#include "analysis/tonality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "core/melody_reader.h"
#include "unit/analysis/test_melodies.h"
#include "support/test_support.h"

namespace suite::analysis {
namespace {

using test::buildMelody;
using test::melodyInBars;

std::vector<std::int8_t> seq(std::initializer_list<int> v) {
  return std::vector<std::int8_t>(v.begin(), v.end());
}

// The index (tonic) of the unique largest value.
int argMax(const std::vector<double>& v) {
  return static_cast<int>(std::max_element(v.begin(), v.end()) - v.begin());
}

TEST(FindKey, KeysOfPitchSets) {
  // Sums worked out by hand from the two profiles.
  const struct {
    const char* name;
    std::vector<std::int8_t> pitches;
    int key;
    double best;  // the winning sum
  } cases[] = {
      {"C alone: C major and C minor tie at 6.33, major wins", seq({60}), 0, 6.33},
      {"48 is C", seq({48}), 0, 6.33},
      {"72 is C", seq({72}), 0, 6.33},
      {"59 is B", seq({59}), 11, 6.33},
      {"C and F#: C minor and F# minor tie at 8.87, the lower tonic wins", seq({60, 66}), 12,
       8.87},
      {"A C E A: A minor", seq({69, 72, 76, 69}), 21, 22.79},
      {"C Eb G C: C minor", seq({60, 63, 67, 60}), 12, 22.79},
      {"C E G D: C major just ahead of G major (19.27)", seq({60, 64, 67, 62}), 0, 19.38},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> sums;
    EXPECT_EQ(findKey(c.pitches, sums), c.key);
    ASSERT_EQ(sums.size(), 24u);
    EXPECT_NEAR(sums[c.key], c.best, 1e-9);
    EXPECT_NEAR(*std::max_element(sums.begin(), sums.end()), c.best, 1e-9);
  }
}

TEST(FindKey, OctaveEquivalentPitchesGiveEqualSums) {
  std::vector<double> s48, s60, s72, s59, s71;
  findKey(seq({48}), s48);
  findKey(seq({60}), s60);
  findKey(seq({72}), s72);
  EXPECT_EQ(s48, s60);
  EXPECT_EQ(s72, s60);
  findKey(seq({59}), s59);
  findKey(seq({71}), s71);
  EXPECT_EQ(s59, s71);
  // C against tonic C# is the major seventh (2.88), against B the semitone (2.23).
  EXPECT_DOUBLE_EQ(s60[1], 2.88);
  EXPECT_DOUBLE_EQ(s60[11], 2.23);
  EXPECT_DOUBLE_EQ(s60[12 + 1], 3.17);
}

TEST(FindKey, EmptySelectionLeavesSumsAlone) {
  const core::Melody m = melodyInBars({1, 3});
  std::ostringstream out;
  core::Melody traced = m;
  traced.messageStream = &out;
  std::vector<double> sums = {1.0, 2.0};
  EXPECT_EQ(findKey(traced, 2, sums, true), kNoKey);
  EXPECT_EQ(sums, (std::vector<double>{1.0, 2.0}));
  EXPECT_EQ(out.str(), "Empty bar.");  // no line break: the next label follows on this line
  EXPECT_EQ(findKey(std::span<const std::int8_t>{}, sums), kNoKey);
}

TEST(FindKey, TraceOfOneNoteBar) {
  core::Melody m = melodyInBars({1, 2}, {60, 67});
  std::ostringstream out;
  m.messageStream = &out;
  std::vector<double> sums;
  EXPECT_EQ(findKey(m, 1, sums, true), 0);
  const std::string text = out.str();
  const std::string head =
      "Bar 1\n"
      "C \n"
      "Testing Root: C\n"
      "Tone: 60 Pitchclass: C tonIdx = 0\n"
      "---> Val(maj)= 6.33 Val(min) =6.33\n"
      "Sum C(maj) = 6.33 sum C(min) = 6.33\n"
      "Testing Root: C#\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  // Against tonic C# the note C is 11 semitones up.
  EXPECT_NE(text.find("Testing Root: C#\n"
                      "Tone: 60 Pitchclass: C tonIdx = 11\n"
                      "---> Val(maj)= 2.88 Val(min) =3.17\n"
                      "Sum C#(maj) = 2.88 sum C#(min) = 3.17\n"
                      "Testing Root: D\n"),
            std::string::npos);
  EXPECT_NE(text.find("Sum B(maj) = 2.23 sum B(min) = 2.68\n"
                      "Winner (Bar 1) = C major\n"),
            std::string::npos);
  EXPECT_EQ(text.size() - text.rfind("Winner"), std::string("Winner (Bar 1) = C major\n").size());
  // 2 lines of heading, per tonic 1 + 2 per note + 1 sum line, and the winner.
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 12 * 4 + 1);
}

TEST(FindKey, WinnerLinesOfWholeMelody) {
  const struct {
    std::vector<test::Note> notes;
    std::string winner;
  } cases[] = {
      {{{.pitch = 57}, {.pitch = 60}, {.pitch = 64, .bar = 2}, {.pitch = 69, .bar = 2}},
       "Winner = A minor\n"},
      {{{.pitch = 60}, {.pitch = 64}, {.pitch = 67, .bar = 2}, {.pitch = 62, .bar = 2}},
       "Winner = C major\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.winner);
    core::Melody m = buildMelody(c.notes);
    std::ostringstream out;
    m.messageStream = &out;
    std::vector<double> sums;
    findKey(m, -1, sums, true);
    const std::string text = out.str();
    EXPECT_EQ(text.substr(0, 7), "Melody\n");
    EXPECT_EQ(text.substr(text.rfind("Winner")), c.winner);
  }
}

TEST(FindKey, BarSelection) {
  // Bar 0 is the upbeat bar; a negative bar means the whole melody.
  const core::Melody m = melodyInBars({0, 1, 1, 2}, {67, 60, 64, 71});
  const BarIndex index(m);
  const struct {
    int bar;
    std::vector<std::int8_t> pitches;
  } cases[] = {
      {0, seq({67})}, {1, seq({60, 64})}, {2, seq({71})}, {3, {}}, {-1, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bar);
    const auto got = index.bar(c.bar);
    EXPECT_EQ(std::vector<std::int8_t>(got.begin(), got.end()), c.pitches);
  }
  std::vector<double> whole, barSums;
  findKey(index, -1, whole, false);
  findKey(seq({67, 60, 64, 71}), barSums);
  EXPECT_EQ(whole, barSums);
}

TEST(FindKey, BarSelectionStopsAtTheNextBar) {
  // Bars running backwards: the notes of bar 1 are those before the first
  // note of bar 2.
  const core::Melody m = melodyInBars({1, 2, 1, 3, 2}, {60, 62, 64, 65, 67});
  const BarIndex index(m);
  auto bar1 = index.bar(1);
  auto bar2 = index.bar(2);
  EXPECT_EQ(std::vector<std::int8_t>(bar1.begin(), bar1.end()), seq({60}));
  EXPECT_EQ(std::vector<std::int8_t>(bar2.begin(), bar2.end()), seq({62}));
  // Bar 1 before bar 2 with none of its notes first: empty.
  const BarIndex backwards(melodyInBars({2, 1}));
  EXPECT_TRUE(backwards.bar(1).empty());
  EXPECT_EQ(backwards.bar(2).size(), 1u);
}

TEST(TonalityVector, BarFallback) {
  // Notes (one per bar, pitch class = bar number) in the listed bars; the
  // expected tonic of the largest value names the bar whose notes were used.
  const struct {
    const char* name;
    core::Melody melody;
    int bar;
    int usedBar;  // -1: "Empty Bar!" and no vector
  } cases[] = {
      {"a full bar is used", melodyInBars({1, 2, 6}), 6, 6},
      {"empty bar 5 uses bar 2", melodyInBars({1, 2, 6}), 5, 2},
      {"empty bar 3 uses bar 2", melodyInBars({1, 2, 6}), 3, 2},
      {"empty bar 5 uses bar 4", melodyInBars({1, 4, 6}), 5, 4},
      {"empty bar 5 uses bar 3", melodyInBars({1, 3, 6}), 5, 3},
      {"bar 1 is never a fallback", melodyInBars({1, 3}), 2, -1},
      {"nor for a later bar", melodyInBars({1, 6}), 5, -1},
      {"bar 1 without notes", melodyInBars({0, 2}), 1, -1},
      {"bar 1 with notes", melodyInBars({1, 2}), 1, 1},
      {"beyond the last bar", melodyInBars({1, 2, 3}), 9, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    core::Melody m = c.melody;
    std::ostringstream out;
    m.messageStream = &out;
    const std::vector<double> v = tonalityVector(m, c.bar, kMajorMode, false);
    if (c.usedBar < 0) {
      EXPECT_TRUE(v.empty());
      EXPECT_EQ(out.str(), "Empty Bar!\n");  // written even without print
    } else {
      ASSERT_EQ(v.size(), 12u);
      EXPECT_EQ(argMax(v), c.usedBar % 12);
      EXPECT_EQ(out.str(), "");
    }
  }
}

TEST(TonalityVector, WholeMelodyAndModes) {
  const core::Melody m = melodyInBars({1, 2}, {60, 67});
  const std::vector<double> major = tonalityVector(m, 0, kMajorMode, false);
  const std::vector<double> minor = tonalityVector(m, 0, kMinorMode, false);
  ASSERT_EQ(major.size(), 12u);
  ASSERT_EQ(minor.size(), 12u);
  EXPECT_NEAR(major[0], 6.33 + 5.19, 1e-12);  // C major: tonic and fifth
  EXPECT_NEAR(minor[0], 6.33 + 4.75, 1e-12);
  EXPECT_NEAR(major[7], 4.09 + 6.33, 1e-12);  // G major: fourth and tonic
  // Any odd mode selects major, any even one minor.
  EXPECT_EQ(tonalityVector(m, 0, 3, false), major);
  EXPECT_EQ(tonalityVector(m, 0, 0, false), minor);
}

TEST(TonalityVector, PrintForm) {
  core::Melody m = melodyInBars({1, 2}, {60, 62});
  std::ostringstream out;
  m.messageStream = &out;
  tonalityVector(m, 1, kMajorMode, true);
  // The major profile read backwards from C; sorted by hand.
  EXPECT_EQ(out.str(),
            "Tonality vector:\n"
            "6.33 2.88 2.29 3.66 2.39 5.19 2.52 4.09 4.38 2.33 3.48 2.23 \n"
            "Sorted: C :  6.33|F :  5.19|G#:  4.38|G :  4.09|Eb:  3.66|Bb:  3.48|"
            "C#:  2.88|F#:  2.52|E :  2.39|A :  2.33|D :  2.29|B :  2.23|\n");
}

TEST(TonalityVector, SortedFormOfLargeValues) {
  // Twelve Cs: 75.96 needs all five places of "%5.2f".
  std::vector<test::Note> notes(12, test::Note{.pitch = 60});
  core::Melody m = buildMelody(notes);
  std::ostringstream out;
  m.messageStream = &out;
  tonalityVector(m, 0, kMinorMode, true);
  EXPECT_NE(out.str().find("Sorted: C : 75.96|"), std::string::npos) << out.str();
  EXPECT_NE(out.str().find("\n75.96 38.04 "), std::string::npos) << out.str();  // 12 x 3.17
}

TEST(BarTonalityCorrelation, Cases) {
  const core::Melody a = melodyInBars({1, 2, 3, 5}, {60, 67, 62, 64});
  const core::Melody withGap = melodyInBars({1, 3, 5}, {60, 62, 64});
  const core::Melody g = melodyInBars({1, 2}, {67, 67});
  // Cosine of the major profile and the same profile shifted by a fifth.
  double dot = 0.0, norm = 0.0;
  for (int i = 0; i < 12; ++i) {
    dot += kMajorKeyProfile[i] * kMajorKeyProfile[(i + 7) % 12];
    norm += kMajorKeyProfile[i] * kMajorKeyProfile[i];
  }
  const struct {
    const char* name;
    const core::Melody* x;
    const core::Melody* y;
    int bar;
    double expected;
  } cases[] = {
      {"bar 1 with itself", &a, &a, 1, 1.0},
      {"bar 2 with itself", &a, &a, 2, 1.0},
      {"bar 4 falls back to bar 3 in both", &a, &a, 4, 1.0},
      {"bar 2 against an empty bar 2", &a, &withGap, 2, 0.0},
      {"bar 0", &a, &a, 0, 0.0},
      {"negative bar", &a, &a, -1, 0.0},
      {"beyond the shorter melody", &a, &g, 3, 0.0},
      {"C against G", &a, &g, 1, dot / norm},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (const int mode : {kMajorMode, kMinorMode}) {
      if (c.expected != 1.0 && c.expected != 0.0 && mode != kMajorMode) continue;
      core::Melody x = *c.x, y = *c.y;
      std::ostringstream sink;
      x.messageStream = y.messageStream = &sink;
      EXPECT_NEAR(barTonalityCorrelation(x, y, c.bar, mode), c.expected, 1e-12);
    }
  }
  EXPECT_GT(dot / norm, 0.5);
  EXPECT_LT(dot / norm, 1.0);
}

TEST(BarTonalityCorrelation, EveryBarOfARealMelodyWithItself) {
  core::MelodyReader reader(std::cerr);
  core::Melody m;
  std::ostringstream sink;
  m.messageStream = &sink;
  ASSERT_TRUE(core::readMelodyFile(
      reader, test::dataPath("melodies/DowntheGortRoadreel.csv").string(), m));
  const BarIndex index(m);
  ASSERT_EQ(index.numberOfBars(), 16u);
  for (int bar = 1; bar <= 16; ++bar) {
    SCOPED_TRACE(bar);
    EXPECT_NEAR(barTonalityCorrelation(index, index, bar, kMajorMode), 1.0, 1e-12);
    EXPECT_NEAR(barTonalityCorrelation(index, index, bar, kMinorMode), 1.0, 1e-12);
  }
}

TEST(BarIndex, LongMelodyWithOneGap) {
  // Bars 1, 2 and 100000: every bar from 3 on falls back to bar 2.
  core::Melody m = melodyInBars({1, 2, 100000}, {60, 62, 64});
  std::ostringstream sink;
  m.messageStream = &sink;
  const BarIndex index(m);
  ASSERT_EQ(index.numberOfBars(), 100000u);
  int fallbacks = 0;
  for (int bar = 3; bar < 100000; ++bar) {
    const std::vector<double> v = tonalityVector(index, bar, kMajorMode, false);
    fallbacks += (v.size() == 12 && argMax(v) == 2) ? 1 : 0;
  }
  EXPECT_EQ(fallbacks, 99997);
  EXPECT_EQ(argMax(tonalityVector(index, 100000, kMajorMode, false)), 4);
  EXPECT_EQ(sink.str(), "");
}

// The melody of a golden report, read under its file name alone so that the
// summary does not depend on where the tests run.
core::Melody readForReport(const std::string& fileName) {
  core::MelodyReader reader(std::cerr);
  core::Melody m;
  std::ostringstream sink;
  m.messageStream = &sink;
  std::ifstream in(test::dataPath("melodies/" + fileName), std::ios::binary);
  EXPECT_TRUE(core::readMelodyTable(reader, in, fileName, m));
  return m;
}

TEST(TonalityReport, RealMelody) {
  const core::Melody m = readForReport("DowntheGortRoadreel.csv");
  std::ostringstream out, err;
  printTonalityReport(m, out, err);
  test::expectMatchesGolden(out.str(), test::goldenPath("analysis/tonality_report_gort.txt"));
  EXPECT_EQ(err.str(), "");
}

TEST(TonalityReport, MelodyWithAnEmptyBar) {
  const core::Melody m = readForReport("empty_bar.csv");
  std::ostringstream out, err;
  printTonalityReport(m, out, err);
  test::expectMatchesGolden(out.str(), test::goldenPath("analysis/tonality_report_gap.txt"));
}

TEST(TonalityReport, ReadsTheFile) {
  test::ScratchDir dir(true);
  dir.write("DowntheGortRoadreel.csv",
            test::readTextFile(test::dataPath("melodies/DowntheGortRoadreel.csv")));
  std::ostringstream out, err;
  core::MelodyReader reader(err);
  EXPECT_EQ(printTonalityReport(reader, "DowntheGortRoadreel.csv", out), 0);
  EXPECT_EQ(err.str(), "");
  test::expectSameText(test::readTextFile(test::goldenPath("analysis/tonality_report_gort.txt")),
                       out.str(), "report read from the file");

  std::ostringstream out2, err2;
  core::MelodyReader reader2(err2);
  EXPECT_EQ(printTonalityReport(reader2, "missing.csv", out2), 1);
  EXPECT_EQ(out2.str(), "");
  EXPECT_EQ(err2.str(), "Error reading missing.csv\n");
}

}  // namespace
}  // namespace suite::analysis
