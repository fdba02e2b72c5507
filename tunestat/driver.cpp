#include "tunestat/driver.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string_view>

#include "analysis/features.h"
#include "core/melody_reader.h"

namespace suite::tunestat {
namespace {

constexpr double kUndefined = std::numeric_limits<double>::quiet_NaN();

// Reads every melody of the list; a file that fails stays as an empty melody.
bool readMelodies(const std::vector<std::string>& files, int quantLevel,
                  std::vector<core::Melody>& melodies, std::ostream& err) {
  core::MelodyReader reader(err, quantLevel);
  return core::readMelodyFiles(reader, files, melodies);
}

// Says how many listed melodies produce no row, so that a short table is no
// surprise.
void reportLeftOut(const std::vector<core::Melody>& melodies, std::ostream& err) {
  const auto leftOut = std::count_if(melodies.begin(), melodies.end(),
                                     [](const core::Melody& m) { return m.empty(); });
  if (leftOut > 0) {
    err << leftOut << " of " << melodies.size() << " melodies could not be read\n";
  }
}

// The selected features of one melody, in selection order.
std::vector<std::vector<double>> computeFeatures(const core::Melody& melody,
                                                 const analysis::FeatureSelection& features) {
  std::vector<std::vector<double>> values;
  values.reserve(features.size());
  for (const analysis::FeatureDef* feature : features) {
    values.push_back(analysis::computeFeature(melody, *feature));
  }
  return values;
}

// Rows written to the standard output share the terminal with a
// self-updating progress line on the error stream: the line is cleared before
// a row and the row is flushed before the line comes back.
class RowSink {
 public:
  RowSink(std::ostream& dest, bool toStandardOutput, text::ProgressReporter* progress)
      : dest_(dest), shared_(toStandardOutput && progress != nullptr), progress_(progress) {}

  void write(std::string_view row) {
    if (shared_) progress_->interrupt();
    dest_ << row << '\n';
    if (shared_) dest_.flush();
  }

 private:
  std::ostream& dest_;
  bool shared_;
  text::ProgressReporter* progress_;
};

}  // namespace

bool runFeatureMode(const analysis::FeatureSelection& features,
                    const std::vector<std::string>& files, const OutputSettings& settings,
                    std::ostream& out, std::ostream& err, text::ProgressReporter* progress) {
  std::vector<core::Melody> melodies;
  const bool anyRead = readMelodies(files, settings.quantLevel, melodies, err);
  reportLeftOut(melodies, err);
  if (!anyRead) return false;

  std::ofstream file;
  if (!settings.outputName.empty()) {
    file.open(settings.outputName, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) return false;
  }
  std::ostream& dest = settings.outputName.empty() ? out : file;
  RowSink sink(dest, settings.outputName.empty(), progress);

  const RowFormat format = rowFormat(settings.format, settings.decimalMark, false);
  if (settings.header) {
    dest << featureHeader(features, settings.format, format.separator, "file") << '\n';
  }
  std::vector<double> row;
  for (std::size_t i = 0; i < melodies.size() && i < files.size() && dest; ++i) {
    const core::Melody& melody = melodies[i];
    if (!melody.empty()) {
      row.clear();
      for (const analysis::FeatureDef* feature : features) {
        const std::vector<double> values = analysis::computeFeature(melody, *feature);
        row.push_back(values.empty() ? kUndefined : values.front());
      }
      sink.write(settings.format == OutputFormat::Arff ? formatRow(format, row)
                                                       : formatRow(format, row, files[i]));
    }
    if (progress != nullptr) progress->advance();
  }
  if (!dest) return false;
  if (file.is_open()) {
    file.close();
    if (!file) return false;
  } else {
    dest.flush();
    if (!dest) return false;
  }
  return true;
}

namespace {

// The rows of one melody in transform mode, into the file beside it (with a
// base name) or to \a out. False when the file cannot be created or written.
bool writeTransform(const core::Melody& melody, const std::string& fileName,
                    const analysis::FeatureSelection& features, const OutputSettings& settings,
                    std::ostream& out, text::ProgressReporter* progress) {
  std::ofstream file;
  if (!settings.outputName.empty()) {
    file.open(transformFileName(fileName, settings.outputName),
              std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) return false;
  }
  std::ostream& dest = settings.outputName.empty() ? out : file;
  RowSink sink(dest, settings.outputName.empty(), progress);

  const RowFormat format = rowFormat(settings.format, settings.decimalMark, true);
  if (settings.header) {
    sink.write("file" + std::string(format.separator) +
               featureHeader(features, settings.format, format.separator, "pitch"));
  }
  const std::vector<std::vector<double>> values = computeFeatures(melody, features);
  std::size_t rows = 0;
  for (const std::vector<double>& v : values) rows = std::max(rows, v.size());
  // Every per-note vector has at most one value per note.
  rows = std::min(rows, melody.pitches.size());
  std::vector<double> row;
  for (std::size_t r = 0; r < rows && dest; ++r) {
    row.clear();
    row.push_back(melody.pitches[r]);
    // A feature with fewer values (one value, or one per interval) is
    // undefined in the rows it does not reach, so that no value slides under
    // another feature's name.
    for (const std::vector<double>& v : values) row.push_back(r < v.size() ? v[r] : kUndefined);
    sink.write(formatRow(format, row, fileName));
  }
  if (file.is_open()) file.close();
  return static_cast<bool>(dest);
}

}  // namespace

bool runTransformMode(const analysis::FeatureSelection& features,
                      const std::vector<std::string>& files, const OutputSettings& settings,
                      std::ostream& out, std::ostream& err, text::ProgressReporter* progress) {
  std::vector<core::Melody> melodies;
  const bool anyRead = readMelodies(files, settings.quantLevel, melodies, err);
  reportLeftOut(melodies, err);
  if (!anyRead) return false;

  bool allWritten = true;
  for (std::size_t i = 0; i < melodies.size() && i < files.size(); ++i) {
    const core::Melody& melody = melodies[i];
    if (!melody.empty() && !writeTransform(melody, files[i], features, settings, out, progress)) {
      allWritten = false;
    }
    if (progress != nullptr) progress->advance();
  }
  return allWritten;
}

}  // namespace suite::tunestat
