#include "text/program.h"

#include <ctime>

namespace suite::text {

RunEnvironment RunEnvironment::system() {
  return {[] { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; },
          [] { return static_cast<std::uint32_t>(std::time(nullptr)); }};
}

void printUsage(std::string_view message, std::string_view usage, std::ostream& err) {
  if (!message.empty()) err << message << '\n';
  err << usage;
}

int failWithUsage(std::string_view message, std::string_view usage, std::ostream& err) {
  printUsage(message, usage, err);
  return kUsageError;
}

}  // namespace suite::text
