// Benchmarks of the feature computations: all 133 rows of a reel, single
// rows, and the dynamic n-gram complexity of long repetitive melodies.
#include <benchmark/benchmark.h>

#include <sstream>

#include "analysis/features.h"
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

// \a copies repetitions of an 8-note phrase, one note per beat in 4/4.
core::Melody repeatedPhrase(int copies) {
  core::Melody m;
  m.signature = {4, 4, 480};
  const int phrase[] = {62, 67, 69, 71, 69, 67, 66, 64};
  core::MetricalPosition p{1, 1, 0, 1};
  for (int c = 0; c < copies; ++c) {
    for (const int pitch : phrase) {
      m.pitches.push_back(static_cast<std::int8_t>(pitch));
      m.durations.push_back(1);
      m.timeline.append(p);
      p.advance(480, m.signature);
    }
  }
  m.timeline.cachedTatum = 480;
  m.phraseFlags = m.computePhraseFlags();
  return m;
}

void BM_AllFeaturesOfAReel(benchmark::State& state) {
  const core::Melody m = reel();
  for (auto _ : state) {
    for (const analysis::FeatureDef& feature : analysis::featureTable) {
      benchmark::DoNotOptimize(analysis::computeFeature(m, feature));
    }
  }
  state.SetItemsProcessed(state.iterations());  // melodies
}
BENCHMARK(BM_AllFeaturesOfAReel);

void BM_OneRowOfAReel(benchmark::State& state) {
  const core::Melody m = reel();
  const auto row = static_cast<std::size_t>(state.range(0));
  const analysis::FeatureDef& feature = analysis::featureTable[row];
  state.SetLabel(std::string(feature.name));
  for (auto _ : state) benchmark::DoNotOptimize(analysis::computeFeature(m, feature));
}
// Dynamic n-grams, their entropy and Zipf variants, a divergence vector,
// an accent rule, the linear accent model, the bar keys.
BENCHMARK(BM_OneRowOfAReel)->Arg(44)->Arg(46)->Arg(114)->Arg(81)->Arg(0)->Arg(31)->Arg(130);

// Repeated phrases keep n-grams of every length below the repeat recurring,
// so the dynamic complexity counts many lengths.
void BM_DynamicNGramsOfRepeatedPhrases(benchmark::State& state) {
  const core::Melody m = repeatedPhrase(static_cast<int>(state.range(0)));
  const analysis::FeatureDef& feature = analysis::featureTable[44];  // ngramall
  for (auto _ : state) benchmark::DoNotOptimize(analysis::computeFeature(m, feature));
  state.SetComplexityN(state.range(0) * 8);
}
BENCHMARK(BM_DynamicNGramsOfRepeatedPhrases)->RangeMultiplier(4)->Range(4, 256)->Complexity();

}  // namespace
