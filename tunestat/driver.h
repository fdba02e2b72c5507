// The driver of tunestat: its two processing modes, one row per melody
// (feature mode) or one file of rows per melody (transform mode).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "analysis/feature_table.h"
#include "tunestat/output_formats.h"

namespace suite::tunestat {

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
