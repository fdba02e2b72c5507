// tunestat's command line: option table, usage text and the checks that turn
// the options into the settings of one run.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/feature_table.h"
#include "text/command_line.h"
#include "text/ordered_jobs.h"
#include "tunestat/driver.h"

namespace suite::tunestat {

/// Option ids of the table below.
namespace option {
inline constexpr int kList = 2;
inline constexpr int kFeatures = 6;
inline constexpr int kTonality = 14;
inline constexpr int kMode = 15;
inline constexpr int kOutput = 16;
inline constexpr int kNoHeader = 17;
inline constexpr int kDecimal = 18;
inline constexpr int kFormat = 19;
inline constexpr int kPrint = 20;
inline constexpr int kExplanation = 21;
inline constexpr int kHelp = 22;
inline constexpr int kQuant = 24;
inline constexpr int kProgress = 25;
inline constexpr int kNoTrailingSeparator = 26;
inline constexpr int kJobs = 27;
inline constexpr int kShard = 28;
}  // namespace option

// -t takes no argument word of its own: the word after it names the file.
// clang-format off
inline constexpr std::array<text::OptionSpec, 16> kOptionTable = {{
    {option::kList,        "l", "list",        1},  // file list, or one melody file
    {option::kFeatures,    "f", "features",    1},  // feature names or a features file
    {option::kMode,        "m", "mode",        1},  // 'f'eature or 't'ransform
    {option::kOutput,      "o", "output",      1},  // output file or base name
    {option::kNoHeader,    "n", "no-header",   0},
    {option::kDecimal,     "d", "decimal",     1},  // ',' or '.'
    {option::kTonality,    "t", "ton",         0},  // tonality report of the next word
    {option::kFormat,      "r", "R",           1},  // CSV, R, ARFF, GNUPLOT
    {option::kPrint,       "p", "print",       0},
    {option::kExplanation, "e", "explanation", 0},
    {option::kHelp,        "h", "help",        0},
    {option::kQuant,       "g", "quant",       1},
    {option::kProgress,             "", "progress",              0},  // melodies done, rate, time left
    {option::kNoTrailingSeparator,  "", "no-trailing-separator", 0},  // rows never end in one
    {option::kJobs,                 "j", "jobs",                 1},  // threads computing melodies
    {option::kShard,                "", "shard",                 1},  // K/N: the K-th of N slices of the list
}};
// clang-format on

static_assert(text::optionTableIsConsistent(kOptionTable), "option ids and names must be unique");

enum class Mode { Feature = 1, Transform = 2 };

/// Settings of one tunestat run.
struct StatSettings {
  /// -t: print the tonality report of this file instead of computing features.
  std::optional<std::string> tonalityFile;
  Mode mode = Mode::Feature;
  OutputSettings output;
  analysis::FeatureSelection features;
  std::vector<std::string> files;
  bool progress = false;  ///< --progress: melodies done, rate and time left
  text::Shard shard;      ///< the slice of the melody list this run computes
};

/// How a feature's vector relates to the melody.
enum class FeatureShape {
  Single,    ///< one value
  PerNote,   ///< one value per note; feature mode writes the first note's
  PerSplit,  ///< one value per split point of the sequence; feature mode writes the first
};

/// The shape of the values \a feature gives, from its flag word and parameter.
FeatureShape featureShape(const analysis::FeatureDef& feature);

/// The -e listing: name + " (" + explanation + ")" per row, with a note on
/// the rows whose value is a sequence.
void listFeatureExplanations(std::ostream& out);

/// The usage text, one line each.
extern const std::string_view kUsageText;

/// Reads and checks the command line \a args (args[0] the program name) into
/// \a settings. Returns the exit status when the run ends here: 0 after -h
/// (usage on \a out), -p or -e (listing on \a out), -1 after an error (its
/// message and the usage on \a err; an unknown option is one) or an
/// unreadable file list. Names of a feature list that match no feature are
/// reported on \a err and left out. nullopt: go on with \a settings (a
/// tonality report when settings.tonalityFile is set).
std::optional<int> readSettings(const std::vector<std::string>& args, StatSettings& settings,
                                std::ostream& out, std::ostream& err);

}  // namespace suite::tunestat
