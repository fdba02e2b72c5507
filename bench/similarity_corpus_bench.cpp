// Similarity over all pairs of a melody list, prepared melodies against the
// per-pair computation, in processor time (so that other load on the machine
// counts less): the default measures with the transposition search, then each
// measure family alone on the same pairs. The per-pair computation runs on
// the first pairs only (it is much slower); both runs are checked to give the
// same values.
//
//   similarity_corpus_bench LIST [--reference-pairs N] [--families] [--types] [--type NAME]...
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/prepared_melody.h"
#include "similarity/type_flags.h"
#include "similarity/types_file.h"

namespace {

using namespace suite;
using namespace suite::similarity;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

struct Pair {
  std::size_t i, j;
};

core::Melody transposed(const core::Melody& m, int shift) {
  core::Melody copy = m;
  for (std::int8_t& p : copy.pitches) p = static_cast<std::int8_t>(p + shift);
  return copy;
}

// A family: catalogue types measured together, as single-type measures.
struct Family {
  std::string name;
  std::vector<std::string> types;
};

std::vector<Family> families() {
  return {
      {"raw pitch edit distance", {"rawEd", "rawEdw"}},
      {"raw pitch correlation", {"rawPC", "rawPCSt", "rawPCw", "rawPCwSt", "rawCC", "rawCCw",
                                 "connPCS"}},
      {"contour edit distance", {"conSEd", "conEd", "connEd"}},
      {"contour correlation", {"conSPC", "conSPCSt", "conSCC", "conPC", "conPCSt", "conCC",
                               "connPC", "connCC"}},
      {"Fourier (notes)", {"fourR", "fourRSt", "fourRI"}},
      {"Fourier (weighted)", {"fourRw", "fourRwSt"}},
      {"intervals", {"diffEd", "diff", "diffExp", "diffFuz", "diffFuzC"}},
      {"interval n-grams", {"nGrSumCo", "nGrUkkon", "nGrCoord", "nGrSumCR", "nGrUkkoR", "nGrCoorR",
                            "nGrSumCF", "nGrUkkoF", "nGrCoorF", "bGrSumCo", "bGrUkkon", "bGrCoord",
                            "bGrSumCR", "bGrUkkoR", "bGrCoorR", "bGrSumCF", "bGrUkkoF", "bGrCoorF",
                            "qGrSumCo", "qGrUkkon", "qGrCoord", "qGrSumCR", "qGrUkkoR", "qGrCoorR",
                            "qGrSumCF", "qGrUkkoF", "qGrCoorF"}},
      {"fuzzy rhythm", {"rhytFuzz", "rhytFuz2", "nGrSumFR", "nGrUkkFR", "nGrCooFR", "bGrSumFR",
                        "bGrUkkFR", "bGrCooFR", "qGrSumFR", "qGrUkkFR", "qGrCooFR"}},
      {"Gauss rhythm", {"rhytGaus"}},
      {"harmonic", {"harmCorr", "harmCorK", "harmCorE", "harmCorC", "harmCoKA", "harmCoEA",
                    "harmCoCA", "harCorrW", "harCorKW", "harCorEW", "harCorCW", "harCoKAW",
                    "harCoEAW", "harCoCAW"}},
      {"accents", {"accents-opti1", "accents-opti2"}},
  };
}

std::vector<CombiType> singleTypes(const std::vector<std::string>& names) {
  std::vector<CombiType> measures;
  for (const std::string& name : names) {
    CombiType c;
    c.name = name;
    c.terms.push_back({{typeIndex(name)}, name, 1.0});
    measures.push_back(c);
  }
  return measures;
}

struct Timing {
  double seconds = 0.0;
  std::size_t pairs = 0;
  double microsPerPair() const { return pairs == 0 ? 0.0 : 1e6 * seconds / double(pairs); }
};

struct Run {
  Timing timing;
  std::vector<double> values;  // per pair and measure
};

// The prepared computation: preparation included, then per pair the
// transposition search (when asked) and every measure.
Run preparedRun(const std::vector<core::Melody>& melodies, const std::vector<Pair>& pairs,
                const std::vector<CombiType>& measures, bool transposition,
                const GaussTable* gauss) {
  std::ostringstream sink;
  Run run;
  const double start = cpuSeconds();
  const PreparationPlan plan = PreparationPlan::forMeasures(measures, transposition, false);
  const std::vector<PreparedMelody> prepared = prepareMelodies(melodies, plan, sink);
  EngineContext context(sink, gauss);
  run.values.reserve(pairs.size() * measures.size());
  for (const Pair& p : pairs) {
    const int t = transposition ? findBestTransposition(prepared[p.i], prepared[p.j], context) : 0;
    PairComparison pair(prepared[p.i], prepared[p.j], t, context);
    for (const CombiType& m : measures) run.values.push_back(pair.combi(m).value);
  }
  run.timing = {cpuSeconds() - start, pairs.size()};
  return run;
}

// Every step-th pair, so that a sample of about \a limit pairs has the mix of
// lengths of all pairs.
std::size_t sampleStep(std::size_t pairs, std::size_t limit) {
  return std::max<std::size_t>(1, pairs / std::max<std::size_t>(limit, 1));
}

// The per-pair computation on a sample of about \a limit pairs.
Run referenceRun(const std::vector<core::Melody>& melodies, const std::vector<Pair>& pairs,
                 std::size_t limit, const std::vector<CombiType>& measures, bool transposition,
                 const GaussTable* gauss) {
  std::ostringstream sink;
  Run run;
  EngineContext context(sink, gauss);
  const std::size_t step = sampleStep(pairs.size(), limit);
  std::size_t n = 0;
  const double start = cpuSeconds();
  for (std::size_t k = 0; k < pairs.size(); k += step, ++n) {
    const core::Melody& a = melodies[pairs[k].i];
    const core::Melody& b = melodies[pairs[k].j];
    const int t = transposition ? findBestTransposition(a, b, context) : 0;
    const core::Melody bt = transposed(b, t);
    for (const CombiType& m : measures) run.values.push_back(evaluateCombiType(a, bt, m, context).value);
    sink.str("");
  }
  run.timing = {cpuSeconds() - start, n};
  return run;
}

double largestDifference(const Run& fast, const Run& reference, std::size_t step,
                         std::size_t measures) {
  double worst = 0.0;
  for (std::size_t k = 0; k < reference.values.size(); ++k) {
    const double a = fast.values[(k / measures) * step * measures + k % measures];
    const double b = reference.values[k];
    if (std::isnan(a) != std::isnan(b)) return INFINITY;
    if (!std::isnan(a)) worst = std::max(worst, std::fabs(a - b));
  }
  return worst;
}

void report(const std::string& name, const Run& fast, const Run& reference, std::size_t limit,
            std::size_t measures) {
  std::printf("%-26s %10.1f %12.1f %8.1fx   %zu/%zu pairs   max |diff| %.3g\n", name.c_str(),
              fast.timing.microsPerPair(), reference.timing.microsPerPair(),
              reference.timing.microsPerPair() / fast.timing.microsPerPair(), fast.timing.pairs,
              reference.timing.pairs,
              measures == 0 ? 0.0
                            : largestDifference(fast, reference,
                                                sampleStep(fast.timing.pairs, limit), measures));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: " << argv[0] << " LIST [--reference-pairs N] [--families] [--types]\n";
    return 2;
  }
  std::size_t referencePairs = 2000;
  bool perFamily = false;
  bool perType = false;
  std::vector<std::string> chosen;
  for (int k = 2; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--reference-pairs" && k + 1 < argc) referencePairs = std::stoul(argv[++k]);
    if (arg == "--families") perFamily = true;
    if (arg == "--types") perType = true;
    if (arg == "--type" && k + 1 < argc) chosen.emplace_back(argv[++k]);
  }
  std::ostringstream messages;
  std::vector<std::string> names;
  if (!core::readFileList(argv[1], names, std::cerr)) return 1;
  core::MelodyReader reader(messages);
  std::vector<core::Melody> melodies;
  core::readMelodyFiles(reader, names, melodies);
  std::vector<Pair> pairs;
  for (std::size_t i = 0; i < melodies.size(); ++i) {
    for (std::size_t j = i + 1; j < melodies.size(); ++j) pairs.push_back({i, j});
  }
  GaussTable gauss;
  buildGaussTable(gauss, messages);
  std::printf("%zu melodies, %zu pairs; processor time\n", melodies.size(), pairs.size());
  std::printf("%-26s %10s %12s %9s\n", "", "prepared", "per pair", "ratio");
  std::printf("%-26s %10s %12s\n", "", "us/pair", "us/pair");

  SelectedMeasures defaults;
  addDefaultTypes(";", 0, defaults, messages);
  const Run fast = preparedRun(melodies, pairs, defaults.measures, true, &gauss);
  const Run reference = referenceRun(melodies, pairs, referencePairs, defaults.measures, true, &gauss);
  report("default measures", fast, reference, referencePairs, defaults.measures.size());
  std::printf("%-26s %10.0f %12.0f   pairs per second\n", "", 1e6 / fast.timing.microsPerPair(),
              1e6 / reference.timing.microsPerPair());

  const Run searchFast = preparedRun(melodies, pairs, {}, true, &gauss);
  const Run searchReference = referenceRun(melodies, pairs, referencePairs, {}, true, &gauss);
  report("transposition search", searchFast, searchReference, referencePairs, 0);

  const auto measure = [&](const std::string& name, const std::vector<std::string>& types) {
    const std::vector<CombiType> measures = singleTypes(types);
    // Slow families get fewer reference pairs.
    const Run f = preparedRun(melodies, pairs, measures, false, &gauss);
    const double perPair = f.timing.microsPerPair();
    std::size_t limit = referencePairs;
    if (perPair > 200) limit = std::max<std::size_t>(20, referencePairs / 20);
    const Run r = referenceRun(melodies, pairs, limit, measures, false, &gauss);
    report(name, f, r, limit, measures.size());
  };
  if (perFamily) {
    for (const Family& family : families()) measure(family.name, family.types);
  }
  for (const std::string& name : chosen) measure(name, {name});
  if (perType) {
    for (const SimilarityType& type : typeTable) measure(std::string(type.name), {std::string(type.name)});
  }
  return 0;
}
