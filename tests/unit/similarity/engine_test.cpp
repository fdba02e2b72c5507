// The similarity engine: every catalogue type on two real pairs against
// independently computed values, the properties every type shares, combined
// types, phrase mode and the transposition search.
#include "similarity/engine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>

#include "similarity/gauss_rhythm.h"
#include "similarity/type_flags.h"
#include "similarity/type_table.h"
#include "support/gauss_table.h"
#include "support/melodies.h"

namespace suite::similarity {
namespace {

using test::gaussTable;

CombiType combi(const std::vector<std::pair<std::vector<const char*>, double>>& terms) {
  CombiType c;
  for (const auto& [factors, weight] : terms) {
    CombiTerm term;
    term.weight = weight;
    for (const char* f : factors) term.factors.push_back(typeIndex(f));
    c.terms.push_back(term);
  }
  return c;
}

// similarity/pairs.expected comes from tests/data/similarity/expected.py, which
// works the values out from the documented definitions without this code: per
// pair (the reel against a tune in 9/8 with half its bars, and two excerpts
// shorter than 80 tatums with 4 and 3 bars) the best transposition, phrase-mode
// rawEd, and value and offset of every type.
TEST(Engine, EveryTypeOnTwoRealPairs) {
  std::istringstream expected(test::readTextFile(test::dataPath("similarity/pairs.expected")));
  std::ostringstream err;
  EngineContext context(err, gaussTable());
  core::Melody a;
  core::Melody b;
  std::size_t types = 0;
  for (std::string line; std::getline(expected, line);) {
    std::istringstream fields(line);
    std::string name;
    double value = 0.0;
    double offset = 0.0;
    fields >> name;
    if (name.ends_with(".csv")) {
      std::string second;
      int shift = 0;
      fields >> second >> shift >> value;
      SCOPED_TRACE(line);
      a = test::loadMelody(name);
      b = test::loadMelody(second);
      EXPECT_EQ(findBestTransposition(a, b, context), shift);
      EXPECT_NEAR(phraseSimilarity(a, b, combi({{{"rawEd"}, 1.0}}), context), value, 1e-12);
      continue;
    }
    fields >> value >> offset;
    SCOPED_TRACE(name + " of " + a.name);
    const SimilarityResult r = computeSimilarity(a, b, typeIndex(name), context);
    EXPECT_NEAR(r.value, value, 1e-9);
    EXPECT_EQ(r.bestOffset, offset);
    ++types;
  }
  EXPECT_EQ(types, 2 * typeTable.size());
  EXPECT_EQ(err.str(), "");
}

TEST(Engine, PropertiesOfEveryType) {
  const core::Melody m = test::loadMelody("melodies/DowntheGortRoadreel.csv");
  const core::Melody other = test::loadMelody("melodies/ATripToGalway.csv");
  std::ostringstream err;
  EngineContext withTable(err, gaussTable());
  EngineContext direct(err, nullptr);
  for (std::size_t i = 0; i < typeTable.size(); ++i) {
    SCOPED_TRACE(typeTable[i].name);
    const SimilarityResult self = computeSimilarity(m, m, i, withTable);
    // The Gauss kernel is even only to about 1e-10.
    EXPECT_NEAR(self.value, 1.0, i == kGaussRhythmType ? 1e-9 : 1e-12);
    EXPECT_EQ(computeSimilarity(m, core::Melody{}, i, direct).value, -1.0);
    EXPECT_EQ(computeSimilarity(core::Melody{}, m, i, direct).value, -1.0);
    EXPECT_EQ(computeSimilarity(m, other, i, withTable).value,
              computeSimilarity(m, other, i, direct).value);
  }
}

TEST(Engine, CombinedTypesAreClippedAndMinusOneAborts) {
  const core::Melody up = test::melodyOf({60, 62, 64});
  const core::Melody down = test::melodyOf({64, 62, 60});
  std::ostringstream err;
  EngineContext context(err, nullptr);
  const auto value = [&](const core::Melody& x, const core::Melody& y, const CombiType& c) {
    return evaluateCombiType(x, y, c, context).value;
  };
  // 0.505 + 0.417 + 0.24 - 0.146 for values of 1 is clipped to 1; -0.146 to 0.
  EXPECT_EQ(value(up, up, combi({{{"rawEd"}, 0.505}, {{"rawPC"}, 0.417}, {{"conEd"}, 0.24},
                                 {{"const"}, -0.146}})),
            1.0);
  EXPECT_EQ(value(up, up, combi({{{"const"}, -0.146}})), 0.0);
  EXPECT_DOUBLE_EQ(value(up, up, combi({{{"rawEd", "const"}, 0.5}, {{"const"}, 0.25}})), 0.75);
  // A perfectly anti-correlated pair has rawPC -1, which reads as undefined.
  EXPECT_EQ(value(up, down, combi({{{"const"}, 0.5}, {{"rawPC"}, 0.5}})), -1.0);
  EXPECT_EQ(value(up, down, combi({})), 0.0);
}

TEST(Engine, TranspositionAndPhraseMode) {
  const core::Melody a = test::loadMelody("melodies/DowntheGortRoadreel.csv");
  core::Melody b = a;
  for (std::int8_t& p : b.pitches) p = static_cast<std::int8_t>(p + 3);
  std::ostringstream err;
  EngineContext context(err, nullptr);
  EXPECT_EQ(findBestTransposition(a, b, context), -3);
  EXPECT_EQ(findBestTransposition(a, core::Melody{}, context), 0);
  // Mean pitches 60 and 70 with shifts near -10 only; a contour of leaps
  // against steps scores above 0 nowhere.
  const core::Melody low = test::melodyOf({59, 60, 61, 60});
  EXPECT_EQ(findBestTransposition(low, test::melodyOf({69, 70, 71, 70}), context), -10);
  EXPECT_EQ(findBestTransposition(low, test::melodyOf({40, 80, 40, 80}), context), 0);
  const CombiType rawEd = combi({{{"rawEd"}, 1.0}});
  EXPECT_DOUBLE_EQ(phraseSimilarity(a, a, rawEd, context), 1.0);
  EXPECT_EQ(phraseSimilarity(a, core::Melody{}, rawEd, context), -1.0);
}

}  // namespace
}  // namespace suite::similarity
