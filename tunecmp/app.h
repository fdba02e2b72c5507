// The tunecmp program: one run from the command line to the exit status.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace suite::tunecmp {

/// Runs tunecmp with \a args (args[0] the program name). Listings go to
/// \a out, diagnostics and progress to \a err. Returns the exit status: 0
/// after -p, -1 after a command-line error, an unreadable file list or when
/// no valid measure remains, 1 when the comparison cannot be carried out.
int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace suite::tunecmp
