#include "tuneport/segmentation/segmenter.h"

namespace suite::tuneport::segmentation {

void Segmenter::boundaries(std::vector<double>& out) { out.clear(); }

bool Segmenter::melodyUsable() {
  if (melody_ == nullptr) {
    setError("Invalid melody object");
    return false;
  }
  if (melody_->empty()) {
    setError("Empty melody");
    return false;
  }
  return true;
}

}  // namespace suite::tuneport::segmentation
