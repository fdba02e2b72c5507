// A MIDI event handler for the tests that writes every event it receives as
// one line of text, so a whole parse can be compared with an expected list.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tuneport/midi/midi_event_handler.h"

namespace suite::tuneport::midi::test {

inline std::string hex(std::span<const std::uint8_t> data) {
  std::string text;
  for (const std::uint8_t b : data) {
    char digits[4];
    std::snprintf(digits, sizeof digits, "%02X", b);
    if (!text.empty()) text += ' ';
    text += digits;
  }
  return text;
}

class EventLog : public MidiEventHandler {
 public:
  std::vector<std::string> lines;
  bool logDeltas = false;

  std::vector<std::string> errors() const {
    std::vector<std::string> found;
    for (const std::string& line : lines) {
      if (line.rfind("error ", 0) == 0) found.push_back(line.substr(6));
    }
    return found;
  }

  void channelMode(const MidiMessage& m) override { message("channelMode", m); }
  void noteOn(const MidiMessage& m) override { message("noteOn", m); }
  void noteOff(const MidiMessage& m) override { message("noteOff", m); }
  void polyPressure(const MidiMessage& m) override { message("polyPressure", m); }
  void pitchBend(const MidiMessage& m) override { message("pitchBend", m); }
  void programChange(const MidiMessage& m) override { message("programChange", m); }
  void channelPressure(const MidiMessage& m) override { message("channelPressure", m); }
  void controlChange(const MidiMessage& m) override { message("controlChange", m); }
  void sysEx(std::int32_t time, std::span<const std::uint8_t> data) override {
    add("sysEx " + std::to_string(time) + " " + hex(data));
  }
  void escapeData(std::int32_t time, std::span<const std::uint8_t> data) override {
    add("escapeData " + std::to_string(time) + " " + hex(data));
  }
  void otherMeta(std::int32_t time, int type, std::span<const std::uint8_t> data) override {
    add("otherMeta " + std::to_string(time) + " " + std::to_string(type) + " " + hex(data));
  }
  void sequenceNumber(std::int32_t time, int number) override {
    add("sequenceNumber " + std::to_string(time) + " " + std::to_string(number));
  }
  void smpteOffset(std::int32_t time, int h, int m, int s, int f, int sf) override {
    add("smpteOffset " + std::to_string(time) + " " + std::to_string(h) + " " + std::to_string(m) +
        " " + std::to_string(s) + " " + std::to_string(f) + " " + std::to_string(sf));
  }
  void timeSignature(std::int32_t time, int nn, int dd, int cc, int bb) override {
    add("timeSignature " + std::to_string(time) + " " + std::to_string(nn) + " " +
        std::to_string(dd) + " " + std::to_string(cc) + " " + std::to_string(bb));
  }
  void tempo(std::int32_t time, std::int32_t us) override {
    add("tempo " + std::to_string(time) + " " + std::to_string(us));
  }
  void keySignature(std::int32_t time, int sf, int mi) override {
    add("keySignature " + std::to_string(time) + " " + std::to_string(sf) + " " +
        std::to_string(mi));
  }
  void sequencerSpecific(std::int32_t time, std::span<const std::uint8_t> data) override {
    add("sequencerSpecific " + std::to_string(time) + " " + hex(data));
  }
  void text(std::int32_t time, int type, std::string_view text) override {
    // The byte after the text must be a readable NUL (AddressSanitizer checks the read).
    const bool nul = text.data()[text.size()] == '\0';
    add("text " + std::to_string(time) + " " + std::to_string(type) + " " + std::string(text) +
        (nul ? "" : " <no NUL>"));
  }
  void endOfTrack(std::int32_t time) override { add("endOfTrack " + std::to_string(time)); }
  void error(std::string_view message) override { add("error " + std::string(message)); }
  void trackStart(int track) override { add("trackStart " + std::to_string(track)); }
  void trackEnd(int track) override { add("trackEnd " + std::to_string(track)); }
  void header(int format, int tracks, int division) override {
    add("header " + std::to_string(format) + " " + std::to_string(tracks) + " " +
        std::to_string(division));
  }
  void deltaTime(std::int32_t delta) override {
    if (logDeltas) add("delta " + std::to_string(delta));
  }

 private:
  void add(std::string line) { lines.push_back(std::move(line)); }
  void message(const char* name, const MidiMessage& m) {
    add(std::string(name) + " " + std::to_string(m.time) + " " +
        hex(std::span<const std::uint8_t>(&m.status, 1)) + " " + std::to_string(m.data1) + " " +
        std::to_string(m.data2));
  }
};

}  // namespace suite::tuneport::midi::test
