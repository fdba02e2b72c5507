// MIDI files as melodies. Writing: the bytes, key signatures and beat units
// read back, and every failure. Reading a track: track choice, quantisation of
// the division, tempo map, cut, note pairing, signatures and failures.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "midi_fixtures.h"
#include "support/converter_melody_builder.h"
#include "support/hex_bytes.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"

namespace suite::tuneport::midi {
namespace {

using suite::test::melodyFromTicks;

TEST(MidiFileWriter, Bytes) {
  // From the third beat of a 4/4 bar: the same pitch twice, the second note
  // overlapping the third by 96 ticks.
  model::ConverterMelody m = melodyFromTicks({{384, 192, 60}, {576, 288, 60}, {768, 192, 62}});
  m.key = 21;
  ASSERT_TRUE(m.quantise(0));
  const std::vector<std::uint8_t> expected = suite::test::hexBytes(R"(
    "MThd" 00000006 0001 0002 00C0
    "MTrk" [
      00 FF 59 02 00 01        ; A minor: no sharps, minor
      00 FF 58 04 04 02 18 08
      00 FF 51 03 07A120
      00 FF 2F 00
    ]
    "MTrk" [
      00 C0 01  00 B0 07 50
      83 00 90 3C 7F           ; tick 384; one status byte for every note event
      81 40 3C 00  00 3C 7F
      82 20 3C 00              ; 864
      00 3E 7F                 ; due at 768, written at 864
      60 3E 00                 ; 960, counted from 864
      00 FF 2F 00
    ])");
  EXPECT_EQ(test::writtenBytes(m), expected);

  // A delta of 2^21 ticks takes four bytes.
  const model::ConverterMelody far = melodyFromTicks({{0, 1, 60}, {(1 << 21) + 1, 1, 62}});
  const test::MelodyRead back = test::readBytes(test::writtenBytes(far), {.quantize = 0});
  ASSERT_EQ(back.melody.size(), 2u);
  EXPECT_EQ(back.melody.notes[1].ticks, (1 << 21) + 1);
}

TEST(MidiFileWriter, ReadsBack) {
  // Two notes a beat long; the division counts quarter notes.
  const struct {
    std::int32_t key, numerator, denominator, ticksPerBeat;
    double tempo;
    std::string expected;
  } cases[] = {
      {7, 4, 4, 192, 500, "4/4 tpb 192 key 7 tatum 96 tempi 500 | 0:60:0+500 192:62:500+500"},
      {21, 4, 4, 192, 500, "4/4 tpb 192 key 21 tatum 96 tempi 500 | 0:60:0+500 192:62:500+500"},
      // No key is written as C major; 512002 microseconds stay 512002.
      {-1, 4, 4, 192, 512.002, "4/4 tpb 192 key 0 tatum 96 tempi 512.002 | 0:60:0+512.002 "
                               "192:62:512.002+512.002"},
      {24, 6, 8, 240, 250, "6/8 tpb 240 key 0 tatum 120 tempi 250 | 0:60:0+250 240:62:250+250"},
      {0, 3, 2, 96, 1000, "3/2 tpb 96 key 0 tatum 48 tempi 1000 | 0:60:0+1000 96:62:1000+1000"},
      // 1.5 ticks per quarter: times doubled; 131068: times divided by 65534.
      {0, 2, 2, 3, 1000, "2/2 tpb 6 key 0 tatum 3 tempi 1000 | 0:60:0+1000 6:62:1000+1000"},
      {0, 6, 8, 65534, 250, "6/8 tpb 1 key 0 tatum 1 tempi 250 | 0:60:0+250 1:62:250+250"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    model::ConverterMelody m = melodyFromTicks(
        {{0, c.ticksPerBeat, 60}, {c.ticksPerBeat, c.ticksPerBeat, 62}}, c.ticksPerBeat, c.tempo);
    m.key = c.key;
    m.setSignature(c.numerator, c.denominator);
    ASSERT_TRUE(m.quantise(0));
    const test::MelodyRead r = test::readBytes(test::writtenBytes(m), {.quantize = 0});
    EXPECT_EQ(test::describe(r), c.expected + " | track 1");
  }
  for (std::int32_t key = 0; key < 24; ++key) {
    model::ConverterMelody m = melodyFromTicks({{0, 192, 60}});
    m.key = key;
    EXPECT_EQ(test::readBytes(test::writtenBytes(m)).melody.key, key);
  }
}

TEST(MidiFileWriter, Failures) {
  const model::ConverterMelody good = melodyFromTicks({{0, 192, 60}});
  const auto with = [&](auto change) {
    model::ConverterMelody m = good;
    change(m);
    return m;
  };
  const struct {
    const char* name;
    model::ConverterMelody melody;
    std::size_t limit;
    const char* error;
  } cases[] = {
      {"no notes", model::ConverterMelody{}, 1000, "Melody invalid."},
      {"tempo 0", with([](auto& m) { m.tempi = {0.0}; }), 1000, "Invalid tempo: 0 ms per beat"},
      {"numerator", with([](auto& m) { m.setSignature(256, 4); }), 1000,
       "Not representable in a MIDI file: numerator 256"},
      {"slow tempo", with([](auto& m) { m.tempi = {16777.216}; }), 1000,
       "Not representable in a MIDI file: tempo of 16777.2 ms per beat"},
      {"fine resolution", melodyFromTicks({{0, 1, 60}}, 32768), 1000,
       "Not representable in a MIDI file: resolution of 32768 ticks per quarter note"},
      {"header", good, 13, "Error writing file header"},
      {"signature track", good, 14 + 32, "Error writing signature track"},  // 33 bytes
      {"melody track", good, 14 + 33 + 26, "Error writing melody track"},   // 27 bytes
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    suite::test::FullDeviceBuffer buffer(c.limit);
    std::ostream out(&buffer);
    std::string error;
    EXPECT_FALSE(writeMidiMelody(out, c.melody, error));
    EXPECT_EQ(error, c.error);
  }
  std::string error;
  const model::ConverterMelody empty;
  EXPECT_FALSE(writeMidiMelody("/nonexistent-dir/x.mid", &empty, error));
  EXPECT_EQ(error, "Melody invalid.");  // checked before the file is opened
  EXPECT_FALSE(writeMidiMelody("/nonexistent-dir/x.mid", &good, error));
  EXPECT_EQ(error, "/nonexistent-dir/x.mid: Could not open file: No such file or directory");
  EXPECT_FALSE(writeMidiMelody("/nonexistent-dir/x.mid", nullptr, error));
  EXPECT_EQ(error, "No melody. ");
}

using test::smf;

// Quarter notes (480 ticks) of pitch 60 at ticks 0, 480, 960 and 1440.
const std::string kFour =
    "00 90 3C 40  83 60 80 3C 00  00 90 3C 40  83 60 80 3C 00 "
    "00 90 3C 40  83 60 80 3C 00  00 90 3C 40  83 60 80 3C 00";
const std::string kFourAt120 = " | 0:60:0+500 480:60:500+500 960:60:1000+500 1440:60:1500+500";
// Two eighths 250 ticks apart at 480 ticks per quarter.
const std::string kTwo = "00 90 3C 40  81 70 80 3C 00  0A 90 3E 40  81 70 80 3E 00";
const std::string kConductor = "00 FF 51 03 07A120  87 40 FF 51 03 0F4240";  // 60 bpm from 960
const std::string kChord = "00 90 3C 40  00 90 40 40  00 90 43 40";

TEST(MidiMelodyReader, Reads) {
  const struct {
    const char* name;
    std::string file;
    model::ConversionSettings settings;
    std::string expected;
    std::string input = "";
  } cases[] = {
      // Track choice: the only usable track, the one asked for, the n-th usable one.
      {"one usable track", smf(480, {kConductor, kChord, kFour}), {.quantize = 0},
       "4/4 tpb 480 key 0 tatum 240 tempi 500 1000 | 0:60:0+500 480:60:500+500 960:60:1000+1000 "
       "1440:60:2000+1000 | track 2"},
      {"asked", smf(480, {kTwo, kFour}), {}, "4/4 tpb 480 key 0 tatum 20 tempi 500" + kFourAt120 +
       " | track 1 asked", "2\n"},
      {"second usable track", smf(480, {kTwo, kFour}), {.track = 2},
       "4/4 tpb 480 key 0 tatum 20 tempi 500" + kFourAt120 + " | track 1"},
      {"no such track", smf(480, {kTwo, kFour}), {.track = 3},
       "error \"No usable track 3: the file has 2 usable track(s)\""},
      // The division and the quantisation grid: 250 lies halfway between 240
      // and 260 and goes down; 51 * 6 = 306 goes to 300.
      {"480, -q 24", smf(480, {kTwo}), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 500 | 0:60:0+250 240:62:250+250 | track 0"},
      {"480, -q 0", smf(480, {kTwo}), {.quantize = 0},
       "4/4 tpb 480 key 0 tatum 240 tempi 500 | 0:60:0+250 250:62:260.417+250 | track 0"},
      {"100, -q 24", smf(100, {"00 90 3C 40  32 80 3C 00  01 90 3E 40  32 80 3E 00"}), {},
       "4/4 tpb 600 key 0 tatum 25 tempi 500 | 0:60:0+250 300:62:250+250 | track 0"},
      {"12, -q 24", smf(12, {"00 90 3C 40  06 80 3C 00  01 90 3E 40  06 80 3E 00"}), {},
       "4/4 tpb 12 key 0 tatum 1 tempi 500 | 0:60:0+250 7:62:291.667+250 | track 0 | WARNING: 12 "
       "tick per beats is smaller than quantisation level 24. Adjusting.\n"},
      {"24, -q 24", smf(24, {"00 90 3C 40  0C 80 3C 00  01 90 3E 40  0C 80 3E 00"}), {},
       "4/4 tpb 24 key 0 tatum 1 tempi 500 | 0:60:0+250 13:62:270.833+250 | track 0 | WARNING: "
       "24 tick per beats is smaller than quantisation level 24. Adjusting.\n"},
      // Tempo: in effect at each note, wherever it stands; per read.
      {"-x", smf(480, {kConductor, kFour}), {.ignoreTempoChanges = true},
       "4/4 tpb 480 key 0 tatum 20 tempi 500" + kFourAt120 + " | track 1"},
      {"signature track after the melody", smf(480, {kFour, "00 FF 51 03 0F4240"}), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 1000 | 0:60:0+1000 480:60:1000+1000 960:60:2000+1000 "
       "1440:60:3000+1000 | track 0"},
      {"first tempo after the last note-on", smf(480, {kFour + " 00 FF 51 03 03D090"}, 0), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 500" + kFourAt120 + " | track 0"},
      {"no tempo, -t 60", smf(480, {kFour}), {.msPerBeat = 1000},
       "4/4 tpb 480 key 0 tatum 20 tempi 1000 | 0:60:0+1000 480:60:1000+1000 960:60:2000+1000 "
       "1440:60:3000+1000 | track 0"},
      {"tempo 0 ignored", smf(480, {"00 FF 51 03 0F4240  00 FF 51 03 000000 " + kFour}), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 1000 | 0:60:0+1000 480:60:1000+1000 960:60:2000+1000 "
       "1440:60:3000+1000 | track 0"},
      // -c 1000 keeps the notes starting within a second of the first.
      {"-c 1000", smf(480, {kFour}), {.cut = 1000},
       "4/4 tpb 480 key 0 tatum 20 tempi 500 | 0:60:0+500 480:60:500+500 960:60:1000+500 | track 0"},
      // A legato overlap on two channels: each note-off ends the oldest note.
      {"pairing", smf(480, {"00 90 3C 40  83 60 91 3E 40  10 80 3C 00  83 50 81 3E 00  "
                            "00 90 40 40  83 60 90 40 00"}), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 500 | 0:60:0+516.667 480:62:500+500 960:64:1000+500 | "
       "track 0"},
      // Key and time signatures (the writer's tests read back all 24 keys);
      // damaged ones are ignored.
      {"C minor, then a damaged mode", smf(480, {"00 FF 59 02 FD 01  00 FF 59 02 02 05", kTwo}), {},
       "4/4 tpb 480 key 12 tatum 20 tempi 500 | 0:60:0+250 240:62:250+250 | track 1"},
      {"6/8", smf(480, {"00 FF 58 04 06 03 18 08", kTwo}), {},
       "6/8 tpb 240 key 0 tatum 20 tempi 250 | 0:60:0+250 240:62:250+250 | track 1"},
      {"2/2", smf(480, {"00 FF 58 04 02 01 18 08", kTwo}), {},
       "2/2 tpb 960 key 0 tatum 20 tempi 1000 | 0:60:0+250 240:62:250+250 | track 1"},
      {"3/16 at 98", smf(98, {"00 FF 58 04 03 04 18 08", kTwo}), {.quantize = 0},
       "3/16 tpb 49 key 0 tatum 4 tempi 125 | 0:60:0+1224.49 500:62:1275.51+1224.49 | track 1"},
      {"numerator 0, exponent 31", smf(480, {"00 FF 58 04 00 02 18 08  00 FF 58 04 03 1F 18 08",
                                             kTwo}), {},
       "4/4 tpb 480 key 0 tatum 20 tempi 500 | 0:60:0+250 240:62:250+250 | track 1"},
      // Failures.
      {"division 0", smf(0, {kTwo}), {}, "error \"Invalid division: 0\""},
      {"time-code division", smf(0xE728, {kTwo}), {}, "error \"Time-code division not supported\""},
      {"no usable track", smf(480, {kChord}), {}, "error \"MIDI source not usable.\""},
      {"note never ends", smf(480, {"00 90 3C 40"}), {}, "error \"\" | track 0 empty"},
      {"cut short after a note", "\"MThd\" 00000006 0000 0001 01E0 \"MTrk\" 00000020 " + kTwo, {},
       "4/4 tpb 480 key 0 tatum 20 tempi 500 | 0:60:0+250 240:62:250+250 | track 0"},
      {"negative quantisation level", smf(480, {kTwo}), {.quantize = -1},
       "error \"Invalid quantisation level: -1\""},
      {"resolution too fine", smf(0x7FFF, {kTwo}), {.quantize = 100},
       "error \"Invalid ticks per beat: 3276700\" | track 0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(test::describe(test::readHex(c.file, c.settings, c.input)), c.expected);
  }
  // A parse error of a damaged file stays in the error text of a read that succeeds.
  EXPECT_EQ(test::readHex("\"MThd\" 00000006 0000 0001 01E0 \"MTrk\" 00000020 " + kTwo).error,
            "Unexpected Stream Error");
}

}  // namespace
}  // namespace suite::tuneport::midi
