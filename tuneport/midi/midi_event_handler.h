// Events of a Standard MIDI File as the parser delivers them, and the handler
// interface that receives them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace suite::tuneport::midi {

/// A channel message as delivered: status byte (with channel), data bytes and
/// the absolute time in ticks since the start of its track. The data bytes
/// are passed on as read; a damaged file may deliver values of 0x80 and more.
struct MidiMessage {
  std::uint8_t status = 0;
  std::uint8_t data1 = 0;
  std::uint8_t data2 = 0;  ///< 0 for messages with one data byte
  std::int32_t time = 0;

  int channel() const { return status & 0x0F; }
  int command() const { return status & 0xF0; }
};

/// Receives the elements of a MIDI file from MidiFileParser. Every operation
/// does nothing by default, except metaEvent and channelMessage, which
/// dispatch to the specific operations below them. Times are absolute track
/// times in ticks. The declaration order is the order of the virtual slots.
class MidiEventHandler {
 public:
  virtual ~MidiEventHandler() = default;

  virtual void channelMode(const MidiMessage& message);
  virtual void noteOn(const MidiMessage& message);
  virtual void noteOff(const MidiMessage& message);
  virtual void polyPressure(const MidiMessage& message);
  virtual void pitchBend(const MidiMessage& message);
  virtual void programChange(const MidiMessage& message);
  virtual void channelPressure(const MidiMessage& message);
  virtual void controlChange(const MidiMessage& message);
  /// A complete system-exclusive message, starting with its 0xF0.
  virtual void sysEx(std::int32_t time, std::span<const std::uint8_t> data);
  /// The bytes of an 0xF7 escape outside a continued system-exclusive message.
  virtual void escapeData(std::int32_t time, std::span<const std::uint8_t> data);
  /// A meta event of a type without an operation of its own.
  virtual void otherMeta(std::int32_t time, int type, std::span<const std::uint8_t> data);
  virtual void sequenceNumber(std::int32_t time, int number);
  virtual void smpteOffset(std::int32_t time, int hours, int minutes, int seconds, int frames,
                           int subframes);
  /// \a denominatorExponent: the denominator is 2 to this power.
  virtual void timeSignature(std::int32_t time, int numerator, int denominatorExponent,
                             int clocksPerClick, int thirtySecondsPerQuarter);
  /// Microseconds per quarter note (24 bits; 0 in a damaged file).
  virtual void tempo(std::int32_t time, std::int32_t microsecondsPerQuarter);
  /// \a sharpsFlats: -7..7 in a sound file (signed byte); \a minor: 1 minor, 0 major.
  virtual void keySignature(std::int32_t time, int sharpsFlats, int minor);
  virtual void sequencerSpecific(std::int32_t time, std::span<const std::uint8_t> data);
  /// A text meta event of type 1..15. When it comes from the parser, the byte
  /// after the text is a NUL inside the parser's buffer.
  virtual void text(std::int32_t time, int type, std::string_view text);
  virtual void endOfTrack(std::int32_t time);
  virtual void error(std::string_view message);
  virtual void trackStart(int track);
  virtual void trackEnd(int track);
  /// \a division: ticks per quarter note, or a time-code division (0x8000 and more).
  virtual void header(int format, int tracks, int division);
  virtual void deltaTime(std::int32_t delta);
  /// Dispatches by type to the meta operations above; missing data bytes of a
  /// too short event count as 0.
  virtual void metaEvent(std::int32_t time, int type, std::span<const std::uint8_t> data);
  /// Dispatches by the high nibble of the status to the channel operations; a
  /// note-on with velocity 0 goes to noteOff.
  virtual void channelMessage(const MidiMessage& message);
};

}  // namespace suite::tuneport::midi
