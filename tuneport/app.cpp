#include "tuneport/app.h"

#include "text/program.h"
#include "tuneport/cli.h"
#include "tuneport/driver.h"

namespace suite::tuneport {

int run(const std::vector<std::string>& args, const model::ConsoleStreams& console,
        const text::RunEnvironment& environment) {
  const ParseResult parsed = parseCommandLine(args);
  const std::string usage = std::string(kBanner) + std::string(kUsageText);
  switch (parsed.status) {
    case ParseResult::Status::Error: return text::failWithUsage(parsed.message, usage, console.err);
    case ParseResult::Status::Help:
      console.out << usage << std::flush;
      return 0;
    case ParseResult::Status::Run: break;
  }
  Converter converter(parsed.options.settings, console);
  return parsed.options.batch ? convertBatch(parsed.options, converter, environment)
                              : convertFile(parsed.options, converter);
}

}  // namespace suite::tuneport
