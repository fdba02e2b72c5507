// Comparing on several threads and in slices: the pair cursor, the -j and
// --shard options, and runs whose outputs must equal the one-job run.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/test_support.h"
#include "tunecmp/app.h"
#include "tunecmp/cli.h"
#include "tunecmp/driver.h"

namespace suite::tunecmp {
namespace {

TEST(PairCursor, WalksThePairsOfEveryModeFromAnyPosition) {
  for (const PairMode mode : {PairMode::TwoLists, PairMode::AllPairs, PairMode::NextOnly}) {
    for (std::size_t n1 = 0; n1 <= 7; ++n1) {
      // The same-list modes have one list.
      for (std::size_t n2 : mode == PairMode::TwoLists ? std::vector<std::size_t>{0, 1, 3, 5}
                                                       : std::vector<std::size_t>{n1}) {
        SCOPED_TRACE(std::to_string(static_cast<int>(mode)) + ": " + std::to_string(n1) + " x " +
                     std::to_string(n2));
        std::vector<std::pair<std::size_t, std::size_t>> pairs;
        forEachPair(mode, n1, n2, [&](std::size_t i, std::size_t j) {
          pairs.emplace_back(i, j);
          return true;
        });
        ASSERT_EQ(pairs.size(), comparisonCount(mode, n1, n2));
        for (std::size_t start = 0; start < pairs.size(); ++start) {
          PairCursor cursor(mode, n1, n2, start);
          for (std::size_t p = start; p < pairs.size(); ++p, cursor.advance()) {
            ASSERT_EQ(std::make_pair(cursor.first(), cursor.second()), pairs[p])
                << "from " << start << ", at " << p;
          }
        }
      }
    }
  }
}

int runFixed(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, {[] { return 0.0; }, [] { return 1u; }});
}

class TunecmpJobs : public test::ProgramTest {
 protected:
  TunecmpJobs() : ProgramTest("tunecmp", runFixed) {
    // Real melodies, each listed twice, so that there are many chunks of pairs.
    std::string list;
    for (const char* name :
         {"melodies/ATripToGalway.csv", "melodies/DowntheGortRoadreel.csv",
          "melodies/TipperaryHills.csv", "melodies/empty_bar.csv", "features/gort_road_excerpt.csv",
          "features/tipperary_excerpt.csv", "similarity/galway_excerpt.csv", "tunecmp/a.csv",
          "tunecmp/b.csv", "tunecmp/c.csv", "missing.csv"}) {
      list += test::dataPath(name).string() + '\n';
    }
    dir.write("m.lst", list + list);
    dir.write("types.ini", "rawEdw\ndiffEd\nnGrUkkon\nharmCorE\ncombi:mix rhytFuzz 0.5 nGrSumCo 0.5\n");
  }

  std::string file(const std::string& name) const { return test::readTextFile(dir.path() / name); }
};

TEST_F(TunecmpJobs, BadJobsAndShardsAreCommandLineErrors) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-j", "x", "a", "b"}, "Bad number of jobs 'x' (0 or more; 0: every core)"},
      {{"--jobs", "-2", "a", "b"}, "Bad number of jobs '-2' (0 or more; 0: every core)"},
      {{"-j", "", "a", "b"}, "Bad number of jobs '' (0 or more; 0: every core)"},
      {{"--shard", "3/2", "a", "b"}, "Bad shard '3/2' (K/N with 1 <= K <= N)"},
      {{"--shard", "1", "a", "b"}, "Bad shard '1' (K/N with 1 <= K <= N)"},
      {{"--shard", "1/2", "-M", "-f", "m.lst"}, "--shard cannot be used with matrix output"},
      {{"--shard", "1/2", "-q", "m.lst", "q.csv"}, "--shard cannot be used with query modes"},
      {{"--shard", "2/2", "-Q", "m.lst", "m.lst"}, "--shard cannot be used with query modes"},
      {{"--shard", "1/2", "-r", "3", "-f", "m.lst", "x.csv"},
       "--shard cannot be used with -r (each shard would draw other files)"},
  };
  const std::string usage = test::readTextFile(test::goldenPath("tunecmp/usage.txt"));
  for (const auto& [words, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const test::ProgramResult r = run(words);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "");
    test::expectSameText(message + "\n" + usage, r.err, "stderr");
  }
  // A single shard is the whole run, with any output.
  EXPECT_EQ(run({"-s", "--shard", "1/1", "-M", "-f", "m.lst", "x"}).status, 0);
}

TEST_F(TunecmpJobs, SeveralJobsWriteWhatOneJobWrites) {
  const std::vector<std::vector<std::string>> modes = {
      {"-v", "-th", "0.4", "-f", "m.lst", "list.csv"},  // every message there is, per pair
      {"--no-trailing-separator", "-FS", ",", "-d", ".", "-F2", "m.lst", "m.lst", "list.csv"},
      {"-f1", "m.lst", "list.csv"},
      {"-s", "-M", "-f", "m.lst", "matrix"},
      {"-Q", "m.lst", "m.lst"},
  };
  for (const std::vector<std::string>& mode : modes) {
    SCOPED_TRACE(::testing::PrintToString(mode));
    std::vector<std::string> words = {"-t", "types.ini", "-j", "1"};
    words.insert(words.end(), mode.begin(), mode.end());
    const test::ProgramResult one = run(words);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
      const std::string name = entry.path().filename().string();
      if (name != "m.lst" && name != "types.ini") files.push_back(name);
    }
    ASSERT_FALSE(files.empty() && mode.back() != "m.lst");
    std::vector<std::string> expected;
    for (const std::string& name : files) expected.push_back(file(name));
    for (const char* jobs : {"2", "3", "0"}) {
      SCOPED_TRACE(std::string("-j ") + jobs);
      words[3] = jobs;
      const test::ProgramResult many = run(words);
      EXPECT_EQ(many.status, one.status);
      test::expectSameText(one.out, many.out, "stdout");
      test::expectSameText(one.err, many.err, "stderr");
      for (std::size_t k = 0; k < files.size(); ++k) {
        test::expectSameText(expected[k], file(files[k]), files[k]);
      }
    }
    for (const std::string& name : files) std::filesystem::remove(dir.path() / name);
  }
}

// The last line of a run's messages: "<n> comparings completed in <t> s".
std::size_t comparingsCompleted(const std::string& err) {
  const std::size_t line = err.rfind('\n', err.size() - 2);
  return std::stoul(err.substr(line == std::string::npos ? 0 : line + 1));
}

TEST_F(TunecmpJobs, ShardsConcatenatedGiveTheWholeList) {
  const std::vector<std::vector<std::string>> modes = {
      {"-f", "m.lst"}, {"-F2", "m.lst", "m.lst"}, {"-f1", "m.lst"}, {"-F", "m.lst", "x.csv"}};
  for (const std::vector<std::string>& mode : modes) {
    SCOPED_TRACE(::testing::PrintToString(mode));
    std::vector<std::string> words = {"-s", "-t", "types.ini", "-l"};
    words.insert(words.end(), mode.begin(), mode.end());
    words.push_back("whole.csv");
    const test::ProgramResult whole = run(words);
    ASSERT_EQ(whole.status, 0);
    const std::string wholeList = file("whole.csv");
    const std::size_t pairs = comparingsCompleted(whole.err);
    std::filesystem::remove(dir.path() / "filelist.dat");

    for (int n : {2, 3, 7}) {
      SCOPED_TRACE(std::to_string(n) + " shards");
      std::string joined;
      std::size_t compared = 0;
      for (int k = 1; k <= n; ++k) {
        std::vector<std::string> shardWords = words;
        shardWords.back() = "part" + std::to_string(k) + ".csv";
        shardWords.insert(shardWords.begin(),
                          {"--shard", std::to_string(k) + "/" + std::to_string(n), "-j", "2"});
        const test::ProgramResult part = run(shardWords);
        ASSERT_EQ(part.status, 0);
        joined += file("part" + std::to_string(k) + ".csv");
        compared += comparingsCompleted(part.err);
        // Only the first slice writes the side files.
        EXPECT_EQ(std::filesystem::exists(dir.path() / "filelist.dat"), k == 1);
        std::filesystem::remove(dir.path() / "filelist.dat");
      }
      test::expectSameText(wholeList, joined, "joined shards");
      EXPECT_EQ(compared, pairs);
    }
  }
}

}  // namespace
}  // namespace suite::tunecmp
