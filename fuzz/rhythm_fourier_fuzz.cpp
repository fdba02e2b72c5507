// Fuzz target: the Gauss rhythm similarity (banded against the full double
// loop, bit for bit), magnitude spectra and the Fourier comparison on
// arbitrary values, and the fuzzy rhythm measure on melodies with arbitrary
// durations, timelines and signatures (also inconsistent ones).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <sstream>
#include <vector>

#include "core/melody.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/type_flags.h"

namespace {

using namespace suite;
using namespace suite::similarity;

// Onsets mostly ascending in small steps, with special values mixed in.
double onsetStep(std::uint8_t b) {
  static constexpr double kSpecial[] = {std::numeric_limits<double>::quiet_NaN(),
                                        -0.0,
                                        std::numeric_limits<double>::infinity(),
                                        -std::numeric_limits<double>::infinity(),
                                        -0.05,
                                        1e-300,
                                        1e300,
                                        0.2226,
                                        0.2225,
                                        1.0 / 3};
  if (b >= 246) return kSpecial[b - 246];
  return double(b) * 0.002;
}

double fullLoop(const std::vector<double>& x, const std::vector<double>& y, double width,
                double shift) {
  const double e = 1.0 / (2.0 * width);
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (std::size_t j = i + 1; j < x.size(); ++j) sxx += gaussKernelDirect((x[i] - x[j]) * e);
  }
  for (std::size_t i = 0; i < y.size(); ++i) {
    for (std::size_t j = i + 1; j < y.size(); ++j) syy += gaussKernelDirect((y[i] - y[j]) * e);
  }
  sxx = double(x.size()) + 2.0 * sxx;
  syy = double(y.size()) + 2.0 * syy;
  if (sxx == 0.0 || syy == 0.0) return 0.0;
  for (const double xi : x) {
    for (const double yj : y) sxy += gaussKernelDirect((xi - yj - shift) * e);
  }
  return sxy / std::sqrt(sxx * syy);
}

bool sameBits(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

// A melody from bytes: per note a pitch, a duration and a position step,
// some notes without a duration, the signature from the first bytes.
core::Melody melodyOf(const std::uint8_t* data, std::size_t size) {
  core::Melody m;
  if (size < 2) return m;
  m.signature.numerator = 1 + data[0] % 7;
  m.signature.ticksPerBeat = data[1] % 5 == 0 ? 0 : 1u << (data[1] % 12);
  core::MetricalPosition p;
  for (std::size_t i = 2; i + 1 < size; i += 2) {
    m.pitches.push_back(std::int8_t(data[i]));
    if (data[i] % 11 != 0) m.durations.push_back(data[i + 1] % 3 == 0 ? 0u : data[i + 1] * 97u);
    if (data[i + 1] % 13 == 0) {
      p.tick = data[i + 1];  // may lie before the previous position
    } else {
      p.advance(data[i + 1] * 3u, m.signature);
    }
    m.timeline.append(p);
  }
  return m;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return 0;
  const std::size_t split = 3 + data[0] % (size - 2);
  const std::uint8_t mode = data[1];
  const std::uint8_t widthByte = data[2];

  // Gauss similarity of two onset windows.
  std::vector<double> x;
  std::vector<double> y;
  double t = 0.0;
  for (std::size_t i = 3; i < size && x.size() + y.size() < 120; ++i) {
    t = (data[i] >= 246) ? onsetStep(data[i]) : t + onsetStep(data[i]);
    (i < split ? x : y).push_back(t);
  }
  const double width = widthByte == 0 ? 0.0 : widthByte == 1 ? -0.03 : widthByte * 0.0005;
  const double shift = (mode & 3) * 0.01;
  const double g = gaussSimilarity(x, y, width, shift, nullptr);
  if (width <= 0.0) {
    if (g != -1.0) std::abort();
  } else {
    if (!sameBits(g, fullLoop(x, y, width, shift))) std::abort();
    if (!(g >= 0.0) || !std::isfinite(g)) std::abort();
  }

  // Spectra and the Fourier comparison of the same windows.
  SpectrumWorkspace workspace;
  std::vector<double> spectrum;
  magnitudeSpectrum(x, spectrum, workspace);
  if (spectrum.size() != (x.size() < 2 ? 0 : x.size() / 2)) std::abort();
  for (const double v : spectrum) {
    if (v < 0.0) std::abort();
  }
  const std::uint32_t fourierFlags = Fourier | Natural | ((mode & 4) ? Intervals : 0u) |
                                     ((mode & 8) ? Stretched : 0u);
  const std::size_t common = std::min(x.size(), y.size());
  const std::vector<double> wx(x.begin(), x.begin() + std::ptrdiff_t(common));
  const std::vector<double> wy(y.begin(), y.begin() + std::ptrdiff_t(common));
  const double f = fourierSimilarity(wx, wy, fourierFlags, workspace);
  if (f > 1.0 + 1e-9) std::abort();

  // Fuzzy rhythm of two melodies built from the two halves.
  const core::Melody a = melodyOf(data + 3, split - 3);
  const core::Melody b = melodyOf(data + split, size - split);
  static constexpr std::uint32_t kMethods[] = {0u, SumCommon, CountDistinct, Ukkonen};
  const std::uint32_t flags =
      Rhythm | Fuzzy | ((mode & 16) ? NGrams : 0u) | kMethods[(mode >> 5) & 3];
  const std::int32_t param = std::int32_t(mode >> 7) + ((mode & 64) ? 2 : 0) - 1;  // -1 .. 2
  FuzzyRhythmWorkspace fuzzyWorkspace;
  std::ostringstream err;
  const SimilarityResult r = fuzzyRhythmSimilarity(a, b, flags, param, err, fuzzyWorkspace);
  if (a.empty() || b.empty()) {
    if (r.value != -1.0) std::abort();
  } else {
    if (!(r.value >= 0.0 && r.value <= 1.0)) std::abort();
    if (r.bestOffset < 0.0 || r.bestOffset != std::floor(r.bestOffset)) std::abort();
  }
  return 0;
}
