// What a PreparedMelody holds (internal to the similarity engine).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "analysis/contour.h"
#include "core/melody.h"
#include "similarity/edit_distance.h"
#include "similarity/family_measures.h"
#include "similarity/harmonic_measures.h"
#include "similarity/ngram.h"
#include "similarity/prepared_melody.h"

namespace suite::similarity::detail {

/// The sequence a type compares for one melody, as chosen by its flags.
enum class Rep : std::uint8_t {
  Pitches,
  Ranks,
  Onsets,
  Intervals,
  IntervalsRough,
  IntervalsFuzzy,
  CurveNatural,
  CurveOrvik,
  CurveSteinbeck,
  DiffNatural,  ///< successive differences of the curve
  DiffOrvik,
  DiffSteinbeck,
};
inline constexpr std::size_t kRepCount = 12;

/// The representation of the flags, in the order of the per-pair computation.
Rep representationOf(std::uint32_t flags);

/// Whether the values move with a transposition (pitches and contour curves);
/// ranks, onsets and intervals do not.
constexpr bool movesWithPitch(Rep r) {
  return r == Rep::Pitches || (r >= Rep::CurveNatural && r <= Rep::DiffSteinbeck);
}

/// The contour method of a curve or difference representation.
analysis::ContourMethod contourMethodOf(Rep r);

/// One representation of one melody with what its comparisons need.
struct RepData {
  bool present = false;
  std::vector<double> values;
  bool integral = false;              ///< all values integers of 16 bits, also in:
  std::vector<std::int16_t> integers;
  std::optional<EditPattern> pattern;  ///< for the edit-distance types
  std::array<NGramProfile, 5> nGrams;  ///< index n, for the n-gram types
};

/// Duration classes under every reference of one melody (fuzzy rhythm).
struct RhythmData {
  bool present = false;
  std::vector<std::vector<int>> classes;     ///< per reference
  std::vector<std::vector<double>> values;   ///< the same as numbers
  std::vector<std::vector<std::int16_t>> integers;  ///< the same as 16-bit integers
  std::vector<EditPattern> patterns;         ///< per reference, for the edit-distance rows
  std::vector<NGramProfile> profiles;        ///< per reference, 2-grams
};

/// The melody as given (notes) or its tatum expansion.
struct SideData {
  const core::Melody* melody = nullptr;
  std::size_t skip = 0;                        ///< leading values the alignment may drop
  std::vector<std::int16_t> pitches;           ///< the pitches as integers
  int lowest = 0;                              ///< smallest and largest of them
  int highest = 0;
  std::array<RepData, kRepCount> reps;
  std::array<std::vector<analysis::ContourPoint>, 3> contourPoints;  ///< per ContourMethod
  std::optional<TonalityBars> tonality;        ///< plain harmonic rows
  std::optional<KeyBars> keys;                 ///< key-finding harmonic rows
  std::array<RhythmData, 2> rhythm;            ///< fuzzy rhythm: [0] durations, [1] ticks
  std::array<std::uint32_t, 256> histogram{};  ///< pitch counts by value + 128
  EditPattern pitchPattern;                    ///< transposition search
};

struct PreparedData {
  const core::Melody* melody = nullptr;
  PreparationPlan plan;
  core::Melody expanded;  ///< the tatum expansion, when needed
  bool expandedReady = false;
  SideData notes;
  SideData tatums;
  std::vector<double> linearAccents;
  std::vector<double> treeAccents;
  double linearSum = 0.0;
  double treeSum = 0.0;
  std::optional<NoteProfile> family;  ///< the note-level extra measures
  // Transposition search.
  double meanPitch = 0.0;
  int lowestPitch = 127;
  int highestPitch = 0;
  std::vector<std::int8_t> modalPitches;
  // Phrase mode.
  std::vector<core::Melody> phraseMelodies;
  std::vector<PreparedMelody> phrases;
};

}  // namespace suite::similarity::detail
