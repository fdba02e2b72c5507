// The fast kernels against their plain computations on many random
// sequences: the edit distance through every path of a prepared pattern
// (symbols, rows, several texts at once, block by block and along the
// diagonal, rare values kept as positions), n-gram profiles, and the Fourier
// alignment by fast transforms (on real melodies in prepared_test.cpp).
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <random>
#include <sstream>

#include "similarity/edit_distance.h"
#include "similarity/fourier_alignment.h"
#include "similarity/ngram.h"
#include "similarity/type_flags.h"
#include "support/plain_edit_distance.h"
#include "support/random_melodies.h"

namespace suite::similarity {
namespace {

using Values = std::vector<double>;
using Integers = std::vector<std::int16_t>;

// Random sequences of lengths 0 .. 300 from few or many distinct values
// (more than 256: some values then keep positions instead of masks); with
// \a odd, now and then -0.0 (equal to 0.0) and NaN (equal to nothing).
struct Draw {
  std::mt19937 random{11};
  Values sequence(std::size_t maxLength, bool odd = false) {
    const std::size_t n = std::uniform_int_distribution<std::size_t>(0, maxLength)(random);
    const int distinct = std::uniform_int_distribution<int>(0, 3)(random) == 0 ? 600 : 1 + static_cast<int>(random() % 12);
    Values v = test::randomSequence(random, n, distinct);
    for (double& x : v) {
      if (odd && random() % 8 == 0) x = random() % 2 == 0 ? -0.0 : std::nan("");
    }
    return v;
  }
};

Integers asIntegers(const Values& v) { return Integers(v.begin(), v.end()); }

TEST(EditDistanceKernels, EveryPathMatchesThePlainProgramme) {
  Draw draw;
  EditDistanceWorkspace diagonal;
  EditDistanceWorkspace blockwise;
  blockwise.diagonal = false;
  std::vector<std::int32_t> symbols;
  std::vector<std::uint32_t> rows;
  for (int round = 0; round < 400; ++round) {
    const bool odd = round % 3 == 0;
    const Values x = draw.sequence(300, odd);
    const Values y = draw.sequence(300, odd);
    SCOPED_TRACE(testing::Message() << "round " << round << ", lengths " << x.size() << ", "
                                    << y.size());
    const EditPattern pattern(x);
    const std::size_t expected = test::plainEditDistance(x, y);
    pattern.symbolsOf(y, symbols);
    ASSERT_EQ(editDistance(pattern, symbols, diagonal), expected);
    ASSERT_EQ(editDistance(pattern, symbols, blockwise), expected);
    ASSERT_EQ(editDistance(y, x, diagonal), expected);
    if (odd || !pattern.allDense()) continue;
    // Integers raised by a shift, against the unshifted pattern.
    const int shift = static_cast<int>(draw.random() % 7) - 3;
    Values lowered(y);
    for (double& v : lowered) v -= shift;
    rows.resize(y.size());
    pattern.rowsOf(asIntegers(lowered), shift, rows.data());
    ASSERT_EQ(editDistanceOfRows(pattern, rows, diagonal), expected);
    ASSERT_EQ(editDistanceOfRows(pattern, rows, blockwise), expected);
  }
}

// Integral values too large for the direct dictionary's 64-bit offsets.
TEST(EditDistanceKernels, HugeIntegralValues) {
  const std::pair<Values, Values> cases[] = {
      {{1e300, 1e300, 1e300}, {1e300, 5.0}},
      {{3e9, 3e9 + 1, 3e9}, {3e9 + 1, 3e9, 3e9 + 2, 3e9}},
      {{-3e9, -3e9 - 1}, {-3e9 - 1}},
  };
  for (const auto& [x, y] : cases) {
    EXPECT_EQ(editDistance(x, y), test::plainEditDistance(x, y));
  }
}

// One to six equally long texts at once, against short and long patterns.
TEST(EditDistanceKernels, SeveralTextsAtOnce) {
  Draw draw;
  EditDistanceWorkspace workspace;
  for (int round = 0; round < 120; ++round) {
    const Values x = draw.sequence(round % 2 == 0 ? 60 : 300);
    const std::size_t count = 1 + static_cast<std::size_t>(round % 6);
    const std::size_t n = draw.random() % 200;
    const EditPattern pattern(x);
    if (!pattern.allDense()) continue;
    std::vector<std::uint32_t> rows(count * n);
    std::vector<Values> texts;
    for (std::size_t t = 0; t < count; ++t) {
      texts.push_back(test::randomSequence(draw.random, n, 1 + static_cast<int>(draw.random() % 8)));
      pattern.rowsOf(texts.back(), rows.data() + t * n);
    }
    std::vector<std::size_t> distances(count);
    editDistancesOfRows(pattern, rows, count, distances, workspace);
    for (std::size_t t = 0; t < count; ++t) {
      ASSERT_EQ(distances[t], test::plainEditDistance(x, texts[t])) << round << " text " << t;
    }
  }
}

// Memory linear in the length: a long curve of distinct values keeps
// positions, not a mask of every block per value (which needed gigabytes for
// a 700,000-note melody). More blocks than the diagonal kernel holds run
// block by block.
TEST(EditDistanceKernels, LongSequencesOfDistinctValues) {
  std::mt19937 random(2);
  Values x(5000);
  for (std::size_t i = 0; i < x.size(); ++i) x[i] = static_cast<double>(i) * 0.25;
  Values y = x;
  for (int k = 0; k < 300; ++k) y[random() % y.size()] = -1.0 - k;  // substitutions
  y.erase(y.begin() + 100, y.begin() + 180);                        // deletions
  const EditPattern pattern(x);
  EXPECT_FALSE(pattern.allDense());
  EXPECT_EQ(pattern.denseMasks(pattern.symbolOf(1.0)), nullptr);
  EditDistanceWorkspace workspace;
  EXPECT_EQ(editDistance(x, y, workspace), test::plainEditDistance(x, y));
  // Few values, many blocks, all masks full.
  Values z(4500);
  for (double& v : z) v = static_cast<double>(random() % 5);
  Values w(z.rbegin(), z.rend());
  EXPECT_EQ(editDistance(z, w, workspace), test::plainEditDistance(z, w));
}

TEST(NGramKernels, ProfilesMatchCountingBothSequences) {
  Draw draw;
  NGramWorkspace workspace;
  for (int round = 0; round < 300; ++round) {
    Values s = draw.sequence(120);
    Values l = draw.sequence(120);
    if (round % 7 == 0 && !s.empty()) s[0] = 0.5;  // not an integer: not packed
    const int n = 1 + round % 4;
    const NGramProfile ps = nGramProfile(s, std::size_t(n));
    const NGramProfile pl = nGramProfile(l, std::size_t(n));
    for (const std::uint32_t method : {SumCommon, CountDistinct, Ukkonen, Rough}) {
      const double expected = nGramSimilarity(s, l, method, n);
      const double got = nGramSimilarity(s, ps, l, pl, method, n, workspace);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(got), std::bit_cast<std::uint64_t>(expected))
          << round << " method " << method;
    }
  }
}

// The fast Fourier alignment decides with the plain transform among the
// windows near the best and the constant ones, so value and offset are the
// plain ones exactly, ties and noise-only windows included.
TEST(FourierKernels, FastAlignmentEqualsPlainAlignment) {
  std::mt19937 random(8);
  FourierWorkspace fast;
  FourierWorkspace plain;
  std::size_t shortWindows = 0;
  for (int round = 0; round < 250; ++round) {
    const std::size_t b = 1 + random() % 120;
    const std::size_t c = b + random() % 180;
    const int distinct = 1 + static_cast<int>(random() % (round % 3 == 0 ? 3 : 20));
    Values s = test::randomSequence(random, b, distinct);
    Values l = test::randomSequence(random, c, distinct);
    if (round % 4 == 0) {
      // Long notes: runs of one value, so constant windows and identical ones.
      for (std::size_t i = 1; i < l.size(); ++i) {
        if (random() % 6 != 0) l[i] = l[i - 1];
      }
      for (std::size_t i = s.size() / 2; i < s.size(); ++i) s[i] = s[s.size() / 2];
    }
    if (b < 16) ++shortWindows;
    const std::size_t skip = random() % 9;
    for (const std::uint32_t flags : {Fourier | Natural, Fourier | Natural | Stretched,
                                      Fourier | Natural | Intervals}) {
      const SimilarityResult want = plainFourierAlignment(s, l, skip, flags, plain);
      const SimilarityResult got = fourierAlignment(s, l, skip, flags, fast);
      ASSERT_EQ(std::bit_cast<std::uint64_t>(got.value), std::bit_cast<std::uint64_t>(want.value))
          << "round " << round << " flags " << flags;
      ASSERT_EQ(got.bestOffset, want.bestOffset) << "round " << round << " flags " << flags;
    }
  }
  EXPECT_GT(shortWindows, 0u);
}

}  // namespace
}  // namespace suite::similarity
