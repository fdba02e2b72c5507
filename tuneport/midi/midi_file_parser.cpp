#include "tuneport/midi/midi_file_parser.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <streambuf>

namespace suite::tuneport::midi {
namespace {

constexpr std::uint32_t chunkId(const char (&name)[5]) {
  return (std::uint32_t{static_cast<std::uint8_t>(name[0])} << 24) |
         (std::uint32_t{static_cast<std::uint8_t>(name[1])} << 16) |
         (std::uint32_t{static_cast<std::uint8_t>(name[2])} << 8) |
         std::uint32_t{static_cast<std::uint8_t>(name[3])};
}

constexpr std::uint32_t kHeaderChunk = chunkId("MThd");
constexpr std::uint32_t kTrackChunk = chunkId("MTrk");

// Data bytes that follow a status byte, by its high nibble.
int dataByteCount(int status) {
  switch (status >> 4) {
    case 0x8: case 0x9: case 0xA: case 0xB: case 0xE: return 2;
    case 0xC: case 0xD: return 1;
    default: return 0;
  }
}

// A read-only stream buffer over bytes in memory (no copy).
class MemoryBuffer : public std::streambuf {
 public:
  explicit MemoryBuffer(std::span<const std::uint8_t> bytes) {
    // The get area is never written through; streambuf just wants char*.
    char* first = const_cast<char*>(reinterpret_cast<const char*>(bytes.data()));
    setg(first, first, first + bytes.size());
  }
};

}  // namespace

MidiFileParser::MidiFileParser(std::istream& source, MidiEventHandler& handler,
                               std::size_t bufferSize)
    : source_(source.rdbuf()), handler_(handler), buffer_(std::max<std::size_t>(bufferSize, 2)) {}

void MidiFileParser::error(std::string_view text) {
  handler_.error(text);
  error_ = true;
}

int MidiFileParser::readByte() {
  const int c = source_ != nullptr ? source_->sbumpc() : std::streambuf::traits_type::eof();
  if (c == std::streambuf::traits_type::eof()) {
    error(kUnexpectedStreamError);
    return -1;
  }
  --bytesLeft_;
  return c;
}

bool MidiFileParser::read16(int& value) {
  const int high = readByte();
  if (high < 0) return false;
  const int low = readByte();
  if (low < 0) return false;
  value = (high << 8) | low;
  return true;
}

bool MidiFileParser::read32(std::uint32_t& value) {
  value = 0;
  for (int i = 0; i < 4; ++i) {
    const int c = readByte();
    if (c < 0) return false;
    value = (value << 8) | static_cast<std::uint32_t>(c);
  }
  return true;
}

bool MidiFileParser::readVariable(std::uint32_t& value) {
  // Seven bits per byte while the top bit is set. The end of the source ends
  // the quantity (with an error); excess groups saturate instead of wrapping.
  std::uint64_t sum = 0;
  int c = 0;
  do {
    c = readByte();
    if (c < 0) return false;
    sum = std::min<std::uint64_t>((sum << 7) | static_cast<std::uint64_t>(c & 0x7F),
                                  kMaxVariableQuantity);
  } while ((c & 0x80) != 0);
  value = static_cast<std::uint32_t>(sum);
  return true;
}

bool MidiFileParser::findChunk(std::uint32_t type, bool scan) {
  std::uint32_t value = 0;
  for (int i = 0; i < 4; ++i) {
    const int c = readByte();
    if (c < 0) {
      error(kErrorLookingForChunkType);
      return false;
    }
    value = (value << 8) | static_cast<std::uint32_t>(c);
  }
  while (value != type) {
    const int c = scan ? readByte() : -1;
    if (c < 0) {
      error(kErrorLookingForChunkType);
      return false;
    }
    value = (value << 8) | static_cast<std::uint32_t>(c);
  }
  return true;
}

void MidiFileParser::clearBuffer() {
  fill_ = 0;
  buffer_[0] = 0;
}

void MidiFileParser::appendToBuffer(std::uint8_t byte) {
  // The last byte of the buffer stays free for the NUL after a text.
  if (fill_ + 1 >= buffer_.size()) return;
  buffer_[fill_++] = byte;
  buffer_[fill_] = 0;
}

bool MidiFileParser::readData(std::uint32_t length, int& lastByte) {
  for (std::uint32_t i = 0; i < length; ++i) {
    const int c = readByte();
    if (c < 0) return false;
    appendToBuffer(static_cast<std::uint8_t>(c));
    lastByte = c;
  }
  return true;
}

int MidiFileParser::readHeader() {
  if (!findChunk(kHeaderChunk, true)) return 0;
  std::uint32_t length = 0;
  if (!read32(length)) return 0;
  bytesLeft_ = length;
  if (!read16(format_) || !read16(trackCount_) || !read16(division_)) return 0;
  handler_.header(format_, trackCount_, division_);
  while (bytesLeft_ > 0 && !error_) readByte();
  return error_ ? 0 : trackCount_;
}

void MidiFileParser::readTrack(int index) {
  if (!findChunk(kTrackChunk, false)) return;
  std::uint32_t length = 0;
  if (!read32(length)) return;
  bytesLeft_ = length;
  time_ = 0;
  runningStatus_ = 0;
  sysExOpen_ = false;
  handler_.trackStart(index);
  while (bytesLeft_ > 0 && !error_) readEvent();
  handler_.trackEnd(index);
}

void MidiFileParser::readEvent() {
  std::uint32_t delta = 0;
  if (!readVariable(delta)) return;
  handler_.deltaTime(static_cast<std::int32_t>(delta));
  // Absolute times stop at the largest 32-bit value instead of wrapping.
  time_ = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::int64_t{time_} + delta, std::numeric_limits<std::int32_t>::max()));

  const int c = readByte();
  if (c < 0) return;
  if (sysExOpen_ && c != 0xF7) error(kErrorAfterSysExContinuation);

  const bool isStatus = (c & 0x80) != 0;
  int status = c;
  if (isStatus) {
    runningStatus_ = c;
  } else {
    status = runningStatus_;
    if (status == 0) error(kUnexpectedRunningStatus);
  }

  const int count = dataByteCount(status);
  if (count > 0) {
    int first = c;
    if (isStatus) {
      first = readByte();
      if (first < 0) return;
    }
    int second = 0;
    if (count == 2) {
      second = readByte();
      if (second < 0) return;
    }
    handler_.channelMessage({static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(first),
                             static_cast<std::uint8_t>(second), time_});
    return;
  }

  // A data byte after a system status (or with no status at all) lands here too.
  if (!isStatus) {
    error(kUnexpectedByte);
    return;
  }
  switch (c) {
    case 0xF0: readSysEx(); break;
    case 0xF7: readEscape(); break;
    case 0xFF: readMeta(); break;
    default: error(kUnexpectedByte); break;
  }
}

void MidiFileParser::readSysEx() {
  std::uint32_t length = 0;
  if (!readVariable(length)) return;
  clearBuffer();
  appendToBuffer(0xF0);
  int last = -1;
  if (!readData(length, last)) return;
  if (last == 0xF7 || !acceptContinuation_) {
    handler_.sysEx(time_, bufferData());
  } else {
    sysExOpen_ = true;
  }
}

void MidiFileParser::readEscape() {
  std::uint32_t length = 0;
  if (!readVariable(length)) return;
  if (!sysExOpen_) clearBuffer();
  int last = -1;
  if (!readData(length, last)) return;
  if (!sysExOpen_) {
    handler_.escapeData(time_, bufferData());
  } else if (last == 0xF7) {
    handler_.sysEx(time_, bufferData());
    sysExOpen_ = false;
  }
}

void MidiFileParser::readMeta() {
  const int type = readByte();
  if (type < 0) return;
  std::uint32_t length = 0;
  if (!readVariable(length)) return;
  clearBuffer();
  int last = -1;
  if (!readData(length, last)) return;
  handler_.metaEvent(time_, type, bufferData());
}

bool MidiFileParser::readFile() {
  const int tracks = readHeader();
  if (tracks < 1) {
    error(kNoTracks);
    return false;
  }
  for (int i = 0; i < tracks; ++i) {
    readTrack(i);
    if (error_) return false;
  }
  return true;
}

bool readMidiFile(const std::string& fileName, MidiEventHandler& handler) {
  std::ifstream in(fileName, std::ios::binary);
  return readMidiStream(in, handler);
}

bool readMidiStream(std::istream& source, MidiEventHandler& handler) {
  MidiFileParser parser(source, handler);
  return parser.readFile();
}

bool readMidiBytes(std::span<const std::uint8_t> bytes, MidiEventHandler& handler) {
  MemoryBuffer buffer(bytes);
  std::istream in(&buffer);
  return readMidiStream(in, handler);
}

}  // namespace suite::tuneport::midi
