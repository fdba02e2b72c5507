// Similarity over all pairs of a melody list, prepared melodies against the
// per-pair computation, in processor time (so that other load on the machine
// counts less): the default measures with the transposition search, then each
// measure family alone on the same pairs. The per-pair computation runs on
// the first pairs only (it is much slower); both runs are checked to give the
// same values.
//
// The Fourier check compares the fast Fourier alignment with the plain one on
// every pair: values, offsets, the printed values (%1.4f, %.3f), and how far
// the fast window scores lie from the plain ones.
//
//   similarity_corpus_bench LIST [--reference-pairs N] [--family-pairs N] [--families]
//                           [--types] [--type NAME]... [--fourier-check]
#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "similarity/alignment.h"
#include "similarity/fourier_alignment.h"
#include "similarity/fourier_spectrum.h"
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

// Time per pair; for prepared runs the preparation of the melodies is spread
// over all pairs of the corpus, as in a run over all of them.
struct Timing {
  double seconds = 0.0;
  std::size_t pairs = 0;
  double preparation = 0.0;
  std::size_t allPairs = 0;
  double microsPerPair() const {
    if (pairs == 0) return 0.0;
    const double spread = allPairs == 0 ? 0.0 : preparation / double(allPairs);
    return 1e6 * (seconds / double(pairs) + spread);
  }
};

struct Run {
  Timing timing;
  std::vector<double> values;  // per pair and measure
};

// The prepared computation: the melodies prepared, then per pair the
// transposition search (when asked) and every measure. \a allPairs: the
// pairs of the corpus, over which the preparation is spread.
Run preparedRun(const std::vector<core::Melody>& melodies, const std::vector<Pair>& pairs,
                const std::vector<CombiType>& measures, bool transposition,
                const GaussTable* gauss, std::size_t allPairs) {
  std::ostringstream sink;
  Run run;
  const double prepareStart = cpuSeconds();
  const PreparationPlan plan = PreparationPlan::forMeasures(measures, transposition, false);
  const std::vector<PreparedMelody> prepared = prepareMelodies(melodies, plan, sink);
  run.timing.preparation = cpuSeconds() - prepareStart;
  run.timing.allPairs = allPairs;
  const double start = cpuSeconds();
  EngineContext context(sink, gauss);
  run.values.reserve(pairs.size() * measures.size());
  for (const Pair& p : pairs) {
    const int t = transposition ? findBestTransposition(prepared[p.i], prepared[p.j], context) : 0;
    PairComparison pair(prepared[p.i], prepared[p.j], t, context);
    for (const CombiType& m : measures) run.values.push_back(pair.combi(m).value);
  }
  run.timing.seconds = cpuSeconds() - start;
  run.timing.pairs = pairs.size();
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
  run.timing.seconds = cpuSeconds() - start;
  run.timing.pairs = n;
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

// Fast against plain Fourier alignment on every pair of \a melodies for the
// five Fourier types, as the engine aligns them (ranks, weighted ones on the
// tatum expansion, the shorter sequence first).
void checkFourier(const std::vector<core::Melody>& melodies, const std::vector<Pair>& pairs) {
  std::ostringstream sink;
  std::vector<std::vector<double>> ranks;
  std::vector<std::vector<double>> weightedRanks;
  std::vector<std::size_t> skips;
  std::vector<std::size_t> weightedSkips;
  for (const core::Melody& m : melodies) {
    const core::Melody e = m.expandToTatums(sink);
    ranks.push_back(pitchRanks(m));
    weightedRanks.push_back(pitchRanks(e));
    skips.push_back(skipCount(m));
    weightedSkips.push_back(skipCount(e));
  }
  FourierWorkspace fast;
  FourierWorkspace plain;
  std::size_t windows = 0;
  std::size_t compared = 0;
  std::size_t differentValues = 0;
  std::size_t differentOffsets = 0;
  std::size_t differentPrinted = 0;
  double largestScoreGap = 0.0;
  std::vector<double> sx;
  std::vector<double> sy;
  SpectrumWorkspace spectra;
  const double start = cpuSeconds();
  double fastSeconds = 0.0;
  for (const char* name : {"fourR", "fourRSt", "fourRw", "fourRwSt", "fourRI"}) {
    const SimilarityType& type = typeTable[typeIndex(name)];
    const bool weighted = hasFlag(type.flags, Weighted);
    for (const Pair& p : pairs) {
      const std::vector<double>& a = (weighted ? weightedRanks : ranks)[p.i];
      const std::vector<double>& b = (weighted ? weightedRanks : ranks)[p.j];
      const bool aShorter = a.size() < b.size();
      const std::vector<double>& s = aShorter ? a : b;
      const std::vector<double>& l = aShorter ? b : a;
      const std::size_t skip = (weighted ? weightedSkips : skips)[aShorter ? p.i : p.j];
      const double t0 = cpuSeconds();
      const SimilarityResult f = fourierAlignment(s, l, skip, type.flags, fast);
      fastSeconds += cpuSeconds() - t0;
      const SimilarityResult r = plainFourierAlignment(s, l, skip, type.flags, plain);
      ++compared;
      if (std::bit_cast<std::uint64_t>(f.value) != std::bit_cast<std::uint64_t>(r.value)) {
        ++differentValues;
      }
      if (f.bestOffset != r.bestOffset) ++differentOffsets;
      char x[64];
      char y[64];
      std::snprintf(x, sizeof x, "%1.4f %.3f", f.value, f.value);
      std::snprintf(y, sizeof y, "%1.4f %.3f", r.value, r.value);
      if (std::string(x) != y) ++differentPrinted;
      // How far the fast window scores lie from the plain ones (constant
      // windows are always scored plainly).
      for (const FourierWorkspace::Window& w : fast.windows) {
        if (w.constant) continue;
        const std::size_t width = s.size();
        if (w.offset < 0) {
          const auto i = static_cast<std::size_t>(-w.offset);
          magnitudeSpectrum(std::span<const double>(s).subspan(i), sx, spectra);
          magnitudeSpectrum(std::span<const double>(l).subspan(0, width - i), sy, spectra);
        } else {
          magnitudeSpectrum(s, sx, spectra);
          magnitudeSpectrum(
              std::span<const double>(l).subspan(static_cast<std::size_t>(w.offset), width), sy,
              spectra);
        }
        largestScoreGap = std::max(largestScoreGap, std::fabs(compareSpectra(sx, sy, type.flags) - w.score));
        ++windows;
      }
    }
  }
  std::printf("\nFourier check, %zu alignments (5 types, %zu pairs), %zu windows, %.1f s:\n"
              "  values differing %zu, offsets differing %zu, printed values differing %zu;\n"
              "  largest |fast - plain| window score %.3g; fast alignment %.1f us\n",
              compared, pairs.size(), windows, cpuSeconds() - start, differentValues,
              differentOffsets, differentPrinted, largestScoreGap,
              1e6 * fastSeconds / static_cast<double>(compared));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: " << argv[0] << " LIST [--reference-pairs N] [--families] [--types]\n";
    return 2;
  }
  std::size_t referencePairs = 2000;
  std::size_t familyPairs = 3000;
  bool fourierCheck = false;
  bool perFamily = false;
  bool perType = false;
  std::vector<std::string> chosen;
  for (int k = 2; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--reference-pairs" && k + 1 < argc) referencePairs = std::stoul(argv[++k]);
    if (arg == "--families") perFamily = true;
    if (arg == "--family-pairs" && k + 1 < argc) familyPairs = std::stoul(argv[++k]);
    if (arg == "--fourier-check") fourierCheck = true;
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
  const Run fast = preparedRun(melodies, pairs, defaults.measures, true, &gauss, pairs.size());
  const Run reference = referenceRun(melodies, pairs, referencePairs, defaults.measures, true, &gauss);
  report("default measures", fast, reference, referencePairs, defaults.measures.size());
  std::printf("%-26s %10.0f %12.0f   pairs per second\n", "", 1e6 / fast.timing.microsPerPair(),
              1e6 / reference.timing.microsPerPair());

  const Run searchFast = preparedRun(melodies, pairs, {}, true, &gauss, pairs.size());
  const Run searchReference = referenceRun(melodies, pairs, referencePairs, {}, true, &gauss);
  report("transposition search", searchFast, searchReference, referencePairs, 0);

  // The families run on a spread sample of the pairs.
  std::vector<Pair> sample;
  for (std::size_t k = 0; k < pairs.size(); k += sampleStep(pairs.size(), familyPairs)) {
    sample.push_back(pairs[k]);
  }
  const auto measure = [&](const std::string& name, const std::vector<std::string>& types) {
    const std::vector<CombiType> measures = singleTypes(types);
    // Slow families get fewer reference pairs.
    const Run f = preparedRun(melodies, sample, measures, false, &gauss, pairs.size());
    const double perPair = f.timing.microsPerPair();
    std::size_t limit = referencePairs;
    if (perPair > 200) limit = std::max<std::size_t>(60, referencePairs / 20);
    const Run r = referenceRun(melodies, sample, limit, measures, false, &gauss);
    report(name, f, r, limit, measures.size());
  };
  if (perFamily || !chosen.empty() || perType) {
    std::printf("\nmeasure families on %zu of the pairs (per pair: a sample of them; the\n"
                "preparation spread over all %zu pairs, as in a run over all of them)\n",
                sample.size(), pairs.size());
  }
  if (perFamily) {
    for (const Family& family : families()) measure(family.name, family.types);
  }
  for (const std::string& name : chosen) measure(name, {name});
  if (perType) {
    for (const SimilarityType& type : typeTable) measure(std::string(type.name), {std::string(type.name)});
  }
  if (fourierCheck) checkFourier(melodies, pairs);
  return 0;
}
