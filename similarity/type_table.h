// The catalogue of the 86 similarity types: name, description, flag word and
// parameters of each, in the order in which they are listed and looked up.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "similarity/type_flags.h"

namespace suite::similarity {

/// One row of the catalogue.
struct SimilarityType {
  std::string_view name;         ///< key in types files and in the -p listing; unique
  std::string_view description;  ///< label, stored with its trailing blank padding
  std::uint32_t flags;           ///< TypeFlag bits: representation, method, modifiers
  std::int32_t param;            ///< n-gram length; 1 = ticks / all-bars variant; 3 for diffFuzC
  std::int32_t auxParam;         ///< 0 in every row
};

inline constexpr std::size_t kTypeCount = 86;

// The row index is how a CombiTerm refers to a type, so the order is fixed.
// Descriptions are padded to 59 characters (harCoEAW: 60, the accent rows: 54).
// clang-format off
inline constexpr std::array<SimilarityType, kTypeCount> typeTable = {{
    {"const",         "Constant 1 measure                                         ", Constant, 0, 0},
    {"rawEd",         "Raw: Edit Distance                                         ", EditDistance, 0, 0},
    {"rawEdw",        "Raw: Edit Distance (weighted)                              ", Weighted | EditDistance, 0, 0},
    {"rawPC",         "Raw: Pears. Brav. Correlation                              ", PearsonBravais, 0, 0},
    {"rawPCSt",       "Raw: Pears. Brav. Correlation (stretched)                  ", PearsonBravais | Stretched, 0, 0},
    {"rawPCw",        "Raw: Pears. Brav. Correlation (weighted)                   ", Weighted | PearsonBravais, 0, 0},
    {"rawPCwSt",      "Raw: Pears. Brav. Correlation (weighted, stretched)        ", Weighted | PearsonBravais | Stretched, 0, 0},
    {"rawCC",         "Raw: Cross Correlation                                     ", CrossCorrelation, 0, 0},
    {"rawCCw",        "Raw: Cross Correlation (weighted)                          ", Weighted | CrossCorrelation, 0, 0},
    {"conSEd",        "Contour(Steinbeck): Edit Distance                          ", Contour | EditDistance | Steinbeck, 0, 0},
    {"conSPC",        "Contour(Steinbeck): Pears. Brav. Correlation               ", Contour | PearsonBravais | Steinbeck, 0, 0},
    {"conSPCSt",      "Contour(Steinbeck): Pears. Brav. Correlation (stretched)   ", Contour | PearsonBravais | Steinbeck | Stretched, 0, 0},
    {"conSCC",        "Contour(Steinbeck): Cross Correlation                      ", Contour | CrossCorrelation | Steinbeck, 0, 0},
    {"conEd",         "Contour(Orvik): Edit Distance                              ", Contour | EditDistance, 0, 0},
    {"conPC",         "Contour(Orvik):Pears. Brav. Correlation                    ", Contour | PearsonBravais, 0, 0},
    {"conPCSt",       "Contour(Orvik):Pears. Brav. Correlation (stretched)        ", Contour | PearsonBravais | Stretched, 0, 0},
    {"conCC",         "Contour(Orvik): Cross Correlation                          ", Contour | CrossCorrelation, 0, 0},
    {"connEd",        "Contour(natural): Edit Distance                            ", Contour | EditDistance | Natural, 0, 0},
    {"connPC",        "Contour(natural):Pears. Brav. Correlation                  ", Contour | PearsonBravais | Natural, 0, 0},
    {"connPCS",       "Contour(natural):Pears. Brav. Correlation (stretched)      ", Weighted, 0, 0},  // intended: Weighted alone, so it compares weighted raw pitches
    {"connCC",        "Contour(natural): Cross Correlation                        ", Contour | CrossCorrelation | Natural, 0, 0},
    {"fourR",         "Fourier: Fourier (ranks)                                   ", Fourier | Natural, 0, 0},
    {"fourRSt",       "Fourier: Fourier (ranks, stretch)                          ", Fourier | Natural | Stretched, 0, 0},
    {"fourRw",        "Fourier: Fourier (ranks, weighted)                         ", Weighted | Fourier | Natural, 0, 0},
    {"fourRwSt",      "Fourier: Fourier (ranks, weighted, stretched)              ", Weighted | Fourier | Natural | Stretched, 0, 0},
    {"fourRI",        "Fourier: Fourier (ranks, intervals)                        ", Fourier | Intervals | Natural, 0, 0},
    {"diffEd",        "Intervals: Edit distance                                   ", Intervals | EditDistance, 0, 0},
    {"diff",          "Intervals: Mean Difference                                 ", Intervals | MeanDifference, 0, 0},
    {"diffExp",       "Intervals: Mean Difference (exp)                           ", Intervals | MeanDifferenceExp, 0, 0},
    {"diffFuz",       "Intervals: Fuzzy                                           ", Intervals | Fuzzy, 0, 0},
    {"diffFuzC",      "Intervals: Fuzzy contour                                   ", Contour | Intervals | Fuzzy, 3, 0},
    {"nGrSumCo",      "Intervals: 3-grams  sum common                             ", Intervals | NGrams | SumCommon, 3, 0},
    {"nGrUkkon",      "Intervals: 3-grams  Ukkonnen                               ", Intervals | NGrams | Ukkonen, 3, 0},
    {"nGrCoord",      "Intervals: 3-grams  Count distinct                         ", Intervals | NGrams | CountDistinct, 3, 0},
    {"nGrSumCR",      "Intervals: 3-grams  sum common  (rough)                    ", Intervals | NGrams | SumCommon | Rough, 3, 0},
    {"nGrUkkoR",      "Intervals: 3-grams  Ukkonnen  (rough)                      ", Intervals | NGrams | Ukkonen | Rough, 3, 0},
    {"nGrCoorR",      "Intervals: 3-grams  Count distinct   (rough)               ", Intervals | NGrams | CountDistinct | Rough, 3, 0},
    {"nGrSumCF",      "Intervals: 3-grams  sum common  (fuzzy)                    ", Intervals | NGrams | Fuzzy | SumCommon, 3, 0},
    {"nGrUkkoF",      "Intervals: 3-grams  Ukkonnen  (fuzzy)                      ", Intervals | NGrams | Fuzzy | Ukkonen, 3, 0},
    {"nGrCoorF",      "Intervals: 3-grams  Count distinct   (fuzzy)               ", Intervals | NGrams | Fuzzy | CountDistinct, 3, 0},
    {"nGrSumFR",      "Intervals: 3-grams  sum common (fuzzy rhythm)              ", Rhythm | NGrams | Fuzzy | SumCommon, 3, 0},
    {"nGrUkkFR",      "Intervals: 3-grams  Ukkonnen  (fuzzy rhythm)               ", Rhythm | NGrams | Fuzzy | Ukkonen, 3, 0},
    {"nGrCooFR",      "Intervals: 3-grams  Count distinct (fuzzy rhythm)          ", Rhythm | NGrams | Fuzzy | CountDistinct, 3, 0},
    {"bGrSumCo",      "Intervals: 2-grams  sum common                             ", Intervals | NGrams | SumCommon, 2, 0},
    {"bGrUkkon",      "Intervals: 2-grams  Ukkonnen                               ", Intervals | NGrams | Ukkonen, 2, 0},
    {"bGrCoord",      "Intervals: 2-grams  Count distinct                         ", Intervals | NGrams | CountDistinct, 2, 0},
    {"bGrSumCR",      "Intervals: 2-grams  sum common  (rough)                    ", Intervals | NGrams | SumCommon | Rough, 2, 0},
    {"bGrUkkoR",      "Intervals: 2-grams  Ukkonnen  (rough)                      ", Intervals | NGrams | Ukkonen | Rough, 2, 0},
    {"bGrCoorR",      "Intervals: 2-grams  Count distinct   (rough)               ", Intervals | NGrams | CountDistinct | Rough, 2, 0},
    {"bGrSumCF",      "Intervals: 2-grams  sum common  (fuzzy)                    ", Intervals | NGrams | Fuzzy | SumCommon, 2, 0},
    {"bGrUkkoF",      "Intervals: 2-grams  Ukkonnen  (fuzzy)                      ", Intervals | NGrams | Fuzzy | Ukkonen, 2, 0},
    {"bGrCoorF",      "Intervals: 2-grams  Count distinct   (fuzzy)               ", Intervals | NGrams | Fuzzy | CountDistinct, 2, 0},
    {"bGrSumFR",      "Intervals: 2-grams  sum common (fuzzy rhythm)              ", Rhythm | NGrams | Fuzzy | SumCommon, 2, 0},
    {"bGrUkkFR",      "Intervals: 2-grams  Ukkonnen  (fuzzy rhythm)               ", Rhythm | NGrams | Fuzzy | Ukkonen, 2, 0},
    {"bGrCooFR",      "Intervals: 2-grams  Count distinct (fuzzy rhythm)          ", Rhythm | NGrams | Fuzzy | CountDistinct, 2, 0},
    {"qGrSumCo",      "Intervals: 4-grams  sum common                             ", Intervals | NGrams | SumCommon, 4, 0},
    {"qGrUkkon",      "Intervals: 4-grams  Ukkonnen                               ", Intervals | NGrams | Ukkonen, 4, 0},
    {"qGrCoord",      "Intervals: 4-grams  Count distinct                         ", Intervals | NGrams | CountDistinct, 4, 0},
    {"qGrSumCR",      "Intervals: 4-grams  sum common  (rough)                    ", Intervals | NGrams | SumCommon | Rough, 4, 0},
    {"qGrUkkoR",      "Intervals: 4-grams  Ukkonnen  (rough)                      ", Intervals | NGrams | Ukkonen | Rough, 4, 0},
    {"qGrCoorR",      "Intervals: 4-grams  Count distinct   (rough)               ", Intervals | NGrams | CountDistinct | Rough, 4, 0},
    {"qGrSumCF",      "Intervals: 4-grams  sum common  (fuzzy)                    ", Intervals | NGrams | Fuzzy | SumCommon, 4, 0},
    {"qGrUkkoF",      "Intervals: 4-grams  Ukkonnen  (fuzzy)                      ", Intervals | NGrams | Fuzzy | Ukkonen, 4, 0},
    {"qGrCoorF",      "Intervals: 4-grams  Count distinct   (fuzzy)               ", Intervals | NGrams | Fuzzy | CountDistinct, 4, 0},
    {"qGrSumFR",      "Intervals: 4-grams  sum common (fuzzy rhythm)              ", Rhythm | NGrams | Fuzzy | SumCommon, 4, 0},
    {"qGrUkkFR",      "Intervals: 4-grams  Ukkonnen  (fuzzy rhythm)               ", Rhythm | NGrams | Fuzzy | Ukkonen, 4, 0},
    {"qGrCooFR",      "Intervals: 4-grams  Count distinct (fuzzy rhythm)          ", Rhythm | NGrams | Fuzzy | CountDistinct, 4, 0},
    {"rhytGaus",      "Rhythm: Rhythm (Gauss)                                     ", Rhythm, 0, 0},
    {"rhytFuzz",      "Rhythm: Rhythm (Fuzzy)                                     ", Rhythm | Fuzzy, 0, 0},
    {"rhytFuz2",      "Rhythm: Rhythm (Fuzzy) Ticks                               ", Rhythm | Fuzzy, 1, 0},
    {"harmCorr",      "Harmonic correlation:                                      ", Harmonic, 0, 0},
    {"harmCorK",      "Harmonic correlation (Krumhansl):                          ", Harmonic | KeyFinding, 0, 0},
    {"harmCorE",      "Harmonic correlation (Edit distance):                      ", Harmonic | EditDistance | KeyFinding, 0, 0},
    {"harmCorC",      "Harmonic correlation (Cross-Corr):                         ", Harmonic | CrossCorrelation | KeyFinding, 0, 0},
    {"harmCoKA",      "Harmonic correlation (Krumhansl, all bars):                ", Harmonic | KeyFinding, 1, 0},
    {"harmCoEA",      "Harmonic correlation (Edit distance, all bars):            ", Harmonic | EditDistance | KeyFinding, 1, 0},
    {"harmCoCA",      "Harmonic correlation (Cross-Corr, all bars):               ", Harmonic | CrossCorrelation | KeyFinding, 1, 0},
    {"harCorrW",      "Harmonic correlation (weighted, ):                         ", Weighted | Harmonic, 0, 0},
    {"harCorKW",      "Harmonic correlation (Krumhansl, weighted):                ", Weighted | Harmonic | KeyFinding, 0, 0},
    {"harCorEW",      "Harmonic correlation (Edit distance, weighted):            ", Weighted | Harmonic | EditDistance | KeyFinding, 0, 0},
    {"harCorCW",      "Harmonic correlation (Cross-Corr, weighted):               ", Weighted | Harmonic | CrossCorrelation | KeyFinding, 0, 0},
    {"harCoKAW",      "Harmonic correlation (Krumhansl, weighted, all bars):      ", Weighted | Harmonic | KeyFinding, 1, 0},
    {"harCoEAW",      "Harmonic correlation (Edit distance, weighted, all  bars):  ", Weighted | Harmonic | EditDistance | KeyFinding, 1, 0},
    {"harCoCAW",      "Harmonic correlation (Cross-Corr, weighted, all bars):     ", Weighted | Harmonic | CrossCorrelation | KeyFinding, 1, 0},
    {"accents-opti1", "Accents (linear model):                               ", Accents | LinearModel | AccentDistance, 0, 0},
    {"accents-opti2", "Accents (tree model):                                 ", Accents | PearsonBravais | AccentDistance, 0, 0},
}};
// clang-format on

namespace detail {

constexpr bool sameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

constexpr std::size_t expectedDescriptionLength(std::string_view name) {
  if (name == "harCoEAW") return 60;
  if (name == "accents-opti1" || name == "accents-opti2") return 54;
  return 59;
}

constexpr bool tableIsConsistent() {
  for (std::size_t i = 0; i < typeTable.size(); ++i) {
    const SimilarityType& t = typeTable[i];
    if (t.name.empty() || t.flags == 0 || (t.flags & kUnusedFlagBits) != 0) return false;
    if (t.param < 0 || t.param > 4 || t.auxParam != 0) return false;
    if (t.description.size() != expectedDescriptionLength(t.name)) return false;
    if (t.description.front() == ' ') return false;
    // Lookup ignores case, so a second name equal but for case could never be found.
    for (std::size_t j = 0; j < i; ++j) {
      if (sameNameIgnoringCase(typeTable[j].name, t.name)) return false;
    }
    // n-gram rows carry their length, and only they carry 2 or 4.
    const bool ngram = hasFlag(t.flags, NGrams);
    if (ngram != (t.param == 2 || t.param == 3 || t.param == 4) && t.name != "diffFuzC") return false;
  }
  return true;
}

}  // namespace detail

static_assert(detail::tableIsConsistent(),
              "typeTable: unique names, padded descriptions, known flag bits, params in range");

/// Index of a named row, for code that refers to fixed rows; kTypeCount when absent.
constexpr std::size_t typeIndex(std::string_view name) {
  for (std::size_t i = 0; i < typeTable.size(); ++i) {
    if (typeTable[i].name == name) return i;
  }
  return kTypeCount;
}

/// The Gauss rhythm type, whose measure needs the Gauss lookup table.
inline constexpr std::size_t kGaussRhythmType = typeIndex("rhytGaus");
static_assert(kGaussRhythmType == 67);

}  // namespace suite::similarity
