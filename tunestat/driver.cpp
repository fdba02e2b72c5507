#include "tunestat/driver.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>

#include "analysis/features.h"
#include "core/melody_reader.h"
#include "text/ordered_jobs.h"
#include "text/output_file.h"

namespace suite::tunestat {
namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Melodies per chunk of work handed to a thread.
constexpr std::size_t kMelodiesPerChunk = 4;

// One melody as read and computed by a worker, kept until its turn.
struct ComputedMelody {
  bool read = false;
  std::string messages;  // the reader's, then "Error reading <file>"
  std::string rows;      // its rows, each with its line feed
};

// What one thread reads with.
struct MelodyWorker {
  std::ostringstream messages;
  core::MelodyReader reader;
  core::Melody melody;
  explicit MelodyWorker(int quantLevel) : reader(messages, quantLevel) {}
};

// The rows of melody \a i (of the list) into \a rows.
using ComputeRows = std::function<void(const core::Melody&, std::size_t i, std::string& rows)>;
// Writes melody \a i and counts it on the progress line; false ends the run.
using WriteMelody = std::function<bool(std::size_t i, const ComputedMelody&)>;

// Reads the listed melodies and computes their rows on settings.jobs threads,
// each holding one melody at a time, and hands them to \a write in list
// order, after writing each one's reader messages on \a err. Returns how
// many of the melodies handed on could not be read.
std::size_t forEachMelody(const std::vector<std::string>& files, const OutputSettings& settings,
                          std::ostream& err, text::ProgressReporter* progress,
                          const ComputeRows& compute, const WriteMelody& write) {
  const unsigned jobs = text::resolveJobCount(settings.jobs);
  std::vector<std::unique_ptr<MelodyWorker>> workers;
  for (unsigned w = 0; w < jobs; ++w) {
    workers.push_back(std::make_unique<MelodyWorker>(settings.quantLevel));
  }
  const auto work = [&](unsigned w, std::size_t first, std::size_t,
                        std::vector<ComputedMelody>& results) {
    MelodyWorker& worker = *workers[w];
    for (std::size_t i = first; i < first + results.size(); ++i) {
      ComputedMelody& result = results[i - first];
      worker.messages.str({});
      result.read = core::readMelodyFile(worker.reader, files[i], worker.melody);
      if (!result.read) worker.messages << "Error reading " << files[i] << '\n';
      result.messages = std::move(worker.messages).str();
      result.rows.clear();
      if (result.read) compute(worker.melody, i, result.rows);
    }
  };
  std::size_t leftOut = 0;
  const auto emit = [&](std::size_t i, ComputedMelody& result) {
    if (!result.messages.empty()) {
      // Messages must not run into a self-updating progress line.
      if (progress != nullptr) progress->interrupt();
      err << result.messages;
    }
    if (!result.read) ++leftOut;
    return write(i, result);
  };
  text::OrderedJobs<ComputedMelody>::run({0, files.size()}, jobs, kMelodiesPerChunk, work, emit);
  return leftOut;
}

// Says how many listed melodies produce no row, so that a short table is no
// surprise.
void reportLeftOut(std::size_t leftOut, std::size_t listed, std::ostream& err) {
  if (leftOut > 0) err << leftOut << " of " << listed << " melodies could not be read\n";
}

// The selected features of one melody, in selection order; what several
// features share is computed once.
std::vector<std::vector<double>> computeFeatures(const core::Melody& melody,
                                                 const analysis::FeatureSelection& features) {
  analysis::MelodyFeatures prepared(melody);
  std::vector<std::vector<double>> values;
  values.reserve(features.size());
  for (const analysis::FeatureDef* feature : features) {
    values.push_back(prepared.compute(*feature));
  }
  return values;
}

// Where the rows of an output go: a file, or standard output, which shares
// the terminal with a self-updating progress line on the error stream: the
// line is cleared before a row and the row is flushed before the line comes
// back.
class RowSink {
 public:
  // \a fileName empty: standard output.
  RowSink(const std::string& fileName, std::ostream& out, text::ProgressReporter* progress)
      : dest_(fileName.empty() ? text::OutputFile::toStream(out) : text::OutputFile::open(fileName)),
        shared_(fileName.empty() && progress != nullptr),
        progress_(progress) {}

  bool write(std::string_view row) {
    if (shared_) progress_->interrupt();
    return dest_.writeLine(row) && (!shared_ || dest_.flush());
  }

  // Rows that already end with their line feeds.
  bool writeRows(std::string_view rows) {
    if (shared_) progress_->interrupt();
    return dest_.write(rows) && (!shared_ || dest_.flush());
  }

  bool ok() const { return dest_.ok(); }

  // Closes the output; false, with the failure reported on \a err, when
  // anything about it failed.
  bool finish(std::ostream& err) {
    if (dest_.close()) return true;
    if (progress_ != nullptr) progress_->interrupt();
    dest_.report(err);
    return false;
  }

 private:
  text::OutputFile dest_;
  bool shared_;
  text::ProgressReporter* progress_;
};

}  // namespace

ModeResult runFeatureMode(const analysis::FeatureSelection& features,
                          const std::vector<std::string>& files, const OutputSettings& settings,
                          std::ostream& out, std::ostream& err, text::ProgressReporter* progress) {
  const RowFormat format = rowFormat(settings.format, settings.decimalMark, false);
  // Opened with the first melody read, so that a run without one creates no file.
  std::optional<RowSink> sink;
  const auto open = [&] {
    sink.emplace(settings.outputName, out, progress);
    if (settings.header) {
      sink->write(featureHeader(features, settings.format, format.separator, "file"));
    }
  };
  if (files.empty()) open();
  const auto compute = [&](const core::Melody& melody, std::size_t i, std::string& rows) {
    std::vector<double> row;
    row.reserve(features.size());
    analysis::MelodyFeatures prepared(melody);
    for (const analysis::FeatureDef* feature : features) {
      const std::vector<double> values = prepared.compute(*feature);
      row.push_back(values.empty() ? kUndefined : values.front());
    }
    rows = settings.format == OutputFormat::Arff ? formatRow(format, row)
                                                 : formatRow(format, row, files[i]);
    rows += '\n';
  };
  const auto write = [&](std::size_t, const ComputedMelody& melody) {
    if (melody.read) {
      if (!sink) open();
      sink->writeRows(melody.rows);
    }
    if (progress != nullptr) progress->advance();
    // After a failed output the rest of the list is not read.
    return !sink || sink->ok();
  };
  const std::size_t leftOut = forEachMelody(files, settings, err, progress, compute, write);
  if (!sink || sink->ok()) reportLeftOut(leftOut, files.size(), err);
  if (!sink) return ModeResult::NothingRead;
  return sink->finish(err) ? ModeResult::Done : ModeResult::OutputFailed;
}

namespace {

// The rows of one melody in transform mode: per note its pitch and the
// note's value of every selected feature.
std::string transformRows(const core::Melody& melody, const std::string& fileName,
                          const analysis::FeatureSelection& features, const RowFormat& format) {
  const std::vector<std::vector<double>> values = computeFeatures(melody, features);
  std::size_t rows = 0;
  for (const std::vector<double>& v : values) rows = std::max(rows, v.size());
  // Every per-note vector has at most one value per note.
  rows = std::min(rows, melody.pitches.size());
  std::string text;
  std::vector<double> row;
  for (std::size_t r = 0; r < rows; ++r) {
    row.clear();
    row.push_back(melody.pitches[r]);
    // A feature with fewer values (one value, or one per interval) is
    // undefined in the rows it does not reach, so that no value slides under
    // another feature's name.
    for (const std::vector<double>& v : values) row.push_back(r < v.size() ? v[r] : kUndefined);
    text += formatRow(format, row, fileName);
    text += '\n';
  }
  return text;
}

// Writes the rows of one melody in transform mode into the file beside it
// (with a base name) or to \a out. False, with the failure reported on
// \a err, when the file cannot be created or written.
bool writeTransform(const std::string& rows, const std::string& fileName,
                    const analysis::FeatureSelection& features, const OutputSettings& settings,
                    std::ostream& out, std::ostream& err, text::ProgressReporter* progress) {
  RowSink sink(settings.outputName.empty() ? std::string()
                                           : transformFileName(fileName, settings.outputName),
               out, progress);
  const RowFormat format = rowFormat(settings.format, settings.decimalMark, true);
  if (settings.header) {
    sink.write("file" + std::string(format.separator) +
               featureHeader(features, settings.format, format.separator, "pitch"));
  }
  if (sink.ok() && !rows.empty()) sink.writeRows(rows);
  return sink.finish(err);
}

}  // namespace

ModeResult runTransformMode(const analysis::FeatureSelection& features,
                            const std::vector<std::string>& files, const OutputSettings& settings,
                            std::ostream& out, std::ostream& err,
                            text::ProgressReporter* progress) {
  const RowFormat format = rowFormat(settings.format, settings.decimalMark, true);
  const auto compute = [&](const core::Melody& melody, std::size_t i, std::string& rows) {
    rows = transformRows(melody, files[i], features, format);
  };
  bool allWritten = true;
  const auto write = [&](std::size_t i, const ComputedMelody& melody) {
    if (melody.read &&
        !writeTransform(melody.rows, files[i], features, settings, out, err, progress)) {
      allWritten = false;
      // Standard output that failed once takes nothing more; a file beside
      // one melody says nothing about the next.
      if (settings.outputName.empty()) return false;
    }
    if (progress != nullptr) progress->advance();
    return true;
  };
  const std::size_t leftOut = forEachMelody(files, settings, err, progress, compute, write);
  reportLeftOut(leftOut, files.size(), err);
  if (!allWritten) return ModeResult::OutputFailed;
  return leftOut == files.size() && !files.empty() ? ModeResult::NothingRead : ModeResult::Done;
}

}  // namespace suite::tunestat
