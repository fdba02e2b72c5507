// Second pass over a MIDI file: the notes of one track, with the tempo, time
// signature and key of that track and of the signature track, as a converter
// melody.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/midi/midi_event_handler.h"
#include "tuneport/model/conversion_settings.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::midi {

/// Largest time-signature exponent taken (a beat of a 128th note); larger
/// ones, and a numerator of 0, come only from damaged files and are ignored.
inline constexpr int kMaxDenominatorExponent = 7;

/// A division of 0, or a time-code division (0x8000 and more), gives no
/// ticks per quarter note to count beats in: the message saying so, or an
/// empty text for a usable division.
std::string divisionProblem(int division);

/// Collects, while the parser runs, the notes of the selected track (note-ons
/// paired first-in first-out with the following note-offs, whatever their
/// pitch) and the tempo, time-signature and key-signature events of the
/// selected and the signature track; buildMelody() then turns them into a
/// melody. Everything is kept per instance: one builder serves one read.
///
/// Tempo events form a tempo map (ms per quarter note from their tick on,
/// the settings' msPerBeat before the first). A note's onset in ms is the
/// time of its tick on that map, its duration the time between its onset and
/// its end, so a tempo change before or during the melody, in whichever of
/// the two tracks, times every note by the tempi in effect up to it. With
/// ignoreTempoChanges the map keeps only the earliest tempo event. Tempo 0,
/// time signatures with numerator 0 or an exponent above
/// kMaxDenominatorExponent, key signatures outside -7..7 sharps or with a
/// mode other than 0 and 1, and notes of pitch above 127 are damage and are
/// ignored. The last time and key signature read count.
class MidiMelodyBuilder : public MidiEventHandler {
 public:
  /// \a err receives the warning about a quantisation level at or above the
  /// division.
  MidiMelodyBuilder(int selectedTrack, int signatureTrack,
                    const model::ConversionSettings& settings, std::ostream& err);

  void header(int format, int tracks, int division) override;
  void trackStart(int track) override;
  void noteOn(const MidiMessage& message) override;
  void noteOff(const MidiMessage& message) override;
  void timeSignature(std::int32_t time, int numerator, int denominatorExponent,
                     int clocksPerClick, int thirtySecondsPerQuarter) override;
  void tempo(std::int32_t time, std::int32_t microsecondsPerQuarter) override;
  void keySignature(std::int32_t time, int sharpsFlats, int minor) override;
  void error(std::string_view message) override;

  /// Replaces \a melody by the collected one: notes with onset ticks
  /// (snapped to division / quantize ticks with a quantisation level), onsets
  /// and durations in ms, dropping notes that start more than `cut` ms after
  /// the first; ticksPerBeat counted in the time signature's beat unit
  /// (division * 4 / denominator, all ticks multiplied by the power of two
  /// that makes it whole); tempi in ms per that beat, the tempo in effect at
  /// the first note first, then each change at a later note; the key. Without
  /// notes (or with an unusable division) the melody has none.
  void buildMelody(model::ConverterMelody& melody) const;

  /// The last parser message, empty when there was none.
  const std::string& errorText() const { return errorText_; }

 private:
  struct TempoChange {
    std::int64_t tick;
    double msPerQuarter;
  };
  struct PendingNote {
    std::int32_t time;
    std::int32_t pitch;
  };
  struct CollectedNote {
    std::int32_t on;
    std::int32_t off;
    std::int32_t pitch;
  };

  bool signatureSource() const {
    return track_ == selectedTrack_ || (signatureTrack_ >= 0 && track_ == signatureTrack_);
  }
  // The tempo map in scaled ticks, starting with the settings' tempo at 0.
  std::vector<TempoChange> tempoMap() const;

  int selectedTrack_;
  int signatureTrack_;
  model::ConversionSettings settings_;
  std::ostream& err_;
  int track_ = -1;
  bool usableDivision_ = true;
  std::int64_t division_ = 1024;  // ticks per quarter, after the quantisation adjustment
  std::int64_t tickScale_ = 1;
  std::int64_t quantize_ = 0;
  std::int32_t numerator_ = 4;
  int denominatorExponent_ = 2;
  std::int32_t key_ = 0;
  std::vector<TempoChange> tempi_;  // file ticks, in the order read
  std::deque<PendingNote> pending_;
  std::vector<CollectedNote> notes_;
  std::string errorText_;
};

}  // namespace suite::tuneport::midi
