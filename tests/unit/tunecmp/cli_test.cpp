// tunecmp's command line: settings, validation messages with the usage text,
// and whole runs of the program front end.
#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"
#include "tunecmp/app.h"
#include "tunecmp/cli.h"

namespace suite::tunecmp {
namespace {

std::vector<std::string> withProgram(std::vector<std::string> words) {
  words.insert(words.begin(), "tunecmp");
  return words;
}

std::string usageText() { return test::readTextFile(test::goldenPath("tunecmp/usage.txt")); }

// A scratch working directory with two file lists.
class TunecmpCli : public ::testing::Test {
 protected:
  TunecmpCli() : dir_(true) {
    dir_.write("a.lst", "m1.csv  \n;m0.csv\n\nm2.csv\r\n");
    dir_.write("b.lst", "n1.csv\n");
  }

  struct Settled {
    std::optional<int> status;
    CompareSettings settings;
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

const std::vector<std::string> kListA = {"m1.csv", "m2.csv"};
const std::vector<std::string> kListB = {"n1.csv"};

TEST_F(TunecmpCli, DefaultsForTwoFiles) {
  const Settled s = settle({"x.csv", "y.csv"});
  EXPECT_FALSE(s.status);
  EXPECT_EQ(s.err, "");
  const CompareSettings& c = s.settings;
  EXPECT_EQ(c.verbosity, 1);
  EXPECT_EQ(c.readerVerbosity, 1);
  EXPECT_EQ(c.threshold, -1.0);
  EXPECT_FALSE(c.append || c.phraseMode || c.writeFileList || c.matrixOutput);
  EXPECT_EQ(c.randomCount, 0);
  EXPECT_EQ(c.quantLevel, 24);
  EXPECT_EQ(c.outputDirectory, "");
  EXPECT_EQ(c.fieldSeparator, ";");
  EXPECT_TRUE(c.transpositionSearch);
  EXPECT_EQ(c.typesFile, "types.ini");
  EXPECT_TRUE(c.decimalComma);
  EXPECT_EQ(c.fileList1, std::vector<std::string>{"x.csv"});
  EXPECT_EQ(c.fileList2, std::vector<std::string>{"y.csv"});
  EXPECT_FALSE(c.sameList || c.nextOnly || c.queryMode);
  EXPECT_EQ(c.resultFile, "");
}

TEST_F(TunecmpCli, EveryOptionSetsItsSetting) {
  const Settled s = settle({"-th", "0.8", "-a", "-P", "-l", "-r", "5", "-g", "20", "-D", "outdir",
                            "-FS", ",", "-M", "-n", "-t", "my.ini", "-d", ".x", "x.csv",
                            "y.csv"});
  EXPECT_FALSE(s.status);
  EXPECT_EQ(s.err, "");  // 20 is divisible by 2: no level warning
  const CompareSettings& c = s.settings;
  EXPECT_EQ(c.threshold, 0.8);
  EXPECT_TRUE(c.append && c.phraseMode && c.writeFileList && c.matrixOutput);
  EXPECT_EQ(c.randomCount, 5);
  EXPECT_EQ(c.quantLevel, 20);
  EXPECT_EQ(c.outputDirectory, "outdir");
  EXPECT_EQ(c.fieldSeparator, ",");
  EXPECT_FALSE(c.transpositionSearch);
  EXPECT_EQ(c.typesFile, "my.ini");
  EXPECT_FALSE(c.decimalComma);
}

TEST_F(TunecmpCli, LongOptionNames) {
  const Settled s = settle({"--field-separator", "\t", "--decimal", ",.", "--quant", "12",
                            "--no-transpose", "--all-file", "a.lst"});
  EXPECT_FALSE(s.status);
  EXPECT_EQ(s.settings.fieldSeparator, "\t");
  EXPECT_TRUE(s.settings.decimalComma);
  EXPECT_EQ(s.settings.quantLevel, 12);
  EXPECT_FALSE(s.settings.transpositionSearch);
  EXPECT_EQ(s.settings.fileList1, kListA);
}

TEST_F(TunecmpCli, Verbosity) {
  const struct {
    std::vector<std::string> words;
    int verbosity;
    int readerVerbosity;
  } cases[] = {
      {{"x", "y"}, 1, 1},
      {{"-s", "x", "y"}, 0, 0},
      {{"-v", "x", "y"}, 2, 2},
      {{"-v", "-s", "x", "y"}, 2, 2},
      {{"-s", "-v", "x", "y"}, 2, 2},
      {{"-Q", "a.lst", "b.lst"}, 0, 1},
      {{"-v", "-Q", "a.lst", "b.lst"}, 0, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    const Settled s = settle(c.words);
    EXPECT_FALSE(s.status);
    EXPECT_EQ(s.settings.verbosity, c.verbosity);
    EXPECT_EQ(s.settings.readerVerbosity, c.readerVerbosity);
  }
}

TEST_F(TunecmpCli, LevelWarningDependsOnDivisibility) {
  const struct {
    const char* level;
    bool warns;
  } cases[] = {{"20", false}, {"25", true}, {"9", false}, {"1", true}, {"7x", true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.level);
    const Settled s = settle({"-g", c.level, "x", "y"});
    EXPECT_FALSE(s.status);
    const std::string level = std::to_string(s.settings.quantLevel);
    EXPECT_EQ(s.err, c.warns ? "Warning: You're using a non-standard quantization level (" +
                                   level + ")\n"
                             : "");
  }
}

TEST_F(TunecmpCli, Modes) {
  const struct {
    const char* name;
    std::vector<std::string> words;
    std::vector<std::string> list1;
    std::vector<std::string> list2;
    bool sameList;
    bool nextOnly;
    bool queryMode;
    std::string resultFile;
  } cases[] = {
      {"two files", {"x", "y"}, {"x"}, {"y"}, false, false, false, ""},
      {"two files and result", {"x", "y", "out.csv"}, {"x"}, {"y"}, false, false, false,
       "out.csv"},
      {"four positional words: no result", {"x", "y", "z", "w"}, {"x"}, {"y"}, false, false,
       false, ""},
      {"all pairs", {"-f", "a.lst"}, kListA, kListA, true, false, false, ""},
      {"all pairs with result", {"-f", "a.lst", "out.csv"}, kListA, kListA, true, false, false,
       "out.csv"},
      {"next", {"-f1", "a.lst", "out.csv"}, kListA, kListA, true, true, false, "out.csv"},
      {"list and file", {"-F", "a.lst", "x.csv"}, kListA, {"x.csv"}, false, false, false, ""},
      {"two lists", {"-F2", "a.lst", "b.lst", "out.csv"}, kListA, kListB, false, false, false,
       "out.csv"},
      {"query", {"-q", "a.lst", "q.csv", "r.txt"}, kListA, {"q.csv"}, false, false, true,
       "r.txt"},
      {"queries", {"--queries-file", "a.lst", "b.lst"}, kListA, kListB, false, false, true, ""},
      {"three positional words after a mode", {"-f", "a.lst", "x", "y", "z"}, kListA, kListA,
       true, false, false, "z"},
      {"-F2 wins over -f", {"-f", "a.lst", "-F2", "b.lst", "a.lst"}, kListB, kListA, false,
       false, false, ""},
      {"-F wins over -q", {"-q", "a.lst", "q.csv", "-F", "b.lst", "x"}, kListB, {"x"}, false,
       false, false, ""},
      {"-f wins over -f1", {"-f1", "b.lst", "-f", "a.lst"}, kListA, kListA, true, false, false,
       ""},
      {"-F2 with one argument falls back to positional words", {"-F2", "a.lst"}, {"-F2"},
       {"a.lst"}, false, false, false, ""},
      {"--FS is not an option word", {"--FS", ",", "x"}, {"--FS"}, {","}, false, false, false,
       "x"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Settled s = settle(c.words);
    EXPECT_FALSE(s.status);
    EXPECT_EQ(s.err, "");
    EXPECT_EQ(s.settings.fileList1, c.list1);
    EXPECT_EQ(s.settings.fileList2, c.list2);
    EXPECT_EQ(s.settings.sameList, c.sameList);
    EXPECT_EQ(s.settings.nextOnly, c.nextOnly);
    EXPECT_EQ(s.settings.queryMode, c.queryMode);
    EXPECT_EQ(s.settings.resultFile, c.resultFile);
    EXPECT_EQ(s.settings.fieldSeparator, ";");
  }
}

TEST_F(TunecmpCli, ValidationErrorsPrintMessageAndUsage) {
  const struct {
    std::vector<std::string> words;
    const char* message;  // "" prints the usage text alone
  } cases[] = {
      {{}, "File list missing"},
      {{"-h"}, "File list missing"},
      {{"x.csv"}, "File list missing"},
      {{"x.csv", "-s", "y.csv"}, "File list missing"},
      {{"-g", "0", "x", "y"}, "Quantization level must be at least 1"},
      {{"-g", "-5", "x", "y"}, "Quantization level must be at least 1"},
      {{"-g", "abc", "x", "y"}, "Quantization level must be at least 1"},
      {{"-D", "", "x", "y"}, "Directory name missing"},
      {{"-FS", "", "x", "y"}, "Field separator missing"},
      {{"--field-separator", "", "x", "y"}, "Field separator missing"},
      {{"-t", "", "x", "y"}, "Type file missing"},
      {{"-d", "", "x", "y"}, "Float format missing"},
      {{"-d", ";", "x", "y"}, "Unrecognized float formal"},
      {{"--decimal", "x", "x", "y"}, "Unrecognized float formal"},
      {{"-F2", "", "b.lst"}, "File with file list missing"},
      {{"-F2", "a.lst", ""}, "File with file list missing"},
      {{"-Q", "", "b.lst"}, "Query file list missing"},
      {{"-Q", "a.lst", ""}, "File with file list missing"},
      {{"-F", "", "x.csv"}, ""},
      {{"-F", "a.lst", ""}, ""},
      {{"-q", "", "q.csv"}, "Query file missing"},
      {{"-q", "a.lst", ""}, "Query file missing"},
      {{"-f", ""}, "File list missing"},
      {{"-f1", ""}, "File list missing"},
      {{"-M", "-q", "a.lst", "q.csv"}, "Sorry, You can't use matrix mode with query modes"},
      {{"-M", "-Q", "a.lst", "b.lst"}, "Sorry, You can't use matrix mode with query modes"},
      // The checks come in a fixed order.
      {{"-g", "0", "-D", ""}, "Quantization level must be at least 1"},
      {{"-D", "", "-FS", ""}, "Directory name missing"},
      {{"-FS", "", "-t", ""}, "Field separator missing"},
      {{"-t", "", "-d", ""}, "Type file missing"},
      {{"-d", ";", "-f", ""}, "Unrecognized float formal"},
      {{"-F2", "", "b.lst", "-Q", "", "b.lst"}, "File with file list missing"},
  };
  const std::string usage = usageText();
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(withProgram(c.words), out, err), -1);
    EXPECT_EQ(out.str(), "");
    const std::string message = c.message;
    test::expectSameText(message.empty() ? usage : message + "\n" + usage, err.str(), "stderr");
  }
}

TEST_F(TunecmpCli, UnreadableFileListEndsWithoutUsage) {
  const struct {
    std::vector<std::string> words;
    const char* missing;
  } cases[] = {
      {{"-f", "no.lst"}, "no.lst"},         {{"-f1", "no.lst"}, "no.lst"},
      {{"-F", "no.lst", "x"}, "no.lst"},    {{"-q", "no.lst", "x"}, "no.lst"},
      {{"-F2", "a.lst", "no.lst"}, "no.lst"}, {{"-Q", "no.lst", "b.lst"}, "no.lst"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(withProgram(c.words), out, err), -1);
    EXPECT_EQ(err.str(), "Could not open " + std::string(c.missing) + "\n");
  }
}

TEST_F(TunecmpCli, PrintEndsTheRunBeforeAnyCheck) {
  for (const std::vector<std::string>& words :
       {std::vector<std::string>{"-p"}, {"-d", ";", "--print"}, {"-f", "no.lst", "-p"}}) {
    SCOPED_TRACE(::testing::PrintToString(words));
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(run(withProgram(words), out, err), 0);
    EXPECT_EQ(err.str(), "");
    const std::string names = out.str();
    EXPECT_EQ(std::count(names.begin(), names.end(), '\n'), 86);
    EXPECT_TRUE(names.starts_with("const\nrawEd\nrawEdw\n"));
    EXPECT_TRUE(names.ends_with("harCoCAW\naccents-opti1\naccents-opti2\n"));
  }
}

TEST(TunecmpUsage, MatchesGolden) {
  std::ostringstream err;
  printUsage("", err);
  test::expectMatchesGolden(err.str(), test::goldenPath("tunecmp/usage.txt"));
  std::ostringstream withMessage;
  printUsage("Something wrong", withMessage);
  EXPECT_EQ(withMessage.str(), "Something wrong\n" + err.str());
}

// A clock that stands still (every timing line reads 0) and a fixed seed.
RunEnvironment fixedEnvironment() { return {[] { return 0.0; }, [] { return 1u; }}; }

TEST(TunecmpRun, GoldenCases) {
  const auto root = test::goldenPath("tunecmp/cases");
  const auto cases = test::goldenCases(root);
  ASSERT_FALSE(cases.empty());
  for (const auto& dir : cases) {
    SCOPED_TRACE(test::caseName(root, dir));
    test::runGoldenCase(
        dir, "tunecmp",
        [](const std::vector<std::string>& args, std::istream&, std::ostream& out,
           std::ostream& err) { return run(args, out, err, fixedEnvironment()); },
        [](const std::string& text) { return text; });
  }
}

}  // namespace
}  // namespace suite::tunecmp
