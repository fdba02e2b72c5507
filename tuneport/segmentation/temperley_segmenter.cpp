#include "tuneport/segmentation/temperley_segmenter.h"

#include "tuneport/segmentation/parameter_series.h"

namespace suite::tuneport::segmentation {

void TemperleySegmenter::compute(std::vector<double>& out) {
  out.clear();
  if (!melodyUsable()) return;
  out = temperleyBoundaries(interOnsetSeries(*melody_), restSeries(*melody_),
                            beatPositions(*melody_));
}

}  // namespace suite::tuneport::segmentation
