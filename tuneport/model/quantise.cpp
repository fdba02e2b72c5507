// Tatum estimation and the bar-position pass of ConverterMelody.
#include <algorithm>

#include "tuneport/model/converter_melody.h"
#include "tuneport/model/saturating.h"

namespace suite::tuneport::model {
namespace {

// Distance of \a ticks to the nearest multiple of \a grid (grid >= 1).
std::int64_t gridDistance(std::int64_t ticks, std::int64_t grid) {
  const std::int64_t r = ticks - floorDiv(ticks, grid) * grid;
  return std::min(r, grid - r);
}

}  // namespace

std::int32_t refine(std::int32_t ticks, std::int32_t grid) {
  if (grid < 2) return 1;
  const std::int64_t distance = gridDistance(ticks, grid);
  if (distance == 0) return 1;  // already on the grid: nothing to refine
  // Coarsest subdivision first, and only a strictly better fit counts; the
  // fits distance/grid are compared exactly by cross-multiplication.
  for (std::int32_t k = 2; k <= 8; ++k) {
    if (k == grid || grid % k != 0) continue;
    const std::int64_t finer = grid / k;  // at least 2
    if (gridDistance(ticks, finer) * grid < distance * finer) return k;
  }
  return 1;
}

void ConverterMelody::estimateTatum() {
  if (tatumDone || tatum == 0 || ticksPerBeat < 1) return;
  // At least one tick, also for a resolution of one tick per beat.
  tatum = std::max(1, ticksPerBeat / 2);
  for (std::size_t i = 0; i < notes.size(); ++i) {
    const std::int32_t t = interOnsetTicks(i);
    if (t % ticksPerBeat != 0) tatum /= refine(t, tatum);
  }
  durationUnit = tatum;
  for (std::size_t i = 0; i < notes.size(); ++i) {
    const std::int32_t d = durationTicks(i);
    if (d % durationUnit == 0) continue;
    const std::int32_t k = refine(d, durationUnit);
    // The unit never gets finer than a sixth of a beat.
    if (k > 1 && ticksPerBeat / (durationUnit / k) <= 6) durationUnit /= k;
  }
  if (durationUnit < tatum) tatum = durationUnit;
  tatumDone = true;
}

bool ConverterMelody::assignBarPositions(std::int32_t level) {
  if (ticksPerBeat < 1 || numerator < 1) return false;
  upbeatIndex = 0;
  if (notes.empty()) return true;
  const std::int64_t first = onsetTicks(0);
  const std::int64_t barLength = std::int64_t{ticksPerBeat} * numerator;
  const std::int64_t offset = first % barLength;
  BarPosition running = BarPosition::start(0, numerator, denominator, ticksPerBeat, metricFactor);
  bool searching = offset != 0;
  if (offset != 0) {
    // A first note in the second half of a bar is an upbeat to the next one.
    running.bar = clampToInt32(offset < barLength / 2 ? first / barLength + 1 : first / barLength);
    running.advance(offset);
  } else {
    running.bar = clampToInt32(first / barLength + 1);
  }
  const std::int32_t firstBar = running.bar;
  for (std::size_t i = 0; i + 1 < notes.size(); ++i) {
    if (searching && running.bar != firstBar) {
      upbeatIndex = static_cast<std::int32_t>(std::min<std::size_t>(i - 1, INT32_MAX));
      searching = false;
    }
    if (level != 0) running.snap(level);
    notes[i].position = running;
    running.advance(interOnsetTicks(i));
  }
  // The last note goes on the grid as well, or a quantised melody would end
  // off it.
  if (level != 0) running.snap(level);
  notes.back().position = running;
  return true;
}

bool ConverterMelody::quantise(std::int32_t level) {
  if (ticksPerBeat < 1 || numerator < 1) return false;
  if (level == 0) {
    bool recompute = false;
    for (std::size_t i = 1; i < notes.size() && !recompute; ++i)
      recompute = notes[i].ticks <= notes.front().ticks;
    if (recompute)
      for (NoteEvent& n : notes) n.ticks = ticksFromMs(n.onsetMs);
    estimateTatum();
  }
  return assignBarPositions(level);
}

}  // namespace suite::tuneport::model
