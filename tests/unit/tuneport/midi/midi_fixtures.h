// Whole MIDI files as hex fixtures, the run of a MIDI read on them, and an
// event handler that writes every event it receives as one line of text, so
// a whole parse can be compared with an expected list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "support/hex_bytes.h"
#include "tuneport/midi/midi_event_handler.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"

namespace suite::tuneport::midi::test {

/// A file of the given format and division whose tracks hold \a bodies
/// (hex events), each closed by an end-of-track event.
inline std::string smf(int division, const std::vector<std::string>& bodies, int format = 1) {
  char header[64];
  std::snprintf(header, sizeof header, "\"MThd\" 00000006 %04X %04zX %04X\n", format,
                bodies.size(), division);
  std::string text = header;
  for (const std::string& body : bodies) text += "\"MTrk\" [\n" + body + "\n 00 FF 2F 00 ]\n";
  return text;
}

/// What a read of a MIDI file leaves behind.
struct MelodyRead {
  bool ok = false;
  model::ConverterMelody melody;
  std::string out;
  std::string err;
  std::string error;
};

inline MelodyRead readBytes(std::span<const std::uint8_t> bytes,
                            const model::ConversionSettings& settings = {},
                            const std::string& input = "") {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(input);
  MelodyRead r;
  r.ok = readMidiMelodyBytes(bytes, settings, {out, err, in}, r.melody, r.error);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline MelodyRead readHex(const std::string& hex, const model::ConversionSettings& settings = {},
                          const std::string& input = "") {
  return readBytes(suite::test::hexBytes(hex), settings, input);
}

// What a read gave, in one line: the error, or the signature, resolution,
// key, tatum, tempi and per note "ticks:pitch:onset+duration" (ms); then the
// extracted track, a question asked, "Melody empty." and warnings.
inline std::string describe(const MelodyRead& r) {
  std::ostringstream text;
  const model::ConverterMelody& m = r.melody;
  if (r.ok) {
    text << m.numerator << '/' << m.denominator << " tpb " << m.ticksPerBeat << " key " << m.key
         << " tatum " << m.tatum << " tempi";
    for (const double t : m.tempi) text << ' ' << t;
    text << " |";
    for (const model::NoteEvent& n : m.notes)
      text << ' ' << n.ticks << ':' << n.pitch << ':' << n.onsetMs << '+' << n.durationMs;
  } else {
    text << "error \"" << r.error << '"';
  }
  const std::size_t extracting = r.out.find("Extracting track ");
  if (extracting != std::string::npos) text << " | track " << r.out[extracting + 17];
  if (r.out.find("Select number.") != std::string::npos) text << " asked";
  if (r.out.ends_with("Melody empty.\n")) text << " empty";
  if (!r.err.empty()) text << " | " << r.err;
  return text.str();
}

/// \a melody as a MIDI file (a failure to write fails the test).
inline std::vector<std::uint8_t> writtenBytes(const model::ConverterMelody& melody) {
  std::ostringstream out;
  std::string error;
  EXPECT_TRUE(writeMidiMelody(out, melody, error)) << error;
  const std::string bytes = out.str();
  return {bytes.begin(), bytes.end()};
}

class EventLog : public MidiEventHandler {
  using T = std::int32_t;
  using Bytes = std::span<const std::uint8_t>;
  using Message = MidiMessage;

 public:
  std::string lines;      ///< "; "-joined
  bool structure = true;  ///< log header, trackStart and trackEnd too

  void channelMode(const Message& m) override { message("channelMode", m); }
  void noteOn(const Message& m) override { message("noteOn", m); }
  void noteOff(const Message& m) override { message("noteOff", m); }
  void polyPressure(const Message& m) override { message("polyPressure", m); }
  void pitchBend(const Message& m) override { message("pitchBend", m); }
  void programChange(const Message& m) override { message("programChange", m); }
  void channelPressure(const Message& m) override { message("channelPressure", m); }
  void controlChange(const Message& m) override { message("controlChange", m); }
  void sysEx(T t, Bytes d) override { add("sysEx", t, hex(d)); }
  void escapeData(T t, Bytes d) override { add("escapeData", t, hex(d)); }
  void otherMeta(T t, int type, Bytes d) override { add("otherMeta", t, type, hex(d)); }
  void sequenceNumber(T t, int n) override { add("sequenceNumber", t, n); }
  void smpteOffset(T t, int h, int m, int s, int f, int sf) override {
    add("smpteOffset", t, h, m, s, f, sf);
  }
  void timeSignature(T t, int n, int d, int c, int b) override { add("timeSignature", t, n, d, c, b); }
  void tempo(T t, T us) override { add("tempo", t, us); }
  void keySignature(T t, int sf, int mi) override { add("keySignature", t, sf, mi); }
  void sequencerSpecific(T t, Bytes d) override { add("sequencerSpecific", t, hex(d)); }
  void text(T t, int type, std::string_view s) override {
    // The byte after the text must be a readable NUL (AddressSanitizer checks the read).
    add("text", t, type, std::string(s) + (s.data()[s.size()] == '\0' ? "" : " <no NUL>"));
  }
  void endOfTrack(T t) override { add("endOfTrack", t); }
  void error(std::string_view message) override { add("error", message); }
  void trackStart(int track) override { if (structure) add("trackStart", track); }
  void trackEnd(int track) override { if (structure) add("trackEnd", track); }
  void header(int f, int n, int d) override { if (structure) add("header", f, n, d); }

 private:
  static std::string hex(Bytes data) {
    std::string text;
    char digits[4];
    for (const std::uint8_t b : data) {
      std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", b);
      text += digits;
    }
    return text;
  }
  template <typename... Args>
  void add(const char* name, const Args&... args) {
    std::ostringstream line;
    line << (lines.empty() ? "" : "; ") << name;
    ((line << ' ' << args), ...);
    lines += line.str();
  }
  void message(const char* name, const Message& m) {
    add(name, m.time, hex(Bytes(&m.status, 1)), int{m.data1}, int{m.data2});
  }
};

}  // namespace suite::tuneport::midi::test
