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

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "core/melody.h"
#include "similarity/engine.h"
#include "similarity/extra_measures.h"

namespace suite::similarity {

/// A melody's notes in reverse order with padding before and after, as the
/// vector form of the alignment reads the second melody of a pair.
struct ReversedNotes {
  static constexpr std::size_t kPadding = 8;
  std::size_t notes = 0;
  std::vector<std::int32_t> pitches;
  std::vector<std::ptrdiff_t> minusPitches;  ///< -pitch, as offsets into a table
  std::vector<double> weights;
  std::vector<double> positions;
  const std::int32_t* pitchAt() const { return pitches.data() + kPadding; }
  const std::ptrdiff_t* minusPitchAt() const { return minusPitches.data() + kPadding; }
  const double* weightAt() const { return weights.data() + kPadding; }
  const double* positionAt() const { return positions.data() + kPadding; }
};

/// What the note-level measures need of one melody, computed once.
struct NoteProfile {
  std::vector<std::int16_t> pitches;  ///< 8-bit values
  std::vector<double> weights;        ///< metric weight of each note, 0..1
  std::vector<double> positions;      ///< place of each note in its phrase, 0..1
  /// The distinct pitches in ascending order, each with its number of notes.
  std::vector<std::pair<int, std::uint32_t>> histogram;
  /// The notes reversed (filled by noteProfile; made per pair when empty).
  ReversedNotes reversed;
};

NoteProfile noteProfile(const core::Melody& melody);

/// Fills \a out with the notes of \a profile reversed and padded.
void reverseNotes(const NoteProfile& profile, ReversedNotes& out);

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

/// Rows of the dynamic programmes, reused from pair to pair, and room for
/// the second melody's reversed notes when its profile lacks them.
struct FamilyWorkspace {
  std::vector<double> previous;
  std::vector<double> current;
  ReversedNotes reversed;
};

/// EdIma and TemAlign of one pair, found together in one pass.
struct NoteAlignment {
  SimilarityResult edIma;
  SimilarityResult temAlign;
};

/// Both note-level measures of \a a against \a b raised by \a shift (see
/// below); -1 for both when either has no notes.
NoteAlignment alignNotes(const NoteProfile& a, const NoteProfile& b, int shift,
                         FamilyWorkspace& workspace);

/// How alignNotes computes: plainly, or several rows side by side in the
/// vectors of x86-64 processors with AVX2 or AVX-512. The values are the same
/// to the last bit; alignNotes takes the fastest form the processor has.
enum class AlignmentForm { Plain, Avx2, Avx512 };
bool alignmentFormAvailable(AlignmentForm form);
AlignmentForm fastestAlignmentForm();

namespace detail {
/// alignNotes in the given form (Plain when the processor lacks it), for
/// tests that hold the forms to the same values.
NoteAlignment alignNotes(const NoteProfile& a, const NoteProfile& b, int shift,
                         FamilyWorkspace& workspace, AlignmentForm form);
}  // namespace detail

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
