// Small converter melodies for the tuneport tests, written as note lists.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tuneport/model/converter_melody.h"

namespace suite::test {

/// One note in milliseconds.
struct MsNote {
  double onsetMs;
  double durationMs;
  std::int32_t pitch;
};

/// One note in ticks.
struct TickNote {
  std::int32_t onsetTicks;
  std::int32_t durationTicks;
  std::int32_t pitch;
};

/// A melody in 4/4 at 192 ticks per beat and 500 ms per beat whose notes
/// have no tick values and no positions.
inline tuneport::model::ConverterMelody melodyFromMs(std::initializer_list<MsNote> notes) {
  tuneport::model::ConverterMelody m;
  for (const MsNote& n : notes)
    m.append({tuneport::model::kNoTicks, n.onsetMs, n.pitch, n.durationMs, {}});
  return m;
}

/// A melody in 4/4 at \a ticksPerBeat and \a msPerBeat whose notes carry their
/// onset ticks, with onsets and durations in ms that convert back exactly.
inline tuneport::model::ConverterMelody melodyFromTicks(std::initializer_list<TickNote> notes,
                                                        std::int32_t ticksPerBeat = 192,
                                                        double msPerBeat = 500.0) {
  tuneport::model::ConverterMelody m;
  m.ticksPerBeat = ticksPerBeat;
  m.tempi = {msPerBeat};
  const double msPerTick = msPerBeat / ticksPerBeat;
  for (const TickNote& n : notes)
    m.append({n.onsetTicks, n.onsetTicks * msPerTick, n.pitch, n.durationTicks * msPerTick, {}});
  return m;
}

/// Notes of pitch 60 one after the other from tick 0, each as long as its
/// interval, at \a ticksPerBeat and 500 ms per beat.
inline tuneport::model::ConverterMelody legatoMelody(const std::vector<std::int32_t>& lengths,
                                                     std::int32_t ticksPerBeat = 192) {
  tuneport::model::ConverterMelody m;
  m.ticksPerBeat = ticksPerBeat;
  const double msPerTick = m.tempo() / ticksPerBeat;
  std::int32_t onset = 0;
  for (const std::int32_t length : lengths) {
    m.append({onset, onset * msPerTick, 60, length * msPerTick, {}});
    onset += length;
  }
  return m;
}

/// Notes of the given pitches (rests and markers too), 250 ms each, one
/// after the other, without tick values.
inline tuneport::model::ConverterMelody melodyOfPitches(const std::vector<std::int32_t>& pitches) {
  tuneport::model::ConverterMelody m;
  double onset = 0.0;
  for (const std::int32_t p : pitches) {
    m.append({tuneport::model::kNoTicks, onset, p, 250.0, {}});
    onset += 250.0;
  }
  return m;
}

}  // namespace suite::test
