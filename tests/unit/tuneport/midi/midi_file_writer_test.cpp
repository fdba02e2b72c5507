// Writing a melody as a MIDI file: the bytes, key signatures and beat units
// read back, and every failure.
#include "tuneport/midi/midi_file_writer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "midi_fixtures.h"
#include "support/converter_melody_builder.h"
#include "support/hex_bytes.h"
#include "support/test_support.h"

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

}  // namespace
}  // namespace suite::tuneport::midi
