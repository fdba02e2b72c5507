// Small melodies built note by note for the analysis tests.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <vector>

#include "core/melody.h"

namespace suite::test {

struct Note {
  int pitch = 60;
  std::int32_t bar = 1;
  std::uint32_t beat = 1;
  std::uint32_t tick = 0;
  std::uint32_t duration = 1;
  std::int32_t flags = 0;     ///< phrase flags of the note
  std::int32_t division = 1;  ///< beatDivision of its position
};

/// A melody of the given notes (onsets 0, 1, 2, ...). The tatum is cached as
/// given, or computed from the positions when \a tatum is 0.
inline core::Melody buildMelody(const std::vector<Note>& notes,
                                core::Signature sig = {4, 4, 480}, std::uint64_t tatum = 0) {
  core::Melody m;
  m.signature = sig;
  for (const Note& n : notes) {
    m.pitches.push_back(static_cast<std::int8_t>(n.pitch));
    m.durations.push_back(n.duration);
    m.onsets.push_back(static_cast<double>(m.onsets.size()));
    m.phraseFlags.push_back(n.flags);
    core::MetricalPosition p;
    p.bar = n.bar;
    p.beat = n.beat;
    p.tick = n.tick;
    p.beatDivision = n.division;
    m.timeline.append(p);
  }
  std::ostream discard(nullptr);
  m.timeline.cachedTatum = tatum != 0 ? tatum : m.timeline.tatum(sig, discard);
  return m;
}

/// One note per bar number given (all on beat 1), pitch 60 + bar unless
/// pitches are given.
inline core::Melody melodyInBars(std::initializer_list<std::int32_t> bars,
                                 std::initializer_list<int> pitches = {}) {
  std::vector<Note> notes;
  auto p = pitches.begin();
  for (const std::int32_t b : bars) {
    notes.push_back({.pitch = p != pitches.end() ? *p++ : 60 + b, .bar = b});
  }
  return buildMelody(notes);
}

}  // namespace suite::test
