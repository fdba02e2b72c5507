// Edit distance of two sequences with unit costs and exact equality.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace suite::similarity {

/// Reusable buffer of the edit distance. One per thread (or per caller); it
/// grows to the longest sequence seen and then no longer allocates.
struct EditDistanceWorkspace {
  std::vector<std::size_t> row;
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
