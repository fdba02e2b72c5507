// The two ways of running a conversion: one file named on the command line,
// or every file named on standard input (batch mode).
#pragma once

#include <cstddef>
#include <istream>
#include <string>
#include <string_view>

#include "text/program.h"
#include "tuneport/cli.h"
#include "tuneport/converter.h"

namespace suite::tuneport {

/// Exit statuses of a run.
inline constexpr int kConversionFailed = -1;
inline constexpr int kBatchDone = 1;

/// Longest file name batch mode takes (a path of the system is shorter).
inline constexpr std::size_t kMaxBatchName = 4095;

/// Converts options.inputName into options.outputFormat, to options.outputName
/// or a name derived from the input name. Reports errors on the error stream
/// and "Successfully written " + the output name on the output stream.
/// Returns 0, or -1 after "Unrecognized input format!", a failed read or
/// write (the handler's error text; "Could not read " + the input name for a
/// read that fails without one), "Unrecognized output format!" or a failed
/// write to the output stream. Batch mode reports failed reads alike.
int convertFile(const Options& options, Converter& converter);

/// Most names, and characters in all names, that batch mode with --progress
/// reads before it starts; a longer list is refused with kTooManyNamesText.
inline constexpr std::size_t kMaxCountedNames = 1000000;
inline constexpr std::size_t kMaxCountedCharacters = std::size_t{1} << 26;
inline constexpr std::string_view kTooManyNamesText =
    "Standard input: too many file names to count for --progress (at most 1000000 names, "
    "64 MiB in all)";

/// Reads whitespace-delimited file names from the input stream and converts
/// each into options.outputFormat at 500 ms per beat, without cut or phrase
/// choice, to a name derived from it. Each file is announced as
/// "Processing " + name + "..." and ends with the output name + " written"
/// or the error text on the error stream; the next name follows in any case.
/// A name longer than kMaxBatchName characters is skipped with a message.
/// With options.progress all names are read first and a progress line over
/// them goes to the error stream (see text::ProgressReporter; clock and
/// terminal from \a environment), taken off the screen before each file's
/// messages.
/// Returns 1 after the last name, or -1 at once when the output format is
/// not given ("Unrecognized output format."); -1 also when the names end on
/// a NUL byte ("Standard input: not a list of file names (NUL byte)") or a
/// read error, or a counted list is too long.
int convertBatch(const Options& options, Converter& converter,
                 const text::RunEnvironment& environment = {});

/// Reads the next whitespace-delimited word of at most \a maxLength
/// characters, leaving the delimiter after it unread. False at the end of
/// the input, and on a NUL byte, which sets the stream's failbit. A longer word is read to its end and comes back cut to
/// maxLength + 1 characters.
bool nextWord(std::istream& in, std::string& word, std::size_t maxLength);

}  // namespace suite::tuneport
