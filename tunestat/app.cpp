#include "tunestat/app.h"

#include <new>
#include <optional>
#include <sstream>

#include "analysis/tonality.h"
#include "text/ordered_jobs.h"
#include "text/output_file.h"
#include "text/program.h"
#include "text/text_format.h"
#include "tunestat/cli.h"
#include "tunestat/driver.h"

namespace suite::tunestat {

namespace {

int computeAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const text::RunEnvironment& environment) {
  try {
    StatSettings settings;
    if (const std::optional<int> status = readSettings(args, settings, out, err)) return *status;

    if (settings.tonalityFile) {
      // Handed over whole, so that a failing standard output tells why.
      std::ostringstream report;
      const int status = analysis::printTonalityReport(*settings.tonalityFile, report, err);
      text::OutputFile dest = text::OutputFile::toStream(out);
      if (!dest.write(report.view()) || !dest.flush()) dest.report(err);
      return dest.ok() ? status : text::kRunFailed;
    }

    if (!settings.shard.whole()) {
      // The slice's own melodies; the header of a feature table belongs to
      // the first slice (every melody's transform output has its own).
      const text::Slice slice = text::shardSlice(settings.files.size(), settings.shard);
      const auto begin = settings.files.begin();
      settings.files = std::vector<std::string>(begin + static_cast<std::ptrdiff_t>(slice.begin),
                                                begin + static_cast<std::ptrdiff_t>(slice.end));
      if (settings.mode == Mode::Feature && !settings.shard.first()) settings.output.header = false;
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
    const ModeResult result =
        settings.mode == Mode::Feature
            ? runFeatureMode(settings.features, settings.files, settings.output, out, err,
                             reporter)
            : runTransformMode(settings.features, settings.files, settings.output, out, err,
                               reporter);
    if (progress) progress->finish();
    // A run whose output failed did not complete its task.
    if (result == ModeResult::OutputFailed) return text::kRunFailed;
    // Whole milliseconds, as the processor clock counts them.
    const auto elapsed = static_cast<long long>(clock() - start);
    err << "Task completed in " << text::formatGeneral(static_cast<double>(elapsed) * 0.001)
        << " s\n";
    return result == ModeResult::Done ? 0 : text::kRunFailed;
  } catch (const std::bad_alloc&) {
    err << "Out of memory!\n";
    return text::kRunFailed;
  }
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment) {
  return text::finishStandardOutput(computeAll(args, out, err, environment), out, err);
}

}  // namespace suite::tunestat
