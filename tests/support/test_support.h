// Helpers shared by the test executables: data paths, golden texts, scratch
// directories, program runs and golden program cases.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iosfwd>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace suite::test {

/// A path below tests/data.
std::filesystem::path dataPath(std::string_view relative);

/// A path below tests/golden.
std::filesystem::path goldenPath(std::string_view relative);

/// The whole file as bytes; fails the current test when it cannot be read.
std::string readTextFile(const std::filesystem::path& path);

/// Compares \a actual with the golden file, line by line on failure. With the
/// environment variable SUITE_UPDATE_GOLDEN set, rewrites the golden file
/// instead (for reviewed changes only).
void expectMatchesGolden(const std::string& actual, const std::filesystem::path& golden);

/// Reports the first differing line of two texts as a test failure.
void expectSameText(const std::string& expected, const std::string& actual,
                    std::string_view what);

/// A fresh temporary directory, removed with its contents on destruction.
/// With enter = true the process works inside it until destruction.
class ScratchDir {
 public:
  explicit ScratchDir(bool enter = false);
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  /// Writes \a text to a file below the directory and returns its path.
  std::filesystem::path write(std::string_view name, std::string_view text) const;

 private:
  std::filesystem::path path_;
  std::filesystem::path previous_;
  bool entered_ = false;
};

/// A stream buffer that takes \a capacity bytes and then fails every write,
/// and every flush after that, with errno set to ENOSPC, as a full device does.
class FullDeviceBuffer : public std::streambuf {
 public:
  explicit FullDeviceBuffer(std::size_t capacity = 0) : capacity_(capacity) {}
  const std::string& taken() const { return taken_; }

 protected:
  int_type overflow(int_type c) override;
  std::streamsize xsputn(const char* s, std::streamsize n) override;
  int sync() override;

 private:
  std::size_t capacity_;
  std::string taken_;
  bool refused_ = false;
};

/// What a program run returned and wrote.
struct ProgramResult {
  int status = 0;
  std::string out;
  std::string err;
};

/// A test that runs one program in a fresh scratch working directory.
class ProgramTest : public ::testing::Test {
 public:
  using Run = std::function<int(const std::vector<std::string>& args, std::ostream& out,
                                std::ostream& err)>;

 protected:
  ProgramTest(std::string program, Run run) : program_(std::move(program)), run_(std::move(run)) {}

  /// Runs the program with \a words after its name.
  ProgramResult run(const std::vector<std::string>& words) const;

  ScratchDir dir{true};

 private:
  std::string program_;
  Run run_;
};

/// One program run described by a folder: "args" (one argument per line),
/// optional "stdin", expected "stdout", "stderr" and "exit", "input/" copied
/// into a scratch directory before the run (after the files of the folder
/// below tests/data named in an optional "fixture" file), "output/" with the
/// files the run must leave there, and "absent" naming files it must not.
struct GoldenCase {
  std::filesystem::path dir;
  std::vector<std::string> args;
  std::string stdinText;
};

/// Every case folder below \a root (folders holding an "args" file), sorted.
std::vector<std::filesystem::path> goldenCases(const std::filesystem::path& root);

/// Names the test of each case folder of a parameterised golden test by its
/// path relative to \a root, test-name-safe, so that ctest -R can pick one case.
struct CaseNamer {
  std::filesystem::path root;
  std::string operator()(const ::testing::TestParamInfo<std::filesystem::path>& info) const;
};

using ProgramRun = std::function<int(const std::vector<std::string>& args, std::istream& in,
                                     std::ostream& out, std::ostream& err)>;

/// Runs the case in a scratch directory and checks stdout, stderr (after
/// \a mask), the exit status and the expected output files.
void runGoldenCase(const std::filesystem::path& caseDir, const std::string& programName,
                   const ProgramRun& run,
                   const std::function<std::string(const std::string&)>& mask);

}  // namespace suite::test
