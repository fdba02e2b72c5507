// Batch mode with a progress line, and name lists that are no lists of names.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tuneport/app.h"
#include "tuneport/driver.h"

namespace suite::tuneport {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

// A wall clock that moves \a step seconds at every reading, from 0.
text::RunEnvironment steppingClock(double step, bool terminal) {
  text::RunEnvironment environment;
  environment.wallSeconds = [step, now = -step]() mutable { return now += step; };
  environment.errorIsTerminal = terminal;
  return environment;
}

Result runBatch(const std::vector<std::string>& words, const std::string& names,
                const text::RunEnvironment& environment) {
  std::vector<std::string> args{"tuneport"};
  args.insert(args.end(), words.begin(), words.end());
  std::istringstream in(names);
  std::ostringstream out;
  std::ostringstream err;
  const int status = run(args, {out, err, in}, environment);
  return {status, out.str(), err.str()};
}

constexpr std::string_view kTune = "Note 0 500 60\nNote 500 1000 62\n";

// Off a terminal: a plain line whenever five seconds have passed, between
// the files' own messages, and the closing line.
TEST(BatchProgress, PlainLinesBetweenTheFiles) {
  test::ScratchDir dir(true);
  dir.write("a.notes", kTune);
  const Result r =
      runBatch({"-f", "csv", "--progress", "-I"}, "a.notes\nb.xyz\n", steppingClock(6.0, false));
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Processing a.notes...\na.csv written\n"
            "Progress: 1 of 2 files (50%), 0.2 files/s, 0:00:06 left\n"
            "Processing b.xyz...\nUnrecognized input format!\n"
            "Progress: 2 of 2 files (100%), 0.2 files/s\n"
            "Progress: 2 of 2 files (100%), 0.1 files/s, done in 0:00:18\n");
  // Without the option the same run has no progress line.
  const Result plain = runBatch({"-f", "csv", "-I"}, "a.notes\nb.xyz\n", steppingClock(6.0, false));
  EXPECT_EQ(plain.status, 1);
  EXPECT_EQ(plain.err.find("Progress"), std::string::npos);
  EXPECT_NE(plain.err.find("Processing b.xyz"), std::string::npos);
}

// On a terminal the line rewrites itself and is wiped before each file's
// messages, so that they never run into it; every name counts, also the
// ones that fail or are too long.
TEST(BatchProgress, SelfUpdatingLineIsWipedBeforeMessages) {
  test::ScratchDir dir(true);
  dir.write("a.notes", kTune);
  const std::string longName(kMaxBatchName + 1, 'x');
  const Result r = runBatch({"-f", "csv", "--progress", "-I"},
                            "a.notes " + longName + " missing.notes", steppingClock(1.0, true));
  EXPECT_EQ(r.status, 1);
  const std::string first = "Progress: 1 of 3 files (33%), 1.0 files/s, 0:00:02 left";
  const std::string second = "Progress: 2 of 3 files (66%), 1.0 files/s, 0:00:01 left";
  const std::string wipe = std::string("\r").append(first.size(), ' ').append("\r");
  EXPECT_EQ(r.err, "Processing a.notes...\na.csv written\n"
                   "\r" + first + wipe +
                   std::string(60, 'x') + "...: File name too long\n"
                   "\r" + second + wipe +
                   "Processing missing.notes...\nCould not open missing.notes\n"
                   "\rProgress: 3 of 3 files (100%), 1.0 files/s"
                   "\rProgress: 3 of 3 files (100%), 0.8 files/s, done in 0:00:04\n");
}

// Binary input ends the run at its NUL byte, with or without the count; the
// names before it are converted when they are read one by one.
TEST(BatchProgress, NulByteEndsTheNameList) {
  test::ScratchDir dir(true);
  dir.write("a.notes", kTune);
  const std::string names("a.notes \0\0\0 b.notes", 19);
  const std::string message = "Standard input: not a list of file names (NUL byte)\n";
  const Result streamed = runBatch({"-f", "csv", "-I"}, names, {});
  EXPECT_EQ(streamed.status, -1);
  EXPECT_EQ(streamed.err, "Processing a.notes...\na.csv written\n" + message);
  const Result counted = runBatch({"-f", "csv", "--progress", "-I"}, names, {});
  EXPECT_EQ(counted.status, -1);
  EXPECT_EQ(counted.err, message);
  // A NUL inside a name is caught as well.
  const Result inside = runBatch({"-f", "csv", "-I"}, std::string("x\0y.notes", 9), {});
  EXPECT_EQ(inside.status, -1);
  EXPECT_EQ(inside.err, message);
}

TEST(BatchProgress, RefusesMoreNamesThanItCounts) {
  std::string names;
  for (std::size_t i = 0; i <= kMaxCountedNames; ++i) names += "a\n";
  const Result r = runBatch({"-f", "csv", "--progress", "-I"}, names, {});
  EXPECT_EQ(r.status, -1);
  EXPECT_EQ(r.err, std::string(kTooManyNamesText) + "\n");
  // An empty list is counted too.
  const Result none = runBatch({"-f", "csv", "--progress", "-I"}, "", {});
  EXPECT_EQ(none.status, 1);
  EXPECT_EQ(none.err, "Progress: 0 of 0 files (100%), done in 0:00:00\n");
}

}  // namespace
}  // namespace suite::tuneport
