// Time signature, metrical positions and the timeline of a melody's notes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <vector>

namespace suite::core {

/// Time signature of a melody, with the tick resolution of its positions.
struct Signature {
  std::uint32_t numerator = 4;       ///< beats per bar
  std::uint32_t denominator = 4;     ///< note value of the beat
  std::uint32_t ticksPerBeat = 1024;

  /// Writes "3/4 (480 ticks/beat)" and a line break.
  void print(std::ostream& out) const;
};

/// Where a note lies: bar, beat (1-based) and tick within the beat. All
/// positions of a melody are read against that melody's one Signature, which
/// is passed in wherever it matters.
struct MetricalPosition {
  std::int32_t bar = 0;            ///< 0 is an upbeat (pickup) bar
  std::uint32_t beat = 1;          ///< 1..numerator
  std::uint32_t tick = 0;          ///< 0..ticksPerBeat-1
  std::int32_t beatDivision = 1;   ///< equal parts the notes of this beat divide it into

  /// ((bar * numerator) + beat - 1) * ticksPerBeat + tick, in 64 bits.
  std::int64_t absoluteTick(const Signature& sig) const;

  /// Moves the position forward by \a ticks, carrying into beats and bars.
  void advance(std::uint64_t ticks, const Signature& sig);

  /// Snaps a nonzero tick to the nearest point of the grid with \a level points
  /// per beat (the lower point on a tie), carrying into the next beat and bar
  /// when it lands on ticksPerBeat. Returns how many ticks the position moved.
  std::int64_t quantize(int level, const Signature& sig);

  /// Writes "bar.beat.tick (beatDivision)", optionally with a line break.
  void print(std::ostream& out, bool lineBreak = false) const;

  bool samePlace(const MetricalPosition& o) const {
    return bar == o.bar && beat == o.beat && tick == o.tick;
  }
};

/// The grid point of level \a level nearest to \a tick (lower one on a tie);
/// may equal ticksPerBeat. Returns \a tick unchanged when the grid step is 0.
std::uint32_t nearestGridPoint(std::uint32_t tick, int level, std::uint32_t ticksPerBeat);

struct QuantizeResult;

/// The metrical positions of a melody's notes, in note order, and the cached
/// tatum (0 = not computed yet).
class BarTimeline {
 public:
  std::vector<MetricalPosition> positions;
  std::uint64_t cachedTatum = 0;

  std::size_t size() const { return positions.size(); }
  bool empty() const { return positions.empty(); }
  void append(const MetricalPosition& p) { positions.push_back(p); }
  MetricalPosition& operator[](std::size_t i) { return positions[i]; }
  const MetricalPosition& operator[](std::size_t i) const { return positions[i]; }

  /// Absolute-tick distances of successive positions (n-1 values). At the
  /// first pair that does not move forward in time, writes
  /// "Invalid BarTimeline." to \a err and returns the distances so far.
  std::vector<std::uint64_t> tickIntervals(const Signature& sig, std::ostream& err) const;

  /// The cached tatum when nonzero; otherwise the gcd of the tick intervals
  /// (ticksPerBeat for a single interval, 0 for none). Does not fill the cache.
  std::uint64_t tatum(const Signature& sig, std::ostream& err) const;

  /// True when every nonzero tick lies on the grid of \a level points per beat.
  bool isOnGrid(int level, const Signature& sig) const;

  /// Snaps the off-grid positions to \a level (writing every position to
  /// \a err) and collapses positions that became equal.
  QuantizeResult quantize(int level, const Signature& sig, std::ostream& err) const;

  /// Multiplies every tick by \a factor.
  void scaleTicks(std::uint32_t factor);

  /// Sets the beatDivision of every position from the cached tatum.
  void computeBeatDivisions(const Signature& sig);

  /// Renumbers the bars so that the first note lies in bar 1 when it starts
  /// on a downbeat and in bar 0 (upbeat) otherwise.
  void normalizeBars();

  /// Bars spanned, not counting an upbeat bar 0; 0 for an empty timeline.
  std::uint32_t numberOfBars() const;

  /// Every position on its own line.
  void print(std::ostream& out) const;
};

/// Result of BarTimeline::quantize: the collapsed timeline and the indices of
/// the notes that landed on an earlier note's position.
struct QuantizeResult {
  BarTimeline timeline;
  std::vector<std::size_t> collisions;
};

/// Greatest common divisor (Euclid); gcd(0, x) = x.
std::uint64_t gcd(std::uint64_t a, std::uint64_t b);

}  // namespace suite::core
