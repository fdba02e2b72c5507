// Computation of one feature of the feature table for one melody.
#pragma once

#include <memory>
#include <vector>

#include "analysis/feature_table.h"
#include "core/melody.h"

namespace suite::analysis {

/// The values of \a feature for \a melody: one value per note for the
/// per-note rows (accents, phases, bar keys, raw sequences), one value for
/// the summary rows, an empty vector when the feature has no value for this
/// melody (for example the accents of a melody without phrase flags). The
/// row's flag groups are tested in table order: Huron contour, bar/time
/// conversions, statistics, n-gram complexities, Thomassen accents, accent
/// rules. Skewness and kurtosis of a constant sequence are NaN. Pure: the
/// melody is only read.
std::vector<double> computeFeature(const core::Melody& melody, const FeatureDef& feature);

/// One melody prepared for computing many of its features: the sequences
/// that several features share (pitches, intervals, durations, syncopation
/// levels, the matrix of all accent rules, the Thomassen accents, the accent
/// models, the bar keys, and the n-gram profiles of the three sequences)
/// are computed once, on first use. Every value equals computeFeature's.
/// It refers to the melody, which must outlive it; one per melody and
/// thread (it fills its caches as it goes).
class MelodyFeatures {
 public:
  explicit MelodyFeatures(const core::Melody& melody);
  ~MelodyFeatures();
  MelodyFeatures(const MelodyFeatures&) = delete;
  MelodyFeatures& operator=(const MelodyFeatures&) = delete;

  const core::Melody& melody() const;

  /// computeFeature(melody(), feature).
  std::vector<double> compute(const FeatureDef& feature);

 private:
  struct Sources;
  std::unique_ptr<Sources> sources_;
};

/// Huron contour class 0..8 of the pitches (9 for fewer than 3 notes), or
/// with \a aggregated its class 0..4 (9 kept).
int huronContour(const core::Melody& melody, bool aggregated);

}  // namespace suite::analysis
