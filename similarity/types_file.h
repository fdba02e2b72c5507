// The user's selection of similarity measures: name lookup in the catalogue,
// the types-file grammar of single and combined types, the built-in list and
// the output header built from the selection.
#pragma once

#include <array>
#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "similarity/type_table.h"

namespace suite::similarity {

/// One weighted product of catalogue types.
struct CombiTerm {
  std::vector<std::size_t> factors;  ///< measure indices (catalogue, then extra), multiplied;
                                     ///< never empty once parsed
  std::string name;                  ///< row description (single type) or combi name
  double weight = 1.0;
};

/// One selected measure (one output column): a weighted sum of products.
struct CombiType {
  std::vector<CombiTerm> terms;  ///< in the order given
  std::string name;              ///< the column name: type name as written, or combi name
  std::string displayName;       ///< the combi name; empty for a single type
};

/// The measures of one run with the output header they give.
struct SelectedMeasures {
  std::vector<CombiType> measures;
  /// "file1" + sep + "file2" + sep, then each measure's name + sep.
  std::string header;
  /// A selected measure uses rhytGaus, so the Gauss lookup table is needed.
  bool usesGaussRhythm = false;
};

/// The built-in measures, used when no types file can be read.
inline constexpr std::array<std::string_view, 6> kDefaultTypeLines = {
    "combi:opt3 nGrUkkon 0.505 rhytFuzz 0.417 harmCorE 0.24 const -0.146",
    "diffEd",
    "nGrUkkon",
    "conSEd",
    "rhytFuz2",
    "harmCorE",
};

/// Most lines a types file may have (pieces of 1023 characters count as lines).
inline constexpr std::size_t kMaxTypesFileLines = 100000;

/// Index of the first row whose name equals \a name with ASCII letters
/// compared case-insensitively (no trimming): into typeTable, else an extra
/// measure (kTypeCount + its row, see extra_measures.h); -1 when none does.
int findSimilarityType(std::string_view name);

/// True when a factor of any term is the Gauss rhythm type.
bool usesGaussRhythm(const CombiType& type);

/// Fills the factors of \a term from a product spec "a*b*..." (or a single
/// name). An empty factor ends the product; only trailing empty factors are
/// allowed. False, with "Unrecognized similarity type ..." on \a err, when a
/// factor is not in the catalogue. Each factor of a "*" product is reported
/// as "Added <factor>".
bool parseProductSpec(std::string_view spec, CombiTerm& term, std::ostream& err);

/// Parses one types-file line (trailing white space already removed) into
/// \a type: a single type name, or "combi[:name] spec weight [spec weight ...]"
/// with fields separated by single blanks. False for a "#" comment line
/// (silently) and for a rejected line (with its message on \a err).
/// \a verbosity above 0 adds "Found" and "with weight" lines.
/// On success \a gaussRhythm tells whether the measure uses rhytGaus.
bool parseTypeLine(std::string_view line, int verbosity, CombiType& type, bool& gaussRhythm,
                   std::ostream& err);

/// Reads the measures from a types file. False with "Could not open <path>"
/// when it cannot be opened, and false with "Error reading <path>" on a read
/// error (then \a selected holds what was read before; the caller replaces
/// it with the defaults). True at end of file, also when no line was valid.
/// A file with a NUL byte or more than kMaxTypesFileLines lines is refused
/// ("<path>: <why>; a types file holds at most ...") with false as well.
bool loadTypesFile(const std::string& path, std::string_view separator, int verbosity,
                   SelectedMeasures& selected, std::ostream& err);

/// The same from a stream (\a path only for messages).
bool loadTypesFile(std::istream& in, const std::string& path, std::string_view separator,
                   int verbosity, SelectedMeasures& selected, std::ostream& err);

/// Replaces \a selected by the built-in measures (kDefaultTypeLines).
void addDefaultTypes(std::string_view separator, int verbosity, SelectedMeasures& selected,
                     std::ostream& err);

/// Writes every catalogue name, one per line, in table order.
void printTypeNames(std::ostream& out);

/// Writes every extra measure, one per line: its name, blanks up to column
/// 11 (at least one), its description without the padding.
void printExtraMeasures(std::ostream& out);

}  // namespace suite::similarity
