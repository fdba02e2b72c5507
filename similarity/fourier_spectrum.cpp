#include "similarity/fourier_spectrum.h"

#include <array>
#include <cmath>

#include "similarity/type_flags.h"
#include "similarity/window_comparison.h"

namespace suite::similarity {
namespace {

// 2 pi as the transform has always used it (to 15 significant digits).
constexpr double kTwoPi = 6.28318530717959;

// The roots of unity of length n: e^(-2 pi i k j / n) is entry k j mod n, so
// a transform needs n cosines and sines instead of one pair per (k, j).
void cacheFactors(std::size_t n, SpectrumWorkspace& workspace) {
  if (workspace.length == n) return;
  workspace.cosines.resize(n);
  workspace.sines.resize(n);
  for (std::size_t m = 0; m < n; ++m) {
    const double a = -kTwoPi * static_cast<double>(m) / static_cast<double>(n);
    workspace.cosines[m] = std::cos(a);
    workspace.sines[m] = std::sin(a);
  }
  workspace.length = n;
}

// 2 |X_k| below the last index, 2 |Re X_k| at floor(n/2).
inline double magnitude(double re, double im, std::size_t k, std::size_t half) {
  return k < half ? 2.0 * std::sqrt(re * re + im * im) : 2.0 * std::fabs(re);
}

}  // namespace

std::vector<double> pitchRanks(const core::Melody& melody) {
  // Pitches are signed 8-bit values: mark the ones present, then each
  // value's rank is the number of smaller values present.
  std::array<bool, 256> present{};
  for (const std::int8_t p : melody.pitches) present[static_cast<std::size_t>(p + 128)] = true;
  std::array<double, 256> rank{};
  double next = 0.0;
  for (std::size_t v = 0; v < present.size(); ++v) {
    rank[v] = next;
    if (present[v]) next += 1.0;
  }
  std::vector<double> ranks;
  ranks.reserve(melody.pitches.size());
  for (const std::int8_t p : melody.pitches) ranks.push_back(rank[static_cast<std::size_t>(p + 128)]);
  return ranks;
}

void magnitudeSpectrum(std::span<const double> window, std::vector<double>& spectrum,
                       SpectrumWorkspace& workspace) {
  const std::size_t n = window.size();
  const std::size_t half = n / 2;
  spectrum.resize(n < 2 ? 0 : half);
  if (n < 2) return;
  cacheFactors(n, workspace);
  const double* c = workspace.cosines.data();
  const double* s = workspace.sines.data();
  for (std::size_t k = 1; k <= half; ++k) {
    double re = 0.0;
    double im = 0.0;
    std::size_t m = 0;  // k j mod n
    for (std::size_t j = 0; j < n; ++j) {
      re += window[j] * c[m];
      im += window[j] * s[m];
      m += k;
      if (m >= n) m -= n;
    }
    spectrum[k - 1] = magnitude(re, im, k, half);
  }
}

std::vector<double> magnitudeSpectrum(std::span<const double> window) {
  SpectrumWorkspace workspace;
  std::vector<double> spectrum;
  magnitudeSpectrum(window, spectrum, workspace);
  return spectrum;
}

double fourierSimilarity(std::span<const double> x, std::span<const double> y,
                         std::uint32_t flags, SpectrumWorkspace& workspace) {
  magnitudeSpectrum(x, workspace.spectrumX, workspace);
  magnitudeSpectrum(y, workspace.spectrumY, workspace);
  return compareSpectra(workspace.spectrumX, workspace.spectrumY, flags);
}

double compareSpectra(std::span<const double> spectrumX, std::span<const double> spectrumY,
                      std::uint32_t flags) {
  if (spectrumX.empty() && spectrumY.empty()) {
    // No spectrum at all: equal (and nothing to correlate); the interval form
    // has no differences to compare.
    return hasFlag(flags, Intervals) ? 0.0 : 1.0;
  }
  return compareWindows(spectrumX, spectrumY, flags);
}

}  // namespace suite::similarity
