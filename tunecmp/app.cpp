#include "tunecmp/app.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string_view>
#include <system_error>

#include "core/melody_reader.h"
#include "text/ordered_jobs.h"
#include "text/output_file.h"
#include "text/program.h"
#include "text/progress.h"
#include "text/text_format.h"
#include "similarity/engine.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/types_file.h"
#include "tunecmp/cli.h"
#include "tunecmp/driver.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {
namespace {

constexpr const char* kBanner = "tunecmp v1.0.3 - melodic similarity, melody analysis suite";

// The melodies of one list; a file that fails stays as an empty melody at
// its place.
std::vector<core::Melody> loadMelodies(core::MelodyReader& reader,
                                       const std::vector<std::string>& names) {
  std::vector<core::Melody> melodies;
  core::readMelodyFiles(reader, names, melodies);
  return melodies;
}

// Refuses a run whose matrix or query output would need a pairs table
// beyond kMaxPairTableValues; the message says how many values it needs.
bool pairTableFits(const CompareSettings& settings, PairMode mode, std::size_t n1,
                   std::size_t n2, std::size_t measures, std::ostream& err) {
  const std::optional<std::size_t> needed = PairTable::valuesNeeded(mode, n1, n2, measures);
  if (needed && *needed <= kMaxPairTableValues) return true;
  const std::size_t pairs = comparisonCount(mode, n1, n2);
  err << "Too many pairs for the " << (settings.queryMode ? "query report" : "matrix output")
      << ": " << pairs << " pairs x " << measures << (measures == 1 ? " measure" : " measures")
      << " are more than the " << kMaxPairTableValues
      << " values (2 GiB) that can be held; a result list (without "
      << (settings.queryMode ? "-q or -Q" : "-M") << ") has no such limit\n";
  return false;
}

// The folder the matrix files go into must exist before hours of comparing.
bool matrixFolderExists(const std::string& firstFile, std::ostream& err) {
  const std::filesystem::path folder = std::filesystem::path(firstFile).parent_path();
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return true;
  err << "Could not open " << firstFile << '\n'
      << firstFile << ": " << std::make_error_code(std::errc::no_such_file_or_directory).message()
      << '\n';
  return false;
}

// The outputs opened before the first comparison, so that a wrong name
// costs no comparing: the result list (with its header) or the query report.
struct EarlyOutputs {
  std::optional<text::OutputFile> list;
  std::optional<text::OutputFile> report;
};

// Opens the run's list or query report, or checks the folder of its matrix
// files (base \a matrixBase). False after reporting a failure.
bool openOutputs(const CompareSettings& settings, const similarity::SelectedMeasures& selected,
                 const std::string& matrixBase, std::ostream& out, std::ostream& err,
                 EarlyOutputs& outputs) {
  if (settings.listOutput()) {
    outputs.list = text::OutputFile::open(
        settings.resultFile,
        settings.append ? text::OutputFile::Mode::Append : text::OutputFile::Mode::Create);
    // Of the slices of a run, the first carries the header.
    if (!settings.append && settings.shard.first()) {
      const std::string_view header =
          settings.trailingSeparator
              ? std::string_view(selected.header)
              : withoutTrailingSeparator(selected.header, settings.fieldSeparator);
      if (outputs.list->writeLine(header)) outputs.list->flush();
    }
    return !outputs.list->report(err);
  }
  if (settings.queryMode) {
    outputs.report = settings.resultFile.empty() ? text::OutputFile::toStream(out)
                                                 : text::OutputFile::open(settings.resultFile);
    return !outputs.report->report(err);
  }
  return !settings.matrixOutput ||
         matrixFolderExists(matrixFileName(matrixBase, selected.measures.front().name), err);
}

// Pairs per chunk of work: small enough that results still appear soon when a
// pair takes long, large enough that handing chunks between threads costs
// little.
constexpr std::size_t kPairsPerChunk = 16;

// The list is handed to the system when the run waits for results and this
// many seconds have passed since the last time, rather than once per line.
constexpr double kFlushInterval = 0.1;

// One comparison as computed by a worker, kept until its turn to be written.
struct ComparedPair {
  std::size_t i = 0;
  std::size_t j = 0;
  PairResult result;
  std::string out;  // text for standard output
  std::string err;  // messages, in the order the comparison wrote them
};

// What one thread compares with: its own engine, whose messages go into the
// same buffer as the per-pair lines.
struct PairWorker {
  std::ostringstream out;
  std::ostringstream err;
  similarity::EngineContext engine;
  explicit PairWorker(const similarity::GaussTable* gauss) : engine(err, gauss) {}
};

// The text of \a stream, which is left empty.
std::string take(std::ostringstream& stream) {
  std::string text = std::move(stream).str();
  stream.str({});
  return text;
}

int compareAll(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
               const text::RunEnvironment& environment) {
  const double start = environment.processorMilliseconds();
  const auto elapsed = [&environment](double since) {
    return environment.processorMilliseconds() - since;
  };

  CompareSettings settings;
  if (const std::optional<int> status = readSettings(args, settings, out, err)) return *status;

  similarity::SelectedMeasures selected;
  if (!similarity::loadTypesFile(settings.typesFile, settings.fieldSeparator, settings.verbosity,
                                 selected, err)) {
    similarity::addDefaultTypes(settings.fieldSeparator, settings.verbosity, selected, err);
  }
  if (selected.measures.empty()) {
    err << "No valid similarity measure found\n";
    return text::kUsageError;
  }
  const std::vector<similarity::CombiType>& measures = selected.measures;

  std::vector<std::string>& list1 = settings.fileList1;
  std::vector<std::string>& list2 = settings.fileList2;
  if (settings.randomCount > 0) {
    RandomGenerator random(environment.calendarSeconds());
    const auto n = static_cast<std::size_t>(settings.randomCount);
    list1 = randomSubset(list1, n, random, out);
    list2 = settings.sameList ? list1 : randomSubset(list2, n, random, out);
  }
  const PairMode mode = pairModeOf(settings);
  // Only the matrix and query outputs read the values after the loop; the
  // query report only those of the first measure.
  const bool keepTable = settings.queryMode || settings.matrixOutput;
  const std::size_t keptMeasures = settings.queryMode ? 1 : measures.size();
  if (keepTable && !pairTableFits(settings, mode, list1.size(), list2.size(), keptMeasures, err)) {
    return text::kRunFailed;
  }

  std::unique_ptr<similarity::GaussTable> gauss;
  if (selected.usesGaussRhythm) {
    gauss = std::make_unique<similarity::GaussTable>();
    // Without a table the kernel is computed directly, with the same values.
    if (!similarity::buildGaussTable(*gauss, err)) gauss.reset();
  }

  core::MelodyReader reader(err, settings.quantLevel);
  reader.verbosity = settings.readerVerbosity;
  const std::vector<core::Melody> melodies1 = loadMelodies(reader, list1);
  std::vector<core::Melody> ownMelodies2;
  if (!settings.sameList) ownMelodies2 = loadMelodies(reader, list2);
  const std::vector<core::Melody>& melodies2 = settings.sameList ? melodies1 : ownMelodies2;
  err << "Reading files completed in " << text::formatGeneral(elapsed(start)) << " ms\n";

  if (settings.verbosity > 0) err << kBanner << "\n\n";
  const text::Slice slice =
      text::shardSlice(comparisonCount(mode, list1.size(), list2.size()), settings.shard);
  const std::size_t count = slice.size();
  bool outputsWritten = true;
  // The side files come from the first slice only, so that shards running
  // side by side do not write the same file.
  const bool sideFiles = settings.shard.first();
  if (settings.phraseMode && sideFiles) {
    outputsWritten = writePhraseReport(melodies1, settings.sameList ? nullptr : &melodies2, err);
  }
  if (settings.verbosity > 0) {
    err << "Number of files 1: " << list1.size() << '\n'
        << "Number of files 2: " << list2.size() << '\n'
        << "Number of comparings: " << count << "\n\n";
  }

  const std::string matrixBase = settings.outputDirectory.empty()
                                     ? settings.resultFile
                                     : settings.outputDirectory + "/" + settings.resultFile;
  EarlyOutputs outputs;
  if (!openOutputs(settings, selected, matrixBase, out, err, outputs)) return text::kRunFailed;
  std::optional<text::OutputFile>& list = outputs.list;
  std::optional<text::OutputFile>& report = outputs.report;

  // Each melody is prepared once for all its pairs.
  const similarity::PreparationPlan plan = similarity::PreparationPlan::forMeasures(
      measures, settings.transpositionSearch, settings.phraseMode);
  const std::vector<similarity::PreparedMelody> prepared1 =
      similarity::prepareMelodies(melodies1, plan, err);
  std::vector<similarity::PreparedMelody> ownPrepared2;
  if (!settings.sameList) ownPrepared2 = similarity::prepareMelodies(melodies2, plan, err);
  const std::vector<similarity::PreparedMelody>& prepared2 =
      settings.sameList ? prepared1 : ownPrepared2;

  std::optional<PairTable> table;
  if (keepTable) table.emplace(mode, list1.size(), list2.size(), keptMeasures);
  std::optional<text::ProgressReporter> progress;
  if (settings.progress) {
    progress.emplace(err, count, "pairs", environment.errorIsTerminal, environment.wallSeconds);
  }

  // Workers compare chunks of pairs; their results and messages are written
  // here in pair order, so that every job count gives the same output.
  const unsigned jobs = text::resolveJobCount(settings.jobs);
  std::vector<std::unique_ptr<PairWorker>> workers;
  for (unsigned w = 0; w < jobs; ++w) workers.push_back(std::make_unique<PairWorker>(gauss.get()));
  const auto work = [&](unsigned w, std::size_t first, std::size_t /*last*/,
                        std::vector<ComparedPair>& results) {
    PairWorker& worker = *workers[w];
    const PairRun pairRun{settings, measures, worker.engine, environment, worker.out, worker.err};
    PairCursor cursor(mode, list1.size(), list2.size(), first);
    for (ComparedPair& pair : results) {
      pair.i = cursor.first();
      pair.j = cursor.second();
      pair.result =
          comparePair(pairRun, prepared1[pair.i], prepared2[pair.j], list1[pair.i], list2[pair.j]);
      pair.out = take(worker.out);
      pair.err = take(worker.err);
      cursor.advance();
    }
  };
  const auto emit = [&](std::size_t, ComparedPair& pair) {
    if (!pair.err.empty()) {
      if (progress) progress->interrupt();
      err << pair.err;
    }
    out << pair.out;
    if (list && pair.result.listed) list->writeLine(pair.result.row);
    if (table) table->store(pair.i, pair.j, pair.result.values);
    if (progress) progress->advance();
    // Once the list cannot be written, comparing more is of no use.
    return !list || list->ok();
  };
  double lastFlush = environment.wallSeconds() - kFlushInterval;
  const auto idle = [&] {
    if (!list) return;
    const double now = environment.wallSeconds();
    if (now - lastFlush < kFlushInterval) return;
    list->flush();
    lastFlush = now;
  };
  text::OrderedJobs<ComparedPair>::run(slice, jobs, kPairsPerChunk, work, emit, idle);
  if (progress) progress->finish();
  if (list && !list->close()) {
    list->report(err);
    outputsWritten = false;
  }

  if (table) {
    const ResultSource source{list1, list2, *table};
    if (report) {
      const bool written = writeQueryReport(*report, source, measures, err);
      if (!report->close()) report->report(err, "File I/O error");
      outputsWritten = outputsWritten && written && report->ok();
    } else if (!writeMatrixFiles(matrixBase, source, measures, settings.fieldSeparator, err)) {
      outputsWritten = false;
    }
  }
  if (settings.writeFileList && sideFiles && !writeFileList(list1, err)) outputsWritten = false;
  if (!outputsWritten) return text::kRunFailed;
  err << count << " comparings completed in " << text::formatGeneral(elapsed(start) * 0.001)
      << " s\n";
  return 0;
}

}  // namespace

int run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
        const text::RunEnvironment& environment) {
  return text::finishStandardOutput(compareAll(args, out, err, environment), out, err);
}

}  // namespace suite::tunecmp
