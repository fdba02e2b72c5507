#include "text/program.h"

#include <chrono>
#include <ctime>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace suite::text {

namespace {

bool standardErrorIsTerminal() {
#if defined(_WIN32)
  return _isatty(2) != 0;
#else
  return isatty(STDERR_FILENO) != 0;
#endif
}

}  // namespace

RunEnvironment RunEnvironment::system() {
  return {[] { return 1000.0 * static_cast<double>(std::clock()) / CLOCKS_PER_SEC; },
          [] { return static_cast<std::uint32_t>(std::time(nullptr)); },
          [] {
            const auto now = std::chrono::steady_clock::now().time_since_epoch();
            return std::chrono::duration<double>(now).count();
          },
          standardErrorIsTerminal()};
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
