// Edit distance of two sequences with unit costs and exact equality.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace suite::similarity {

/// Reusable buffers of the edit distance. One per thread (or per caller);
/// they grow to the longest sequences seen and then no longer allocate.
struct EditDistanceWorkspace {
  std::vector<std::uint64_t> slotKeys;     ///< value table: bit patterns of the values
  std::vector<std::uint32_t> slotSymbols;  ///< value table: symbol number, or empty
  std::vector<std::uint64_t> matchMasks;   ///< per symbol and block: positions holding it
  std::vector<std::uint64_t> plusDeltas;   ///< per block: column steps of +1
  std::vector<std::uint64_t> minusDeltas;  ///< per block: column steps of -1
};

/// Levenshtein distance: insertion and deletion cost 1, substitution 0 when
/// the two values are exactly equal (==) and 1 otherwise. 0 .. max(|x|, |y|);
/// the other's length when one sequence is empty.
std::size_t editDistance(std::span<const double> x, std::span<const double> y,
                         EditDistanceWorkspace& workspace);

/// The same with a temporary workspace (allocates).
std::size_t editDistance(std::span<const double> x, std::span<const double> y);

/// 1 - editDistance / max(|x|, |y|), in [0, 1]. Two empty sequences are
/// equal and give 1.
double editDistanceSimilarity(std::span<const double> x, std::span<const double> y,
                              EditDistanceWorkspace& workspace);

}  // namespace suite::similarity
