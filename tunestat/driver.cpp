#include "tunestat/driver.h"

#include <algorithm>
#include <limits>
#include <optional>
#include <sstream>
#include <string_view>

#include "analysis/features.h"
#include "core/melody_reader.h"
#include "text/output_file.h"

namespace suite::tunestat {
namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// The melodies of the list, one at a time: a melody is read, handed on and
// dropped, so that a list of any length needs the memory of one melody.
// A file that fails is reported ("Error reading <file>") and counted.
class MelodyStream {
 public:
  MelodyStream(const std::vector<std::string>& files, int quantLevel, std::ostream& err,
               text::ProgressReporter* progress)
      : files_(files), reader_(messages_, quantLevel), err_(err), progress_(progress) {}

  // Reads melody i into \a melody; false (reported) when it cannot be read.
  bool read(std::size_t i, core::Melody& melody) {
    messages_.str("");
    const bool ok = core::readMelodyFile(reader_, files_[i], melody);
    if (!ok) messages_ << "Error reading " << files_[i] << '\n';
    if (messages_.tellp() > 0) {
      // Messages must not run into a self-updating progress line.
      if (progress_ != nullptr) progress_->interrupt();
      err_ << messages_.view();
    }
    if (!ok) ++leftOut_;
    return ok;
  }

  // Says how many listed melodies produce no row, so that a short table is
  // no surprise.
  void reportLeftOut() const {
    if (leftOut_ > 0) err_ << leftOut_ << " of " << files_.size() << " melodies could not be read\n";
  }

  std::size_t leftOut() const { return leftOut_; }

 private:
  const std::vector<std::string>& files_;
  std::ostringstream messages_;
  core::MelodyReader reader_;
  std::ostream& err_;
  text::ProgressReporter* progress_;
  std::size_t leftOut_ = 0;
};

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
  MelodyStream melodies(files, settings.quantLevel, err, progress);
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
  core::Melody melody;
  std::vector<double> row;
  for (std::size_t i = 0; i < files.size() && (!sink || sink->ok()); ++i) {
    if (melodies.read(i, melody)) {
      if (!sink) open();
      row.clear();
      analysis::MelodyFeatures prepared(melody);
      for (const analysis::FeatureDef* feature : features) {
        const std::vector<double> values = prepared.compute(*feature);
        row.push_back(values.empty() ? kUndefined : values.front());
      }
      sink->write(settings.format == OutputFormat::Arff ? formatRow(format, row)
                                                        : formatRow(format, row, files[i]));
    }
    if (progress != nullptr) progress->advance();
  }
  // After a failed output the rest of the list is not read.
  if (!sink || sink->ok()) melodies.reportLeftOut();
  if (!sink) return ModeResult::NothingRead;
  return sink->finish(err) ? ModeResult::Done : ModeResult::OutputFailed;
}

namespace {

// The rows of one melody in transform mode, into the file beside it (with a
// base name) or to \a out. False, with the failure reported on \a err, when
// the file cannot be created or written.
bool writeTransform(const core::Melody& melody, const std::string& fileName,
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
  if (sink.ok()) {
    const std::vector<std::vector<double>> values = computeFeatures(melody, features);
    std::size_t rows = 0;
    for (const std::vector<double>& v : values) rows = std::max(rows, v.size());
    // Every per-note vector has at most one value per note.
    rows = std::min(rows, melody.pitches.size());
    std::vector<double> row;
    for (std::size_t r = 0; r < rows && sink.ok(); ++r) {
      row.clear();
      row.push_back(melody.pitches[r]);
      // A feature with fewer values (one value, or one per interval) is
      // undefined in the rows it does not reach, so that no value slides under
      // another feature's name.
      for (const std::vector<double>& v : values) row.push_back(r < v.size() ? v[r] : kUndefined);
      sink.write(formatRow(format, row, fileName));
    }
  }
  return sink.finish(err);
}

}  // namespace

ModeResult runTransformMode(const analysis::FeatureSelection& features,
                            const std::vector<std::string>& files, const OutputSettings& settings,
                            std::ostream& out, std::ostream& err,
                            text::ProgressReporter* progress) {
  MelodyStream melodies(files, settings.quantLevel, err, progress);
  core::Melody melody;
  bool allWritten = true;
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (melodies.read(i, melody) &&
        !writeTransform(melody, files[i], features, settings, out, err, progress)) {
      allWritten = false;
      // Standard output that failed once takes nothing more; a file beside
      // one melody says nothing about the next.
      if (settings.outputName.empty()) break;
    }
    if (progress != nullptr) progress->advance();
  }
  melodies.reportLeftOut();
  if (!allWritten) return ModeResult::OutputFailed;
  return melodies.leftOut() == files.size() && !files.empty() ? ModeResult::NothingRead
                                                               : ModeResult::Done;
}

}  // namespace suite::tunestat
