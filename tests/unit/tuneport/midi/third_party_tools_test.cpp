// Checks against two independent MIDI readers, the midicsv program (Debian
// package midicsv) and the mido library (python3-mido): the parser's note
// events on real files agree with midicsv, and the files the writer produces
// read back in both with the same notes, tempo, time and key signature. Real
// files also survive a read, write and read of our own.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "midi_fixtures.h"
#include "support/converter_melody_builder.h"
#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"

namespace suite::tuneport::midi {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::string quoted(const std::string& text) {
  std::string q = "'";
  for (const char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// Output and exit status of a shell command (standard error dropped).
int run(const std::string& command, std::string& output) {
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return -1;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
  return ::pclose(pipe);
}

std::string findProgram(const std::string& name) {
  std::istringstream dirs(std::getenv("PATH") != nullptr ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate.string();
  }
  return {};
}

// A Python interpreter that has mido (the system one first: a user's own
// Python on PATH may lack the Debian package).
std::string findMidoPython() {
  for (const std::string& python : {std::string("/usr/bin/python3"), findProgram("python3")}) {
    std::string ignored;
    if (!python.empty() && run(quoted(python) + " -c 'import mido'", ignored) == 0) return python;
  }
  return {};
}

// One line per element, as both tools are normalised to: "division 480",
// "tempo 500000", "time 6/8", "key 7" (0..11 major, 12..23 minor tonic), and
// per note event "track time on|off channel pitch velocity".
std::string noteLine(int track, long time, bool on, int channel, int pitch, int velocity) {
  std::ostringstream line;
  line << track << ' ' << time << (on ? " on " : " off ") << channel << ' ' << pitch << ' '
       << velocity;
  return line.str();
}

int keyIndex(int sharps, bool minor) {
  return ((7 * sharps - (minor ? 3 : 0)) % 12 + 12) % 12 + (minor ? 12 : 0);
}

bool midicsvListing(const fs::path& file, Lines& lines) {
  static const std::string program = findProgram("midicsv");
  std::string output;
  if (program.empty() || run(quoted(program) + " " + quoted(file.string()), output) != 0)
    return false;
  std::istringstream text(output);
  for (std::string line; std::getline(text, line);) {
    int track = 0, a = 0, b = 0, c = 0;
    long time = 0;
    char type[32] = {};
    char mode[16] = {};
    const int n = std::sscanf(line.c_str(), "%d, %ld, %31[A-Za-z_], %d, %d, %d", &track, &time,
                              type, &a, &b, &c);
    const std::string kind = type;
    if (kind == "Header" && n == 6) lines.push_back("division " + std::to_string(c));
    if (kind == "Tempo" && n >= 4) lines.push_back("tempo " + std::to_string(a));
    if (kind == "Time_signature" && n >= 5)
      lines.push_back("time " + std::to_string(a) + "/" + std::to_string(1 << b));
    if (kind == "Key_signature" &&
        std::sscanf(line.c_str(), "%*d, %*d, Key_signature, %d, \"%15[a-z]\"", &a, mode) == 2)
      lines.push_back("key " + std::to_string(keyIndex(a, std::string(mode) == "minor")));
    if ((kind == "Note_on_c" || kind == "Note_off_c") && n == 6)
      lines.push_back(noteLine(track, time, kind == "Note_on_c" && c > 0, a, b, c));
  }
  return true;
}

bool midoListing(const fs::path& file, Lines& lines) {
  static const std::string python = findMidoPython();
  static const char* script = R"(
import sys, mido
f = mido.MidiFile(sys.argv[1])
print('division', f.ticks_per_beat)
pcs = {'C': 0, 'D': 2, 'E': 4, 'F': 5, 'G': 7, 'A': 9, 'B': 11}
for i, track in enumerate(f.tracks):
    t = 0
    for m in track:
        t += m.time
        if m.type == 'set_tempo': print('tempo', m.tempo)
        elif m.type == 'time_signature': print('time %d/%d' % (m.numerator, m.denominator))
        elif m.type == 'key_signature':
            k = m.key
            pc = (pcs[k[0]] + k[1:].count('#') - (1 if k[1:2] == 'b' else 0)) % 12
            print('key', pc + (12 if k.endswith('m') else 0))
        elif m.type in ('note_on', 'note_off'):
            on = m.type == 'note_on' and m.velocity > 0
            print(i + 1, t, 'on' if on else 'off', m.channel, m.note, m.velocity)
)";
  std::string output;
  if (python.empty() ||
      run(quoted(python) + " -c " + quoted(script) + " " + quoted(file.string()), output) != 0)
    return false;
  std::istringstream text(output);
  for (std::string line; std::getline(text, line);) lines.push_back(line);
  return true;
}

TEST(ThirdPartyTools, ParserNoteEventsAgreeWithMidicsv) {
  if (findProgram("midicsv").empty()) GTEST_SKIP() << "midicsv (Debian package midicsv) not found";
  struct Collector : MidiEventHandler {
    Lines lines;
    int track = 0;
    void trackStart(int t) override { track = t + 1; }
    void noteOn(const MidiMessage& m) override { add(m, true); }
    void noteOff(const MidiMessage& m) override { add(m, false); }
    void add(const MidiMessage& m, bool on) {
      lines.push_back(noteLine(track, m.time, on, m.channel(), m.data1, m.data2));
    }
  };
  int compared = 0;
  for (const auto& entry : fs::directory_iterator(suite::test::dataPath("midi"))) {
    if (entry.path().extension() != ".mid") continue;
    SCOPED_TRACE(entry.path().filename().string());
    Lines theirs;
    Collector ours;
    const bool parsed = readMidiFile(entry.path().string(), ours);
    if (!midicsvListing(entry.path(), theirs)) {
      EXPECT_FALSE(parsed);  // no MIDI file for midicsv, none for us
      continue;
    }
    theirs.erase(std::remove_if(theirs.begin(), theirs.end(),
                                [](const std::string& l) { return !std::isdigit(l[0]); }),
                 theirs.end());
    if (!parsed) {
      // After an error the parser stops; what it delivered until then agrees.
      ASSERT_LE(ours.lines.size(), theirs.size());
      theirs.resize(ours.lines.size());
    }
    EXPECT_EQ(ours.lines, theirs);
    compared += parsed;
  }
  EXPECT_GE(compared, 12);
}

TEST(ThirdPartyTools, ReadWrittenFiles) {
  // Six eighths of a G major jig in 6/8 at 240 ticks per eighth, 250 ms per
  // eighth: 480 ticks and 500000 microseconds per quarter note.
  model::ConverterMelody m = suite::test::melodyFromTicks(
      {{0, 240, 67}, {240, 240, 71}, {480, 240, 74}, {720, 480, 79}, {1200, 200, 78}}, 240, 250);
  m.key = 7;
  m.setSignature(6, 8);
  ASSERT_TRUE(m.quantise(0));
  Lines expected{"division 480", "key 7", "time 6/8", "tempo 500000"};
  for (std::size_t i = 0; i < m.size(); ++i) {
    const int pitch = m.notes[i].pitch;
    expected.push_back(noteLine(2, m.notes[i].ticks, true, 0, pitch, 127));
    expected.push_back(noteLine(2, m.notes[i].ticks + m.durationTicks(i), false, 0, pitch, 0));
  }

  const suite::test::ScratchDir dir;
  const std::vector<std::uint8_t> bytes = test::writtenBytes(m);
  const fs::path file =
      dir.write("jig.mid", std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                            bytes.size()));
  int tools = 0;
  for (const auto& [name, listing] :
       {std::pair{"midicsv", &midicsvListing}, std::pair{"mido", &midoListing}}) {
    SCOPED_TRACE(name);
    Lines lines;
    if (!listing(file, lines)) continue;
    ++tools;
    EXPECT_EQ(lines, expected);
  }
  if (tools < 2) GTEST_SKIP() << "midicsv or python3-mido missing: " << tools << " of 2 checked";
}

TEST(ThirdPartyTools, RealFilesSurviveAReadWriteRead) {
  for (const char* name : {"DowntheGortRoadreel.mid", "TipperaryHills.mid", "BeautySpotreelThe.mid"}) {
    SCOPED_TRACE(name);
    const std::string original = suite::test::readTextFile(suite::test::dataPath(std::string("midi/") + name));
    const test::MelodyRead first = test::readBytes(
        std::span(reinterpret_cast<const std::uint8_t*>(original.data()), original.size()));
    ASSERT_TRUE(first.ok) << first.error;
    const model::ConverterMelody& a = first.melody;
    const test::MelodyRead second = test::readBytes(test::writtenBytes(a));
    ASSERT_TRUE(second.ok) << second.error;
    const model::ConverterMelody& b = second.melody;
    EXPECT_EQ(b.pitches(), a.pitches());
    EXPECT_EQ(b.interOnsetTicks(), a.interOnsetTicks());
    EXPECT_EQ(b.durationTicks(), a.durationTicks());
    EXPECT_EQ(b.firstNoteOffset(), a.firstNoteOffset());
    EXPECT_EQ(b.positions()[5], a.positions()[5]);
    EXPECT_EQ(b.ticksPerBeat, a.ticksPerBeat);
    EXPECT_EQ(b.tempo(), a.tempo());
    EXPECT_EQ(b.key, a.key);
    EXPECT_EQ(b.numerator, a.numerator);
    EXPECT_EQ(b.denominator, a.denominator);
  }
}

}  // namespace
}  // namespace suite::tuneport::midi
