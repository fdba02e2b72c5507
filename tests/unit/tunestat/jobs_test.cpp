// tunestat on several threads and in slices: the -j and --shard options, and
// runs whose outputs must equal the one-job run.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "support/test_support.h"
#include "tunestat/app.h"
#include "tunestat/cli.h"

namespace suite::tunestat {
namespace {

int runTunestat(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return run(args, out, err, {[] { return 0.0; }, [] { return 0u; }});
}

class TunestatJobs : public test::ProgramTest {
 protected:
  TunestatJobs() : ProgramTest("tunestat", runTunestat) {
    // Melodies copied here (transform mode writes beside them), some that
    // cannot be read between them, each listed three times.
    std::string list;
    for (const char* name :
         {"melodies/ATripToGalway.csv", "melodies/DowntheGortRoadreel.csv", "missing.csv",
          "melodies/TipperaryHills.csv", "melodies/empty_bar.csv", "features/gort_road_excerpt.csv",
          "features/tipperary_excerpt.csv", "similarity/galway_excerpt.csv", "tunecmp/a.csv",
          "tunecmp/b.csv", "tunecmp/c.csv"}) {
      const std::filesystem::path source = test::dataPath(name);
      const std::string copy = source.filename().string();
      if (std::filesystem::exists(source)) std::filesystem::copy_file(source, dir.path() / copy);
      list += copy + '\n';
    }
    dir.write("bad.csv", "no melody here\n");
    dir.write("m.lst", list + "bad.csv\n" + list + list);
  }

  std::string file(const std::string& name) const { return test::readTextFile(dir.path() / name); }
};

TEST_F(TunestatJobs, BadJobsAndShardsAreCommandLineErrors) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"-j", "many", "-f", "length", "x"}, "Bad number of jobs 'many' (0 or more; 0: every core)"},
      {{"--jobs", "-1", "-f", "length", "x"}, "Bad number of jobs '-1' (0 or more; 0: every core)"},
      {{"--shard", "0/3", "-f", "length", "x"}, "Bad shard '0/3' (K/N with 1 <= K <= N)"},
      {{"--shard", "2/", "-f", "length", "x"}, "Bad shard '2/' (K/N with 1 <= K <= N)"},
  };
  const std::string usage = test::readTextFile(test::goldenPath("tunestat/usage.txt"));
  for (const auto& [words, message] : cases) {
    SCOPED_TRACE(::testing::PrintToString(words));
    const test::ProgramResult r = run(words);
    EXPECT_EQ(r.status, -1);
    EXPECT_EQ(r.out, "");
    test::expectSameText(message + "\n" + usage, r.err, "stderr");
  }
}

// The rows of every transform file the run left, in list order of names.
std::string transformFiles(const std::filesystem::path& dir) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().filename().string().ends_with("_t.csv")) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  std::string text;
  for (const auto& f : files) text += f.filename().string() + ":\n" + test::readTextFile(f);
  return text;
}

TEST_F(TunestatJobs, SeveralJobsWriteWhatOneJobWrites) {
  const std::vector<std::vector<std::string>> modes = {
      {"-f", "pitch-avg,int-jsd,beat-phase,ngr3-entropy,length", "-l", "m.lst"},
      {"-r", "arff", "-d", ".", "-f", "pitch-avg,dur-avg,jumpaft3", "-l", "m.lst", "-o", "o.arff"},
      {"-m", "t", "-f", "pitch-avg,int-entropy,beat-phase,tonal-phase", "-l", "m.lst"},
      {"-m", "t", "-f", "pitch-avg,int-entropy", "-l", "m.lst", "-o", "t"},
  };
  for (const std::vector<std::string>& mode : modes) {
    SCOPED_TRACE(::testing::PrintToString(mode));
    std::vector<std::string> words = {"-j", "1"};
    words.insert(words.end(), mode.begin(), mode.end());
    const test::ProgramResult one = run(words);
    const bool toFile = mode.back() == "o.arff";
    const std::string oneFile = toFile ? file("o.arff") : transformFiles(dir.path());
    EXPECT_NE(one.out + oneFile, "");
    for (const char* jobs : {"2", "3", "0"}) {
      SCOPED_TRACE(std::string("-j ") + jobs);
      words[1] = jobs;
      const test::ProgramResult many = run(words);
      EXPECT_EQ(many.status, one.status);
      test::expectSameText(one.out, many.out, "stdout");
      test::expectSameText(one.err, many.err, "stderr");
      test::expectSameText(oneFile, toFile ? file("o.arff") : transformFiles(dir.path()), "files");
    }
  }
}

TEST_F(TunestatJobs, ShardsConcatenatedGiveTheWholeTable) {
  const std::vector<std::vector<std::string>> modes = {
      {"-f", "pitch-avg,int-jsd,ngr2-entropy", "-l", "m.lst"},
      {"-r", "arff", "-f", "pitch-avg,jumpaft3", "-l", "m.lst"},
      {"-m", "t", "-f", "pitch-avg,int-entropy", "-l", "m.lst"},
  };
  static const std::regex leftOut("(\\d+) of (\\d+) melodies could not be read\n");
  for (const std::vector<std::string>& mode : modes) {
    SCOPED_TRACE(::testing::PrintToString(mode));
    const test::ProgramResult whole = run(mode);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(whole.err, m, leftOut));
    const int wholeLeftOut = std::stoi(m[1]);
    for (int n : {2, 5, 40}) {
      SCOPED_TRACE(std::to_string(n) + " shards");
      std::string joined;
      int unread = 0;
      for (int k = 1; k <= n; ++k) {
        std::vector<std::string> words = mode;
        words.insert(words.begin(),
                     {"--shard", std::to_string(k) + "/" + std::to_string(n), "-j", "2"});
        const test::ProgramResult part = run(words);
        joined += part.out;
        // Each slice counts what it read itself.
        if (std::regex_search(part.err, m, leftOut)) {
          unread += std::stoi(m[1]);
          EXPECT_LE(std::stoi(m[2]), (34 + n - 1) / n);
        }
      }
      test::expectSameText(whole.out, joined, "joined shards");
      EXPECT_EQ(unread, wholeLeftOut);
    }
  }
}

}  // namespace
}  // namespace suite::tunestat
