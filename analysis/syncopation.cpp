#include "analysis/syncopation.h"

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "analysis/metrical_hierarchy.h"

namespace suite::analysis {

std::vector<double> syncopation(const core::Melody& melody, int level) {
  if (level < -2 || level > 1) return {};
  const std::size_t n = melody.pitches.size();
  if (melody.durations.size() != n || melody.timeline.size() != n) return {};

  const core::Signature& sig = melody.signature;
  const auto& positions = melody.timeline.positions;
  std::ostream discard(nullptr);  // a bad timeline was reported when it was loaded
  const std::uint64_t tatum = melody.timeline.tatum(sig, discard);

  std::vector<double> values(n, 0.0);
  for (std::size_t t = 0; t < n; ++t) {
    const core::MetricalPosition& pos = positions[t];
    if (metricalLevel(pos, sig, tatum) != level - 1) continue;
    if (t + 1 == n) {
      values[t] = 1.0;
      continue;
    }
    const std::int64_t delta = positions[t + 1].absoluteTick(sig) - pos.absoluteTick(sig);
    const std::uint64_t d = pos.beatDivision < 1 ? 1 : std::uint64_t(pos.beatDivision);
    const MetricalHierarchy beat(d);
    const std::uint64_t s = subdivisionLength(sig, tatum, pos.beatDivision);
    std::uint64_t span = 0;
    switch (level) {
      case 1:
        span = sig.ticksPerBeat;
        break;
      case 0:
        span = beat.lastTopLevelGroupSize() * (sig.ticksPerBeat / d);
        break;
      case -1:
        span = beat.weight(0) < 4 ? s : s * beat.topLevelGroupCount();
        break;
      default:
        span = s;
        break;
    }
    if (delta > 0 && static_cast<std::uint64_t>(delta) > span) values[t] = 1.0;
  }
  return values;
}

}  // namespace suite::analysis
