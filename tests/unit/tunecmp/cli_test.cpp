// tunecmp runs: one test per golden case folder, the validation messages with
// the usage text, and the random selection.
#include <gtest/gtest.h>

#include "support/test_support.h"
#include "tunecmp/app.h"
#include "tunecmp/cli.h"
#include "tunecmp/driver.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {
namespace {

// A clock that stands still (every timing line reads 0) and a fixed seed.
int runFixed(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, {[] { return 0.0; }, [] { return 1u; }});
}

class TunecmpGolden : public ::testing::TestWithParam<std::filesystem::path> {};

TEST_P(TunecmpGolden, MatchesExpected) {
  test::runGoldenCase(
      GetParam(), "tunecmp",
      [](const std::vector<std::string>& args, std::istream&, std::ostream& out,
         std::ostream& err) { return runFixed(args, out, err); },
      [](const std::string& text) { return text; });
}

const std::filesystem::path kCases = test::goldenPath("tunecmp/cases");
INSTANTIATE_TEST_SUITE_P(Cases, TunecmpGolden, ::testing::ValuesIn(test::goldenCases(kCases)),
                         test::CaseNamer{kCases});

class TunecmpCli : public test::ProgramTest {
 protected:
  TunecmpCli() : ProgramTest("tunecmp", runFixed) {}
};

TEST_F(TunecmpCli, ValidationErrorsPrintMessageAndUsage) {
  dir.write("a.lst", "m1.csv\n");
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"x.csv", "-s", "y.csv"}, "File list missing"},  // positional words follow all options
      {{"-g", "0", "x", "y"}, "Quantization level must be at least 1"},
      {{"-D", "", "x", "y"}, "Directory name missing"},
      {{"--field-separator", "", "x", "y"}, "Field separator missing"},
      {{"-t", "", "x", "y"}, "Type file missing"},
      {{"-d", "", "x", "y"}, "Float format missing"},
      {{"--decimal", ";", "x", "y"}, "Unrecognized float formal"},
      {{"-F2", "a.lst", ""}, "File with file list missing"},
      {{"-Q", "", "a.lst"}, "Query file list missing"},
      {{"-Q", "a.lst", ""}, "File with file list missing"},
      {{"-F", "a.lst", ""}, ""},
      {{"-q", "", "q.csv"}, "Query file missing"},
      {{"-f1", ""}, "File list missing"},
      {{"-M", "-q", "a.lst", "q.csv"}, "Sorry, You can't use matrix mode with query modes"},
      // The checks come in a fixed order.
      {{"-g", "0", "-D", ""}, "Quantization level must be at least 1"},
      {{"-FS", "", "-t", ""}, "Field separator missing"},
      {{"-d", ";", "-f", ""}, "Unrecognized float formal"},
      {{"-F2", "", "a.lst", "-Q", "", "a.lst"}, "File with file list missing"},
  };
  const std::string usage = test::readTextFile(test::goldenPath("tunecmp/usage.txt"));
  EXPECT_EQ(std::string(kUsageText), usage);
  for (const auto& [words, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const test::ProgramResult r = run(words);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "");
    test::expectSameText(message.empty() ? usage : message + "\n" + usage, r.err, "stderr");
  }
}

TEST(TunecmpSettings, SwitchesWithoutArguments) {
  const struct {
    std::vector<std::string> words;
    bool search, trailing, progress;
  } cases[] = {
      {{"tunecmp", "a", "b"}, true, true, false},
      {{"tunecmp", "-n", "a", "b"}, false, true, false},
      {{"tunecmp", "--no-transpose", "a", "b"}, false, true, false},
      {{"tunecmp", "--no-tranpose", "a", "b"}, false, true, false},  // as older usage texts spell it
      {{"tunecmp", "--progress", "--no-trailing-separator", "a", "b"}, true, false, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.words));
    CompareSettings settings;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(readSettings(c.words, settings, out, err), std::nullopt);
    EXPECT_EQ(settings.transpositionSearch, c.search);
    EXPECT_EQ(settings.trailingSeparator, c.trailing);
    EXPECT_EQ(settings.progress, c.progress);
  }
}

TEST(RandomSelection, DrawsWithoutRepetition) {
  const std::vector<std::string> list = {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j"};
  std::ostringstream out;
  RandomGenerator random(1);
  // The generator's first values for seed 1 are 16838, 5758 and 10113: indices
  // floor(16838 / 32767 * 9) = 4 of a..j, floor(5758 / 32767 * 8) = 1 of
  // abcdfghij, floor(10113 / 32767 * 7) = 2 of acdfghij.
  EXPECT_EQ(randomSubset(list, 3, random, out), (std::vector<std::string>{"e", "b", "d"}));
  EXPECT_EQ(out.str(), "\n");
  EXPECT_EQ(randomSubset(list, 10, random, out), list);
}

// Not reachable from the command line, where the query modes compare every
// pair: a table with fewer pairs is refused as a whole.
TEST(QueryReport, RefusesATableWithMissingRows) {
  const std::vector<std::string> names = {"a", "b"};
  PairTable table(PairMode::TwoLists, 2, 2, 1);
  for (const auto& [i, j] : {std::pair{0, 0}, {0, 1}, {1, 0}}) {
    table.store(static_cast<std::size_t>(i), static_cast<std::size_t>(j), std::vector{0.5});
  }
  std::ostringstream out;
  std::ostringstream err;
  text::OutputFile dest = text::OutputFile::toStream(out);
  similarity::CombiType measure;
  EXPECT_FALSE(writeQueryReport(dest, {names, names, table}, {measure}, err));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Invalid data matrix (too small)\n");
}

}  // namespace
}  // namespace suite::tunecmp
