// Track analysis: counts, monophony, signature track, report and track choice.
#include "tuneport/midi/midi_track_analyser.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/hex_bytes.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"

namespace suite::tuneport::midi {
namespace {

using suite::test::hexBytes;

struct Analysis {
  std::ostringstream out;
  MidiTrackAnalyser analyser{out};
  bool parsed = false;
};

// Parses the fixture and summarises it (without printing the report).
void analyse(Analysis& a, std::string_view hexText) {
  a.parsed = readMidiBytes(hexBytes(hexText), a.analyser);
  a.analyser.summarise();
}

// A format-1 file at 480 ticks per quarter with the given track bodies.
std::string tracks(const std::vector<std::string>& bodies) {
  char header[64];
  std::snprintf(header, sizeof header, "\"MThd\" 00000006 0001 %04zX 01E0\n", bodies.size());
  std::string text = header;
  for (const std::string& body : bodies) text += "\"MTrk\" [\n" + body + "\n 00 FF 2F 00 ]\n";
  return text;
}

// Two quarter notes in a row on channel 0.
const std::string kTwoNotes = "00 90 3C 40  83 60 80 3C 00  00 90 3E 40  83 60 80 3E 00";

TEST(MidiTrackAnalyser, OneUsableTrackIsTakenWithoutPrompt) {
  Analysis a;
  analyse(a, tracks({"00 FF 51 03 07A120  00 FF 58 04 04 02 18 08 " + kTwoNotes}));
  EXPECT_TRUE(a.parsed);
  EXPECT_EQ(a.analyser.usableTracks(), std::vector<int>{0});
  EXPECT_EQ(a.analyser.signatureTrack(), -1);  // tempo and metre sit in the note track
  EXPECT_TRUE(a.analyser.wellFormed());
  std::istringstream in("2\n");
  std::ostringstream prompt;
  EXPECT_EQ(a.analyser.chooseTrack(in, prompt), 0);
  EXPECT_EQ(prompt.str(), "");
  EXPECT_EQ(in.tellg(), 0);  // nothing read from the input
}

TEST(MidiTrackAnalyser, Monophony) {
  // 480 ticks per quarter: an overlap below 480 / 6 = 80 ticks is legato.
  const struct {
    const char* name;
    const char* events;
    bool polyphonic;
  } cases[] = {
      {"one note after the other", "00 90 3C 40  83 60 80 3C 00  00 90 3E 40  83 60 80 3E 00",
       false},
      {"same tick, then a third note",
       "00 90 3C 40  00 90 40 40  83 60 80 3C 00  00 80 40 00  00 90 3E 40  83 60 80 3E 00", true},
      {"chord of three", "00 90 3C 40  00 90 40 40  00 90 43 40  83 60 80 3C 00", true},
      {"legato overlap of 79 ticks",
       "00 90 3C 40  83 11 90 3E 40  4F 80 3C 00  83 60 80 3E 00  00 90 40 40  10 80 40 00",
       false},
      {"overlap of 80 ticks, then a note",
       "00 90 3C 40  83 10 90 3E 40  50 80 3C 00  83 60 80 3E 00  00 90 40 40  10 80 40 00",
       true},
      {"note-off by velocity 0 ends the overlap",
       "00 90 3C 40  83 11 90 3E 40  4F 90 3C 00  83 60 90 3E 00  00 90 40 40  10 90 40 00",
       false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Analysis a;
    analyse(a, tracks({c.events}));
    ASSERT_EQ(a.analyser.tracks().size(), 1u);
    EXPECT_EQ(a.analyser.tracks()[0].polyphonic, c.polyphonic);
    EXPECT_EQ(a.analyser.usableTracks().size(), c.polyphonic ? 0u : 1u);
  }
}

TEST(MidiTrackAnalyser, CountsAndChannels) {
  const std::string file = tracks({
      "00 FF 03 05 \"Tempo\"  00 FF 51 03 07A120  00 FF 58 04 06 03 18 08",
      "00 FF 03 04 \"Lead\"  00 FF 04 05 \"Flute\"  00 FF 59 02 01 00 " + kTwoNotes,
      "00 90 3C 40  60 80 3C 00  00 91 3E 40  60 81 3E 00",  // channel switch
      "00 FF 01 04 \"text\"",                                // nothing to count
      "00 FF 58 04 03 02 18 08",                             // a second metre track
  });
  Analysis a;
  a.parsed = readMidiBytes(hexBytes(file), a.analyser);
  a.analyser.report();
  ASSERT_EQ(a.analyser.tracks().size(), 5u);
  const TrackInfo& lead = a.analyser.tracks()[1];
  EXPECT_EQ(lead.trackName, "Lead");
  EXPECT_EQ(lead.instrumentName, "Flute");
  EXPECT_EQ(lead.noteOns, 2);
  EXPECT_EQ(lead.noteOffs, 2);
  EXPECT_EQ(lead.keySignatures, 1);
  EXPECT_EQ(lead.channel, 0);
  EXPECT_EQ(a.analyser.tracks()[2].channel, -2);
  EXPECT_EQ(a.analyser.tracks()[3].channel, -1);
  EXPECT_EQ(a.analyser.usableTracks(), (std::vector<int>{1, 2}));
  EXPECT_EQ(a.analyser.signatureTrack(), 0);  // the first of two
  suite::test::expectMatchesGolden(a.out.str(),
                                   suite::test::dataPath("midi/reports/five_tracks.txt"));
}

TEST(MidiTrackAnalyser, TempoLines) {
  const struct {
    const char* tempo;
    const char* line;
  } cases[] = {
      {"07A120", " time = 480 tempo = 120\n"},
      {"0F4240", " time = 480 tempo = 60\n"},
      {"000001", " time = 480 tempo = 60000000\n"},
      {"000000", " time = 480 tempo = 0\n"},  // damaged file: no division by zero
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tempo);
    Analysis a;
    analyse(a, tracks({std::string("83 60 FF 51 03 ") + c.tempo}));
    EXPECT_EQ(a.out.str(), std::string("Format =1 Tracks = 1 division = 480\n") + c.line);
    EXPECT_EQ(a.analyser.tracks()[0].tempos, 1);
  }
}

TEST(MidiTrackAnalyser, NamesEndAtTheirFirstNul) {
  Analysis a;
  analyse(a, tracks({"00 FF 03 03 41 00 42  00 FF 04 02 \"Vl\"  00 FF 04 02 \"Va\""}));
  EXPECT_EQ(a.analyser.tracks()[0].trackName, "A");
  EXPECT_EQ(a.analyser.tracks()[0].instrumentName, "Va");  // the last one counts
}

TEST(MidiTrackAnalyser, FileWithoutTracks) {
  Analysis a;
  a.parsed = readMidiBytes(hexBytes("\"MThd\" 00000006 0000 0000 0060"), a.analyser);
  EXPECT_EQ(a.analyser.errorText(), "No Tracks");
  a.analyser.report();
  EXPECT_FALSE(a.parsed);
  EXPECT_EQ(a.analyser.errorText(), "No tracks");
  EXPECT_FALSE(a.analyser.wellFormed());
  EXPECT_EQ(a.out.str(), "Format =0 Tracks = 0 division = 96\n");  // no report, no summary
  std::istringstream in("1\n");
  std::ostringstream prompt;
  EXPECT_EQ(a.analyser.chooseTrack(in, prompt), -1);
}

TEST(MidiTrackAnalyser, ParseErrorKeepsWhatWasRead) {
  // The second track is cut short after its first note-on; both tracks count.
  Analysis a;
  analyse(a, "\"MThd\" 00000006 0001 0002 01E0 \"MTrk\" [ " + kTwoNotes +
                 " ] \"MTrk\" 00000010 00 90 3C 40 83 60 80 3C");
  EXPECT_FALSE(a.parsed);
  EXPECT_EQ(a.analyser.errorText(), "Unexpected Stream Error");
  EXPECT_EQ(a.analyser.usableTracks(), (std::vector<int>{0, 1}));
}

TEST(MidiTrackAnalyser, ChoiceAmongSeveralTracks) {
  const std::string file = tracks({"00 FF 03 01 \"A\" " + kTwoNotes,
                                   "00 90 3C 40  00 90 40 40  00 90 43 40",  // polyphonic
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
  } cases[] = {
      {"1\n", 0, ""},
      {"2\nnext.mid\n", 2, ""},
      {"  2 tracks", 2, ""},
      {"0\n", -1, "No track selected.\n"},
      {"\n2\n", -1, "No track selected.\n"},  // one line only
      {"", -1, "No track selected.\n"},       // end of input
      {"x\n", -1, "No track selected.\n"},
      {"3\n", -1, ""},
      {"-1\n", -1, ""},
  };
  Analysis a;
  analyse(a, file);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.input);
    std::istringstream in(c.input);
    std::ostringstream out;
    EXPECT_EQ(a.analyser.chooseTrack(in, out), c.track);
    EXPECT_EQ(out.str(), prompt + c.after);
  }
  EXPECT_EQ(a.analyser.usableTrack(2), 2);
  EXPECT_EQ(a.analyser.usableTrack(3), -1);
  EXPECT_EQ(a.analyser.usableTrack(0), -1);
}

TEST(MidiTrackAnalyser, ChoiceReadsOneLineOfTheInput) {
  Analysis a;
  analyse(a, tracks({kTwoNotes, kTwoNotes}));
  std::istringstream in("2\nfirst.mid second.mid\n");
  std::ostringstream out;
  EXPECT_EQ(a.analyser.chooseTrack(in, out), 1);
  std::string rest;
  std::getline(in, rest);
  EXPECT_EQ(rest, "first.mid second.mid");
}

// The whole console text of the first pass over real files: header and tempo
// lines, track reports, summary and the choice.
TEST(MidiTrackAnalyser, ReportsOfRealFiles) {
  const struct {
    const char* file;
    const char* input;
    int track;
  } cases[] = {
      {"DowntheGortRoadreel.mid", "", 0},
      {"BeautySpotreelThe.mid", "2\n", 1},  // the chord track is polyphonic
      {"test-2-tracks-type-1.mid", "2\n", 1},
      {"test-multichannel-chords-0.mid", "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::ostringstream out;
    MidiTrackAnalyser analyser(out);
    EXPECT_TRUE(readMidiFile(suite::test::dataPath(std::string("midi/") + c.file).string(),
                             analyser));
    analyser.report();
    std::istringstream in(c.input);
    EXPECT_EQ(analyser.chooseTrack(in, out), c.track);
    suite::test::expectMatchesGolden(
        out.str(), suite::test::dataPath(std::string("midi/reports/") + c.file + ".txt"));
  }
}

}  // namespace
}  // namespace suite::tuneport::midi
