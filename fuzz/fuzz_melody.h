// Melodies built from fuzz input bytes, as other code might build them: any
// beat, tick, division and flags, bars within the reader's limits, and
// sequences of unequal length.
#pragma once

#include <algorithm>
#include <cstdint>
#include <ostream>

#include "core/melody.h"
#include "core/melody_reader.h"

namespace suite::fuzz {

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint32_t next() { return pos_ < size_ ? data_[pos_++] : 0; }
  std::uint32_t next16() { return next() | (next() << 8); }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Reads notes until the bytes run out or \a maxNotes are built.
inline core::Melody buildMelody(Bytes& in, std::size_t maxNotes = 400) {
  core::Melody m;
  m.signature.numerator = in.next() % 20;  // 0 included
  if (in.next() % 4 == 0) m.signature.numerator = 1 + in.next16() % 4096;
  m.signature.ticksPerBeat = 1 + in.next16();
  std::int32_t bar = static_cast<std::int32_t>(in.next() % 5) - 2;
  while (!in.empty() && m.pitches.size() < maxNotes) {
    m.pitches.push_back(static_cast<std::int8_t>(1 + in.next() % 127));
    const std::uint32_t step = in.next();
    bar += step < 200 ? 0 : (step < 250 ? 1 : static_cast<std::int32_t>(step % 7) - 3);
    if (step == 255) bar += core::kMaxBarNumber / 2;
    bar = std::max(-core::kMaxBarNumber, std::min(core::kMaxBarNumber, bar));
    suite::core::MetricalPosition p;
    p.bar = bar;
    p.beat = in.next() % (m.signature.numerator + 2);
    p.tick = in.next16() % (m.signature.ticksPerBeat + 1);
    p.beatDivision = static_cast<std::int32_t>(in.next() % 20) - 2;
    m.timeline.append(p);
    m.durations.push_back(in.next() % 9);
    m.phraseFlags.push_back(static_cast<std::int32_t>(in.next() % 4));
  }
  const std::uint32_t damage = in.next();
  if ((damage & 1) != 0 && !m.durations.empty()) m.durations.pop_back();
  if ((damage & 2) != 0) m.phraseFlags.clear();
  if ((damage & 4) != 0 && !m.timeline.empty()) m.timeline.positions.pop_back();
  std::ostream discard(nullptr);
  m.timeline.cachedTatum = (damage & 8) != 0 ? in.next16() : m.timeline.tatum(m.signature, discard);
  return m;
}

// Onsets in seconds from the durations, as a table at 120 beats per minute
// would give them; a melody without durations keeps note numbers.
inline void addOnsets(core::Melody& m) {
  double t = 0.0;
  for (std::size_t i = 0; i < m.pitches.size(); ++i) {
    m.onsets.push_back(t);
    t += i < m.durations.size() ? 0.125 * m.durations[i] : 1.0;
  }
}

// Whether a fuzzed bar jump or tatum spreads \a m over more than 2000 bars:
// bar-wise key sequences are then quadratic in the bars (seconds per input),
// which no table reaches with so few notes.
inline bool spreadOverManyBars(const core::Melody& m) {
  std::ostream discard(nullptr);
  return m.expandToTatums(discard).timeline.numberOfBars() > 2000;
}

}  // namespace suite::fuzz
