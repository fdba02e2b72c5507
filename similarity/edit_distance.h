// Edit distance of two sequences with unit costs and exact equality, by
// Myers' bit-parallel algorithm over a pattern prepared once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace suite::similarity {

/// A sequence prepared as the pattern (the rows) of the bit-parallel edit
/// distance: its distinct values numbered as symbols, and for every symbol
/// where it occurs. A symbol that occurs at least once per 64-row block keeps
/// a full bit mask per block; a rarer one keeps its positions. So the memory
/// stays linear in the length (at most 64 full masks), also for sequences of
/// mostly distinct values, such as long contour curves.
///
/// Values match when they are exactly equal (==): -0.0 matches 0.0, NaN
/// matches nothing. A prepared pattern is read-only and may be shared by
/// threads.
class EditPattern {
 public:
  EditPattern() = default;
  explicit EditPattern(std::span<const double> values) { assign(values); }

  /// Prepares \a values, reusing this pattern's memory.
  void assign(std::span<const double> values);

  std::size_t size() const { return length_; }
  std::size_t blocks() const { return blocks_; }
  std::size_t symbolCount() const { return symbolCount_; }

  /// Symbol of a value equal to \a value, or -1 when the pattern has none.
  std::int32_t symbolOf(double value) const;

  /// The symbols of \a values (-1 where the pattern has no equal value),
  /// written to \a symbols (resized).
  void symbolsOf(std::span<const double> values, std::vector<std::int32_t>& symbols) const;

  /// The same for the integers \a values plus \a shift.
  void symbolsOf(std::span<const std::int16_t> values, int shift,
                 std::vector<std::int32_t>& symbols) const;

  /// For a pattern that keeps full masks for every value (allDense()): the
  /// row offset of each of the integers \a values plus \a shift (an equal
  /// value's masks, or the row of zeros), written to \a rows.
  void rowsOf(std::span<const std::int16_t> values, int shift, std::uint32_t* rows) const;
  /// The same for any values.
  void rowsOf(std::span<const double> values, std::uint32_t* rows) const;

  /// Match mask of \a symbol in \a block when the symbol keeps full masks,
  /// else nullptr (then positions() lists where it occurs).
  const std::uint64_t* denseMasks(std::int32_t symbol) const {
    const std::int32_t row = denseRow_[static_cast<std::size_t>(symbol)];
    return row < 0 ? nullptr : dense_.data() + static_cast<std::size_t>(row) * blocks_;
  }
  /// Whether every symbol keeps full masks.
  bool allDense() const { return allDense_; }
  /// Offset in rows() of the masks of \a symbol when it keeps full masks;
  /// -1 (a value the pattern lacks) gives a row of zeros.
  std::size_t rowOffset(std::int32_t symbol) const {
    return symbol < 0 ? zeroRow_
                      : static_cast<std::size_t>(denseRow_[static_cast<std::size_t>(symbol)]) *
                            blocks_;
  }
  /// The full masks of all rows, blocks() per row, then a row of zeros and
  /// some zero padding.
  const std::uint64_t* rows() const { return dense_.data(); }

  std::span<const std::uint32_t> positions(std::int32_t symbol) const {
    const auto s = static_cast<std::size_t>(symbol);
    return std::span<const std::uint32_t>(sparse_).subspan(sparseStart_[s],
                                                           sparseStart_[s + 1] - sparseStart_[s]);
  }

 private:
  std::int32_t lookup(double value) const;

  std::size_t length_ = 0;
  std::size_t blocks_ = 0;
  std::size_t symbolCount_ = 0;
  // Value dictionary: a direct table when every value is an integer of a
  // narrow range (pitches, intervals, classes, keys), else a hash table.
  bool direct_ = false;
  std::int64_t lowest_ = 0;
  std::vector<std::int32_t> directSymbols_;  // value - lowest_ -> symbol or -1
  std::vector<std::uint32_t> directRows_;    // value - lowest_ -> row offset (all dense)
  std::vector<std::uint64_t> slotKeys_;
  std::vector<std::int32_t> slotSymbols_;    // -1: empty slot
  int slotShift_ = 64;
  // Occurrences.
  std::vector<std::int32_t> denseRow_;       // per symbol: row of dense_, or -1
  std::vector<std::uint64_t> dense_;         // rows of blocks_ masks, a zero row, padding
  std::size_t zeroRow_ = 0;
  bool allDense_ = false;
  std::vector<std::uint32_t> sparseStart_;   // per symbol (+1): into sparse_
  std::vector<std::uint32_t> sparse_;        // positions of the rare symbols
  std::vector<std::uint32_t> symbolAt_;      // scratch of assign(): symbol per position
  std::vector<std::uint32_t> counts_;        // scratch of assign()
};

/// Reusable buffers of the edit distance (one per thread or caller); they grow
/// to the longest sequences seen and then no longer allocate.
struct EditDistanceWorkspace {
  EditPattern pattern;                  ///< the shorter sequence of the last call
  std::vector<std::int32_t> text;       ///< the longer one as pattern symbols
  std::vector<std::uint64_t> plusDeltas;   ///< per block: column steps of +1
  std::vector<std::uint64_t> minusDeltas;  ///< per block: column steps of -1
  std::vector<std::uint64_t> matches;      ///< masks of a rare symbol, per block
  std::vector<std::uint64_t> zeros;        ///< the masks of a value the pattern lacks
  std::vector<std::uint32_t> rows;         ///< the text as rows of the pattern's masks
  std::vector<std::uint32_t> paddedRows;   ///< the same with zero rows around
  bool diagonal = true;  ///< run several blocks at once in vector lanes (else one by one)
};

/// Levenshtein distance between the prepared \a pattern and a text given as
/// pattern symbols (-1: matches nothing): insertion and deletion cost 1,
/// substitution 0 for equal values and 1 otherwise.
std::size_t editDistance(const EditPattern& pattern, std::span<const std::int32_t> text,
                         EditDistanceWorkspace& workspace);

/// The distance between \a pattern (which keeps full masks for every value)
/// and a text given as the row offsets of its values (EditPattern::rowsOf).
std::size_t editDistanceOfRows(const EditPattern& pattern, std::span<const std::uint32_t> rows,
                               EditDistanceWorkspace& workspace);

/// The distances of \a count texts of equal length, given one after the
/// other as row offsets, against \a pattern, into \a distances. Texts
/// against a short pattern run side by side, faster than one by one.
void editDistancesOfRows(const EditPattern& pattern, std::span<const std::uint32_t> rows,
                         std::size_t count, std::span<std::size_t> distances,
                         EditDistanceWorkspace& workspace);

/// Levenshtein distance of two sequences: insertion and deletion cost 1,
/// substitution 0 when the two values are exactly equal (==) and 1
/// otherwise. 0 .. max(|x|, |y|); the other's length when one sequence is
/// empty. Time O(|x| |y| / 64), memory linear.
std::size_t editDistance(std::span<const double> x, std::span<const double> y,
                         EditDistanceWorkspace& workspace);

/// The same with a temporary workspace (allocates).
std::size_t editDistance(std::span<const double> x, std::span<const double> y);

/// 1 - editDistance / max(|x|, |y|), in [0, 1]. Two empty sequences are
/// equal and give 1.
double editDistanceSimilarity(std::span<const double> x, std::span<const double> y,
                              EditDistanceWorkspace& workspace);

/// 1 - d / longest as the similarity measures normalise an edit distance d
/// of sequences whose longer one has \a longest values; 1 when both are empty.
inline double normalisedEditSimilarity(std::size_t d, std::size_t longest) {
  return longest == 0 ? 1.0 : 1.0 - static_cast<double>(d) / static_cast<double>(longest);
}

}  // namespace suite::similarity
