// The progress line: its text, plain lines every few seconds, and the line
// that rewrites itself on a terminal.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>

#include "text/progress.h"

namespace suite::text {
namespace {

TEST(Progress, LineTexts) {
  const std::tuple<std::size_t, std::size_t, const char*, double, bool, const char*> cases[] = {
      {0, 780, "pairs", 0, false, "Progress: 0 of 780 pairs (0%)"},
      // 240 pairs/s leave 660 pairs for 2.75 s: the time left is rounded up.
      {120, 780, "pairs", 0.5, false,
       "Progress: 120 of 780 pairs (15%), 240.0 pairs/s, 0:00:03 left"},
      {779, 780, "pairs", 779, false, "Progress: 779 of 780 pairs (99%), 1.0 pairs/s, 0:00:01 left"},
      {1, 7200, "files", 2, false, "Progress: 1 of 7200 files (0%), 0.5 files/s, 3:59:58 left"},
      {780, 780, "pairs", 3725.4, true,
       "Progress: 780 of 780 pairs (100%), 0.2 pairs/s, done in 1:02:05"},
      {0, 0, "melodies", 0, true, "Progress: 0 of 0 melodies (100%), done in 0:00:00"},
  };
  for (const auto& [done, total, unit, elapsed, finished, line] : cases) {
    EXPECT_EQ(ProgressReporter::describe(done, total, unit, elapsed, finished), line);
  }
}

TEST(Progress, PlainLinesEveryFewSeconds) {
  std::ostringstream out;
  double now = 10;
  ProgressReporter progress(out, 10, "melodies", false, [&now] { return now; });
  progress.advance();
  now = 14.9;
  progress.advance();
  progress.interrupt();  // nothing to erase in a log
  EXPECT_EQ(out.str(), "");
  now = 15;
  progress.advance();
  EXPECT_EQ(out.str(), "Progress: 3 of 10 melodies (30%), 0.6 melodies/s, 0:00:12 left\n");
  out.str("");
  now = 19.9;
  progress.advance(5);  // the interval runs from the last line
  EXPECT_EQ(out.str(), "");
  now = 20;
  progress.finish();
  progress.finish();
  progress.advance();
  EXPECT_EQ(out.str(), "Progress: 8 of 10 melodies (80%), 0.8 melodies/s, done in 0:00:10\n");
}

TEST(Progress, TerminalLineRewritesItself) {
  std::ostringstream out;
  double now = 0;
  ProgressReporter progress(out, 200, "pairs", true, [&now] { return now; });
  now = 0.1;
  progress.advance();  // drawn at once
  const std::string first = "Progress: 1 of 200 pairs (0%), 10.0 pairs/s, 0:00:20 left";
  EXPECT_EQ(out.str(), "\r" + first);
  now = 0.3;
  progress.advance();  // too soon
  EXPECT_EQ(out.str(), "\r" + first);
  out.str("");
  now = 0.4;
  progress.advance(98);
  const std::string second = "Progress: 100 of 200 pairs (50%), 250.0 pairs/s, 0:00:01 left";
  EXPECT_EQ(out.str(), "\r" + second);
  out.str("");
  progress.interrupt();
  progress.interrupt();
  // Built by appending: GCC 12 warns (-Wrestrict, a false positive) on
  // "\r" + std::string(...) once inlined in a Release build.
  EXPECT_EQ(out.str(), std::string("\r").append(second.size(), ' ').append("\r"));
  out.str("");
  progress.advance();  // not on screen: drawn again at once
  const std::string third = "Progress: 101 of 200 pairs (50%), 252.5 pairs/s, 0:00:01 left";
  EXPECT_EQ(out.str(), "\r" + third);
  out.str("");
  now = 1;
  progress.advance(99);
  progress.finish();
  // A shorter line blanks out the rest of the longer one.
  const std::string all = "Progress: 200 of 200 pairs (100%), 200.0 pairs/s";
  const std::string last = all + ", done in 0:00:01";
  EXPECT_EQ(out.str(), "\r" + all + std::string(third.size() - all.size(), ' ') + "\r" + last + "\n");
}

}  // namespace
}  // namespace suite::text
