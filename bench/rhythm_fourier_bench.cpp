// Timing of the Gauss table build and the Gauss rhythm comparison (table,
// direct kernel, plain exponential), the magnitude spectrum, the Fourier
// window comparison and the fuzzy rhythm measure on real melodies.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/type_flags.h"

namespace {

using namespace suite;
using namespace suite::similarity;

core::Melody loadMelody(const std::string& name) {
  core::MelodyReader reader(std::cerr);
  core::Melody melody;
  const std::string path = std::string(SUITE_BENCH_DATA_DIR) + "/melodies/" + name;
  if (!core::readMelodyFile(reader, path, melody)) {
    std::cerr << "cannot read " << name << '\n';
    std::exit(1);
  }
  return melody;
}

struct Inputs {
  core::Melody galway;
  core::Melody gort;
  std::vector<double> onsetsA;  // first 50 onsets of each tune (seconds)
  std::vector<double> onsetsB;
  std::vector<double> ranksA;   // first 50 pitch ranks
  std::vector<double> ranksB;
};

const Inputs& inputs() {
  static const Inputs in = [] {
    Inputs r;
    r.galway = loadMelody("ATripToGalway.csv");
    r.gort = loadMelody("DowntheGortRoadreel.csv");
    r.onsetsA.assign(r.galway.onsets.begin(), r.galway.onsets.begin() + 50);
    r.onsetsB.assign(r.gort.onsets.begin(), r.gort.onsets.begin() + 50);
    const std::vector<double> ranksA = pitchRanks(r.galway);
    const std::vector<double> ranksB = pitchRanks(r.gort);
    r.ranksA.assign(ranksA.begin(), ranksA.begin() + 50);
    r.ranksB.assign(ranksB.begin(), ranksB.begin() + 50);
    return r;
  }();
  return in;
}

const GaussTable& sharedGaussTable() {
  static const GaussTable table = [] {
    GaussTable t;
    std::ostringstream discard;
    if (!buildGaussTable(t, discard)) std::cerr << "Gauss table not reserved; direct kernel\n";
    return t;
  }();
  return table;
}

void gaussTableBuild(benchmark::State& state) {
  std::ostringstream err;
  for (auto _ : state) {
    GaussTable table;
    benchmark::DoNotOptimize(buildGaussTable(table, err));
    benchmark::DoNotOptimize(table.entries().data());
    err.str("");
  }
}
BENCHMARK(gaussTableBuild)->Unit(benchmark::kMillisecond);

void gaussSimilarityTable(benchmark::State& state) {
  const Inputs& in = inputs();
  const GaussTable& table = sharedGaussTable();
  for (auto _ : state) {
    benchmark::DoNotOptimize(gaussSimilarity(in.onsetsA, in.onsetsB, 0.03, 0.0, &table));
  }
}
BENCHMARK(gaussSimilarityTable);

void gaussSimilarityDirect(benchmark::State& state) {
  const Inputs& in = inputs();
  for (auto _ : state) {
    benchmark::DoNotOptimize(gaussSimilarity(in.onsetsA, in.onsetsB, 0.03, 0.0, nullptr));
  }
}
BENCHMARK(gaussSimilarityDirect);

// Baselines: every pair visited (no band), with the table's kernel and with
// exp(-g^2) of the unrounded g (not the measure).
template <class Kernel>
double everyPair(const std::vector<double>& x, const std::vector<double>& y, Kernel kernel) {
  const double e = 1.0 / 0.06;
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (std::size_t j = i + 1; j < x.size(); ++j) sxx += kernel((x[i] - x[j]) * e);
  }
  for (std::size_t i = 0; i < y.size(); ++i) {
    for (std::size_t j = i + 1; j < y.size(); ++j) syy += kernel((y[i] - y[j]) * e);
  }
  for (const double xi : x) {
    for (const double yj : y) sxy += kernel((xi - yj) * e);
  }
  return sxy / std::sqrt((double(x.size()) + 2 * sxx) * (double(y.size()) + 2 * syy));
}

void gaussEveryPairTableBaseline(benchmark::State& state) {
  const Inputs& in = inputs();
  const std::span<const double> entries = sharedGaussTable().entries();
  // The table look-up written out here so that it inlines as in the library.
  auto kernel = [entries](double g) {
    if (!(g > -3.71 && g < 3.71) || entries.empty()) return 0.0;
    return entries[std::size_t(std::floor((g + 3.71) * 1e6 + 0.5))];
  };
  for (auto _ : state) benchmark::DoNotOptimize(everyPair(in.onsetsA, in.onsetsB, kernel));
}
BENCHMARK(gaussEveryPairTableBaseline);

void gaussEveryPairPlainExpBaseline(benchmark::State& state) {
  const Inputs& in = inputs();
  auto kernel = [](double g) { return std::fabs(g) >= 3.71 ? 0.0 : std::exp(-(g * g)); };
  for (auto _ : state) benchmark::DoNotOptimize(everyPair(in.onsetsA, in.onsetsB, kernel));
}
BENCHMARK(gaussEveryPairPlainExpBaseline);

void magnitudeSpectrumCached(benchmark::State& state) {
  const Inputs& in = inputs();
  SpectrumWorkspace workspace;
  std::vector<double> spectrum;
  for (auto _ : state) {
    magnitudeSpectrum(in.ranksA, spectrum, workspace);
    benchmark::DoNotOptimize(spectrum.data());
  }
}
BENCHMARK(magnitudeSpectrumCached);

void magnitudeSpectrumFreshWorkspace(benchmark::State& state) {
  const Inputs& in = inputs();
  for (auto _ : state) benchmark::DoNotOptimize(magnitudeSpectrum(in.ranksA));
}
BENCHMARK(magnitudeSpectrumFreshWorkspace);

void fourierSimilarityOfWindows(benchmark::State& state) {
  const Inputs& in = inputs();
  SpectrumWorkspace workspace;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        fourierSimilarity(in.ranksA, in.ranksB, Fourier | Natural, workspace));
  }
}
BENCHMARK(fourierSimilarityOfWindows);

void fuzzyRhythmPair(benchmark::State& state) {
  const Inputs& in = inputs();
  const auto flags = static_cast<std::uint32_t>(state.range(0));
  const auto param = static_cast<std::int32_t>(state.range(1));
  FuzzyRhythmWorkspace workspace;
  std::ostringstream err;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        fuzzyRhythmSimilarity(in.galway, in.gort, flags, param, err, workspace));
  }
}
BENCHMARK(fuzzyRhythmPair)
    ->ArgNames({"flags", "param"})
    ->Args({Rhythm | Fuzzy, 0})                            // rhytFuzz
    ->Args({Rhythm | Fuzzy, 1})                            // rhytFuz2
    ->Args({Rhythm | NGrams | Fuzzy | Ukkonen, 2});        // bGrUkkFR

}  // namespace
