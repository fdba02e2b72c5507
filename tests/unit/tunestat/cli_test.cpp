// tunestat runs: one test per golden case folder, the validation messages with
// the usage text, the timing line and the transform file names.
#include <gtest/gtest.h>

#include <regex>

#include "analysis/features.h"
#include "support/melodies.h"
#include "support/test_support.h"
#include "tunestat/app.h"
#include "tunestat/cli.h"
#include "tunestat/output_formats.h"

namespace suite::tunestat {
namespace {

// Clocks that stand still, and an error stream that is no terminal.
int runTunestat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, {[] { return 0.0; }, [] { return 0u; }});
}

class TunestatGolden : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(TunestatGolden, MatchesExpected) {
  test::runGoldenCase(
      GetParam(), "tunestat",
      [](const std::vector<std::string>& args, std::istream&, std::ostream& out,
         std::ostream& err) { return runTunestat(args, out, err); },
      [](const std::string& text) {
        static const std::regex timing("Task completed in [^ \n]* s\n");
        return std::regex_replace(text, timing, "Task completed in <time> s\n");
      });
}

const std::filesystem::path kCases = test::goldenPath("tunestat/cases");
INSTANTIATE_TEST_SUITE_P(Cases, TunestatGolden, ::testing::ValuesIn(test::goldenCases(kCases)),
                         test::CaseNamer{kCases});

class TunestatCli : public test::ProgramTest {
 protected:
  TunestatCli() : ProgramTest("tunestat", runTunestat) {}
};

TEST_F(TunestatCli, ValidationErrorsPrintMessageAndUsage) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"x.csv"}, "Features missing. Need something"},
      {{"-f"}, "Features missing. Need something"},  // the option lacks its value: absent
      {{"-f", "", "x.csv"}, "Features missing. Need a file or names"},
      {{"-t", ""}, "File name missing"},
      {{"-g", "abc", "-f", "length", "x"}, "Quantization parameter missing."},
      {{"-g", "-6", "-f", "length", "x"}, "Quantization level must be at least 1"},
      {{"-o", "", "-f", "length", "x"}, "Outputfile name missing."},
      {{"-m", "", "-f", "length", "x"}, "Mode parameter missing ('t'ransform or 'f'eature)."},
      {{"-m", "F", "-f", "length", "x"},
       "Unknown mode parameter (can be 't'ransform or 'f'eature)."},
      {{"-r", "", "-f", "length", "x"},
       "Format parameter missing ('C'SV, 'R', 'A'RFF, or 'G'NUPLOT)."},
      {{"-r", "x", "-f", "length", "x"},
       "Unknown format parameter (can be 'C'SV, 'R', 'A'RFF, or 'G'NUPLOT)"},
      {{"-d", "", "-f", "length", "x"}, "Float format missing ('.' (English) or ',' (German)"},
      {{"-d", ";", "-f", "length", "x"},
       "Unknown float format (can be '.' (English) or ',' (German)"},
      {{"-f", "length", "-l", ""}, "File name missing"},
      // The checks come in a fixed order.
      {{"-g", "x", "-o", ""}, "Quantization parameter missing."},
      {{"-o", "", "-m", "x"}, "Outputfile name missing."},
      {{"-m", "x", "-r", "x"}, "Unknown mode parameter (can be 't'ransform or 'f'eature)."},
      {{"-r", "x", "-d", "x"},
       "Unknown format parameter (can be 'C'SV, 'R', 'A'RFF, or 'G'NUPLOT)"},
      {{"-d", "x"}, "Unknown float format (can be '.' (English) or ',' (German)"},
  };
  const std::string usage = test::readTextFile(test::goldenPath("tunestat/usage.txt"));
  EXPECT_EQ(std::string(kUsageText), usage);
  for (const auto& [words, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const test::ProgramResult r = run(words);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "");
    test::expectSameText(message + "\n" + usage, r.err, "stderr");
  }
  EXPECT_EQ(run({"-f", "length", "-l", "no.lst"}).err, "Could not open no.lst\n");  // no usage
}

// The timing line reports the processor time of the processing mode in whole
// milliseconds.
TEST(TunestatTiming, UsesTheGivenClock) {
  int calls = 0;
  const text::RunEnvironment clock{[&calls] { return calls++ == 0 ? 500.0 : 1734.9; },
                                   [] { return 0u; }};
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run({"tunestat", "-f", "length", "missing.csv"}, out, err, clock), 1);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(err.str().ends_with("Task completed in 1.234 s\n")) << err.str();
}

// The notes of the -e listing must agree with what the features compute.
TEST(FeatureShape, AgreesWithTheComputedValues) {
  const core::Melody m =
      test::melodyOf({60, 62, 64, 65, 67, 65, 64, 62, 60}, {2, 1, 1, 2, 2, 1, 1, 2, 4});
  for (const analysis::FeatureDef& feature : analysis::featureTable) {
    SCOPED_TRACE(feature.name);
    const std::size_t n = analysis::computeFeature(m, feature).size();
    switch (featureShape(feature)) {
      case FeatureShape::PerNote:
        EXPECT_EQ(n, m.pitches.size());
        break;
      case FeatureShape::PerSplit:  // of the pitches, intervals or durations
        EXPECT_GT(n, 1u);
        EXPECT_LT(n, m.pitches.size());
        break;
      case FeatureShape::Single:
        EXPECT_LE(n, 1u);
        break;
    }
  }
}

// Rows, reports and listings on a standard output that fails: reported once,
// status 1, and no "Task completed" line.
TEST(TunestatOutputs, FailingStandardOutputEndsTheRunWithStatusOne) {
  const std::string melody = test::dataPath("melodies/TipperaryHills.csv").string();
  const std::string banner = "tunestat v1.0.16" + std::string(kCredits) + "\n\nNumber of files: 1\n";
  const std::string full = "standard output: No space left on device\n";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"tunestat", "-f", "length", melody}, banner + "Error writing standard output\n" + full},
      {{"tunestat", "-m", "t", "-f", "pitch-raw", melody},
       banner + "Error writing standard output\n" + full},
      {{"tunestat", "-t", melody}, "Error writing standard output\n" + full},
      {{"tunestat", "-p"}, "Error writing standard output\n" + full},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args.back());
    test::FullDeviceBuffer device(8);
    std::ostream out(&device);
    std::ostringstream err;
    EXPECT_EQ(runTunestat(args, out, err), 1);
    EXPECT_EQ(err.str(), message);
  }
}

TEST(TransformFileName, StemsOfTheLastPathComponent) {
  EXPECT_EQ(transformFileName("dir/song.csv", "t"), "dir/song_t.csv");
  EXPECT_EQ(transformFileName("a.b.csv", "t"), "a.b_t.csv");
  EXPECT_EQ(transformFileName("./song", "t"), "./song_t.csv");
  EXPECT_EQ(transformFileName("../tables.v2/song", "t"), "../tables.v2/song_t.csv");
}

}  // namespace
}  // namespace suite::tunestat
