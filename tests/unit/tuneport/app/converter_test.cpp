// tuneport's command line, format and file-name rules, outputs that fail,
// and one run per golden case folder below tests/golden/tuneport/cases.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/test_support.h"
#include "tuneport/app.h"
#include "tuneport/cli.h"
#include "tuneport/converter.h"
#include "tuneport/driver.h"

namespace suite::tuneport {
namespace {

struct Result {
  int status;
  std::string out;
  std::string err;
};

Result runTuneport(const std::vector<std::string>& words, const std::string& input = "") {
  std::vector<std::string> args{"tuneport"};
  args.insert(args.end(), words.begin(), words.end());
  std::istringstream in(input);
  std::ostringstream out;
  std::ostringstream err;
  const int status = run(args, {out, err, in});
  return {status, out.str(), err.str()};
}

TEST(Formats, NamesExtensionsAndOutputNames) {
  EXPECT_EQ(formatFromName("mi"), kMidiFormat);
  EXPECT_EQ(formatFromName("c"), kEsacFormat);  // a part of "esac"
  EXPECT_EQ(formatFromName("sv"), kCsvFormat);
  EXPECT_EQ(formatFromName("gnu"), kGnuplotFormat);
  EXPECT_EQ(formatFromName("note"), kNotesFormat);
  EXPECT_EQ(formatFromName("xyz"), kNoFormat);
  EXPECT_EQ(formatFromName("midis"), kNoFormat);

  EXPECT_EQ(formatOfFile("My Song.MID"), kMidiFormat);
  EXPECT_EQ(formatOfFile("dir.v2/tune.Notes"), kNotesFormat);
  EXPECT_EQ(formatOfFile("a.esac"), kNoFormat);
  EXPECT_EQ(formatOfFile("dir.mid/tune"), kNoFormat);
  EXPECT_EQ(formatOfFile("tune"), kNoFormat);

  EXPECT_EQ(outputFileName("My Song.MID", kCsvFormat), "My_Song.csv");
  EXPECT_EQ(outputFileName("my dir/a.b.esa", kMidiFormat), "my_dir/a.b.mid");
  EXPECT_EQ(outputFileName("tune", kNotesFormat), "tunenotes");
  EXPECT_EQ(outputFileName("tune.mid", kNoFormat), "tune.");
}

TEST(CommandLine, ValuesAndTheirDefaults) {
  const auto settingsOf = [](std::vector<std::string> words) {
    words.insert(words.begin(), "tuneport");
    const ParseResult r = parseCommandLine(words);
    EXPECT_EQ(r.status, ParseResult::Status::Run);
    return r.options;
  };
  EXPECT_DOUBLE_EQ(settingsOf({"-t", "60"}).settings.msPerBeat, 1000.0);
  EXPECT_DOUBLE_EQ(settingsOf({"--tempo", "240x"}).settings.msPerBeat, 250.0);
  for (const std::string tempo : {"0", "-5", "abc", "inf"})
    EXPECT_DOUBLE_EQ(settingsOf({"-t", tempo}).settings.msPerBeat, 500.0) << tempo;
  // The last of repeated options counts; -q at the end keeps its default.
  const Options o = settingsOf({"-f", "csv", "-f", "mid", "-q", "12", "-c", "1,5", "-p", "2x",
                                "--track", "3", "-s", "-x", "-o", "out", "-q"});
  EXPECT_EQ(o.outputFormat, kMidiFormat);
  EXPECT_EQ(o.settings.quantize, 12);
  EXPECT_DOUBLE_EQ(o.settings.cut, 1.0);
  EXPECT_EQ(o.settings.phrase, 2);
  EXPECT_EQ(o.settings.track, 3);
  EXPECT_TRUE(o.settings.segment && o.settings.ignoreTempoChanges && o.outputGiven);
  EXPECT_EQ(settingsOf({"-I"}).outputFormat, kNoFormat);
}

TEST(CommandLine, HelpAndMistakes) {
  const std::string usage = test::readTextFile(test::goldenPath("tuneport/usage.txt"));
  for (const std::string help : {"-h", "-?", "--help"}) {
    const Result r = runTuneport({"-f", "csv", help, "-y"});  // help ends the parse at once
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, usage);
    EXPECT_EQ(r.err, "");
  }
  const std::pair<std::vector<std::string>, std::string> mistakes[] = {
      {{}, ""},
      {{"-y"}, "Unknown option -y\n"},
      {{"-f", "csv", "--stdin", "-I", "in.mid"}, "Unknown argument in.mid\n"},
      {{"-f", "csv", "-i"}, "Missing value for -i\n"},
      {{"--track"}, "Missing value for --track\n"},
  };
  for (const auto& [words, message] : mistakes) {
    const Result r = runTuneport(words);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, message + usage);
  }
}

// Every output format, to a full device and into a missing folder: the
// conversion fails with one message naming the file and the reason.
TEST(Outputs, FailedWritesAreReported) {
  test::ScratchDir dir(true);
  dir.write("tune.notes", "Note 0 500 60\nNote 500 1000 62\nNote 1000 2000 64\n");
  for (const std::string format : {"csv", "gnu", "midi", "esac", "notes"}) {
    SCOPED_TRACE(format);
    Result r = runTuneport({"-f", format, "-i", "tune.notes", "-o", "/dev/full"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.err, "/dev/full: I/O error during write: No space left on device\n");
    EXPECT_EQ(r.out.find("Successfully"), std::string::npos);
    r = runTuneport({"-f", format, "-i", "tune.notes", "-o", "no-dir/out"});
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.err, "no-dir/out: Could not open file: No such file or directory\n");
  }
  // In batch mode the message, then the next name.
  dir.write("sub/tune.notes", "Note 0 500 60\n");
  std::filesystem::create_directories(dir.path() / "sub/tune.csv");
  const Result batch = runTuneport({"-f", "csv", "-I"}, "sub/tune.notes tune.notes");
  EXPECT_EQ(batch.status, 1);
  EXPECT_EQ(batch.err,
            "Processing sub/tune.notes...\nsub/tune.csv: Could not open file: Is a directory\n"
            "Processing tune.notes...\ntune.csv written\n");
}

TEST(Outputs, FailedStandardOutputFailsTheConversion) {
  test::ScratchDir dir(true);
  dir.write("tune.notes", "Note 0 500 60\n");
  test::FullDeviceBuffer buffer;  // like a closed or full standard output
  std::ostream out(&buffer);
  std::ostringstream err;
  std::istringstream in("tune.notes tune.notes");
  EXPECT_EQ(run({"tuneport", "-f", "csv", "-i", "tune.notes"}, {out, err, in}), -1);
  EXPECT_EQ(err.str(), "Standard output: I/O error during write\n");
  // Batch mode says it once and goes on.
  std::ostream batchOut(&buffer);
  std::ostringstream batchErr;
  EXPECT_EQ(run({"tuneport", "-f", "csv", "-I"}, {batchOut, batchErr, in}), 1);
  EXPECT_EQ(batchErr.str(),
            "Processing tune.notes...\ntune.csv written\nStandard output: I/O error during write\n"
            "Processing tune.notes...\ntune.csv written\n");
}

TEST(Batch, WordsAndOverlongNames) {
  std::istringstream in("  a.mid\tb.csv 2\nc");
  std::string word;
  for (const std::string expected : {"a.mid", "b.csv", "2", "c"}) {
    ASSERT_TRUE(nextWord(in, word, 10));
    EXPECT_EQ(word, expected);
  }
  EXPECT_FALSE(nextWord(in, word, 10));
  // The rest of the line stays for a track question.
  std::istringstream rest("a.mid 2\n");
  ASSERT_TRUE(nextWord(rest, word, 10));
  EXPECT_EQ(rest.get(), ' ');

  const std::string longName(kMaxBatchName + 1, 'x');
  const std::string longest = std::string(kMaxBatchName - 4, 'x') + ".xyz";
  const Result r = runTuneport({"-f", "csv", "-I"}, longName + ".csv " + longest);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, std::string(60, 'x') + "...: File name too long\nProcessing " + longest +
                       "...\nUnrecognized input format!\n");
}

class TuneportGolden : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(TuneportGolden, MatchesExpected) {
  test::runGoldenCase(
      GetParam(), "tuneport",
      [](const std::vector<std::string>& args, std::istream& in, std::ostream& out,
         std::ostream& err) { return run(args, {out, err, in}); },
      [](const std::string& text) { return text; });
}

const std::filesystem::path kCases = test::goldenPath("tuneport/cases");
INSTANTIATE_TEST_SUITE_P(Cases, TuneportGolden, ::testing::ValuesIn(test::goldenCases(kCases)),
                         test::CaseNamer{kCases});

}  // namespace
}  // namespace suite::tuneport
