// tunecmp's result outputs: list values, matrix files and the query report.
#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"
#include "tunecmp/driver.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {
namespace {

similarity::CombiType measure(const std::string& name) {
  similarity::CombiType m;
  m.name = name;
  return m;
}

TEST(ListOutput, ValuesWithSeparatorAndDecimalMark) {
  const struct {
    double value;
    const char* separator;
    bool comma;
    const char* expected;
  } cases[] = {
      {0.75, ";", true, "0,7500;"},   {0.75, ";", false, "0.7500;"}, {1.0, "\t", true, "1,0000\t"},
      {-1.0, ";", true, "-1,0000;"}, {0.12345, ";", false, "0.1235;"}, {0.5, ".|", true, "0,5000,|"},
      {0.5, "\\t", false, "0.5000\\t"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(formatListValue(c.value, c.separator, c.comma), c.expected);
  }
}

TEST(ListOutput, StemsKeepDirectories) {
  EXPECT_EQ(stemOf("dir/song.csv"), "dir/song");
  EXPECT_EQ(stemOf("song"), "song");
  EXPECT_EQ(stemOf("a.b.csv"), "a.b");
  EXPECT_EQ(stemOf("dir.x/song"), "dir");
}

TEST(ListOutput, CreateThenAppendAndReportFailure) {
  test::ScratchDir dir;
  const std::string file = (dir.path() / "r.csv").string();
  std::ostringstream err;
  EXPECT_TRUE(writeResultLine(file, "file1;file2;x;", WriteMode::Create, err));
  EXPECT_TRUE(writeResultLine(file, "a;b;0,5000;", WriteMode::Append, err));
  EXPECT_EQ(test::readTextFile(file), "file1;file2;x;\na;b;0,5000;\n");
  EXPECT_TRUE(writeResultLine(file, "new", WriteMode::Create, err));
  EXPECT_EQ(test::readTextFile(file), "new\n");
  EXPECT_EQ(err.str(), "");

  const std::string bad = (dir.path() / "missing" / "r.csv").string();
  EXPECT_FALSE(writeResultLine(bad, "x", WriteMode::Append, err));
  EXPECT_EQ(err.str(), "Could not open " + bad + "\n" + bad + ": No such file or directory\n");
}

// A result table as the driver builds it, with value 0.1 * (i + 1) + 0.01 * j
// in measure 0 and its negation in measure 1.
ResultTable tableFor(PairMode mode, std::size_t n1, std::size_t n2) {
  ResultTable table;
  forEachPair(mode, n1, n2, [&](std::size_t i, std::size_t j) {
    const double v = 0.1 * double(i + 1) + 0.01 * double(j);
    table.push_back({i, j, {v, -v}});
  });
  return table;
}

TEST(MatrixOutput, AllPairsAreMirroredWithUnitDiagonal) {
  test::ScratchDir dir;
  const std::vector<std::string> list = {"a.csv", "dir/b.csv", "c"};
  const ResultTable table = tableFor(PairMode::AllPairs, 3, 3);
  ASSERT_EQ(table.size(), 3u);
  const ResultSource source{list, list, table, PairMode::AllPairs};
  std::ostringstream err;
  const std::string file = (dir.path() / "m.csv").string();
  ASSERT_TRUE(writeMatrixFile(file, source, 0, ";", err));
  EXPECT_EQ(test::readTextFile(file),
            ";a;dir/b;c\n"
            "a;1.000;0.110;0.120\n"
            "dir/b;0.110;1.000;0.220\n"
            "c;0.120;0.220;1.000\n");
  ASSERT_TRUE(writeMatrixFile(file, source, 1, "\\t", err));
  EXPECT_EQ(test::readTextFile(file),
            "\ta\tdir/b\tc\n"
            "a\t1.000\t-0.110\t-0.120\n"
            "dir/b\t-0.110\t1.000\t-0.220\n"
            "c\t-0.120\t-0.220\t1.000\n");
  EXPECT_EQ(err.str(), "");
}

TEST(MatrixOutput, TwoListsAreRectangular) {
  test::ScratchDir dir;
  const std::vector<std::string> list1 = {"a.csv", "b.csv"};
  const std::vector<std::string> list2 = {"x.csv", "y.csv", "a.csv"};
  const ResultTable table = tableFor(PairMode::TwoLists, 2, 3);
  const ResultSource source{list1, list2, table, PairMode::TwoLists};
  std::ostringstream err;
  const std::string file = (dir.path() / "m.csv").string();
  ASSERT_TRUE(writeMatrixFile(file, source, 0, ",", err));
  EXPECT_EQ(test::readTextFile(file),
            ",x,y,a\n"
            "a,0.100,0.110,0.120\n"
            "b,0.200,0.210,0.220\n");
}

TEST(MatrixOutput, NeighboursOnlyLeaveOtherPairsUndefined) {
  test::ScratchDir dir;
  const std::vector<std::string> list = {"a", "b", "c", "d"};
  const ResultTable table = tableFor(PairMode::NextOnly, 4, 4);
  ASSERT_EQ(table.size(), 3u);
  const ResultSource source{list, list, table, PairMode::NextOnly};
  std::ostringstream err;
  const std::string file = (dir.path() / "m.csv").string();
  ASSERT_TRUE(writeMatrixFile(file, source, 0, ";", err));
  EXPECT_EQ(test::readTextFile(file),
            ";a;b;c;d\n"
            "a;1.000;0.110;-1.000;-1.000\n"
            "b;0.110;1.000;0.220;-1.000\n"
            "c;-1.000;0.220;1.000;0.330\n"
            "d;-1.000;-1.000;0.330;1.000\n");
}

TEST(MatrixOutput, FilesPerMeasureStopAtFirstFailure) {
  test::ScratchDir dir(true);
  const std::vector<std::string> list = {"a", "b"};
  const ResultTable table = tableFor(PairMode::AllPairs, 2, 2);
  const ResultSource source{list, list, table, PairMode::AllPairs};
  const std::vector<similarity::CombiType> measures = {measure("rawEd"), measure("opt3")};
  std::ostringstream err;
  writeMatrixFiles("", source, measures, ";", err);
  EXPECT_EQ(err.str(), "Writing similarity_rawEd.csv\nWriting similarity_opt3.csv\n");
  EXPECT_EQ(test::readTextFile("similarity_opt3.csv"), ";a;b\na;1.000;-0.110\nb;-0.110;1.000\n");

  std::ostringstream failing;
  writeMatrixFiles("nodir/r", source, measures, ";", failing);
  EXPECT_EQ(failing.str(), "Writing nodir/r_rawEd.csv\nCould not open nodir/r_rawEd.csv\nFailed.\n");
}

TEST(QueryReport, RanksEachQueryStably) {
  const std::vector<std::string> corpus = {"a", "b", "c"};
  const std::vector<std::string> queries = {"q1", "q2"};
  ResultTable table;
  const double values[3][2] = {{0.5, 0.9}, {0.75, 0.9}, {0.5, 1.0}};
  forEachPair(PairMode::TwoLists, 3, 2, [&](std::size_t i, std::size_t j) {
    table.push_back({i, j, {values[i][j], 0.0}});
  });
  const ResultSource source{corpus, queries, table, PairMode::TwoLists};
  std::ostringstream out;
  std::ostringstream err;
  writeQueryReport("", source, {measure("diffEd"), measure("x")}, out, err);
  EXPECT_EQ(out.str(),
            "Query q1  using 'diffEd'\n1. b (0.75)\n2. a (0.5)\n3. c (0.5)\n"
            "Query q2  using 'diffEd'\n1. c (1)\n2. a (0.9)\n3. b (0.9)\n");
  EXPECT_EQ(err.str(), "");

  const ResultTable small(table.begin(), table.end() - 1);
  const ResultSource tooSmall{corpus, queries, small, PairMode::TwoLists};
  std::ostringstream none;
  writeQueryReport("", tooSmall, {measure("diffEd")}, none, err);
  EXPECT_EQ(none.str(), "");
  EXPECT_EQ(err.str(), "Invalid data matrix (too small)\n");
}

TEST(Pairs, EnumerationOrderAndCounts) {
  const struct {
    PairMode mode;
    std::size_t n1, n2;
    std::vector<std::pair<std::size_t, std::size_t>> expected;
  } cases[] = {
      {PairMode::AllPairs, 4, 4, {{0, 1}, {0, 2}, {0, 3}, {1, 2}, {1, 3}, {2, 3}}},
      {PairMode::NextOnly, 4, 4, {{0, 1}, {1, 2}, {2, 3}}},
      {PairMode::TwoLists, 3, 1, {{0, 0}, {1, 0}, {2, 0}}},
      {PairMode::TwoLists, 2, 2, {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
      {PairMode::AllPairs, 1, 1, {}},
      {PairMode::NextOnly, 0, 0, {}},
  };
  for (const auto& c : cases) {
    std::vector<std::pair<std::size_t, std::size_t>> pairs;
    forEachPair(c.mode, c.n1, c.n2, [&](std::size_t i, std::size_t j) { pairs.emplace_back(i, j); });
    EXPECT_EQ(pairs, c.expected);
    EXPECT_EQ(comparisonCount(c.mode, c.n1, c.n2), c.expected.size());
  }
}

TEST(RandomSelection, DrawsWithoutRepetition) {
  const std::vector<std::string> list = {"a", "b", "c", "d", "e"};
  std::ostringstream out;
  RandomGenerator random(1);
  // The generator's first values for seed 1 are 16838, 5758, 10113: indices
  // floor(16838 / 32767 * 4) = 2 of abcde, floor(5758 / 32767 * 3) = 0 of abde,
  // floor(10113 / 32767 * 2) = 0 of bde.
  EXPECT_EQ(randomSubset(list, 3, random, out), (std::vector<std::string>{"c", "a", "b"}));
  EXPECT_EQ(out.str(), "\n");
  std::ostringstream none;
  EXPECT_EQ(randomSubset(list, 5, random, none), list);
  EXPECT_EQ(none.str(), "");
}

}  // namespace
}  // namespace suite::tunecmp
