#include "similarity/edit_distance.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>

namespace suite::similarity {
namespace {

// The dynamic programme D[i][j] is computed a column at a time in 64-row
// blocks, holding only the signs of the vertical steps D[i][j] - D[i-1][j]
// as bit vectors (Myers' bit-parallel algorithm, block-wise). The shorter
// sequence runs down the rows ("pattern"), the longer along the columns.
constexpr std::size_t kBlockBits = 64;
constexpr std::uint32_t kNoSymbol = std::numeric_limits<std::uint32_t>::max();

// Values that compare equal share a key: -0.0 is folded onto 0.0.
std::uint64_t keyOf(double v) { return std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v); }

std::size_t slotOf(std::uint64_t key, int shift) {
  return std::size_t((key * 0x9E3779B97F4A7C15ull) >> shift);
}

// Advances one block by one column. hin is the step D[top-1][j] - D[top-1][j-1]
// entering from above; returns the step at row `last` of the block.
int advanceBlock(std::uint64_t& plus, std::uint64_t& minus, std::uint64_t match, int hin,
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

}  // namespace

std::size_t editDistance(std::span<const double> x, std::span<const double> y,
                         EditDistanceWorkspace& workspace) {
  // The distance is symmetric: the pattern is the shorter sequence.
  std::span<const double> pattern = x.size() <= y.size() ? x : y;
  std::span<const double> text = x.size() <= y.size() ? y : x;
  const std::size_t m = pattern.size();
  if (m == 0) return text.size();
  const std::size_t blocks = (m + kBlockBits - 1) / kBlockBits;

  // Table from the pattern's values to symbol numbers (open addressing, at
  // most half full), with one match mask per symbol and block. NaN equals
  // nothing, so it gets no symbol and no match bits.
  const int tableBits = std::max(4, int(std::bit_width(2 * m - 1)));
  const int shift = 64 - tableBits;
  const std::size_t tableSize = std::size_t{1} << tableBits;
  workspace.slotKeys.resize(tableSize);
  workspace.slotSymbols.assign(tableSize, kNoSymbol);
  workspace.matchMasks.clear();
  std::uint32_t symbols = 0;
  for (std::size_t i = 0; i < m; ++i) {
    if (std::isnan(pattern[i])) continue;
    const std::uint64_t key = keyOf(pattern[i]);
    std::size_t slot = slotOf(key, shift);
    while (workspace.slotSymbols[slot] != kNoSymbol && workspace.slotKeys[slot] != key) {
      slot = (slot + 1) & (tableSize - 1);
    }
    if (workspace.slotSymbols[slot] == kNoSymbol) {
      workspace.slotKeys[slot] = key;
      workspace.slotSymbols[slot] = symbols++;
      workspace.matchMasks.resize(workspace.matchMasks.size() + blocks, 0);
    }
    workspace.matchMasks[workspace.slotSymbols[slot] * blocks + i / kBlockBits] |=
        std::uint64_t{1} << (i % kBlockBits);
  }

  workspace.plusDeltas.assign(blocks, ~std::uint64_t{0});  // D[i][0] = i
  workspace.minusDeltas.assign(blocks, 0);
  const std::uint64_t highBit = std::uint64_t{1} << (kBlockBits - 1);
  const std::uint64_t lastRowBit = std::uint64_t{1} << ((m - 1) % kBlockBits);

  std::size_t score = m;  // D[m][j], starting at D[m][0]
  for (const double value : text) {
    const std::uint64_t* match = nullptr;
    if (!std::isnan(value)) {
      const std::uint64_t key = keyOf(value);
      std::size_t slot = slotOf(key, shift);
      while (workspace.slotSymbols[slot] != kNoSymbol) {
        if (workspace.slotKeys[slot] == key) {
          match = &workspace.matchMasks[workspace.slotSymbols[slot] * blocks];
          break;
        }
        slot = (slot + 1) & (tableSize - 1);
      }
    }
    int carry = 1;  // D[0][j] - D[0][j-1]
    for (std::size_t b = 0; b < blocks; ++b) {
      carry = advanceBlock(workspace.plusDeltas[b], workspace.minusDeltas[b], match ? match[b] : 0,
                           carry, b + 1 < blocks ? highBit : lastRowBit);
    }
    if (carry > 0) {
      ++score;
    } else if (carry < 0) {
      --score;
    }
  }
  return score;
}

std::size_t editDistance(std::span<const double> x, std::span<const double> y) {
  EditDistanceWorkspace workspace;
  return editDistance(x, y, workspace);
}

double editDistanceSimilarity(std::span<const double> x, std::span<const double> y,
                              EditDistanceWorkspace& workspace) {
  const std::size_t longest = std::max(x.size(), y.size());
  if (longest == 0) return 1.0;
  return 1.0 - double(editDistance(x, y, workspace)) / double(longest);
}

}  // namespace suite::similarity
