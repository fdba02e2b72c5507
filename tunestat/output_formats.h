// The CSV, R, ARFF and GNUPLOT text of tunestat's rows: separators, decimal
// marks, value notation, headers and transform file names.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

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

}  // namespace suite::tunestat
