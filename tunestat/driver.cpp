#include "tunestat/driver.h"

#include <algorithm>
#include <fstream>

#include "analysis/features.h"
#include "core/melody_reader.h"

namespace suite::tunestat {
namespace {

// Reads every melody of the list; a file that fails stays as an empty melody.
bool readMelodies(const std::vector<std::string>& files, int quantLevel,
                  std::vector<core::Melody>& melodies, std::ostream& err) {
  core::MelodyReader reader(err, quantLevel);
  return core::readMelodyFiles(reader, files, melodies);
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

}  // namespace

bool runFeatureMode(const analysis::FeatureSelection& features,
                    const std::vector<std::string>& files, const OutputSettings& settings,
                    std::ostream& out, std::ostream& err) {
  std::vector<core::Melody> melodies;
  if (!readMelodies(files, settings.quantLevel, melodies, err)) return false;

  std::ofstream file;
  if (!settings.outputName.empty()) {
    file.open(settings.outputName, std::ios::out | std::ios::trunc | std::ios::binary);
    if (!file.is_open()) return false;
  }
  std::ostream& dest = settings.outputName.empty() ? out : file;

  const RowFormat format = rowFormat(settings.format, settings.decimalMark, false);
  if (settings.header) {
    dest << featureHeader(features, settings.format, format.separator, "file") << '\n';
  }
  std::vector<double> row;
  for (std::size_t i = 0; i < melodies.size() && i < files.size(); ++i) {
    if (!dest) break;
    const core::Melody& melody = melodies[i];
    if (melody.empty()) continue;
    row.clear();
    analysis::MelodyFeatures prepared(melody);
    for (const analysis::FeatureDef* feature : features) {
      const std::vector<double> values = prepared.compute(*feature);
      if (!values.empty()) row.push_back(values.front());
    }
    if (settings.format == OutputFormat::Arff) {
      dest << formatRow(format, row) << '\n';
    } else {
      dest << formatRow(format, row, files[i]) << '\n';
    }
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

bool runTransformMode(const analysis::FeatureSelection& features,
                      const std::vector<std::string>& files, const OutputSettings& settings,
                      std::ostream& out, std::ostream& err) {
  std::vector<core::Melody> melodies;
  if (!readMelodies(files, settings.quantLevel, melodies, err)) return false;

  const RowFormat format = rowFormat(settings.format, settings.decimalMark, true);
  bool allWritten = true;
  std::vector<double> row;
  for (std::size_t i = 0; i < melodies.size() && i < files.size(); ++i) {
    const core::Melody& melody = melodies[i];
    if (melody.empty()) continue;

    std::ofstream file;
    if (!settings.outputName.empty()) {
      file.open(transformFileName(files[i], settings.outputName),
                std::ios::out | std::ios::trunc | std::ios::binary);
      if (!file.is_open()) {
        allWritten = false;
        continue;
      }
    }
    std::ostream& dest = settings.outputName.empty() ? out : file;

    if (settings.header) {
      dest << "file" << format.separator
           << featureHeader(features, settings.format, format.separator, "pitch") << '\n';
    }
    const std::vector<std::vector<double>> values = computeFeatures(melody, features);
    std::size_t rows = 0;
    for (const std::vector<double>& v : values) rows = std::max(rows, v.size());
    // Every per-note vector has at most one value per note.
    rows = std::min(rows, melody.pitches.size());
    for (std::size_t r = 0; r < rows && dest; ++r) {
      row.clear();
      row.push_back(melody.pitches[r]);
      for (const std::vector<double>& v : values) {
        if (r < v.size()) row.push_back(v[r]);
      }
      dest << formatRow(format, row, files[i]) << '\n';
    }
    if (file.is_open()) file.close();
    if (!dest) allWritten = false;
  }
  return allWritten;
}

}  // namespace suite::tunestat
