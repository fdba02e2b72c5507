// Phrase boundaries of a converter melody after Temperley's grouping rule.
#pragma once

#include <vector>

#include "tuneport/segmentation/segmenter.h"
#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::tuneport::segmentation {

/// Runs the grouping rule (temperley_grouping.h) on the melody's inter-onset
/// and rest series and its bar positions. The series has one value per note
/// that is followed by a sounding note; 1 at value i means note i + 1 starts
/// a phrase.
class TemperleySegmenter : public Segmenter {
 public:
  static constexpr double gapWeight = temperley::gapWeight;
  static constexpr int idealLength = temperley::idealLength;
  static constexpr double lengthWeight = temperley::lengthWeight;
  static constexpr int maxLength = temperley::maxLength;
  static constexpr double offBeatPenalty = temperley::offBeatPenalty;
  static constexpr double subdivisionPenalty = temperley::subdivisionPenalty;

  using Segmenter::Segmenter;
  void compute(std::vector<double>& out) override;
};

}  // namespace suite::tuneport::segmentation
