// tunecmp's result outputs: the separated list (one line per pair, written
// as the pairs are compared), one matrix file per measure and the ranked
// query report (both from the table of pairs kept for them).
#pragma once

#include <cstddef>
#include <optional>
#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "similarity/types_file.h"
#include "text/output_file.h"

namespace suite::tunecmp {

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

/// Most values a PairTable may hold (2 GiB of doubles); a run that needs
/// more is refused before comparing.
inline constexpr std::size_t kMaxPairTableValues = std::size_t{1} << 28;

/// The values of the compared pairs that the matrix and query outputs read,
/// in one block: per row of the mode (in the order of comparison) the values
/// of the first \a measures measures. A pair not compared reads -1.
class PairTable {
 public:
  PairTable(PairMode mode, std::size_t n1, std::size_t n2, std::size_t measures);

  /// Values a table for these lists needs; nullopt when the count overflows.
  static std::optional<std::size_t> valuesNeeded(PairMode mode, std::size_t n1, std::size_t n2,
                                                 std::size_t measures);

  /// Keeps the values of the pair (name i of list 1, name j of list 2);
  /// values beyond the table's measures are left out.
  void store(std::size_t i, std::size_t j, std::span<const double> values);

  /// Measure k of the pair (name f of list 1, name i of list 2), mirrored in
  /// the same-list modes; nullopt for a pair that is no row of the mode
  /// (the diagonal, or no neighbours with -f1). -1 when not compared.
  std::optional<double> value(std::size_t f, std::size_t i, std::size_t k) const;

  PairMode mode() const { return mode_; }
  /// Pairs stored so far.
  std::size_t stored() const { return stored_; }

 private:
  std::optional<std::size_t> row(std::size_t f, std::size_t i) const;

  PairMode mode_;
  std::size_t n1_;
  std::size_t n2_;
  std::size_t measures_;
  std::size_t stored_ = 0;
  std::vector<double> values_;
};

/// The names and kept values of a run, as the matrix and query outputs read
/// them.
struct ResultSource {
  const std::vector<std::string>& list1;
  const std::vector<std::string>& list2;
  const PairTable& table;
};

/// The matrix file of measure \a measureName: base + "_" + name + ".csv", or
/// "similarity_" + name + ".csv" without a base. A "/" or "\" in the
/// measure's name (taken from the types file) becomes "_", so that the file
/// stays in the folder of the base.
std::string matrixFileName(const std::string& base, std::string_view measureName);

/// Writes the matrix of measure \a k: a first line of separator + stem of
/// every name of list 2, then per name of list 1 its stem and one "%.3f"
/// value per name of list 2. In the same-list modes the diagonal reads 1.000;
/// pairs that were not compared (neighbours only with -f1) read -1.000.
/// A separator of backslash + "t" is written as a tab. False, with the
/// failure reported on \a err, when the file cannot be opened, written or
/// closed.
bool writeMatrixFile(const std::string& fileName, const ResultSource& source, std::size_t k,
                     std::string_view separator, std::ostream& err);

/// Writes one matrix file per measure (matrixFileName), each announced as
/// "Writing <file>"; stops at the first failure ("Failed.") and returns false.
bool writeMatrixFiles(const std::string& base, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures,
                      std::string_view separator, std::ostream& err);

/// The ranked query report of the first measure: one block per name of
/// list 2 ranking every name of list 1, largest value first (stable), to
/// \a dest (the result file or standard output; not closed here). False,
/// with "Invalid data matrix (too small)" or the write failure on \a err,
/// when it could not be written whole.
bool writeQueryReport(text::OutputFile& dest, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures, std::ostream& err);

}  // namespace suite::tunecmp
