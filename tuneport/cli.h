// tuneport's command line: the option table, the banner and usage text, and
// the parse into the settings of a run.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/converter.h"
#include "tuneport/model/conversion_settings.h"

namespace suite::tuneport {

inline constexpr std::string_view kBanner =
    "tuneport v2.2.2 - melody format conversion, melody analysis suite\n";

inline constexpr std::string_view kUsageText =
    "Usage: tuneport -f [csv|midi|esac] [OPTIONS] -i INFILE [-o OUTFILE]\n"
    "or     tuneport -f [csv|midi|esac] [OPTIONS] -I\n"
    "where  OPTIONS can be\n"
    "-c, --cut      CUT         cut after cut \n"
    "-t, --tempo    TEMPO       use TEMPO (in bpm) for conversion, default is 120bpm\n"
    "-p, --phrase   PHRASE      convert only phrase PHRASE (only from EsAC)\n"
    "-s, --segment              write segmentation values (only to CSV)\n"
    "-q, --quantize             quantize (only from MIDI, default 24)\n"
    "-x, --ignore-tempo-changes (only from MIDI)\n"
    "    --track    N           take the N-th usable track without asking (only from MIDI)\n"
    "    --progress             show files done, rate and time left (with -I)\n"
    "-h, --help                 show this help\n";

enum class OptionId {
  Format,
  Tempo,
  Input,
  Output,
  Help,
  Stdin,
  Cut,
  Phrase,
  Segment,
  Quantize,
  IgnoreTempoChanges,
  Track,
  Progress,
};

struct OptionRow {
  OptionId id;
  std::array<std::string_view, 3> names;  ///< every spelling; empty ones are unused
  bool takesValue;
};

/// The options; an argument is compared exactly with each spelling, and the
/// first row that matches is taken.
inline constexpr std::array<OptionRow, 13> kOptions{{
    {OptionId::Format, {"-f", "--format", ""}, true},
    {OptionId::Tempo, {"-t", "--tempo", ""}, true},
    {OptionId::Input, {"-i", "--input", ""}, true},
    {OptionId::Output, {"-o", "--output", ""}, true},
    {OptionId::Help, {"-?", "--help", "-h"}, false},
    {OptionId::Stdin, {"-I", "--stdin", ""}, false},
    {OptionId::Cut, {"-c", "--cut", ""}, true},
    {OptionId::Phrase, {"-p", "--phrase", ""}, true},
    {OptionId::Segment, {"-s", "--segment", ""}, false},
    {OptionId::Quantize, {"-q", "--quantize", ""}, true},
    {OptionId::IgnoreTempoChanges, {"-x", "--ignore-tempo-changes", ""}, false},
    {OptionId::Track, {"--track", "", ""}, true},
    {OptionId::Progress, {"--progress", "", ""}, false},
}};

/// What the command line asks for.
struct Options {
  model::ConversionSettings settings;
  FormatId outputFormat = kNoFormat;
  std::string inputName;
  std::string outputName;
  bool outputGiven = false;
  bool batch = false;
  bool progress = false;  ///< batch mode: a progress line on the error stream
};

struct ParseResult {
  enum class Status { Run, Help, Error };
  Status status = Status::Error;
  /// For an error: what went wrong ("Unknown option -x"); empty when the
  /// command line is empty.
  std::string message;
  Options options;
};

/// Parses \a args (args[0] the program name) from left to right; an option
/// given twice takes its last value. Help stops at once. Errors: no argument,
/// "Unknown option -x" (a word starting with "-"), "Unknown argument x" (any
/// other word), "Missing value for -f" (every option with a value but -q,
/// which keeps its default). A tempo that gives no positive, finite ms per
/// beat leaves the default.
ParseResult parseCommandLine(const std::vector<std::string>& args);

}  // namespace suite::tuneport
