// The similarity engine: every catalogue type on real melodies, alignment
// order, combined types, phrase mode and the transposition search.
#include <gtest/gtest.h>

#include <sstream>
#include <utility>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/alignment.h"
#include "similarity/engine.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/type_flags.h"
#include "similarity/type_table.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

// Where the melodies of these tests send their messages.
std::ostringstream& sink() {
  static std::ostringstream stream;
  return stream;
}

core::Melody load(const char* file) {
  core::MelodyReader reader(sink());
  core::Melody m;
  m.messageStream = &sink();
  m.errorStream = &sink();
  EXPECT_TRUE(
      core::readMelodyFile(reader, test::dataPath(std::string("melodies/") + file).string(), m));
  return m;
}

// A melody from a table text with one row per (bar, beat, pitch), a beat each.
core::Melody fromRows(const std::vector<std::pair<int, int>>& beatsAndPitches) {
  std::string text = "Signature: 4/4, Ticks per Beat: 480\nx\n";
  int index = 0;
  for (const auto& [beat, pitch] : beatsAndPitches) {
    const int bar = 1 + (beat - 1) / 4;
    const int inBar = (beat - 1) % 4 + 1;
    text += std::to_string(index++) + ";0;" + std::to_string(bar) + ";" + std::to_string(inBar) +
            ";0;" + std::to_string(pitch) + ";0;480;4;\n";
  }
  core::MelodyReader reader(sink());
  core::Melody m;
  m.messageStream = &sink();
  m.errorStream = &sink();
  std::istringstream in(text);
  EXPECT_TRUE(core::readMelodyTable(reader, in, "rows.csv", m));
  return m;
}

core::Melody fromPitches(std::initializer_list<int> pitches) {
  std::vector<std::pair<int, int>> rows;
  int beat = 1;
  for (const int p : pitches) rows.emplace_back(beat++, p);
  return fromRows(rows);
}

// The Gauss table is large; one per test executable.
const GaussTable& gaussTable() {
  static const GaussTable table = [] {
    GaussTable t;
    std::ostringstream err;
    buildGaussTable(t, err);
    return t;
  }();
  return table;
}

class EveryType : public ::testing::TestWithParam<std::size_t> {};

TEST_P(EveryType, IdenticalMelodiesGiveOne) {
  const core::Melody m = load("DowntheGortRoadreel.csv");
  std::ostringstream err;
  EngineContext context(err, &gaussTable());
  const SimilarityType& type = typeTable[GetParam()];
  const SimilarityResult r = computeSimilarity(m, m, GetParam(), context);
  // The Gauss kernel is even only to about 1e-10, so its self-similarity is 1
  // to within 1e-9; everything else is exact up to rounding.
  EXPECT_NEAR(r.value, 1.0, hasFlag(type.flags, Rhythm) && !hasFlag(type.flags, Fuzzy) ? 1e-9 : 1e-12)
      << type.name;
  if (hasFlag(type.flags, EditDistance) || hasFlag(type.flags, PearsonBravais) ||
      hasFlag(type.flags, CrossCorrelation)) {
    EXPECT_EQ(r.bestOffset, 0.0) << type.name;
  }
}

TEST_P(EveryType, EmptyMelodyIsUndefined) {
  const core::Melody m = load("TipperaryHills.csv");
  const core::Melody empty;
  std::ostringstream err;
  EngineContext context(err, nullptr);
  EXPECT_EQ(computeSimilarity(m, empty, GetParam(), context).value, -1.0);
  EXPECT_EQ(computeSimilarity(empty, m, GetParam(), context).value, -1.0);
}

TEST_P(EveryType, RealPairStaysInRangeAndIgnoresTheTable) {
  const core::Melody a = load("DowntheGortRoadreel.csv");
  const core::Melody b = load("ATripToGalway.csv");
  std::ostringstream err;
  EngineContext withTable(err, &gaussTable());
  EngineContext direct(err, nullptr);
  const SimilarityType& type = typeTable[GetParam()];
  const SimilarityResult r = computeSimilarity(a, b, GetParam(), withTable);
  const bool signedCorrelation =
      (hasFlag(type.flags, PearsonBravais) || hasFlag(type.flags, CrossCorrelation) ||
       type.flags == Weighted) &&
      !hasFlag(type.flags, Stretched) && !hasFlag(type.flags, Harmonic) &&
      !hasFlag(type.flags, Accents);
  EXPECT_LE(r.value, 1.0) << type.name;
  EXPECT_GE(r.value, signedCorrelation ? -1.0 : 0.0) << type.name;
  const SimilarityResult s = computeSimilarity(a, b, GetParam(), direct);
  EXPECT_EQ(r.value, s.value) << type.name;
  EXPECT_EQ(r.bestOffset, s.bestOffset) << type.name;
}

std::vector<std::size_t> allTypes() {
  std::vector<std::size_t> v(typeTable.size());
  for (std::size_t i = 0; i < v.size(); ++i) v[i] = i;
  return v;
}

std::string typeName(const ::testing::TestParamInfo<std::size_t>& param) {
  std::string name(typeTable[param.param].name);
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

INSTANTIATE_TEST_SUITE_P(Catalogue, EveryType, ::testing::ValuesIn(allTypes()), typeName);

TEST(Alignment, WindowOrderWithSkip) {
  const std::vector<double> s = {10, 11, 12, 13, 14};
  const std::vector<double> l = {0, 1, 2, 3, 4, 5, 6};
  std::vector<std::pair<std::vector<double>, std::vector<double>>> seen;
  const SimilarityResult r =
      bestAlignment(s, l, 2, [&](std::span<const double> x, std::span<const double> y) {
        seen.emplace_back(std::vector<double>(x.begin(), x.end()),
                          std::vector<double>(y.begin(), y.end()));
        return 0.5;  // all tie: the first window wins
      });
  const std::vector<std::pair<std::vector<double>, std::vector<double>>> expected = {
      {{11, 12, 13, 14}, {0, 1, 2, 3}},
      {{12, 13, 14}, {0, 1, 2}},
      {s, {0, 1, 2, 3, 4}},
      {s, {1, 2, 3, 4, 5}},
      {s, {2, 3, 4, 5, 6}},
  };
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(r.value, 0.5);
  EXPECT_EQ(r.bestOffset, -1.0);

  std::vector<double> scores = {0.1, 0.2, 0.7, 0.7, 0.3};
  std::size_t call = 0;
  const SimilarityResult best =
      bestAlignment(s, l, 2, [&](std::span<const double>, std::span<const double>) {
        return scores[call++];
      });
  EXPECT_EQ(best.value, 0.7);
  EXPECT_EQ(best.bestOffset, 0.0);  // the tie with offset 1 keeps offset 0

  std::size_t calls = 0;
  bestAlignment(std::span<const double>(s).first(1), l, 3,
                [&](std::span<const double> x, std::span<const double>) {
                  EXPECT_FALSE(x.empty());
                  ++calls;
                  return 0.0;
                });
  EXPECT_EQ(calls, l.size());  // no window drops the only value
}

CombiType combi(std::vector<std::pair<std::vector<const char*>, double>> terms) {
  CombiType c;
  c.name = "c";
  for (const auto& [factors, weight] : terms) {
    CombiTerm term;
    term.weight = weight;
    for (const char* f : factors) term.factors.push_back(static_cast<std::size_t>(findSimilarityType(f)));
    c.terms.push_back(term);
  }
  return c;
}

TEST(CombiType, WeightedSumIsClippedAndMinusOneAborts) {
  const core::Melody up = fromPitches({60, 62, 64});
  const core::Melody down = fromPitches({64, 62, 60});
  std::ostringstream err;
  EngineContext context(err, nullptr);
  // Values of 1 for the three types of opt3: 0.505 + 0.417 + 0.24 - 0.146 > 1.
  EXPECT_EQ(evaluateCombiType(up, up, combi({{{"rawEd"}, 0.505}, {{"rawPC"}, 0.417},
                                              {{"conEd"}, 0.24}, {{"const"}, -0.146}}),
                              context)
                .value,
            1.0);
  EXPECT_EQ(evaluateCombiType(up, up, combi({{{"const"}, -0.146}}), context).value, 0.0);
  EXPECT_DOUBLE_EQ(evaluateCombiType(up, up, combi({{{"rawEd", "const"}, 0.5}, {{"const"}, 0.25}}),
                                     context)
                       .value,
                   0.75);
  // A perfectly anti-correlated pair has rawPC -1, which reads as undefined.
  EXPECT_EQ(computeSimilarity(up, down, static_cast<std::size_t>(findSimilarityType("rawPC")),
                              context)
                .value,
            -1.0);
  EXPECT_EQ(evaluateCombiType(up, down, combi({{{"const"}, 0.5}, {{"rawPC"}, 0.5}}), context).value,
            -1.0);
  EXPECT_EQ(evaluateCombiType(up, down, combi({}), context).value, 0.0);
}

TEST(Transposition, FindsAndUndoesAShift) {
  const core::Melody a = load("DowntheGortRoadreel.csv");
  core::Melody b = a;
  for (std::int8_t& p : b.pitches) p = static_cast<std::int8_t>(p + 3);
  std::ostringstream err;
  EngineContext context(err, nullptr);
  const std::int8_t t = findBestTransposition(a, b, context);
  EXPECT_EQ(t, -3);
  for (std::int8_t& p : b.pitches) p = static_cast<std::int8_t>(p + t);
  for (const char* name : {"rawEd", "rawEdw", "diffEd"}) {
    EXPECT_EQ(computeSimilarity(a, b, static_cast<std::size_t>(findSimilarityType(name)), context)
                  .value,
              1.0)
        << name;
  }
  EXPECT_EQ(findBestTransposition(a, a, context), 0);
  EXPECT_EQ(findBestTransposition(a, core::Melody{}, context), 0);
}

TEST(Transposition, OnlyShiftsNearTheMeanAreTried) {
  // Mean pitches 60 and 70: only shifts within 2.5 semitones of -10 count,
  // and the candidates (-10 from every statistic) lie there.
  const core::Melody a = fromPitches({59, 60, 61, 60});
  const core::Melody b = fromPitches({69, 70, 71, 70});
  std::ostringstream err;
  EngineContext context(err, nullptr);
  EXPECT_EQ(findBestTransposition(a, b, context), -10);
  // A contour of steps against an unrelated one: no shift scores above 0.
  const core::Melody c = fromPitches({40, 80, 40, 80});
  EXPECT_EQ(findBestTransposition(a, c, context), 0);
}

TEST(PhraseMode, MelodyAgainstItselfAndAgainstNothing) {
  const core::Melody m = load("DowntheGortRoadreel.csv");
  std::ostringstream err;
  EngineContext context(err, nullptr);
  const CombiType rawEd = combi({{{"rawEd"}, 1.0}});
  EXPECT_DOUBLE_EQ(phraseSimilarity(m, m, rawEd, context), 1.0);
  EXPECT_EQ(phraseSimilarity(m, core::Melody{}, rawEd, context), -1.0);
  const core::Melody other = load("ATripToGalway.csv");
  const double v = phraseSimilarity(m, other, rawEd, context);
  EXPECT_GE(v, 0.0);
  EXPECT_LT(v, 1.0);
}

}  // namespace
}  // namespace suite::similarity
