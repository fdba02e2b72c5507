#include "tunestat/output_formats.h"

#include <cmath>

#include "text/text_format.h"

namespace suite::tunestat {

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

}  // namespace suite::tunestat
