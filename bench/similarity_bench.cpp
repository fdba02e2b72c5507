// Timing of the edit distance and the n-gram measures on interval and pitch
// sequences of real melodies, with and without a reused workspace.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/edit_distance.h"
#include "similarity/ngram.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"
#include "support/plain_edit_distance.h"

namespace {

using namespace suite;
using namespace suite::similarity;

core::Melody load(const std::string& name) {
  core::MelodyReader reader(std::cerr);
  core::Melody melody;
  if (!core::readMelodyFile(reader, std::string(SUITE_BENCH_DATA_DIR) + "/melodies/" + name, melody)) {
    std::cerr << "cannot read " << name << '\n';
    std::exit(1);
  }
  return melody;
}

struct Sequences {
  std::vector<double> pitchesA, pitchesB;  // concatenated tunes, 280+ values each
  std::vector<double> intervalsA, intervalsB;
  std::vector<double> roughA, roughB;
  std::vector<double> tatumsA, tatumsB;  // tatum expansions, 500+ values each
};

const Sequences& sequences() {
  static const Sequences s = [] {
    const core::Melody galway = load("ATripToGalway.csv");
    const core::Melody gort = load("DowntheGortRoadreel.csv");
    const core::Melody tipperary = load("TipperaryHills.csv");
    auto join = [](std::vector<double> a, const std::vector<double>& b) {
      a.insert(a.end(), b.begin(), b.end());
      return a;
    };
    Sequences r;
    r.pitchesA = join(pitchSequence(galway), pitchSequence(tipperary));
    r.pitchesB = join(pitchSequence(gort), pitchSequence(galway));
    r.intervalsA = intervalSequence(galway, Intervals);
    r.intervalsB = intervalSequence(gort, Intervals);
    r.roughA = intervalSequence(galway, Intervals | Rough);
    r.roughB = intervalSequence(gort, Intervals | Rough);
    std::ostream none(nullptr);
    r.tatumsA = join(pitchSequence(galway.expandToTatums(none)),
                     pitchSequence(tipperary.expandToTatums(none)));
    r.tatumsB = join(pitchSequence(gort.expandToTatums(none)), pitchSequence(galway.expandToTatums(none)));
    return r;
  }();
  return s;
}

std::span<const double> first(const std::vector<double>& v, std::int64_t n) {
  return std::span<const double>(v).first(std::size_t(n));
}

void editDistanceWithWorkspace(benchmark::State& state) {
  const auto x = first(sequences().pitchesA, state.range(0));
  const auto y = first(sequences().pitchesB, state.range(0));
  EditDistanceWorkspace workspace;
  for (auto _ : state) benchmark::DoNotOptimize(editDistance(x, y, workspace));
}
BENCHMARK(editDistanceWithWorkspace)->Arg(50)->Arg(200);

// The kernel alone: the pattern prepared and the text mapped once.
void editDistancePrepared(benchmark::State& state) {
  const auto& s = sequences();
  const bool tatums = state.range(0) > 280;
  const auto x = first(tatums ? s.tatumsA : s.pitchesA, state.range(0));
  const auto y = first(tatums ? s.tatumsB : s.pitchesB, state.range(0));
  const EditPattern pattern(x);
  EditDistanceWorkspace workspace;
  std::vector<std::int32_t> text;
  pattern.symbolsOf(y, text);
  for (auto _ : state) benchmark::DoNotOptimize(editDistance(pattern, text, workspace));
}
BENCHMARK(editDistancePrepared)->Arg(64)->Arg(184)->Arg(280)->Arg(547);

void editDistanceFreshWorkspace(benchmark::State& state) {
  const auto x = first(sequences().pitchesA, state.range(0));
  const auto y = first(sequences().pitchesB, state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(editDistance(x, y));
}
BENCHMARK(editDistanceFreshWorkspace)->Arg(50)->Arg(200);

void editDistanceRowByRowBaseline(benchmark::State& state) {
  const auto x = first(sequences().pitchesA, state.range(0));
  const auto y = first(sequences().pitchesB, state.range(0));
  std::vector<std::size_t> row;
  for (auto _ : state) benchmark::DoNotOptimize(test::plainEditDistance(x, y, row));
}
BENCHMARK(editDistanceRowByRowBaseline)->Arg(50)->Arg(200);

template <std::uint32_t kMethod, bool kRough>
void nGramWithWorkspace(benchmark::State& state) {
  const auto& s = sequences();
  const auto x = first(kRough ? s.roughA : s.intervalsA, state.range(0));
  const auto y = first(kRough ? s.roughB : s.intervalsB, state.range(0));
  NGramWorkspace workspace;
  for (auto _ : state) {
    benchmark::DoNotOptimize(nGramSimilarity(x, y, Intervals | NGrams | kMethod, 3, workspace));
  }
}

template <std::uint32_t kMethod>
void nGramFreshWorkspace(benchmark::State& state) {
  const auto x = first(sequences().intervalsA, state.range(0));
  const auto y = first(sequences().intervalsB, state.range(0));
  for (auto _ : state) {
    benchmark::DoNotOptimize(nGramSimilarity(x, y, Intervals | NGrams | kMethod, 3));
  }
}

BENCHMARK(nGramWithWorkspace<SumCommon, false>)->Name("nGramSumCommon")->Arg(50)->Arg(95);
BENCHMARK(nGramWithWorkspace<CountDistinct, false>)->Name("nGramCountDistinct")->Arg(50)->Arg(95);
BENCHMARK(nGramWithWorkspace<Ukkonen, false>)->Name("nGramUkkonen")->Arg(50)->Arg(95);
BENCHMARK(nGramWithWorkspace<Ukkonen, true>)->Name("nGramUkkonenRough")->Arg(50);
BENCHMARK(nGramFreshWorkspace<Ukkonen>)->Name("nGramUkkonenFreshWorkspace")->Arg(50);

}  // namespace

