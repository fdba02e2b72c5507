// Key finding and tonality vectors after the Krumhansl probe-tone profiles,
// bar by bar or for a whole melody, and the tonality report.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "core/melody.h"

namespace suite::analysis {

/// Probe-tone weights of the major key, index = semitones above the tonic.
inline constexpr std::array<double, 12> kMajorKeyProfile = {6.33, 2.23, 3.48, 2.33, 4.38, 4.09,
                                                            2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
/// Probe-tone weights of the minor key, index = semitones above the tonic.
inline constexpr std::array<double, 12> kMinorKeyProfile = {6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                                            2.54, 4.75, 3.98, 2.69, 3.34, 3.17};

/// Key index: 0..11 major key on that tonic, 12..23 minor key on tonic
/// (index - 12), kNoKey when there were no notes.
inline constexpr int kNoKey = -1;

/// Mode argument of tonalityVector: bit 0 set selects the major profile.
inline constexpr int kMajorMode = 1;
inline constexpr int kMinorMode = 2;

/// The notes of a melody grouped by bar, built once so that bar-wise loops
/// stay linear on long melodies. It views the melody, which must outlive it
/// and stay unchanged.
///
/// The notes of bar b are those with bar number b, in melody order, up to the
/// first note of bar b + 1 (which ends the selection when bars run backwards).
/// Notes without a metrical position belong to no bar.
class BarIndex {
 public:
  explicit BarIndex(const core::Melody& melody);

  /// Pitches of every note of the melody.
  std::span<const std::int8_t> wholeMelody() const;

  /// Pitches of the notes of \a bar (any bar number; empty when none).
  std::span<const std::int8_t> bar(std::int64_t bar) const;

  /// Pitches of \a bar, or, when it is empty, of the nearest earlier bar with
  /// notes, never going below bar 2 when stepping back. Empty when none.
  std::span<const std::int8_t> barOrEarlier(std::int64_t bar) const;

  /// numberOfBars of the melody's timeline.
  std::uint32_t numberOfBars() const { return numberOfBars_; }

 private:
  struct BarRun {
    std::int64_t bar;
    std::size_t begin;  // into pitches_
    std::size_t end;
  };
  const BarRun* find(std::int64_t bar) const;

  const core::Melody* melody_;
  std::vector<std::int8_t> pitches_;  // grouped by bar (ascending), melody order inside
  std::vector<BarRun> runs_;          // one per non-empty bar, ascending
  std::uint32_t numberOfBars_ = 0;
};

/// Key index of a set of pitches (no trace). \a keySums receives the 12 major
/// then the 12 minor sums; it is left unchanged and kNoKey is returned when
/// there are no pitches. Ties go to the lower tonic and, at equal tonic, to
/// major.
int findKey(std::span<const std::int8_t> pitches, std::vector<double>& keySums);

/// Key index of \a bar (bar < 0: the whole melody) with its 24 key sums, as
/// above. With a \a trace sink the key finding is written to it step by
/// step; an empty selection then writes "Empty bar." (without a line break).
int findKey(const BarIndex& index, int bar, std::vector<double>& keySums, std::ostream* trace);

/// The same for a single call; use a BarIndex in bar-wise loops.
int findKey(const core::Melody& melody, int bar, std::vector<double>& keySums,
            std::ostream* trace);

/// The 12 profile sums of \a bar (0: the whole melody) for tonics 0..11, with
/// the major profile when bit 0 of \a mode is set, else the minor one. An
/// empty bar falls back to the nearest earlier bar with notes, but never to
/// bar 1 (a negative bar has no fallback). Nothing found: "Empty Bar!" on
/// \a out and an empty vector. With \a print the vector and its sorted form
/// are written to \a out too.
std::vector<double> tonalityVector(const BarIndex& index, int bar, int mode, std::ostream& out,
                                   bool print);

/// The same for a single call; use a BarIndex in bar-wise loops.
std::vector<double> tonalityVector(const core::Melody& melody, int bar, int mode,
                                   std::ostream& out, bool print);

/// Cosine of the tonality vectors of \a bar in two melodies, in [0, 1]; 0 when
/// the bar is below 1, beyond either melody's bars, or empty in one of them
/// (then "Empty Bar!" on \a diag).
double barTonalityCorrelation(const BarIndex& a, const BarIndex& b, int bar, int mode,
                              std::ostream& diag);

/// The same for a single call; use BarIndex objects in bar-wise loops.
double barTonalityCorrelation(const core::Melody& a, const core::Melody& b, int bar, int mode,
                              std::ostream& diag);

/// The tonality report of a loaded melody: summary, bar-wise and total key
/// analysis with traces, and the bar-wise and total tonality vectors, all to
/// \a out (warnings of the summary go to \a err).
void printTonalityReport(const core::Melody& melody, std::ostream& out, std::ostream& err);

/// Reads \a fileName at quantization 24 (reading messages on \a err) and
/// prints its tonality report to \a out. Returns 0 when the melody was read,
/// 1 (with no report) otherwise.
int printTonalityReport(const std::string& fileName, std::ostream& out, std::ostream& err);

}  // namespace suite::analysis
