#include "tuneport/midi/midi_file_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <sstream>
#include <new>
#include <numeric>

#include "text/text_format.h"
#include "tuneport/model/output_file.h"
#include "tuneport/model/saturating.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::midi {
namespace {

using model::saturatingAdd;

// Sharps/flats by tonic, C..B.
constexpr std::array<int, 12> kMajorKeys{0, -5, 2, -3, 4, -1, 6, 1, -4, 3, -2, 5};
constexpr std::array<int, 12> kMinorKeys{-3, 4, -1, 6, 1, -4, 3, -2, 5, 0, -5, 2};

constexpr int kMaxDivision = 0x7FFF;
constexpr std::int64_t kMaxTempo = 0xFFFFFF;

// What the two tracks hold, in the file's ticks.
struct Layout {
  struct NoteEvent {
    std::int64_t time;
    std::uint8_t pitch;
    bool on;
  };
  int division = 0;
  int numerator = 4;
  int exponent = 2;
  std::int64_t microsecondsPerQuarter = 500000;
  KeySignature key;
  std::vector<NoteEvent> events;
};

bool fail(std::string& errorText, std::string_view text) {
  errorText = text;
  return false;
}

bool planLayout(const model::ConverterMelody& m, Layout& layout, std::string& errorText) {
  if (m.empty()) return fail(errorText, kMelodyInvalidText);
  if (std::string problem; !model::validateMelody(m, problem)) return fail(errorText, problem);

  // The time signature's beat in quarter notes: a denominator 2^e.
  int exponent = 0;
  while (exponent < 30 && (std::int64_t{1} << (exponent + 1)) <= m.denominator) ++exponent;
  if (m.numerator > 255)
    return fail(errorText, std::string(kNotRepresentableText) + "numerator " +
                               std::to_string(m.numerator));
  layout.numerator = m.numerator;
  layout.exponent = exponent;
  layout.key = keySignatureOf(m.key);

  // Floor of the exact value; the small allowance absorbs binary rounding of
  // tempi that were whole microseconds.
  const double us = m.tempo() * 1000.0 * std::ldexp(1.0, exponent) / 4.0;
  layout.microsecondsPerQuarter = model::floorToInt64(us + 1e-6);
  if (layout.microsecondsPerQuarter < 1 || layout.microsecondsPerQuarter > kMaxTempo)
    return fail(errorText, std::string(kNotRepresentableText) + "tempo of " +
                               text::formatGeneral(m.tempo()) + " ms per beat");

  // Times before 0 would be written at the time of the event before them
  // anyway; as 0 they keep the arithmetic below away from the 64-bit limits.
  std::int64_t c = m.firstNoteOffset();
  for (std::size_t i = 0; i < m.size(); ++i) {
    const std::int32_t pitch = m.notes[i].pitch;
    if (pitch >= 1 && pitch <= 127) {
      const auto p = static_cast<std::uint8_t>(pitch);
      layout.events.push_back({std::max<std::int64_t>(c, 0), p, true});
      layout.events.push_back(
          {std::max<std::int64_t>(saturatingAdd(c, m.durationTicks(i)), 0), p, false});
    }
    if (i + 1 < m.size()) c = saturatingAdd(c, m.interOnsetTicks(i));
  }

  // Ticks per quarter note: ticksPerBeat * 2^e / 4, made whole by scaling
  // every time, and brought into 16 bits by a factor common to all times.
  const std::int64_t beatTicks = std::int64_t{m.ticksPerBeat} << exponent;
  const std::int64_t scale = 4 / std::gcd(beatTicks, std::int64_t{4});
  std::int64_t division = beatTicks * scale / 4;
  std::int64_t common = division;
  for (Layout::NoteEvent& e : layout.events) {
    e.time = model::saturatingMul(e.time, scale);
    common = std::gcd(common, e.time);
  }
  if (division > kMaxDivision && common > 1) {
    division /= common;
    for (Layout::NoteEvent& e : layout.events) e.time /= common;
  }
  if (division > kMaxDivision)
    return fail(errorText, std::string(kNotRepresentableText) + "resolution of " +
                               std::to_string(division) + " ticks per quarter note");
  layout.division = static_cast<int>(division);
  for (const Layout::NoteEvent& e : layout.events) {
    if (e.time > MidiFileWriter::kMaxDelta)
      return fail(errorText, std::string(kNotRepresentableText) + "time of " +
                                 std::to_string(e.time) + " ticks");
  }
  return true;
}

// Writes bytes [from, to) of \a bytes and flushes; false when the stream failed.
bool writeStage(std::ostream& out, const std::vector<std::uint8_t>& bytes, std::size_t from,
                std::size_t to) {
  out.write(reinterpret_cast<const char*>(bytes.data() + from),
            static_cast<std::streamsize>(to - from));
  out.flush();
  return static_cast<bool>(out);
}

bool writeLayout(std::ostream& out, const Layout& layout, std::string& errorText) {
  try {
    MidiFileWriter w;
    w.header(1, 2, layout.division);
    const std::size_t headerEnd = w.bytes().size();

    w.trackStart();
    w.metaEvent(0, 0x59, {static_cast<std::uint8_t>(layout.key.sharpsFlats),
                          static_cast<std::uint8_t>(layout.key.minor)});
    w.metaEvent(0, 0x58, {static_cast<std::uint8_t>(layout.numerator),
                          static_cast<std::uint8_t>(layout.exponent), 24, 8});
    const auto us = static_cast<std::uint32_t>(layout.microsecondsPerQuarter);
    w.metaEvent(0, 0x51, {static_cast<std::uint8_t>(us >> 16), static_cast<std::uint8_t>(us >> 8),
                          static_cast<std::uint8_t>(us)});
    w.trackEnd();
    const std::size_t signatureEnd = w.bytes().size();

    w.trackStart();
    w.channelMessage(0, 0xC0, 1);
    w.channelMessage(0, 0xB0, 7, 80);
    for (const Layout::NoteEvent& e : layout.events)
      w.channelMessage(e.time, 0x90, e.pitch, e.on ? 127 : 0);
    w.trackEnd();

    const std::vector<std::uint8_t>& bytes = w.bytes();
    if (!writeStage(out, bytes, 0, headerEnd)) return fail(errorText, kErrorWritingHeaderText);
    if (!writeStage(out, bytes, headerEnd, signatureEnd))
      return fail(errorText, kErrorWritingSignatureTrackText);
    if (!writeStage(out, bytes, signatureEnd, bytes.size()))
      return fail(errorText, kErrorWritingMelodyTrackText);
  } catch (const std::bad_alloc&) {
    return fail(errorText, kOutOfMemoryText);
  }
  return true;
}

}  // namespace

void MidiFileWriter::put32(std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    bytes_.push_back(static_cast<std::uint8_t>(value >> shift));
}

void MidiFileWriter::header(int format, int tracks, int division) {
  bytes_.insert(bytes_.end(), {'M', 'T', 'h', 'd'});
  put32(6);
  for (const int value : {format, tracks, division}) {
    bytes_.push_back(static_cast<std::uint8_t>(value >> 8));
    bytes_.push_back(static_cast<std::uint8_t>(value));
  }
}

void MidiFileWriter::trackStart() {
  bytes_.insert(bytes_.end(), {'M', 'T', 'r', 'k'});
  trackOffset_ = bytes_.size();
  put32(0);  // the length, patched by trackEnd
  lastTime_ = 0;
  lastStatus_ = 0;
}

void MidiFileWriter::delta(std::int64_t time) {
  // A time before the previous event is written at the previous time.
  const std::int64_t d = std::clamp<std::int64_t>(time - lastTime_, 0, kMaxDelta);
  lastTime_ += d;
  const auto value = static_cast<std::uint32_t>(d);
  for (int shift = 21; shift > 0; shift -= 7)
    if (value >> shift) bytes_.push_back(static_cast<std::uint8_t>(0x80 | ((value >> shift) & 0x7F)));
  bytes_.push_back(static_cast<std::uint8_t>(value & 0x7F));
}

void MidiFileWriter::status(std::uint8_t status) {
  if (status != lastStatus_) bytes_.push_back(status);
  lastStatus_ = status;
}

void MidiFileWriter::channelMessage(std::int64_t time, std::uint8_t statusByte,
                                    std::uint8_t data1) {
  delta(time);
  status(statusByte);
  bytes_.push_back(data1);
}

void MidiFileWriter::channelMessage(std::int64_t time, std::uint8_t statusByte,
                                    std::uint8_t data1, std::uint8_t data2) {
  channelMessage(time, statusByte, data1);
  bytes_.push_back(data2);
}

void MidiFileWriter::metaEvent(std::int64_t time, std::uint8_t type,
                               std::initializer_list<std::uint8_t> data) {
  delta(time);
  bytes_.insert(bytes_.end(), {0xFF, type, static_cast<std::uint8_t>(data.size())});
  bytes_.insert(bytes_.end(), data);
  lastStatus_ = 0;
}

void MidiFileWriter::trackEnd() {
  metaEvent(lastTime_, 0x2F, {});
  const auto length = static_cast<std::uint32_t>(bytes_.size() - trackOffset_ - 4);
  for (int i = 0; i < 4; ++i)
    bytes_[trackOffset_ + static_cast<std::size_t>(i)] =
        static_cast<std::uint8_t>(length >> (24 - 8 * i));
}

KeySignature keySignatureOf(std::int32_t key) {
  if (key < 0 || key > 23) return {};
  const auto tonic = static_cast<std::size_t>(key % 12);
  return key < 12 ? KeySignature{kMajorKeys[tonic], 0} : KeySignature{kMinorKeys[tonic], 1};
}

bool writeMidiMelody(const std::string& fileName, const model::ConverterMelody* melody,
                     std::string& errorText) {
  if (melody == nullptr) return fail(errorText, kNoMelodyText);
  Layout layout;
  try {
    if (!planLayout(*melody, layout, errorText)) return false;
  } catch (const std::bad_alloc&) {
    return fail(errorText, kOutOfMemoryText);
  }
  std::ostringstream bytes;
  if (!writeLayout(bytes, layout, errorText)) return false;
  return model::writeOutputFile(fileName, bytes.view(), errorText);
}

bool writeMidiMelody(std::ostream& out, const model::ConverterMelody& melody,
                     std::string& errorText) {
  Layout layout;
  try {
    if (!planLayout(melody, layout, errorText)) return false;
  } catch (const std::bad_alloc&) {
    return fail(errorText, kOutOfMemoryText);
  }
  return writeLayout(out, layout, errorText);
}

}  // namespace suite::tuneport::midi
