// Fuzz target: the command lines of tunecmp and tunestat, parsed and checked
// into the settings of a run. The bytes are the words, one per line; the
// first byte picks the program. The words "l", "t" and "f" name a file list,
// a types file and a features file in a folder of the target's own; a "/" in
// any other word becomes "_", so no file outside the working folder is read.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tunecmp/cli.h"
#include "tunestat/cli.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

// A folder of its own with the few files the words may name, removed at exit.
struct ScratchFolder {
  ScratchFolder() {
    std::string name = (std::filesystem::temp_directory_path() / "command_line_fuzz.XXXXXX").string();
    if (mkdtemp(name.data()) == nullptr) return;
    path = name;
    std::ofstream(path / "l") << "a.csv\n;comment\nb.csv\n";
    std::ofstream(path / "t") << "rawEd\ncombi:x diffEd 0.5\n";
    std::ofstream(path / "f") << "length\npitch-avg\n";
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path.empty()) std::filesystem::remove_all(path, ec);
  }
  std::filesystem::path path;
};

// The words of the input; "l", "t" and "f" name the files of \a folder.
std::vector<std::string> words(const std::uint8_t* data, std::size_t size, const char* program,
                               const std::filesystem::path& folder) {
  std::vector<std::string> args{program};
  std::string word;
  const auto push = [&] {
    args.push_back(word == "l" || word == "t" || word == "f" ? (folder / word).string() : word);
    word.clear();
  };
  for (std::size_t i = 1; i < size; ++i) {
    const char c = static_cast<char>(data[i]);
    if (c == '\n') {
      push();
    } else {
      word.push_back(c == '/' ? '_' : c);
    }
  }
  if (size > 1) push();
  return args;
}

void checkTunecmp(const std::vector<std::string>& args) {
  using suite::tunecmp::CompareSettings;
  CompareSettings settings;
  std::ostringstream out;
  std::ostringstream err;
  const std::optional<int> status = suite::tunecmp::readSettings(args, settings, out, err);
  if (status) {
    check(*status == 0 || *status == -1);
    // An error tells why on the error stream; a listing goes to standard output.
    check(*status == 0 ? !out.str().empty() : !err.str().empty());
    return;
  }
  check(settings.quantLevel >= 1);
  check(settings.verbosity >= 0 && settings.verbosity <= 2);
  check(!(settings.queryMode && settings.matrixOutput));
  check(!settings.fileList1.empty() || !settings.fileList2.empty() || settings.sameList);
  check(!settings.sameList || settings.fileList1 == settings.fileList2);
  check(!settings.fieldSeparator.empty() && !settings.typesFile.empty());
}

void checkTunestat(const std::vector<std::string>& args) {
  suite::tunestat::StatSettings settings;
  std::ostringstream out;
  std::ostringstream err;
  const std::optional<int> status = suite::tunestat::readSettings(args, settings, out, err);
  if (status) {
    check(*status == 0 || *status == -1);
    check(*status == 0 ? !out.str().empty() : !err.str().empty());
    return;
  }
  if (settings.tonalityFile) return;
  // A features file without one known name selects nothing, and is no error.
  for (const auto* feature : settings.features) {
    check(suite::analysis::findFeature(feature->name) >= 0);
  }
  check(!settings.files.empty());
  check(settings.output.quantLevel >= 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const ScratchFolder folder;
  if (folder.path.empty() || size == 0) return 0;
  if ((data[0] & 1) == 0) {
    checkTunecmp(words(data, size, "tunecmp", folder.path));
  } else {
    checkTunestat(words(data, size, "tunestat", folder.path));
  }
  return 0;
}
