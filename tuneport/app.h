// The tuneport program: one run from the command line to the exit status.
#pragma once

#include <string>
#include <vector>

#include "text/program.h"
#include "tuneport/model/conversion_settings.h"

namespace suite::tuneport {

/// Runs tuneport with \a args (args[0] the program name). Reports and
/// "Successfully written" go to console.out, errors and the usage text to
/// console.err; batch mode reads file names, and MIDI track questions
/// their answers, from console.in. -h, -? and --help print the banner and
/// usage on console.out and return 0. Returns 0 after a conversion, 1 after
/// batch mode, -1 after a command-line error or a failed conversion.
/// \a environment gives the wall clock and terminal of --progress.
int run(const std::vector<std::string>& args, const model::ConsoleStreams& console,
        const text::RunEnvironment& environment = {});

}  // namespace suite::tuneport
