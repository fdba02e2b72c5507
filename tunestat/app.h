// The tunestat program: one run from the command line to the exit status.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "text/program.h"

namespace suite::tunestat {

/// The banner line's text after "tunestat v" + version.
inline constexpr std::string_view kVersion = "1.0.16";
inline constexpr std::string_view kCredits =
    " - melodic feature extraction of the melody analysis suite";

/// Runs tunestat with \a args (args[0] the program name). Listings, the
/// usage text of -h, the tonality report and output without an output file
/// go to \a out; the usage text after an error, messages, progress and the
/// timing line to \a err. The processor clock of \a environment times the
/// processing mode; its wall clock and terminal flag serve --progress.
/// Returns the exit status: 0 after a completed
/// run, -h, -p or -e; -1 after a command-line error or an unreadable or
/// refused file list; 1 when the processing mode failed (no melody read, an
/// output file or \a out not created or not written: reported once, and then
/// without the "Task completed" line) or the tonality report found no melody.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment = text::RunEnvironment::system());

}  // namespace suite::tunestat
