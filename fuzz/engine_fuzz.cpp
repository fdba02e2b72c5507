// Fuzz target: every similarity type, a combined type, phrase mode and the
// transposition search on pairs of melodies built from arbitrary bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <ostream>

#include "fuzz_melody.h"
#include "similarity/engine.h"
#include "similarity/type_table.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace suite::similarity;
  suite::fuzz::Bytes in(data, size);
  // The first byte splits the notes between the two melodies (at most 40 each,
  // so that the quadratic measures stay quick).
  const std::size_t notesA = 1 + in.next() % 40;
  suite::core::Melody a = suite::fuzz::buildMelody(in, notesA);
  suite::core::Melody b = suite::fuzz::buildMelody(in, 40);
  suite::fuzz::addOnsets(a);
  suite::fuzz::addOnsets(b);
  std::ostream discard(nullptr);
  if (suite::fuzz::spreadOverManyBars(a) || suite::fuzz::spreadOverManyBars(b)) return 0;
  const suite::core::Melody aBefore = a;

  EngineContext context(discard, nullptr);
  const int t = findBestTransposition(a, b, context);
  check(t >= -128 && t <= 127);
  for (std::size_t type = 0; type < typeTable.size(); ++type) {
    const SimilarityResult r = computeSimilarity(a, b, type, context);
    // Correlations may be negative; the Gauss kernel's cut-off may lift a
    // value a little above 1. Nothing is NaN.
    check(r.value >= -1.0 && r.value <= 1.01);
    check(!std::isnan(r.bestOffset));
    if (a.empty() || b.empty()) check(r.value == -1.0);
  }

  CombiType combi;
  combi.name = "mix";
  const auto row = [](const char* name) { return static_cast<std::size_t>(findSimilarityType(name)); };
  combi.terms.push_back({{row("rawEd"), row("diffEd")}, "mix", 0.5});
  combi.terms.push_back({{row("nGrUkkon"), row("harmCorE")}, "mix", 0.5});
  const double v = evaluateCombiType(a, b, combi, context).value;
  check(v == -1.0 || (v >= 0.0 && v <= 1.0));
  const double p = phraseSimilarity(a, b, combi, context);
  check(p == -1.0 || (p >= 0.0 && p <= 1.0));

  // The engine works on copies: the caller's melody is unchanged.
  check(a.pitches == aBefore.pitches && a.durations == aBefore.durations &&
        a.timeline.positions.size() == aBefore.timeline.positions.size());
  return 0;
}
