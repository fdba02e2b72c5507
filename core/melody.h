// One monophonic melody as loaded from a melody table.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "core/bar_timeline.h"

namespace suite::core {

/// Bits of Melody::phraseFlags.
inline constexpr std::int32_t kPhraseStart = 1;
inline constexpr std::int32_t kPhraseEnd = 2;

/// The 12 pitch-class names, index = pitch class with pitch 60 as C.
inline constexpr const char* kPitchClassNames[12] = {"C",  "C#", "D",  "Eb", "E",  "F",
                                                     "F#", "G",  "G#", "A",  "Bb", "B"};

/// Pitch class 0..11 of a MIDI pitch (60, 48 and 72 are C; 59 is B).
constexpr int pitchClass(int pitch) { return ((pitch - 60) % 12 + 12) % 12; }

/// The most frequent values of a sequence, in order of first appearance, and
/// how often each occurs (1 for an empty sequence).
template <class T>
struct ModalValues {
  std::vector<T> values;
  std::size_t count = 1;
};

template <class T>
ModalValues<T> modalValues(const std::vector<T>& sequence) {
  // Distinct values in order of first appearance with their counts; melodies
  // have few distinct pitches or durations, so a linear search is cheapest.
  std::vector<std::pair<T, std::size_t>> counts;
  for (const T& v : sequence) {
    auto it = counts.begin();
    while (it != counts.end() && !(it->first == v)) ++it;
    if (it == counts.end()) {
      counts.emplace_back(v, 1);
    } else {
      ++it->second;
    }
  }
  ModalValues<T> result;
  if (counts.empty()) return result;
  result.count = 0;
  for (const auto& [value, n] : counts) result.count = std::max(result.count, n);
  for (const auto& [value, n] : counts) {
    if (n == result.count) result.values.push_back(value);
  }
  return result;
}

/// A monophonic melody: pitches, durations in tatum units, onsets, phrase
/// flags and metrical positions, with the melody's signature and name.
/// A melody without pitches stands for "no melody" (a file that failed).
struct Melody {
  std::vector<std::int8_t> pitches;      ///< MIDI note numbers 1..127
  std::vector<std::uint32_t> durations;  ///< in tatum units
  std::vector<double> onsets;            ///< first column of the table (s or ms)
  std::vector<std::int32_t> phraseFlags; ///< kPhraseStart / kPhraseEnd; empty until computed
  std::string name;
  Signature signature;
  double barLength = 1.0;                ///< numerator / denominator
  std::int32_t annotatedKey = 0;
  BarTimeline timeline;

  std::size_t size() const { return pitches.size(); }
  bool empty() const { return pitches.empty(); }

  /// Empties pitches, durations, onsets, phrase flags and the timeline; keeps
  /// name and signature.
  void clear();

  /// Sum of the durations (tatum units).
  std::uint64_t totalDuration() const;

  /// (lowest, highest) pitch; (127, 0) for an empty melody.
  std::pair<int, int> pitchRange() const;

  /// Mean pitch; 0 for an empty melody.
  double meanPitch() const;

  ModalValues<std::int8_t> mostFrequentPitches() const;

  /// Phrase start/end flags from onset gaps and long notes; empty when the
  /// melody is empty or its pitch and duration counts differ.
  std::vector<std::int32_t> computePhraseFlags() const;

  /// Phrase \a k (from 0) as a melody of its own named name + "_P" + k;
  /// an empty melody when there is no such phrase. The messages of its
  /// consistency check (see expandToTatums) go to \a diag.
  Melody extractPhrase(int k, std::ostream& diag) const;

  /// All phrases, in order; messages to \a diag as for extractPhrase.
  std::vector<Melody> splitPhrases(std::ostream& diag) const;

  /// One note per tatum: every note repeated once per tatum of its duration,
  /// each with duration 1. Empty when the counts of pitches, durations and
  /// positions differ ("Invalid Melody class object (<name>)" on \a diag); a
  /// duration above 128 tatums is reported on \a diag and capped.
  Melody expandToTatums(std::ostream& diag) const;

  /// The summary block to \a out: counts, signature, tatum, bars, pitch
  /// statistics and the notes. An invalid timeline is reported on \a diag.
  void printMelodySummary(std::ostream& out, std::ostream& diag) const;

  /// Notes [from, to) as note names with one "." cell per further tatum,
  /// 16 cells per line.
  void printNotes(std::size_t from, std::size_t to, std::ostream& out) const;
};

}  // namespace suite::core
