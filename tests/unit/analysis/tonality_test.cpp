// Key finding, the notes of a bar, tonality vectors and the bar correlation.
// (The report with its traces is checked by the tunestat golden cases.)
#include "analysis/tonality.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "support/melodies.h"

namespace suite::analysis {
namespace {

// One note per bar number given, all on beat 1.
core::Melody inBars(std::initializer_list<std::int32_t> bars, std::vector<int> pitches) {
  std::vector<test::Note> notes;
  for (const std::int32_t b : bars) notes.push_back({pitches[notes.size()], 1, b});
  return test::melodyAt(notes);
}

TEST(FindKey, KeysOfPitchSets) {
  // Sums worked out by hand from the two profiles.
  const std::tuple<std::vector<std::int8_t>, int, double> cases[] = {
      {{60}, 0, 6.33},      // C major and C minor tie at 6.33: major wins
      {{48}, 0, 6.33},      {{59}, 11, 6.33},
      {{60, 66}, 12, 8.87},  // C minor and F# minor tie: the lower tonic wins
      {{69, 72, 76, 69}, 21, 22.79},
      {{60, 64, 67, 62}, 0, 19.38},  // C major just ahead of G major (19.27)
  };
  for (const auto& [pitches, key, best] : cases) {
    std::vector<double> sums;
    EXPECT_EQ(findKey(pitches, sums), key) << ::testing::PrintToString(pitches);
    EXPECT_NEAR(*std::max_element(sums.begin(), sums.end()), best, 1e-9);
  }
  std::vector<double> sums = {1.0};
  EXPECT_EQ(findKey(std::span<const std::int8_t>{}, sums), kNoKey);
  EXPECT_EQ(sums, std::vector<double>{1.0});  // left alone
}

TEST(BarIndex, NotesOfABarEndAtTheNextBar) {
  const BarIndex index(inBars({1, 2, 1, 3, 2}, {60, 62, 64, 65, 67}));
  const auto bar = [&index](int b) {
    const auto notes = index.bar(b);
    return std::vector<int>(notes.begin(), notes.end());
  };
  EXPECT_EQ(bar(1), std::vector<int>{60});
  EXPECT_EQ(bar(2), std::vector<int>{62});
  EXPECT_EQ(bar(3), std::vector<int>{65});
  EXPECT_TRUE(BarIndex(inBars({2, 1}, {60, 62})).bar(1).empty());
}

TEST(TonalityVector, BarFallback) {
  // One note per bar with pitch class = bar number: the largest value of the
  // major vector names the bar whose notes were used (-1: none).
  const std::tuple<core::Melody, int, int> cases[] = {
      {inBars({1, 2, 6}, {61, 62, 66}), 5, 2},  {inBars({1, 4, 6}, {61, 64, 66}), 5, 4},
      {inBars({1, 2, 6}, {61, 62, 66}), 6, 6},  {inBars({1, 2, 3}, {61, 62, 63}), 9, 3},
      {inBars({1, 2}, {61, 62}), 1, 1},
      {inBars({1, 3}, {61, 63}), 2, -1},  // bar 1 is never a fallback
      {inBars({1, 6}, {61, 66}), 5, -1},  {inBars({0, 2}, {60, 62}), 1, -1},
  };
  for (const auto& [melody, bar, used] : cases) {
    std::ostringstream out;
    const std::vector<double> v = tonalityVector(melody, bar, kMajorMode, out, false);
    const int tonic = v.empty() ? -1 : int(std::max_element(v.begin(), v.end()) - v.begin());
    EXPECT_EQ(tonic, used % 12) << bar;
    EXPECT_EQ(out.str(), used < 0 ? "Empty Bar!\n" : "");  // also without print
  }
}

TEST(BarTonalityCorrelation, Cases) {
  const core::Melody a = inBars({1, 2, 3, 5}, {60, 67, 62, 64});
  const core::Melody gap = inBars({1, 3, 5}, {60, 62, 64});
  const core::Melody g = inBars({1, 2}, {67, 67});
  double dot = 0.0, norm = 0.0;  // the major profile against itself a fifth away
  for (std::size_t i = 0; i < 12; ++i) {
    dot += kMajorKeyProfile[i] * kMajorKeyProfile[(i + 7) % 12];
    norm += kMajorKeyProfile[i] * kMajorKeyProfile[i];
  }
  const std::tuple<const core::Melody*, const core::Melody*, int, double> cases[] = {
      {&a, &a, 2, 1.0}, {&a, &a, 4, 1.0}, {&a, &gap, 2, 0.0}, {&a, &a, 0, 0.0},
      {&a, &g, 3, 0.0}, {&a, &g, 1, dot / norm}};
  for (const auto& [x, y, bar, expected] : cases) {
    std::ostringstream diag;
    EXPECT_NEAR(barTonalityCorrelation(*x, *y, bar, kMajorMode, diag), expected, 1e-12) << bar;
  }
  std::ostringstream diag;
  barTonalityCorrelation(a, gap, 2, kMinorMode, diag);
  EXPECT_EQ(diag.str(), "Empty Bar!\n");
}

}  // namespace
}  // namespace suite::analysis
