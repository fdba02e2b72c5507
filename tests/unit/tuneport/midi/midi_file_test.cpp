// MIDI file parser: events, running status, system exclusive, meta data and
// every way a file can be damaged; track analysis on the parsed events:
// counts, monophony, signature track, report and track choice.
#include <gtest/gtest.h>

#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "midi_fixtures.h"
#include "support/hex_bytes.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"
#include "tuneport/midi/midi_track_analyser.h"

namespace suite::tuneport::midi {
namespace {

using suite::test::hexBytes;

struct Parse {
  bool ok = false;
  std::string events;  // "; "-joined
};

Parse parse(const std::vector<std::uint8_t>& bytes, bool continuation = false,
            bool structure = true) {
  test::EventLog log;
  log.structure = structure;
  std::istringstream in(std::string(bytes.begin(), bytes.end()));
  MidiFileParser parser(in, log);
  parser.setAcceptSysExContinuation(continuation);
  const bool ok = parser.readFile();
  return {ok, log.lines};
}

// A format-0 file (96 ticks per quarter) with one track of the given events.
std::string oneTrack(const std::string& events) {
  return "\"MThd\" 00000006 0000 0001 0060\n\"MTrk\" [\n" + events + "\n]";
}

TEST(MidiFileParser, EventsOfOneTrack) {
  const struct {
    const char* bytes;
    const char* events;
    bool continuation = false;
  } cases[] = {
      // Channel messages; a note-on of velocity 0 ends a note.
      {"00 80 3C 40", "noteOff 0 80 60 64"},
      {"00 92 3C 00", "noteOff 0 92 60 0"},
      {"00 A0 3C 10  00 B0 77 00  00 B0 78 00  00 C5 05  00 D0 20  00 E0 00 40",
       "polyPressure 0 A0 60 16; controlChange 0 B0 119 0; channelMode 0 B0 120 0; "
       "programChange 0 C5 5 0; channelPressure 0 D0 32 0; pitchBend 0 E0 0 64"},
      // Running status, with two data bytes and with one.
      {"00 90 3C 40  60 3C 00  00 3E 40  00 C1 05  00 06  00 E1 00 40",
       "noteOn 0 90 60 64; noteOff 96 90 60 0; noteOn 96 90 62 64; programChange 96 C1 5 0; "
       "programChange 96 C1 6 0; pitchBend 96 E1 0 64"},
      // A meta event is a status too: no channel status to reuse after it.
      {"00 90 3C 40  00 FF 01 01 \"x\"  60 3C 00",
       "noteOn 0 90 60 64; text 0 1 x; error Unexpected Byte"},
      // Meta events; too short ones read missing bytes as 0.
      {"00 FF 00 02 0102  00 FF 00 00  00 FF 0F 01 \"x\"  00 FF 10 01 \"x\"  00 FF 21 01 00",
       "sequenceNumber 0 258; sequenceNumber 0 0; text 0 15 x; otherMeta 0 16 78"},
      {"00 FF 2E 00  00 FF 2F 00  00 FF 51 03 0F4240  00 FF 51 01 07  00 FF 54 05 0102030405",
       "endOfTrack 0; tempo 0 1000000; tempo 0 458752; smpteOffset 0 1 2 3 4 5"},
      {"00 FF 58 04 06031808  00 FF 59 02 FD01  00 FF 59 00  00 FF 7F 03 000041",
       "timeSignature 0 6 3 24 8; keySignature 0 -3 1; keySignature 0 0 0; "
       "sequencerSpecific 0 00 00 41"},
      // Variable-length quantities: up to four bytes, longer ones saturate.
      {"81 80 00 90 3C 40  C0 00 3C 41  FF FF FF FF FF 7F 3C 42",
       "noteOn 16384 90 60 64; noteOn 24576 90 60 65; noteOn 268460031 90 60 66"},
      {"80 80 80 80 80 80 80 01 90 3C 40", "noteOn 1 90 60 64"},
      // System exclusive, escapes and continued messages.
      {"00 F0 05 7E 7F 09 01 F7  00 F7 02 F3 01", "sysEx 0 F0 7E 7F 09 01 F7; escapeData 0 F3 01"},
      {"00 F0 03 43 12 00  10 F7 02 07 F7", "sysEx 0 F0 43 12 00; escapeData 16 07 F7"},
      {"00 F0 03 43 12 00  10 F7 02 07 08  10 F7 02 09 F7  00 90 3C 40",
       "sysEx 32 F0 43 12 00 07 08 09 F7; noteOn 32 90 60 64", true},
      {"00 F0 02 01 F7  00 F7 01 05", "sysEx 0 F0 01 F7; escapeData 0 05", true},
      {"00 F0 02 43 12  00 90 3C 40",
       "error Error after expected continuation of SysEx; noteOn 0 90 60 64", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Parse p = parse(hexBytes(oneTrack(c.bytes)), c.continuation, false);
    EXPECT_EQ(p.events, c.events);
  }
}

TEST(MidiFileParser, RunningStatusIsClearedAtTrackStart) {
  const Parse p = parse(hexBytes(R"(
    "MThd" 00000006 0001 0002 0060
    "MTrk" [ 00 90 3C 40  00 FF 2F 00 ]
    "MTrk" [ 00 3C 40  00 FF 2F 00 ]    ; data byte as first event
  )"));
  EXPECT_FALSE(p.ok);
  EXPECT_TRUE(p.events.ends_with(
      "trackStart 1; error Unexpected Running Status; error Unexpected Byte; trackEnd 1"))
      << p.events;
}

TEST(MidiFileParser, AbsoluteTimeStopsAtLargest32BitValue) {
  std::string events;
  for (int i = 0; i < 9; ++i) events += "FF FF FF 7F 90 3C 40\n";
  const Parse p = parse(hexBytes(oneTrack(events)));
  EXPECT_TRUE(p.events.ends_with("noteOn 2147483640 90 60 64; noteOn 2147483647 90 60 64; "
                                 "trackEnd 0"));  // 8 * 0x0FFFFFFF, then the limit
}

TEST(MidiFileParser, DamagedFilesFailCleanly) {
  const std::string head = "\"MThd\" 00000006 0000 0001 0060 ";
  const char* cut = "header 0 1 96; trackStart 0; error Unexpected Stream Error; trackEnd 0";
  const struct {
    const char* name;
    std::string bytes;
    const char* events;
  } cases[] = {
      {"empty file", "",
       "error Unexpected Stream Error; error Error looking for chunk type; error No Tracks"},
      {"not a MIDI file", "\"This is plain text, not music.\"",
       "error Unexpected Stream Error; error Error looking for chunk type; error No Tracks"},
      {"header cut short", "\"MThd\" 00000006 0000", "error Unexpected Stream Error; error No Tracks"},
      {"no tracks", "\"MThd\" 00000006 0000 0000 0060", "header 0 0 96; error No Tracks"},
      {"huge header length", "\"MThd\" FFFFFFFF 0000 0001 0060 \"MTrk\" 00000000",
       "header 0 1 96; error Unexpected Stream Error; error No Tracks"},
      {"junk before a track", head + "00 \"MTrk\" [ 00 90 3C 40 ]",
       "header 0 1 96; error Error looking for chunk type"},
      {"unknown chunk between tracks",
       "\"MThd\" 00000006 0001 0002 0060 \"MTrk\" [ 00 FF 2F 00 ] \"XFIH\" [ 00 ] \"MTrk\" [ ]",
       "header 1 2 96; trackStart 0; endOfTrack 0; trackEnd 0; error Error looking for chunk type"},
      {"fewer tracks than announced", "\"MThd\" 00000006 0001 0003 0060 \"MTrk\" [ ]",
       "header 1 3 96; trackStart 0; trackEnd 0; error Unexpected Stream Error; "
       "error Error looking for chunk type"},
      {"track cut after a status byte", head + "\"MTrk\" 00000008 00 C0", cut},
      {"track cut inside a note", head + "\"MTrk\" 00000008 00 90 3C", cut},
      {"track length without bytes", head + "\"MTrk\" FFFFFFFF", cut},
      {"endless delta time at the end", head + "\"MTrk\" 00000010 81 80", cut},
      {"huge meta length at the end", head + "\"MTrk\" FFFFFFFF 00 FF 01 FF FF FF 7F \"abc\"", cut},
      {"huge sysex length at the end",
       head + "\"MTrk\" FFFFFFFF 00 F0 FF FF FF FF FF 7F 01 02", cut},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Parse p = parse(hexBytes(c.bytes));
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.events, c.events);
  }
}

TEST(MidiFileParser, TrackLongerThanItsLengthRunsIntoTheNextChunk) {
  // The length counts down per byte; an event that overruns it is finished,
  // and the next chunk type must then follow directly.
  const Parse p = parse(hexBytes(R"(
    "MThd" 00000006 0001 0002 0060
    "MTrk" 00000002 00 90 3C 40
    "MTrk" [ 00 91 3E 40 ]
  )"));
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.events,
            "header 1 2 96; trackStart 0; noteOn 0 90 60 64; trackEnd 0; trackStart 1; "
            "noteOn 0 91 62 64; trackEnd 1");
}

TEST(MidiFileParser, MetaEventLongerThanTheBufferDeliversItsFirstBytes) {
  // 9000 text bytes: 8191 fit next to the NUL; the rest is read and dropped,
  // so the note after the event is still found. Track length 5 + 9000 + 4.
  std::vector<std::uint8_t> bytes = hexBytes(oneTrack("00 FF 01 C6 28"));  // length 9000
  bytes.insert(bytes.end(), 9000, 'a');
  const std::vector<std::uint8_t> note = hexBytes("00 90 3C 40");
  bytes.insert(bytes.end(), note.begin(), note.end());
  bytes[21] = 0x31;  // the track length: 0x2331
  bytes[20] = 0x23;
  const Parse p = parse(bytes, false, false);
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.events, "text 0 1 " + std::string(8191, 'a') + "; noteOn 0 90 60 64");
}

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
