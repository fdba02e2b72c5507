// Checks against an independent MIDI reader, the midicsv program (Debian
// package midicsv): the parser's note events on real files agree with it, and
// the files the writer produces read back in it with the same notes, tempo,
// time and key signature. Real files also survive a read, write and read of
// our own.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "midi_fixtures.h"
#include "support/converter_melody_builder.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"

namespace suite::tuneport::midi {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

// Lists a file with midicsv in the parser's event log form: the header,
// "trackStart", note events, tempo and time signature; the key as "key 7"
// (0..11 major, 12..23 minor tonic).
constexpr const char* kListing = R"(
import subprocess, sys
rows = subprocess.run(['midicsv', sys.argv[1]], capture_output=True, text=True, check=True).stdout
for f in (row.split(', ') for row in rows.splitlines()):
    if f[2] == 'Header': print('header', f[3], f[4], f[5])
    elif f[2] == 'Start_track': print('trackStart', int(f[0]) - 1)
    elif f[2] == 'Tempo': print('tempo', f[1], f[3])
    elif f[2] == 'Time_signature': print('timeSignature', *f[1:2] + f[3:7])
    elif f[2] == 'Key_signature':
        minor = int(f[4] == '"minor"')
        print('key', (7 * int(f[3]) - 3 * minor) % 12 + 12 * minor)
    elif f[2] in ('Note_on_c', 'Note_off_c'):
        on, channel, velocity = f[2] == 'Note_on_c', int(f[3]), int(f[5])
        print('noteOn' if on and velocity > 0 else 'noteOff', f[1],
              '%X' % ((0x90 if on else 0x80) + channel), f[4], velocity)
)";

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// The listing of \a file; false when midicsv or python3 is missing or
// rejects the file.
bool listing(const fs::path& file, Lines& lines) {
  const std::string command =
      "python3 -c " + quoted(kListing) + " " + quoted(file.string()) + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string output;
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
  if (::pclose(pipe) != 0) return false;
  std::istringstream text(output);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return true;
}

// Track starts and note events, one per line.
Lines notesOf(const std::string& lines) {
  Lines notes;
  std::istringstream text(lines);
  for (std::string line; std::getline(text, line, ';');) {
    line.erase(0, line.find_first_not_of(' '));
    if (line.starts_with("note") || line.starts_with("trackStart")) notes.push_back(line);
  }
  return notes;
}

TEST(ThirdPartyTools, ParserNoteEventsAgreeWithMidicsv) {
  Lines probe;
  if (!listing(suite::test::dataPath("midi/TipperaryHills.mid"), probe))
    GTEST_SKIP() << "midicsv (Debian package midicsv) or python3 missing";
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(suite::test::dataPath("midi"))) {
    if (entry.path().extension() != ".mid") continue;
    SCOPED_TRACE(entry.path().filename().string());
    Lines theirs;
    test::EventLog log;
    const bool parsed = readMidiFile(entry.path().string(), log);
    if (!listing(entry.path(), theirs)) {
      EXPECT_FALSE(parsed);  // no MIDI file for midicsv, none for us
      continue;
    }
    std::erase_if(theirs, [](const std::string& l) { return !l.starts_with("note") &&
                                                             !l.starts_with("trackStart"); });
    const Lines ours = notesOf(log.lines);
    if (!parsed) {
      // After an error the parser stops; what it delivered until then agrees.
      ASSERT_LE(ours.size(), theirs.size());
      theirs.resize(ours.size());
    }
    EXPECT_EQ(ours, theirs);
    compared += parsed;
  }
  EXPECT_GE(compared, 12);
}

TEST(ThirdPartyTools, MidicsvReadsWrittenFiles) {
  // A G major jig in 6/8 at 240 ticks and 250 ms per eighth: 480 ticks and
  // 500000 microseconds per quarter note.
  model::ConverterMelody m = suite::test::melodyFromTicks(
      {{0, 240, 67}, {240, 240, 71}, {480, 240, 74}, {720, 480, 79}, {1200, 200, 78}}, 240, 250);
  m.key = 7;
  m.setSignature(6, 8);
  ASSERT_TRUE(m.quantise(0));
  Lines expected{"header 1 2 480", "trackStart 0", "key 7", "timeSignature 0 6 3 24 8",
                  "tempo 0 500000", "trackStart 1"};
  for (std::size_t i = 0; i < m.size(); ++i) {
    const std::string pitch = " 90 " + std::to_string(m.notes[i].pitch);
    expected.push_back("noteOn " + std::to_string(m.notes[i].ticks) + pitch + " 127");
    expected.push_back("noteOff " + std::to_string(m.notes[i].ticks + m.durationTicks(i)) + pitch +
                       " 0");
  }
  const suite::test::ScratchDir dir;
  const std::vector<std::uint8_t> bytes = test::writtenBytes(m);
  const fs::path file = dir.write("jig.mid", std::string(bytes.begin(), bytes.end()));
  Lines lines;
  if (!listing(file, lines)) GTEST_SKIP() << "midicsv (Debian package midicsv) or python3 missing";
  EXPECT_EQ(lines, expected);
}

TEST(ThirdPartyTools, RealFilesSurviveAReadWriteRead) {
  for (const char* name : {"DowntheGortRoadreel.mid", "TipperaryHills.mid", "BeautySpotreelThe.mid"}) {
    SCOPED_TRACE(name);
    std::ostringstream out;
    std::istringstream in;
    test::MelodyRead first;
    first.ok = readMidiMelody(suite::test::dataPath(std::string("midi/") + name).string(), {},
                              {out, out, in}, first.melody, first.error);
    ASSERT_TRUE(first.ok) << first.error;
    const test::MelodyRead second = test::readBytes(test::writtenBytes(first.melody));
    ASSERT_TRUE(second.ok) << second.error;
    const auto shape = [](const model::ConverterMelody& m) {
      return std::tuple(m.pitches(), m.interOnsetTicks(), m.durationTicks(), m.positions(),
                        m.ticksPerBeat, m.tempo(), m.key, m.numerator, m.denominator);
    };
    EXPECT_EQ(shape(second.melody), shape(first.melody));
  }
}

}  // namespace
}  // namespace suite::tuneport::midi
