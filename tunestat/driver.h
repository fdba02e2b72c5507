// The driver of tunestat: its two processing modes, one row per melody
// (feature mode) or one file of rows per melody (transform mode).
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "analysis/feature_table.h"
#include "text/progress.h"
#include "tunestat/output_formats.h"

namespace suite::tunestat {

/// Settings of a processing mode.
struct OutputSettings {
  OutputFormat format = OutputFormat::Csv;
  DecimalMark decimalMark = DecimalMark::Comma;  ///< for CSV
  bool header = true;
  std::string outputName;  ///< output file (feature mode) or base name; empty: \a out
  int quantLevel = 24;
  unsigned jobs = 1;  ///< threads reading and computing melodies; 0: every core
};

/// How a processing mode ended.
enum class ModeResult {
  Done,          ///< every readable melody written
  NothingRead,   ///< the list named melodies and none could be read
  OutputFailed,  ///< an output could not be created or written (reported)
};

/// Feature mode: reads the melodies of \a files (each thread of
/// settings.jobs one at a time) and writes, in list order, one row per
/// melody with the first value of every selected feature; a feature without
/// a value is written as undefined ("NaN", "?" in ARFF), so that every row
/// has a field per header name. Writes to the output file (created
/// with the first melody read), else to \a out; messages go to \a err,
/// ending with "<n> of <m> melodies could not be read" when melodies were
/// left out. Counts each melody on \a progress when given. A failed output
/// is reported ("Could not open <file>" or "Error writing <file>", then
/// "<file>: <reason>") and ends the mode.
ModeResult runFeatureMode(const analysis::FeatureSelection& features,
                          const std::vector<std::string>& files, const OutputSettings& settings,
                          std::ostream& out, std::ostream& err,
                          text::ProgressReporter* progress = nullptr);

/// Transform mode: per melody one row per note with its pitch and the
/// note's value of every selected feature (undefined where a feature has
/// fewer values than the melody has notes), into a file beside each melody
/// file (with a base name) or to \a out. A file that cannot be created or
/// written is reported and the others are still written (OutputFailed
/// then); standard output that fails ends the mode. Reports left-out
/// melodies and progress as feature mode does.
ModeResult runTransformMode(const analysis::FeatureSelection& features,
                            const std::vector<std::string>& files, const OutputSettings& settings,
                            std::ostream& out, std::ostream& err,
                            text::ProgressReporter* progress = nullptr);

}  // namespace suite::tunestat
