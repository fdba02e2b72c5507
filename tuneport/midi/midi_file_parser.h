// Push parser for Standard MIDI Files: reads the header chunk and every track
// chunk and reports each element to a MidiEventHandler. It keeps no events.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/midi/midi_event_handler.h"

namespace suite::tuneport::midi {

/// The parser's messages, passed to MidiEventHandler::error.
inline constexpr std::string_view kUnexpectedStreamError = "Unexpected Stream Error";
inline constexpr std::string_view kErrorLookingForChunkType = "Error looking for chunk type";
inline constexpr std::string_view kUnexpectedRunningStatus = "Unexpected Running Status";
inline constexpr std::string_view kErrorAfterSysExContinuation =
    "Error after expected continuation of SysEx";
inline constexpr std::string_view kUnexpectedByte = "Unexpected Byte";
inline constexpr std::string_view kNoTracks = "No Tracks";

/// Reads one MIDI file from a byte stream. Every error goes to the handler's
/// error operation and sets the error flag, which ends the current track;
/// readFile then returns false. Hostile input is safe: a read at the end of
/// the source stops the event that wanted it, variable-length quantities are
/// kept to 28 bits, chunk lengths are only counted down (never allocated),
/// and data beyond the buffer is read and dropped.
class MidiFileParser {
 public:
  static constexpr std::size_t kDefaultBufferSize = 8192;
  /// Largest value of a variable-length quantity (four bytes of seven bits);
  /// longer quantities are read to their end and keep this value.
  static constexpr std::uint32_t kMaxVariableQuantity = 0x0FFFFFFF;

  /// \a bufferSize bytes hold system-exclusive, escape and meta data, one of
  /// them reserved for the NUL after a text (at least 2).
  MidiFileParser(std::istream& source, MidiEventHandler& handler,
                 std::size_t bufferSize = kDefaultBufferSize);

  /// When set, a system-exclusive message whose last byte is not 0xF7 stays
  /// open, and following 0xF7 events continue it until one ends in 0xF7.
  /// Off by default: such a message is delivered at once.
  void setAcceptSysExContinuation(bool accept) { acceptContinuation_ = accept; }

  /// Reads the header, then each track in turn; stops after the first track
  /// that set the error flag. False on any error, "No Tracks" included.
  bool readFile();

  /// Passes \a text to the handler and sets the error flag.
  void error(std::string_view text);

  /// Values of the header chunk (0 until it is read).
  int format() const { return format_; }
  int trackCount() const { return trackCount_; }
  int division() const { return division_; }

 private:
  int readByte();
  bool read16(int& value);
  bool read32(std::uint32_t& value);
  bool readVariable(std::uint32_t& value);
  bool findChunk(std::uint32_t type, bool scan);
  bool readData(std::uint32_t length, int& lastByte);
  int readHeader();
  void readTrack(int index);
  void readEvent();
  void readSysEx();
  void readEscape();
  void readMeta();

  void clearBuffer();
  void appendToBuffer(std::uint8_t byte);
  std::span<const std::uint8_t> bufferData() const { return {buffer_.data(), fill_}; }

  std::streambuf* source_;
  MidiEventHandler& handler_;
  std::int64_t bytesLeft_ = 0;  // in the current chunk; negative after an overrun
  std::int32_t time_ = 0;       // absolute ticks in the current track
  int format_ = 0;
  int trackCount_ = 0;
  int division_ = 0;
  bool error_ = false;
  std::vector<std::uint8_t> buffer_;
  std::size_t fill_ = 0;  // buffer_[fill_] is always 0
  int runningStatus_ = 0;
  bool sysExOpen_ = false;
  bool acceptContinuation_ = false;
};

/// Parses the file \a fileName; a file that cannot be opened reads as an
/// empty source (and fails with the parser's messages).
bool readMidiFile(const std::string& fileName, MidiEventHandler& handler);

/// Parses the bytes of \a source.
bool readMidiStream(std::istream& source, MidiEventHandler& handler);

/// Parses a file held in memory.
bool readMidiBytes(std::span<const std::uint8_t> bytes, MidiEventHandler& handler);

}  // namespace suite::tuneport::midi
