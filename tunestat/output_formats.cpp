#include "tunestat/output_formats.h"

#include <algorithm>
#include <cmath>
#include <fstream>

#include "analysis/features.h"
#include "core/melody_reader.h"
#include "text/text_format.h"

namespace suite::tunestat {
namespace {

// Reads every melody of the list; a file that fails stays as an empty melody.
bool readMelodies(const std::vector<std::string>& files, int quantLevel,
                  std::vector<core::Melody>& melodies, std::ostream& err) {
  core::MelodyReader reader(err);
  return core::readMelodyFiles(reader, files, quantLevel, melodies);
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

}  // namespace

RowFormat rowFormat(OutputFormat format, DecimalMark runMark, bool transform) {
  switch (format) {
    case OutputFormat::Csv: return {";", runMark, "NaN"};
    case OutputFormat::Arff: return {transform ? " " : ",", DecimalMark::Point, "?"};
    case OutputFormat::R:
    case OutputFormat::Gnuplot: break;
  }
  return {" ", DecimalMark::Point, "NaN"};
}

std::string formatValue(double value, const RowFormat& format) {
  if (std::isnan(value)) return std::string(format.notANumber);
  std::string text = text::formatGeneral(value);
  return format.decimalMark == DecimalMark::Comma ? text::withDecimalComma(std::move(text)) : text;
}

std::string formatRow(const RowFormat& format, std::span<const double> values,
                      std::optional<std::string_view> prefix) {
  std::string row;
  if (prefix) {
    row.append(*prefix);
    row.append(format.separator);
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i > 0) row.append(format.separator);
    row.append(formatValue(values[i], format));
  }
  return row;
}

std::string featureHeader(const analysis::FeatureSelection& features, OutputFormat format,
                          std::string_view separator, std::string_view firstColumn) {
  std::string header;
  if (format == OutputFormat::Arff) {
    header = "@relation melodic-features\n\n";
    for (const analysis::FeatureDef* feature : features) {
      header.append("@attribute ").append(feature->name).append(" numeric\n");
    }
    header.append("@data\n\n");  // "@data" and an empty line
    return header;
  }
  header = firstColumn;
  for (const analysis::FeatureDef* feature : features) {
    header.append(separator).append(feature->name);
  }
  return header;
}

std::string transformFileName(const std::string& fileName, const std::string& base) {
  // Only a dot of the last path component starts an extension, so that
  // "./song" and "../dir/song" keep their names.
  const std::size_t slash = fileName.find_last_of('/');
  const std::size_t componentStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = fileName.find_last_of('.');
  const std::size_t stemEnd =
      (dot == std::string::npos || dot < componentStart) ? fileName.size() : dot;
  return fileName.substr(0, stemEnd) + "_" + base + ".csv";
}

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
    for (const analysis::FeatureDef* feature : features) {
      const std::vector<double> values = analysis::computeFeature(melody, *feature);
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
