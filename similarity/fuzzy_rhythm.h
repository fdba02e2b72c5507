// Fuzzy rhythm measures: durations reduced to five classes relative to a
// reference duration, compared by edit distance or n-grams.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

#include "core/melody.h"
#include "similarity/edit_distance.h"
#include "similarity/engine.h"
#include "similarity/ngram.h"

namespace suite::similarity {

/// Class 0..4 of a duration d relative to the reference r (same unit):
/// 4 when d > 3.3 r, 3 when d > 1.8 r, 2 when d > 0.9 r, 1 when d > 0.45 r,
/// else 0. A reference of 0 puts every positive duration in class 4.
int durationClass(double duration, double reference);

/// The classes of every duration relative to \a reference, written to
/// \a classes (resized).
void durationClasses(std::span<const std::uint32_t> durations, double reference,
                     std::vector<int>& classes);
void durationClasses(std::span<const std::uint64_t> durations, double reference,
                     std::vector<int>& classes);

/// Reusable buffers of the fuzzy rhythm measure (one per thread or caller).
struct FuzzyRhythmWorkspace {
  std::vector<int> classesA;
  std::vector<int> classesB;
  std::vector<double> valuesA;  ///< the classes as numbers, for the edit distance
  std::vector<double> valuesB;
  EditDistanceWorkspace edit;
  NGramWorkspace ngrams;
};

/// Fuzzy rhythm similarity of \a a and \a b. With an odd \a param the
/// sequences are the tick intervals of each timeline with the signature's
/// ticks per beat as reference; otherwise the durations (tatum units) with
/// every modal duration as a reference. Every pair of references (a's outer,
/// b's inner) is tried and the first strictly best value kept:
/// with `NGrams` the n-gram similarity of the class sequences with
/// n = min(param, 2) and the method bits of \a flags (bestOffset 0); otherwise
/// 1 - d / max(|c_a|, |c_b|) for the edit distance d of the class sequences
/// (bestOffset d). Two empty class sequences count as equal (1, bestOffset
/// 0). Result in [0, 1]; 0 when a melody has pitches but no durations (no
/// reference to try); -1 for a melody without pitches. Writes "Invalid
/// BarTimeline." to \a err for a timeline that does not move forward (its
/// intervals up to there are used).
SimilarityResult fuzzyRhythmSimilarity(const core::Melody& a, const core::Melody& b,
                                       std::uint32_t flags, std::int32_t param,
                                       std::ostream& err, FuzzyRhythmWorkspace& workspace);

}  // namespace suite::similarity
