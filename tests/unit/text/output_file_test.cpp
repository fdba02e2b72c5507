// Checked output files and standard output, and the bounds of text inputs.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "support/test_support.h"
#include "text/line_reader.h"
#include "text/output_file.h"

namespace suite::text {
namespace {

using namespace std::string_literals;

TEST(OutputFile, WritesReplacesAndAppends) {
  test::ScratchDir dir;
  const std::string name = (dir.path() / "out.txt").string();
  for (const auto& [mode, expected] : {std::pair{OutputFile::Mode::Create, "a\nb"},
                                       {OutputFile::Mode::Create, "a\nb"},
                                       {OutputFile::Mode::Append, "a\nba\nb"}}) {
    OutputFile file = OutputFile::open(name, mode);
    EXPECT_TRUE(file.writeLine("a") && file.write("b") && file.flush());
    EXPECT_TRUE(file.close());
    EXPECT_TRUE(file.close());  // the same answer again
    EXPECT_FALSE(file.write("late"));
    EXPECT_EQ(test::readTextFile(name), expected);
  }
}

TEST(OutputFile, OpenFailureIsReportedOnceWithTheReason) {
  test::ScratchDir dir;
  const std::string name = (dir.path() / "no-such-folder" / "out.txt").string();
  OutputFile file = OutputFile::open(name);
  EXPECT_EQ(file.failure(), OutputFile::Failure::Open);
  EXPECT_FALSE(file.write("x"));
  EXPECT_FALSE(file.close());
  std::ostringstream err;
  EXPECT_TRUE(file.report(err, "ignored for open failures"));
  EXPECT_FALSE(file.report(err));
  EXPECT_EQ(err.str(), "Could not open " + name + "\n" + name + ": No such file or directory\n");
  EXPECT_FALSE(std::filesystem::exists(name));
}

TEST(OutputFile, FullDeviceFailsAtTheLatestOnClose) {
  if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  OutputFile file = OutputFile::open("/dev/full");
  EXPECT_TRUE(file.ok());
  file.writeLine("buffered, so the failure shows when it is handed over");
  EXPECT_FALSE(file.close());
  EXPECT_EQ(file.failure(), OutputFile::Failure::Write);
  std::ostringstream err;
  file.report(err);
  EXPECT_EQ(err.str(), "Error writing /dev/full\n/dev/full: No space left on device\n");
}

TEST(OutputFile, StreamFailuresAndStandardOutput) {
  struct Case {
    std::size_t capacity;
    std::string text;
    int status, expectedStatus;
    std::string expectedErr;
  };
  const std::string report = "Error writing standard output\nstandard output: No space left on device\n";
  const Case cases[] = {
      {10, "fits", 0, 0, ""},
      {10, "fits", -1, -1, ""},
      {3, "too long", 0, 1, report},
      {3, "too long", -1, -1, report},  // a failed run keeps its status
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text + " " + std::to_string(c.status));
    test::FullDeviceBuffer device(c.capacity);
    std::ostream out(&device);
    std::ostringstream err;
    out << c.text;  // unchecked, as listings are written
    EXPECT_EQ(finishStandardOutput(c.status, out, err), c.expectedStatus);
    EXPECT_EQ(err.str(), c.expectedErr);
  }

  // A failure that an OutputFile reported is not reported again at the end.
  test::FullDeviceBuffer device(2);
  std::ostream out(&device);
  std::ostringstream err;
  OutputFile dest = OutputFile::toStream(out);
  EXPECT_FALSE(dest.write("abc"));
  EXPECT_FALSE(dest.write("d"));
  EXPECT_EQ(device.taken(), "ab");
  dest.report(err, "File I/O error");
  EXPECT_EQ(finishStandardOutput(0, out, err), 1);
  EXPECT_EQ(err.str(), "File I/O error\nstandard output: No space left on device\n");
}

// Endless input: the same text over and over, never an end of file.
class EndlessBuffer : public std::streambuf {
 public:
  explicit EndlessBuffer(std::string pattern) : pattern_(std::move(pattern)) {
    setg(pattern_.data(), pattern_.data(), pattern_.data() + pattern_.size());
  }

 protected:
  int_type underflow() override {
    setg(pattern_.data(), pattern_.data(), pattern_.data() + pattern_.size());
    return traits_type::to_int_type(pattern_.front());
  }

 private:
  std::string pattern_;
};

TEST(BoundedLineReader, RefusesBinaryLongAndEndlessInput) {
  const std::string x1023(1023, 'x');
  struct Case {
    std::string text;
    TextBounds bounds;
    std::size_t lines;  // read before the refusal
    std::string refusal;
  };
  const Case cases[] = {
      {"a\nb\nc", {3}, 3, ""},
      {"a\nb\nc\n\n", {3}, 3, "more than 3 lines"},
      {"a\nb\0c\nd\n"s, {9}, 1, "not a text file (NUL byte in line 2)"},
      {x1023 + "y\nz\n", {9}, 3, ""},  // pieces, as fgets reads them
      {x1023 + "y\nz\n", {9, true}, 1, "line 1 is longer than 1023 characters"},
      {"a\n" + x1023 + "\r\nz\n", {9, true}, 4, ""},  // line end not counted
      {"a\n" + x1023 + "\r\r\n", {9, true}, 2, "line 2 is longer than 1023 characters"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 12));
    std::istringstream in(c.text);
    BoundedLineReader reader(in, c.bounds);
    std::size_t lines = 0;
    for (std::string line; reader.next(line);) ++lines;
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(reader.refusal(), c.refusal);
  }

  for (const auto& [pattern, refusal] :
       {std::pair<std::string, std::string>{std::string(1, '\0'), "not a text file (NUL byte in line 1)"},
        {"a.csv\n", "more than 100000 lines"},
        {"x", "line 1 is longer than 1023 characters"}}) {
    EndlessBuffer endless(pattern);
    std::istream in(&endless);
    BoundedLineReader reader(in, {100000, true});
    for (std::string line; reader.next(line);) {
    }
    EXPECT_EQ(reader.refusal(), refusal);
  }
}

}  // namespace
}  // namespace suite::text
