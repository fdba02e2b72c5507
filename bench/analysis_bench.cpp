// Benchmarks of the bar-wise tonality loops and the accent computations.
#include <benchmark/benchmark.h>

#include <sstream>

#include "analysis/accents.h"
#include "analysis/syncopation.h"
#include "analysis/tonality.h"
#include "core/melody_reader.h"

namespace {

using namespace suite;

core::Melody reel() {
  std::ostringstream sink;
  core::MelodyReader reader(sink);
  core::Melody m;
  core::readMelodyFile(reader, SUITE_BENCH_DATA_DIR "/melodies/DowntheGortRoadreel.csv", m);
  return m;
}

// A long melody: four notes in each of \a bars bars.
core::Melody longMelody(int bars) {
  core::Melody m;
  m.signature = {4, 4, 480};
  for (int b = 1; b <= bars; ++b) {
    for (std::uint32_t beat = 1; beat <= 4; ++beat) {
      m.pitches.push_back(static_cast<std::int8_t>(60 + (b * 7 + int(beat) * 2) % 12));
      m.durations.push_back(1);
      core::MetricalPosition p;
      p.bar = b;
      p.beat = beat;
      m.timeline.append(p);
    }
  }
  m.timeline.cachedTatum = 480;
  m.phraseFlags = m.computePhraseFlags();
  return m;
}

// Bar-wise keys and tonality vectors through one BarIndex.
void barwise(const core::Melody& m, benchmark::State& state) {
  std::vector<double> sums;
  std::ostream none(nullptr);  // no "Empty Bar!" lines in the timings
  for (auto _ : state) {
    const analysis::BarIndex index(m);
    for (int bar = 1; bar <= int(index.numberOfBars()); ++bar) {
      benchmark::DoNotOptimize(analysis::findKey(index, bar, sums, nullptr));
      benchmark::DoNotOptimize(
          analysis::tonalityVector(index, bar, analysis::kMajorMode, none, false));
    }
  }
}

// The same with the single-call forms, which index the melody every time.
void barwisePerCall(const core::Melody& m, benchmark::State& state) {
  std::vector<double> sums;
  std::ostream none(nullptr);
  const int bars = int(m.timeline.numberOfBars());
  for (auto _ : state) {
    for (int bar = 1; bar <= bars; ++bar) {
      benchmark::DoNotOptimize(analysis::findKey(m, bar, sums, nullptr));
      benchmark::DoNotOptimize(analysis::tonalityVector(m, bar, analysis::kMajorMode, none, false));
    }
  }
}

void BM_ReelBarwiseIndexed(benchmark::State& state) { barwise(reel(), state); }
void BM_ReelBarwisePerCall(benchmark::State& state) { barwisePerCall(reel(), state); }
void BM_LongBarwiseIndexed(benchmark::State& state) {
  barwise(longMelody(int(state.range(0))), state);
}
void BM_LongBarwisePerCall(benchmark::State& state) {
  barwisePerCall(longMelody(int(state.range(0))), state);
}

void BM_ReelAccentMatrixAllRules(benchmark::State& state) {
  const core::Melody m = reel();
  for (auto _ : state) benchmark::DoNotOptimize(analysis::accentMatrix(m, 0xFFFFFFFF, 0.0, 1.0));
}
void BM_ReelLinearModel(benchmark::State& state) {
  const core::Melody m = reel();
  for (auto _ : state) benchmark::DoNotOptimize(analysis::linearModelAccents(m, false));
}
void BM_ReelTreeModel(benchmark::State& state) {
  const core::Melody m = reel();
  for (auto _ : state) benchmark::DoNotOptimize(analysis::treeModelAccents(m, false));
}
void BM_ReelSyncopation(benchmark::State& state) {
  const core::Melody m = reel();
  for (auto _ : state) benchmark::DoNotOptimize(analysis::syncopation(m, 0));
}
void BM_LongTriads(benchmark::State& state) {
  const core::Melody m = longMelody(int(state.range(0)));
  const std::uint32_t mask = analysis::ruleBit(analysis::kTriad);
  for (auto _ : state) benchmark::DoNotOptimize(analysis::ruleAccents(m, mask));
}

BENCHMARK(BM_ReelBarwiseIndexed);
BENCHMARK(BM_ReelBarwisePerCall);
BENCHMARK(BM_LongBarwiseIndexed)->Arg(500)->Arg(2000)->Arg(8000);
BENCHMARK(BM_LongBarwisePerCall)->Arg(500)->Arg(2000);
BENCHMARK(BM_ReelAccentMatrixAllRules);
BENCHMARK(BM_ReelLinearModel);
BENCHMARK(BM_ReelTreeModel);
BENCHMARK(BM_ReelSyncopation);
BENCHMARK(BM_LongTriads)->Arg(500)->Arg(8000);

}  // namespace
