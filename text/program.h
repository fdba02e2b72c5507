// Plumbing shared by the suite's programs: the volatile inputs of a run and
// the usage-and-fail step of their command-line checks.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string_view>

namespace suite::text {

/// The volatile inputs of a program run, injected so that tests can fix them.
struct RunEnvironment {
  /// Processor time used so far, in milliseconds.
  std::function<double()> processorMilliseconds;
  /// Calendar time in seconds (seeds random selections).
  std::function<std::uint32_t()> calendarSeconds;
  /// Seconds of a steady wall clock (rate and time left of --progress);
  /// stands still unless set.
  std::function<double()> wallSeconds = [] { return 0.0; };
  /// The error stream is shown on a terminal (--progress rewrites its line).
  bool errorIsTerminal = false;

  /// The real processor clock, calendar time and wall clock; whether the
  /// process's standard error is a terminal.
  static RunEnvironment system();
};

/// Exit status of a run that ends with a command-line error.
inline constexpr int kUsageError = -1;

/// Exit status of a run whose work could not be done or written (an output
/// that could not be written, input refused as too large).
inline constexpr int kRunFailed = 1;

/// Writes \a message on its own line (when not empty), then \a usage.
void printUsage(std::string_view message, std::string_view usage, std::ostream& err);

/// printUsage, then kUsageError for the caller to return.
int failWithUsage(std::string_view message, std::string_view usage, std::ostream& err);

}  // namespace suite::text
