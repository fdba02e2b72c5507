// The similarity engine: one catalogue type or one selected measure for one
// pair of melodies, phrase-mode similarity and the transposition search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>

#include "core/melody.h"
#include "similarity/types_file.h"

namespace suite::similarity {

class GaussTable;
struct EngineScratch;

/// What one thread of comparisons needs besides the melodies: the shared,
/// read-only Gauss table (null: the kernel is computed directly), the sink of
/// the diagnostics written while comparing (tatum expansion, empty bars,
/// invalid timelines), and scratch buffers reused from call to call. One
/// context per thread; the melodies are never changed.
class EngineContext {
 public:
  EngineContext(std::ostream& err, const GaussTable* gauss);
  ~EngineContext();
  EngineContext(const EngineContext&) = delete;
  EngineContext& operator=(const EngineContext&) = delete;

  std::ostream& err;
  const GaussTable* gauss;
  EngineScratch& scratch() { return *scratch_; }

 private:
  std::unique_ptr<EngineScratch> scratch_;
};

/// A similarity value (normally in [0, 1]; -1 = undefined) and the
/// by-product reported beside it (window offset, raw edit distance, or which
/// bar comparison won; 0 when none).
struct SimilarityResult {
  double value = -1.0;
  double bestOffset = 0.0;
};

/// Catalogue type \a typeIndex (into typeTable, or an extra measure at
/// kTypeCount + k, see extra_measures.h) for melody \a a against the
/// (transposed) second melody \a b. The note-level extra measures find their
/// own shift of \a b, so a transposition of \a b does not change them.
SimilarityResult computeSimilarity(const core::Melody& a, const core::Melody& b,
                                   std::size_t typeIndex, EngineContext& context);

/// The weighted sum of products of a selected measure, clipped to [0, 1];
/// -1 as soon as a factor is -1. bestOffset is that of the last factor.
SimilarityResult evaluateCombiType(const core::Melody& a, const core::Melody& b,
                                   const CombiType& combi, EngineContext& context);

/// Phrase mode: 1 - weighted edit distance of the two phrase lists, with
/// substitution cost 1 - (measure clipped to [0, 1]); -1 without phrases.
double phraseSimilarity(const core::Melody& a, const core::Melody& b, const CombiType& combi,
                        EngineContext& context);

/// Semitones to add to every pitch of \a b so that it best matches \a a;
/// 0 when no shift scores above 0.
std::int8_t findBestTransposition(const core::Melody& a, const core::Melody& b,
                                  EngineContext& context);

}  // namespace suite::similarity
