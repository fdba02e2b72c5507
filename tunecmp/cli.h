// tunecmp's command line: option table, usage text and the validation that
// turns the options into the settings of one run.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "text/command_line.h"
#include "text/ordered_jobs.h"

namespace suite::tunecmp {

/// Option ids of the table below.
namespace option {
inline constexpr int kSilent = 0;
inline constexpr int kVerbose = 1;
inline constexpr int kAllFile = 2;
inline constexpr int kNext = 3;
inline constexpr int kOneFile = 4;
inline constexpr int kFileFile = 5;
inline constexpr int kTypes = 6;
inline constexpr int kThreshold = 7;
inline constexpr int kAppend = 8;
inline constexpr int kRandom = 9;
inline constexpr int kQueryFile = 10;
inline constexpr int kQueriesFile = 11;
inline constexpr int kDirectory = 12;
inline constexpr int kPhrase = 13;
inline constexpr int kDecimal = 18;
inline constexpr int kPrint = 20;
inline constexpr int kList = 23;
inline constexpr int kQuant = 24;
inline constexpr int kFieldSeparator = 25;
inline constexpr int kMatrix = 26;
inline constexpr int kNoTranspose = 27;
inline constexpr int kHelp = 28;
inline constexpr int kNoTransposeMisspelt = 29;  // the spelling older usage texts printed
inline constexpr int kNoTrailingSeparator = 30;
inline constexpr int kProgress = 31;
inline constexpr int kJobs = 32;
inline constexpr int kShard = 33;
inline constexpr int kListExtra = 34;
}  // namespace option

// clang-format off
inline constexpr std::array<text::OptionSpec, 28> kOptionTable = {{
    {option::kAllFile,        "f",  "all-file",        1},  // all pairs of a file list
    {option::kNext,           "f1", "next",            1},  // each listed file with the next
    {option::kOneFile,        "F",  "one-file",        2},  // file list against one file
    {option::kFileFile,       "F2", "file-file",       2},  // file list against file list
    {option::kSilent,         "s",  "silent",          0},
    {option::kVerbose,        "v",  "verbose",         0},
    {option::kTypes,          "t",  "types",           1},
    {option::kThreshold,      "th", "threshold",       1},
    {option::kAppend,         "a",  "append",          0},
    {option::kRandom,         "r",  "random",          1},
    {option::kQueryFile,      "q",  "query-file",      2},  // file list and one query melody
    {option::kQueriesFile,    "Q",  "queries-file",    2},  // query list and file list
    {option::kDirectory,      "D",  "directory",       1},
    {option::kPhrase,         "P",  "phrase",          0},
    {option::kList,           "l",  "list",            0},  // write "filelist.dat"
    {option::kPrint,          "p",  "print",           0},  // list the similarity types
    {option::kQuant,          "g",  "quant",           1},
    {option::kFieldSeparator, "FS", "field-separator", 1},
    {option::kMatrix,         "M",  "matrix",          0},
    {option::kNoTranspose,    "n",  "no-transpose",    0},
    {option::kDecimal,        "d",  "decimal",         1},
    {option::kHelp,           "h",  "help",            0},
    {option::kNoTransposeMisspelt,  "", "no-tranpose",           0},
    {option::kNoTrailingSeparator,  "", "no-trailing-separator", 0},
    {option::kProgress,             "", "progress",              0},  // progress line of the pairs
    {option::kJobs,                 "j", "jobs",                 1},  // threads comparing pairs
    {option::kShard,                "", "shard",                 1},  // K/N: the K-th of N slices of the pairs
    {option::kListExtra,            "", "list-extra",            0},  // the measures beyond -p's
}};
// clang-format on

static_assert(text::optionTableIsConsistent(kOptionTable), "option ids and names must be unique");

/// Settings of one tunecmp run. The verbosity, the decimal mark and the field
/// separator hold for the whole run; later stages take them from here.
struct CompareSettings {
  int verbosity = 1;            ///< 0 silent, 1 default, 2 verbose
  int readerVerbosity = 1;      ///< the melody reader's: verbosity before -Q silences the run
  double threshold = -1.0;      ///< report pairs with a value >= threshold when above 0
  bool append = false;          ///< append to the result file
  bool phraseMode = false;
  bool writeFileList = false;   ///< write "filelist.dat"
  int randomCount = 0;          ///< compare N random files when above 0
  int quantLevel = 24;          ///< grid points per beat, at least 1
  std::string outputDirectory;  ///< for matrix files; empty = current directory
  std::string fieldSeparator = ";";
  bool matrixOutput = false;
  bool transpositionSearch = true;
  std::string typesFile = "types.ini";
  bool decimalComma = true;
  std::vector<std::string> fileList1;
  std::vector<std::string> fileList2;
  bool sameList = false;   ///< -f, -f1: list 2 is list 1
  bool nextOnly = false;   ///< -f1: each file with its successor only
  bool queryMode = false;  ///< -q, -Q
  std::string resultFile;  ///< empty: none
  bool trailingSeparator = true;  ///< list lines end with the separator
  bool progress = false;          ///< --progress: done/total, rate and time left
  unsigned jobs = 1;              ///< threads comparing pairs; 0: every core
  text::Shard shard;              ///< the slice of the pairs this run compares

  /// The run writes the list output: a result file outside query and matrix modes.
  bool listOutput() const { return !resultFile.empty() && !queryMode && !matrixOutput; }
};

/// The usage text, one line each.
extern const std::string_view kUsageText;

/// Reads and checks the command line \a args (args[0] the program name) into
/// \a settings. Returns the exit status when the run ends here: 0 after -h
/// (the usage text on \a out), -p (the type names on \a out) or --list-extra
/// (the extra measures with their descriptions on \a out), -1 after an
/// error (its message and the usage text on \a err; an unknown option is
/// one) or an unreadable file list. nullopt: go on with \a settings.
std::optional<int> readSettings(const std::vector<std::string>& args, CompareSettings& settings,
                                std::ostream& out, std::ostream& err);

}  // namespace suite::tunecmp
