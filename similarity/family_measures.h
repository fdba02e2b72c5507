// Note-level measures for tune-family retrieval. Both compare the notes of
// two melodies after the second has been shifted by the transposition that
// best overlaps the two pitch histograms:
// - EdIma: an edit distance whose substitution of equal pitches costs the
//   difference of their metric weights (inner metric analysis);
// - TemAlign: a local alignment scoring pitch band (base-40 interval class),
//   metric weight and position within the phrase, the phrases found by
//   Temperley's grouping rule.
// After P. van Kranenburg, A. Volk and F. Wiering, "A comparison between
// global and local features for computational classification of folk song
// melodies" (Journal of New Music Research 42, 2013), and P. van Kranenburg,
// "A computational approach to content-based retrieval of folk song
// melodies" (PhD thesis, Utrecht University, 2010).
#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/melody.h"
#include "similarity/engine.h"
#include "similarity/extra_measures.h"

namespace suite::similarity {

/// What the note-level measures need of one melody, computed once.
struct NoteProfile {
  std::vector<std::int16_t> pitches;
  std::vector<double> weights;    ///< metric weight of each note, 0..1
  std::vector<double> positions;  ///< place of each note in its phrase, 0..1
  /// The distinct pitches in ascending order, each with its number of notes.
  std::vector<std::pair<int, std::uint32_t>> histogram;
};

NoteProfile noteProfile(const core::Melody& melody);

/// Each note's place in its segment: (index in segment) / (segment length -
/// 1), 0 in a one-note segment. A note ends a segment where \a endsAfter
/// (one value per note but the last) is nonzero, and the last note always.
std::vector<double> segmentPositions(std::span<const double> endsAfter, std::size_t notes);

/// The segment ends of a melody after the grouping rule, run on its
/// durations (inter-onset intervals without rests) and its bar positions:
/// one value per note but the last, 1 where the note ends a phrase.
std::vector<double> phraseEnds(const core::Melody& melody);

/// Semitones to add to the pitches of \a b so that the two pitch histograms,
/// each divided by its number of notes, overlap most (sum of the smaller
/// shares); the smallest such shift. 0 when either melody has no notes.
int histogramShift(const NoteProfile& a, const NoteProfile& b);

/// Score of the pitch band of two pitches \a semitones apart: the interval
/// modulo the octave is sized in base 40 (d = 0, 5, 6, 11, 12, 17, 20, 23,
/// 28, 29, 34, 35 for 0..11 semitones); band = 1 - d / 23 up to d = 23 and
/// -1 beyond; the score is (band + 1) / 2.
double pitchBandScore(int semitones);

/// Gap score of the local alignment.
inline constexpr double kAlignmentGap = -0.8;

/// Rows of the dynamic programmes, reused from pair to pair.
struct FamilyWorkspace {
  std::vector<double> previous;
  std::vector<double> current;
};

/// 1 - D / longer length, D the edit distance of the notes of \a a and of
/// \a b raised by \a shift: insertion and deletion cost 1, substituting equal
/// pitches the difference of their metric weights, unequal pitches 1.
/// bestOffset = D. -1 when either has no notes.
SimilarityResult edImaSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                 FamilyWorkspace& workspace);

/// The best local alignment score of the notes of \a a and of \a b raised by
/// \a shift (gap kAlignmentGap, substitution 2r - 1 with r = pitch band score
/// x (1 - |weight difference|) x (1 - |position difference|)), divided by
/// the shorter length. bestOffset = the score. -1 when either has no notes.
SimilarityResult temAlignSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                    FamilyWorkspace& workspace);

/// The value of a Sum row: its terms' values, each from evaluate(measure
/// index), times their weights, added in order and not clipped; -1 as soon
/// as a term is -1. bestOffset 0.
template <class Evaluate>
SimilarityResult weightedSum(const ExtraMeasure& row, Evaluate&& evaluate) {
  double sum = 0.0;
  for (const ExtraTerm& term : row.terms) {
    if (term.name.empty()) continue;
    const SimilarityResult r = evaluate(measureIndex(term.name));
    if (r.value == -1.0) return {-1.0, 0.0};
    sum += term.weight * r.value;
  }
  return {sum, 0.0};
}

}  // namespace suite::similarity
