// Per-note accent rules of a melody, the Thomassen accents and two fitted
// accent models.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "core/melody.h"

namespace suite::analysis {

/// Accent rule bits: bit k is mask bit 2^k and column k of the accent matrix.
enum AccentRule : unsigned {
  kJumpAft3 = 0,
  kJumpAft4 = 1,
  kJumpAft5 = 2,
  kJumpBef3 = 3,
  kJumpBef4 = 4,
  kJumpBef5 = 5,
  kJumpLoc = 6,
  kBeatAll = 7,
  kPExtrem = 8,
  kPExtrSt = 9,
  kPExtrOrvik = 10,
  kPExtrSta = 11,
  kLongPr = 12,
  kLong2Pr = 13,
  kLongMod = 14,
  kLong2Mod = 15,
  kShortPr = 16,
  kShort2Pr = 17,
  kEndLoIoi = 18,
  kJumpBea5 = 19,
  kBeat1 = 20,
  kBeat13 = 21,
  kJumpBea3 = 22,
  kJumpBea4 = 23,
  kTriad = 24,
  kTriaPhen = 25,
  kSync1234 = 26,
  kSync13 = 27,
  kPhrasBeg = 28,
  kPhrasEnd = 29,
  kConstant = 30,
  kShortPhr = 31,
};

constexpr std::uint32_t ruleBit(AccentRule rule) { return std::uint32_t{1} << rule; }

/// The rules of the linear model and of the tree model.
inline constexpr std::uint32_t kLinearModelMask = 0x64901542;
inline constexpr std::uint32_t kTreeModelMask = 0x24081080;
static_assert(kLinearModelMask == (ruleBit(kJumpAft4) | ruleBit(kJumpLoc) | ruleBit(kPExtrem) |
                                   ruleBit(kPExtrOrvik) | ruleBit(kLongPr) | ruleBit(kBeat1) |
                                   ruleBit(kJumpBea4) | ruleBit(kSync1234) |
                                   ruleBit(kPhrasEnd) | ruleBit(kConstant)));
static_assert(kTreeModelMask == (ruleBit(kBeatAll) | ruleBit(kLongPr) | ruleBit(kJumpBea5) |
                                 ruleBit(kSync1234) | ruleBit(kPhrasEnd)));

/// Decision threshold of both thresholded models (10/29).
inline constexpr double kModelThreshold = 0.3448275862068966;
/// Decision threshold of the thresholded Thomassen accents.
inline constexpr double kThomassenThreshold = 0.5;

using AccentRow = std::array<double, 32>;

/// One row of 32 values per note: \a base everywhere, \a fire in every column
/// whose rule is enabled in \a mask and fires for the note (column 30 for
/// every note). Empty when the melody has fewer than 2 notes, no phrase flags,
/// or pitches, durations, phrase flags and positions of different counts.
std::vector<AccentRow> accentMatrix(const core::Melody& melody, std::uint32_t mask, double base,
                                    double fire);

/// Per note the number of rules of \a mask that fire (0/1 for one rule);
/// empty as accentMatrix.
std::vector<double> ruleAccents(const core::Melody& melody, std::uint32_t mask);

/// Thomassen accent of every note in [0, 1] from the directions of the
/// surrounding intervals; thresholded: 1 when >= 0.5, else 0. Empty when the
/// melody is empty or its pitch and duration counts differ.
std::vector<double> thomassenAccents(const core::Melody& melody, bool thresholded);

/// Logistic combination of ten rules, per note in (0, 1); thresholded: 1 when
/// >= 10/29, else 0. Empty as accentMatrix.
std::vector<double> linearModelAccents(const core::Melody& melody, bool thresholded);

/// Decision tree over five rules and the Thomassen accent, per note in
/// (0, 1); thresholded: 1 when >= 10/29, else 0. Empty as accentMatrix.
std::vector<double> treeModelAccents(const core::Melody& melody, bool thresholded);

/// The same three from an accent matrix computed with base 0 and fire value
/// 1 for a mask that holds the rules needed (all rules, say: a rule's column
/// does not depend on the other rules of the mask); the Thomassen accents
/// (unthresholded) for the tree model. The same values as from the melody.
std::vector<double> ruleAccents(const std::vector<AccentRow>& matrix, std::uint32_t mask);
std::vector<double> linearModelAccents(const std::vector<AccentRow>& matrix, bool thresholded);
std::vector<double> treeModelAccents(const std::vector<AccentRow>& matrix,
                                     const std::vector<double>& thomassen, bool thresholded);

}  // namespace suite::analysis
