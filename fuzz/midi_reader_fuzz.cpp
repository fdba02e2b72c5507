// Fuzz target: the MIDI file parser with the track analysis on arbitrary
// bytes, as the first pass of a MIDI conversion runs them (no answer to the
// track prompt), then once more with continued system-exclusive messages and
// a small buffer under a handler that checks what the parser delivers.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <string>
#include <string_view>

#include "tuneport/midi/midi_file_parser.h"
#include "tuneport/midi/midi_track_analyser.h"

namespace {

using namespace suite::tuneport::midi;

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
  return 0;
}
