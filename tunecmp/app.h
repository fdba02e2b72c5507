// The tunecmp program: one run from the command line to the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "text/program.h"

namespace suite::tunecmp {

/// Runs tunecmp with \a args (args[0] the program name). Listings, melody
/// summaries and a query report without result file go to \a out;
/// diagnostics, progress and timing to \a err. Returns the exit status: 0
/// after a completed run or -p, -1 after a command-line error, an unreadable
/// or refused file list or when no valid measure remains, 1 when an output
/// (result list, matrix file, query report, "phraseInfo.txt",
/// "filelist.dat" or \a out) could not be written, reported once on \a err,
/// or when the matrix or query output would need more than
/// kMaxPairTableValues values. \a environment gives the clock of the timing
/// lines and the seed of -r.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment = text::RunEnvironment::system());

}  // namespace suite::tunecmp
