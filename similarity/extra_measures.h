// Measures beyond the catalogue of 86 types: the note-level tune-family
// measures and their combination. Name lookup reaches them after the
// catalogue, and a factor index kTypeCount + k stands for row k here, so
// types files, combined types and every output treat them like catalogue
// types; the catalogue listing (-p) stays as it is.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "similarity/type_table.h"

namespace suite::similarity {

enum class ExtraKind : std::uint8_t {
  EdIma,     ///< edit distance with metric weights (family_measures.h)
  TemAlign,  ///< local alignment of pitch band, metric weight and phrase position
  Sum,       ///< weighted sum of other measures, not clipped
};

/// One weighted measure of a Sum row, by name.
struct ExtraTerm {
  std::string_view name;
  double weight = 0.0;
};

/// One row of the extra measures.
struct ExtraMeasure {
  std::string_view name;
  std::string_view description;  ///< padded with blanks to 59 characters like the catalogue's
  ExtraKind kind;
  std::array<ExtraTerm, 3> terms;  ///< Sum rows only; unused terms have no name
};

inline constexpr std::size_t kExtraCount = 3;

// clang-format off
inline constexpr std::array<ExtraMeasure, kExtraCount> extraMeasureTable = {{
    {"EdIma",    "Notes: Edit Distance (metric weights, histogram shift)     ", ExtraKind::EdIma, {}},
    {"TemAlign", "Notes: Local Alignment (pitch band, weights, phrases)      ", ExtraKind::TemAlign, {}},
    {"famSim",   "Tune family: EdIma + 0.533 TemAlign + 0.41 rawEdw          ", ExtraKind::Sum,
     {{{"EdIma", 1.0}, {"TemAlign", 0.533}, {"rawEdw", 0.41}}}},
}};
// clang-format on

/// Catalogue rows and extra rows together.
inline constexpr std::size_t kMeasureCount = kTypeCount + kExtraCount;

constexpr bool isExtraMeasure(std::size_t index) {
  return index >= kTypeCount && index < kMeasureCount;
}

/// The extra row of measure index \a index (isExtraMeasure(index)).
constexpr const ExtraMeasure& extraMeasure(std::size_t index) {
  return extraMeasureTable[index - kTypeCount];
}

/// Name and description of a catalogue or extra row.
constexpr std::string_view measureName(std::size_t index) {
  return index < kTypeCount ? typeTable[index].name : extraMeasure(index).name;
}
constexpr std::string_view measureDescription(std::size_t index) {
  return index < kTypeCount ? typeTable[index].description : extraMeasure(index).description;
}

/// Index of the row named exactly \a name, catalogue first; kMeasureCount when none.
constexpr std::size_t measureIndex(std::string_view name) {
  for (std::size_t i = 0; i < kMeasureCount; ++i) {
    if (measureName(i) == name) return i;
  }
  return kMeasureCount;
}

namespace detail {

constexpr bool extraTableIsConsistent() {
  for (std::size_t i = kTypeCount; i < kMeasureCount; ++i) {
    const ExtraMeasure& row = extraMeasure(i);
    if (row.name.empty() || row.description.size() != 59 || row.description.front() == ' ') {
      return false;
    }
    // Looked up after the catalogue and ignoring case: a name equal to an
    // earlier one but for case could never be found.
    for (std::size_t j = 0; j < i; ++j) {
      if (sameNameIgnoringCase(measureName(j), row.name)) return false;
    }
    // A sum refers only to rows before it, so evaluating it always ends.
    bool hasTerm = false;
    for (const ExtraTerm& term : row.terms) {
      if (term.name.empty()) continue;
      hasTerm = true;
      if (row.kind != ExtraKind::Sum || measureIndex(term.name) >= i) return false;
    }
    if ((row.kind == ExtraKind::Sum) != hasTerm) return false;
  }
  return true;
}

}  // namespace detail

static_assert(detail::extraTableIsConsistent(),
              "extraMeasureTable: unique names, padded descriptions, sums of earlier rows");

}  // namespace suite::similarity
