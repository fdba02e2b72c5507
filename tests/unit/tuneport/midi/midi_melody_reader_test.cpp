// Reading a track of a MIDI file as a melody: track choice, quantisation of
// the division, tempo map, cut, note pairing, signatures and failures.
#include "tuneport/midi/midi_melody_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "midi_fixtures.h"

namespace suite::tuneport::midi {
namespace {

using test::readHex;
using test::smf;

// Quarter notes (480 ticks) of pitch 60 at ticks 0, 480, 960 and 1440.
const std::string kFourQuarters =
    "00 90 3C 40  83 60 80 3C 00  00 90 3C 40  83 60 80 3C 00 "
    "00 90 3C 40  83 60 80 3C 00  00 90 3C 40  83 60 80 3C 00";

std::vector<std::int32_t> ticksOf(const model::ConverterMelody& m) {
  std::vector<std::int32_t> ticks;
  for (const model::NoteEvent& n : m.notes) ticks.push_back(n.ticks);
  return ticks;
}

TEST(MidiMelodyReader, TrackChoice) {
  const std::string file = smf(480, {"00 FF 51 03 07A120", "00 90 3C 40  83 60 80 3C 00",
                                     "00 90 3E 40  83 60 80 3E 00  00 90 40 40  83 60 80 40 00"});
  const struct {
    int track;
    const char* input;
    bool ok;
    const char* outEnd;
    const char* error;
  } cases[] = {
      {0, "2\nnext.mid\n", true, "Select number.\nExtracting track 2...\n", ""},
      {2, "", true, "File is well-formed\nExtracting track 2...\n", ""},
      {3, "", false, "File is well-formed\n", "No usable track 3: the file has 2 usable track(s)"},
      {0, "0\n", false, "No track selected.\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.track);
    model::ConversionSettings settings;
    settings.track = c.track;
    const test::MelodyRead r = readHex(file, settings, c.input);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(r.out.ends_with(c.outEnd)) << r.out;
    if (c.ok) {
      EXPECT_EQ(r.melody.pitches(), (std::vector<std::int32_t>{62, 64}));
    }
  }
}

TEST(MidiMelodyReader, QuantisationOfTheDivision) {
  const struct {
    int division;
    int quantize;
    const char* secondDelta;  // ticks from the end of the first note to the second
    std::vector<std::int32_t> ticks;
    std::int32_t ticksPerBeat;
    std::int32_t tatum;
    const char* err;
  } cases[] = {
      {480, 24, "01", {0, 240}, 480, 20, ""},  // 241 snaps to the grid of 20
      {480, 0, "01", {0, 241}, 480, 20, ""},
      {100, 24, "01", {0, 300}, 600, 25, ""},  // 51 * 6 = 306 snaps to 300
      {12, 24, "01", {0, 7}, 12, 1,
       "WARNING: 12 tick per beats is smaller than quantisation level 24. Adjusting.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.division);
    model::ConversionSettings settings;
    settings.quantize = c.quantize;
    const std::string half = c.division == 480 ? "81 70" : c.division == 100 ? "32" : "06";
    const test::MelodyRead r = readHex(
        smf(c.division, {"00 90 3C 40 " + half + " 80 3C 00 " + c.secondDelta +
                         " 90 3E 40 " + half + " 80 3E 00"}),
        settings);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(ticksOf(r.melody), c.ticks);
    EXPECT_EQ(r.melody.ticksPerBeat, c.ticksPerBeat);
    if (c.quantize != 0) {
      EXPECT_EQ(r.melody.tatum, c.tatum);
    }
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(MidiMelodyReader, TempoInEffectAtEachNote) {
  const std::string conductor = "00 FF 51 03 07A120  87 40 FF 51 03 0F4240";  // 120, then 60 bpm at 960
  const struct {
    const char* name;
    std::string file;
    bool ignoreTempoChanges;
    double msPerBeat;
    std::vector<double> onsets;
    std::vector<double> tempi;
  } cases[] = {
      {"conductor track", smf(480, {conductor, kFourQuarters}), false, 500, {0, 500, 1000, 2000},
       {500, 1000}},
      {"-x", smf(480, {conductor, kFourQuarters}), true, 500, {0, 500, 1000, 1500}, {500}},
      {"signature track after the melody", smf(480, {kFourQuarters, "00 FF 51 03 0F4240"}), false,
       500, {0, 1000, 2000, 3000}, {1000}},
      {"first tempo after the last note-on", smf(480, {kFourQuarters + " 00 FF 51 03 03D090"}, 0),
       false, 500, {0, 500, 1000, 1500}, {500}},
      // Right after a read with tempo events: nothing of that read is left.
      {"no tempo, -t 60", smf(480, {kFourQuarters}), false, 1000, {0, 1000, 2000, 3000}, {1000}},
      {"tempo 0 ignored", smf(480, {"00 FF 51 03 000000 " + kFourQuarters}), false, 500,
       {0, 500, 1000, 1500}, {500}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    model::ConversionSettings settings;
    settings.ignoreTempoChanges = c.ignoreTempoChanges;
    settings.msPerBeat = c.msPerBeat;
    const test::MelodyRead r = readHex(c.file, settings);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.melody.onsetsMs(), c.onsets);
    EXPECT_EQ(r.melody.tempi, c.tempi);
    EXPECT_EQ(r.melody.durationTicks(0), 480);
  }
}

TEST(MidiMelodyReader, CutPairingAndChannels) {
  model::ConversionSettings cut;
  cut.cut = 1000;
  const test::MelodyRead first = readHex(smf(480, {kFourQuarters}), cut);
  ASSERT_TRUE(first.ok);
  EXPECT_EQ(first.melody.onsetsMs(), (std::vector<double>{0, 500, 1000}));

  // A legato overlap on two channels; each note-off ends the oldest note,
  // a note-on of velocity 0 included.
  const test::MelodyRead r = readHex(smf(
      480, {"00 90 3C 40  83 60 91 3E 40  10 80 3C 00  83 50 81 3E 00  00 90 40 40  83 60 90 40 00"}));
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(r.melody.pitches(), (std::vector<std::int32_t>{60, 62, 64}));
  EXPECT_EQ(r.melody.durationTicks(), (std::vector<std::int32_t>{496, 480, 480}));
}

TEST(MidiMelodyReader, KeyAndTimeSignatures) {
  const struct {
    int division;
    const char* meta;
    std::int32_t key;
    std::int32_t numerator;
    std::int32_t denominator;
    std::int32_t ticksPerBeat;
    std::int32_t secondTicks;
    double tempo;
  } cases[] = {
      {480, "FF 59 02 00 01", 21, 4, 4, 480, 480, 500},  // A minor
      {480, "FF 59 02 01 00", 7, 4, 4, 480, 480, 500},   // G major
      {480, "FF 59 02 FD 01", 12, 4, 4, 480, 480, 500},  // C minor
      {480, "FF 59 02 02 05", 0, 4, 4, 480, 480, 500},   // damaged mode: ignored
      {480, "FF 58 04 06 03 18 08", 0, 6, 8, 240, 480, 250},
      {480, "FF 58 04 02 01 18 08", 0, 2, 2, 960, 480, 1000},
      {98, "FF 58 04 03 04 18 08", 0, 3, 16, 49, 960, 125},  // ticks doubled
      {480, "FF 58 04 00 02 18 08", 0, 4, 4, 480, 480, 500},  // numerator 0: ignored
      {480, "FF 58 04 03 1F 18 08", 0, 4, 4, 480, 480, 500},  // exponent 31: ignored
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.meta);
    model::ConversionSettings settings;
    settings.quantize = 0;
    const test::MelodyRead r =
        readHex(smf(c.division, {std::string("00 ") + c.meta, kFourQuarters}), settings);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.melody.key, c.key);
    EXPECT_EQ(r.melody.numerator, c.numerator);
    EXPECT_EQ(r.melody.denominator, c.denominator);
    EXPECT_EQ(r.melody.ticksPerBeat, c.ticksPerBeat);
    EXPECT_EQ(r.melody.notes[1].ticks, c.secondTicks);
    EXPECT_EQ(r.melody.tempo(), c.tempo);
  }
}

TEST(MidiMelodyReader, Failures) {
  const std::string note = "00 90 3C 40  83 60 80 3C 00";
  const struct {
    const char* name;
    std::string file;
    int quantize;
    bool ok;
    const char* error;
    const char* outEnd;
  } cases[] = {
      {"division 0", smf(0, {note}), 24, false, "Invalid division: 0", "well-formed\n"},
      {"time-code division", smf(0xE728, {note}), 24, false, "Time-code division not supported",
       "well-formed\n"},
      {"no usable track", smf(480, {"00 90 3C 40  00 90 40 40  00 90 43 40"}), 24, false,
       "MIDI source not usable.", "NOT well-formed\n"},
      {"note never ends", smf(480, {"00 90 3C 40"}), 24, false, "", "Melody empty.\n"},
      {"cut short after a note", "\"MThd\" 00000006 0000 0001 01E0 \"MTrk\" 00000020 " + note,
       24, true, "Unexpected Stream Error", "Extracting track 0...\n"},
      {"negative quantisation level", smf(480, {note}), -1, false,
       "Invalid quantisation level: -1", ""},
      {"resolution too fine", smf(0x7FFF, {note}), 100, false, "Invalid ticks per beat: 3276700",
       "Extracting track 0...\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    model::ConversionSettings settings;
    settings.quantize = c.quantize;
    const test::MelodyRead r = readHex(c.file, settings);
    EXPECT_EQ(r.ok, c.ok);
    EXPECT_EQ(r.error, c.error);
    EXPECT_TRUE(r.out.ends_with(c.outEnd)) << r.out;
    EXPECT_EQ(r.melody.size(), c.ok ? 1u : 0u);
  }
}

}  // namespace
}  // namespace suite::tuneport::midi
