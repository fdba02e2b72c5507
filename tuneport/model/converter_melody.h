// The converter's melody: notes with onsets and durations in ticks and
// milliseconds, a tempo, a time signature, a tick resolution, a bar position
// per note, a tatum and a key. Every reader fills one and passes it through
// quantise; every writer reads the derived sequences.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tuneport/model/bar_position.h"

namespace suite::tuneport::model {

inline constexpr std::int32_t kNoTicks = -1;         ///< NoteEvent::ticks without a value
inline constexpr std::int32_t kRestPitch = 0;
inline constexpr std::int32_t kNoPitch = 128;        ///< end entry, or degree under an unknown tonic
inline constexpr std::int32_t kUnpitchedNote = 250;  ///< a sounding note of unknown pitch

/// True for a sounding note: pitch 1..127 or 250.
constexpr bool isSounding(std::int32_t pitch) {
  return (pitch >= 1 && pitch <= 127) || pitch == kUnpitchedNote;
}

/// One entry of a melody: a note, a rest (pitch 0) or a marker (pitch 128).
struct NoteEvent {
  std::int32_t ticks = kNoTicks;  ///< onset in ticks; kNoTicks: derived from onsetMs
  double onsetMs = 0.0;
  std::int32_t pitch = kRestPitch;
  double durationMs = 0.0;
  BarPosition position;           ///< not available until the bar-position pass
};

/// The two key estimates (keys 0..11 major on C..B, 12..23 minor on C..B).
enum class KeyMethod {
  MajorMinorProfiles,  ///< major and minor key profiles, keys 0..23
  MajorWeights,        ///< one weighted profile, keys 0..11 only
};

struct ConverterMelody {
  std::vector<NoteEvent> notes;      ///< in onset order
  std::int32_t key = 0;              ///< annotated key
  std::vector<double> tempi{500.0};  ///< ms per beat; the first entry is the tempo
  std::int32_t numerator = 4;
  std::int32_t denominator = 4;
  std::int32_t ticksPerBeat = 192;
  double metricFactor = 1.0;         ///< numerator / denominator, copied into every position
  std::int32_t upbeatIndex = 0;      ///< set by the bar-position pass
  std::int32_t durationUnit = 1;     ///< ticks per unit of the duration units ("dur16")
  std::int32_t tatum = 1;            ///< ticks; 0 = unknown (no estimation)
  bool tatumDone = false;            ///< the tatum estimation has run
  std::vector<double> phraseStarts;  ///< per note, 1.0 where a phrase starts (EsAC input)

  void append(const NoteEvent& note) { notes.push_back(note); }
  /// Sets numerator, denominator and metricFactor (0 for a denominator of 0).
  void setSignature(std::int32_t numerator, std::int32_t denominator);
  std::size_t size() const { return notes.size(); }
  bool empty() const { return notes.empty(); }

  /// The first entry of tempi (ms per beat), 0 when there is none.
  double tempo() const;
  /// Ticks per millisecond: ticksPerBeat / tempo; 0 without a positive,
  /// finite tempo or without a resolution of at least 1.
  double ticksPerMs() const;
  /// floor(ms * ticksPerMs() + 0.5), saturated to the 32-bit range (NaN: 0).
  std::int32_t ticksFromMs(double ms) const;

  // Derived sequences, one entry per note; the single-note forms take an
  // index below size().
  std::vector<double> onsetsMs() const;
  std::vector<double> durationsMs() const;
  std::vector<std::int32_t> pitches() const;
  std::vector<BarPosition> positions() const;
  /// ticks, or from onsetMs where ticks is kNoTicks.
  std::vector<std::int32_t> onsetTicks() const;
  std::int32_t onsetTicks(std::size_t i) const;
  /// From durationMs.
  std::vector<std::int32_t> durationTicks() const;
  std::int32_t durationTicks(std::size_t i) const;
  /// max(1, floor(durationTicks / durationUnit + 0.5)); a durationUnit below
  /// 1 counts as 1 tick.
  std::vector<std::int32_t> durationUnits() const;
  /// Ticks to the next note (from the milliseconds where either note has no
  /// tick value). The last note's interval is the larger of its duration and
  /// the distance from its position to the end point: the next bar line when
  /// the first note starts in the first half of its bar, else the first
  /// note's beat and tick in the last note's bar; a negative distance does
  /// not count, and neither does the distance when the first or the last
  /// position is not available.
  std::vector<std::int32_t> interOnsetTicks() const;
  std::int32_t interOnsetTicks(std::size_t i) const;

  /// Lowest and highest pitch over all entries, rests and markers included;
  /// 0 for an empty melody.
  std::int32_t lowestPitch() const;
  std::int32_t highestPitch() const;
  /// Sum of all pitches / number of entries; 0 for an empty melody.
  double meanPitch() const;
  /// tick + ticksPerBeat * (beat - 1) of the first note: where it lies in its
  /// bar. 0 without notes, without a tatum of at least 1 or without a position.
  std::int32_t firstNoteOffset() const;
  /// firstNoteOffset() / tatum (integer division), 0 without a tatum.
  std::int32_t firstNoteOffsetInTatums() const;
  /// The first index after \a i whose entry sounds, or -1.
  std::int64_t nextSoundingNote(std::size_t i) const;

  // Editing.
  /// Each duration but the last becomes min(duration, next onset - onset).
  void clipOverlaps();
  /// Each duration but the last becomes next onset - onset; then a final
  /// marker entry (pitch 128) is removed, or else the last duration becomes 0.
  void makeLegato();
  /// For entries whose onsetMs and ticks hold their lengths: turns them into
  /// running sums from \a startMs and floor(startMs * ticksPerMs()) and
  /// appends an end entry (pitch 128, duration 0, no position) at the sums.
  void retime(double startMs);

  // Quantisation.
  /// What every reader calls before it returns. With \a level 0: when a later
  /// note's ticks is not greater than the first note's, every ticks is
  /// recomputed from onsetMs; then the tatum is estimated. Then the
  /// bar-position pass runs with \a level. Returns false, changing nothing,
  /// when ticksPerBeat or numerator is below 1.
  bool quantise(std::int32_t level);
  /// Estimates tatum and durationUnit from the intervals and durations in
  /// ticks. Runs once (tatumDone), not when the tatum is 0 and not without a
  /// resolution of at least 1. Afterwards 1 <= tatum == durationUnit.
  void estimateTatum();
  /// Gives each note its bar position, snapped to \a level points per beat
  /// when \a level is not 0, and sets upbeatIndex to
  /// the index of the last note before the first bar change (0 when the first
  /// note starts a bar or the melody stays in its first bar). Returns false,
  /// changing nothing, when ticksPerBeat or numerator is below 1.
  bool assignBarPositions(std::int32_t level);

  /// Key estimate from the sounding notes with a pitch (1..127); rests,
  /// markers and unpitched notes carry no pitch class. 0 without such notes.
  std::int32_t estimateKey(KeyMethod method) const;
};

/// The subdivision k (2..8, dividing \a grid, k != grid) that makes \a ticks
/// fit a grid of grid / k better than \a grid does, the coarsest such k first;
/// 1 when \a ticks already lies on \a grid or nothing fits better. The fit is
/// |ticks - g * round(ticks / g)| / g.
std::int32_t refine(std::int32_t ticks, std::int32_t grid);

}  // namespace suite::tuneport::model
