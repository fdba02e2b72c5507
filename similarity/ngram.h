// Similarity of two sequences from the n-grams (runs of n consecutive values)
// they share: "sum common", "count distinct" and Ukkonen's measure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace suite::similarity {

/// One entry of the n-gram table: where the n-gram first occurs and how
/// often it occurs in each sequence.
struct NGramSlot {
  std::size_t start = 0;   ///< start in S, or |S| + start in L
  std::size_t countS = 0;  ///< occurrences in S
  std::size_t countL = 0;  ///< occurrences in L; both 0: slot unused
};

/// Reusable buffer of the n-gram counting. One per thread (or per caller); it
/// grows to the longest sequences seen and then no longer allocates.
struct NGramWorkspace {
  std::vector<NGramSlot> slots;
};

/// Counts over the distinct n-grams of two sequences S and L. Two n-grams are
/// equal when all n values are exactly equal (==).
struct NGramCounts {
  std::size_t totalS = 0;      ///< n-grams of S: |S| - n + 1
  std::size_t totalL = 0;      ///< n-grams of L: |L| - n + 1
  std::size_t distinctS = 0;   ///< distinct n-grams of S
  std::size_t distinctL = 0;   ///< distinct n-grams of L
  std::size_t common = 0;      ///< distinct n-grams of S that occur in L
  std::size_t sumCommon = 0;   ///< sum of c_S(g) + c_L(g) over those common n-grams
  std::size_t difference = 0;  ///< sum of |c_S(g) - c_L(g)| over all distinct n-grams
};

/// The counts of the n-grams of \a s and \a l (n >= 1, both at least n long;
/// otherwise all counts are 0).
NGramCounts countNGrams(std::span<const double> s, std::span<const double> l, std::size_t n,
                        NGramWorkspace& workspace);
NGramCounts countNGrams(std::span<const int> s, std::span<const int> l, std::size_t n,
                        NGramWorkspace& workspace);

/// N-gram similarity of \a s and \a l in [0, 1] (symmetric in s and l) after
/// the method bit of \a flags, tested in the order `SumCommon`,
/// `CountDistinct`, `Ukkonen`; 0 when none is set. When either sequence has
/// no more than n values the result is 1 for equal sequences and 0 otherwise.
/// An n below 1 counts as 1.
double nGramSimilarity(std::span<const double> s, std::span<const double> l, std::uint32_t flags,
                       int n, NGramWorkspace& workspace);
double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags, int n,
                       NGramWorkspace& workspace);

/// The same with a temporary workspace (allocates).
double nGramSimilarity(std::span<const double> s, std::span<const double> l, std::uint32_t flags,
                       int n);
double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags, int n);

}  // namespace suite::similarity
