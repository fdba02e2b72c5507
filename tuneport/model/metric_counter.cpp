#include "tuneport/model/metric_counter.h"

#include <algorithm>

#include "tuneport/model/saturating.h"

namespace suite::tuneport::model {

MetricCounter::MetricCounter(double msPerBeat, std::int32_t beatsPerBar,
                             std::int32_t ticksPerBeat)
    : beatsPerBar_(std::max(1, beatsPerBar)),
      ticksPerBeat_(std::max(1, ticksPerBeat)),
      microsecondsPerBeat_(floorToInt64(msPerBeat * 1000.0)) {}

void MetricCounter::setAbsoluteTicks(std::int64_t ticks) {
  // Far inside the 64-bit range, so that the derivation cannot overflow.
  constexpr std::int64_t kLimit = std::int64_t{1} << 62;
  ticks = std::clamp(ticks, -kLimit, kLimit);
  absolute_ = ticks;
  const std::int64_t beats = floorDiv(ticks, ticksPerBeat_);
  bar_ = floorDiv(beats, beatsPerBar_);
  beat_ = beats - bar_ * beatsPerBar_;
  tick_ = ticks - beats * ticksPerBeat_;
}

void MetricCounter::advance(std::int64_t ticks) {
  setAbsoluteTicks(saturatingAdd(absolute_, ticks));
}

void MetricCounter::setPosition(std::int64_t bar, std::int64_t beat, std::int64_t tick) {
  const std::int64_t beats = saturatingAdd(saturatingMul(beatsPerBar_, bar), beat);
  setAbsoluteTicks(saturatingAdd(tick, saturatingMul(ticksPerBeat_, beats)));
}

double MetricCounter::seconds() const {
  return static_cast<double>(microsecondsPerBeat_) / ticksPerBeat_ *
         static_cast<double>(absolute_) * 0.000001;
}

std::int64_t MetricCounter::operator-(const MetricCounter& other) const {
  return saturatingSub(absolute_, other.absolute_);
}

}  // namespace suite::tuneport::model
