#include "analysis/features.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <memory>
#include <map>
#include <optional>

#include "analysis/accents.h"
#include "analysis/feature_sources.h"
#include "analysis/feature_statistics.h"
#include "analysis/ngram_complexity.h"
#include "analysis/syncopation.h"

namespace suite::analysis {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kPiSixth = 0.5235987755982988;  // one semitone of the tonal circle
constexpr double kNoResolution = 0.0001;         // tick counts at or below this are 0

std::vector<double> pitchValues(const core::Melody& melody) {
  return {melody.pitches.begin(), melody.pitches.end()};
}

std::vector<double> durationValues(const core::Melody& melody) {
  return {melody.durations.begin(), melody.durations.end()};
}

// pitch[t + 1] - pitch[t] in semitones, one fewer than the notes.
std::vector<double> intervalValues(const core::Melody& melody) {
  std::vector<double> intervals;
  const std::vector<std::int8_t>& p = melody.pitches;
  if (p.size() < 2) return intervals;
  intervals.reserve(p.size() - 1);
  for (std::size_t t = 0; t + 1 < p.size(); ++t) {
    intervals.push_back(static_cast<double>(p[t + 1]) - static_cast<double>(p[t]));
  }
  return intervals;
}

// --- Huron contour -----------------------------------------------------------

int direction(double x) { return x == 0.0 ? 0 : (x < 0.0 ? 1 : 2); }

// --- Bar/time conversions ----------------------------------------------------

// Notes that have both a pitch and a position.
std::size_t positionedNotes(const core::Melody& melody) {
  return std::min(melody.pitches.size(), melody.timeline.size());
}

// 2 pi times the share of the bar before the position: 0 on the downbeat.
double barPhase(const core::MetricalPosition& p, const core::Signature& sig) {
  const double ticksPerBeat = sig.ticksPerBeat;
  const double ticksPerBar = ticksPerBeat * sig.numerator;
  if (ticksPerBar <= kNoResolution) return 0.0;
  // The beat as a signed number: a beat of 0 lies before the bar's start.
  const double beat = static_cast<double>(p.beat) - 1.0;
  return kTwoPi * (ticksPerBeat * beat + static_cast<double>(p.tick)) / ticksPerBar;
}

double beatPhase(const core::MetricalPosition& p, const core::Signature& sig) {
  const double ticksPerBeat = sig.ticksPerBeat;
  if (ticksPerBeat <= kNoResolution) return 0.0;
  return kTwoPi * static_cast<double>(p.tick) / ticksPerBeat;
}

template <class PerNote>
std::vector<double> perPosition(const core::Melody& melody, PerNote value) {
  std::vector<double> values;
  const std::size_t n = positionedNotes(melody);
  values.reserve(n);
  for (std::size_t t = 0; t < n; ++t) values.push_back(value(melody.timeline[t]));
  return values;
}

std::vector<double> tonalPhases(const core::Melody& melody) {
  std::vector<double> values;
  values.reserve(melody.pitches.size());
  for (const std::int8_t pitch : melody.pitches) {
    const std::int64_t offset = std::int64_t{pitch} - melody.annotatedKey;
    values.push_back(static_cast<double>((offset % 12 + 12) % 12) * kPiSixth);
  }
  return values;
}

template <class Sources>
std::vector<double> barTimeValues(const core::Melody& melody, const FeatureDef& feature,
                                  Sources& sources) {
  using namespace feature_flag;
  using Position = core::MetricalPosition;
  const core::Signature& sig = melody.signature;
  // The number-of-bars row carries the flag word of the sine row; its
  // parameter (the only nonzero one of the group) tells them apart.
  const std::uint32_t mode = feature.parameter != 0 ? 0 : feature.flags;
  if ((mode & (kBarPhase | kBarPhaseDelta)) != 0) {
    return perPosition(melody, [&sig](const Position& p) { return barPhase(p, sig); });
  }
  if ((mode & kBarPhaseCos) != 0) {
    return perPosition(melody, [&sig](const Position& p) { return std::cos(barPhase(p, sig)); });
  }
  if ((mode & kBarPhaseSin) != 0) {
    return perPosition(melody, [&sig](const Position& p) { return std::sin(barPhase(p, sig)); });
  }
  if ((mode & kBarKey) != 0) return sources.barKeys();
  if ((mode & kBeatPhase) != 0) {
    return perPosition(melody, [&sig](const Position& p) { return beatPhase(p, sig); });
  }
  if ((mode & kTonalPhase) != 0) return tonalPhases(melody);
  return {static_cast<double>(melody.timeline.numberOfBars())};
}

// --- Statistics --------------------------------------------------------------

template <class Sources>
decltype(auto) statisticSequence(Sources& sources, std::uint32_t flags) {
  using namespace feature_flag;
  constexpr std::uint32_t kAnySyncLevel =
      kSyncLevel1 | kSyncLevel0 | kSyncLevelMinus1 | kSyncLevelMinus2;
  constexpr std::uint32_t kAnyModel =
      kLinearModel | kTreeModel | kLinearModelThresholded | kTreeModelThresholded;
  if ((flags & kPitches) != 0) return sources.pitches();
  if ((flags & kDurations) != 0) return sources.durations();
  if ((flags & kAnySyncLevel) != 0) return sources.syncopation(flags);
  if ((flags & kAnyModel) != 0) return sources.accentModel(flags);
  if ((flags & kIntervals) != 0) return sources.intervals();
  return sources.none();
}

// --- N-grams -----------------------------------------------------------------

NGramTerm ngramTerm(std::uint32_t flags) {
  using namespace feature_flag;
  return (flags & kNGramEntropy) != 0 ? NGramTerm::Entropy
         : (flags & kNGramZipf) != 0  ? NGramTerm::Zipf
                                      : NGramTerm::DistinctShare;
}

// The n-gram sequence of the flags: 0 pitches, 1 intervals, 2 durations.
std::size_t ngramSequence(std::uint32_t flags) {
  using namespace feature_flag;
  return (flags & kNGramIntervals) != 0 ? 1 : (flags & kNGramDurations) != 0 ? 2 : 0;
}

// --- Sources ---------------------------------------------------------------------

// The sequences behind the features, each computed when asked.
struct PlainSources {
  const core::Melody& melody;
  std::vector<double> pitches() { return pitchValues(melody); }
  std::vector<double> durations() { return durationValues(melody); }
  std::vector<double> intervals() { return intervalValues(melody); }
  std::vector<double> none() { return {}; }
  std::vector<double> syncopation(std::uint32_t flags) {
    return feature_sources::syncopation(melody, flags);
  }
  std::vector<double> accentModel(std::uint32_t flags) {
    return feature_sources::accentModel(melody, flags);
  }
  std::vector<double> ruleAccents(std::uint32_t mask) {
    return feature_sources::ruleAccents(melody, mask);
  }
  std::vector<double> thomassen(bool thresholded) {
    return feature_sources::thomassenAccents(melody, thresholded);
  }
  std::vector<double> barKeys() { return feature_sources::barKeys(melody); }
  std::vector<double> statistic(std::uint32_t flags, std::uint32_t parameter) {
    return sequenceStatistic(statisticSequence(*this, flags), parameter);
  }
  double ngram(const FeatureDef& feature) {
    const std::uint32_t flags = feature.flags;
    const std::size_t sequence = ngramSequence(flags);
    const std::vector<double> values =
        sequence == 1 ? intervals() : sequence == 2 ? durations() : pitches();
    return ngramComplexity(values, feature.parameter, ngramTerm(flags),
                           (flags & feature_flag::kNGramWeighted) != 0);
  }
};

// One feature from the sources, the flag groups tested in table order.
template <class Sources>
std::vector<double> computeWith(const core::Melody& melody, const FeatureDef& feature,
                                Sources& sources) {
  using namespace feature_flag;
  const std::uint32_t flags = feature.flags;
  if ((flags & kHuronContour) != 0) {
    return {static_cast<double>(huronContour(melody, (flags & kAggregated) != 0))};
  }
  if ((flags & kBarTime) != 0) return barTimeValues(melody, feature, sources);
  if ((flags & kStatistic) != 0) return sources.statistic(flags, feature.parameter);
  if ((flags & kNGram) != 0) return {sources.ngram(feature)};
  if ((flags & kThomassen) != 0) {
    if ((feature.parameter & feature_thomassen::kEnabled) == 0) return {};
    return sources.thomassen((feature.parameter & feature_thomassen::kThresholded) != 0);
  }
  if ((flags & kAccentRules) != 0) return sources.ruleAccents(feature.parameter);
  return {};
}

}  // namespace

int huronContour(const core::Melody& melody, bool aggregated) {
  const std::vector<std::int8_t>& p = melody.pitches;
  const std::size_t n = p.size();
  if (n < 3) return 9;
  double inner = 0.0;
  for (std::size_t t = 1; t + 1 < n; ++t) inner += p[t];
  const double m = inner / static_cast<double>(n - 2);
  // floor: a rise of less than a semitone counts as level, any fall as falling.
  const double a = std::floor(m - p.front());
  const double b = std::floor(p.back() - m);
  const int contourClass = 3 * direction(a) + direction(b);
  // Aggregated: 0 level, 1 descending, 2 ascending, 3 concave (the middle lies
  // lowest: classes 2, 3, 5), 4 convex (the middle lies highest: 1, 6, 7).
  constexpr std::array<int, 9> kAggregated = {0, 4, 3, 3, 1, 3, 4, 4, 2};
  return aggregated ? kAggregated[static_cast<std::size_t>(contourClass)] : contourClass;
}

std::vector<double> computeFeature(const core::Melody& melody, const FeatureDef& feature) {
  PlainSources sources{melody};
  return computeWith(melody, feature, sources);
}

// --- Prepared melodies -------------------------------------------------------------

// The sequences behind the features, each computed once.
struct MelodyFeatures::Sources {
  explicit Sources(const core::Melody& m) : melody(m) {}

  const core::Melody& melody;
  std::optional<std::vector<double>> pitchSequence, durationSequence, intervalSequence;
  std::array<std::optional<std::vector<double>>, 4> syncopationLevels;  // 1, 0, -1, -2
  std::optional<std::vector<AccentRow>> matrix;  // every rule
  std::optional<std::vector<std::uint32_t>> fired;
  struct Summary {
    std::optional<SequenceSummary> summary;
    std::optional<std::vector<double>> divergences;
  };
  // The bits that choose a statistic's sequence.
  static constexpr std::uint32_t kSequenceBits = ~(feature_flag::kStatistic);
  std::map<std::uint32_t, Summary> summaries;  // by sequence flags
  std::optional<std::vector<double>> thomassenValues;
  std::array<std::optional<std::vector<double>>, 4> models;  // as the model flags
  std::optional<std::vector<double>> keys;
  std::array<std::optional<NGramProfile>, 3> profiles;
  std::vector<double> scratch;
  const std::vector<double> empty;

  const std::vector<double>& pitches() {
    if (!pitchSequence) pitchSequence = pitchValues(melody);
    return *pitchSequence;
  }
  const std::vector<double>& durations() {
    if (!durationSequence) durationSequence = durationValues(melody);
    return *durationSequence;
  }
  const std::vector<double>& intervals() {
    if (!intervalSequence) intervalSequence = intervalValues(melody);
    return *intervalSequence;
  }
  const std::vector<double>& none() { return empty; }
  const std::vector<double>& level(std::size_t k) {
    static constexpr int kLevels[] = {1, 0, -1, -2};
    if (!syncopationLevels[k]) syncopationLevels[k] = analysis::syncopation(melody, kLevels[k]);
    return *syncopationLevels[k];
  }
  // As feature_sources::syncopation: the selected levels by element-wise
  // maximum, the first one setting the length.
  const std::vector<double>& syncopation(std::uint32_t flags) {
    using namespace feature_flag;
    constexpr std::uint32_t kBits[] = {kSyncLevel1, kSyncLevel0, kSyncLevelMinus1,
                                       kSyncLevelMinus2};
    bool first = true;
    for (std::size_t k = 0; k < 4; ++k) {
      if ((flags & kBits[k]) == 0) continue;
      const std::vector<double>& values = level(k);
      if (first) {
        scratch = values;
        first = false;
        continue;
      }
      for (std::size_t i = 0; i < scratch.size() && i < values.size(); ++i) {
        scratch[i] = std::max(scratch[i], values[i]);
      }
    }
    if (first) scratch.clear();
    return scratch;
  }
  const std::vector<AccentRow>& rules() {
    if (!matrix) matrix = accentMatrix(melody, ~std::uint32_t{0}, 0.0, 1.0);
    return *matrix;
  }
  const std::vector<double>& thomassenRaw() {
    if (!thomassenValues) thomassenValues = analysis::thomassenAccents(melody, false);
    return *thomassenValues;
  }
  const std::vector<double>& accentModel(std::uint32_t flags) {
    using namespace feature_flag;
    constexpr std::uint32_t kBits[] = {kLinearModel, kTreeModel, kLinearModelThresholded,
                                       kTreeModelThresholded};
    for (std::size_t k = 0; k < 4; ++k) {
      if ((flags & kBits[k]) == 0) continue;
      if (!models[k]) {
        const bool thresholded = k >= 2;
        if (k % 2 == 0) {
          models[k] = linearModelAccents(rules(), thresholded);
        } else {
          models[k] = rules().empty() ? std::vector<double>{}
                                      : treeModelAccents(rules(), thomassenRaw(), thresholded);
        }
      }
      return *models[k];
    }
    return empty;
  }
  // The rules of the matrix that fire for each note, as bits. The matrix
  // holds 0 and 1 only, so the sum of a mask's columns is the number of its
  // rules that fire, exactly.
  std::vector<double> ruleAccents(std::uint32_t mask) {
    if (!fired) {
      fired.emplace();
      fired->reserve(rules().size());
      for (const AccentRow& row : rules()) {
        std::uint32_t bits = 0;
        for (std::size_t k = 0; k < row.size(); ++k) {
          if (row[k] != 0.0) bits |= std::uint32_t{1} << k;
        }
        fired->push_back(bits);
      }
    }
    std::vector<double> sums;
    sums.reserve(fired->size());
    for (const std::uint32_t bits : *fired) sums.push_back(std::popcount(bits & mask));
    return sums;
  }
  // The statistics of one sequence share its sorted summary and its
  // divergence vector.
  std::vector<double> statistic(std::uint32_t flags, std::uint32_t parameter) {
    using namespace feature_statistic;
    const std::vector<double>& values = statisticSequence(*this, flags);
    if (parameter == 0 || values.empty()) return sequenceStatistic(values, parameter);
    Summary& summary = summaries[flags & kSequenceBits];
    if (!summary.summary) summary.summary = summarize(values);
    if (parameter == kDivergences || parameter == kDivergenceMaximum) {
      if (!summary.divergences) summary.divergences = jensenShannonDivergences(values, *summary.summary);
      if (parameter == kDivergences) return *summary.divergences;
      return {firstLargestPosition(*summary.divergences)};
    }
    return sequenceStatistic(values, parameter, *summary.summary);
  }
  std::vector<double> thomassen(bool thresholded) {
    std::vector<double> values = thomassenRaw();
    if (thresholded) {
      for (double& v : values) v = v >= kThomassenThreshold ? 1.0 : 0.0;
    }
    return values;
  }
  const std::vector<double>& barKeys() {
    if (!keys) keys = feature_sources::barKeys(melody);
    return *keys;
  }
  double ngram(const FeatureDef& feature) {
    const std::uint32_t flags = feature.flags;
    const std::size_t sequence = ngramSequence(flags);
    std::optional<NGramProfile>& profile = profiles[sequence];
    if (!profile) profile.emplace(sequence == 1 ? intervals() : sequence == 2 ? durations() : pitches());
    return profile->complexity(feature.parameter, ngramTerm(flags),
                               (flags & feature_flag::kNGramWeighted) != 0);
  }
};

MelodyFeatures::MelodyFeatures(const core::Melody& melody)
    : sources_(std::make_unique<Sources>(melody)) {}

MelodyFeatures::~MelodyFeatures() = default;

const core::Melody& MelodyFeatures::melody() const { return sources_->melody; }

std::vector<double> MelodyFeatures::compute(const FeatureDef& feature) {
  return computeWith(sources_->melody, feature, *sources_);
}

}  // namespace suite::analysis
