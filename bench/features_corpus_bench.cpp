// All 133 features of every melody of a list: prepared melodies (the
// sequences shared by several features computed once) against computing each
// feature on its own, in processor time, with the values checked to agree;
// optionally the time of each feature alone.
//
//   features_corpus_bench LIST [--features] [--repeat N]
#include <bit>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "analysis/features.h"
#include "core/melody_reader.h"

namespace {

using namespace suite;

double cpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

bool same(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (x != x && y != y);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::cerr << "usage: " << argv[0] << " LIST [--features] [--repeat N]\n";
    return 2;
  }
  bool perFeature = false;
  int repeat = 3;
  for (int k = 2; k < argc; ++k) {
    const std::string arg = argv[k];
    if (arg == "--features") perFeature = true;
    if (arg == "--repeat" && k + 1 < argc) repeat = std::stoi(argv[++k]);
  }
  std::vector<std::string> names;
  if (!core::readFileList(argv[1], names, std::cerr)) return 1;
  std::ostringstream messages;
  core::MelodyReader reader(messages);
  std::vector<core::Melody> melodies;
  core::readMelodyFiles(reader, names, melodies);
  const auto& table = analysis::featureTable;

  // Best of a few runs each (the machine may be shared).
  double prepared = INFINITY;
  double plain = INFINITY;
  std::size_t differences = 0;
  for (int r = 0; r < repeat; ++r) {
    std::vector<std::vector<double>> fast;
    double start = cpuSeconds();
    for (const core::Melody& m : melodies) {
      analysis::MelodyFeatures features(m);
      for (const analysis::FeatureDef& f : table) fast.push_back(features.compute(f));
    }
    prepared = std::min(prepared, cpuSeconds() - start);
    start = cpuSeconds();
    std::size_t k = 0;
    differences = 0;
    for (const core::Melody& m : melodies) {
      for (const analysis::FeatureDef& f : table) {
        const std::vector<double> values = analysis::computeFeature(m, f);
        const std::vector<double>& other = fast[k++];
        bool equal = values.size() == other.size();
        for (std::size_t i = 0; equal && i < values.size(); ++i) equal = same(values[i], other[i]);
        if (!equal) ++differences;
      }
    }
    plain = std::min(plain, cpuSeconds() - start);
  }
  const double n = static_cast<double>(melodies.size());
  std::printf("%zu melodies, %zu features each; processor time, best of %d\n", melodies.size(),
              table.size(), repeat);
  std::printf("all features: prepared %.1f us/melody (%.0f melodies/s), one by one %.1f us/melody "
              "(%.0f melodies/s), ratio %.1fx, %zu differing values\n",
              1e6 * prepared / n, n / prepared, 1e6 * plain / n, n / plain, plain / prepared,
              differences);

  if (perFeature) {
    std::printf("%-20s %12s\n", "feature", "us/melody");
    for (const analysis::FeatureDef& f : table) {
      const double start = cpuSeconds();
      for (const core::Melody& m : melodies) (void)analysis::computeFeature(m, f);
      std::printf("%-20.*s %12.2f\n", static_cast<int>(f.name.size()), f.name.data(),
                  1e6 * (cpuSeconds() - start) / n);
    }
  }
  return differences == 0 ? 0 : 1;
}
