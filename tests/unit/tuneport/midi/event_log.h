// A MIDI event handler for the tests that writes every event it receives as
// one line of text, so a whole parse can be compared with an expected list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "tuneport/midi/midi_event_handler.h"

namespace suite::tuneport::midi::test {

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
