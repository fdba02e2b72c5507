#include "tunestat/app.h"

#include <ctime>
#include <new>

#include "analysis/tonality.h"
#include "core/melody_reader.h"
#include "text/text_format.h"
#include "tunestat/cli.h"
#include "tunestat/output_formats.h"

namespace suite::tunestat {

double processorMilliseconds() {
  return static_cast<double>(std::clock()) * 1000.0 / static_cast<double>(CLOCKS_PER_SEC);
}

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        ProcessorClock clock) {
  try {
    StatSettings settings;
    if (const std::optional<int> status = readSettings(args, settings, out, err)) return *status;

    if (settings.tonalityFile) {
      core::MelodyReader reader(err);
      return analysis::printTonalityReport(reader, *settings.tonalityFile, out);
    }

    err << "tunestat v" << kVersion << kCredits << "\n\n";
    err << "Number of files: " << settings.files.size() << '\n';
    const double start = clock();
    const bool ok =
        settings.mode == Mode::Feature
            ? runFeatureMode(settings.features, settings.files, settings.output, out, err)
            : runTransformMode(settings.features, settings.files, settings.output, out, err);
    // Whole milliseconds, as the processor clock counts them.
    const auto elapsed = static_cast<long long>(clock() - start);
    err << "Task completed in " << text::formatGeneral(static_cast<double>(elapsed) * 0.001)
        << " s\n";
    return ok ? 0 : 1;
  } catch (const std::bad_alloc&) {
    err << "Out of memory!\n";
    return 1;
  }
}

}  // namespace suite::tunestat
