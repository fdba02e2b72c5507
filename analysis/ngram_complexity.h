// N-gram complexity of a note sequence: the share of distinct n-grams, their
// entropy, or their Zipf complexity, over one or several n-gram lengths.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace suite::analysis {

/// How each n-gram length is scored.
enum class NGramTerm {
  DistinctShare,  ///< (distinct n-grams - 1) / (c - length)
  Entropy,        ///< normalized entropy of the n-gram counts
  Zipf,           ///< Zipf complexity of the n-gram counts
};

/// The counts of the distinct n-grams of every length of one sequence,
/// length by length. Values are compared exactly.
class NGramCounter {
 public:
  explicit NGramCounter(std::span<const double> values);

  /// Length of the n-grams counted last (0 before the first advance()).
  std::size_t length() const { return length_; }

  /// Counts the n-grams one value longer than before; false when there are
  /// none of that length.
  bool advance();

  /// How often each distinct n-gram of the current length occurs, in order
  /// of first occurrence.
  std::span<const std::size_t> counts() const { return counts_; }

 private:
  std::vector<std::uint32_t> unigram_;  // dense id of every value
  std::vector<std::uint32_t> ids_;      // dense id of the n-gram starting at each index
  std::vector<std::size_t> counts_;
  // Open-addressing table from (n-gram id, value id) to the longer n-gram's
  // id, reused from length to length so that counting allocates nothing.
  std::vector<std::uint64_t> slotKeys_;
  std::vector<std::uint32_t> slotIds_;
  std::size_t length_ = 0;
};

/// Zipf complexity of n-gram counts: 2^slope of the regression line of
/// ln(count) over ln(rank) with the counts sorted in descending order, in
/// (0, 1] for real counts; 0 for fewer than 2 counts.
double zipfComplexity(std::span<const std::size_t> counts);

/// The distinct n-grams of every length of one sequence with their counts,
/// from its suffix array: the groups of suffixes that share their first i
/// values are the distinct i-grams, and as i grows each group only splits.
/// So all lengths together cost O(c log c) for the numbers of distinct
/// n-grams, and the counts of a length cost O(their number), also where
/// NGramCounter would count O(c) n-grams for each of O(c) lengths (periodic
/// sequences never become all distinct). Values are compared exactly; the
/// values must not be NaN.
class NGramProfile {
 public:
  explicit NGramProfile(std::span<const double> values);

  std::size_t size() const { return length_; }

  /// The same value as ngramComplexity(values, maxLength, term, weighted).
  double complexity(std::uint32_t maxLength, NGramTerm term, bool weighted);

 private:
  // One group of equal n-grams for the lengths first .. last.
  struct Group {
    std::uint32_t first;
    std::uint32_t last;
    std::uint32_t position;  // first occurrence
    std::uint32_t count;
  };
  // The term of length i (1-based), computed on first use.
  double term(std::size_t i, NGramTerm kind);
  void sweep(std::size_t upTo);  // entropy and Zipf terms of lengths 1 .. upTo

  std::size_t length_ = 0;
  std::vector<Group> groups_;
  std::vector<std::uint32_t> distinct_;   // index i: distinct i-grams (i >= 1)
  std::vector<double> entropy_;           // index i; NaN until computed
  std::vector<double> zipf_;
  std::vector<double> rankLog_;           // ln(r)
  std::vector<double> rankLogs_;          // sum of ln(r) and of ln(r)^2 for r <= K
  std::vector<double> rankLogSquares_;
};

/// N-gram complexity of \a values with n-gram lengths 1 .. \a maxLength
/// (0: as many as the sequence allows, stopping once all n-grams of a length
/// are distinct). A length with a single distinct n-gram ends the sum
/// without being counted. With \a weighted each length counts 1/length. The
/// Zipf term with a fixed \a maxLength scores that one length alone. Returns
/// the weighted mean of the terms, 0 when no length was counted.
double ngramComplexity(std::span<const double> values, std::uint32_t maxLength, NGramTerm term,
                       bool weighted);

}  // namespace suite::analysis
