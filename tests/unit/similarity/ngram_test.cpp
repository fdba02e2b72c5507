// N-gram measures: sum common, count distinct and Ukkonen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "similarity/ngram.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

constexpr std::uint32_t kSum = Intervals | NGrams | SumCommon;
constexpr std::uint32_t kDistinct = Intervals | NGrams | CountDistinct;
constexpr std::uint32_t kUkkonen = Intervals | NGrams | Ukkonen;

// A direct transcription of the definitions: distinct n-grams in order of
// first occurrence with their counts, found by linear search with ==.
template <class T>
struct Gram {
  std::vector<T> values;
  std::size_t count;
};

template <class T>
std::vector<Gram<T>> distinctGrams(const std::vector<T>& v, std::size_t n) {
  std::vector<Gram<T>> grams;
  for (std::size_t i = 0; i + n <= v.size(); ++i) {
    const std::vector<T> g(v.begin() + std::ptrdiff_t(i), v.begin() + std::ptrdiff_t(i + n));
    auto it = std::find_if(grams.begin(), grams.end(), [&](const Gram<T>& h) {
      return std::equal(g.begin(), g.end(), h.values.begin());
    });
    if (it == grams.end()) {
      grams.push_back({g, 1});
    } else {
      ++it->count;
    }
  }
  return grams;
}

template <class T>
std::size_t countIn(const std::vector<Gram<T>>& grams, const std::vector<T>& g) {
  for (const auto& h : grams) {
    if (std::equal(g.begin(), g.end(), h.values.begin())) return h.count;
  }
  return 0;
}

template <class T>
double reference(const std::vector<T>& s, const std::vector<T>& l, std::uint32_t flags, int n) {
  if (!(flags & (SumCommon | CountDistinct | Ukkonen))) return 0;
  const std::size_t len = std::size_t(std::max(n, 1));
  if (s.size() <= len || l.size() <= len) return s == l ? 1 : 0;
  const auto gs = distinctGrams(s, len);
  const auto gl = distinctGrams(l, len);
  double sum = 0, common = 0, d = 0;
  for (const auto& g : gs) {
    const std::size_t cl = countIn(gl, g.values);
    if (cl > 0) {
      sum += double(g.count + cl);
      common += 1;
    }
    d += std::abs(double(g.count) - double(cl));
  }
  for (const auto& g : gl) {
    if (countIn(gs, g.values) == 0) d += double(g.count);
  }
  const double total = double(s.size() + l.size()) - 2.0 * double(len) + 2;
  if (flags & SumCommon) return sum / total;
  if (flags & CountDistinct) return common / double(std::max(gs.size(), gl.size()));
  return 1 - d / total;
}

TEST(NGram, Cases) {
  const struct {
    const char* name;
    std::vector<double> s, l;
    int n;
    double sum, distinct, ukkonen;
  } cases[] = {
      // The second sequence is not longer than n: plain equality decides.
      {"short and different", {2, 2, -4}, {2, 2, -4, 2, 2}, 3, 0, 0, 0},
      {"short and equal", {1, 1}, {1, 1}, 2, 1, 1, 1},
      {"both empty", {}, {}, 2, 1, 1, 1},
      {"itself", {2, 2, -4, 2, 2}, {2, 2, -4, 2, 2}, 3, 1, 1, 1},
      // (1 1) three times against (1 1) twice and (1 2) once.
      {"repeated bigram", {1, 1, 1, 1}, {1, 1, 1, 2}, 2, 5.0 / 6, 0.5, 1 - 2.0 / 6},
      {"nothing in common", {1, 2, 3}, {4, 5, 6, 7}, 2, 0, 0, 1 - 5.0 / 5},
      // Bigrams (1 2) (2 3) (3 1) against (2 3) (3 1) (1 5) (5 2).
      {"partial overlap", {1, 2, 3, 1}, {2, 3, 1, 5, 2}, 2, 4.0 / 7, 2.0 / 4, 1 - 3.0 / 7},
      {"n below 1 counts as 1", {1, 2, 2}, {2, 1}, 0, 1, 1, 1 - 1.0 / 5},
      {"exact equality of fractions", {0.1 + 0.2, 1}, {0.3, 1}, 1, 0.5, 0.5, 0.5},
      {"signed zeros are equal", {-0.0, 1, 0.0}, {0.0, 1, -0.0}, 2, 1, 1, 1},
  };
  NGramWorkspace workspace;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const double expected[] = {c.sum, c.distinct, c.ukkonen};
    const std::uint32_t methods[] = {kSum, kDistinct, kUkkonen};
    for (int m = 0; m < 3; ++m) {
      SCOPED_TRACE(m);
      EXPECT_NEAR(nGramSimilarity(c.s, c.l, methods[m], c.n, workspace), expected[m], 1e-15);
      EXPECT_NEAR(nGramSimilarity(c.l, c.s, methods[m], c.n), expected[m], 1e-15);
      EXPECT_NEAR(reference(c.s, c.l, methods[m], c.n), expected[m], 1e-15);
    }
  }
}

TEST(NGram, MethodBitsInOrderAndNoneGivesZero) {
  const std::vector<double> s{1, 1, 1, 1};
  const std::vector<double> l{1, 1, 1, 2};
  EXPECT_DOUBLE_EQ(nGramSimilarity(s, l, kSum | kDistinct | kUkkonen, 2), 5.0 / 6);
  EXPECT_DOUBLE_EQ(nGramSimilarity(s, l, kDistinct | kUkkonen, 2), 0.5);
  EXPECT_EQ(nGramSimilarity(s, l, Intervals | NGrams, 2), 0.0);
  EXPECT_EQ(nGramSimilarity(s, s, Intervals | NGrams, 2), 0.0);
}

TEST(NGram, RoughIntervalsOfTwoTriads) {
  core::Melody cde, ceg;
  cde.pitches = {60, 62, 64};
  ceg.pitches = {60, 64, 67};
  for (const std::uint32_t method : {kSum, kDistinct, kUkkonen}) {
    SCOPED_TRACE(method);
    const std::vector<double> a = intervalSequence(cde, method | Rough);
    const std::vector<double> b = intervalSequence(ceg, method | Rough);
    EXPECT_EQ(nGramSimilarity(a, b, method | Rough, 2), 1.0);
    // Without Rough the intervals (2 2) and (4 3) differ.
    EXPECT_EQ(nGramSimilarity(intervalSequence(cde, method), intervalSequence(ceg, method),
                              method, 2),
              0.0);
  }
}

TEST(NGram, CountsOfDistinctGrams) {
  NGramWorkspace workspace;
  const std::vector<int> s{1, 1, 1, 1};
  const std::vector<int> l{1, 1, 1, 2};
  const NGramCounts c = countNGrams(s, l, 2, workspace);
  EXPECT_EQ(c.totalS, 3u);
  EXPECT_EQ(c.totalL, 3u);
  EXPECT_EQ(c.distinctS, 1u);
  EXPECT_EQ(c.distinctL, 2u);
  EXPECT_EQ(c.common, 1u);
  EXPECT_EQ(c.sumCommon, 5u);
  EXPECT_EQ(c.difference, 2u);
}

// Each occurrence of an n-gram holding a NaN is distinct and matches nothing.
TEST(NGram, NaNNeverEqual) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const std::vector<double> s{1, nan, 1, nan, 1, 2};
  const std::vector<double> l{1, nan, 1, 2, 1};
  for (const std::uint32_t method : {kSum, kDistinct, kUkkonen}) {
    SCOPED_TRACE(method);
    EXPECT_DOUBLE_EQ(nGramSimilarity(s, l, method, 2), reference(s, l, method, 2));
  }
  EXPECT_EQ(nGramSimilarity(std::vector<double>{nan}, std::vector<double>{nan}, kSum, 2), 0.0);
}

// Random sequences over small alphabets (so that n-grams repeat), for both
// value types, against the transcription above; one workspace is carried
// through calls of varying sizes.
template <class T>
void checkAgainstReference(unsigned seed, bool fractional) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(-2, 2);
  std::uniform_int_distribution<int> length(0, 70);
  std::uniform_int_distribution<int> gramLength(1, 4);
  NGramWorkspace reused;
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE(round);
    std::vector<T> s(std::size_t(length(random) / (round % 3 + 1)));
    std::vector<T> l(std::size_t(length(random)));
    // With fractions, -2 stands for -0.0 (equal to 0.0) and 2 for NaN.
    auto draw = [&] {
      const int v = value(random);
      if (!fractional) return T(v);
      if (v == -2) return T(-0.0);
      if (v == 2 && round % 2) return std::numeric_limits<T>::quiet_NaN();
      return T(v * 0.5);
    };
    for (T& v : s) v = draw();
    for (T& v : l) v = draw();
    const int n = gramLength(random);
    for (const std::uint32_t method : {kSum, kDistinct, kUkkonen}) {
      const double expected = reference(s, l, method, n);
      const double got = nGramSimilarity(std::span<const T>(s), std::span<const T>(l), method, n,
                                         reused);
      EXPECT_NEAR(got, expected, 1e-12) << "method " << method << " n " << n;
      EXPECT_EQ(got, nGramSimilarity(std::span<const T>(l), std::span<const T>(s), method, n));
      EXPECT_GE(got, 0.0);
      EXPECT_LE(got, 1.0);
      if (std::none_of(s.begin(), s.end(), [](T v) { return v != v; })) {
        EXPECT_EQ(
            nGramSimilarity(std::span<const T>(s), std::span<const T>(s), method, n, reused), 1.0);
      }
    }
  }
}

TEST(NGram, DoublesMatchReference) { checkAgainstReference<double>(5, true); }
TEST(NGram, IntegersMatchReference) { checkAgainstReference<int>(6, false); }

}  // namespace
}  // namespace suite::similarity
