// Fourier measures: pitch ranks, the magnitude spectrum of a window and the
// comparison of two windows through their spectra.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "core/melody.h"

namespace suite::similarity {

/// Each pitch replaced by the 0-based position of its value among the
/// melody's distinct pitch values in ascending order (equal pitches share a
/// rank, no gaps). Empty for an empty melody.
std::vector<double> pitchRanks(const core::Melody& melody);

/// Reusable buffers of the spectrum computation. One per thread (or per
/// caller): the n roots of unity of one window length are kept, so the many
/// equally long windows of an alignment cost no trigonometry and, once the
/// buffers have grown, no allocation.
struct SpectrumWorkspace {
  std::size_t length = 0;       ///< window length of the kept factors; 0: none
  std::vector<double> cosines;  ///< cos(-2 pi m / n) for m = 0 .. n-1
  std::vector<double> sines;    ///< sin(-2 pi m / n), same layout
  std::vector<double> spectrumX;
  std::vector<double> spectrumY;
};

/// Magnitude spectrum of a window x of n values: for k = 1 .. floor(n/2),
/// 2 |X_k| below floor(n/2) and 2 |Re X_k| at floor(n/2), where
/// X_k = sum_j x_j e^(-2 pi i k j / n) (2 pi taken as 6.28318530717959; the
/// factor of k j is that of k j mod n, which e^(-2 pi i k j / n) equals). The
/// constant term is left out, so there are floor(n/2) values; empty when
/// n < 2. Written to \a spectrum (resized).
void magnitudeSpectrum(std::span<const double> window, std::vector<double>& spectrum,
                       SpectrumWorkspace& workspace);

/// The same with a temporary workspace (allocates).
std::vector<double> magnitudeSpectrum(std::span<const double> window);

/// Compares two aligned windows through their magnitude spectra with the
/// window comparison of the type's \a flags: the (uncentred) correlation of
/// the spectra, or with `Intervals` the interval difference of their
/// successive differences. Two empty spectra (windows below 2 values) give 1,
/// except with `Intervals`, where spectra of fewer than 2 values give 0.
double fourierSimilarity(std::span<const double> x, std::span<const double> y,
                         std::uint32_t flags, SpectrumWorkspace& workspace);

/// The comparison part of fourierSimilarity, on spectra already computed
/// (so that a window laid against many others is transformed once).
double compareSpectra(std::span<const double> spectrumX, std::span<const double> spectrumY,
                      std::uint32_t flags);

}  // namespace suite::similarity
