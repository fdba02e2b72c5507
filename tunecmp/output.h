// tunecmp's result outputs: the separated list (one line per pair), one
// matrix file per measure, and the ranked query report.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "similarity/types_file.h"

namespace suite::tunecmp {

/// The values of one compared pair: melody i of list 1 against melody j of
/// list 2, one value per selected measure.
struct ResultRow {
  std::size_t i = 0;
  std::size_t j = 0;
  std::vector<double> values;
};

/// All compared pairs in the order of comparison.
using ResultTable = std::vector<ResultRow>;

enum class WriteMode { Create, Append };

/// Opens \a fileName (replacing it, or appending), writes \a text and a line
/// feed, closes it. On failure writes "Could not open <file>" and
/// "<file>: <system error>" to \a err and returns false.
bool writeResultLine(const std::string& fileName, std::string_view text, WriteMode mode,
                     std::ostream& err);

/// One value of a list line: "%1.4f" followed by the separator, with every
/// "." of that piece turned into "," under the decimal comma.
std::string formatListValue(double value, std::string_view separator, bool decimalComma);

/// \a line without the separator that ends it (the last \a separator.size()
/// characters: under the decimal comma a "." in that separator reads ",").
std::string_view withoutTrailingSeparator(std::string_view line, std::string_view separator);

/// The name up to (not including) its last "."; the whole name without one.
std::string stemOf(std::string_view name);

/// How the pairs of a run were chosen, which fixes where a pair's row lies.
enum class PairMode {
  TwoLists,  ///< every name of list 1 with every name of list 2: row i * N2 + j
  AllPairs,  ///< every unordered pair of one list once, in row-major order
  NextOnly,  ///< each name of one list with its successor: row i for (i, i + 1)
};

/// The values of a run as the outputs read them.
struct ResultSource {
  const std::vector<std::string>& list1;
  const std::vector<std::string>& list2;
  const ResultTable& table;
  PairMode mode;

  /// The row holding the pair (name f of list 1, name i of list 2), or
  /// nullptr when that pair was not compared. Same-list modes mirror the
  /// pair; the diagonal has no row.
  const ResultRow* find(std::size_t f, std::size_t i) const;
};

/// Writes the matrix of measure \a k: a first line of separator + stem of
/// every name of list 2, then per name of list 1 its stem and one "%.3f"
/// value per name of list 2. In the same-list modes the diagonal reads 1.000;
/// pairs that were not compared (neighbours only with -f1) read -1.000.
/// A separator of backslash + "t" is written as a tab. False (with a
/// message on \a err) when the file cannot be opened or written.
bool writeMatrixFile(const std::string& fileName, const ResultSource& source, std::size_t k,
                     std::string_view separator, std::ostream& err);

/// Writes one matrix file per measure: base + "_" + measure + ".csv", or
/// "similarity_" + measure + ".csv" without a base; stops at the first
/// failure ("Failed.").
void writeMatrixFiles(const std::string& base, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures,
                      std::string_view separator, std::ostream& err);

/// The ranked query report of the first measure: one block per name of
/// list 2 ranking every name of list 1, largest value first (stable). Goes
/// to \a resultFile, or to \a out when it is empty.
void writeQueryReport(const std::string& resultFile, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures, std::ostream& out,
                      std::ostream& err);

}  // namespace suite::tunecmp
