// Harmonic similarity of two melodies: bar-wise tonality correlation, or the
// keys found per bar (or for the whole melody) compared on the circle of
// fifths, by edit distance of the key sequences or by key-sum correlation.
#pragma once

#include <array>
#include <cstdint>
#include <ostream>
#include <vector>

#include "core/melody.h"
#include "similarity/edit_distance.h"
#include "similarity/engine.h"

namespace suite::similarity {

/// Position of a key index on the circle of fifths (C# major 0 ... F# major
/// 11, each minor key half a step from its relative major); -1 for no key.
double circleOfFifthsPosition(int key);

/// Harmonic similarity of \a a and \a b for a Harmonic type's \a flags and
/// \a param (1: the whole melody instead of bar by bar), in [0, 1].
/// bestOffset is 1 or 2 for the plain rows (major or minor profile won),
/// whose empty bars are reported on \a diag ("Empty Bar!").
SimilarityResult harmonicSimilarity(const core::Melody& a, const core::Melody& b,
                                    std::uint32_t flags, int param, std::ostream& diag);

/// The tonality vectors of every bar of a melody after its bars are
/// renumbered (normalizeBars), prepared for the plain harmonic rows.
struct TonalityBars {
  explicit TonalityBars(const core::Melody& melody);

  struct Bar {
    bool empty = true;  ///< no notes in the bar or, from bar 2 on, in an earlier one
    std::array<double, 12> major{};
    std::array<double, 12> minor{};
  };
  std::uint32_t bars = 0;  ///< numberOfBars
  std::vector<Bar> perBar;  ///< bars 1 .. bars
};

/// The keys and key sums of every bar with notes and of the whole melody,
/// prepared for the key-finding harmonic rows.
struct KeyBars {
  explicit KeyBars(const core::Melody& melody);

  struct Bar {
    std::int64_t bar = 0;
    std::array<double, 24> sums{};
    std::array<std::int8_t, 12> keys{};  ///< key under a transposition by 0 .. 11 semitones
  };
  std::uint32_t bars = 0;        ///< numberOfBars
  std::vector<Bar> withNotes;    ///< ascending bar numbers (1 and above)
  bool wholeHasNotes = false;
  Bar whole;                     ///< the whole melody (its bar number unused)
};

/// Reusable buffers of keySimilarity (one per thread or caller).
struct HarmonicWorkspace {
  std::vector<double> keysA;
  std::vector<double> keysB;
  EditDistanceWorkspace edit;
};

/// harmonicSimilarity of prepared melodies, the second transposed by
/// \a shift semitones: tonality vectors and key sums are those of the
/// unshifted melody rotated (so the same sums in the same order), and each
/// key is found anew from the rotated sums, so that ties break as for the
/// transposed melody. "Empty Bar!" goes to \a diag as in harmonicSimilarity.
SimilarityResult harmonicSimilarity(const TonalityBars& a, const TonalityBars& b, int shift,
                                    std::ostream& diag);
double keySimilarity(const KeyBars& a, const KeyBars& b, int shift, std::uint32_t flags,
                     int param, HarmonicWorkspace& workspace);

}  // namespace suite::similarity
