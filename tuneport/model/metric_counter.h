// A running metrical position counted in absolute ticks.
#pragma once

#include <cstdint>

namespace suite::tuneport::model {

/// Bar (from 0), beat (from 0) and tick derived from an absolute tick count,
/// for a fixed number of beats per bar, ticks per beat and tempo. Used by the
/// writers to place notes without a bar position, and by the last-interval
/// rule. Negative tick counts are counted back from bar 0, beat 0, tick 0, so
/// beat and tick always lie within their bar and beat. Absolute tick counts
/// are limited to +-2^62.
class MetricCounter {
 public:
  /// \a msPerBeat gives the microseconds per beat (floor(msPerBeat * 1000));
  /// beats per bar and ticks per beat below 1 count as 1.
  MetricCounter(double msPerBeat, std::int32_t beatsPerBar, std::int32_t ticksPerBeat);

  /// Sets the absolute tick count and derives bar, beat, tick and seconds.
  void setAbsoluteTicks(std::int64_t ticks);
  /// Adds \a ticks to the absolute tick count and re-derives.
  void advance(std::int64_t ticks);
  /// Sets bar, beat (from 0) and tick and derives the absolute tick count
  /// tick + ticksPerBeat * (beatsPerBar * bar + beat).
  void setPosition(std::int64_t bar, std::int64_t beat, std::int64_t tick);

  std::int64_t bar() const { return bar_; }
  std::int64_t beat() const { return beat_; }  ///< from 0
  std::int64_t tick() const { return tick_; }
  std::int64_t absoluteTicks() const { return absolute_; }
  std::int64_t microsecondsPerBeat() const { return microsecondsPerBeat_; }
  std::int32_t beatsPerBar() const { return beatsPerBar_; }
  std::int32_t ticksPerBeat() const { return ticksPerBeat_; }
  /// Time of the absolute tick count at the counter's tempo.
  double seconds() const;

  /// Difference of the absolute tick counts.
  std::int64_t operator-(const MetricCounter& other) const;

 private:
  std::int32_t beatsPerBar_;
  std::int32_t ticksPerBeat_;
  std::int64_t microsecondsPerBeat_;
  std::int64_t absolute_ = 0;
  std::int64_t bar_ = 0;
  std::int64_t beat_ = 0;
  std::int64_t tick_ = 0;
};

}  // namespace suite::tuneport::model
