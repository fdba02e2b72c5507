// The note-level family measures: metric weights, phrase positions, the
// histogram shift, EdIma and TemAlign worked by hand, the vector forms held
// to the plain one, and the measures reached through the engine, the types
// file and prepared melodies.
#include "similarity/family_measures.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <sstream>

#include "similarity/extra_measures.h"
#include "similarity/metric_weights.h"
#include "similarity/prepared_melody.h"
#include "support/melodies.h"
#include "support/random_melodies.h"

namespace suite::similarity {
namespace {

struct WeightCase {
  const char* name;
  std::vector<std::int64_t> onsets;
  std::vector<double> weights;
};

// Worked by hand; the meters are listed with their intervals k.
TEST(MetricWeights, SmallOnsetPatterns) {
  const std::vector<WeightCase> cases = {
      // Period 1, k = 4 over all; period 2 (0 2 4, k = 2) lies within it and
      // is dropped, so every onset gets 16.
      {"isochronous run", {0, 1, 2, 3, 4}, {1, 1, 1, 1, 1}},
      // The same in ticks, listed out of order: only the spacing counts.
      {"isochronous run in ticks", {480, 0, 240, 960, 720}, {1, 1, 1, 1, 1}},
      // Period 2: 0 2 4 6 (k = 3, adds 9); period 3: 0 3 6 9 (k = 3, adds 9);
      // period 1: 2 3 4 (k = 2, adds 4). 0 and 6 get 18, 2 3 4 get 13, 9 gets 9.
      {"two interleaved grids", {0, 2, 3, 4, 6, 9}, {1, 13.0 / 18, 13.0 / 18, 13.0 / 18, 1, 0.5}},
      // Eighths of a bar with a syncopation: 0 3 6 (k = 2) and 1 3 5 (k = 2)
      // meet on the off-beat 3, which gets 8; the downbeat 8 lies on no meter.
      {"syncopated bar", {0, 1, 3, 5, 6, 8}, {0.5, 0.5, 1, 0.5, 0.5, 0}},
      // A meter needs three onsets.
      {"two onsets", {0, 4}, {0, 0}},
      {"no run of three", {0, 1, 3, 7}, {0, 0, 0, 0}},
      // Equal onsets (notes of duration 0) share their weight.
      {"repeated onset", {0, 1, 1, 2}, {1, 1, 1, 1}},
      {"empty", {}, {}},
  };
  for (const WeightCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<double> w = metricWeights(c.onsets);
    ASSERT_EQ(w.size(), c.weights.size());
    for (std::size_t i = 0; i < w.size(); ++i) EXPECT_DOUBLE_EQ(w[i], c.weights[i]) << "onset " << i;
  }
}

TEST(MetricWeights, OnsetsOfAMelodyAreItsRunningDurations) {
  const core::Melody m = test::melodyOf({60, 62, 64, 65}, {2, 1, 1, 4});
  EXPECT_EQ(noteOnsets(m), (std::vector<std::int64_t>{0, 2, 3, 4}));
}

TEST(SegmentPositions, PlaceWithinEachSegment) {
  struct Case {
    const char* name;
    std::vector<double> ends;
    std::size_t notes;
    std::vector<double> positions;
  };
  const std::vector<Case> cases = {
      {"one segment", {0, 0, 0, 0}, 5, {0, 0.25, 0.5, 0.75, 1}},
      {"two segments", {0, 0, 1, 0}, 5, {0, 0.5, 1, 0, 1}},
      {"one-note segment", {1, 0, 0}, 4, {0, 0, 0.5, 1}},
      {"one-note segment at the end", {0, 1}, 3, {0, 1, 0}},
      {"single note", {}, 1, {0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(segmentPositions(c.ends, c.notes), c.positions);
  }
}

TEST(PhraseEnds, LongNoteEndsAPhrase) {
  // Twenty eighths with a long note after the tenth: the grouping rule
  // prefers phrases of about ten notes and a start after a gap.
  std::vector<std::uint32_t> durations(20, 1);
  durations[9] = 6;
  const core::Melody m = test::melodyOf(std::vector<int>(20, 60), durations);
  const std::vector<double> ends = phraseEnds(m);
  ASSERT_EQ(ends.size(), 19u);
  for (std::size_t i = 0; i < ends.size(); ++i) {
    EXPECT_EQ(ends[i], i == 9 ? 1.0 : 0.0) << "note " << i;
  }
  EXPECT_TRUE(phraseEnds(test::melodyOf({60})).empty());
}

NoteProfile profileOf(std::vector<std::int16_t> pitches, std::vector<double> weights = {},
                      std::vector<double> positions = {}) {
  NoteProfile p;
  p.pitches = std::move(pitches);
  p.weights = std::move(weights);
  p.positions = std::move(positions);
  p.weights.resize(p.pitches.size(), 1.0);
  p.positions.resize(p.pitches.size(), 0.0);
  std::vector<std::int16_t> sorted = p.pitches;
  std::sort(sorted.begin(), sorted.end());
  for (const std::int16_t q : sorted) {
    if (p.histogram.empty() || p.histogram.back().first != q) p.histogram.emplace_back(q, 0);
    ++p.histogram.back().second;
  }
  return p;
}

TEST(HistogramShift, LargestOverlapOfShares) {
  struct Case {
    const char* name;
    std::vector<std::int16_t> a;
    std::vector<std::int16_t> b;
    int shift;
  };
  const std::vector<Case> cases = {
      {"same melody", {60, 62, 64, 62}, {60, 62, 64, 62}, 0},
      {"a third higher", {60, 62, 64, 62}, {63, 65, 67, 65}, -3},
      // Shares, not counts: b has each pitch twice as often.
      {"shares", {60, 67}, {55, 55, 62, 62}, 5},
      // -6 (66 on 60) and -2 (62 on 60, 66 on 64) both overlap by 2/3: the
      // smaller shift wins.
      {"first of equal overlaps", {60, 60, 64}, {62, 66, 66}, -6},
      {"first of equal overlaps, one note", {60, 62}, {60}, 0},
      {"no notes", {}, {60}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(histogramShift(profileOf(c.a), profileOf(c.b)), c.shift);
  }
}

TEST(PitchBand, Base40IntervalClasses) {
  // d = 0, 5, 6, 11, 12, 17, 20, 23 for 0..7 semitones: (2 - d / 23) / 2;
  // larger classes are out of band; octaves fold, direction does not count.
  const std::vector<std::pair<int, double>> cases = {
      {0, 1.0},          {1, 41.0 / 46},  {2, 40.0 / 46}, {-2, 40.0 / 46}, {3, 35.0 / 46},
      {4, 34.0 / 46},    {5, 29.0 / 46},  {6, 26.0 / 46}, {7, 0.5},        {8, 0.0},
      {11, 0.0},         {12, 1.0},       {-13, 41.0 / 46}, {19, 0.5},
  };
  for (const auto& [semitones, score] : cases) {
    EXPECT_NEAR(pitchBandScore(semitones), score, 1e-15) << semitones << " semitones";
  }
}

struct AlignCase {
  const char* name;
  NoteProfile a;
  NoteProfile b;
  int shift;
  double edIma;
  double distance;
  double temAlign;
};

// Worked by hand (weights 1 and positions 0 where not given).
TEST(AlignNotes, TinyPairs) {
  const std::vector<AlignCase> cases = {
      {"identical", profileOf({60, 62, 64}, {1, 0.5, 0}, {0, 0.5, 1}),
       profileOf({60, 62, 64}, {1, 0.5, 0}, {0, 0.5, 1}), 0, 1.0, 0.0, 1.0},
      // Equal pitches cost their weight difference: D = 0.5 of 2.
      // TemAlign: r = 1 - 0.5 on the first pair (score 0), 1 on the second.
      {"weight difference", profileOf({60, 62}, {1, 0.5}), profileOf({60, 62}, {0.5, 0.5}), 0,
       0.75, 0.5, 0.5},
      // A deletion: D = 1 of 3. TemAlign: 60 60 (1), gap (-0.8), 64 64 (1)
      // = 1.2 over the shorter length 2.
      {"deletion", profileOf({60, 62, 64}, {}, {0, 0.5, 1}), profileOf({60, 64}, {}, {0, 1}), 0,
       2.0 / 3, 1.0, 0.6},
      // Unequal pitches cost 1, less than a deletion and an insertion; a
      // seventh is out of band (score -1), so nothing aligns.
      {"unequal pitches", profileOf({60}), profileOf({71}), 0, 0.0, 1.0, 0.0},
      // The shift raises b: 58 + 2 meets 60.
      {"shifted", profileOf({60, 62}), profileOf({58, 60}), 2, 1.0, 0.0, 1.0},
      // Positions 0 and 1: 60 60 scores 1, then 62 against 67 (a fourth,
      // band score 29/46) adds 2 * 29/46 - 1: 1 + 12/46 over 2.
      {"pitch band", profileOf({60, 62}, {}, {0, 1}), profileOf({60, 67}, {}, {0, 1}), 0, 0.5, 1.0,
       (1.0 + 12.0 / 46) / 2},
      // Half a phrase apart: r = 1 - 0.5, a score of 0 for either note.
      {"phrase positions", profileOf({60, 60}, {}, {0, 1}), profileOf({60}, {}, {0.5}), 0, 0.5,
       1.0, 0.0},
  };
  FamilyWorkspace workspace;
  for (const AlignCase& c : cases) {
    SCOPED_TRACE(c.name);
    const NoteAlignment got = alignNotes(c.a, c.b, c.shift, workspace);
    EXPECT_NEAR(got.edIma.value, c.edIma, 1e-12);
    EXPECT_NEAR(got.edIma.bestOffset, c.distance, 1e-12);
    EXPECT_NEAR(got.temAlign.value, c.temAlign, 1e-12);
    EXPECT_EQ(edImaSimilarity(c.a, c.b, c.shift, workspace).value, got.edIma.value);
    EXPECT_EQ(temAlignSimilarity(c.a, c.b, c.shift, workspace).value, got.temAlign.value);
  }
  const NoteAlignment none = alignNotes(profileOf({}), profileOf({60}), 0, workspace);
  EXPECT_EQ(none.edIma.value, -1.0);
  EXPECT_EQ(none.temAlign.value, -1.0);
}

bool sameBits(double x, double y) { return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y); }

// The vector forms run eight or four rows side by side with padding before
// and after the columns; every length around those sizes must give the
// plain values to the last bit.
TEST(AlignNotes, VectorFormsEqualPlain) {
  std::mt19937 random(20);
  std::uniform_int_distribution<int> pitch(55, 70);
  std::uniform_int_distribution<int> grid(0, 4);
  const auto randomProfile = [&](std::size_t n) {
    std::vector<std::int16_t> pitches;
    std::vector<double> weights;
    std::vector<double> positions;
    for (std::size_t i = 0; i < n; ++i) {
      pitches.push_back(static_cast<std::int16_t>(pitch(random)));
      weights.push_back(grid(random) / 4.0);
      positions.push_back(grid(random) / 4.0);
    }
    return profileOf(pitches, weights, positions);
  };
  FamilyWorkspace plain;
  FamilyWorkspace fast;
  for (const AlignmentForm form : {AlignmentForm::Avx2, AlignmentForm::Avx512}) {
    if (!alignmentFormAvailable(form)) continue;
    for (const std::size_t m : {1u, 3u, 4u, 7u, 8u, 9u, 12u, 17u, 40u}) {
      for (const std::size_t n : {1u, 2u, 5u, 8u, 9u, 16u, 33u}) {
        SCOPED_TRACE(testing::Message() << "form " << static_cast<int>(form) << ", " << m << " x " << n);
        NoteProfile a = randomProfile(m);
        NoteProfile b = randomProfile(n);
        if (n % 2 == 0) reverseNotes(b, b.reversed);  // else made per pair
        const int shift = (static_cast<int>(m + n) % 5) - 2;
        const NoteAlignment want = detail::alignNotes(a, b, shift, plain, AlignmentForm::Plain);
        const NoteAlignment got = detail::alignNotes(a, b, shift, fast, form);
        EXPECT_TRUE(sameBits(got.edIma.value, want.edIma.value));
        EXPECT_TRUE(sameBits(got.edIma.bestOffset, want.edIma.bestOffset));
        EXPECT_TRUE(sameBits(got.temAlign.value, want.temAlign.value));
        EXPECT_TRUE(sameBits(got.temAlign.bestOffset, want.temAlign.bestOffset));
      }
    }
  }
}

// A plain programme of each measure straight from its definition, on the
// notes of real melodies.
TEST(AlignNotes, AgreesWithTheDefinitionOnRealMelodies) {
  const core::Melody ma = test::loadMelody("melodies/ATripToGalway.csv");
  const core::Melody mb = test::loadMelody("melodies/TipperaryHills.csv");
  const NoteProfile a = noteProfile(ma);
  const NoteProfile b = noteProfile(mb);
  const int shift = histogramShift(a, b);
  const std::size_t m = a.pitches.size();
  const std::size_t n = b.pitches.size();
  std::vector<std::vector<double>> d(m + 1, std::vector<double>(n + 1, 0.0));
  std::vector<std::vector<double>> h(m + 1, std::vector<double>(n + 1, 0.0));
  double best = 0.0;
  for (std::size_t i = 0; i <= m; ++i) d[i][0] = static_cast<double>(i);
  for (std::size_t j = 0; j <= n; ++j) d[0][j] = static_cast<double>(j);
  for (std::size_t i = 1; i <= m; ++i) {
    for (std::size_t j = 1; j <= n; ++j) {
      const int delta = a.pitches[i - 1] - (b.pitches[j - 1] + shift);
      const double dw = std::fabs(a.weights[i - 1] - b.weights[j - 1]);
      const double dp = std::fabs(a.positions[i - 1] - b.positions[j - 1]);
      d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (delta == 0 ? dw : 1.0)});
      const double r = pitchBandScore(delta) * (1 - dw) * (1 - dp);
      h[i][j] = std::max({0.0, h[i - 1][j - 1] + 2 * r - 1, h[i - 1][j] - 0.8, h[i][j - 1] - 0.8});
      best = std::max(best, h[i][j]);
    }
  }
  FamilyWorkspace workspace;
  const NoteAlignment got = alignNotes(a, b, shift, workspace);
  EXPECT_NEAR(got.edIma.value, 1.0 - d[m][n] / static_cast<double>(std::max(m, n)), 1e-12);
  EXPECT_NEAR(got.temAlign.value, best / static_cast<double>(std::min(m, n)), 1e-12);
  EXPECT_GT(got.temAlign.value, 0.0);
}

// The measures through the engine, the types file and prepared melodies.
class ExtraMeasures : public testing::Test {
 protected:
  std::ostringstream err;
  EngineContext context{err, nullptr};
  const std::size_t edIma = measureIndex("EdIma");
  const std::size_t temAlign = measureIndex("TemAlign");
  const std::size_t famSim = measureIndex("famSim");
  const std::size_t rawEdw = measureIndex("rawEdw");
};

TEST_F(ExtraMeasures, LookedUpAfterTheCatalogue) {
  EXPECT_EQ(findSimilarityType("EdIma"), static_cast<int>(kTypeCount));
  EXPECT_EQ(findSimilarityType("temalign"), static_cast<int>(kTypeCount + 1));
  EXPECT_EQ(findSimilarityType("FAMSIM"), static_cast<int>(kTypeCount + 2));
  EXPECT_EQ(findSimilarityType("rawEd"), 1);
  EXPECT_EQ(findSimilarityType("famSim2"), -1);

  std::ostringstream listing;
  printTypeNames(listing);
  EXPECT_EQ(listing.str().find("famSim"), std::string::npos);

  CombiType single;
  bool gauss = true;
  ASSERT_TRUE(parseTypeLine("famSim", 0, single, gauss, err));
  EXPECT_EQ(single.name, "famSim");
  ASSERT_EQ(single.terms.size(), 1u);
  EXPECT_EQ(single.terms[0].factors, std::vector<std::size_t>{famSim});
  EXPECT_EQ(single.terms[0].name, extraMeasureTable[2].description);
  EXPECT_FALSE(gauss);
}

TEST_F(ExtraMeasures, IdenticalMelodiesAndEmptyOnes) {
  const core::Melody m = test::loadMelody("melodies/TipperaryHills.csv");
  EXPECT_EQ(computeSimilarity(m, m, edIma, context).value, 1.0);
  EXPECT_EQ(computeSimilarity(m, m, temAlign, context).value, 1.0);
  // Not clipped: 1 + 0.533 + 0.41.
  EXPECT_DOUBLE_EQ(computeSimilarity(m, m, famSim, context).value, 1.943);
  const core::Melody empty;
  for (const std::size_t type : {edIma, temAlign, famSim}) {
    EXPECT_EQ(computeSimilarity(m, empty, type, context).value, -1.0);
    EXPECT_EQ(computeSimilarity(empty, m, type, context).value, -1.0);
  }
}

TEST_F(ExtraMeasures, FamSimIsItsFormulaAndACombiLineClipsIt) {
  const core::Melody a = test::loadMelody("melodies/ATripToGalway.csv");
  const core::Melody b = test::loadMelody("melodies/DowntheGortRoadreel.csv");
  const double e = computeSimilarity(a, b, edIma, context).value;
  const double t = computeSimilarity(a, b, temAlign, context).value;
  const double w = computeSimilarity(a, b, rawEdw, context).value;
  EXPECT_EQ(computeSimilarity(a, b, famSim, context).value, e + 0.533 * t + 0.41 * w);

  CombiType combi;
  bool gauss = false;
  ASSERT_TRUE(parseTypeLine("combi:half famSim 0.5 EdIma*TemAlign 0.25 const -0.1", 0, combi,
                            gauss, err));
  const double want = std::clamp(0.5 * (e + 0.533 * t + 0.41 * w) + 0.25 * e * t - 0.1, 0.0, 1.0);
  EXPECT_DOUBLE_EQ(evaluateCombiType(a, b, combi, context).value, want);
}

// A transposition of b does not change EdIma and TemAlign; famSim follows
// rawEdw. Prepared melodies give the per-pair values under every shift.
TEST_F(ExtraMeasures, PreparedEqualPerPairUnderEveryShift) {
  std::vector<core::Melody> melodies = {test::loadMelody("melodies/ATripToGalway.csv"),
                                        test::loadMelody("melodies/TipperaryHills.csv"),
                                        test::melodyOf({60, 62, 64, 62, 60}, {1, 1, 2, 1, 3})};
  std::mt19937 random(7);
  melodies.push_back(test::randomMelody(random, {.notes = 30}));
  PreparationPlan plan;
  plan.addType(famSim);
  EXPECT_TRUE(plan.hasType(edIma) && plan.hasType(temAlign) && plan.hasType(rawEdw));
  plan.setTranspositionSearch(true);
  const std::vector<PreparedMelody> prepared = prepareMelodies(melodies, plan, err);
  for (std::size_t i = 0; i < melodies.size(); ++i) {
    for (std::size_t j = 0; j < melodies.size(); ++j) {
      const double unshifted = computeSimilarity(melodies[i], melodies[j], edIma, context).value;
      for (const int shift : {-7, 0, 3}) {
        SCOPED_TRACE(testing::Message() << i << ", " << j << " shift " << shift);
        core::Melody b = melodies[j];
        for (std::int8_t& p : b.pitches) p = static_cast<std::int8_t>(p + shift);
        PairComparison pair(prepared[i], prepared[j], shift, context);
        for (const std::size_t type : {famSim, edIma, temAlign}) {
          EXPECT_TRUE(sameBits(pair.type(type).value,
                               computeSimilarity(melodies[i], b, type, context).value))
              << measureName(type);
        }
        EXPECT_EQ(pair.type(edIma).value, unshifted);
      }
    }
  }
}

}  // namespace
}  // namespace suite::similarity
