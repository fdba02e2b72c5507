// The feature computations that share work against the plain ones: n-gram
// profiles from the suffix array against counting length by length, on random
// and periodic sequences, and every feature of prepared melodies against
// computeFeature on real, random and damaged melodies.
#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <thread>

#include "analysis/features.h"
#include "analysis/ngram_complexity.h"
#include "support/melodies.h"
#include "support/random_melodies.h"

namespace suite::analysis {
namespace {

bool same(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (x != x && y != y);
}

void expectSameComplexities(const std::vector<double>& values) {
  NGramProfile profile(values);
  for (const NGramTerm term : {NGramTerm::DistinctShare, NGramTerm::Entropy, NGramTerm::Zipf}) {
    for (const std::uint32_t n : {0u, 1u, 2u, 3u, 4u, 7u}) {
      for (const bool weighted : {false, true}) {
        const double want = ngramComplexity(values, n, term, weighted);
        const double got = profile.complexity(n, term, weighted);
        ASSERT_TRUE(same(got, want)) << "term " << static_cast<int>(term) << " n " << n
                                     << " weighted " << weighted << ": " << got << " instead of "
                                     << want;
      }
    }
  }
}

TEST(NGramProfile, MatchesCountingLengthByLength) {
  std::mt19937 random(4);
  for (int round = 0; round < 400; ++round) {
    const std::size_t n = random() % 301;
    const int distinct = round % 3 == 0 ? 2 : 1 + static_cast<int>(random() % 40);
    std::vector<double> values = test::randomSequence(random, n, distinct);
    // Periodic stretches: lengths at which no n-gram is yet distinct.
    if (round % 4 == 0) {
      const std::size_t period = 1 + random() % 7;
      for (std::size_t i = period; i < n; ++i) values[i] = values[i - period];
      if (round % 8 == 0 && n > 4) values[n / 3] = 99;
    }
    SCOPED_TRACE(testing::Message() << "round " << round << ", " << n << " values");
    expectSameComplexities(values);
  }
  expectSameComplexities({});
  expectSameComplexities({5});
  expectSameComplexities({5, 5, 5, 5});
}

// Durations that repeat with a short period never become all distinct: the
// counter counts every length up to the end, the profile does not.
TEST(NGramProfile, LongPeriodicDurations) {
  std::vector<double> durations;
  for (int k = 0; k < 600; ++k) {
    for (const double d : {2.0, 1.0, 1.0, 4.0}) durations.push_back(d);
  }
  durations[1000] = 3.0;
  expectSameComplexities(durations);
}

void expectSameFeatures(const core::Melody& melody) {
  MelodyFeatures prepared(melody);
  // Twice over, so that the second round reads what the first one cached.
  for (int round = 0; round < 2; ++round) {
    for (const FeatureDef& feature : featureTable) {
      const std::vector<double> want = computeFeature(melody, feature);
      const std::vector<double> got = prepared.compute(feature);
      ASSERT_EQ(got.size(), want.size()) << feature.name;
      for (std::size_t i = 0; i < want.size(); ++i) {
        ASSERT_TRUE(same(got[i], want[i]))
            << feature.name << " value " << i << ": " << got[i] << " instead of " << want[i];
      }
    }
  }
}

TEST(MelodyFeatures, EveryFeatureOfRealMelodies) {
  for (const char* file : {"melodies/ATripToGalway.csv", "melodies/DowntheGortRoadreel.csv",
                           "melodies/TipperaryHills.csv", "melodies/empty_bar.csv",
                           "features/gort_road_excerpt.csv"}) {
    SCOPED_TRACE(file);
    expectSameFeatures(test::loadMelody(file));
  }
}

TEST(MelodyFeatures, EveryFeatureOfRandomAndDamagedMelodies) {
  std::mt19937 random(6);
  for (int round = 0; round < 40; ++round) {
    test::RandomMelodyShape shape;
    shape.notes = random() % 60;
    shape.pitchSpread = round % 3 == 0 ? 2 : 20;
    shape.longestNote = round % 2 == 0 ? 1 : 6;
    core::Melody m = test::randomMelody(random, shape);
    if (round % 10 == 1) m.phraseFlags.clear();
    if (round % 10 == 2 && !m.durations.empty()) m.durations.pop_back();
    if (round % 10 == 3 && !m.timeline.empty()) m.timeline.positions.pop_back();
    SCOPED_TRACE(testing::Message() << "round " << round << ", " << m.size() << " notes");
    expectSameFeatures(m);
  }
  expectSameFeatures(core::Melody{});
}

// Threads read the same melodies, each with its own prepared features.
TEST(MelodyFeatures, ThreadsOnTheSameMelodies) {
  const std::vector<core::Melody> melodies = {test::loadMelody("melodies/ATripToGalway.csv"),
                                              test::loadMelody("melodies/TipperaryHills.csv")};
  const auto all = [&](std::vector<double>& values) {
    for (const core::Melody& m : melodies) {
      MelodyFeatures prepared(m);
      for (const FeatureDef& f : featureTable) {
        const std::vector<double> v = prepared.compute(f);
        values.insert(values.end(), v.begin(), v.end());
      }
    }
  };
  std::vector<double> alone;
  all(alone);
  std::vector<double> first;
  std::vector<double> second;
  std::thread a([&] { all(first); });
  std::thread b([&] { all(second); });
  a.join();
  b.join();
  ASSERT_EQ(first.size(), alone.size());
  ASSERT_EQ(second.size(), alone.size());
  for (std::size_t i = 0; i < alone.size(); ++i) {
    ASSERT_TRUE(same(first[i], alone[i]) && same(second[i], alone[i])) << i;
  }
}

}  // namespace
}  // namespace suite::analysis
