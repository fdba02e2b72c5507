// Prepared melodies against the per-pair computation: every catalogue type
// under every shift from -12 to 12 on real and random melodies (damaged ones
// included), the transposition search, combined types and phrase mode, and
// which messages the preparation writes once instead of per pair.
#include "similarity/prepared_melody.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <sstream>

#include "similarity/gauss_rhythm.h"
#include "similarity/type_flags.h"
#include "support/gauss_table.h"
#include "support/melodies.h"
#include "support/random_melodies.h"

namespace suite::similarity {
namespace {

using test::gaussTable;

core::Melody transposed(const core::Melody& m, int shift) {
  core::Melody copy = m;
  for (std::int8_t& p : copy.pitches) p = static_cast<std::int8_t>(p + shift);
  return copy;
}

// Equal to the last bit (NaN equal to NaN).
bool same(double x, double y) { return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (x != x && y != y); }

// The Fourier types are quadratic in the windows: long melodies try a few shifts.
bool expensive(std::size_t type) {
  return hasFlag(typeTable[type].flags, Fourier) || hasFlag(typeTable[type].flags, Accents) ||
         type == kGaussRhythmType;
}

// Every type and shift of every ordered pair; \a allShifts limits the
// expensive types to a few shifts when false. Messages that depend on the
// pair ("Empty Bar!") must come as from the per-pair computation.
void expectSameAsPerPair(const std::vector<core::Melody>& melodies, bool allShifts) {
  const PreparationPlan plan = [] {
    PreparationPlan p = PreparationPlan::everything();
    p.setPhraseMode(true);
    return p;
  }();
  std::ostringstream preparation;
  const std::vector<PreparedMelody> prepared = prepareMelodies(melodies, plan, preparation);
  std::ostringstream errRef;
  std::ostringstream errFast;
  EngineContext reference(errRef, gaussTable());
  EngineContext fast(errFast, gaussTable());
  for (std::size_t i = 0; i < melodies.size(); ++i) {
    for (std::size_t j = 0; j < melodies.size(); ++j) {
      SCOPED_TRACE(testing::Message() << "pair " << i << ", " << j);
      EXPECT_EQ(findBestTransposition(prepared[i], prepared[j], fast),
                findBestTransposition(melodies[i], melodies[j], reference));
      for (int shift = -12; shift <= 12; ++shift) {
        const core::Melody b = transposed(melodies[j], shift);
        PairComparison pair(prepared[i], prepared[j], shift, fast);
        for (std::size_t type = 0; type < kTypeCount; ++type) {
          if (!allShifts && expensive(type) && shift % 5 != 0) continue;
          errRef.str("");
          errFast.str("");
          const SimilarityResult want = computeSimilarity(melodies[i], b, type, reference);
          const SimilarityResult got = pair.type(type);
          ASSERT_TRUE(same(got.value, want.value) && same(got.bestOffset, want.bestOffset))
              << typeTable[type].name << " shift " << shift << ": " << got.value << " ("
              << got.bestOffset << ") instead of " << want.value << " (" << want.bestOffset
              << ")";
          if (!hasFlag(typeTable[type].flags, Weighted)) {
            ASSERT_EQ(errFast.str(), errRef.str()) << typeTable[type].name << " shift " << shift;
          }
        }
      }
    }
  }
}

std::vector<core::Melody> randomMelodies(std::uint32_t seed, std::size_t count,
                                         std::size_t minNotes, std::size_t maxNotes) {
  std::mt19937 random(seed);
  std::vector<core::Melody> melodies;
  for (std::size_t k = 0; k < count; ++k) {
    test::RandomMelodyShape shape;
    shape.notes = std::uniform_int_distribution<std::size_t>(minNotes, maxNotes)(random);
    shape.pitchSpread = k % 3 == 0 ? 3 : 24;  // few or many distinct pitches
    shape.lowestPitch = k % 4 == 3 ? 110 : 50;  // near the top: shifts wrap around
    shape.longestNote = k % 2 == 0 ? 2 : 6;
    melodies.push_back(test::randomMelody(random, shape));
  }
  return melodies;
}

TEST(PreparedEngine, RandomMelodiesUnderEveryShift) {
  expectSameAsPerPair(randomMelodies(19, 8, 0, 24), true);
}

TEST(PreparedEngine, DamagedMelodies) {
  std::vector<core::Melody> melodies = randomMelodies(7, 5, 2, 12);
  melodies[0].durations.pop_back();          // fewer durations than pitches
  melodies[1].phraseFlags.clear();           // no phrase flags
  melodies[2].timeline.positions.pop_back(); // fewer positions
  melodies[3].timeline.cachedTatum = 0;      // tatum not cached
  melodies.push_back(test::melodyOf({60}));  // one note
  // Pitches at both ends of the 8-bit range: shifts wrap around, and a
  // shorter melody meets longer ones on both sides.
  melodies.push_back(test::melodyOf({-126, -120, 125, 127, -128, 0, 3, 127, 126}));
  melodies.push_back(test::melodyOf({125, 127, -126, -125}));
  melodies.push_back(core::Melody{});        // no melody
  expectSameAsPerPair(melodies, true);
}

TEST(PreparedEngine, RealMelodies) {
  expectSameAsPerPair({test::loadMelody("similarity/galway_excerpt.csv"),
                       test::loadMelody("features/gort_road_excerpt.csv"),
                       test::loadMelody("melodies/empty_bar.csv")},
                      true);
  expectSameAsPerPair({test::loadMelody("melodies/DowntheGortRoadreel.csv"),
                       test::loadMelody("melodies/TipperaryHills.csv")},
                      false);
}

// Pitches near both ends of the 8-bit range, where transposed pitches wrap
// around and the search's shifted lookups must not.
TEST(PreparedEngine, TranspositionSearchAtTheEndsOfThePitchRange) {
  std::mt19937 random(5);
  std::uniform_int_distribution<int> pick(0, 15);
  std::ostringstream err;
  EngineContext context(err, nullptr);
  const PreparationPlan plan = PreparationPlan::forMeasures({}, true, false);
  for (int round = 0; round < 300; ++round) {
    std::vector<int> a(static_cast<std::size_t>(3 + round % 7));
    std::vector<int> b(static_cast<std::size_t>(2 + round % 5));
    for (int& p : a) p = pick(random) < 8 ? -128 + pick(random) : 112 + pick(random);
    for (int& p : b) p = pick(random) < 8 ? -128 + pick(random) : 112 + pick(random);
    const core::Melody ma = test::melodyOf(a);
    const core::Melody mb = test::melodyOf(b);
    const PreparedMelody pa(ma, plan, err);
    const PreparedMelody pb(mb, plan, err);
    ASSERT_EQ(findBestTransposition(pa, pb, context), findBestTransposition(ma, mb, context))
        << round;
    ASSERT_EQ(findBestTransposition(pb, pa, context), findBestTransposition(mb, ma, context))
        << round;
  }
}

TEST(PreparedEngine, CombinedTypesAndPhraseMode) {
  std::ostringstream err;
  SelectedMeasures selected;
  addDefaultTypes(";", 0, selected, err);
  selected.measures.push_back(selected.measures.front());
  selected.measures.back().terms.push_back({{typeIndex("rawEdw"), typeIndex("conEd")}, "x", -0.5});
  const PreparationPlan plan = PreparationPlan::forMeasures(selected.measures, true, true);
  const std::vector<core::Melody> melodies = {
      test::loadMelody("melodies/DowntheGortRoadreel.csv"),
      test::loadMelody("melodies/TipperaryHills.csv"), test::loadMelody("melodies/empty_bar.csv")};
  const std::vector<PreparedMelody> prepared = prepareMelodies(melodies, plan, err);
  EngineContext context(err, nullptr);
  for (std::size_t i = 0; i < melodies.size(); ++i) {
    for (std::size_t j = 0; j < melodies.size(); ++j) {
      for (const int shift : {-7, 0, 2}) {
        SCOPED_TRACE(testing::Message() << i << ", " << j << " shift " << shift);
        const core::Melody b = transposed(melodies[j], shift);
        for (const CombiType& measure : selected.measures) {
          const SimilarityResult want = evaluateCombiType(melodies[i], b, measure, context);
          const SimilarityResult got =
              evaluateCombiType(prepared[i], prepared[j], shift, measure, context);
          EXPECT_TRUE(same(got.value, want.value) && same(got.bestOffset, want.bestOffset));
          EXPECT_TRUE(same(phraseSimilarity(prepared[i], prepared[j], shift, measure, context),
                           phraseSimilarity(melodies[i], b, measure, context)));
        }
      }
    }
  }
}

// Bars of C and F#: the key sums of tonics t and t + 6 tie, and the lower
// tonic wins. Under a shift of 7 the winner is C# (1), not the shifted C (7):
// keys are found anew from the rotated sums, not rotated themselves.
TEST(PreparedEngine, KeyTiesUnderTransposition) {
  const core::Melody tritones = test::melodyOf({60, 66, 60, 66, 66, 60, 60, 66}, {4, 4, 4, 4, 4, 4, 4, 4});
  const core::Melody scale = test::melodyOf({60, 62, 64, 65, 67, 69, 71, 72}, {4, 4, 4, 4, 4, 4, 4, 4});
  PreparationPlan plan;
  for (const char* name : {"harmCorK", "harmCorE", "harmCorC", "harmCoKA", "harmCoEA", "harCorKW",
                           "harCorEW", "harmCorr"}) {
    plan.addType(typeIndex(name));
  }
  std::ostringstream err;
  const PreparedMelody pt(tritones, plan, err);
  const PreparedMelody ps(scale, plan, err);
  EngineContext context(err, nullptr);
  for (int shift = -12; shift <= 12; ++shift) {
    for (std::size_t type = 0; type < kTypeCount; ++type) {
      if (!plan.hasType(type)) continue;
      SCOPED_TRACE(testing::Message() << typeTable[type].name << " shift " << shift);
      EXPECT_EQ(computeSimilarity(ps, pt, shift, type, context).value,
                computeSimilarity(scale, transposed(tritones, shift), type, context).value);
      EXPECT_EQ(computeSimilarity(pt, pt, shift, type, context).value,
                computeSimilarity(tritones, transposed(tritones, shift), type, context).value);
    }
  }
}

// A type outside the plan is computed per pair, with the same value.
TEST(PreparedEngine, TypesOutsideThePlan) {
  std::ostringstream err;
  PreparationPlan plan;
  plan.addType(typeIndex("diffEd"));
  const core::Melody a = test::loadMelody("melodies/TipperaryHills.csv");
  const core::Melody b = test::loadMelody("melodies/DowntheGortRoadreel.csv");
  const PreparedMelody pa(a, plan, err);
  const PreparedMelody pb(b, plan, err);
  EngineContext context(err, nullptr);
  for (const char* name : {"rawEdw", "conSEd", "harmCorE", "diffEd"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(computeSimilarity(pa, pb, 3, typeIndex(name), context).value,
              computeSimilarity(a, transposed(b, 3), typeIndex(name), context).value);
  }
  EXPECT_EQ(findBestTransposition(pa, pb, context), findBestTransposition(a, b, context));
}

// A melody's own warnings (its expansion to tatums, "Invalid BarTimeline." of
// its tick intervals) come once, at preparation; the per-pair computation
// writes them for every comparison (rawEdw's expansion also in the search).
TEST(PreparedEngine, WarningsOfOneMelodyComeOnceAtPreparation) {
  core::Melody broken = test::melodyOf({60, 62, 64, 65});
  broken.timeline[2] = broken.timeline[1];  // does not move forward
  const struct {
    core::Melody melody;
    const char* type;
    std::string warning;
    int perRound;
  } cases[] = {
      {test::melodyOf({60, 62, 64, 65}, {1, 200, 1, 1}), "rawEdw",
       "WARNING: Suspicious duration found: 200\n", 2},
      {broken, "rhytFuz2", "Invalid BarTimeline.\n", 1},
  };
  const core::Melody other = test::melodyOf({60, 64, 62, 60});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.type);
    const CombiType measure{{{{typeIndex(c.type)}, c.type, 1.0}}, c.type, ""};
    const PreparationPlan plan = PreparationPlan::forMeasures({&measure, 1}, true, false);
    std::ostringstream preparation;
    const PreparedMelody pa(c.melody, plan, preparation);
    const PreparedMelody pb(other, plan, preparation);
    EXPECT_EQ(preparation.str(), c.warning);
    std::ostringstream fastErr;
    std::ostringstream referenceErr;
    EngineContext fast(fastErr, nullptr);
    EngineContext reference(referenceErr, nullptr);
    std::string expected;
    for (int round = 0; round < 2; ++round) {
      const int t = findBestTransposition(pa, pb, fast);
      EXPECT_EQ(t, findBestTransposition(c.melody, other, reference));
      EXPECT_EQ(PairComparison(pa, pb, t, fast).combi(measure).value,
                evaluateCombiType(c.melody, transposed(other, t), measure, reference).value);
      for (int k = 0; k < c.perRound; ++k) expected += c.warning;
    }
    EXPECT_EQ(fastErr.str(), "");
    EXPECT_EQ(referenceErr.str(), expected);
  }
}

}  // namespace
}  // namespace suite::similarity
