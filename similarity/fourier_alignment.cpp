#include "similarity/fourier_alignment.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "similarity/alignment.h"

namespace suite::similarity {
namespace {

// Windows shorter than this are cheap enough for the plain transform alone.
constexpr std::size_t kShortWindow = 16;

// A sliding spectrum is recomputed from scratch every this many windows, so
// that rounding does not accumulate.
constexpr std::size_t kAnchorInterval = 64;

// Windows whose fast score lies within this of the best fast score are
// scored again with the plain transform, which decides. The fast scores
// differ from the plain ones by far less (see fourier_test.cpp).
constexpr double kCandidateMargin = 1e-9;

constexpr double kPi = std::numbers::pi;

// --- Radix-2 FFT -----------------------------------------------------------

// In place, size a power of two, forward (e^-2 pi i / N) with the twiddles
// of that size.
void fft(std::vector<double>& re, std::vector<double>& im, const std::vector<double>& cosines,
         const std::vector<double>& sines) {
  const std::size_t size = re.size();
  for (std::size_t i = 1, j = 0; i < size; ++i) {
    std::size_t bit = size >> 1;
    for (; (j & bit) != 0; bit >>= 1) j ^= bit;
    j |= bit;
    if (i < j) {
      std::swap(re[i], re[j]);
      std::swap(im[i], im[j]);
    }
  }
  for (std::size_t half = 1; half < size; half <<= 1) {
    const std::size_t step = size / (2 * half);
    for (std::size_t start = 0; start < size; start += 2 * half) {
      for (std::size_t k = 0; k < half; ++k) {
        const double wr = cosines[k * step];
        const double wi = sines[k * step];
        const std::size_t u = start + k;
        const std::size_t v = u + half;
        const double tr = re[v] * wr - im[v] * wi;
        const double ti = re[v] * wi + im[v] * wr;
        re[v] = re[u] - tr;
        im[v] = im[u] - ti;
        re[u] += tr;
        im[u] += ti;
      }
    }
  }
}

}  // namespace

/// The transform of one window length n by Bluestein's chirp: a
/// convolution of power-of-two size, so O(n log n) for any n.
struct FourierWorkspace::Twiddles {
  std::size_t size = 0;
  std::vector<double> cosines, sines;  // e^(-2 pi i k / size), k < size / 2
};

struct FourierWorkspace::Plan {
  std::size_t n = 0;
  std::size_t size = 0;                        // power of two >= 2n - 1
  std::vector<double> chirpRe, chirpIm;        // e^(-pi i j^2 / n), j < n
  std::vector<double> kernelRe, kernelIm;      // FFT of the conjugate chirp, circular
  const Twiddles* twiddles = nullptr;
};

namespace {

using Plan = FourierWorkspace::Plan;
using Twiddles = FourierWorkspace::Twiddles;

const Twiddles& twiddlesFor(FourierWorkspace& w, std::size_t size) {
  for (const auto& t : w.twiddles) {
    if (t->size == size) return *t;
  }
  auto t = std::make_unique<Twiddles>();
  t->size = size;
  t->cosines.resize(size / 2);
  t->sines.resize(size / 2);
  for (std::size_t k = 0; k < size / 2; ++k) {
    const double a = -2.0 * kPi * static_cast<double>(k) / static_cast<double>(size);
    t->cosines[k] = std::cos(a);
    t->sines[k] = std::sin(a);
  }
  w.twiddles.push_back(std::move(t));
  return *w.twiddles.back();
}

void makePlan(Plan& plan, std::size_t n, const Twiddles& twiddles) {
  plan.n = n;
  plan.size = twiddles.size;
  plan.twiddles = &twiddles;
  const std::size_t size = plan.size;
  plan.chirpRe.resize(n);
  plan.chirpIm.resize(n);
  for (std::size_t j = 0; j < n; ++j) {
    // j^2 mod 2n keeps the angle small, so it is exact to rounding.
    const std::size_t q = (j * j) % (2 * n);
    const double a = -kPi * static_cast<double>(q) / static_cast<double>(n);
    plan.chirpRe[j] = std::cos(a);
    plan.chirpIm[j] = std::sin(a);
  }
  plan.kernelRe.assign(size, 0.0);
  plan.kernelIm.assign(size, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    plan.kernelRe[j] = plan.chirpRe[j];
    plan.kernelIm[j] = -plan.chirpIm[j];
    if (j > 0) {
      plan.kernelRe[size - j] = plan.chirpRe[j];
      plan.kernelIm[size - j] = -plan.chirpIm[j];
    }
  }
  fft(plan.kernelRe, plan.kernelIm, twiddles.cosines, twiddles.sines);
}

const Plan& planFor(FourierWorkspace& w, std::size_t n) {
  for (const auto& plan : w.plans) {
    if (plan->n == n) return *plan;
  }
  // The lengths of a few alignments recur; keep the latest ones.
  constexpr std::size_t kKeptPlans = 48;
  if (w.plans.size() >= kKeptPlans) w.plans.erase(w.plans.begin());
  w.plans.push_back(std::make_unique<Plan>());
  makePlan(*w.plans.back(), n, twiddlesFor(w, std::bit_ceil(2 * n - 1)));
  return *w.plans.back();
}

// X_k = sum_j x_j e^(-2 pi i k j / n) for k = 0 .. n/2 into re, im.
void fastTransform(std::span<const double> x, FourierWorkspace& w, std::vector<double>& re,
                   std::vector<double>& im) {
  const std::size_t n = x.size();
  const Plan& plan = planFor(w, n);
  const std::size_t size = plan.size;
  w.bufferRe.assign(size, 0.0);
  w.bufferIm.assign(size, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    w.bufferRe[j] = x[j] * plan.chirpRe[j];
    w.bufferIm[j] = x[j] * plan.chirpIm[j];
  }
  fft(w.bufferRe, w.bufferIm, plan.twiddles->cosines, plan.twiddles->sines);
  for (std::size_t k = 0; k < size; ++k) {
    const double ar = w.bufferRe[k];
    const double ai = w.bufferIm[k];
    // Multiply by the kernel and conjugate, so that the forward FFT below
    // acts as the inverse one.
    w.bufferRe[k] = ar * plan.kernelRe[k] - ai * plan.kernelIm[k];
    w.bufferIm[k] = -(ar * plan.kernelIm[k] + ai * plan.kernelRe[k]);
  }
  fft(w.bufferRe, w.bufferIm, plan.twiddles->cosines, plan.twiddles->sines);
  const double scale = 1.0 / static_cast<double>(size);
  const std::size_t half = n / 2;
  re.resize(half + 1);
  im.resize(half + 1);
  for (std::size_t k = 0; k <= half; ++k) {
    const double cr = w.bufferRe[k] * scale;
    const double ci = -w.bufferIm[k] * scale;
    re[k] = cr * plan.chirpRe[k] - ci * plan.chirpIm[k];
    im[k] = cr * plan.chirpIm[k] + ci * plan.chirpRe[k];
  }
}

// The magnitude spectrum (M_1 .. M_half) from the transform's bins, as
// magnitudeSpectrum forms it.
void magnitudes(const std::vector<double>& re, const std::vector<double>& im, std::size_t n,
                std::vector<double>& spectrum) {
  const std::size_t half = n / 2;
  spectrum.resize(half);
  for (std::size_t k = 1; k <= half; ++k) {
    spectrum[k - 1] =
        k < half ? 2.0 * std::sqrt(re[k] * re[k] + im[k] * im[k]) : 2.0 * std::fabs(re[k]);
  }
}

void fastSpectrum(std::span<const double> x, FourierWorkspace& w, std::vector<double>& spectrum) {
  fastTransform(x, w, w.re, w.im);
  magnitudes(w.re, w.im, x.size(), spectrum);
}

std::uint64_t hashOf(std::span<const double> window) {
  std::uint64_t h = 0x84222325cbf29ce4ull;
  for (const double v : window) h = (h ^ std::bit_cast<std::uint64_t>(v)) * 0x100000001b3ull;
  return h;
}

bool identical(std::span<const double> x, std::span<const double> y) {
  return x.size() == y.size() && std::memcmp(x.data(), y.data(), x.size() * sizeof(double)) == 0;
}

}  // namespace

FourierWorkspace::FourierWorkspace() = default;
FourierWorkspace::~FourierWorkspace() = default;

SimilarityResult plainFourierAlignment(std::span<const double> s, std::span<const double> l,
                                       std::size_t skip, std::uint32_t flags,
                                       FourierWorkspace& workspace) {
  // The whole shorter sequence meets every window of the longer one: its
  // spectrum is computed once, at the first such window.
  SpectrumWorkspace& spectra = workspace.spectrum;
  bool haveWhole = false;
  return bestAlignment(s, l, skip, [&](std::span<const double> x, std::span<const double> y) {
    const bool isWhole = x.size() == s.size();
    if (isWhole && !haveWhole) {
      magnitudeSpectrum(s, workspace.whole, spectra);
      haveWhole = true;
    }
    if (!isWhole) magnitudeSpectrum(x, spectra.spectrumX, spectra);
    magnitudeSpectrum(y, spectra.spectrumY, spectra);
    return compareSpectra(isWhole ? workspace.whole : spectra.spectrumX, spectra.spectrumY, flags);
  });
}

SimilarityResult fourierAlignment(std::span<const double> s, std::span<const double> l,
                                  std::size_t skip, std::uint32_t flags,
                                  FourierWorkspace& workspace) {
  const std::size_t b = s.size();
  if (b < kShortWindow || l.size() < b) return plainFourierAlignment(s, l, skip, flags, workspace);
  FourierWorkspace& w = workspace;

  // A window of one repeated value has no spectrum but rounding noise, which
  // the correlation scales up to an arbitrary score; only the plain
  // transform gives the plain noise. So such windows are always scored
  // plainly, and a constant shorter sequence leaves the whole alignment to it.
  std::size_t tailStart = b - 1;  // s[i..] is constant from here on
  while (tailStart > 0 && s[tailStart - 1] == s[b - 1]) --tailStart;
  if (tailStart == 0) return plainFourierAlignment(s, l, skip, flags, workspace);
  std::vector<std::size_t>& runEnd = w.runEnd;  // one past the run of equal values at i
  runEnd.resize(l.size());
  for (std::size_t i = l.size(); i-- > 0;) {
    runEnd[i] = i + 1 < l.size() && l[i + 1] == l[i] ? runEnd[i + 1] : i + 1;
  }

  // The windows in the order of bestAlignment: dropped leading values first
  // (offset -i), then every window of the longer sequence (offset i).
  std::vector<FourierWorkspace::Window>& windows = w.windows;
  windows.clear();
  for (std::size_t i = 1; i <= skip && i < b && b - i <= l.size(); ++i) {
    const bool constant = i >= tailStart || runEnd[0] >= b - i;
    double score = 0.0;
    if (!constant) {
      fastSpectrum(s.subspan(i), w, w.spectrumX);
      fastSpectrum(l.subspan(0, b - i), w, w.spectrumY);
      score = compareSpectra(w.spectrumX, w.spectrumY, flags);
    }
    windows.push_back({-static_cast<std::ptrdiff_t>(i), score, constant});
  }
  fastSpectrum(s, w, w.wholeFast);
  // The windows of the longer sequence, by the sliding transform:
  // X_k(i+1) = (X_k(i) - l_i + l_(i+b)) e^(2 pi i k / b).
  const std::size_t half = b / 2;
  w.rotationRe.resize(half + 1);
  w.rotationIm.resize(half + 1);
  for (std::size_t k = 0; k <= half; ++k) {
    const double a = 2.0 * kPi * static_cast<double>(k) / static_cast<double>(b);
    w.rotationRe[k] = std::cos(a);
    w.rotationIm[k] = std::sin(a);
  }
  for (std::size_t i = 0; i + b <= l.size(); ++i) {
    if (i % kAnchorInterval == 0) {
      fastTransform(l.subspan(i, b), w, w.slideRe, w.slideIm);
    } else {
      const double change = l[i - 1 + b] - l[i - 1];
      for (std::size_t k = 0; k <= half; ++k) {
        const double re = w.slideRe[k] + change;
        const double im = w.slideIm[k];
        w.slideRe[k] = re * w.rotationRe[k] - im * w.rotationIm[k];
        w.slideIm[k] = re * w.rotationIm[k] + im * w.rotationRe[k];
      }
    }
    const bool constant = runEnd[i] >= i + b;
    double score = 0.0;
    if (!constant) {
      magnitudes(w.slideRe, w.slideIm, b, w.spectrumY);
      score = compareSpectra(w.wholeFast, w.spectrumY, flags);
    }
    windows.push_back({static_cast<std::ptrdiff_t>(i), score, constant});
  }
  if (windows.empty()) return {-1.0, 0.0};

  // The plain transform decides among the windows that come close to the
  // best and the constant ones: the same window, value and offset as the
  // plain alignment. Of identical windows only the first can win.
  double top = -INFINITY;
  for (const auto& window : windows) {
    if (!window.constant) top = std::max(top, window.score);
  }
  SimilarityResult best{-1.0, 0.0};
  bool haveWhole = false;
  std::vector<std::pair<std::uint64_t, std::ptrdiff_t>>& seen = w.seen;
  seen.clear();
  for (const auto& window : windows) {
    if (!window.constant && !(window.score >= top - kCandidateMargin)) continue;
    const std::ptrdiff_t offset = window.offset;
    double score = 0.0;
    if (offset < 0) {
      const auto i = static_cast<std::size_t>(-offset);
      magnitudeSpectrum(s.subspan(i), w.spectrum.spectrumX, w.spectrum);
      magnitudeSpectrum(l.subspan(0, b - i), w.spectrum.spectrumY, w.spectrum);
      score = compareSpectra(w.spectrum.spectrumX, w.spectrum.spectrumY, flags);
    } else {
      const std::span<const double> y = l.subspan(static_cast<std::size_t>(offset), b);
      const std::uint64_t h = hashOf(y);
      const bool repeated = std::any_of(seen.begin(), seen.end(), [&](const auto& e) {
        return e.first == h && identical(y, l.subspan(static_cast<std::size_t>(e.second), b));
      });
      if (repeated) continue;
      seen.emplace_back(h, offset);
      if (!haveWhole) {
        magnitudeSpectrum(s, w.whole, w.spectrum);
        haveWhole = true;
      }
      magnitudeSpectrum(y, w.spectrum.spectrumY, w.spectrum);
      score = compareSpectra(w.whole, w.spectrum.spectrumY, flags);
    }
    if (score > best.value) best = {score, static_cast<double>(offset)};
  }
  return best;
}

}  // namespace suite::similarity
