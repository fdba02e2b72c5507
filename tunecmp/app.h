// The tunecmp program: one run from the command line to the exit status.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace suite::tunecmp {

/// The volatile inputs of a run, injected so that tests can fix them.
struct RunEnvironment {
  /// Processor time used so far, in milliseconds.
  std::function<double()> processorMilliseconds;
  /// Calendar time in seconds (seeds the random selection of -r).
  std::function<std::uint32_t()> calendarSeconds;

  /// The real processor clock and calendar time.
  static RunEnvironment system();
};

/// Runs tunecmp with \a args (args[0] the program name). Listings, melody
/// summaries and a query report without result file go to \a out;
/// diagnostics, progress and timing to \a err. Returns the exit status: 0
/// after a completed run or -p, -1 after a command-line error, an unreadable
/// file list or when no valid measure remains.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const RunEnvironment& environment = RunEnvironment::system());

}  // namespace suite::tunecmp
