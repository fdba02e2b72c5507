// Track analysis: counts, monophony, signature track, report and track choice.
#include "tuneport/midi/midi_track_analyser.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "midi_fixtures.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"

namespace suite::tuneport::midi {
namespace {

// Parses a format-1 file at 480 ticks per quarter with the given track bodies.
bool analyse(MidiTrackAnalyser& analyser, const std::vector<std::string>& tracks) {
  const bool parsed = readMidiBytes(suite::test::hexBytes(test::smf(480, tracks)), analyser);
  analyser.summarise();
  return parsed;
}

// Two quarter notes in a row on channel 0.
const std::string kTwoNotes = "00 90 3C 40  83 60 80 3C 00  00 90 3E 40  83 60 80 3E 00";

TEST(MidiTrackAnalyser, Monophony) {
  // 480 ticks per quarter: an overlap below 480 / 6 = 80 ticks is legato.
  const struct {
    const char* events;
    bool polyphonic;
  } cases[] = {
      {"00 90 3C 40  00 90 40 40  83 60 80 3C 00  00 80 40 00  00 90 3E 40  83 60 80 3E 00", true},
      {"00 90 3C 40  00 90 40 40  00 90 43 40  83 60 80 3C 00", true},
      {"00 90 3C 40  83 11 90 3E 40  4F 80 3C 00  83 60 80 3E 00  00 90 40 40  10 80 40 00", false},
      {"00 90 3C 40  83 10 90 3E 40  50 80 3C 00  83 60 80 3E 00  00 90 40 40  10 80 40 00", true},
      // A note-on of velocity 0 ends the overlap as a note-off does.
      {"00 90 3C 40  83 11 90 3E 40  4F 90 3C 00  83 60 90 3E 00  00 90 40 40  10 90 40 00", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.events);
    std::ostringstream out;
    MidiTrackAnalyser a(out);
    analyse(a, {c.events});
    EXPECT_EQ(a.tracks().at(0).polyphonic, c.polyphonic);
    EXPECT_EQ(a.usableTracks().size(), c.polyphonic ? 0u : 1u);
  }
}

TEST(MidiTrackAnalyser, CountsAndChannels) {
  std::ostringstream out;
  MidiTrackAnalyser a(out);
  analyse(a, {
      "00 FF 03 05 \"Tempo\"  00 FF 51 03 07A120  00 FF 58 04 06 03 18 08",
      // Names end at their first NUL; the last one counts.
      "00 FF 03 06 \"Lead\" 00 \"x\"  00 FF 04 02 \"Vl\"  00 FF 04 05 \"Flute\"  "
      "00 FF 59 02 01 00 " + kTwoNotes,
      "00 90 3C 40  60 80 3C 00  00 91 3E 40  60 81 3E 00",  // channel switch
      "00 FF 01 04 \"text\"",                                // nothing to count
      "00 FF 58 04 03 02 18 08",                             // a second metre track
  });
  a.report();
  EXPECT_EQ(a.usableTracks(), (std::vector<int>{1, 2}));
  EXPECT_EQ(a.signatureTrack(), 0);  // the first of two
  suite::test::expectMatchesGolden(out.str(), suite::test::dataPath("midi/reports/five_tracks.txt"));
}

TEST(MidiTrackAnalyser, FileWithoutTracks) {
  std::ostringstream out;
  MidiTrackAnalyser a(out);
  EXPECT_FALSE(readMidiBytes(suite::test::hexBytes("\"MThd\" 00000006 0000 0000 0060"), a));
  EXPECT_EQ(a.errorText(), "No Tracks");
  a.report();
  EXPECT_EQ(a.errorText(), "No tracks");
  EXPECT_FALSE(a.wellFormed());
  EXPECT_EQ(out.str(), "Format =0 Tracks = 0 division = 96\n");  // no report, no summary
}

TEST(MidiTrackAnalyser, ChoiceAmongSeveralTracks) {
  std::ostringstream ignored;
  MidiTrackAnalyser a(ignored);
  analyse(a, {"00 FF 03 01 \"A\" " + kTwoNotes, "00 90 3C 40  00 90 40 40  00 90 43 40",
              "00 FF 03 01 \"C\"  00 FF 04 04 \"Oboe\" " + kTwoNotes});
  const std::string prompt =
      "Found multiple tracks in file!\n"
      "Please select\n"
      "      Track Nr. TrackName    TrackInstrument\n"
      "   1  0            A            \n"
      "   2  2            C            Oboe\n"
      "\n"
      "Select number.\n";
  const struct {
    const char* input;
    int track;
    const char* after;
    const char* rest;
  } cases[] = {
      {"1\n", 0, "", ""},
      {"2\nnext.mid\n", 2, "", "next.mid\n"},  // one line read, whatever follows
      {"  2 tracks", 2, "", ""},
      {"0\n", -1, "No track selected.\n", ""},
      {"\n2\n", -1, "No track selected.\n", "2\n"},
      {"", -1, "No track selected.\n", ""},  // end of input
      {"x\n", -1, "No track selected.\n", ""},
      {"3\n", -1, "", ""},
      {"-1\n", -1, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    std::ostringstream out;
    EXPECT_EQ(a.chooseTrack(in, out), c.track);
    EXPECT_EQ(out.str(), prompt + c.after);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.rest);
  }
  EXPECT_EQ(a.usableTrack(3), -1);
}

}  // namespace
}  // namespace suite::tuneport::midi
