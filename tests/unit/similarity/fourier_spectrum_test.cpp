// Pitch ranks, magnitude spectra and the Fourier comparison of windows.
#include "similarity/fourier_spectrum.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdint>
#include <numbers>
#include <string>
#include <vector>

#include "similarity/type_flags.h"
#include "similarity/type_table.h"

namespace suite::similarity {
namespace {

core::Melody melodyOf(const std::vector<std::int8_t>& pitches) {
  core::Melody m;
  m.pitches = pitches;
  return m;
}

TEST(PitchRanksTest, DistinctValuesRankedWithoutGaps) {
  struct Case {
    std::vector<std::int8_t> pitches;
    std::vector<double> ranks;
  };
  const Case cases[] = {
      {{60, 64, 62, 64}, {0, 2, 1, 2}},
      {{}, {}},
      {{72}, {0}},
      {{67, 67, 67}, {0, 0, 0}},
      {{127, 0, -128, 60, 0}, {3, 1, 0, 2, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.pitches));
    EXPECT_EQ(pitchRanks(melodyOf(c.pitches)), c.ranks);
  }
}

// Expected spectra worked out by hand from the definition: M_k = 2|X_k| for
// 0 < k < n/2, 2|Re X_{n/2}| at the last index, no constant term.
TEST(MagnitudeSpectrumTest, HandComputedSpectra) {
  struct Case {
    const char* name;
    std::vector<double> window;
    std::vector<double> spectrum;
  };
  const Case cases[] = {
      // Re_1 = Im_1 = 0, Re_2 = -2.
      {"0 1 0 1", {0, 1, 0, 1}, {0, 4}},
      {"empty", {}, {}},
      {"one value", {5}, {}},
      // Re_1 = a - b.
      {"two values", {1, 3}, {4}},
      // Only the real part at floor(3/2) = 1: 1 - 2/2 - 3/2 = -1.5.
      {"odd length takes the real part", {1, 2, 3}, {3}},
      // An impulse has X_k = 1 everywhere.
      {"impulse", {1, 0, 0, 0, 0}, {2, 2}},
      // The constant term is left out.
      {"constant", {3, 3, 3, 3}, {0, 0}},
      // cos(2 pi j / 8): X_1 = 4, nothing elsewhere.
      {"cosine", {1, std::sqrt(0.5), 0, -std::sqrt(0.5), -1, -std::sqrt(0.5), 0, std::sqrt(0.5)},
       {8, 0, 0, 0}},
      // (1 1 0 0 0 0): X_1 = 1.5 - i sqrt(3)/2, X_2 = 0.5 - i sqrt(3)/2, Re X_3 = 0.
      {"two ones", {1, 1, 0, 0, 0, 0}, {2 * std::sqrt(3.0), 2, 0}},
  };
  SpectrumWorkspace workspace;
  std::vector<double> spectrum = {7, 7, 7, 7, 7, 7, 7};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    magnitudeSpectrum(c.window, spectrum, workspace);
    ASSERT_EQ(spectrum.size(), c.spectrum.size());
    for (std::size_t k = 0; k < spectrum.size(); ++k) {
      SCOPED_TRACE(k);
      EXPECT_NEAR(spectrum[k], c.spectrum[k], 1e-12);
    }
    EXPECT_EQ(magnitudeSpectrum(c.window), spectrum);
  }
}

// Against a plain complex transform with the library's own pi; the
// truncated 2 pi of the measure differs by a few 1e-15.
std::vector<double> referenceSpectrum(const std::vector<double>& x) {
  const std::size_t n = x.size();
  std::vector<double> m;
  for (std::size_t k = 1; k <= n / 2; ++k) {
    std::complex<double> sum = 0.0;
    for (std::size_t j = 0; j < n; ++j) {
      sum += x[j] * std::polar(1.0, -2.0 * std::numbers::pi * static_cast<double>(k * j) /
                                        static_cast<double>(n));
    }
    m.push_back(k < n / 2 ? 2.0 * std::abs(sum) : 2.0 * std::abs(sum.real()));
  }
  return m;
}

TEST(MagnitudeSpectrumTest, AgreesWithAComplexTransformForManyLengths) {
  SpectrumWorkspace workspace;
  std::vector<double> spectrum;
  std::uint32_t state = 7;
  // Lengths go up and down so that the kept factors are replaced.
  for (const std::size_t n : {std::size_t{2}, std::size_t{3}, std::size_t{9}, std::size_t{50},
                              std::size_t{7}, std::size_t{50}, std::size_t{64},
                              std::size_t{1031}, std::size_t{12}}) {
    SCOPED_TRACE(n);
    std::vector<double> x;
    for (std::size_t j = 0; j < n; ++j) {
      state = state * 1103515245u + 12345u;
      x.push_back(static_cast<double>((state >> 16) % 25));  // ranks 0..24
    }
    magnitudeSpectrum(x, spectrum, workspace);
    const std::vector<double> expected = referenceSpectrum(x);
    ASSERT_EQ(spectrum.size(), expected.size());
    double worst = 0.0;
    for (std::size_t k = 0; k < expected.size(); ++k) {
      worst = std::max(worst, std::fabs(spectrum[k] - expected[k]));
    }
    EXPECT_LT(worst, 1e-9 * static_cast<double>(n));
    // A fresh workspace gives the same bits as the reused one.
    EXPECT_EQ(magnitudeSpectrum(x), spectrum);
  }
}

TEST(FourierSimilarityTest, SpectraComparedAfterTheRowFlags) {
  const std::uint32_t fourR = typeTable[typeIndex("fourR")].flags;
  const std::uint32_t fourRSt = typeTable[typeIndex("fourRSt")].flags;
  const std::uint32_t fourRI = typeTable[typeIndex("fourRI")].flags;
  const std::vector<double> impulse = {1, 0, 0, 0, 0, 0};  // spectrum 2 2 2
  const std::vector<double> twoOnes = {1, 1, 0, 0, 0, 0};  // 2 sqrt(3), 2, 0
  struct Case {
    const char* name;
    std::vector<double> x;
    std::vector<double> y;
    std::uint32_t flags;
    double expected;
  };
  const double r3 = std::sqrt(3.0);
  // Uncentred correlation: (4 sqrt 3 + 4) / sqrt(12 * 16).
  const double correlation = (4 * r3 + 4) / std::sqrt(192.0);
  // Differences (0 0) against (2 - 2 sqrt 3, -2): a = (2 sqrt 3 - 2, 2),
  // mean sqrt 3, 1 - mean / (max a + standard deviation of a).
  const double meanA = r3;
  const double spreadA = std::sqrt(((2 * r3 - 2 - meanA) * (2 * r3 - 2 - meanA) +
                                    (2 - meanA) * (2 - meanA)) / 2);
  const double intervals = 1 - meanA / (2 + spreadA);
  const Case cases[] = {
      {"identical", twoOnes, twoOnes, fourR, 1.0},
      {"shifted pattern has the same spectrum", {0, 1, 0, 1}, {1, 0, 1, 0}, fourR, 1.0},
      {"correlation of spectra", impulse, twoOnes, fourR, correlation},
      {"stretched", impulse, twoOnes, fourRSt, correlation},
      {"intervals of spectra", impulse, twoOnes, fourRI, intervals},
      {"intervals, identical", twoOnes, twoOnes, fourRI, 1.0},
      {"empty spectra", {3}, {5}, fourR, 1.0},
      {"empty windows", {}, {}, fourRSt, 1.0},
      {"intervals, empty spectra", {3}, {5}, fourRI, 0.0},
      {"intervals, one value", {1, 2}, {1, 2}, fourRI, 0.0},
      {"intervals, one value of three", {1, 2, 3}, {1, 2, 3}, fourRI, 0.0},
      {"different lengths", {1, 2, 3, 4}, {1, 2}, fourR, 0.0},
  };
  SpectrumWorkspace workspace;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(fourierSimilarity(c.x, c.y, c.flags, workspace), c.expected, 1e-12);
  }
}

}  // namespace
}  // namespace suite::similarity
