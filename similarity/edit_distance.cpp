#include "similarity/edit_distance.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <limits>

namespace suite::similarity {
namespace {

// The dynamic programme D[i][j] is computed a column at a time in 64-row
// blocks, holding only the signs of the vertical steps D[i][j] - D[i-1][j]
// as bit vectors (Myers' bit-parallel algorithm, block-wise). The pattern
// runs down the rows, the text along the columns.
constexpr std::size_t kBlockBits = 64;

// Patterns with at most this many distinct values keep full masks for all.
constexpr std::size_t kAllDenseSymbols = 256;

// Zero words after the last row, for vector loads past the last block.
constexpr std::size_t kRowPadding = 8;

// A dictionary of integers narrower than this is a direct table.
constexpr std::int64_t kDirectRange = 4096;
// Integers beyond this size take the hashed dictionary, so that the direct
// one's offsets stay exact 64-bit integers.
constexpr double kDirectMagnitude = 2147483648.0;

// Values that compare equal share a key: -0.0 is folded onto 0.0.
std::uint64_t keyOf(double v) { return std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v); }

std::size_t slotOf(std::uint64_t key, int shift) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
}

bool isIntegral(double v) { return std::isfinite(v) && v == std::floor(v); }

// One block step of one column. hinPos / hinNeg (0 or 1) say whether the
// horizontal step D[top-1][j] - D[top-1][j-1] entering from above is +1 or
// -1; the step leaving at row \a lastRow of the block is returned likewise.
struct BlockStep {
  std::uint64_t houtPos;
  std::uint64_t houtNeg;
};

inline BlockStep advanceBlock(std::uint64_t& plus, std::uint64_t& minus, std::uint64_t match,
                              std::uint64_t hinPos, std::uint64_t hinNeg, unsigned lastRow) {
  const std::uint64_t xv = match | minus;
  match |= hinNeg;
  const std::uint64_t xh = (((match & plus) + plus) ^ plus) | match;
  std::uint64_t ph = minus | ~(xh | plus);
  std::uint64_t mh = plus & xh;
  const BlockStep out{(ph >> lastRow) & 1u, (mh >> lastRow) & 1u};
  ph = (ph << 1) | hinPos;
  mh = (mh << 1) | hinNeg;
  plus = mh | ~(xv | ph);
  minus = ph & xv;
  return out;
}

// The masks of the text's columns given as row offsets of the pattern's
// full masks.
struct RowColumns {
  const std::uint64_t* rows;
  const std::uint32_t* offsets;
  const std::uint64_t* begin(std::size_t j) const { return rows + offsets[j]; }
  void end(std::size_t) const {}
};

// The masks given by symbols: full masks, or the positions of a rare symbol
// set into a scratch mask for its column only.
struct SymbolColumns {
  const EditPattern& pattern;
  const std::int32_t* symbols;
  std::uint64_t* rare;
  const std::uint64_t* zeros;
  const std::uint64_t* begin(std::size_t j) const {
    const std::int32_t symbol = symbols[j];
    if (symbol < 0) return zeros;
    if (const std::uint64_t* dense = pattern.denseMasks(symbol)) return dense;
    for (const std::uint32_t p : pattern.positions(symbol)) {
      rare[p / kBlockBits] |= std::uint64_t{1} << (p % kBlockBits);
    }
    return rare;
  }
  void end(std::size_t j) const {
    const std::int32_t symbol = symbols[j];
    if (symbol < 0 || pattern.denseMasks(symbol) != nullptr) return;
    for (const std::uint32_t p : pattern.positions(symbol)) rare[p / kBlockBits] = 0;
  }
};

// The score D[m][n] from the vertical steps of the last column:
// n + (D[m][n] - D[0][n]); rows below m in the last block belong to no row
// of the pattern.
template <class Get>
std::size_t lastColumnScore(std::size_t m, std::size_t n, std::size_t blocks, Get plusMinus) {
  const unsigned lastRow = static_cast<unsigned>((m - 1) % kBlockBits);
  const std::uint64_t valid =
      lastRow == 63 ? ~std::uint64_t{0} : (std::uint64_t{1} << (lastRow + 1)) - 1;
  std::int64_t column = 0;
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::uint64_t mask = b + 1 < blocks ? ~std::uint64_t{0} : valid;
    const auto [plus, minus] = plusMinus(b);
    column += std::popcount(plus & mask) - std::popcount(minus & mask);
  }
  return static_cast<std::size_t>(static_cast<std::int64_t>(n) + column);
}

// Myers' algorithm block by block over \a Blocks blocks (0: any number).
template <std::size_t Blocks, class Columns>
std::size_t myers(const EditPattern& pattern, std::size_t n, const Columns& columns,
                  EditDistanceWorkspace& workspace) {
  const std::size_t m = pattern.size();
  const std::size_t blocks = Blocks != 0 ? Blocks : pattern.blocks();
  std::array<std::uint64_t, Blocks != 0 ? Blocks : 1> plusFixed;
  std::array<std::uint64_t, Blocks != 0 ? Blocks : 1> minusFixed;
  std::uint64_t* plus = plusFixed.data();
  std::uint64_t* minus = minusFixed.data();
  if constexpr (Blocks == 0) {
    workspace.plusDeltas.resize(blocks);
    workspace.minusDeltas.resize(blocks);
    plus = workspace.plusDeltas.data();
    minus = workspace.minusDeltas.data();
  }
  std::fill(plus, plus + blocks, ~std::uint64_t{0});  // D[i][0] = i
  std::fill(minus, minus + blocks, std::uint64_t{0});
  const unsigned lastRow = static_cast<unsigned>((m - 1) % kBlockBits);

  for (std::size_t j = 0; j < n; ++j) {
    const std::uint64_t* match = columns.begin(j);
    std::uint64_t hinPos = 1;  // D[0][j] - D[0][j-1] = 1
    std::uint64_t hinNeg = 0;
    for (std::size_t b = 0; b + 1 < blocks; ++b) {
      const BlockStep step = advanceBlock(plus[b], minus[b], match[b], hinPos, hinNeg, 63);
      hinPos = step.houtPos;
      hinNeg = step.houtNeg;
    }
    advanceBlock(plus[blocks - 1], minus[blocks - 1], match[blocks - 1], hinPos, hinNeg, lastRow);
    columns.end(j);
  }
  return lastColumnScore(m, n, blocks, [&](std::size_t b) {
    return std::pair<std::uint64_t, std::uint64_t>{plus[b], minus[b]};
  });
}

template <class Columns>
std::size_t myersAnySize(const EditPattern& pattern, std::size_t n, const Columns& columns,
                         EditDistanceWorkspace& workspace) {
  switch (pattern.blocks()) {
    case 1: return myers<1>(pattern, n, columns, workspace);
    case 2: return myers<2>(pattern, n, columns, workspace);
    case 3: return myers<3>(pattern, n, columns, workspace);
    case 4: return myers<4>(pattern, n, columns, workspace);
    default: return myers<0>(pattern, n, columns, workspace);
  }
}

// --- Several blocks at once --------------------------------------------------
//
// Within one column the blocks depend on each other top to bottom (the
// horizontal step leaving one block enters the next), but block b of column
// j needs only block b of column j - 1 and block b - 1 of column j. So all
// blocks run along a diagonal: at step s, block b works on column s - b, fed
// by block b - 1 of the previous step. The blocks sit in the lanes of a few
// vectors, which are independent within a step. Integer operations only: the
// same result as block by block.

using Lanes2 = std::uint64_t __attribute__((vector_size(16)));
using Lanes4 = std::uint64_t __attribute__((vector_size(32)));

template <class V>
constexpr std::size_t laneCount = sizeof(V) / sizeof(std::uint64_t);

// Vectors of blocks kept on the stack; longer patterns run block by block.
constexpr std::size_t kMaxDiagonalVectors = 32;

// \a Vectors vectors of blocks (0: as many as the pattern needs, at most
// kMaxDiagonalVectors); a fixed number keeps the state in registers. \a Texts
// texts of equal length (one after the other in \a texts) run against the
// pattern together, each independent of the others within a step.
template <class V, std::size_t Vectors, std::size_t Texts>
[[gnu::always_inline]] inline void diagonalMyers(const EditPattern& pattern,
                                                 std::span<const std::uint32_t> texts,
                                                 std::size_t* distances,
                                                 EditDistanceWorkspace& workspace) {
  constexpr std::size_t L = laneCount<V>;
  constexpr std::size_t kSlots = Vectors != 0 ? Vectors : kMaxDiagonalVectors;
  const std::size_t m = pattern.size();
  const std::size_t blocks = pattern.blocks();
  const std::size_t vectors = Vectors != 0 ? Vectors : (blocks + L - 1) / L;
  const std::size_t n = texts.size() / Texts;
  const std::uint64_t* rows = pattern.rows();

  // Each text's row offsets with zero rows before and after, so that every
  // block may read its column at every step.
  const std::size_t pad = vectors * L;
  const std::size_t stride = n + 2 * pad;
  std::vector<std::uint32_t>& offsets = workspace.paddedRows;
  offsets.assign(Texts * stride, static_cast<std::uint32_t>(pattern.rowOffset(-1)));
  for (std::size_t t = 0; t < Texts; ++t) {
    std::copy_n(texts.data() + t * n, n, offsets.data() + t * stride + pad);
  }

  const V zero = {};
  V plus[Texts][kSlots];
  V minus[Texts][kSlots];
  V houtPos[Texts][kSlots];
  V houtNeg[Texts][kSlots];
  V firstBlock[kSlots];  // block number of each lane
  for (std::size_t q = 0; q < vectors; ++q) {
    for (std::size_t t = 0; t < Texts; ++t) {
      plus[t][q] = zero + ~std::uint64_t{0};  // D[i][0] = i
      minus[t][q] = zero;
      houtPos[t][q] = zero;
      houtNeg[t][q] = zero;
    }
    for (std::size_t k = 0; k < L; ++k) firstBlock[q][k] = q * L + k;
  }
  // What enters the top block: D[0][j] - D[0][j-1] = +1, in the last lane of
  // a vector "above" vector 0.
  V top = zero;
  top[L - 1] = 1;

  for (std::size_t s = 0; s + 1 < n + blocks; ++s) {
    const bool allActive = s + 1 >= blocks && s < n;
    for (std::size_t q = vectors; q-- > 0;) {
      const std::size_t b0 = q * L;
      const std::ptrdiff_t column =
          static_cast<std::ptrdiff_t>(s) - static_cast<std::ptrdiff_t>(b0);
      V active = zero;
      if (!allActive) {
        // Blocks whose column lies outside the text keep their state; their
        // steps only reach blocks outside it too.
        const V col = (zero + s) - firstBlock[q];  // wraps below column 0
        active = (V)(col < (zero + n));            // all ones where true
      }
      for (std::size_t t = 0; t < Texts; ++t) {
        // Each lane takes the step leaving the lane above at the previous
        // step; lane 0 that of the last lane of the vector above.
        const V abovePos = q > 0 ? houtPos[t][q - 1] : top;
        const V aboveNeg = q > 0 ? houtNeg[t][q - 1] : zero;
        V hinPos;
        V hinNeg;
        if constexpr (L == 2) {
          hinPos = __builtin_shufflevector(houtPos[t][q], abovePos, 3, 0);
          hinNeg = __builtin_shufflevector(houtNeg[t][q], aboveNeg, 3, 0);
        } else {
          hinPos = __builtin_shufflevector(houtPos[t][q], abovePos, 7, 0, 1, 2);
          hinNeg = __builtin_shufflevector(houtNeg[t][q], aboveNeg, 7, 0, 1, 2);
        }
        // Block b = qL + k reads column s - b (a zero row outside the text).
        const std::uint32_t* offset = offsets.data() + t * stride + pad;
        V match{};
        for (std::size_t k = 0; k < L; ++k) {
          match[k] = rows[offset[column - static_cast<std::ptrdiff_t>(k)] + b0 + k];
        }

        const V p = plus[t][q];
        const V mi = minus[t][q];
        const V xv = match | mi;
        match |= hinNeg;
        const V xh = (((match & p) + p) ^ p) | match;
        V ph = mi | ~(xh | p);
        V mh = p & xh;
        houtPos[t][q] = ph >> 63;
        houtNeg[t][q] = mh >> 63;
        ph = (ph << 1) | hinPos;
        mh = (mh << 1) | hinNeg;
        const V newPlus = mh | ~(xv | ph);
        const V newMinus = ph & xv;
        if (allActive) {
          plus[t][q] = newPlus;
          minus[t][q] = newMinus;
        } else {
          plus[t][q] = (newPlus & active) | (p & ~active);
          minus[t][q] = (newMinus & active) | (mi & ~active);
        }
      }
    }
  }

  for (std::size_t t = 0; t < Texts; ++t) {
    distances[t] = lastColumnScore(m, n, blocks, [&](std::size_t b) {
      // Lanes of a vector do not bind to references: copied out.
      const std::uint64_t p = plus[t][b / L][b % L];
      const std::uint64_t mi = minus[t][b / L][b % L];
      return std::pair<std::uint64_t, std::uint64_t>{p, mi};
    });
  }
}

// One text.
template <class V>
[[gnu::always_inline]] inline void diagonalMyersOne(const EditPattern& pattern,
                                                    std::span<const std::uint32_t> text,
                                                    std::size_t* distance,
                                                    EditDistanceWorkspace& workspace) {
  switch ((pattern.blocks() + laneCount<V> - 1) / laneCount<V>) {
    case 1: return diagonalMyers<V, 1, 1>(pattern, text, distance, workspace);
    case 2: return diagonalMyers<V, 2, 1>(pattern, text, distance, workspace);
    case 3: return diagonalMyers<V, 3, 1>(pattern, text, distance, workspace);
    case 4: return diagonalMyers<V, 4, 1>(pattern, text, distance, workspace);
    default: return diagonalMyers<V, 0, 1>(pattern, text, distance, workspace);
  }
}

// One text, or up to four equally long ones.
template <class V>
[[gnu::always_inline]] inline void diagonalMyersAnySize(const EditPattern& pattern,
                                                        std::span<const std::uint32_t> texts,
                                                        std::size_t count, std::size_t* distances,
                                                        EditDistanceWorkspace& workspace) {
  const std::size_t vectors = (pattern.blocks() + laneCount<V> - 1) / laneCount<V>;
  if (count == 1 || vectors > 1) {
    // Long patterns keep the vectors busy with one text.
    const std::size_t n = texts.size() / count;
    for (std::size_t t = 0; t < count; ++t) {
      diagonalMyersOne<V>(pattern, texts.subspan(t * n, n), distances + t, workspace);
    }
    return;
  }
  // Several texts: worth it where one text leaves the vectors idle.
  switch (count) {
    case 2: return diagonalMyers<V, 1, 2>(pattern, texts, distances, workspace);
    case 3: return diagonalMyers<V, 1, 3>(pattern, texts, distances, workspace);
    default: return diagonalMyers<V, 1, 4>(pattern, texts, distances, workspace);
  }
}

void diagonalMyers2(const EditPattern& pattern, std::span<const std::uint32_t> texts,
                    std::size_t count, std::size_t* distances, EditDistanceWorkspace& workspace) {
  diagonalMyersAnySize<Lanes2>(pattern, texts, count, distances, workspace);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void diagonalMyers4(const EditPattern& pattern,
                                                    std::span<const std::uint32_t> texts,
                                                    std::size_t count, std::size_t* distances,
                                                    EditDistanceWorkspace& workspace) {
  diagonalMyersAnySize<Lanes4>(pattern, texts, count, distances, workspace);
}

bool haveAvx2() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}
#endif

// Distances of \a count (1 to 4) equally long texts.
void diagonalMyers(const EditPattern& pattern, std::span<const std::uint32_t> texts,
                   std::size_t count, std::size_t* distances, EditDistanceWorkspace& workspace) {
#if defined(__x86_64__)
  if (haveAvx2()) return diagonalMyers4(pattern, texts, count, distances, workspace);
#endif
  diagonalMyers2(pattern, texts, count, distances, workspace);
}

// Whether the diagonal kernel takes the pattern: all masks full, and few
// enough blocks for its vectors on the stack.
bool diagonalFits(const EditPattern& pattern, const EditDistanceWorkspace& workspace) {
  return workspace.diagonal && pattern.allDense() && pattern.blocks() >= 2 &&
         pattern.blocks() <= 2 * kMaxDiagonalVectors;
}

}  // namespace

void EditPattern::assign(std::span<const double> values) {
  length_ = values.size();
  blocks_ = (length_ + kBlockBits - 1) / kBlockBits;
  symbolCount_ = 0;

  // The dictionary: direct when all values are integers of a narrow range.
  double lowest = 0.0;
  double highest = 0.0;
  direct_ = !values.empty();
  for (std::size_t i = 0; i < values.size() && direct_; ++i) {
    const double v = values[i];
    if (!isIntegral(v) || std::fabs(v) >= kDirectMagnitude) {
      direct_ = false;
    } else if (i == 0) {
      lowest = highest = v;
    } else {
      lowest = std::min(lowest, v);
      highest = std::max(highest, v);
    }
  }
  direct_ = direct_ && highest - lowest < static_cast<double>(kDirectRange);

  // Symbol of every pattern position, numbered in order of first occurrence.
  std::vector<std::uint32_t>& symbolAt = symbolAt_;
  symbolAt.assign(length_, std::numeric_limits<std::uint32_t>::max());
  if (direct_) {
    lowest_ = static_cast<std::int64_t>(lowest);
    directSymbols_.assign(static_cast<std::size_t>(highest - lowest) + 1, -1);
    for (std::size_t i = 0; i < length_; ++i) {
      std::int32_t& s = directSymbols_[static_cast<std::size_t>(
          static_cast<std::int64_t>(values[i]) - lowest_)];
      if (s < 0) s = static_cast<std::int32_t>(symbolCount_++);
      symbolAt[i] = static_cast<std::uint32_t>(s);
    }
    slotKeys_.clear();
    slotSymbols_.clear();
  } else {
    directSymbols_.clear();
    const int tableBits = std::max(4, int(std::bit_width(2 * std::max<std::size_t>(length_, 1) - 1)));
    slotShift_ = 64 - tableBits;
    const std::size_t tableSize = std::size_t{1} << tableBits;
    slotKeys_.resize(tableSize);
    slotSymbols_.assign(tableSize, -1);
    for (std::size_t i = 0; i < length_; ++i) {
      // NaN equals nothing: it gets no symbol and no match bits.
      if (std::isnan(values[i])) continue;
      const std::uint64_t key = keyOf(values[i]);
      std::size_t slot = slotOf(key, slotShift_);
      while (slotSymbols_[slot] >= 0 && slotKeys_[slot] != key) slot = (slot + 1) & (tableSize - 1);
      if (slotSymbols_[slot] < 0) {
        slotKeys_[slot] = key;
        slotSymbols_[slot] = static_cast<std::int32_t>(symbolCount_++);
      }
      symbolAt[i] = static_cast<std::uint32_t>(slotSymbols_[slot]);
    }
  }

  // Occurrence counts decide full masks or positions.
  counts_.assign(symbolCount_, 0);
  for (const std::uint32_t s : symbolAt) {
    if (s != std::numeric_limits<std::uint32_t>::max()) ++counts_[s];
  }
  denseRow_.assign(symbolCount_, -1);
  sparseStart_.assign(symbolCount_ + 1, 0);
  std::size_t denseRows = 0;
  // Alphabets of at most 256 values (pitches, intervals, classes) keep full
  // masks for every value: at most 256 masks per block, still linear.
  allDense_ = symbolCount_ <= kAllDenseSymbols;
  for (std::size_t s = 0; s < symbolCount_; ++s) {
    if (allDense_ || counts_[s] >= blocks_) {
      denseRow_[s] = static_cast<std::int32_t>(denseRows++);
    } else {
      sparseStart_[s + 1] = counts_[s];
    }
  }
  for (std::size_t s = 0; s < symbolCount_; ++s) sparseStart_[s + 1] += sparseStart_[s];
  // After the rows: one row of zeros (a value the pattern lacks), then
  // padding that a vector of blocks may read past the last block.
  zeroRow_ = denseRows * blocks_;
  dense_.assign((denseRows + 1) * blocks_ + kRowPadding, 0);

  sparse_.resize(sparseStart_.back());
  directRows_.clear();
  if (direct_ && allDense_) {
    directRows_.resize(directSymbols_.size());
    for (std::size_t v = 0; v < directSymbols_.size(); ++v) {
      directRows_[v] = static_cast<std::uint32_t>(rowOffset(directSymbols_[v]));
    }
  }

  std::vector<std::uint32_t>& next = counts_;  // fill cursor per rare symbol
  for (std::size_t s = 0; s < symbolCount_; ++s) next[s] = sparseStart_[s];
  for (std::size_t i = 0; i < length_; ++i) {
    const std::uint32_t s = symbolAt[i];
    if (s == std::numeric_limits<std::uint32_t>::max()) continue;
    if (denseRow_[s] >= 0) {
      dense_[static_cast<std::size_t>(denseRow_[s]) * blocks_ + i / kBlockBits] |=
          std::uint64_t{1} << (i % kBlockBits);
    } else {
      sparse_[next[s]++] = static_cast<std::uint32_t>(i);
    }
  }
}

std::int32_t EditPattern::lookup(double value) const {
  if (direct_) {
    if (!isIntegral(value)) return -1;
    const double offset = value - static_cast<double>(lowest_);
    if (!(offset >= 0.0 && offset < static_cast<double>(directSymbols_.size()))) return -1;
    return directSymbols_[static_cast<std::size_t>(offset)];
  }
  if (slotSymbols_.empty() || std::isnan(value)) return -1;
  const std::uint64_t key = keyOf(value);
  const std::size_t mask = slotSymbols_.size() - 1;
  for (std::size_t slot = slotOf(key, slotShift_); slotSymbols_[slot] >= 0;
       slot = (slot + 1) & mask) {
    if (slotKeys_[slot] == key) return slotSymbols_[slot];
  }
  return -1;
}

std::int32_t EditPattern::symbolOf(double value) const { return lookup(value); }

void EditPattern::symbolsOf(std::span<const double> values,
                            std::vector<std::int32_t>& symbols) const {
  symbols.resize(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) symbols[i] = lookup(values[i]);
}

void EditPattern::symbolsOf(std::span<const std::int16_t> values, int shift,
                            std::vector<std::int32_t>& symbols) const {
  symbols.resize(values.size());
  if (!direct_) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      symbols[i] = lookup(static_cast<double>(values[i] + shift));
    }
    return;
  }
  const std::int64_t size = static_cast<std::int64_t>(directSymbols_.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::int64_t offset = std::int64_t{values[i]} + shift - lowest_;
    symbols[i] = offset >= 0 && offset < size ? directSymbols_[static_cast<std::size_t>(offset)]
                                              : -1;
  }
}

void EditPattern::rowsOf(std::span<const std::int16_t> values, int shift,
                         std::uint32_t* rows) const {
  if (!direct_) {
    for (std::size_t i = 0; i < values.size(); ++i) {
      rows[i] = static_cast<std::uint32_t>(rowOffset(lookup(static_cast<double>(values[i] + shift))));
    }
    return;
  }
  const auto size = static_cast<std::uint64_t>(directRows_.size());
  const auto zero = static_cast<std::uint32_t>(zeroRow_);
  const std::int64_t base = std::int64_t{shift} - lowest_;
  for (std::size_t i = 0; i < values.size(); ++i) {
    // Below the table the offset wraps to a huge unsigned value.
    const auto offset = static_cast<std::uint64_t>(values[i] + base);
    rows[i] = offset < size ? directRows_[offset] : zero;
  }
}

void EditPattern::rowsOf(std::span<const double> values, std::uint32_t* rows) const {
  for (std::size_t i = 0; i < values.size(); ++i) {
    rows[i] = static_cast<std::uint32_t>(rowOffset(lookup(values[i])));
  }
}

std::size_t editDistanceOfRows(const EditPattern& pattern, std::span<const std::uint32_t> rows,
                               EditDistanceWorkspace& workspace) {
  if (pattern.size() == 0) return rows.size();
  if (diagonalFits(pattern, workspace)) {
    std::size_t d = 0;
    diagonalMyers(pattern, rows, 1, &d, workspace);
    return d;
  }
  return myersAnySize(pattern, rows.size(), RowColumns{pattern.rows(), rows.data()}, workspace);
}

void editDistancesOfRows(const EditPattern& pattern, std::span<const std::uint32_t> rows,
                         std::size_t count, std::span<std::size_t> distances,
                         EditDistanceWorkspace& workspace) {
  if (count == 0) return;
  const std::size_t n = rows.size() / count;
  // Short patterns leave the vectors idle: their texts run side by side.
  if (pattern.size() == 0 || !(diagonalFits(pattern, workspace) ||
                               (workspace.diagonal && pattern.blocks() == 1))) {
    for (std::size_t t = 0; t < count; ++t) {
      distances[t] = editDistanceOfRows(pattern, rows.subspan(t * n, n), workspace);
    }
    return;
  }
  for (std::size_t t = 0; t < count; t += 4) {
    const std::size_t chunk = std::min<std::size_t>(4, count - t);
    if (chunk == 1) {
      distances[t] = editDistanceOfRows(pattern, rows.subspan(t * n, n), workspace);
    } else {
      diagonalMyers(pattern, rows.subspan(t * n, chunk * n), chunk, distances.data() + t,
                    workspace);
    }
  }
}

std::size_t editDistance(const EditPattern& pattern, std::span<const std::int32_t> text,
                         EditDistanceWorkspace& workspace) {
  if (pattern.size() == 0) return text.size();
  if (pattern.allDense()) {
    std::vector<std::uint32_t>& rows = workspace.rows;
    rows.resize(text.size());
    for (std::size_t j = 0; j < text.size(); ++j) {
      rows[j] = static_cast<std::uint32_t>(pattern.rowOffset(text[j]));
    }
    return editDistanceOfRows(pattern, rows, workspace);
  }
  workspace.matches.assign(pattern.blocks(), 0);
  workspace.zeros.assign(pattern.blocks(), 0);
  return myersAnySize(
      pattern, text.size(),
      SymbolColumns{pattern, text.data(), workspace.matches.data(), workspace.zeros.data()},
      workspace);
}

std::size_t editDistance(std::span<const double> x, std::span<const double> y,
                         EditDistanceWorkspace& workspace) {
  // The distance is symmetric: the pattern is the shorter sequence.
  const std::span<const double> pattern = x.size() <= y.size() ? x : y;
  const std::span<const double> text = x.size() <= y.size() ? y : x;
  if (pattern.empty()) return text.size();
  workspace.pattern.assign(pattern);
  workspace.pattern.symbolsOf(text, workspace.text);
  return editDistance(workspace.pattern, workspace.text, workspace);
}

std::size_t editDistance(std::span<const double> x, std::span<const double> y) {
  EditDistanceWorkspace workspace;
  return editDistance(x, y, workspace);
}

double editDistanceSimilarity(std::span<const double> x, std::span<const double> y,
                              EditDistanceWorkspace& workspace) {
  return normalisedEditSimilarity(editDistance(x, y, workspace), std::max(x.size(), y.size()));
}

}  // namespace suite::similarity
