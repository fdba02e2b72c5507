#include "tunestat/app.h"

#include <new>
#include <optional>

#include "analysis/tonality.h"
#include "text/text_format.h"
#include "tunestat/cli.h"
#include "tunestat/driver.h"

namespace suite::tunestat {

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment) {
  try {
    StatSettings settings;
    if (const std::optional<int> status = readSettings(args, settings, out, err)) return *status;

    if (settings.tonalityFile) {
      return analysis::printTonalityReport(*settings.tonalityFile, out, err);
    }

    err << "tunestat v" << kVersion << kCredits << "\n\n";
    err << "Number of files: " << settings.files.size() << '\n';
    const auto& clock = environment.processorMilliseconds;
    const double start = clock();
    std::optional<text::ProgressReporter> progress;
    if (settings.progress) {
      progress.emplace(err, settings.files.size(), "melodies", environment.errorIsTerminal,
                       environment.wallSeconds);
    }
    text::ProgressReporter* reporter = progress ? &*progress : nullptr;
    const bool ok = settings.mode == Mode::Feature
                        ? runFeatureMode(settings.features, settings.files, settings.output, out,
                                         err, reporter)
                        : runTransformMode(settings.features, settings.files, settings.output,
                                           out, err, reporter);
    if (progress) progress->finish();
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
