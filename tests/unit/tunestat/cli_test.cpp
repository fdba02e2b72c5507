// tunestat's command line: settings, validation messages with the usage text,
// and whole runs of the program front end.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>

#include "support/test_support.h"
#include "tunestat/app.h"
#include "tunestat/cli.h"

namespace suite::tunestat {
namespace {

std::vector<std::string> withProgram(std::vector<std::string> words) {
  words.insert(words.begin(), "tunestat");
  return words;
}

std::string usageText() { return test::readTextFile(test::goldenPath("tunestat/usage.txt")); }

std::vector<int> rowsOf(const analysis::FeatureSelection& selection) {
  std::vector<int> rows;
  for (const analysis::FeatureDef* f : selection) {
    rows.push_back(static_cast<int>(f - analysis::featureTable.data()));
  }
  return rows;
}

// A scratch working directory with a file list and a features file.
class TunestatCli : public ::testing::Test {
 protected:
  TunestatCli() : dir_(true) {
    dir_.write("a.lst", "m1.csv  \n;m0.csv\n\nm2.csv\n");
    dir_.write("feats.txt", "length\nambitus\n");
  }

  struct Settled {
    std::optional<int> status;
    StatSettings settings;
    std::string out;
    std::string err;
  };

  static Settled settle(const std::vector<std::string>& words) {
    Settled s;
    std::ostringstream out;
    std::ostringstream err;
    s.status = readSettings(withProgram(words), s.settings, out, err);
    s.out = out.str();
    s.err = err.str();
    return s;
  }

 private:
  test::ScratchDir dir_;
};

TEST_F(TunestatCli, Defaults) {
  const Settled s = settle({"-f", "pitch-avg", "x.csv"});
  EXPECT_FALSE(s.status);
  EXPECT_EQ(s.err, "");
  EXPECT_FALSE(s.settings.tonalityFile);
  EXPECT_EQ(s.settings.mode, Mode::Feature);
  const OutputSettings& o = s.settings.output;
  EXPECT_EQ(o.format, OutputFormat::Csv);
  EXPECT_EQ(o.decimalMark, DecimalMark::Comma);
  EXPECT_TRUE(o.header);
  EXPECT_EQ(o.outputName, "");
  EXPECT_EQ(o.quantLevel, 24);
  EXPECT_EQ(rowsOf(s.settings.features), std::vector<int>{72});
  EXPECT_EQ(s.settings.files, std::vector<std::string>{"x.csv"});
}

TEST_F(TunestatCli, EveryOptionSetsItsSetting) {
  const Settled s = settle({"-n", "-g", "12", "-o", "base", "-m", "transform", "-r", "gnuplot",
                            "-d", ".", "-f", "length;ambitus", "-l", "a.lst"});
  EXPECT_FALSE(s.status);
  EXPECT_EQ(s.err, "");
  const OutputSettings& o = s.settings.output;
  EXPECT_FALSE(o.header);
  EXPECT_EQ(o.quantLevel, 12);
  EXPECT_EQ(o.outputName, "base");
  EXPECT_EQ(s.settings.mode, Mode::Transform);
  EXPECT_EQ(o.format, OutputFormat::Gnuplot);
  EXPECT_EQ(o.decimalMark, DecimalMark::Point);
  EXPECT_EQ(rowsOf(s.settings.features), (std::vector<int>{58, 70}));
  EXPECT_EQ(s.settings.files, (std::vector<std::string>{"m1.csv", "m2.csv"}));
}

TEST_F(TunestatCli, LongOptionNames) {
  const Settled s = settle({"--no-header", "--quant", "6", "--output", "o.csv", "--mode", "f",
                            "--R", "r", "--decimal", ",", "--features", "feats.txt", "--list",
                            "a.lst"});
  EXPECT_FALSE(s.status);
  const OutputSettings& o = s.settings.output;
  EXPECT_FALSE(o.header);
  EXPECT_EQ(o.quantLevel, 6);
  EXPECT_EQ(o.outputName, "o.csv");
  EXPECT_EQ(o.format, OutputFormat::R);
  EXPECT_EQ(o.decimalMark, DecimalMark::Comma);
  EXPECT_EQ(rowsOf(s.settings.features), (std::vector<int>{58, 70}));
  EXPECT_EQ(s.err, "Added feature \"length\".\nAdded feature \"ambitus\".\n");
}

TEST_F(TunestatCli, FormatLetterIgnoresCaseModeLetterDoesNot) {
  const struct {
    const char* value;
    OutputFormat format;
  } formats[] = {{"csv", OutputFormat::Csv},   {"C", OutputFormat::Csv},
                 {"r", OutputFormat::R},       {"R", OutputFormat::R},
                 {"arff", OutputFormat::Arff}, {"ARFF", OutputFormat::Arff},
                 {"gnuplot", OutputFormat::Gnuplot}, {"Gx", OutputFormat::Gnuplot}};
  for (const auto& c : formats) {
    SCOPED_TRACE(c.value);
    const Settled s = settle({"-r", c.value, "-f", "length", "x.csv"});
    EXPECT_FALSE(s.status);
    EXPECT_EQ(s.settings.output.format, c.format);
  }
  EXPECT_EQ(settle({"-m", "t", "-f", "length", "x.csv"}).settings.mode, Mode::Transform);
  EXPECT_EQ(settle({"-m", "feature", "-f", "length", "x.csv"}).settings.mode, Mode::Feature);
  EXPECT_EQ(settle({"-d", ",x", "-f", "length", "x.csv"}).settings.output.decimalMark,
            DecimalMark::Comma);
}

TEST_F(TunestatCli, TonalityTakesTheWordAfterTheOption) {
  const struct {
    std::vector<std::string> words;
    std::string file;
  } cases[] = {
      {{"-t", "song.csv"}, "song.csv"},
      {{"--ton", "song.csv"}, "song.csv"},
      {{"-f", "nope", "-t", "song.csv", "-m", "x"}, "song.csv"},  // nothing else is checked
      {{"-t", "-f", "length", "x.csv"}, "-f"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const Settled s = settle(c.words);
    EXPECT_FALSE(s.status);
    EXPECT_EQ(s.err, "");
    EXPECT_EQ(s.settings.tonalityFile, c.file);
  }
}

TEST_F(TunestatCli, HelpAndListingsEndTheRun) {
  const Settled help = settle({"-f", "length", "-h", "x.csv"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.out, "");
  EXPECT_EQ(help.err, usageText());
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"-p"}, {"-e", "-p"}, {"-p", "-t", "x"}, {"-m", "X", "--print"}}) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const Settled s = settle(words);
    EXPECT_EQ(s.status, 0);
    EXPECT_EQ(s.out, test::readTextFile(test::goldenPath("tunestat/features.txt")));
    EXPECT_EQ(s.err, "");
  }
  const Settled explained = settle({"-e"});
  EXPECT_EQ(explained.status, 0);
  EXPECT_EQ(explained.out,
            test::readTextFile(test::goldenPath("tunestat/features_explained.txt")));
}

TEST_F(TunestatCli, ValidationErrorsPrintMessageAndUsage) {
  const struct {
    std::vector<std::string> words;
    const char* message;
  } cases[] = {
      {{}, "Features missing. Need something"},
      {{"x.csv"}, "Features missing. Need something"},
      {{"-f"}, "Features missing. Need something"},  // the option lacks its value: absent
      {{"-f", "", "x.csv"}, "Features missing. Need a file or names"},
      {{"-t"}, "File name missing"},
      {{"-t", ""}, "File name missing"},
      {{"-g", "", "-f", "length", "x"}, "Quantization parameter missing."},
      {{"-g", "abc", "-f", "length", "x"}, "Quantization parameter missing."},
      {{"-g", "0", "-f", "length", "x"}, "Quantization level must be at least 1"},
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
      {{"-f", "length"}, "File name missing"},
      {{"-f", "length", "-l", ""}, "File name missing"},
      // The checks come in a fixed order.
      {{"-g", "x", "-o", ""}, "Quantization parameter missing."},
      {{"-o", "", "-m", "x"}, "Outputfile name missing."},
      {{"-m", "x", "-r", "x"}, "Unknown mode parameter (can be 't'ransform or 'f'eature)."},
      {{"-r", "x", "-d", "x"},
       "Unknown format parameter (can be 'C'SV, 'R', 'A'RFF, or 'G'NUPLOT)"},
      {{"-d", "x"}, "Unknown float format (can be '.' (English) or ',' (German)"},
  };
  const std::string usage = usageText();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(withProgram(c.words), out, err), -1);
    EXPECT_EQ(out.str(), "");
    test::expectSameText(std::string(c.message) + "\n" + usage, err.str(), "stderr");
  }
}

TEST_F(TunestatCli, UnknownFeaturesAndUnreadableListFile) {
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run(withProgram({"-f", "nope", "x.csv"}), out, err), -1);
  test::expectSameText(
      "Could not open nope\nCould not read eatures definition file\n" + usageText(), err.str(),
      "stderr");

  std::ostringstream err2;
  EXPECT_EQ(run(withProgram({"-f", "length", "-l", "no.lst"}), out, err2), -1);
  EXPECT_EQ(err2.str(), "Could not open no.lst\n");  // no usage text
  EXPECT_EQ(out.str(), "");
}

// The timing line reports the processor time of the processing mode.
TEST_F(TunestatCli, TimingLineUsesTheGivenClock) {
  static int calls = 0;
  calls = 0;
  const ProcessorClock clock = [] { return calls++ == 0 ? 500.0 : 1734.9; };
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run(withProgram({"-f", "length", "missing.csv"}), out, err, clock), 1);
  EXPECT_EQ(calls, 2);
  EXPECT_TRUE(err.str().ends_with("Task completed in 1.234 s\n")) << err.str();
}

// -t prints the tonality report of the file and ignores every other option.
TEST(TunestatTonality, ReportThroughTheProgram) {
  test::ScratchDir dir(true);
  dir.write("empty_bar.csv", test::readTextFile(test::dataPath("melodies/empty_bar.csv")));
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_EQ(run(withProgram({"-g", "x", "-f", "nope", "-t", "empty_bar.csv", "-m", "X"}), out,
                err),
            0);
  EXPECT_EQ(err.str(), "");
  test::expectSameText(
      test::readTextFile(test::goldenPath("analysis/tonality_report_gap.txt")), out.str(),
      "tonality report");

  std::ostringstream out2;
  std::ostringstream err2;
  EXPECT_EQ(run(withProgram({"--ton", "missing.csv"}), out2, err2), 1);
  EXPECT_EQ(out2.str(), "");
  EXPECT_EQ(err2.str(), "Error reading missing.csv\n");
}

std::string maskTime(const std::string& text) {
  static const std::regex timing("Task completed in [^ \n]* s\n");
  return std::regex_replace(text, timing, "Task completed in <time> s\n");
}

TEST(TunestatUsage, MatchesGolden) {
  std::ostringstream err;
  printUsage("", err);
  test::expectMatchesGolden(err.str(), test::goldenPath("tunestat/usage.txt"));
}

TEST(TunestatRun, GoldenCases) {
  const auto root = test::goldenPath("tunestat/cases");
  const auto cases = test::goldenCases(root);
  ASSERT_FALSE(cases.empty());
  for (const auto& dir : cases) {
    SCOPED_TRACE(test::caseName(root, dir));
    test::runGoldenCase(
        dir, "tunestat",
        [](const std::vector<std::string>& args, std::istream&, std::ostream& out,
           std::ostream& err) { return run(args, out, err); },
        maskTime);
  }
}

}  // namespace
}  // namespace suite::tunestat
