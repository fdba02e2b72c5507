// The note events of the parser agree with what the midicsv program (Debian
// package midicsv) lists for the real files of the test data.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tuneport/midi/midi_file_parser.h"

namespace suite::tuneport::midi {
namespace {

namespace fs = std::filesystem;

// One note event: track (from 1, as midicsv counts), time, channel, pitch,
// velocity, and whether it starts a note (a note-on with velocity above 0).
struct Note {
  int track;
  long time;
  int channel;
  int pitch;
  int velocity;
  bool on;
  bool operator==(const Note&) const = default;
};

std::string describe(const Note& n) {
  std::ostringstream text;
  text << n.track << ", " << n.time << ", " << (n.on ? "on" : "off") << ", " << n.channel << ", "
       << n.pitch << ", " << n.velocity;
  return text.str();
}

class NoteCollector : public MidiEventHandler {
 public:
  std::vector<Note> notes;
  void trackStart(int track) override { track_ = track + 1; }
  void noteOn(const MidiMessage& m) override { add(m, true); }
  void noteOff(const MidiMessage& m) override { add(m, false); }

 private:
  void add(const MidiMessage& m, bool on) {
    notes.push_back({track_, m.time, m.channel(), m.data1, m.data2, on});
  }
  int track_ = 0;
};

fs::path findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const fs::path candidate = fs::path(dir.empty() ? "." : dir) / name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

// Runs midicsv on \a file; false when it rejects the file.
bool runMidicsv(const fs::path& program, const fs::path& file, std::vector<Note>& notes) {
  std::string quoted = "'";
  for (const char c : file.string()) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  quoted += "'";
  const std::string command = "'" + program.string() + "' " + quoted + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return false;
  std::string output;
  char chunk[4096];
  std::size_t n = 0;
  while ((n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0) output.append(chunk, n);
  const int status = ::pclose(pipe);

  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    int track = 0;
    long time = 0;
    char type[32] = {};
    int channel = 0;
    int pitch = 0;
    int velocity = 0;
    if (std::sscanf(line.c_str(), "%d, %ld, %31[A-Za-z_], %d, %d, %d", &track, &time, type,
                    &channel, &pitch, &velocity) != 6) {
      continue;
    }
    const std::string kind = type;
    if (kind == "Note_on_c" || kind == "Note_off_c") {
      notes.push_back({track, time, channel, pitch, velocity, kind == "Note_on_c" && velocity > 0});
    }
  }
  return status == 0;
}

TEST(MidicsvAgreement, NoteEventsOfRealFiles) {
  const fs::path midicsv = findProgram("midicsv");
  if (midicsv.empty()) {
    GTEST_SKIP() << "midicsv not found on PATH (Debian package midicsv); nothing compared";
  }
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(suite::test::dataPath("midi"))) {
    if (entry.path().extension() == ".mid") files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());

  int agreeing = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.filename().string());
    std::vector<Note> expected;
    const bool theirs = runMidicsv(midicsv, file, expected);
    NoteCollector collector;
    const bool ours = readMidiFile(file.string(), collector);
    if (!theirs) {
      // What midicsv rejects as no MIDI file at all, the parser rejects too.
      EXPECT_FALSE(ours);
      continue;
    }
    const std::vector<Note>& got = collector.notes;
    if (ours) {
      EXPECT_EQ(got.size(), expected.size());
      ++agreeing;
    } else {
      // After an error the parser stops; what it delivered until then agrees.
      EXPECT_LE(got.size(), expected.size());
    }
    const std::size_t common = std::min(got.size(), expected.size());
    for (std::size_t i = 0; i < common; ++i) {
      if (!(got[i] == expected[i])) {
        ADD_FAILURE() << "note event " << i << ": parser " << describe(got[i]) << ", midicsv "
                      << describe(expected[i]);
        break;
      }
    }
  }
  // Most of the files are sound; they must all have been compared in full.
  EXPECT_GE(agreeing, 12);
}

}  // namespace
}  // namespace suite::tuneport::midi
