#include "tuneport/segmentation/duration_segmenter.h"

#include <cstddef>
#include <cstdint>
#include <map>

namespace suite::tuneport::segmentation {
namespace {

// The most frequent value seen so far, the smallest on ties. Counts only
// grow, so a value takes over exactly when its count passes the leader's or
// equals it with a smaller value.
class RunningMode {
 public:
  void add(std::int32_t value) {
    const std::int64_t count = ++counts_[value];
    if (count > bestCount_ || (count == bestCount_ && value < best_)) {
      bestCount_ = count;
      best_ = value;
    }
  }
  std::int32_t value() const { return best_; }

 private:
  std::map<std::int32_t, std::int64_t> counts_;
  std::int64_t bestCount_ = 0;
  std::int32_t best_ = 0;
};

}  // namespace

void DurationSegmenter::compute(std::vector<double>& out) {
  out.clear();
  if (!melodyUsable()) return;
  const std::vector<std::int32_t> ticks = melody_->durationTicks();
  const std::vector<double> ms = melody_->durationsMs();
  const std::size_t n = ticks.size();
  out.assign(n, 0.0);
  out[n - 1] = 1.0;
  RunningMode mode;
  if (!adaptive)
    for (const std::int32_t d : ticks) mode.add(d);
  // Notes 1 .. n-3; none for fewer than four notes.
  for (std::size_t i = 1; i + 3 <= n; ++i) {
    if (adaptive) mode.add(ticks[i - 1]);
    const double reference = factor * mode.value();
    if (ms[i] > timeLimit || ticks[i] >= reference) out[i] = 1.0;
  }
}

}  // namespace suite::tuneport::segmentation
