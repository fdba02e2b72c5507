#include "core/bar_timeline.h"

#include <algorithm>
#include <limits>

namespace suite::core {
namespace {

std::int32_t clampToInt32(std::int64_t v) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(
      v, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

// Moves to the next beat, and to beat 1 of the next bar past the last beat.
void carryBeat(MetricalPosition& p, const Signature& sig) {
  ++p.beat;
  if (p.beat > sig.numerator) {
    p.bar = clampToInt32(std::int64_t{p.bar} + 1);
    p.beat = 1;
  }
}

}  // namespace

void Signature::print(std::ostream& out) const {
  out << numerator << '/' << denominator << " (" << ticksPerBeat << " ticks/beat)\n";
}

std::int64_t MetricalPosition::absoluteTick(const Signature& sig) const {
  const std::int64_t beats = std::int64_t{bar} * sig.numerator + beat - 1;
  return beats * sig.ticksPerBeat + tick;
}

void MetricalPosition::advance(std::uint64_t ticks, const Signature& sig) {
  if (sig.ticksPerBeat == 0 || sig.numerator == 0) return;
  const std::uint64_t total = std::uint64_t{tick} + ticks;
  std::uint64_t newBeat = beat;
  if (total >= sig.ticksPerBeat) {
    newBeat += total / sig.ticksPerBeat;
    tick = static_cast<std::uint32_t>(total % sig.ticksPerBeat);
  } else {
    tick = static_cast<std::uint32_t>(total);
  }
  if (newBeat > sig.numerator) {
    const std::uint64_t bars = (newBeat - 1) / sig.numerator;
    bar = clampToInt32(std::int64_t{bar} +
                       static_cast<std::int64_t>(std::min<std::uint64_t>(bars, 1ULL << 40)));
    newBeat = (newBeat - 1) % sig.numerator + 1;
  }
  beat = static_cast<std::uint32_t>(newBeat);
}

std::uint32_t nearestGridPoint(std::uint32_t tick, int level, std::uint32_t ticksPerBeat) {
  if (level <= 0) return tick;
  const std::uint64_t step = ticksPerBeat / static_cast<std::uint32_t>(level);
  if (step == 0) return tick;
  const std::uint64_t lower = (tick / step) * step;
  const std::uint64_t upper = lower + step;
  // The upper point wins only when strictly nearer.
  const std::uint64_t point = (upper - tick < tick - lower) ? upper : lower;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(point, ticksPerBeat));
}

std::int64_t MetricalPosition::quantize(int level, const Signature& sig) {
  if (tick == 0) return 0;
  const std::uint32_t point = nearestGridPoint(tick, level, sig.ticksPerBeat);
  const std::int64_t moved = std::int64_t{point} - tick;
  if (point >= sig.ticksPerBeat) {
    tick = 0;
    carryBeat(*this, sig);
  } else {
    tick = point;
  }
  return moved;
}

void MetricalPosition::print(std::ostream& out, bool lineBreak) const {
  out << bar << '.' << beat << '.' << tick << " (" << beatDivision << ')';
  if (lineBreak) out << '\n';
}

std::uint64_t gcd(std::uint64_t a, std::uint64_t b) {
  while (b != 0) {
    const std::uint64_t r = a % b;
    a = b;
    b = r;
  }
  return a;
}

std::vector<std::uint64_t> BarTimeline::tickIntervals(const Signature& sig,
                                                      std::ostream& err) const {
  std::vector<std::uint64_t> intervals;
  if (positions.size() < 2) return intervals;
  intervals.reserve(positions.size() - 1);
  for (std::size_t i = 1; i < positions.size(); ++i) {
    const MetricalPosition& p = positions[i - 1];
    const MetricalPosition& q = positions[i];
    const bool invalid = q.bar < p.bar || (q.bar == p.bar && q.beat < p.beat) ||
                         (q.bar == p.bar && q.beat == p.beat && q.tick <= p.tick);
    const std::int64_t from = p.absoluteTick(sig);
    const std::int64_t to = q.absoluteTick(sig);
    // A beat beyond the numerator can make a later position lie earlier in
    // time; that pair is as invalid as one written out of order.
    if (invalid || to <= from) {
      err << "Invalid BarTimeline.\n";
      return intervals;
    }
    intervals.push_back(static_cast<std::uint64_t>(to - from));
  }
  return intervals;
}

std::uint64_t BarTimeline::tatum(const Signature& sig, std::ostream& err) const {
  if (cachedTatum != 0) return cachedTatum;
  const std::vector<std::uint64_t> intervals = tickIntervals(sig, err);
  if (intervals.empty()) return 0;
  if (intervals.size() == 1) return sig.ticksPerBeat;
  std::uint64_t g = gcd(intervals[0], intervals[1]);
  for (std::size_t i = 2; i < intervals.size(); ++i) g = gcd(intervals[i], g);
  return g;
}

bool BarTimeline::isOnGrid(int level, const Signature& sig) const {
  if (level <= 0) return true;
  const std::uint32_t step = sig.ticksPerBeat / static_cast<std::uint32_t>(level);
  if (step == 0) return true;
  return std::all_of(positions.begin(), positions.end(),
                     [step](const MetricalPosition& p) { return p.tick % step == 0; });
}

QuantizeResult BarTimeline::quantize(int level, const Signature& sig, std::ostream& err) const {
  BarTimeline work = *this;
  const std::uint32_t step =
      level > 0 ? sig.ticksPerBeat / static_cast<std::uint32_t>(level) : 0;
  for (MetricalPosition& p : work.positions) {
    if (p.tick != 0 && step != 0 && p.tick % step != 0) p.quantize(level, sig);
  }
  work.print(err);

  QuantizeResult result;
  result.timeline.cachedTatum = cachedTatum;
  for (std::size_t i = 0; i < work.positions.size(); ++i) {
    if (i > 0 && work.positions[i].samePlace(work.positions[i - 1])) {
      result.collisions.push_back(i);
    } else {
      result.timeline.append(work.positions[i]);
    }
  }
  return result;
}

void BarTimeline::scaleTicks(std::uint32_t factor) {
  for (MetricalPosition& p : positions) p.tick *= factor;
}

void BarTimeline::computeBeatDivisions(const Signature& sig) {
  std::size_t s = 0;
  while (s < positions.size()) {
    const MetricalPosition& start = positions[s];
    std::size_t end = s + 1;
    std::int32_t division = 0;
    if (cachedTatum != 0) {
      const std::uint64_t a = sig.ticksPerBeat / cachedTatum;
      if (a == 0) {
        division = 1;
      } else {
        while (end < positions.size() && positions[end].bar <= start.bar &&
               positions[end].beat <= start.beat) {
          ++end;
        }
        std::uint64_t b = a;
        for (std::size_t i = s; i < end; ++i) {
          const std::uint32_t c = positions[i].tick;
          if (c != 0) b = std::min(b, gcd(a, c / cachedTatum));
        }
        // b divides a and is at least 1 (gcd(a, 0) = a), so a / b is safe.
        division = static_cast<std::int32_t>(
            std::min<std::uint64_t>(a / b, std::numeric_limits<std::int32_t>::max()));
      }
    }
    for (std::size_t i = s; i < end; ++i) positions[i].beatDivision = division;
    s = end;
  }
}

void BarTimeline::normalizeBars() {
  if (positions.empty()) return;
  const MetricalPosition& first = positions.front();
  const std::int64_t b0 = first.bar;
  const std::int64_t r = (first.beat == 1 && first.tick == 0) ? 1 : 0;
  if (b0 == 1 && r == 1) return;
  const std::int64_t shift = r - b0;
  for (MetricalPosition& p : positions) p.bar = clampToInt32(p.bar + shift);
}

std::uint32_t BarTimeline::numberOfBars() const {
  if (positions.empty()) return 0;
  std::int64_t n = std::int64_t{positions.back().bar} - positions.front().bar;
  if (positions.front().bar != 0) ++n;
  return static_cast<std::uint32_t>(std::clamp<std::int64_t>(n, 0, std::numeric_limits<std::uint32_t>::max()));
}

void BarTimeline::print(std::ostream& out) const {
  for (const MetricalPosition& p : positions) p.print(out, true);
}

}  // namespace suite::core
