#include "tuneport/model/bar_position.h"

#include <algorithm>

#include "tuneport/model/saturating.h"

namespace suite::tuneport::model {

BarPosition BarPosition::start(std::int32_t bar, std::int32_t numerator,
                               std::int32_t denominator, std::int32_t ticksPerBeat,
                               double factor) {
  BarPosition p;
  p.bar = bar;
  p.beat = 1;
  p.tick = 0;
  p.numerator = numerator;
  p.denominator = denominator;
  p.ticksPerBeat = ticksPerBeat;
  p.factor = factor;
  return p;
}

void BarPosition::advance(std::int64_t ticks) {
  // Far inside the 64-bit range, so that carrying cannot overflow.
  constexpr std::int64_t kLimit = std::int64_t{1} << 62;
  std::int64_t t = tick + std::clamp(ticks, -kLimit, kLimit);
  if (ticksPerBeat < 1 || numerator < 1) {
    tick = clampToInt32(t);
    return;
  }
  std::int64_t b = beat;
  std::int64_t beatCarry = 0;
  if (t >= ticksPerBeat || t < 0) {
    beatCarry = floorDiv(t, ticksPerBeat);
    t -= beatCarry * ticksPerBeat;
    b = saturatingAdd(b, beatCarry);
  }
  tick = static_cast<std::int32_t>(t);
  // A move back may borrow from the bar; a beat below 1 that no move back
  // produced (never a counted position) is left as it is.
  if (b > numerator || (beatCarry < 0 && b < 1)) {
    const std::int64_t barCarry = floorDiv(b - 1, numerator);
    bar = clampToInt32(saturatingAdd(bar, barCarry));
    b = b - 1 - barCarry * numerator + 1;
  }
  beat = clampToInt32(b);
}

void BarPosition::snap(std::int32_t level) {
  const std::int32_t t = ticksPerBeat;
  if (t < 1 || tick <= 0 || tick >= t) return;
  std::int32_t count = level;
  if (t % 6 != 0) count = t % 8 == 0 ? 8 : (t % 4 == 0 ? 4 : 2);
  if (count == 0) return;  // no grid
  const std::int32_t step = std::max(1, t / count);
  const std::int32_t lower = tick / step * step;
  // Past the last grid point of the beat the next point is the beat's end.
  const std::int32_t upper = static_cast<std::int32_t>(
      std::min<std::int64_t>(std::int64_t{lower} + step, t));
  tick = (upper - tick < tick - lower) ? upper : lower;
  if (tick == t) {
    tick = 0;
    if (beat >= numerator) {
      beat = 1;
      bar = clampToInt32(std::int64_t{bar} + 1);
    } else {
      ++beat;
    }
  }
}

std::string BarPosition::toString() const {
  if (!available()) return "(N/A)";
  return std::to_string(bar) + "." + std::to_string(beat) + "." + std::to_string(tick);
}

}  // namespace suite::tuneport::model
