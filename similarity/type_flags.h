// Flag bits of a similarity type: representation, comparison method and
// modifiers. The flag word of a catalogue row is the program of that row.
#pragma once

#include <cstdint>

namespace suite::similarity {

enum TypeFlag : std::uint32_t {
  Weighted = 0x00000001u,           ///< compare the tatum-expanded melodies
  Contour = 0x00000004u,            ///< contour curve (Orvik, natural or Steinbeck)
  Fourier = 0x00000010u,            ///< compare magnitude spectra of the windows
  Intervals = 0x00000020u,          ///< successive pitch (or contour) differences
  Rhythm = 0x00000040u,             ///< onsets (Gauss) or fuzzy duration classes
  NGrams = 0x00000080u,             ///< n-gram sets of length param
  Harmonic = 0x00000200u,           ///< per-bar tonality
  Constant = 0x00000400u,           ///< 1 for any two non-empty melodies
  Accents = 0x00000800u,            ///< accent profiles
  LinearModel = 0x00008000u,        ///< accents: linear model
  PearsonBravais = 0x00010000u,     ///< correlation about the means; accents: tree model
  CrossCorrelation = 0x00020000u,   ///< correlation about the first values
  EditDistance = 0x00040000u,       ///< normalised edit distance
  Steinbeck = 0x00080000u,          ///< contour method
  Natural = 0x00100000u,            ///< natural contour; without Contour: pitch ranks
  Fuzzy = 0x00200000u,              ///< fuzzy interval or duration classes
  Stretched = 0x00400000u,          ///< negative correlations become 0
  SumCommon = 0x00800000u,          ///< n-gram method "sum common"
  CountDistinct = 0x01000000u,      ///< n-gram method "count distinct"
  Ukkonen = 0x02000000u,            ///< n-gram method of Ukkonen
  Rough = 0x08000000u,              ///< intervals reduced to their direction
  MeanDifferenceExp = 0x10000000u,  ///< exp(-mean absolute difference)
  MeanDifference = 0x20000000u,     ///< 1 - mean difference / largest magnitude sum
  KeyFinding = 0x40000000u,         ///< harmonic measures on the keys found
  AccentDistance = 0x80000000u,     ///< value-weighted edit distance of accent profiles
};

/// The bits that no catalogue row sets.
inline constexpr std::uint32_t kUnusedFlagBits =
    0x00000002u | 0x00000008u | 0x00000100u | 0x00001000u | 0x00002000u | 0x00004000u |
    0x04000000u;

constexpr bool hasFlag(std::uint32_t flags, TypeFlag f) { return (flags & f) != 0; }

}  // namespace suite::similarity
