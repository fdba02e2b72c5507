// The alignment of the Fourier types: the magnitude spectrum of the shorter
// sequence (or of its tail) against that of every window of the longer one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <utility>
#include <vector>

#include "similarity/engine.h"
#include "similarity/fourier_spectrum.h"

namespace suite::similarity {

/// Reusable buffers of the Fourier alignment (one per thread or caller).
struct FourierWorkspace {
  FourierWorkspace();
  ~FourierWorkspace();
  FourierWorkspace(const FourierWorkspace&) = delete;
  FourierWorkspace& operator=(const FourierWorkspace&) = delete;

  struct Plan;
  struct Twiddles;
  struct Window {
    std::ptrdiff_t offset;
    double score;   ///< by the fast transform
    bool constant;  ///< a window of one repeated value: scored plainly
  };
  SpectrumWorkspace spectrum;               ///< the plain transform
  std::vector<double> whole;                ///< plain spectrum of the whole shorter sequence
  std::vector<std::unique_ptr<Plan>> plans; ///< fast transforms of recent window lengths
  std::vector<std::unique_ptr<Twiddles>> twiddles;  ///< per FFT size
  std::vector<double> bufferRe, bufferIm, re, im;
  std::vector<double> slideRe, slideIm, rotationRe, rotationIm;
  std::vector<double> spectrumX, spectrumY, wholeFast;
  std::vector<Window> windows;
  std::vector<std::size_t> runEnd;
  std::vector<std::pair<std::uint64_t, std::ptrdiff_t>> seen;
};

/// The best window of the alignment of \a s (the shorter sequence) against
/// \a l, with \a skip leading values of s that may be dropped, each window
/// pair scored by fourierSimilarity under \a flags: the same windows, order,
/// ties, value and offset as bestAlignment with the plain transform of
/// magnitudeSpectrum. Every window is first scored with a fast transform
/// (Bluestein's FFT, and for the windows of the longer sequence a sliding
/// transform); the windows whose fast score comes within 1e-9 of the best,
/// and the windows of one repeated value (whose plain spectrum is rounding
/// noise), are scored again with the plain transform, which decides.
SimilarityResult fourierAlignment(std::span<const double> s, std::span<const double> l,
                                  std::size_t skip, std::uint32_t flags,
                                  FourierWorkspace& workspace);

/// The same with the plain transform for every window (the reference).
SimilarityResult plainFourierAlignment(std::span<const double> s, std::span<const double> l,
                                       std::size_t skip, std::uint32_t flags,
                                       FourierWorkspace& workspace);

}  // namespace suite::similarity
