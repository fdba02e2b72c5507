// Fuzz target: prepared melodies against the per-pair computation on pairs
// of melodies built from arbitrary bytes (damaged ones included): every
// catalogue type and extra measure under a fuzzed shift, the transposition
// search, a combined type and phrase mode must give the same values.
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <ostream>

#include "fuzz_melody.h"
#include "similarity/prepared_melody.h"
#include "similarity/extra_measures.h"
#include "similarity/type_table.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

bool same(double x, double y) {
  return std::bit_cast<std::uint64_t>(x) == std::bit_cast<std::uint64_t>(y) || (x != x && y != y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace suite::similarity;
  suite::fuzz::Bytes in(data, size);
  const int shift = static_cast<int>(in.next() % 41) - 20;
  const std::size_t notesA = 1 + in.next() % 40;
  suite::core::Melody a = suite::fuzz::buildMelody(in, notesA);
  suite::core::Melody b = suite::fuzz::buildMelody(in, 40);
  suite::fuzz::addOnsets(a);
  suite::fuzz::addOnsets(b);
  std::ostream discard(nullptr);
  if (suite::fuzz::spreadOverManyBars(a) || suite::fuzz::spreadOverManyBars(b)) return 0;

  PreparationPlan plan = PreparationPlan::everything();
  for (std::size_t extra = kTypeCount; extra < kMeasureCount; ++extra) plan.addType(extra);
  plan.setPhraseMode(true);
  const PreparedMelody pa(a, plan, discard);
  const PreparedMelody pb(b, plan, discard);
  EngineContext context(discard, nullptr);

  check(findBestTransposition(pa, pb, context) == findBestTransposition(a, b, context));
  suite::core::Melody bt = b;
  for (std::int8_t& p : bt.pitches) p = static_cast<std::int8_t>(p + shift);
  PairComparison pair(pa, pb, shift, context);
  for (std::size_t type = 0; type < kMeasureCount; ++type) {
    const SimilarityResult want = computeSimilarity(a, bt, type, context);
    const SimilarityResult got = pair.type(type);
    check(same(got.value, want.value) && same(got.bestOffset, want.bestOffset));
  }
  // The note-level measures lie in [0, 1], or are undefined.
  for (const char* name : {"EdIma", "TemAlign"}) {
    const double v = pair.type(measureIndex(name)).value;
    check(v == -1.0 || (v >= 0.0 && v <= 1.0));
  }

  CombiType combi;
  const auto row = [](const char* name) { return static_cast<std::size_t>(findSimilarityType(name)); };
  combi.terms.push_back({{row("rawEdw"), row("conSEd")}, "mix", 0.5});
  combi.terms.push_back({{row("nGrUkkon"), row("harmCorE")}, "mix", 0.5});
  check(same(pair.combi(combi).value, evaluateCombiType(a, bt, combi, context).value));
  check(same(pair.phrases(combi), phraseSimilarity(a, bt, combi, context)));
  return 0;
}
