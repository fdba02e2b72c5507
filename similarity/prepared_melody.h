// Per-melody preparation for the similarity engine: what depends on one
// melody only (representations, tatum expansion, ranks, contour points, keys
// and tonality per bar, accent profiles, n-gram profiles, skip counts, the
// edit-distance patterns) is computed once per melody and shared by all its
// pairs, with exactly the values of the per-pair computation of engine.h.
//
// A run prepares every melody once (PreparedMelody), then compares prepared
// melodies: findBestTransposition, then one PairComparison per pair under the
// shift found. Prepared melodies are read-only after construction, so any
// number of threads may compare them at once, each with its own
// EngineContext.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <ostream>
#include <span>
#include <vector>

#include "core/melody.h"
#include "similarity/engine.h"
#include "similarity/extra_measures.h"
#include "similarity/type_table.h"
#include "similarity/types_file.h"

namespace suite::similarity {

namespace detail {
struct PreparedData;
}

/// Which catalogue types and extra measures a run computes and whether it searches
/// transpositions or compares phrase by phrase: it decides what a
/// PreparedMelody holds. Types outside the plan still compute correctly, per
/// pair from the melodies.
class PreparationPlan {
 public:
  PreparationPlan() = default;

  /// The factors of every term of \a measures.
  static PreparationPlan forMeasures(std::span<const CombiType> measures, bool transpositionSearch,
                                     bool phraseMode);
  /// Every catalogue type, with the transposition search.
  static PreparationPlan everything();

  /// Adds a catalogue type or an extra measure, with the measures a sum of
  /// measures is made of.
  void addType(std::size_t typeIndex);
  bool hasType(std::size_t typeIndex) const {
    return typeIndex < kMeasureCount && types_.test(typeIndex);
  }
  bool transpositionSearch() const { return transposition_; }
  bool phraseMode() const { return phrases_; }
  void setTranspositionSearch(bool on) { transposition_ = on; }
  void setPhraseMode(bool on) { phrases_ = on; }

 private:
  std::bitset<kMeasureCount> types_;
  bool transposition_ = false;
  bool phrases_ = false;
};

/// One melody prepared for comparisons under a plan. It refers to the melody,
/// which must outlive it and stay unchanged.
///
/// Preparing writes, once, the messages that the per-pair computation writes
/// for every pair that involves the melody: those of the tatum expansion
/// ("WARNING: Suspicious duration found: ", "Invalid Melody class object (")
/// when a weighted type or the transposition search needs it, "Invalid
/// BarTimeline." of the tick intervals of the fuzzy rhythm types, and the
/// messages of the phrase split in phrase mode, in that order, to \a diag.
class PreparedMelody {
 public:
  PreparedMelody(const core::Melody& melody, const PreparationPlan& plan, std::ostream& diag);
  ~PreparedMelody();
  PreparedMelody(PreparedMelody&&) noexcept;
  PreparedMelody& operator=(PreparedMelody&&) noexcept;
  PreparedMelody(const PreparedMelody&) = delete;
  PreparedMelody& operator=(const PreparedMelody&) = delete;

  const core::Melody& melody() const;
  const PreparationPlan& plan() const;

  /// The prepared phrases (phrase mode only; empty otherwise).
  std::span<const PreparedMelody> phrases() const;

  const detail::PreparedData& data() const { return *data_; }

 private:
  std::unique_ptr<detail::PreparedData> data_;
};

/// Prepares every melody of \a melodies in order (messages in melody order).
std::vector<PreparedMelody> prepareMelodies(std::span<const core::Melody> melodies,
                                            const PreparationPlan& plan, std::ostream& diag);

/// Semitones to add to every pitch of \a b so that it best matches \a a; the
/// same as findBestTransposition on the two melodies, ties included (the
/// smallest best shift wins; 0 when no shift scores above 0).
std::int8_t findBestTransposition(const PreparedMelody& a, const PreparedMelody& b,
                                  EngineContext& context);

/// The comparisons of one pair: \a a against \a b transposed by \a shift
/// semitones (each pitch p of b becomes the signed 8-bit value p + shift, as
/// the per-pair computation transposes). Values depending on the shifted
/// pitches are derived once per pair; everything else comes prepared. Every
/// result equals that of the per-pair computation on (a, b + shift),
/// messages included where they depend on the pair ("Empty Bar!").
class PairComparison {
 public:
  PairComparison(const PreparedMelody& a, const PreparedMelody& b, int shift,
                 EngineContext& context);
  ~PairComparison();
  PairComparison(const PairComparison&) = delete;
  PairComparison& operator=(const PairComparison&) = delete;

  /// Catalogue type or extra measure \a typeIndex (computeSimilarity).
  SimilarityResult type(std::size_t typeIndex);
  /// A selected measure (evaluateCombiType).
  SimilarityResult combi(const CombiType& combi);
  /// Phrase mode (phraseSimilarity); needs melodies prepared for phrase mode.
  double phrases(const CombiType& combi);

  struct State;

 private:
  std::unique_ptr<State> state_;
};

/// One catalogue type for a prepared pair (a temporary PairComparison).
SimilarityResult computeSimilarity(const PreparedMelody& a, const PreparedMelody& b, int shift,
                                   std::size_t typeIndex, EngineContext& context);

/// One selected measure for a prepared pair.
SimilarityResult evaluateCombiType(const PreparedMelody& a, const PreparedMelody& b, int shift,
                                   const CombiType& combi, EngineContext& context);

/// Phrase mode for a prepared pair.
double phraseSimilarity(const PreparedMelody& a, const PreparedMelody& b, int shift,
                        const CombiType& combi, EngineContext& context);

}  // namespace suite::similarity
