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

#include "analysis/accents.h"

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
inline constexpr std::uint32_t kWholeSequence = 0;
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

// Rows in listing order.
// clang-format off
inline constexpr std::array<FeatureDef, kFeatureCount> featureTable = [] {
  using namespace feature_flag;
  using namespace feature_statistic;
  using namespace feature_thomassen;
  return std::array<FeatureDef, kFeatureCount>{{
      {"jumpaft3", "Accents (jumpaft3)", kAccentRules, ruleBit(kJumpAft3)},  // 0
      {"jumpaft4", "Accents (jumpaft4)", kAccentRules, ruleBit(kJumpAft4)},  // 1
      {"jumpaft5", "Accents (jumpaft5)", kAccentRules, ruleBit(kJumpAft5)},  // 2
      {"jumpbef3", "Accents (jumpbef3)", kAccentRules, ruleBit(kJumpBef3)},  // 3
      {"jumpbef4", "Accents (jumpbef4)", kAccentRules, ruleBit(kJumpBef4)},  // 4
      {"jumpbef5", "Accents (jumpbef5)", kAccentRules, ruleBit(kJumpBef5)},  // 5
      {"jumpbea3", "Accents (jumpbea3)", kAccentRules, ruleBit(kJumpBea3)},  // 6
      {"jumpbea4", "Accents (jumpbea4)", kAccentRules, ruleBit(kJumpBea4)},  // 7
      {"jumpbea5", "Accents (jumpbea5)", kAccentRules, ruleBit(kJumpBea5)},  // 8
      {"jumploc", "Accents (jumploc)", kAccentRules, ruleBit(kJumpLoc)},  // 9
      {"shortphr", "Accents (shortphr)", kAccentRules, ruleBit(kShortPhr)},  // 10
      {"pextrem", "Accents (pextrem)", kAccentRules, ruleBit(kPExtrem)},  // 11
      {"pextrst", "Accents (pextrst)", kAccentRules, ruleBit(kPExtrSt)},  // 12
      {"pextrorvik", "Accents (pextrorvik)", kAccentRules, ruleBit(kPExtrOrvik)},  // 13
      {"pextrsta", "Accents (pextrsta)", kAccentRules, ruleBit(kPExtrSta)},  // 14
      {"longpr", "Accents (longpr)", kAccentRules, ruleBit(kLongPr)},  // 15
      {"long2pr", "Accents (long2pr)", kAccentRules, ruleBit(kLong2Pr)},  // 16
      {"longmod", "Accents (longmod)", kAccentRules, ruleBit(kLongMod)},  // 17
      {"long2mod", "Accents (long2mod)", kAccentRules, ruleBit(kLong2Mod)},  // 18
      {"shortpr", "Accents (shortpr)", kAccentRules, ruleBit(kShortPr)},  // 19
      {"short2pr", "Accents (short2pr)", kAccentRules, ruleBit(kShort2Pr)},  // 20
      {"endloioi", "Accents (endloioi)", kAccentRules, ruleBit(kEndLoIoi)},  // 21
      {"beat13", "Accents (beats13)", kAccentRules, ruleBit(kBeat13)},  // 22
      {"beat1", "Accents (beat1)", kAccentRules, ruleBit(kBeat1)},  // 23
      {"beatall", "Accents (beatall)", kAccentRules, ruleBit(kBeatAll)},  // 24
      {"sync1234", "Accents (syncop1234)", kAccentRules, ruleBit(kSync1234)},  // 25
      {"sync13", "Accents (syncop13)", kAccentRules, ruleBit(kSync13)},  // 26
      {"triad", "Accents (triad)", kAccentRules, ruleBit(kTriad)},  // 27
      {"triaphen", "Accents (triaphen)", kAccentRules, ruleBit(kTriaPhen)},  // 28
      {"phrasbeg", "Accents (phrasbeg)", kAccentRules, ruleBit(kPhrasBeg)},  // 29
      {"phrasend", "Accents (phrasend)", kAccentRules, ruleBit(kPhrasEnd)},  // 30
      {"accents-opti1", "Optimized accents (linear model)", kStatistic | kLinearModel, kWholeSequence},  // 31
      {"accents-opti2", "Optimized accents (tree model)", kStatistic | kTreeModel, kWholeSequence},  // 32
      {"accents-opti1-thr", "Optimized accents (linear model, thresholded)", kStatistic | kLinearModelThresholded, kWholeSequence},  // 33
      {"accents-opti2-thr", "Optimized accents (tree model, thresholded)", kStatistic | kTreeModelThresholded, kWholeSequence},  // 34
      {"thom", "Accents (Thomassen)", kThomassen, kEnabled},  // 35
      {"thom-thr", "Accents (Thomassen (threshold))", kThomassen, kEnabled | kThresholded},  // 36
      {"ngramintall", "Dynamic N-gram complexity of interval N-grams", kNGram | kNGramIntervals, 0},  // 37
      {"ngramintallw", "Weighted dynamic N-gram complexity of interval N-grams", kNGram | kNGramWeighted | kNGramIntervals, 0},  // 38
      {"ngramintalle", "N-gram entropy of interval N-grams", kNGram | kNGramIntervals | kNGramEntropy, 0},  // 39
      {"ngramint1", "N-gram complexity of interval N-grams N=1", kNGram | kNGramIntervals, 1},  // 40
      {"ngramint2", "N-gram complexity of interval N-grams N<=2", kNGram | kNGramIntervals, 2},  // 41
      {"ngramint3", "N-gram complexity of  interval N-grams N<=3", kNGram | kNGramIntervals, 3},  // 42
      {"ngramint4", "N-gram complexity of  interval N-grams N<=4", kNGram | kNGramIntervals, 4},  // 43
      {"ngramall", "Dynamic N-gram complexity of pitch N-grams", kNGram, 0},  // 44
      {"ngramallw", "Weighted dynamic N-gram complexity of pitch N-grams", kNGram | kNGramWeighted, 0},  // 45
      {"ngramalle", "N-gram entropy of pitch N-grams", kNGram | kNGramEntropy, 0},  // 46
      {"ngram1", "N-gram complexity of pitch N-grams N=1", kNGram, 1},  // 47
      {"ngram2", "N-gram complexity of pitch N-grams N<=2", kNGram, 2},  // 48
      {"ngram3", "N-gram complexity of pitch N-grams N<=3", kNGram, 3},  // 49
      {"ngram4", "N-gram complexity of pitch N-grams N<=4", kNGram, 4},  // 50
      {"ngramdurall", "Dynamic N-gram complexity of duration N-grams", kNGram | kNGramDurations, 0},  // 51
      {"ngramdurallw", "Weighted dynamic N-gram complexity of duration N-grams", kNGram | kNGramWeighted | kNGramDurations, 0},  // 52
      {"ngramduralle", "N-gram entropy of duration N-grams", kNGram | kNGramDurations | kNGramEntropy, 0},  // 53
      {"ngramdur1", "N-gram complexity of tatum duration N-grams N=1", kNGram | kNGramDurations, 1},  // 54
      {"ngramdur2", "N-gram complexity of tatum duration N-grams N<=2", kNGram | kNGramDurations, 2},  // 55
      {"ngramdur3", "N-gram complexity of tatum duration N-grams N<=3", kNGram | kNGramDurations, 3},  // 56
      {"ngramdur4", "N-gram complexity of tatum duration N-grams N<=4", kNGram | kNGramDurations, 4},  // 57
      {"length", "Number of tones", kStatistic | kPitches, kCount},  // 58
      {"bar-length", "Number of bars", kBarTime | kBarPhaseSin, 1},  // 59, intended: the word of bar-phase-im; parameter 1 makes it the bar count
      {"synchalf", "Syncopes at level 1", kStatistic | kSyncLevel1, kWholeSequence},  // 60
      {"sync0", "Syncopes at level 0", kStatistic | kSyncLevel0, kWholeSequence},  // 61
      {"sync8s", "Syncopes at level -1", kStatistic | kSyncLevelMinus1, kWholeSequence},  // 62
      {"sync16s", "Syncopes at level -2", kStatistic | kSyncLevelMinus2, kWholeSequence},  // 63
      {"sync-all", "Syncopes at any level", kStatistic | kSyncLevel1 | kSyncLevel0 | kSyncLevelMinus1 | kSyncLevelMinus2, kWholeSequence},  // 64
      {"sync1avg", "Syncopicity on level 1", kStatistic | kSyncLevel1, kMean},  // 65
      {"sync0avg", "Syncopicity on level 0", kStatistic | kSyncLevel0, kMean},  // 66
      {"sync-1av", "Syncopicity on level -1", kStatistic | kSyncLevelMinus1, kMean},  // 67
      {"sync-2av", "Syncopicity on level -2", kStatistic | kSyncLevelMinus2, kMean},  // 68
      {"synallav", "Syncopicity on levels 0 to -2", kStatistic | kSyncLevel1 | kSyncLevel0 | kSyncLevelMinus1 | kSyncLevelMinus2, kMean},  // 69
      {"ambitus", "Pitch ambitus ", kStatistic | kPitches, kRange},  // 70
      {"pitch-raw", "Pitch sequence", kStatistic | kPitches, kWholeSequence},  // 71
      {"pitch-avg", "Avg. pitch", kStatistic | kPitches, kMean},  // 72
      {"pitch-modus", "Modus pitch", kStatistic | kPitches, kModus},  // 73
      {"pitch-median", "Median pitch", kStatistic | kPitches, kMedian},  // 74
      {"pitch-variance", "Pitch variance", kStatistic | kPitches, kVariance},  // 75
      {"pitch-min", "Minimum pitch", kStatistic | kPitches, kMinimum},  // 76
      {"pitch-max", "Maximum pitch", kStatistic | kPitches, kMaximum},  // 77
      {"pitch-skew", "Pitch skewness", kStatistic | kPitches, kSkewness},  // 78
      {"pitch-kurt", "Pitch kurtosis", kStatistic | kPitches, kKurtosis},  // 79
      {"pitch-entropy", "Pitch entropy", kStatistic | kPitches, kEntropy},  // 80
      {"pitch-jsd", "Jensen-Shannon divergence of pitch", kStatistic | kPitches, kDivergences},  // 81
      {"pitch-jsdm", "Max. Jensen-Shannon divergence of pitch", kStatistic | kPitches, kDivergenceMaximum},  // 82
      {"int-range", "Interval range", kStatistic | kIntervals, kRange},  // 83
      {"int-avg", "Interval avg.", kStatistic | kIntervals, kMean},  // 84
      {"int-modus", "Interval modus", kStatistic | kIntervals, kModus},  // 85
      {"int-median", "Interval median", kStatistic | kIntervals, kMedian},  // 86
      {"int-variance", "Interval variance", kStatistic | kIntervals, kVariance},  // 87
      {"int-skew", "Interval skewness", kStatistic | kIntervals, kSkewness},  // 88
      {"int-kurt", "Interval kurtosis", kStatistic | kIntervals, kKurtosis},  // 89
      {"int-min", "Minimum interval", kStatistic | kIntervals, kMinimum},  // 90
      {"int-max", "Maximum interval", kStatistic | kIntervals, kMaximum},  // 91
      {"int-entropy", "Interval entropy", kStatistic | kIntervals, kEntropy},  // 92
      {"int-jsd", "Jensen-Shannon divergence  of intervals", kStatistic | kIntervals, kDivergences},  // 93
      {"int-jsdm", "Max. Jensen-Shannon divergence  of intervals", kStatistic | kIntervals, kDivergenceMaximum},  // 94
      {"dur-avg", "Avg. duration", kStatistic | kDurations, kMean},  // 95
      {"dur-modus", "Modus duration", kStatistic | kDurations, kModus},  // 96
      {"dur-median", "Median duration", kStatistic | kDurations, kMedian},  // 97
      {"dur-variance", "Duration variance", kStatistic | kDurations, kVariance},  // 98
      {"dur-min", "Minimum duration", kStatistic | kDurations, kMinimum},  // 99
      {"dur-max", "Maximum duration", kStatistic | kDurations, kMaximum},  // 100
      {"dur-skew", "Duration skewness", kStatistic | kDurations, kSkewness},  // 101
      {"dur-kurt", "Duration kurtosis", kStatistic | kDurations, kKurtosis},  // 102
      {"dur-entropy", "Duration entropy", kStatistic | kDurations, kEntropy},  // 103
      {"dur-jsd", "Jensen-Shannon divergence of durations", kStatistic | kDurations, kDivergences},  // 104
      {"dur-jsdm", "Max. Jensen-Shannon divergence of durations", kStatistic | kDurations, kDivergenceMaximum},  // 105
      {"huron-contour", "Huron Contour ", kHuronContour, 0},  // 106
      {"huron-contour-agg", "Aggregated Huron contour", kHuronContour | kAggregated, 0},  // 107
      {"ngram-int-zipf", "Zipf complexity of intervals", kNGram | kNGramIntervals | kNGramZipf, 0},  // 108
      {"ngram-int-zipf-w", "Weighted Zipf complexity of intervals", kNGram | kNGramWeighted | kNGramIntervals | kNGramZipf, 0},  // 109
      {"ngram1-int-zipf", "Zipf complexity of intervals N=1", kNGram | kNGramIntervals | kNGramZipf, 1},  // 110
      {"ngram2-int-zipf", "Zipf complexity of intervals N<=2", kNGram | kNGramIntervals | kNGramZipf, 2},  // 111
      {"ngram3-int-zipf", "Zipf complexity of intervals N<=3", kNGram | kNGramIntervals | kNGramZipf, 3},  // 112
      {"ngram4-int-zipf", "Zipf complexity of intervals N<=4", kNGram | kNGramIntervals | kNGramZipf, 4},  // 113
      {"ngram-zipf", "Zipf complexity of pitch", kNGram | kNGramZipf, 0},  // 114
      {"ngram-zipf-w", "Weighted Zipf complexity of pitch ", kNGram | kNGramWeighted | kNGramZipf, 0},  // 115
      {"ngram1-zipf", "Zipf complexity of pitch N=1", kNGram | kNGramZipf, 1},  // 116
      {"ngram2-zipf", "Zipf complexity of pitch N<=2", kNGram | kNGramZipf, 2},  // 117
      {"ngram3-zipf", "Zipf complexity of pitch N<=3", kNGram | kNGramZipf, 3},  // 118
      {"ngram4-zipf", "Zipf complexity of pitch N<=4", kNGram | kNGramZipf, 4},  // 119
      {"ngram-dur-zipf", "Zipf complexity of durations", kNGram | kNGramDurations | kNGramZipf, 0},  // 120
      {"ngram-dur-zipf-w", "Weighted Zipf complexity of durations", kNGram | kNGramWeighted | kNGramDurations | kNGramZipf, 0},  // 121
      {"ngram1-dur-zipf", "Zipf complexity of durations N=1", kNGram | kNGramDurations | kNGramZipf, 1},  // 122
      {"ngram2-dur-zipf", "Zipf complexity of durations N<=2", kNGram | kNGramDurations | kNGramZipf, 2},  // 123
      {"ngram3-dur-zipf", "Zipf complexity of durations N<=3", kNGram | kNGramDurations | kNGramZipf, 3},  // 124
      {"ngram4-dur-zipf", "Zipf complexity of durations N<=4", kNGram | kNGramDurations | kNGramZipf, 4},  // 125
      {"bar-phase", "Convert bar time to phase values", kBarTime | kBarPhase, 0},  // 126
      {"bar-phase-delta", "Convert bar time to phase values, using wrong bar times", kBarTime | kBarPhaseDelta, 0},  // 127
      {"bar-phase-re", "Convert bar time to real part of complex value", kBarTime | kBarPhaseCos, 0},  // 128
      {"bar-phase-im", "Convert bar time to imaginary part of complex value", kBarTime | kBarPhaseSin, 0},  // 129
      {"bar-key", "Write key of each bar according to K-S", kBarTime | kBarKey, 0},  // 130
      {"beat-phase", "Convert sub beat times to phase values", kBarTime | kBeatPhase, 0},  // 131
      {"tonal-phase", "Convert tonal pitch class to phase values", kBarTime | kTonalPhase, 0},  // 132
  }};
}();
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

/// Most lines a features file may have (pieces of 1023 characters count as lines).
inline constexpr std::size_t kMaxFeatureFileLines = 100000;

/// Replaces \a selection by the features named in a features file, one name
/// per line (lines starting with ";" and empty lines skipped, trailing white
/// space removed). Reports every name on \a err ("Added feature ..." or
/// "Skipping unrecognized feature ..."). False after "Could not open <file>"
/// or "Error reading <file>", and for a file with a NUL byte or more than
/// kMaxFeatureFileLines lines ("<file>: <why>; a features file holds at
/// most ...").
bool readFeatureFile(const std::string& fileName, FeatureSelection& selection,
                     std::ostream& err);

/// The same from a stream; \a fileName only names it in messages.
bool readFeatureFile(std::istream& in, const std::string& fileName,
                     FeatureSelection& selection, std::ostream& err);

/// One line per row in table order: the name, or name + " (" + explanation +
/// ")" with \a withExplanations.
void listFeatures(std::ostream& out, bool withExplanations);

}  // namespace suite::analysis
