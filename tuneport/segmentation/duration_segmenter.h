// Phrase boundaries at notes that are long in absolute time or long against
// the melody's most frequent duration.
#pragma once

#include <vector>

#include "tuneport/segmentation/segmenter.h"

namespace suite::tuneport::segmentation {

/// One value per note: 1 for the last note, and for each note 1..n-3 whose
/// duration exceeds timeLimit ms or is at least factor times the reference
/// duration in ticks; 0 elsewhere. The reference is the most frequent
/// duration in ticks (the smallest on ties), over the whole melody or, when
/// adaptive, over the notes before the one tested.
class DurationSegmenter : public Segmenter {
 public:
  DurationSegmenter(const model::ConverterMelody* melody, double limitMs = 1500.0,
                    double longFactor = 3.9, bool adaptiveReference = false)
      : Segmenter(melody), timeLimit(limitMs), factor(longFactor), adaptive(adaptiveReference) {}

  void compute(std::vector<double>& out) override;

  double timeLimit;  ///< ms
  double factor;
  bool adaptive;
};

}  // namespace suite::tuneport::segmentation
