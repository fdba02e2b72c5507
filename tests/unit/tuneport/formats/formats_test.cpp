// The converter's text formats. Melody tables: the text written for a
// melody, the segmentation columns, and what the reader makes of tables (unit
// vote, tempo, damaged and Windows files). Plot tables. Note lists: both input
// forms with their failures, rest lines, Windows line ends, a list cut short
// after a note-on, and the writer.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <sstream>

#include "support/converter_melody_builder.h"
#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"
#include "tuneport/formats/plot_table.h"

namespace suite::tuneport::formats {
namespace {

using model::ConverterMelody;
using test::melodyFromTicks;

const std::string kHeader4_4 = "Signature: 4/4, Ticks per Beat: 192, Annotated Key: 0\n" +
                               std::string(kTableHeader) + "\n";

bool readTable(const std::string& text, ConverterMelody& melody, std::string& error) {
  std::istringstream in(text);
  return readMelodyTable(in, "t.csv", melody, error);
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

TEST(MelodyTableWriter, OneLinePerSoundingNote) {
  ConverterMelody quantised = melodyFromTicks({{576, 192, 60}, {768, 96, 62}, {864, 96, 128}});
  quantised.key = 7;
  ASSERT_TRUE(quantised.quantise(0));  // tatum and duration unit of 96 ticks
  const std::string header = std::string(kTableHeader) + "\n";
  const std::pair<ConverterMelody, std::string> cases[] = {
      // No bar positions: the counter places the notes, and the rest between
      // them still moves it on by its interval.
      {melodyFromTicks({{0, 96, 60}, {96, 96, 0}, {192, 192, 62}}),
       kHeader4_4 + "0,0000;0;1;1;0;60;0,2500;96;96;\n0,5000;192;1;2;0;62;0,5000;192;192;\n"},
      {quantised, "Signature: 4/4, Ticks per Beat: 192, Annotated Key: 7\n" + header +
                      "1,5000;576;0;4;0;60;0,5000;192;2;\n2,0000;768;1;1;0;62;0,2500;96;1;\n"},
      // 4 ticks per beat (an EsAC record in sixteenths) becomes 96: each tick 24.
      {melodyFromTicks({{0, 2, 60}, {2, 2, 62}}, 4),
       "Signature: 4/4, Ticks per Beat: 96, Annotated Key: 0\n" + header +
           "0,0000;0;1;1;0;60;0,2500;48;2;\n0,2500;48;1;1;48;62;0,2500;48;2;\n"},
  };
  for (const auto& [melody, text] : cases) EXPECT_EQ(melodyTableText(melody, false), text);
  // Resolutions of 96 and more stay.
  EXPECT_TRUE(melodyTableText(melodyFromTicks({{0, 2, 60}}, 100), false)
                  .starts_with("Signature: 4/4, Ticks per Beat: 100,"));
}

TEST(MelodyTableWriter, SegmentationColumns) {
  const ConverterMelody m =
      melodyFromTicks({{0, 96, 60}, {96, 96, 62}, {192, 192, 64}, {384, 96, 62}});
  const std::vector<std::string> text = lines(melodyTableText(m, true));
  ASSERT_EQ(text.size(), 6u);
  EXPECT_TRUE(text[1].starts_with(std::string(kTableHeader) + "LBDM1;LBDM2;refLBDM1;"));
  EXPECT_TRUE(text[1].ends_with(";temperley;simple0-0-0;simple0-0-1;simple0-0-2;simple0-0-3;"
                                "simple0-0-4;simple0-1-0;simple0-1-1;simple0-1-2;simple0-1-3;"
                                "simple0-1-4;simple0-2-0;simple0-2-1;simple0-2-2;simple0-2-3;"
                                "simple0-2-4;simple0-3-0;simple0-3-1;simple0-3-2;simple0-3-3;"
                                "simple0-3-4;simple0-4-0;simple0-4-1;simple0-4-2;simple0-4-3;"
                                "simple0-4-4;simple1-0-0;simple1-0-1;simple1-0-2;simple1-0-3;"
                                "simple1-0-4;simple1-1-0;simple1-1-1;simple1-1-2;simple1-1-3;"
                                "simple1-1-4;simple1-2-0;simple1-2-1;simple1-2-2;simple1-2-3;"
                                "simple1-2-4;simple1-3-0;simple1-3-1;simple1-3-2;simple1-3-3;"
                                "simple1-3-4;simple1-4-0;simple1-4-1;simple1-4-2;simple1-4-3;"
                                "simple1-4-4"));
  for (std::size_t i = 2; i < text.size(); ++i) {
    SCOPED_TRACE(text[i]);
    EXPECT_EQ(std::count(text[i].begin(), text[i].end(), ';'), 9 + 55 - 1);
    EXPECT_NE(text[i].back(), ';');
  }
  // Four notes give picker-1 series of three values: the inter-onset profile
  // 0, 3, 2 (pitch and rest profiles are flat) peaks at note 1, and the
  // fourth note lies beyond the end and prints 1 under LBDM1.
  EXPECT_TRUE(text[3].starts_with("0,2500;96;1;1;96;62;0,2500;96;96;1;"));
  EXPECT_TRUE(text[4].starts_with("0,5000;192;1;2;0;64;0,5000;192;192;0;"));
  EXPECT_TRUE(text[5].starts_with("1,0000;384;1;3;0;62;0,2500;96;96;1;"));
}

TEST(PlotTable, UnpitchedNotesTakeThePitchBefore) {
  // 250: a note without pitch; the first takes the most frequent pitch, the
  // lowest of a tie (60).
  const ConverterMelody m = test::melodyFromMs(
      {{0, 100, 250}, {100, 100, 62}, {200, 100, 0}, {300, 100, 250}, {400, 100, 60},
       {500.125, 100, 61}, {600, 0, 128}});
  EXPECT_EQ(plotTableText(m), "0.00\t60\n100.00\t62\n300.00\t62\n400.00\t60\n500.12\t61\n");
}

TEST(MelodyTableReader, RoundTripKeepsPitchesPositionsAndTimes) {
  // 461 ms per beat: onsets that are not whole milliseconds.
  ConverterMelody m = melodyFromTicks(
      {{96, 96, 67}, {192, 288, 71}, {480, 96, 69}, {576, 48, 67}, {624, 48, 66}, {672, 192, 64}},
      192, 461.0);
  ASSERT_TRUE(m.quantise(0));
  ConverterMelody back;
  std::string error;
  ASSERT_TRUE(readTable(melodyTableText(m, false), back, error)) << error;
  ASSERT_EQ(back.size(), m.size());
  for (std::size_t i = 0; i < m.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(back.notes[i].pitch, m.notes[i].pitch);
    EXPECT_EQ(back.notes[i].position.toString(), m.notes[i].position.toString());
    EXPECT_NEAR(back.notes[i].onsetMs, m.notes[i].onsetMs, 0.1);
    EXPECT_NEAR(back.notes[i].durationMs, m.notes[i].durationMs, 0.1);
  }
  EXPECT_NEAR(back.tempo(), 461.0, 0.1);
}

TEST(MelodyTableReader, UnitOfTimeAndTempoFromTheFirstTwoLines) {
  const struct {
    std::string rows;
    double secondOnset, secondDuration, tempo;
  } cases[] = {
      // Durations of at most 2 vote for seconds, above 120 for milliseconds.
      {"0;0;1;1;0;60;0,25;96;1;\n0,25;96;1;2;0;62;0,5;192;1;\n", 250, 500, 250},
      {"0;0;1;1;0;60;250;96;1;\n250;96;1;2;0;62;500;192;1;\n", 250, 500, 250},
      {"0;0;1;1;0;60;250;96;1;\n0,25;96;1;2;0;62;2;192;1;\n", 250, 2000, 250},  // tie: seconds
      {"0;0;1;1;0;60;50;96;1;\n50;96;1;2;0;62;60;192;1;\n", 50, 60, 50},  // no vote: ms
      // Two lines on the same position give no tempo: 500 ms per beat.
      {"0;0;1;1;0;60;0,25;96;1;\n0,25;96;1;1;0;62;0,5;192;1;\n", 250, 500, 500},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.rows);
    ConverterMelody m;
    std::string error;
    ASSERT_TRUE(readTable(kHeader4_4 + c.rows, m, error)) << error;
    ASSERT_EQ(m.size(), 2u);
    EXPECT_DOUBLE_EQ(m.notes[1].onsetMs, c.secondOnset);
    EXPECT_DOUBLE_EQ(m.notes[1].durationMs, c.secondDuration);
    EXPECT_DOUBLE_EQ(m.tempo(), c.tempo);
  }
  // A table of one line: its own vote, and 500 ms per beat.
  ConverterMelody one;
  std::string error;
  ASSERT_TRUE(readTable(kHeader4_4 + "1;192;1;2;0;60;0,75;288;1;\n", one, error)) << error;
  EXPECT_DOUBLE_EQ(one.notes[0].onsetMs, 1000.0);
  EXPECT_DOUBLE_EQ(one.tempo(), 500.0);
  EXPECT_EQ(one.notes[0].position.toString(), "1.2.0");
}

TEST(MelodyTableReader, KeyIsEstimatedNotRead) {
  // G B D G: G major (profile sum 22.23) whatever the table says.
  ConverterMelody m;
  std::string error;
  ASSERT_TRUE(readTable("Signature: 4/4, Ticks per Beat: 192, Annotated Key: 5\n" +
                            std::string(kTableHeader) +
                            "\n0;0;1;1;0;67;0,25;96;1;\n0,5;192;1;2;0;71;0,25;96;1;\n"
                            "1;384;1;3;0;74;0,25;96;1;\n1,5;576;1;4;0;79;0,25;96;1;\n",
                        m, error))
      << error;
  EXPECT_EQ(m.key, 7);
}

TEST(MelodyTableReader, FailuresNameTheProblem) {
  const std::string row = "0;0;1;1;0;60;0,25;96;1;\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "File empty"},
      {"Signature 4 4, Ticks per Beat: 192\n" + std::string(kTableHeader) + "\n" + row, ""},
      {"Signature: /4, Ticks per Beat: 192\n", "No signature found"},
      {"Signature: 0/4, Ticks per Beat: 192\n", "No signature found"},
      {"Signature: 4/0, Ticks per Beat: 192\n", "Invalid signature denominator found"},
      {"Signature: 4/4, Annotated Key: 5\n", "No division specified"},
      // A division of 0 is missing, not the key that follows it.
      {"Signature: 4/4, Ticks per Beat: 0, Annotated Key: 5\n", "No division specified"},
      {"Signature: 4/4, Ticks per Beat: 192\n", "t.csv: I/O Error"},
      {"Signature: 4/4, Ticks per Beat: 192\nonset;pitch;durs;takt;beat;ticks\n",
       " Insufficient data description"},
      {kHeader4_4, "File empty"},
      {kHeader4_4 + ";0;1;1;0;60;0,25;96;1;\n", "No onset found"},
      {kHeader4_4 + row + "0,25;96;1;2;0;;0,25;96;1;\n", "No pitch found"},
      {kHeader4_4 + "0;0;1;1;0;60;;96;1;\n", "No duration found"},
      {kHeader4_4 + "0;0;1;;0;60;0,25;96;1;\n", "No bar position found"},
      {kHeader4_4 + row + "\n", "No onset found"},  // an empty last line
      {"Signature: 4/4, Ticks per Beat: 2000000\n" + std::string(kTableHeader) + "\n" + row,
       "Invalid ticks per beat: 2000000"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    ConverterMelody m = melodyFromTicks({{0, 1, 70}});
    std::string error = "stale";
    EXPECT_FALSE(readTable(text, m, error));
    EXPECT_EQ(error, message);
    EXPECT_EQ(m.notes.front().pitch, 70);  // left as it was
  }
  // A missing onsetics value reads as tick 0 and is noted, but does not fail.
  ConverterMelody m;
  std::string error;
  EXPECT_TRUE(readTable(kHeader4_4 + "0;;1;1;0;60;0,25;96;1;\n", m, error));
  EXPECT_EQ(error, "No onsetics found");
}

TEST(MelodyTableReader, LastLineWithoutLineFeedAndWindowsLineEnds) {
  // The pitch is the last column: a line without line feed keeps its last digit.
  const std::string unix = "Signature: 4/4, Ticks per Beat: 192\n"
                           "onset;onsetics;takt;beat;ticks;durs;pitch\n"
                           "0;0;1;1;0;0,25;60\n"
                           "0,25;96;1;1;96;0,25;62";
  std::string windows;
  for (const char c : unix + "\n") windows += c == '\n' ? std::string("\r\n") : std::string(1, c);
  for (const std::string& text : {unix, windows}) {
    ConverterMelody m;
    std::string error;
    ASSERT_TRUE(readTable(text, m, error)) << error;
    EXPECT_EQ(m.pitches(), (std::vector<std::int32_t>{60, 62}));
    EXPECT_DOUBLE_EQ(m.notes[1].durationMs, 250.0);
  }
}

struct Read {
  bool ok = false;
  ConverterMelody melody;
  std::string error;
  std::string report;
};

Read readList(const std::string& text, double msPerBeat = 500.0) {
  Read r;
  std::istringstream in(text);
  std::ostringstream out;
  model::ConversionSettings settings;
  settings.msPerBeat = msPerBeat;
  r.ok = readNoteList(in, settings, out, r.melody, r.error);
  r.report = out.str();
  return r;
}

// Onset, duration and pitch of each entry.
std::vector<std::array<double, 3>> entries(const ConverterMelody& m) {
  std::vector<std::array<double, 3>> out;
  for (const auto& n : m.notes) out.push_back({n.onsetMs, n.durationMs, double(n.pitch)});
  return out;
}

using Entries = std::vector<std::array<double, 3>>;

TEST(NoteListReader, BothFormsRestsAndLineEnds) {
  const struct {
    std::string text;
    Entries entries;
  } cases[] = {
      // The note form cuts a note at the next start.
      {"% a comment\n\nNote 0 500 60\nNote 400 900 62\n", {{0, 400, 60}, {400, 500, 62}}},
      {"Note-on 0 60\nNote-off 500 60\nNote-on 500 62\nNote-off 1000 62\n",
       {{0, 500, 60}, {500, 500, 62}}},
      // A list cut short after its last note-on keeps that note, without length.
      {"Note-on 0 60\nNote-off 500 60\nNote-on 500 62\n", {{0, 500, 60}, {500, 0, 62}}},
      // Rest lines last until the next start.
      {"Note 0 400 60\nRest 500\nNote 1000 1500 62\nRest 1500\n",
       {{0, 400, 60}, {500, 500, 0}, {1000, 500, 62}}},
      {"% tune\r\n\r\nNote 0 500 60\r\n\r\nNote 500 1000 62\r\n", {{0, 500, 60}, {500, 500, 62}}},
      {"Note-on 0 60\r\nNote-off 500 60\r\n", {{0, 500, 60}}},
      {"Note 0 0 60\nNote 500 900 62\n", {{0, 0, 60}, {500, 400, 62}}},  // a note of no length
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Read r = readList(c.text);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(entries(r.melody), c.entries);
  }
  EXPECT_TRUE(readList(cases[0].text)
                  .report.starts_with("ticks  =-1 t = 0 dur:400 pitch: 60 BarPosition:(N/A)\n"
                                      "ticks  =-1 t = 400 dur:500 pitch: 62 BarPosition:(N/A)\n"
                                      "Min Pitch: 60 Max Pitch: 62 Ambitus:2\n"));
  // Quantised at the tempo of the settings: 400 ms is one beat at 400 ms per beat.
  const Read slow = readList(cases[0].text, 400.0);
  EXPECT_EQ(slow.melody.notes[1].position.toString(), "1.2.0");
  EXPECT_DOUBLE_EQ(slow.melody.tempo(), 400.0);
}

TEST(NoteListReader, FailuresNameTheProblem) {
  const std::pair<std::string, std::string> cases[] = {
      {"", "Bad file format"},
      {"tune\n1 2 3\n", "Bad file format"},
      {"Note 0 500 60\nNote 0 400 62\n", "Polyphonic data"},
      {"Note 0 500 60\nchord C\n", " Invalid line"},
      {"Note 500 400 60\n", "Invalid offset."},
      {"Note -100 400 60\n", " Invalid line"},
      {"Note 0 2147483648 60\n", " Invalid line"},
      {"Note-on 0 60\nNote-on 100 62\n", "Polyphonic data."},
      {"Note-on 0 60\nNote-off 100 60\nNote-off 200 60\n", "Polyphonic data."},
      {"Note-on 0 60\nNote-off 500 60\nNote-on 400 62\nNote-off 900 62\n", "Polyphonic data."},
      {"Note-off 100 60\n", "First event note-off."},
      {"Note-on 0 60\nNote-off 100 61\n", "Unmatched note off."},
      {"Note-on 100 60\nNote-off 100 60\n", "Invalid offset."},
      {"Note-on events follow\n", "File empty"},
  };
  for (const auto& [text, message] : cases) {
    SCOPED_TRACE(text);
    const Read r = readList(text);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.error, message);
    EXPECT_TRUE(r.melody.empty());
  }
}

TEST(NoteListWriter, WritesPitchedNotesFromTheFirstOnset) {
  // The end entry (pitch 128) of a melody read from EsAC and the rest are no notes.
  const ConverterMelody m = test::melodyFromMs(
      {{250, 250, 60}, {500, 125, 0}, {625.7, 374.9, 62}, {1000.2, 0, 128}});
  const std::string text = noteListText(m);
  EXPECT_EQ(text, "Note 0 250 60\nNote 375 750 62\n");
  const Read back = readList(text);
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(entries(back.melody), (Entries{{0, 250, 60}, {375, 375, 62}}));
}

}  // namespace
}  // namespace suite::tuneport::formats
