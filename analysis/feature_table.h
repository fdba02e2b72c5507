// The table of the 133 melodic features: name, explanation, flag word and
// parameter of each, in listing order, with the lookups of feature names.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace suite::analysis {

/// One row of the feature table.
struct FeatureDef {
  std::string_view name;         ///< as typed by the user (case-insensitive) and listed
  std::string_view explanation;  ///< printed as it stands
  std::uint32_t flags;           ///< FeatureFlag bits: the computation group and its variant
  std::uint32_t parameter;       ///< statistic, n-gram length or accent-rule mask
};

/// Flag bits of a feature row. The groups are tested in the order listed here;
/// the same bit means different things in different groups.
namespace feature_flag {
// Groups, in dispatch order.
inline constexpr std::uint32_t kHuronContour = 0x00004000;
inline constexpr std::uint32_t kBarTime = 0x00002000;
inline constexpr std::uint32_t kStatistic = 0x80000000;
inline constexpr std::uint32_t kNGram = 0x00000080;
inline constexpr std::uint32_t kThomassen = 0x10000000;
inline constexpr std::uint32_t kAccentRules = 0x00000800;

// Huron contour: aggregated classes.
inline constexpr std::uint32_t kAggregated = 0x00000001;

// Bar/time conversions, tested in this order; none of them: number of bars.
inline constexpr std::uint32_t kBarPhase = 0x20000000;
inline constexpr std::uint32_t kBarPhaseDelta = 0x02000000;
inline constexpr std::uint32_t kBarPhaseCos = 0x40000000;
inline constexpr std::uint32_t kBarPhaseSin = 0x80000000;
inline constexpr std::uint32_t kBarKey = 0x10000000;
inline constexpr std::uint32_t kBeatPhase = 0x01000000;
inline constexpr std::uint32_t kTonalPhase = 0x04000000;

// Statistics: the note sequence, first match in this order.
inline constexpr std::uint32_t kPitches = 0x00000002;
inline constexpr std::uint32_t kDurations = 0x00000100;
inline constexpr std::uint32_t kSyncLevel1 = 0x00008000;
inline constexpr std::uint32_t kSyncLevel0 = 0x00010000;
inline constexpr std::uint32_t kSyncLevelMinus1 = 0x00020000;
inline constexpr std::uint32_t kSyncLevelMinus2 = 0x00040000;
inline constexpr std::uint32_t kLinearModel = 0x00080000;
inline constexpr std::uint32_t kTreeModel = 0x00100000;
inline constexpr std::uint32_t kLinearModelThresholded = 0x00200000;
inline constexpr std::uint32_t kTreeModelThresholded = 0x00400000;
inline constexpr std::uint32_t kIntervals = 0x00000020;

// N-grams: the sequence (intervals, durations, else pitches) and the term.
inline constexpr std::uint32_t kNGramIntervals = 0x00000020;
inline constexpr std::uint32_t kNGramDurations = 0x00000400;
inline constexpr std::uint32_t kNGramEntropy = 0x00000800;
inline constexpr std::uint32_t kNGramZipf = 0x00010000;
inline constexpr std::uint32_t kNGramWeighted = 0x00000001;
}  // namespace feature_flag

/// Parameter bits of the statistic rows, tested in this order (0: the whole
/// sequence); skewness, kurtosis and the divergences only while kEntropy is
/// clear.
namespace feature_statistic {
inline constexpr std::uint32_t kCount = 0x001;
inline constexpr std::uint32_t kRange = 0x002;
inline constexpr std::uint32_t kMean = 0x004;
inline constexpr std::uint32_t kModus = 0x008;
inline constexpr std::uint32_t kMedian = 0x010;
inline constexpr std::uint32_t kVariance = 0x020;
inline constexpr std::uint32_t kMinimum = 0x200;
inline constexpr std::uint32_t kMaximum = 0x400;
inline constexpr std::uint32_t kEntropy = 0x800;
inline constexpr std::uint32_t kSkewness = 0x080;
inline constexpr std::uint32_t kKurtosis = 0x100;
inline constexpr std::uint32_t kDivergences = 0x1000;
inline constexpr std::uint32_t kDivergenceMaximum = 0x2000;
}  // namespace feature_statistic

/// Parameter bits of the Thomassen rows.
namespace feature_thomassen {
inline constexpr std::uint32_t kEnabled = 0x100;
inline constexpr std::uint32_t kThresholded = 0x001;
}  // namespace feature_thomassen

inline constexpr std::size_t kFeatureCount = 133;

// Rows in listing order; explanations as they stand, repeats included.
// clang-format off
inline constexpr std::array<FeatureDef, kFeatureCount> featureTable = {{
    {"jumpaft3", "Accents (jumpaft3)", 0x00000800, 0x00000001},  // 0
    {"jumpaft4", "Accents (jumpaft3)", 0x00000800, 0x00000002},  // 1
    {"jumpaft5", "Accents (jumpaft3)", 0x00000800, 0x00000004},  // 2
    {"jumpbef3", "Accents (jumpbef3)", 0x00000800, 0x00000008},  // 3
    {"jumpbef4", "Accents (jumpbef4)", 0x00000800, 0x00000010},  // 4
    {"jumpbef5", "Accents (jumpbef5)", 0x00000800, 0x00000020},  // 5
    {"jumpbea3", "Accents (jumpbea3)", 0x00000800, 0x00400000},  // 6
    {"jumpbea4", "Accents (jumpbea4)", 0x00000800, 0x00800000},  // 7
    {"jumpbea5", "Accents (jumpbea5)", 0x00000800, 0x00080000},  // 8
    {"jumploc", "Accents (jumploc)", 0x00000800, 0x00000040},  // 9
    {"shortphr", "Accents (shortphr)", 0x00000800, 0x80000000},  // 10
    {"pextrem", "Accents (pextrem)", 0x00000800, 0x00000100},  // 11
    {"pextrst", "Accents (pextrst)", 0x00000800, 0x00000200},  // 12
    {"pextrorvik", "Accents (pextrorvik)", 0x00000800, 0x00000400},  // 13
    {"pextrsta", "Accents (pextrsta)", 0x00000800, 0x00000800},  // 14
    {"longpr", "Accents (longpr)", 0x00000800, 0x00001000},  // 15
    {"long2pr", "Accents (long2pr)", 0x00000800, 0x00002000},  // 16
    {"longmod", "Accents (longmod)", 0x00000800, 0x00004000},  // 17
    {"long2mod", "Accents (long2mod)", 0x00000800, 0x00008000},  // 18
    {"shortpr", "Accents (shortpr)", 0x00000800, 0x00010000},  // 19
    {"short2pr", "Accents (short2pr)", 0x00000800, 0x00020000},  // 20
    {"endloioi", "Accents (endloioi)", 0x00000800, 0x00040000},  // 21
    {"beat13", "Accents (beats13)", 0x00000800, 0x00200000},  // 22
    {"beat1", "Accents (beat1)", 0x00000800, 0x00100000},  // 23
    {"beatall", "Accents (beatall)", 0x00000800, 0x00000080},  // 24
    {"sync1234", "Accents (syncop1234)", 0x00000800, 0x04000000},  // 25
    {"sync13", "Accents (syncop1234)", 0x00000800, 0x08000000},  // 26
    {"triad", "Accents (triad)", 0x00000800, 0x01000000},  // 27
    {"triaphen", "Accents (triaphen)", 0x00000800, 0x02000000},  // 28
    {"phrasbeg", "Accents (phrasbeg)", 0x00000800, 0x10000000},  // 29
    {"phrasend", "Accents (phrasend)", 0x00000800, 0x20000000},  // 30
    {"accents-opti1", "Optimized accents (linear model)", 0x80080000, 0},  // 31
    {"accents-opti2", "Optimized accents (tree model)", 0x80100000, 0},  // 32
    {"accents-opti1-thr", "Optimized accents (linear model, thresholded)", 0x80200000, 0},  // 33
    {"accents-opti2-thr", "Optimized accents (tree model, thresholded)", 0x80400000, 0},  // 34
    {"thom", "Accents (Thomassen)", 0x10000000, 256},  // 35
    {"thom-thr", "Accents (Thomassen (threshold))", 0x10000000, 257},  // 36
    {"ngramintall", "Dynamic N-gram complexity of interval N-grams", 0x000000A0, 0},  // 37
    {"ngramintallw", "Weighted dynamic N-gram complexity of interval N-grams", 0x000000A1, 0},  // 38
    {"ngramintalle", "N-gram entropy of interval N-grams", 0x000008A0, 0},  // 39
    {"ngramint1", "N-gram complexity of interval N-grams N=1", 0x000000A0, 1},  // 40
    {"ngramint2", "N-gram complexity of interval N-grams N<=2", 0x000000A0, 2},  // 41
    {"ngramint3", "N-gram complexity of  interval N-grams N<=3", 0x000000A0, 3},  // 42
    {"ngramint4", "N-gram complexity of  interval N-grams N<=4", 0x000000A0, 4},  // 43
    {"ngramall", "Dynamic N-gram complexity of pitch N-grams", 0x00000080, 0},  // 44
    {"ngramallw", "Weighted dynamic N-gram complexity of pitch N-grams", 0x00000081, 0},  // 45
    {"ngramalle", "N-gram entropy of pitch N-grams", 0x00000880, 0},  // 46
    {"ngram1", "N-gram complexity of pitch N-grams N=1", 0x00000080, 1},  // 47
    {"ngram2", "N-gram complexity of pitch N-grams N<=2", 0x00000080, 2},  // 48
    {"ngram3", "N-gram complexity of pitch N-grams N<=3", 0x00000080, 3},  // 49
    {"ngram4", "N-gram complexity of pitch N-grams N<=4", 0x00000080, 4},  // 50
    {"ngramdurall", "Dynamic N-gram complexity of duration N-grams", 0x00000480, 0},  // 51
    {"ngramdurallw", "Weighted dynamic N-gram complexity of duration N-grams", 0x00000481, 0},  // 52
    {"ngramduralle", "N-gram entropy of duration N-grams", 0x00000C80, 0},  // 53
    {"ngramdur1", "N-gram complexity of tatum duration N-grams N=1", 0x00000480, 1},  // 54
    {"ngramdur2", "N-gram complexity of tatum duration N-grams N<=2", 0x00000480, 2},  // 55
    {"ngramdur3", "N-gram complexity of tatum duration N-grams N<=3", 0x00000480, 3},  // 56
    {"ngramdur4", "N-gram complexity of tatum duration N-grams N<=4", 0x00000480, 4},  // 57
    {"length", "Number of tones", 0x80000002, 1},  // 58
    {"bar-length", "Number of bars", 0x80002000, 1},  // 59
    {"synchalf", "Syncopes at level 1", 0x80008000, 0},  // 60
    {"sync0", "Syncopes at level 0", 0x80010000, 0},  // 61
    {"sync8s", "Syncopes at level -1", 0x80020000, 0},  // 62
    {"sync16s", "Syncopes at level -2", 0x80040000, 0},  // 63
    {"sync-all", "Syncopes at any level", 0x80078000, 0},  // 64
    {"sync1avg", "Syncopicity on level 1", 0x80008000, 4},  // 65
    {"sync0avg", "Syncopicity on level 0", 0x80010000, 4},  // 66
    {"sync-1av", "Syncopicity on level -1", 0x80020000, 4},  // 67
    {"sync-2av", "Syncopicity on level -2", 0x80040000, 4},  // 68
    {"synallav", "Syncopicity on levels 0 to -2", 0x80078000, 4},  // 69
    {"ambitus", "Pitch ambitus ", 0x80000002, 2},  // 70
    {"pitch-raw", "Pitch sequence", 0x80000002, 0},  // 71
    {"pitch-avg", "Avg. pitch", 0x80000002, 4},  // 72
    {"pitch-modus", "Modus pitch", 0x80000002, 8},  // 73
    {"pitch-median", "Median pitch", 0x80000002, 16},  // 74
    {"pitch-variance", "Pitch variance", 0x80000002, 32},  // 75
    {"pitch-min", "Minimum pitch", 0x80000002, 512},  // 76
    {"pitch-max", "Maximum pitch", 0x80000002, 1024},  // 77
    {"pitch-skew", "Minimum pitch", 0x80000002, 128},  // 78
    {"pitch-kurt", "Maximum pitch", 0x80000002, 256},  // 79
    {"pitch-entropy", "Pitch entropy", 0x80000002, 2048},  // 80
    {"pitch-jsd", "Jensen-Shannon divergence of pitch", 0x80000002, 4096},  // 81
    {"pitch-jsdm", "Max. Jensen-Shannon divergence of pitch", 0x80000002, 8192},  // 82
    {"int-range", "Interval range", 0x80000020, 2},  // 83
    {"int-avg", "Interval avg.", 0x80000020, 4},  // 84
    {"int-modus", "Interval modus", 0x80000020, 8},  // 85
    {"int-median", "Interval median", 0x80000020, 16},  // 86
    {"int-variance", "Interval variance", 0x80000020, 32},  // 87
    {"int-skew", "Interval skewness", 0x80000020, 128},  // 88
    {"int-kurt", "Interval kurtosis", 0x80000020, 256},  // 89
    {"int-min", "Minimum interval", 0x80000020, 512},  // 90
    {"int-max", "Maximum interval", 0x80000020, 1024},  // 91
    {"int-entropy", "Interval entropy", 0x80000020, 2048},  // 92
    {"int-jsd", "Jensen-Shannon divergence  of intervals", 0x80000020, 4096},  // 93
    {"int-jsdm", "Max. Jensen-Shannon divergence  of intervals", 0x80000020, 8192},  // 94
    {"dur-avg", "Avg. Pitch", 0x80000100, 4},  // 95
    {"dur-modus", "DurationPitch", 0x80000100, 8},  // 96
    {"dur-median", "Duration Pitch", 0x80000100, 16},  // 97
    {"dur-variance", "Duration variance", 0x80000100, 32},  // 98
    {"dur-min", "Minimum duration", 0x80000100, 512},  // 99
    {"dur-max", "Maximum duration", 0x80000100, 1024},  // 100
    {"dur-skew", "Duration skewness", 0x80000100, 128},  // 101
    {"dur-kurt", "Duration kurtosis", 0x80000100, 256},  // 102
    {"dur-entropy", "Duration entropy", 0x80000100, 2048},  // 103
    {"dur-jsd", "Jensen-Shannon divergence of durations", 0x80000100, 4096},  // 104
    {"dur-jsdm", "Max. Jensen-Shannon divergence of durations", 0x80000100, 8192},  // 105
    {"huron-contour", "Huron Contour ", 0x00004000, 0},  // 106
    {"huron-contour-agg", "Aggregated Huron contour", 0x00004001, 0},  // 107
    {"ngram-int-zipf", "Zipf comlexity of intervals", 0x000100A0, 0},  // 108
    {"ngram-int-zipf-w", "Weighted Zipf comlexity of intervals", 0x000100A1, 0},  // 109
    {"ngram1-int-zipf", "Zipf comlexity of intervals N=1", 0x000100A0, 1},  // 110
    {"ngram2-int-zipf", "Zipf comlexity of intervals N<=2", 0x000100A0, 2},  // 111
    {"ngram3-int-zipf", "Zipf comlexity of intervals N<=3", 0x000100A0, 3},  // 112
    {"ngram4-int-zipf", "Zipf comlexity of intervals N<=4", 0x000100A0, 4},  // 113
    {"ngram-zipf", "Zipf comlexity of pitch", 0x00010080, 0},  // 114
    {"ngram-zipf-w", "Weighted Zipf comlexity of pitch ", 0x00010081, 0},  // 115
    {"ngram1-zipf", "Zipf comlexity of pitch N=1", 0x00010080, 1},  // 116
    {"ngram2-zipf", "Zipf comlexity of pitch N<=2", 0x00010080, 2},  // 117
    {"ngram3-zipf", "Zipf comlexity of pitch N<=3", 0x00010080, 3},  // 118
    {"ngram4-zipf", "Zipf comlexity of pitch N<=4", 0x00010080, 4},  // 119
    {"ngram-dur-zipf", "Zipf comlexity of durations", 0x00010480, 0},  // 120
    {"ngram-dur-zipf-w", "Weighted Zipf comlexity of durations", 0x00010481, 0},  // 121
    {"ngram1-dur-zipf", "Zipf comlexity of durations N=1", 0x00010480, 1},  // 122
    {"ngram2-dur-zipf", "Zipf comlexity of durations N<=2", 0x00010480, 2},  // 123
    {"ngram3-dur-zipf", "Zipf comlexity of durations N<=2", 0x00010480, 3},  // 124
    {"ngram4-dur-zipf", "Zipf comlexity of durations N<=2", 0x00010480, 4},  // 125
    {"bar-phase", "Convert bar time to phase values", 0x20002000, 0},  // 126
    {"bar-phase-delta", "Convert bar time to phase values, using wrong bar times", 0x02002000, 0},  // 127
    {"bar-phase-re", "Convert bar time to real part of complex value", 0x40002000, 0},  // 128
    {"bar-phase-im", "Convert bar time to imaginary part of complex value", 0x80002000, 0},  // 129
    {"bar-key", "Write key of each bar according to K-S", 0x10002000, 0},  // 130
    {"beat-phase", "Convert sub beat times to phase values", 0x01002000, 0},  // 131
    {"tonal-phase", "Convert tonal pitch class to phase values", 0x04002000, 0},  // 132
}};
// clang-format on

namespace detail {
constexpr bool featureTableIsConsistent() {
  constexpr std::uint32_t groups = feature_flag::kHuronContour | feature_flag::kBarTime |
                                   feature_flag::kStatistic | feature_flag::kNGram |
                                   feature_flag::kThomassen | feature_flag::kAccentRules;
  for (std::size_t i = 0; i < featureTable.size(); ++i) {
    const FeatureDef& f = featureTable[i];
    if (f.name.empty() || f.explanation.empty() || (f.flags & groups) == 0) return false;
    for (std::size_t j = 0; j < i; ++j) {
      if (featureTable[j].name == f.name) return false;
    }
  }
  return true;
}
}  // namespace detail

static_assert(detail::featureTableIsConsistent(),
              "featureTable: unique non-empty names, explanations, a group bit in every row");
static_assert(featureTable[72].name == "pitch-avg" && featureTable[132].name == "tonal-phase");

/// The features chosen by the user, in the order chosen; duplicates allowed.
using FeatureSelection = std::vector<const FeatureDef*>;

/// Row index 0..132 of the first row whose name equals \a name ignoring the
/// case of ASCII letters; -1 when none does.
int findFeature(std::string_view name);

/// Replaces \a selection by the features named in \a text, separated by ";"
/// when the text holds one, else by ",". Stops at the first empty field;
/// unknown names are skipped silently. True when something was selected.
bool parseFeatureList(std::string_view text, FeatureSelection& selection);

/// Replaces \a selection by the features named in a features file, one name
/// per line (lines starting with ";" and empty lines skipped, trailing white
/// space removed). Reports every name on \a err ("Added feature ..." or
/// "Skipping unrecognized feature ..."). False after "Could not open <file>"
/// or "Error reading <file>".
bool readFeatureFile(const std::string& fileName, FeatureSelection& selection,
                     std::ostream& err);

/// The same from a stream; \a fileName only names it in messages.
bool readFeatureFile(std::istream& in, const std::string& fileName,
                     FeatureSelection& selection, std::ostream& err);

/// One line per row in table order: the name, or name + " (" + explanation +
/// ")" with \a withExplanations.
void listFeatures(std::ostream& out, bool withExplanations);

}  // namespace suite::analysis
