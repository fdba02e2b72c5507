// The alignment of the Fourier types: the magnitude spectrum of the shorter
// sequence (or of its tail) against that of every window of the longer one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "similarity/engine.h"
#include "similarity/fourier_spectrum.h"

namespace suite::similarity {

/// Reusable buffers of the Fourier alignment (one per thread or caller).
struct FourierWorkspace {
  SpectrumWorkspace spectrum;
  std::vector<double> whole;  ///< spectrum of the whole shorter sequence
};

/// The best window of the alignment of \a s (the shorter sequence) against
/// \a l, with \a skip leading values of s that may be dropped, each window
/// pair scored by fourierSimilarity under \a flags; the same windows, order
/// and ties as bestAlignment.
SimilarityResult fourierAlignment(std::span<const double> s, std::span<const double> l,
                                  std::size_t skip, std::uint32_t flags,
                                  FourierWorkspace& workspace);

}  // namespace suite::similarity
