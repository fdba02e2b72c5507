// Fuzz target: every feature of a prepared melody (the sequences shared by
// several features computed once, n-gram profiles from the suffix array)
// against computeFeature, on melodies read from arbitrary melody tables and
// on sequences of arbitrary values.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "analysis/features.h"
#include "analysis/ngram_complexity.h"
#include "core/melody_reader.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool same(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (x != x && y != y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace suite::analysis;
  if (size > 20000) return 0;

  // The bytes as a sequence of few distinct values.
  std::vector<double> values;
  for (std::size_t i = 0; i < size && i < 600; ++i) values.push_back(data[i] % 7);
  NGramProfile profile(values);
  for (const NGramTerm term : {NGramTerm::DistinctShare, NGramTerm::Entropy, NGramTerm::Zipf}) {
    for (const std::uint32_t n : {0u, 2u, 4u}) {
      for (const bool weighted : {false, true}) {
        check(same(profile.complexity(n, term, weighted),
                   ngramComplexity(values, n, term, weighted)));
      }
    }
  }

  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  std::ostringstream messages;
  suite::core::MelodyReader reader(messages, 1 + static_cast<int>(size % 48));
  suite::core::Melody melody;
  if (!suite::core::readMelodyTable(reader, in, "fuzz.csv", melody)) return 0;
  MelodyFeatures prepared(melody);
  for (const FeatureDef& feature : featureTable) {
    const std::vector<double> want = computeFeature(melody, feature);
    const std::vector<double> got = prepared.compute(feature);
    check(got.size() == want.size());
    for (std::size_t i = 0; i < want.size(); ++i) check(same(got[i], want[i]));
  }
  return 0;
}
