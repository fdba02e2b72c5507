#include "analysis/features.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

#include "analysis/feature_sources.h"
#include "analysis/feature_statistics.h"
#include "analysis/ngram_complexity.h"

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

std::vector<double> barTimeValues(const core::Melody& melody, const FeatureDef& feature) {
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
  if ((mode & kBarKey) != 0) return feature_sources::barKeys(melody);
  if ((mode & kBeatPhase) != 0) {
    return perPosition(melody, [&sig](const Position& p) { return beatPhase(p, sig); });
  }
  if ((mode & kTonalPhase) != 0) return tonalPhases(melody);
  return {static_cast<double>(melody.timeline.numberOfBars())};
}

// --- Statistics --------------------------------------------------------------

std::vector<double> statisticSequence(const core::Melody& melody, std::uint32_t flags) {
  using namespace feature_flag;
  constexpr std::uint32_t kAnySyncLevel =
      kSyncLevel1 | kSyncLevel0 | kSyncLevelMinus1 | kSyncLevelMinus2;
  constexpr std::uint32_t kAnyModel =
      kLinearModel | kTreeModel | kLinearModelThresholded | kTreeModelThresholded;
  if ((flags & kPitches) != 0) return pitchValues(melody);
  if ((flags & kDurations) != 0) return durationValues(melody);
  if ((flags & kAnySyncLevel) != 0) return feature_sources::syncopation(melody, flags);
  if ((flags & kAnyModel) != 0) return feature_sources::accentModel(melody, flags);
  if ((flags & kIntervals) != 0) return intervalValues(melody);
  return {};
}

// --- N-grams -----------------------------------------------------------------

double ngramFeature(const core::Melody& melody, const FeatureDef& feature) {
  using namespace feature_flag;
  const std::uint32_t flags = feature.flags;
  const std::vector<double> values = (flags & kNGramIntervals) != 0   ? intervalValues(melody)
                                     : (flags & kNGramDurations) != 0 ? durationValues(melody)
                                                                      : pitchValues(melody);
  const NGramTerm term = (flags & kNGramEntropy) != 0 ? NGramTerm::Entropy
                         : (flags & kNGramZipf) != 0  ? NGramTerm::Zipf
                                                      : NGramTerm::DistinctShare;
  return ngramComplexity(values, feature.parameter, term, (flags & kNGramWeighted) != 0);
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
  using namespace feature_flag;
  const std::uint32_t flags = feature.flags;
  if ((flags & kHuronContour) != 0) {
    return {static_cast<double>(huronContour(melody, (flags & kAggregated) != 0))};
  }
  if ((flags & kBarTime) != 0) return barTimeValues(melody, feature);
  if ((flags & kStatistic) != 0) {
    return sequenceStatistic(statisticSequence(melody, flags), feature.parameter);
  }
  if ((flags & kNGram) != 0) return {ngramFeature(melody, feature)};
  if ((flags & kThomassen) != 0) {
    if ((feature.parameter & feature_thomassen::kEnabled) == 0) return {};
    return feature_sources::thomassenAccents(
        melody, (feature.parameter & feature_thomassen::kThresholded) != 0);
  }
  if ((flags & kAccentRules) != 0) return feature_sources::ruleAccents(melody, feature.parameter);
  return {};
}

}  // namespace suite::analysis
