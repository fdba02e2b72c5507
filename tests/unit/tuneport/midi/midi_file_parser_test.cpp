// MIDI file parser: events, running status, system exclusive, meta data and
// every way a file can be damaged.
#include "tuneport/midi/midi_file_parser.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "event_log.h"
#include "support/hex_bytes.h"
#include "support/test_support.h"

namespace suite::tuneport::midi {
namespace {

using suite::test::hexBytes;
using test::EventLog;
using Lines = std::vector<std::string>;

struct Parse {
  bool ok = false;
  Lines lines;
  Lines errors;
};

Parse parseBytes(const std::vector<std::uint8_t>& bytes, bool continuation = false,
                 std::size_t bufferSize = MidiFileParser::kDefaultBufferSize,
                 bool deltas = false) {
  EventLog log;
  log.logDeltas = deltas;
  const std::string text(bytes.begin(), bytes.end());
  std::istringstream in(text);
  MidiFileParser parser(in, log, bufferSize);
  parser.setAcceptSysExContinuation(continuation);
  Parse result;
  result.ok = parser.readFile();
  result.lines = log.lines;
  result.errors = log.errors();
  return result;
}

Parse parseHex(std::string_view hexText, bool continuation = false) {
  return parseBytes(hexBytes(hexText), continuation);
}

// A format-0 file (96 ticks per quarter) with one track of the given events.
std::string oneTrack(const std::string& events) {
  return "\"MThd\" 00000006 0000 0001 0060\n\"MTrk\" [\n" + events + "\n]";
}

// The events of a parse between trackStart and trackEnd.
Lines trackEvents(const Parse& p) {
  Lines events;
  bool inside = false;
  for (const std::string& line : p.lines) {
    if (line.rfind("trackStart", 0) == 0) { inside = true; continue; }
    if (line.rfind("trackEnd", 0) == 0) { inside = false; continue; }
    if (inside) events.push_back(line);
  }
  return events;
}

TEST(MidiFileParser, ReadsHeaderAndTrack) {
  const Parse p = parseHex(R"(
    "MThd" 00000006  0001 0002 01E0    ; format 1, two tracks, 480 ticks
    "MTrk" [
      00 FF 51 03 07A120              ; tempo 500000
      00 FF 2F 00
    ]
    "MTrk" [
      00 90 3C 40                     ; note on C4
      83 60 80 3C 00                  ; note off 480 ticks later
      00 FF 2F 00
    ])");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.lines, (Lines{"header 1 2 480", "trackStart 0", "tempo 0 500000", "endOfTrack 0",
                            "trackEnd 0", "trackStart 1", "noteOn 0 90 60 64",
                            "noteOff 480 80 60 0", "endOfTrack 480", "trackEnd 1"}));
}

TEST(MidiFileParser, DispatchesChannelMessages) {
  const struct {
    const char* bytes;
    const char* event;
  } cases[] = {
      {"80 3C 40", "noteOff 0 80 60 64"},
      {"91 3C 40", "noteOn 0 91 60 64"},
      {"92 3C 00", "noteOff 0 92 60 0"},  // velocity 0 ends the note
      {"A0 3C 10", "polyPressure 0 A0 60 16"},
      {"B0 07 64", "controlChange 0 B0 7 100"},
      {"B0 77 00", "controlChange 0 B0 119 0"},
      {"B0 78 00", "channelMode 0 B0 120 0"},
      {"BF 7F 00", "channelMode 0 BF 127 0"},
      {"C5 05", "programChange 0 C5 5 0"},
      {"D0 20", "channelPressure 0 D0 32 0"},
      {"E0 00 40", "pitchBend 0 E0 0 64"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Parse p = parseHex(oneTrack(std::string("00 ") + c.bytes));
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(trackEvents(p), Lines{c.event});
  }
}

TEST(MidiFileParser, DispatchesMetaEvents) {
  const struct {
    const char* bytes;
    Lines events;
  } cases[] = {
      {"FF 00 02 0102", {"sequenceNumber 0 258"}},
      {"FF 01 03 \"abc\"", {"text 0 1 abc"}},
      {"FF 03 04 \"Lead\"", {"text 0 3 Lead"}},
      {"FF 0F 01 \"x\"", {"text 0 15 x"}},
      {"FF 10 01 \"x\"", {"otherMeta 0 16 78"}},
      {"FF 20 01 05", {"otherMeta 0 32 05"}},
      {"FF 21 01 00", {}},  // port: ignored
      {"FF 2E 00", {}},
      {"FF 2F 00", {"endOfTrack 0"}},
      {"FF 51 03 0F4240", {"tempo 0 1000000"}},
      {"FF 54 05 01 02 03 04 05", {"smpteOffset 0 1 2 3 4 5"}},
      {"FF 58 04 06 03 18 08", {"timeSignature 0 6 3 24 8"}},
      {"FF 59 02 FD 01", {"keySignature 0 -3 1"}},
      {"FF 59 02 02 00", {"keySignature 0 2 0"}},
      {"FF 7F 03 00 00 41", {"sequencerSpecific 0 00 00 41"}},
      // Too short events read missing bytes as 0, never stale buffer contents.
      {"FF 01 03 \"abc\" 00 FF 51 01 07", {"text 0 1 abc", "tempo 0 458752"}},
      {"FF 00 00", {"sequenceNumber 0 0"}},
      {"FF 59 00", {"keySignature 0 0 0"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Parse p = parseHex(oneTrack(std::string("00 ") + c.bytes));
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(trackEvents(p), c.events);
  }
}

TEST(MidiFileParser, RunningStatus) {
  const Parse p = parseHex(oneTrack(R"(
    00 90 3C 40     ; note on
    60 3C 00        ; running status: velocity 0 -> note off
    00 3E 40        ; running status: note on
    00 C1 05        ; program change (one data byte)
    00 06           ; running status with one data byte
    00 E1 00 40     ; pitch bend
  )"));
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(trackEvents(p), (Lines{"noteOn 0 90 60 64", "noteOff 96 90 60 0", "noteOn 96 90 62 64",
                                   "programChange 96 C1 5 0", "programChange 96 C1 6 0",
                                   "pitchBend 96 E1 0 64"}));
}

TEST(MidiFileParser, RunningStatusIsClearedAtTrackStart) {
  const Parse p = parseHex(R"(
    "MThd" 00000006 0001 0002 0060
    "MTrk" [ 00 90 3C 40  00 FF 2F 00 ]
    "MTrk" [ 00 3C 40  00 FF 2F 00 ]    ; data byte as first event
  )");
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.errors, (Lines{"Unexpected Running Status", "Unexpected Byte"}));
  // The error ends the track; trackEnd still closes it.
  EXPECT_EQ(p.lines.back(), "trackEnd 1");
}

TEST(MidiFileParser, DataByteAfterSystemStatusIsUnexpected) {
  // A meta event becomes the running status, so a data byte after it has no
  // channel status to reuse.
  const Parse p = parseHex(oneTrack(R"(
    00 90 3C 40
    00 FF 01 01 "x"
    60 3C 00
  )"));
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(p.errors, Lines{"Unexpected Byte"});
  EXPECT_EQ(trackEvents(p), (Lines{"noteOn 0 90 60 64", "text 0 1 x", "error Unexpected Byte"}));
}

TEST(MidiFileParser, SystemCommonStatusIsUnexpected) {
  const Parse p = parseHex(oneTrack("00 F1 00  00 90 3C 40"));
  EXPECT_FALSE(p.ok);
  EXPECT_EQ(trackEvents(p), Lines{"error Unexpected Byte"});
}

TEST(MidiFileParser, VariableLengthQuantities) {
  const struct {
    const char* bytes;
    std::int32_t value;
  } cases[] = {
      {"00", 0},
      {"7F", 127},
      {"81 00", 128},
      {"81 80 00", 16384},
      {"C0 00", 8192},
      {"FF FF FF 7F", 0x0FFFFFFF},
      {"FF FF FF FF FF 7F", 0x0FFFFFFF},  // longer than four bytes: saturates
      {"80 80 80 80 80 80 80 01", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    const Parse p = parseBytes(hexBytes(oneTrack(std::string(c.bytes) + " 90 3C 40")), false,
                               MidiFileParser::kDefaultBufferSize, true);
    EXPECT_TRUE(p.ok);
    EXPECT_EQ(trackEvents(p), (Lines{"delta " + std::to_string(c.value),
                                     "noteOn " + std::to_string(c.value) + " 90 60 64"}));
  }
}

TEST(MidiFileParser, AbsoluteTimeStopsAtLargest32BitValue) {
  std::string events;
  for (int i = 0; i < 9; ++i) events += "FF FF FF 7F 90 3C 40\n";
  const Parse p = parseHex(oneTrack(events));
  ASSERT_TRUE(p.ok);
  const Lines notes = trackEvents(p);
  ASSERT_EQ(notes.size(), 9u);
  EXPECT_EQ(notes[7], "noteOn 2147483640 90 60 64");  // 8 * 0x0FFFFFFF
  EXPECT_EQ(notes[8], "noteOn 2147483647 90 60 64");
}

TEST(MidiFileParser, JunkBeforeHeaderIsSkipped) {
  const Parse p = parseHex(R"(
    "RIFF junk MTh" 00 4D 54 68   ; almost a header twice
    "MThd" 00000006 0000 0001 0060
    "MTrk" [ 00 90 3C 40 ]
  )");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.lines, (Lines{"header 0 1 96", "trackStart 0", "noteOn 0 90 60 64", "trackEnd 0"}));
}

TEST(MidiFileParser, LongHeaderChunkIsSkipped) {
  const Parse p = parseHex(R"(
    "MThd" [ 0000 0001 0060  AA BB CC ]   ; three extra header bytes
    "MTrk" [ 00 90 3C 40 ]
  )");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.lines, (Lines{"header 0 1 96", "trackStart 0", "noteOn 0 90 60 64", "trackEnd 0"}));
}

TEST(MidiFileParser, DamagedFilesFailCleanly) {
  const struct {
    const char* name;
    const char* bytes;
    Lines errors;
    int tracksStarted;
  } cases[] = {
      {"empty file", "",
       {"Unexpected Stream Error", "Error looking for chunk type", "No Tracks"}, 0},
      {"not a MIDI file", "\"This is plain text, not music.\"",
       {"Unexpected Stream Error", "Error looking for chunk type", "No Tracks"}, 0},
      {"header cut short", "\"MThd\" 00000006 0000",
       {"Unexpected Stream Error", "No Tracks"}, 0},
      {"no tracks", "\"MThd\" 00000006 0000 0000 0060", {"No Tracks"}, 0},
      {"huge header length", "\"MThd\" FFFFFFFF 0000 0001 0060 \"MTrk\" 00000000",
       {"Unexpected Stream Error", "No Tracks"}, 0},
      {"junk before a track", "\"MThd\" 00000006 0000 0001 0060 00 \"MTrk\" [ 00 90 3C 40 ]",
       {"Error looking for chunk type"}, 0},
      {"unknown chunk between tracks",
       "\"MThd\" 00000006 0001 0002 0060 \"MTrk\" [ 00 FF 2F 00 ] \"XFIH\" [ 00 ] "
       "\"MTrk\" [ 00 FF 2F 00 ]",
       {"Error looking for chunk type"}, 1},
      {"fewer tracks than announced", "\"MThd\" 00000006 0001 0003 0060 \"MTrk\" [ 00 FF 2F 00 ]",
       {"Unexpected Stream Error", "Error looking for chunk type"}, 1},
      {"track cut after a status byte", "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" 00000008 00 C0",
       {"Unexpected Stream Error"}, 1},
      {"track cut inside a note", "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" 00000008 00 90 3C",
       {"Unexpected Stream Error"}, 1},
      {"track length without bytes", "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" FFFFFFFF",
       {"Unexpected Stream Error"}, 1},
      {"endless delta time at the end", "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" 00000010 81 80",
       {"Unexpected Stream Error"}, 1},
      {"huge meta length at the end",
       "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" FFFFFFFF 00 FF 01 FF FF FF 7F \"abc\"",
       {"Unexpected Stream Error"}, 1},
      {"huge sysex length at the end",
       "\"MThd\" 00000006 0000 0001 0060 \"MTrk\" FFFFFFFF 00 F0 FF FF FF FF FF 7F 01 02",
       {"Unexpected Stream Error"}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Parse p = parseHex(c.bytes);
    EXPECT_FALSE(p.ok);
    EXPECT_EQ(p.errors, c.errors);
    int started = 0;
    int ended = 0;
    for (const std::string& line : p.lines) {
      started += line.rfind("trackStart", 0) == 0;
      ended += line.rfind("trackEnd", 0) == 0;
      // Nothing half-read reaches the handler; the only complete events of
      // these files are ends of tracks.
      const bool expected = line.rfind("header", 0) == 0 || line.rfind("track", 0) == 0 ||
                            line.rfind("error", 0) == 0 || line.rfind("endOfTrack", 0) == 0;
      EXPECT_TRUE(expected) << line;
    }
    EXPECT_EQ(started, c.tracksStarted);
    EXPECT_EQ(ended, c.tracksStarted);
  }
}

TEST(MidiFileParser, TrackLongerThanItsLengthRunsIntoTheNextChunk) {
  // The length counts down per byte; an event that overruns it is finished,
  // and the next chunk type must then follow directly.
  const Parse p = parseHex(R"(
    "MThd" 00000006 0001 0002 0060
    "MTrk" 00000002 00 90 3C 40
    "MTrk" [ 00 91 3E 40 ]
  )");
  EXPECT_TRUE(p.ok);
  EXPECT_EQ(p.lines, (Lines{"header 1 2 96", "trackStart 0", "noteOn 0 90 60 64", "trackEnd 0",
                            "trackStart 1", "noteOn 0 91 62 64", "trackEnd 1"}));
}

TEST(MidiFileParser, MetaEventLongerThanTheBufferDeliversItsFirstBytes) {
  // 9000 text bytes: 8191 fit next to the NUL; the rest is read and dropped,
  // so the note after the event is still found. Track length 5 + 9000 + 4.
  std::vector<std::uint8_t> bytes = hexBytes("\"MThd\" 00000006 0000 0001 0060 \"MTrk\" 00002331");
  const std::vector<std::uint8_t> meta = hexBytes("00 FF 01 C6 28");  // length 9000
  bytes.insert(bytes.end(), meta.begin(), meta.end());
  bytes.insert(bytes.end(), 9000, 'a');
  const std::vector<std::uint8_t> note = hexBytes("00 90 3C 40");
  bytes.insert(bytes.end(), note.begin(), note.end());
  const Parse p = parseBytes(bytes);
  EXPECT_TRUE(p.ok);
  const Lines events = trackEvents(p);
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0], "text 0 1 " + std::string(8191, 'a'));
  EXPECT_EQ(events[1], "noteOn 0 90 60 64");
}

TEST(MidiFileParser, TextFillingTheBufferKeepsItsNulInside) {
  // With a 16-byte buffer a text of 15 bytes fills it exactly; the NUL after
  // it must still lie inside the buffer (the log checks the byte).
  const Parse exact = parseBytes(hexBytes(oneTrack("00 FF 03 0F \"fifteen bytes!!\"")), false, 16);
  EXPECT_EQ(trackEvents(exact), Lines{"text 0 3 fifteen bytes!!"});
  const Parse longer =
      parseBytes(hexBytes(oneTrack("00 FF 03 11 \"seventeen bytes!!\" 00 90 3C 40")), false, 16);
  EXPECT_EQ(trackEvents(longer), (Lines{"text 0 3 seventeen bytes", "noteOn 0 90 60 64"}));
}

TEST(MidiFileParser, SystemExclusive) {
  const struct {
    const char* name;
    const char* events;
    bool continuation;
    Lines expected;
  } cases[] = {
      {"complete message", "00 F0 05 7E 7F 09 01 F7", false, {"sysEx 0 F0 7E 7F 09 01 F7"}},
      {"escape", "00 F7 02 F3 01", false, {"escapeData 0 F3 01"}},
      {"unfinished message is delivered at once without continuation",
       "00 F0 03 43 12 00  10 F7 02 07 F7", false,
       {"sysEx 0 F0 43 12 00", "escapeData 16 07 F7"}},
      {"continued message", "00 F0 03 43 12 00  10 F7 02 07 08  10 F7 02 09 F7  00 90 3C 40", true,
       {"sysEx 32 F0 43 12 00 07 08 09 F7", "noteOn 32 90 60 64"}},
      {"complete message with continuation accepted", "00 F0 02 01 F7  00 F7 01 05", true,
       {"sysEx 0 F0 01 F7", "escapeData 0 05"}},
      {"other event inside a continued message", "00 F0 02 43 12  00 90 3C 40", true,
       {"error Error after expected continuation of SysEx", "noteOn 0 90 60 64"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Parse p = parseHex(oneTrack(c.events), c.continuation);
    EXPECT_EQ(trackEvents(p), c.expected);
  }
}

TEST(MidiFileParser, EntryPointsAgree) {
  const std::filesystem::path file = suite::test::dataPath("midi/test-c-major-scale.mid");
  const std::string bytes = suite::test::readTextFile(file);
  EventLog fromFile;
  EventLog fromBytes;
  EventLog fromStream;
  EXPECT_TRUE(readMidiFile(file.string(), fromFile));
  EXPECT_TRUE(readMidiBytes(
      std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), fromBytes));
  std::istringstream in(bytes);
  EXPECT_TRUE(readMidiStream(in, fromStream));
  EXPECT_GT(fromFile.lines.size(), 20u);
  EXPECT_EQ(fromFile.lines, fromBytes.lines);
  EXPECT_EQ(fromFile.lines, fromStream.lines);

  // A file that cannot be opened reads as an empty one.
  EventLog missing;
  EXPECT_FALSE(readMidiFile((file.parent_path() / "no-such-file.mid").string(), missing));
  EXPECT_EQ(missing.errors(),
            (Lines{"Unexpected Stream Error", "Error looking for chunk type", "No Tracks"}));
}

}  // namespace
}  // namespace suite::tuneport::midi
