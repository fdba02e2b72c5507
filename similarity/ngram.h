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

/// The distinct n-grams of one sequence with their counts, prepared once per
/// melody so that two sequences compare by merging their profiles. An
/// n-gram is packed exactly into one key when n <= 4 and its values are
/// integers within 16 bits (intervals, interval classes, duration classes);
/// otherwise the profile is not packed and the sequences are compared as
/// they are.
struct NGramProfile {
  std::size_t n = 0;                  ///< n-gram length; 0: not prepared
  bool packed = false;
  std::vector<std::uint64_t> keys;    ///< distinct n-grams, ascending
  std::vector<std::uint32_t> counts;  ///< occurrences of each
};

/// The profile of the n-grams of \a values (n >= 1).
NGramProfile nGramProfile(std::span<const double> values, std::size_t n);
NGramProfile nGramProfile(std::span<const int> values, std::size_t n);

/// nGramSimilarity of two sequences with their profiles (prepared for the
/// length max(n, 1)); the same value as from the sequences alone.
double nGramSimilarity(std::span<const double> s, const NGramProfile& profileS,
                       std::span<const double> l, const NGramProfile& profileL,
                       std::uint32_t flags, int n, NGramWorkspace& workspace);
double nGramSimilarity(std::span<const int> s, const NGramProfile& profileS,
                       std::span<const int> l, const NGramProfile& profileL, std::uint32_t flags,
                       int n, NGramWorkspace& workspace);

/// The same with a temporary workspace (allocates).
double nGramSimilarity(std::span<const double> s, std::span<const double> l, std::uint32_t flags,
                       int n);
double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags, int n);

}  // namespace suite::similarity
