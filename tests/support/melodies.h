// The tests' melodies: built note by note, or read from tests/data.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "core/melody.h"
#include "core/melody_reader.h"
#include "support/test_support.h"

namespace suite::test {

/// A note at a position (bar, beat, tick), lasting \a duration tatums.
struct Note {
  int pitch = 60;
  std::uint32_t duration = 1;
  std::int32_t bar = 1;
  std::uint32_t beat = 1;
  std::uint32_t tick = 0;
};

/// A melody of \a notes in \a sig with onsets 0, 1, 2, ... (seconds): the
/// tatum computed from the positions (or \a tatum when given), then beat
/// divisions and phrase flags as the reader leaves them.
inline core::Melody melodyAt(const std::vector<Note>& notes, core::Signature sig = {4, 4, 480},
                             std::uint64_t tatum = 0) {
  core::Melody m;
  m.name.assign(1, 'm');  // assigning "m" draws a GCC 12 -Wrestrict false positive in Release
  m.signature = sig;
  for (const Note& n : notes) {
    m.pitches.push_back(static_cast<std::int8_t>(n.pitch));
    m.durations.push_back(n.duration);
    m.onsets.push_back(static_cast<double>(m.onsets.size()));
    m.timeline.append({n.bar, n.beat, n.tick, 1});
  }
  std::ostream none(nullptr);
  m.timeline.cachedTatum = tatum != 0 ? tatum : m.timeline.tatum(sig, none);
  m.timeline.computeBeatDivisions(sig);
  m.phraseFlags = m.computePhraseFlags();
  return m;
}

/// A melody of \a pitches laid out from bar 1, beat 1 on, note i lasting
/// durations[i] tatums (1 when not given) of \a tatum ticks.
inline core::Melody melodyOf(const std::vector<int>& pitches,
                             std::vector<std::uint32_t> durations = {},
                             core::Signature sig = {4, 4, 480}, std::uint32_t tatum = 240) {
  durations.resize(pitches.size(), 1);
  std::vector<Note> notes;
  core::MetricalPosition p;
  p.bar = 1;
  for (std::size_t i = 0; i < pitches.size(); ++i) {
    notes.push_back({pitches[i], durations[i], p.bar, p.beat, p.tick});
    p.advance(std::uint64_t{durations[i]} * tatum, sig);
  }
  return melodyAt(notes, sig, tatum);
}

/// The melody table tests/data/<relative> read at level 24; fails the
/// current test when it cannot be read.
inline core::Melody loadMelody(std::string_view relative) {
  std::ostringstream messages;
  core::MelodyReader reader(messages);
  core::Melody m;
  EXPECT_TRUE(core::readMelodyFile(reader, dataPath(relative).string(), m)) << messages.str();
  return m;
}

}  // namespace suite::test
