// Feature computations: every row on two real melody excerpts against
// independently computed values, and the documented small cases.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <sstream>

#include "analysis/feature_statistics.h"
#include "analysis/features.h"
#include "analysis/ngram_complexity.h"
#include "core/melody_reader.h"
#include "support/test_support.h"

namespace suite::analysis {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

const FeatureDef& row(std::string_view name) {
  const int index = findFeature(name);
  EXPECT_GE(index, 0) << name;
  return featureTable[static_cast<std::size_t>(std::max(index, 0))];
}

// A melody of notes with the given pitches and durations (tatums of 240
// ticks, 480 ticks per beat), laid out from bar 1, beat 1 on.
core::Melody makeMelody(const std::vector<int>& pitches, std::vector<std::uint32_t> durations = {},
                        std::uint32_t numerator = 4) {
  core::Melody m;
  m.signature = {numerator, 4, 480};
  if (durations.empty()) durations.assign(pitches.size(), 2);
  core::MetricalPosition pos{1, 1, 0, 1};
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    m.pitches.push_back(static_cast<std::int8_t>(pitches[i]));
    m.durations.push_back(durations[i]);
    m.onsets.push_back(static_cast<double>(i));
    m.timeline.append(pos);
    pos.advance(std::uint64_t{durations[i]} * 240, m.signature);
  }
  m.timeline.cachedTatum = 240;
  m.timeline.computeBeatDivisions(m.signature);
  m.phraseFlags = m.computePhraseFlags();
  return m;
}

void expectValues(const std::vector<double>& expected, const std::vector<double>& actual) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE("value " + std::to_string(i));
    if (std::isnan(expected[i])) {
      EXPECT_TRUE(std::isnan(actual[i])) << actual[i];
    } else {
      EXPECT_NEAR(actual[i], expected[i], 1e-9 * std::max(1.0, std::fabs(expected[i])));
    }
  }
}

// --- every row on two real melodies ------------------------------------------

// The .expected files come from tests/data/features/expected.py, which works
// the values out from the feature definitions without this code.
class FeatureRows : public ::testing::TestWithParam<const char*> {};

TEST_P(FeatureRows, MatchIndependentlyComputedValues) {
  const std::string stem = std::string("features/") + GetParam();
  std::ostringstream messages;
  core::MelodyReader reader(messages);
  core::Melody melody;
  melody.messageStream = &messages;
  melody.errorStream = &messages;
  melody.quantLevel = 24;
  ASSERT_TRUE(core::readMelodyFile(reader, test::dataPath(stem + ".csv").string(), melody))
      << messages.str();

  std::istringstream expected(test::readTextFile(test::dataPath(stem + ".expected")));
  std::string line;
  std::size_t rows = 0;
  while (std::getline(expected, line)) {
    std::istringstream fields(line);
    std::size_t index = 0;
    std::string name;
    ASSERT_TRUE(fields >> index >> name) << line;
    SCOPED_TRACE(std::to_string(index) + " " + name);
    ASSERT_EQ(index, rows);
    ASSERT_EQ(featureTable[index].name, name);
    std::vector<double> values;
    for (std::string v; fields >> v;) values.push_back(v == "nan" ? kNaN : std::stod(v));
    expectValues(values, computeFeature(melody, featureTable[index]));
    ++rows;
  }
  EXPECT_EQ(rows, featureTable.size());
}

INSTANTIATE_TEST_SUITE_P(Excerpts, FeatureRows,
                         ::testing::Values("gort_road_excerpt", "tipperary_excerpt"));

// --- Huron contour -------------------------------------------------------------

TEST(Features, HuronContour) {
  const struct {
    std::vector<int> pitches;
    double contourClass;
    double aggregated;
  } cases[] = {
      {{60, 62, 64}, 8, 2},          // rising twice
      {{60, 64, 60}, 7, 4},          // up, down: convex
      {{64, 62, 60}, 4, 1},          // falling twice
      {{60, 60, 60}, 0, 0},
      {{64, 60, 64}, 5, 3},          // down, up: concave
      {{60, 61, 60, 61}, 0, 0},      // inner mean 60.5: rises of half a semitone are level
      {{61, 60, 61, 60}, 4, 1},      // falls of half a semitone count as falling
      {{60, 60, 62}, 2, 3},          // level, up
      {{60, 62, 62}, 6, 4},          // up, level
      {{60, 62}, 9, 9},              // too short
      {{60}, 9, 9},
      {{}, 9, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.pitches));
    const core::Melody m = makeMelody(c.pitches);
    EXPECT_EQ(computeFeature(m, row("huron-contour")), std::vector<double>{c.contourClass});
    EXPECT_EQ(computeFeature(m, row("huron-contour-agg")), std::vector<double>{c.aggregated});
  }
}

// --- statistics ------------------------------------------------------------------

TEST(Features, PitchStatistics) {
  const core::Melody m = makeMelody({60, 62, 64, 62, 60});
  const struct {
    const char* feature;
    double value;
  } cases[] = {
      {"pitch-avg", 61.6},     {"pitch-median", 62}, {"ambitus", 4},   {"pitch-modus", 60},
      {"pitch-variance", 2.24}, {"length", 5},        {"pitch-min", 60}, {"pitch-max", 64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.feature);
    expectValues({c.value}, computeFeature(m, row(c.feature)));
  }
  // Deviations -1.6, 0.4, 2.4, 0.4, -1.6: third moment (2*-4.096 + 2*0.064 +
  // 13.824) / 5 = 1.1520, fourth (2*6.5536 + 2*0.0256 + 33.1776) / 5 =
  // 9.2672; skewness 1.152 / 2.24^1.5, kurtosis 9.2672 / 2.24^2.
  expectValues({1.152 / std::pow(2.24, 1.5)}, computeFeature(m, row("pitch-skew")));
  expectValues({9.2672 / (2.24 * 2.24)}, computeFeature(m, row("pitch-kurt")));
  // Three distinct pitches with frequencies 2/5, 2/5, 1/5.
  const double entropy = -(0.8 * std::log2(0.4) + 0.2 * std::log2(0.2)) / std::log2(3.0);
  expectValues({entropy}, computeFeature(m, row("pitch-entropy")));
  expectValues({60, 62, 64, 62, 60}, computeFeature(m, row("pitch-raw")));
  expectValues({0}, computeFeature(m, row("int-avg")));  // intervals 2 2 -2 -2
  expectValues({2}, computeFeature(m, row("int-modus")));  // 2 and -2 twice; 2 comes first
}

// Skewness and kurtosis of a constant sequence are 0/0: not a number.
TEST(Features, SkewnessAndKurtosisOfAConstantSequenceAreUndefined) {
  const core::Melody isochronous = makeMelody({60, 62, 64, 65}, {2, 2, 2, 2});
  for (const char* feature : {"dur-skew", "dur-kurt"}) {
    SCOPED_TRACE(feature);
    expectValues({kNaN}, computeFeature(isochronous, row(feature)));
  }
  expectValues({0}, computeFeature(isochronous, row("dur-variance")));
  expectValues({0}, computeFeature(isochronous, row("dur-entropy")));
}

// The intervals of a one-note melody form an empty sequence.
TEST(Features, StatisticsOfAnEmptySequence) {
  const core::Melody one = makeMelody({60});
  for (const char* feature : {"int-range", "int-avg", "int-modus", "int-median", "int-variance",
                              "int-skew", "int-kurt", "int-min", "int-max", "int-entropy",
                              "int-jsdm"}) {
    SCOPED_TRACE(feature);
    EXPECT_EQ(computeFeature(one, row(feature)), std::vector<double>{0.0});
  }
  EXPECT_TRUE(computeFeature(one, row("int-jsd")).empty());
  EXPECT_TRUE(sequenceStatistic({}, 0).empty());
  EXPECT_EQ(sequenceStatistic({}, feature_statistic::kCount), std::vector<double>{0.0});
  EXPECT_TRUE(sequenceStatistic(std::vector<double>{1, 2}, 0x40).empty());  // no statistic
}

TEST(Features, ModusIsTheFirstOfTheMostFrequentValues) {
  const struct {
    std::vector<double> values;
    double modus;
  } cases[] = {
      {{3, 1, 1, 3}, 3}, {{1, 3, 3, 1}, 1}, {{5, 2, 2, 7}, 2}, {{-1, 4, 4, -1, -1}, -1}, {{9}, 9},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.values));
    EXPECT_EQ(sequenceStatistic(c.values, feature_statistic::kModus),
              std::vector<double>{c.modus});
  }
}

TEST(Features, MedianOfEvenAndOddCounts) {
  EXPECT_EQ(sequenceStatistic(std::vector<double>{4, 1, 3}, feature_statistic::kMedian),
            std::vector<double>{3});
  EXPECT_EQ(sequenceStatistic(std::vector<double>{4, 1, 3, 2}, feature_statistic::kMedian),
            std::vector<double>{2.5});
}

TEST(Features, NormalizedEntropy) {
  EXPECT_DOUBLE_EQ(normalizedEntropy(std::vector<double>{1, 1, 2, 2}), 1.0);
  EXPECT_DOUBLE_EQ(normalizedEntropy(std::vector<double>{1, 2, 3, 4}), 1.0);
  // -(3/4 log2 3/4 + 1/4 log2 1/4), divided by log2 2.
  EXPECT_DOUBLE_EQ(normalizedEntropy(std::vector<double>{1, 1, 1, 2}), 0.8112781244591328);
  EXPECT_EQ(normalizedEntropy(std::vector<double>{7, 7}), 0.0);
  EXPECT_EQ(normalizedEntropy(std::vector<double>{}), 0.0);
}

// Worked by hand: splitting 1 1 2 2 after the first value compares {1} with
// {1, 2, 2}: both values have the mixed frequency 1/2, so the divergence is
// 1 - 3/4 * H(1/3, 2/3) = 0.311278...; after the second value the parts
// share nothing (divergence 1); the third split mirrors the first.
TEST(Features, JensenShannonDivergences) {
  const std::vector<double> values = {1, 1, 2, 2};
  const std::vector<double> jsd = jensenShannonDivergences(values);
  expectValues({0.31127812445913283, 1.0, 0.31127812445913283}, jsd);
  EXPECT_EQ(sequenceStatistic(values, feature_statistic::kDivergenceMaximum),
            std::vector<double>{1});
  expectValues({1.0}, jensenShannonDivergences(std::vector<double>{1, 2}));
  // Identical distributions on both sides of every split: all 0, position 0.
  EXPECT_EQ(jensenShannonDivergences(std::vector<double>{5, 5, 5}), (std::vector<double>{0, 0}));
  EXPECT_EQ(sequenceStatistic(std::vector<double>{5, 5, 5}, feature_statistic::kDivergenceMaximum),
            std::vector<double>{0});
  EXPECT_TRUE(jensenShannonDivergences(std::vector<double>{5}).empty());
}

// --- n-grams -----------------------------------------------------------------------

// 60 62 60 62: lengths 1, 2 and 3 each have 2 distinct n-grams among 4, 3
// and 2, so the terms are 1/3, 1/2 and 1; at length 3 all n-grams are
// distinct and the dynamic variant stops.
TEST(Features, NGramComplexityWorkedByHand) {
  const core::Melody m = makeMelody({60, 62, 60, 62});
  expectValues({1.0 / 3}, computeFeature(m, row("ngram1")));
  expectValues({(1.0 / 3 + 0.5) / 2}, computeFeature(m, row("ngram2")));
  expectValues({(1.0 / 3 + 0.5 + 1.0) / 3}, computeFeature(m, row("ngramall")));
  expectValues({(1.0 / 3 + 0.5 + 1.0) / 3}, computeFeature(m, row("ngram4")));  // N > c: all
  // Weights 1, 1/2, 1/3: (1/3 + 1/4 + 1/3) / (11/6) = 1/2, unlike the N=1 value.
  expectValues({0.5}, computeFeature(m, row("ngramallw")));
  // Intervals 2 -2 2: length 1 has 2 distinct values among 3 (term 1/2);
  // length 2 has (2,-2) and (-2,2), all distinct (term 1); mean 3/4.
  expectValues({0.75}, computeFeature(m, row("ngramintall")));
  // Entropy: length 1 has counts 2, 2 (entropy 1); length 2 counts 2, 1
  // (0.918...); length 3 counts 1, 1 (1).
  const double h21 = -(2.0 / 3 * std::log2(2.0 / 3) + 1.0 / 3 * std::log2(1.0 / 3));
  expectValues({(1.0 + h21 + 1.0) / 3}, computeFeature(m, row("ngramalle")));
}

TEST(Features, NGramComplexityOfRepeatedValuesIsZero) {
  const core::Melody m = makeMelody({60, 60, 60, 60});
  for (const char* feature : {"ngram1", "ngramall", "ngramallw", "ngramalle", "ngram-zipf",
                              "ngram2-zipf", "ngramdurall", "ngramintall"}) {
    SCOPED_TRACE(feature);
    EXPECT_EQ(computeFeature(m, row(feature)), std::vector<double>{0.0});
  }
}

TEST(Features, ZipfComplexity) {
  // ln(count) over ln(rank) for counts 4, 2, 1: slope -1.2336619422521733.
  EXPECT_NEAR(zipfComplexity(std::vector<std::size_t>{1, 4, 2}), 0.42523671143003355, 1e-15);
  EXPECT_DOUBLE_EQ(zipfComplexity(std::vector<std::size_t>{3, 3}), 1.0);  // flat: slope 0
  EXPECT_EQ(zipfComplexity(std::vector<std::size_t>{5}), 0.0);
  EXPECT_EQ(zipfComplexity(std::vector<std::size_t>{}), 0.0);
  // The fixed-length Zipf row scores its one length: pitches 60 62 60 62 60
  // have the bigrams (60,62) twice and (62,60) twice.
  const core::Melody m = makeMelody({60, 62, 60, 62, 60});
  expectValues({1.0}, computeFeature(m, row("ngram2-zipf")));
}

TEST(Features, NGramCounterCountsEveryLength) {
  const std::vector<double> values = {1, 2, 1, 2, 3};
  NGramCounter counter(values);
  const std::vector<std::vector<std::size_t>> expected = {
      {2, 2, 1},     // 1, 2, 3
      {2, 1, 1},     // (1,2) twice, (2,1), (2,3)
      {1, 1, 1},     // (1,2,1), (2,1,2), (1,2,3)
      {1, 1},
      {1},
  };
  for (const auto& counts : expected) {
    ASSERT_TRUE(counter.advance());
    EXPECT_EQ(std::vector<std::size_t>(counter.counts().begin(), counter.counts().end()), counts);
  }
  EXPECT_FALSE(counter.advance());
}

// --- bar/time conversions ---------------------------------------------------------

// Row 59 ("Number of bars") shares its flag word with the sine row; it must
// count bars and not repeat the sines.
TEST(Features, BarLengthIsTheNumberOfBars) {
  core::Melody m = makeMelody({60, 62, 64, 65, 67}, {8, 8, 8, 2, 6});  // bars 1, 2, 3, 4, 4
  EXPECT_EQ(m.timeline[4].bar, 4);
  EXPECT_EQ(computeFeature(m, row("bar-length")), std::vector<double>{4});
  for (auto& p : m.timeline.positions) p.bar -= 1;  // an upbeat bar 0 is not counted
  EXPECT_EQ(computeFeature(m, row("bar-length")), std::vector<double>{3});
  expectValues({0, 0, 0, 0, 1}, computeFeature(m, row("bar-phase-im")));  // beat 2: sin(pi/2)
}

TEST(Features, BarAndBeatPhases) {
  // 4/4 at 480 ticks: onsets at beat 1, 1 + 1/2, 2, 3 + 1/2, then bar 2.
  const core::Melody m = makeMelody({60, 62, 64, 65, 67}, {1, 1, 3, 3, 2});
  const double pi = 3.141592653589793;
  const std::vector<double> phase = {0, pi / 4, pi / 2, 5 * pi / 4, 0};
  expectValues(phase, computeFeature(m, row("bar-phase")));
  expectValues(phase, computeFeature(m, row("bar-phase-delta")));
  std::vector<double> cosines;
  std::vector<double> sines;
  for (const double x : phase) {
    cosines.push_back(std::cos(x));
    sines.push_back(std::sin(x));
  }
  expectValues(cosines, computeFeature(m, row("bar-phase-re")));
  expectValues(sines, computeFeature(m, row("bar-phase-im")));
  expectValues({0, pi, 0, pi, 0}, computeFeature(m, row("beat-phase")));
}

// A beat of 0 passes the reader; its phase lies before the bar line instead of
// wrapping around the unsigned beat number.
TEST(Features, BarPhaseOfBeatZero) {
  core::Melody m = makeMelody({60, 62});
  m.timeline[0].beat = 0;
  const std::vector<double> phase = computeFeature(m, row("bar-phase"));
  ASSERT_EQ(phase.size(), 2u);
  EXPECT_DOUBLE_EQ(phase[0], -3.141592653589793 / 2);
}

TEST(Features, TonalPhase) {
  core::Melody m = makeMelody({60, 67, 55, 72});
  const double step = 0.5235987755982988;
  m.annotatedKey = 7;  // G: C is 5 semitones above, G 0, G 0, C 5
  expectValues({5 * step, 0, 0, 5 * step}, computeFeature(m, row("tonal-phase")));
  m.annotatedKey = -3;
  expectValues({3 * step, 10 * step, 10 * step, 3 * step}, computeFeature(m, row("tonal-phase")));
  m.annotatedKey = std::numeric_limits<std::int32_t>::min();  // (60 + 2^31) mod 12 = 8
  expectValues({8 * step, 3 * step, 3 * step, 8 * step}, computeFeature(m, row("tonal-phase")));
}

// --- robustness ---------------------------------------------------------------------

// Melodies built elsewhere may have fewer durations, no phrase flags, a
// timeline of another length, or nothing at all: every row must cope.
TEST(Features, EveryRowCopesWithInconsistentMelodies) {
  std::vector<core::Melody> melodies;
  melodies.push_back(core::Melody{});
  melodies.push_back(makeMelody({60}));
  core::Melody fewerDurations = makeMelody({60, 62, 64, 65, 67});
  fewerDurations.durations.resize(2);
  fewerDurations.phraseFlags.clear();
  melodies.push_back(fewerDurations);
  core::Melody shortTimeline = makeMelody({60, 62, 64, 65, 67});
  shortTimeline.timeline.positions.resize(3);
  melodies.push_back(shortTimeline);
  core::Melody noTimeline = makeMelody({60, 72, 64, 65});
  noTimeline.timeline = {};
  noTimeline.signature = {0, 0, 0};
  melodies.push_back(noTimeline);
  for (std::size_t k = 0; k < melodies.size(); ++k) {
    for (const FeatureDef& feature : featureTable) {
      SCOPED_TRACE("melody " + std::to_string(k) + " " + std::string(feature.name));
      const std::vector<double> values = computeFeature(melodies[k], feature);
      EXPECT_LE(values.size(), std::max<std::size_t>(1, melodies[k].pitches.size()));
    }
  }
}

}  // namespace
}  // namespace suite::analysis
