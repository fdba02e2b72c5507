// Standard MIDI file output: a converter melody as a format-1 file with a
// signature track (key, time signature, tempo) and a melody track on channel 0.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::midi {

inline constexpr std::string_view kNoMelodyText = "No melody. ";
inline constexpr std::string_view kMelodyInvalidText = "Melody invalid.";
inline constexpr std::string_view kOutOfMemoryText = "Out of memory";
inline constexpr std::string_view kErrorWritingHeaderText = "Error writing file header";
inline constexpr std::string_view kErrorWritingSignatureTrackText = "Error writing signature track";
inline constexpr std::string_view kErrorWritingMelodyTrackText = "Error writing melody track";
/// Followed by what a MIDI file cannot hold (resolution, tempo, numerator, time).
inline constexpr std::string_view kNotRepresentableText = "Not representable in a MIDI file: ";

/// Builds a Standard MIDI file in memory. Events are placed at absolute
/// times in ticks; each is written with the delta to the time actually
/// written for the previous event, a time before it giving delta 0 (the
/// event then lies at the previous time, and later deltas count from there).
/// Channel messages use running status within a track; meta events cancel
/// it. trackEnd writes the end-of-track event and back-patches the length.
class MidiFileWriter {
 public:
  /// Largest delta of a four-byte variable-length quantity; larger deltas
  /// are the caller's to avoid.
  static constexpr std::int64_t kMaxDelta = 0x0FFFFFFF;

  void header(int format, int tracks, int division);
  void trackStart();
  void channelMessage(std::int64_t time, std::uint8_t status, std::uint8_t data1);
  void channelMessage(std::int64_t time, std::uint8_t status, std::uint8_t data1,
                      std::uint8_t data2);
  void metaEvent(std::int64_t time, std::uint8_t type, std::initializer_list<std::uint8_t> data);
  void trackEnd();

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }

 private:
  void put32(std::uint32_t value);
  void delta(std::int64_t time);
  void status(std::uint8_t status);

  std::vector<std::uint8_t> bytes_;
  std::size_t trackOffset_ = 0;  // of the current chunk's length field
  std::int64_t lastTime_ = 0;
  int lastStatus_ = 0;
};

/// Sharps (positive) or flats (negative) and the mode flag of a key: 0..11
/// major on C..B, 12..23 minor. A key outside 0..23 (no key, or a damaged
/// one) has no key signature to give and is written as 0 sharps, major.
struct KeySignature {
  int sharpsFlats = 0;
  int minor = 0;
};
KeySignature keySignatureOf(std::int32_t key);

/// Writes \a melody to the file \a fileName. Fails with "No melody. " for a
/// null melody; otherwise as the stream form, and as writeOutputFile when the
/// file cannot be created or written. Nothing is created for a
/// melody that cannot be written.
bool writeMidiMelody(const std::string& fileName, const model::ConverterMelody* melody,
                     std::string& errorText);

/// Writes \a melody as a format-1 file with two tracks. The division is the
/// melody's ticksPerBeat counted in quarter notes (ticksPerBeat * 2^d / 4
/// for a denominator 2^d; times are multiplied where that is not whole, and
/// divided by their common factor where it exceeds 0x7FFF). Signature track
/// at time 0: key signature, time signature (numerator, floor(log2
/// denominator), 24 clocks, 8 32nds), tempo (the first tempo in
/// microseconds per quarter note). Melody track: program 1 and volume 80 at
/// time 0; from the first note's offset in its bar on, each pitch 1..127 as
/// a note-on with velocity 127 and one with velocity 0 after its duration,
/// then the next onset by the inter-onset interval.
/// Failures: "Melody invalid." without notes, validateMelody's message,
/// kNotRepresentableText + what, and per stage "Error writing file header",
/// "Error writing signature track", "Error writing melody track" (the stream
/// is left as written so far), "Out of memory".
bool writeMidiMelody(std::ostream& out, const model::ConverterMelody& melody,
                     std::string& errorText);

}  // namespace suite::tuneport::midi
