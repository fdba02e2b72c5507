#include "similarity/edit_distance.h"

#include <algorithm>
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

// A dictionary of integers narrower than this is a direct table.
constexpr std::int64_t kDirectRange = 4096;

// Values that compare equal share a key: -0.0 is folded onto 0.0.
std::uint64_t keyOf(double v) { return std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v); }

std::size_t slotOf(std::uint64_t key, int shift) {
  return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
}

bool isIntegral(double v) { return std::isfinite(v) && v == std::floor(v); }

// Advances one block by one column. hin is the step D[top-1][j] - D[top-1][j-1]
// entering from above; returns the step at row `last` of the block.
inline int advanceBlock(std::uint64_t& plus, std::uint64_t& minus, std::uint64_t match, int hin,
                        std::uint64_t last) {
  const std::uint64_t hinNegative = hin < 0 ? 1u : 0u;
  const std::uint64_t xv = match | minus;
  match |= hinNegative;
  const std::uint64_t xh = (((match & plus) + plus) ^ plus) | match;
  std::uint64_t ph = minus | ~(xh | plus);
  std::uint64_t mh = plus & xh;
  const int hout = (ph & last) ? 1 : (mh & last) ? -1 : 0;
  ph = (ph << 1) | (hin > 0 ? 1 : 0);
  mh = (mh << 1) | hinNegative;
  plus = mh | ~(xv | ph);
  minus = ph & xv;
  return hout;
}

// One block of at most 64 rows: every symbol keeps its one mask.
std::size_t singleBlock(const EditPattern& pattern, std::span<const std::int32_t> text) {
  const std::size_t m = pattern.size();
  const std::uint64_t last = std::uint64_t{1} << (m - 1);
  std::uint64_t plus = ~std::uint64_t{0};  // D[i][0] = i
  std::uint64_t minus = 0;
  std::size_t score = m;
  for (const std::int32_t symbol : text) {
    const std::uint64_t match = symbol < 0 ? 0 : *pattern.denseMasks(symbol);
    const std::uint64_t xv = match | minus;
    const std::uint64_t xh = (((match & plus) + plus) ^ plus) | match;
    std::uint64_t ph = minus | ~(xh | plus);
    std::uint64_t mh = plus & xh;
    if (ph & last) {
      ++score;
    } else if (mh & last) {
      --score;
    }
    ph = (ph << 1) | 1;  // D[0][j] - D[0][j-1] = 1
    mh <<= 1;
    plus = mh | ~(xv | ph);
    minus = ph & xv;
  }
  return score;
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
    if (!isIntegral(v)) {
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
  for (std::size_t s = 0; s < symbolCount_; ++s) {
    if (counts_[s] >= blocks_) {
      denseRow_[s] = static_cast<std::int32_t>(denseRows++);
    } else {
      sparseStart_[s + 1] = counts_[s];
    }
  }
  for (std::size_t s = 0; s < symbolCount_; ++s) sparseStart_[s + 1] += sparseStart_[s];
  dense_.assign(denseRows * blocks_, 0);

  sparse_.resize(sparseStart_.back());
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

std::size_t editDistance(const EditPattern& pattern, std::span<const std::int32_t> text,
                         EditDistanceWorkspace& workspace) {
  const std::size_t m = pattern.size();
  if (m == 0) return text.size();
  const std::size_t blocks = pattern.blocks();
  if (blocks == 1) return singleBlock(pattern, text);

  std::vector<std::uint64_t>& plus = workspace.plusDeltas;
  std::vector<std::uint64_t>& minus = workspace.minusDeltas;
  std::vector<std::uint64_t>& rare = workspace.matches;
  plus.assign(blocks, ~std::uint64_t{0});  // D[i][0] = i
  minus.assign(blocks, 0);
  rare.assign(blocks, 0);
  const std::uint64_t highBit = std::uint64_t{1} << (kBlockBits - 1);
  const std::uint64_t lastRowBit = std::uint64_t{1} << ((m - 1) % kBlockBits);

  std::size_t score = m;  // D[m][j], starting at D[m][0]
  for (const std::int32_t symbol : text) {
    const std::uint64_t* match = nullptr;
    if (symbol >= 0) {
      match = pattern.denseMasks(symbol);
      if (match == nullptr) {
        // A rare symbol: its few bits are set for this column only.
        for (const std::uint32_t p : pattern.positions(symbol)) {
          rare[p / kBlockBits] |= std::uint64_t{1} << (p % kBlockBits);
        }
        match = rare.data();
      }
    }
    int carry = 1;  // D[0][j] - D[0][j-1]
    for (std::size_t b = 0; b + 1 < blocks; ++b) {
      carry = advanceBlock(plus[b], minus[b], match ? match[b] : 0, carry, highBit);
    }
    carry = advanceBlock(plus[blocks - 1], minus[blocks - 1], match ? match[blocks - 1] : 0,
                         carry, lastRowBit);
    if (carry > 0) {
      ++score;
    } else if (carry < 0) {
      --score;
    }
    if (match == rare.data()) {
      for (const std::uint32_t p : pattern.positions(symbol)) rare[p / kBlockBits] = 0;
    }
  }
  return score;
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
