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

/// N-gram complexity of \a values with n-gram lengths 1 .. \a maxLength
/// (0: as many as the sequence allows, stopping once all n-grams of a length
/// are distinct). A length with a single distinct n-gram ends the sum
/// without being counted. With \a weighted each length counts 1/length. The
/// Zipf term with a fixed \a maxLength scores that one length alone. Returns
/// the weighted mean of the terms, 0 when no length was counted.
double ngramComplexity(std::span<const double> values, std::uint32_t maxLength, NGramTerm term,
                       bool weighted);

}  // namespace suite::analysis
