// Fuzz target: the MIDI file parser with the track analysis on arbitrary
// bytes, as the first pass of a MIDI conversion runs them (no answer to the
// track prompt), then once more with continued system-exclusive messages and
// a small buffer under a handler that checks what the parser delivers. Then
// the whole MIDI read with the melody builder, under settings drawn from the
// bytes, and the writer on the melody it gives; the written file must read
// back with the same pitches; backwards, with any key, it must still be
// written or refused with a message.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/midi/midi_file_parser.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"
#include "tuneport/midi/midi_track_analyser.h"
#include "tuneport/model/validation.h"

namespace {

using namespace suite::tuneport::midi;
using suite::tuneport::model::ConversionSettings;
using suite::tuneport::model::ConverterMelody;

constexpr std::size_t kSmallBuffer = 64;

void check(bool condition) {
  if (!condition) std::abort();
}

// Aborts on anything the parser must never deliver.
class CheckingHandler : public MidiEventHandler {
 public:
  void trackStart(int track) override {
    check(!inTrack_ && track == nextTrack_);
    inTrack_ = true;
    lastTime_ = 0;
  }
  void trackEnd(int track) override {
    check(inTrack_ && track == nextTrack_);
    inTrack_ = false;
    ++nextTrack_;
  }
  void channelMessage(const MidiMessage& m) override {
    check(inTrack_ && m.status >= 0x80 && m.status <= 0xEF);
    time(m.time);
    MidiEventHandler::channelMessage(m);
  }
  void noteOn(const MidiMessage& m) override { check(m.data2 != 0 && m.command() == 0x90); }
  void noteOff(const MidiMessage& m) override {
    check(m.command() == 0x80 || (m.command() == 0x90 && m.data2 == 0));
  }
  void metaEvent(std::int32_t t, int type, std::span<const std::uint8_t> data) override {
    check(inTrack_ && type >= 0 && type <= 0xFF);
    time(t);
    fits(data);
    MidiEventHandler::metaEvent(t, type, data);
  }
  void text(std::int32_t, int type, std::string_view text) override {
    check(type >= 1 && type <= 15 && text.data()[text.size()] == '\0');
  }
  void tempo(std::int32_t, std::int32_t us) override { check(us >= 0 && us <= 0xFFFFFF); }
  void keySignature(std::int32_t, int sf, int) override { check(sf >= -128 && sf <= 127); }
  void sysEx(std::int32_t t, std::span<const std::uint8_t> data) override {
    check(inTrack_ && !data.empty() && data[0] == 0xF0);
    time(t);
    fits(data);
  }
  void escapeData(std::int32_t t, std::span<const std::uint8_t> data) override {
    check(inTrack_);
    time(t);
    fits(data);
  }
  void deltaTime(std::int32_t delta) override {
    check(delta >= 0 && delta <= static_cast<std::int32_t>(MidiFileParser::kMaxVariableQuantity));
  }
  void error(std::string_view) override { ++errors; }

  int errors = 0;

 private:
  void time(std::int32_t t) {
    check(t >= lastTime_);
    lastTime_ = t;
  }
  static void fits(std::span<const std::uint8_t> data) { check(data.size() < kSmallBuffer); }

  bool inTrack_ = false;
  int nextTrack_ = 0;
  std::int32_t lastTime_ = 0;
};

// Settings of the read, drawn from the bytes so that the corpus keeps them.
ConversionSettings settingsFor(std::span<const std::uint8_t> bytes) {
  unsigned hash = static_cast<unsigned>(bytes.size());
  for (const std::uint8_t b : bytes) hash = hash * 31u + b;
  ConversionSettings s;
  constexpr int kLevels[] = {24, 0, 7, 480};
  s.quantize = kLevels[hash % 4];
  s.ignoreTempoChanges = (hash >> 2) % 2 != 0;
  s.cut = (hash >> 3) % 4 == 0 ? 1000.0 : 0.0;
  s.msPerBeat = (hash >> 5) % 2 != 0 ? 1000.0 : 500.0;
  s.track = static_cast<int>((hash >> 6) % 3);
  return s;
}

std::vector<std::int32_t> soundingPitches(const ConverterMelody& m) {
  std::vector<std::int32_t> pitches;
  for (const auto& n : m.notes)
    if (n.pitch >= 1 && n.pitch <= 127) pitches.push_back(n.pitch);
  return pitches;
}

// The melody a read gives: usable values, notes in order, positions set.
void checkMelody(const ConverterMelody& m) {
  std::string problem;
  check(!m.empty() && suite::tuneport::model::validateMelody(m, problem));
  check(m.key >= 0 && m.key <= 23 && m.tatum >= 1);
  for (std::size_t i = 0; i < m.size(); ++i) {
    const auto& n = m.notes[i];
    check(n.pitch >= 0 && n.pitch <= 127 && n.durationMs >= 0.0 && n.position.available());
    if (i > 0) check(n.ticks >= m.notes[i - 1].ticks && n.onsetMs >= m.notes[i - 1].onsetMs);
  }
}

// Writes the melody; the file must read back with the same pitches and key.
void checkWritten(const ConverterMelody& m) {
  std::ostringstream file;
  std::string error;
  if (!writeMidiMelody(file, m, error)) {
    check(error.rfind(kNotRepresentableText, 0) == 0);
    return;
  }
  const std::string text = file.str();
  const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(text.data()),
                                            text.size());
  std::ostringstream out;
  std::istringstream in;
  ConversionSettings settings;
  settings.quantize = 0;
  ConverterMelody back;
  const bool read = readMidiMelodyBytes(bytes, settings, {out, out, in}, back, error);
  const std::vector<std::int32_t> pitches = soundingPitches(m);
  check(read == !pitches.empty() && error.empty() == read);
  if (!read) return;
  check(soundingPitches(back) == pitches && back.key == m.key);
  check(back.numerator == m.numerator && back.denominator == m.denominator);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::span<const std::uint8_t> bytes(data, size);

  std::ostringstream out;
  MidiTrackAnalyser analyser(out);
  const bool parsed = readMidiBytes(bytes, analyser);
  analyser.report();
  std::istringstream noAnswer;
  const int chosen = analyser.chooseTrack(noAnswer, out);

  const auto& tracks = analyser.tracks();
  check(parsed == analyser.errorText().empty());
  for (std::size_t i = 0; i < tracks.size(); ++i) {
    check(tracks[i].trackNumber == static_cast<int>(i));
    check(tracks[i].channel >= -2 && tracks[i].channel <= 15);
  }
  for (const int track : analyser.usableTracks()) {
    const TrackInfo& info = tracks[static_cast<std::size_t>(track)];
    check(info.noteOns > 0 && !info.polyphonic);
  }
  const int signature = analyser.signatureTrack();
  check(signature == -1 || tracks[static_cast<std::size_t>(signature)].noteOns == 0);
  check(analyser.wellFormed() == !analyser.usableTracks().empty());
  // Without an answer only a single usable track is taken.
  check(chosen == (analyser.usableTracks().size() == 1 ? analyser.usableTracks()[0] : -1));

  const std::string copy(reinterpret_cast<const char*>(data), size);
  std::istringstream in(copy);
  CheckingHandler checker;
  MidiFileParser parser(in, checker, kSmallBuffer);
  parser.setAcceptSysExContinuation(true);
  const bool again = parser.readFile();
  check(again == (checker.errors == 0));

  std::ostringstream console;
  std::istringstream answer("2\n");
  ConverterMelody melody;
  std::string error;
  const ConversionSettings settings = settingsFor(bytes);
  if (readMidiMelodyBytes(bytes, settings, {console, console, answer}, melody, error)) {
    checkMelody(melody);
    checkWritten(melody);
    // Backwards, with a key that may lie outside 0..23: negative intervals,
    // overlaps and keys no reader gives; written without harm or refused.
    std::reverse(melody.notes.begin(), melody.notes.end());
    melody.key = static_cast<std::int32_t>(bytes.size() % 40) - 8;
    std::ostringstream file;
    check(writeMidiMelody(file, melody, error) || error.rfind(kNotRepresentableText, 0) == 0);
  }
  return 0;
}
