// Random melodies and sequences for the tests that hold fast computations to
// their plain ones: few or many distinct values, upbeats, empty bars, notes
// that the tatum expansion drops or caps, phrase gaps, pitches near the ends
// of the 8-bit range, and damaged melodies whose sequences differ in length.
#pragma once

#include <cstdint>
#include <ostream>
#include <random>
#include <vector>

#include "core/melody.h"

namespace suite::test {

/// What a random melody may contain.
struct RandomMelodyShape {
  std::size_t notes = 20;
  int lowestPitch = 55;
  int pitchSpread = 12;         ///< pitches lowestPitch .. lowestPitch + spread - 1
  std::uint32_t longestNote = 4;  ///< durations 1 .. longestNote tatums
  bool rareExtremes = true;     ///< sometimes a duration of 0 or above 128, a long gap
};

/// A melody of \a shape.notes notes in 3/4, 4/4 or 6/8 at 480 ticks per
/// beat, starting on the downbeat or as an upbeat, with onsets in seconds,
/// the tatum, beat divisions and phrase flags as the reader leaves them.
inline core::Melody randomMelody(std::mt19937& random, const RandomMelodyShape& shape) {
  const auto pick = [&random](int lo, int hi) {
    return std::uniform_int_distribution<int>(lo, hi)(random);
  };
  core::Melody m;
  m.name = "random";
  static constexpr std::uint32_t kNumerators[] = {3, 4, 6};
  m.signature = {kNumerators[pick(0, 2)], 4, 480};
  const std::uint64_t tatum = pick(0, 1) == 0 ? 240 : 120;
  core::MetricalPosition p{1, 1, 0, 1};
  if (pick(0, 2) == 0) p = {0, m.signature.numerator, 0, 1};  // upbeat
  double onset = 0.0;
  for (std::size_t i = 0; i < shape.notes; ++i) {
    m.pitches.push_back(static_cast<std::int8_t>(shape.lowestPitch + pick(0, shape.pitchSpread - 1)));
    std::uint32_t d = static_cast<std::uint32_t>(pick(1, static_cast<int>(shape.longestNote)));
    if (shape.rareExtremes && pick(0, 40) == 0) d = pick(0, 1) == 0 ? 0 : 130;
    m.durations.push_back(d);
    m.onsets.push_back(onset);
    m.timeline.append(p);
    const std::uint64_t step = std::max<std::uint64_t>(d, 1) * tatum;
    // Now and then a whole empty bar, so that bar-wise measures meet one.
    const bool skipBar = shape.rareExtremes && pick(0, 30) == 0;
    p.advance(step + (skipBar ? std::uint64_t{m.signature.numerator} * 480 : 0), m.signature);
    onset += 0.25 * static_cast<double>(std::max<std::uint32_t>(d, 1)) +
             (shape.rareExtremes && pick(0, 25) == 0 ? 2.0 : 0.0);
  }
  std::ostream none(nullptr);
  m.timeline.cachedTatum = m.timeline.tatum(m.signature, none);
  m.timeline.computeBeatDivisions(m.signature);
  m.phraseFlags = m.computePhraseFlags();
  return m;
}

/// \a n values drawn from \a distinct different integers (as doubles).
inline std::vector<double> randomSequence(std::mt19937& random, std::size_t n, int distinct) {
  std::uniform_int_distribution<int> value(0, distinct - 1);
  std::vector<double> v(n);
  for (double& x : v) x = value(random);
  return v;
}

}  // namespace suite::test
