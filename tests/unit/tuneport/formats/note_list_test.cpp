// Note lists: both input forms with their failures, rest lines, Windows line
// ends, a list cut short after a note-on, and the writer.
#include <gtest/gtest.h>

#include <sstream>

#include "support/converter_melody_builder.h"
#include "tuneport/formats/note_list.h"

namespace suite::tuneport::formats {
namespace {

using model::ConverterMelody;

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

TEST(NoteListReader, NoteFormCutsANoteAtTheNextStart) {
  const Read r = readList("% a comment\n\nNote 0 500 60\nNote 400 900 62\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(entries(r.melody), (Entries{{0, 400, 60}, {400, 500, 62}}));
  EXPECT_TRUE(r.report.starts_with("ticks  =-1 t = 0 dur:400 pitch: 60 BarPosition:(N/A)\n"
                                    "ticks  =-1 t = 400 dur:500 pitch: 62 BarPosition:(N/A)\n"
                                    "Min Pitch: 60 Max Pitch: 62 Ambitus:2\n"));
  // Quantised at the tempo of the settings: 400 ms is one beat at 400 ms per beat.
  const Read slow = readList("Note 0 500 60\nNote 400 900 62\n", 400.0);
  EXPECT_EQ(slow.melody.notes[1].position.toString(), "1.2.0");
  EXPECT_DOUBLE_EQ(slow.melody.tempo(), 400.0);
}

TEST(NoteListReader, EventForm) {
  const Read r = readList("Note-on 0 60\nNote-off 500 60\nNote-on 500 62\nNote-off 1000 62\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(entries(r.melody), (Entries{{0, 500, 60}, {500, 500, 62}}));
  // A list cut short after its last note-on keeps that note, without length.
  const Read cut = readList("Note-on 0 60\nNote-off 500 60\nNote-on 500 62\n");
  ASSERT_TRUE(cut.ok) << cut.error;
  EXPECT_EQ(entries(cut.melody), (Entries{{0, 500, 60}, {500, 0, 62}}));
}

TEST(NoteListReader, RestLinesLastUntilTheNextStart) {
  const Read r = readList("Note 0 400 60\nRest 500\nNote 1000 1500 62\nRest 1500\n");
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(entries(r.melody), (Entries{{0, 400, 60}, {500, 500, 0}, {1000, 500, 62}}));
}

TEST(NoteListReader, WindowsLineEnds) {
  const Read notes = readList("% tune\r\n\r\nNote 0 500 60\r\n\r\nNote 500 1000 62\r\n");
  ASSERT_TRUE(notes.ok) << notes.error;
  EXPECT_EQ(entries(notes.melody), (Entries{{0, 500, 60}, {500, 500, 62}}));
  const Read events = readList("Note-on 0 60\r\nNote-off 500 60\r\n");
  ASSERT_TRUE(events.ok) << events.error;
  EXPECT_EQ(entries(events.melody), (Entries{{0, 500, 60}}));
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
      {{250, 250, 60}, {500, 125, 0}, {625.7, 374.6, 62}, {1000.2, 0, 128}});
  const std::string text = noteListText(m);
  EXPECT_EQ(text, "Note 0 250 60\nNote 375 750 62\n");
  const Read back = readList(text);
  ASSERT_TRUE(back.ok) << back.error;
  EXPECT_EQ(entries(back.melody), (Entries{{0, 250, 60}, {375, 375, 62}}));
}

}  // namespace
}  // namespace suite::tuneport::formats
