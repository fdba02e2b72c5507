// tunestat's two processing modes and the CSV, R, ARFF and GNUPLOT text they
// write: one row per melody (feature mode) or per note (transform mode).
#pragma once

#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/feature_table.h"

namespace suite::tunestat {

enum class OutputFormat { Csv = 1, R = 2, Arff = 3, Gnuplot = 4 };

enum class DecimalMark { Point = 1, Comma = 2 };

/// How the values of one row are written.
struct RowFormat {
  std::string_view separator;
  DecimalMark decimalMark = DecimalMark::Point;
  /// Text of an undefined (NaN) value: "NaN" where R, pandas and gnuplot read
  /// it as not-a-number, "?" (missing value) in ARFF.
  std::string_view notANumber;
};

/// The row format of \a format in feature or transform mode; \a runMark is
/// the run's decimal mark, which only CSV uses.
RowFormat rowFormat(OutputFormat format, DecimalMark runMark, bool transform);

/// One value in the default notation of a text stream (6 significant digits:
/// 61.6, 4, 1e+06), with "," for "." under the comma mark.
std::string formatValue(double value, const RowFormat& format);

/// The values joined by the separator (empty for no values), after
/// \a prefix and a separator when a prefix is given. Rows have no length
/// limit.
std::string formatRow(const RowFormat& format, std::span<const double> values,
                      std::optional<std::string_view> prefix = std::nullopt);

/// The header text of feature mode without its final line break: for CSV, R
/// and GNUPLOT \a firstColumn and the feature names joined by the separator;
/// for ARFF the relation, one numeric attribute per feature and "@data".
std::string featureHeader(const analysis::FeatureSelection& features, OutputFormat format,
                          std::string_view separator, std::string_view firstColumn);

/// Where transform mode writes the rows of \a fileName with base name
/// \a base: the file name without the extension of its last path component
/// + "_" + base + ".csv", beside the source.
std::string transformFileName(const std::string& fileName, const std::string& base);

/// Settings of a processing mode.
struct OutputSettings {
  OutputFormat format = OutputFormat::Csv;
  DecimalMark decimalMark = DecimalMark::Comma;  ///< for CSV
  bool header = true;
  std::string outputName;  ///< output file (feature mode) or base name; empty: \a out
  int quantLevel = 24;
};

/// Feature mode: reads the melodies of \a files and writes one row per
/// melody with the first value of every selected feature (features without
/// a value are left out, so later values move left). Writes to the output
/// file, else to \a out; messages go to \a err. False when no melody could
/// be read, the output file cannot be created or a write fails.
bool runFeatureMode(const analysis::FeatureSelection& features,
                    const std::vector<std::string>& files, const OutputSettings& settings,
                    std::ostream& out, std::ostream& err);

/// Transform mode: per melody one row per note with its pitch and the
/// note's value of every selected feature, into a file beside each melody
/// file (with a base name) or to \a out. A file that cannot be created or
/// written is left and the others are still written; false then, and when
/// no melody could be read.
bool runTransformMode(const analysis::FeatureSelection& features,
                      const std::vector<std::string>& files, const OutputSettings& settings,
                      std::ostream& out, std::ostream& err);

}  // namespace suite::tunestat
