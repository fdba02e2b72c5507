#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

namespace fs = std::filesystem;

namespace suite::test {
namespace {

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

bool fileExists(const fs::path& p) {
  std::error_code ec;
  return fs::is_regular_file(p, ec);
}

}  // namespace

fs::path dataPath(std::string_view relative) { return fs::path(SUITE_TEST_DATA_DIR) / relative; }

fs::path goldenPath(std::string_view relative) { return fs::path(SUITE_GOLDEN_DIR) / relative; }

std::string readTextFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in.is_open()) << "cannot read " << path;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void expectSameText(const std::string& expected, const std::string& actual, std::string_view what) {
  if (expected == actual) return;
  const std::vector<std::string> e = splitLines(expected);
  const std::vector<std::string> a = splitLines(actual);
  for (std::size_t i = 0; i < std::max(e.size(), a.size()); ++i) {
    const std::string el = i < e.size() ? e[i] : "<no line>";
    const std::string al = i < a.size() ? a[i] : "<no line>";
    if (el != al) {
      ADD_FAILURE() << what << " differs at line " << (i + 1) << "\n  expected: [" << el
                    << "]\n  actual:   [" << al << "]";
      return;
    }
  }
  ADD_FAILURE() << what << " differs in line ends or the final line break";
}

void expectMatchesGolden(const std::string& actual, const fs::path& golden) {
  if (std::getenv("SUITE_UPDATE_GOLDEN") != nullptr) {
    fs::create_directories(golden.parent_path());
    std::ofstream(golden, std::ios::binary) << actual;
    return;
  }
  expectSameText(readTextFile(golden), actual, golden.string());
}

ScratchDir::ScratchDir(bool enter) {
  std::random_device rd;
  const fs::path base = fs::temp_directory_path();
  do {
    path_ = base / ("suite-test-" + std::to_string(rd()));
  } while (fs::exists(path_));
  fs::create_directories(path_);
  if (enter) {
    previous_ = fs::current_path();
    fs::current_path(path_);
    entered_ = true;
  }
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  if (entered_) fs::current_path(previous_, ec);
  fs::remove_all(path_, ec);
}

fs::path ScratchDir::write(std::string_view name, std::string_view text) const {
  const fs::path p = path_ / name;
  fs::create_directories(p.parent_path());
  std::ofstream(p, std::ios::binary) << text;
  return p;
}

FullDeviceBuffer::int_type FullDeviceBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize FullDeviceBuffer::xsputn(const char* s, std::streamsize n) {
  const auto wanted = static_cast<std::size_t>(n);
  const std::size_t room = capacity_ - taken_.size();
  taken_.append(s, std::min(wanted, room));
  if (wanted > room) {
    refused_ = true;
    errno = ENOSPC;
  }
  return static_cast<std::streamsize>(std::min(wanted, room));
}

int FullDeviceBuffer::sync() {
  if (!refused_) return 0;
  errno = ENOSPC;  // what could not be written is still waiting
  return -1;
}

ProgramResult ProgramTest::run(const std::vector<std::string>& words) const {
  std::vector<std::string> args{program_};
  args.insert(args.end(), words.begin(), words.end());
  std::ostringstream out;
  std::ostringstream err;
  const int status = run_(args, out, err);
  return {status, out.str(), err.str()};
}

std::vector<fs::path> goldenCases(const fs::path& root) {
  std::vector<fs::path> cases;
  std::error_code ec;
  if (!fs::is_directory(root, ec)) return cases;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.is_regular_file() && entry.path().filename() == "args") {
      cases.push_back(entry.path().parent_path());
    }
  }
  std::sort(cases.begin(), cases.end());
  return cases;
}

std::string CaseNamer::operator()(const ::testing::TestParamInfo<fs::path>& info) const {
  std::string name = fs::relative(info.param, root).generic_string();
  for (char& c : name) {
    if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
  }
  return name;
}

void runGoldenCase(const fs::path& caseDir, const std::string& programName, const ProgramRun& run,
                   const std::function<std::string(const std::string&)>& mask) {
  std::vector<std::string> args{programName};
  for (const std::string& line : splitLines(readTextFile(caseDir / "args"))) args.push_back(line);
  const std::string stdinText =
      fileExists(caseDir / "stdin") ? readTextFile(caseDir / "stdin") : std::string();

  ScratchDir scratch(true);
  // "fixture" names a folder below tests/data whose files every such case shares.
  if (fileExists(caseDir / "fixture")) {
    const std::vector<std::string> lines = splitLines(readTextFile(caseDir / "fixture"));
    if (!lines.empty()) fs::copy(dataPath(lines.front()), scratch.path(), fs::copy_options::recursive);
  }
  if (fs::is_directory(caseDir / "input")) {
    fs::copy(caseDir / "input", scratch.path(),
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  }
  std::istringstream in(stdinText);
  std::ostringstream out;
  std::ostringstream err;
  const int status = run(args, in, out, err);

  if (fileExists(caseDir / "exit")) {
    EXPECT_EQ(std::stoi(readTextFile(caseDir / "exit")), status) << "exit status";
  }
  if (fileExists(caseDir / "stdout")) {
    expectSameText(readTextFile(caseDir / "stdout"), out.str(), "stdout");
  }
  if (fileExists(caseDir / "stderr")) {
    expectSameText(readTextFile(caseDir / "stderr"), mask(err.str()), "stderr");
  }
  const fs::path expectedDir = caseDir / "output";
  if (fs::is_directory(expectedDir)) {
    for (const auto& entry : fs::recursive_directory_iterator(expectedDir)) {
      if (!entry.is_regular_file()) continue;
      const fs::path rel = fs::relative(entry.path(), expectedDir);
      const fs::path produced = scratch.path() / rel;
      if (!fileExists(produced)) {
        ADD_FAILURE() << "missing output file " << rel;
        continue;
      }
      expectSameText(readTextFile(entry.path()), readTextFile(produced), rel.string());
    }
  }
  if (fileExists(caseDir / "absent")) {
    for (const std::string& name : splitLines(readTextFile(caseDir / "absent"))) {
      EXPECT_FALSE(fs::exists(scratch.path() / name)) << name << " must not be written";
    }
  }
}

}  // namespace suite::test
