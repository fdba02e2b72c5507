// tunecmp's outputs: where a pair's values lie in the table kept for the
// matrix and query outputs, matrix file names, and runs whose outputs fail or
// would not fit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"
#include "tunecmp/app.h"
#include "tunecmp/driver.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {
namespace {

TEST(PairTable, EveryPairOfTheModeHasItsOwnPlace) {
  struct Case {
    PairMode mode;
    std::size_t n1, n2;
  };
  for (const Case& c : {Case{PairMode::TwoLists, 4, 3}, Case{PairMode::AllPairs, 5, 5},
                        Case{PairMode::NextOnly, 5, 5}}) {
    SCOPED_TRACE(static_cast<int>(c.mode));
    PairTable table(c.mode, c.n1, c.n2, 2);
    EXPECT_EQ(table.value(0, 1, 0), -1.0);  // not compared yet
    // Each pair stores values that name it; reading every cell back finds them.
    forEachPair(c.mode, c.n1, c.n2, [&](std::size_t i, std::size_t j) {
      table.store(i, j, std::vector{10.0 * double(i) + double(j), 100.0 + double(i)});
      return true;
    });
    EXPECT_EQ(table.stored(), comparisonCount(c.mode, c.n1, c.n2));
    for (std::size_t f = 0; f < c.n1; ++f) {
      for (std::size_t i = 0; i < c.n2; ++i) {
        const std::size_t a = c.mode == PairMode::TwoLists ? f : std::min(f, i);
        const std::size_t b = c.mode == PairMode::TwoLists ? i : std::max(f, i);
        const bool isRow = c.mode == PairMode::TwoLists || (c.mode == PairMode::AllPairs && a != b) ||
                           b == a + 1;
        SCOPED_TRACE(std::to_string(f) + "," + std::to_string(i));
        EXPECT_EQ(table.value(f, i, 0), isRow ? std::optional(10.0 * double(a) + double(b))
                                              : std::nullopt);
        EXPECT_EQ(table.value(f, i, 1), isRow ? std::optional(100.0 + double(a)) : std::nullopt);
      }
    }
  }
  EXPECT_EQ(PairTable::valuesNeeded(PairMode::AllPairs, 5, 5, 2), 20u);
  EXPECT_EQ(PairTable::valuesNeeded(PairMode::NextOnly, 5, 5, 2), 8u);
  EXPECT_EQ(PairTable::valuesNeeded(PairMode::TwoLists, SIZE_MAX / 2, 3, 1), std::nullopt);
  EXPECT_EQ(PairTable::valuesNeeded(PairMode::AllPairs, 1u << 20, 1u << 20, SIZE_MAX / 4),
            std::nullopt);
}

TEST(MatrixFileName, MeasureNamesStayInTheFolder) {
  const std::tuple<std::string, std::string, std::string> names[] = {
      {"", "rawEd", "similarity_rawEd.csv"},
      {"d/r", "accents-OPTI1", "d/r_accents-OPTI1.csv"},
      {"d/r", "x/../../../pwned", "d/r_x_.._.._.._pwned.csv"},
      {"r", "..\\up", "r_.._up.csv"},
      {"", "/abs", "similarity__abs.csv"},
  };
  for (const auto& [base, measure, file] : names) EXPECT_EQ(matrixFileName(base, measure), file);
}

int runFixed(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, {[] { return 0.0; }, [] { return 1u; }});
}

class TunecmpOutputs : public test::ProgramTest {
 protected:
  TunecmpOutputs() : ProgramTest("tunecmp", runFixed) {
    std::filesystem::copy(test::dataPath("tunecmp"), dir.path(),
                          std::filesystem::copy_options::recursive);
  }

  // A list naming \a count times the same melody.
  void writeList(const std::string& name, std::size_t count) const {
    std::ofstream list(dir.path() / name);
    for (std::size_t i = 0; i < count; ++i) list << "a.csv\n";
  }
};

TEST_F(TunecmpOutputs, TablesBeyondTheLimitAreRefusedBeforeReading) {
  writeList("big.lst", 16385);  // 16385 * 16384 / 2 pairs x 2 measures, and 16385^2 pairs
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-s", "-M", "-f", "big.lst"},
       "Too many pairs for the matrix output: 134225920 pairs x 2 measures are more than the "
       "268435456 values (2 GiB) that can be held; a result list (without -M) has no such limit\n"},
      {{"-s", "-Q", "big.lst", "big.lst", "q.txt"},
       "Too many pairs for the query report: 268468225 pairs x 1 measure are more than the "
       "268435456 values (2 GiB) that can be held; a result list (without -q or -Q) has no such "
       "limit\n"},
  };
  for (const auto& [words, message] : cases) {
    const test::ProgramResult r = run(words);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, message);
  }
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "q.txt"));
}

// Appending writes no header, so the first lines are the first writes to
// fail; the list is handed to the system when the run first waits for
// pairs, and comparing stops there rather than going through all 190 pairs.
TEST_F(TunecmpOutputs, ComparingStopsOnceTheListCannotBeWritten) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  writeList("twenty.lst", 20);
  for (const char* jobs : {"1", "2"}) {
    SCOPED_TRACE(jobs);
    const test::ProgramResult r = run({"-j", jobs, "-a", "-f", "twenty.lst", "/dev/full"});
    EXPECT_EQ(r.status, 1);
    std::size_t compared = 0;
    for (std::size_t at = r.err.find("Similarities "); at != std::string::npos;
         at = r.err.find("Similarities ", at + 1)) {
      ++compared;
    }
    EXPECT_GE(compared, 1u);
    EXPECT_LT(compared, 190u);
    EXPECT_TRUE(r.err.ends_with("Error writing /dev/full\n/dev/full: No space left on device\n"));
  }
}

TEST_F(TunecmpOutputs, FailingStandardOutputEndsTheRunWithStatusOne) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"tunecmp", "-s", "-q", "abc.lst", "a.csv"},
       "Reading files completed in 0 ms\nFile I/O error\nstandard output: No space left on device\n"},
      {{"tunecmp", "-p"}, "Error writing standard output\nstandard output: No space left on device\n"},
      {{"tunecmp", "-h"}, "Error writing standard output\nstandard output: No space left on device\n"},
  };
  for (const auto& [args, message] : cases) {
    SCOPED_TRACE(args[1]);
    test::FullDeviceBuffer device(10);
    std::ostream out(&device);
    std::ostringstream err;
    EXPECT_EQ(runFixed(args, out, err), 1);
    EXPECT_EQ(err.str(), message);
  }
}

}  // namespace
}  // namespace suite::tunecmp
