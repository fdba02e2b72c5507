// Where a note of a converter melody lies in its metre.
#pragma once

#include <cstdint>
#include <string>

namespace suite::tuneport::model {

/// Bar, beat (from 1) and tick (from 0) of a note, with the signature and
/// resolution it is counted in. The default value is the not-available
/// position: bar, beat and tick -1 in 4/4 at 192 ticks per beat.
struct BarPosition {
  std::int32_t bar = -1;
  std::int32_t beat = -1;
  std::int32_t tick = -1;
  std::int32_t numerator = 4;       ///< beats per bar
  std::int32_t denominator = 4;     ///< note value of the beat
  std::int32_t ticksPerBeat = 192;
  bool valid = true;                ///< the signature was set
  double factor = 1.0;              ///< numerator / denominator: bar length in whole notes

  /// Beat 1, tick 0 of \a bar in the given signature.
  static BarPosition start(std::int32_t bar, std::int32_t numerator, std::int32_t denominator,
                           std::int32_t ticksPerBeat, double factor);

  /// False when any of bar, beat and tick is -1.
  bool available() const { return bar != -1 && beat != -1 && tick != -1; }

  /// Moves the position by \a ticks (negative moves back), carrying into
  /// beats and bars so that tick stays in 0..ticksPerBeat-1 and a beat in
  /// 1..numerator stays there. A position without a usable resolution or signature
  /// (ticksPerBeat or numerator below 1) only adds to its tick. The bar
  /// saturates at the 32-bit limits.
  void advance(std::int64_t ticks);

  /// Moves a tick inside the beat to the nearest point of a grid of \a level
  /// points per beat (the lower point on a tie; the beat's end counts as a
  /// point, and reaching it moves to tick 0 of the next beat). A resolution
  /// that is not a multiple of 6 uses 8, 4 or 2 points instead, the largest
  /// that divides it. Tick 0 and ticks outside the beat stay.
  void snap(std::int32_t level);

  /// "bar.beat.tick", or "(N/A)" when the position is not available.
  std::string toString() const;

  /// Positions are equal when bar, beat and tick are.
  friend bool operator==(const BarPosition& a, const BarPosition& b) {
    return a.bar == b.bar && a.beat == b.beat && a.tick == b.tick;
  }
};

}  // namespace suite::tuneport::model
