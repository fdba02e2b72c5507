#include "tuneport/model/converter_melody.h"

#include <algorithm>
#include <cmath>

#include "tuneport/model/metric_counter.h"
#include "tuneport/model/saturating.h"

namespace suite::tuneport::model {

void ConverterMelody::setSignature(std::int32_t num, std::int32_t den) {
  numerator = num;
  denominator = den;
  metricFactor = den != 0 ? static_cast<double>(num) / den : 0.0;
}

double ConverterMelody::tempo() const { return tempi.empty() ? 0.0 : tempi.front(); }

double ConverterMelody::ticksPerMs() const {
  const double t = tempo();
  if (ticksPerBeat < 1 || !std::isfinite(t) || t <= 0.0) return 0.0;
  return ticksPerBeat / t;
}

std::int32_t ConverterMelody::ticksFromMs(double ms) const {
  return floorToInt32(ms * ticksPerMs() + 0.5);
}

std::vector<double> ConverterMelody::onsetsMs() const {
  std::vector<double> out;
  out.reserve(notes.size());
  for (const NoteEvent& n : notes) out.push_back(n.onsetMs);
  return out;
}

std::vector<double> ConverterMelody::durationsMs() const {
  std::vector<double> out;
  out.reserve(notes.size());
  for (const NoteEvent& n : notes) out.push_back(n.durationMs);
  return out;
}

std::vector<std::int32_t> ConverterMelody::pitches() const {
  std::vector<std::int32_t> out;
  out.reserve(notes.size());
  for (const NoteEvent& n : notes) out.push_back(n.pitch);
  return out;
}

std::vector<BarPosition> ConverterMelody::positions() const {
  std::vector<BarPosition> out;
  out.reserve(notes.size());
  for (const NoteEvent& n : notes) out.push_back(n.position);
  return out;
}

std::int32_t ConverterMelody::onsetTicks(std::size_t i) const {
  const NoteEvent& n = notes[i];
  return n.ticks != kNoTicks ? n.ticks : ticksFromMs(n.onsetMs);
}

std::vector<std::int32_t> ConverterMelody::onsetTicks() const {
  std::vector<std::int32_t> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i) out.push_back(onsetTicks(i));
  return out;
}

std::int32_t ConverterMelody::durationTicks(std::size_t i) const {
  return ticksFromMs(notes[i].durationMs);
}

std::vector<std::int32_t> ConverterMelody::durationTicks() const {
  std::vector<std::int32_t> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i) out.push_back(durationTicks(i));
  return out;
}

std::vector<std::int32_t> ConverterMelody::durationUnits() const {
  const double unit = durationUnit >= 1 ? durationUnit : 1;
  std::vector<std::int32_t> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i)
    out.push_back(std::max(1, floorToInt32(durationTicks(i) / unit + 0.5)));
  return out;
}

std::int32_t ConverterMelody::interOnsetTicks(std::size_t i) const {
  if (i + 1 < notes.size()) {
    const NoteEvent& a = notes[i];
    const NoteEvent& b = notes[i + 1];
    if (a.ticks == kNoTicks || b.ticks == kNoTicks)
      return floorToInt32((b.onsetMs - a.onsetMs) * ticksPerMs() + 0.5);
    return clampToInt32(std::int64_t{b.ticks} - a.ticks);
  }
  // The last note: its duration, or the distance to the end point when longer.
  const std::int32_t duration = durationTicks(i);
  const BarPosition& last = notes[i].position;
  const BarPosition& first = notes.front().position;
  if (!last.available() || !first.available()) return duration;
  MetricCounter at(tempo(), last.numerator, last.ticksPerBeat);
  at.setPosition(last.bar, std::int64_t{last.beat} - 1, last.tick);
  MetricCounter end = at;
  const std::int32_t half = floorToInt32(last.numerator * 0.5);
  if (std::int64_t{first.beat} - 1 < half)
    end.setPosition(std::int64_t{last.bar} + 1, 0, 0);
  else
    end.setPosition(last.bar, std::int64_t{first.beat} - 1, first.tick);
  const std::int64_t distance = end - at;
  if (distance < 0) return duration;
  return clampToInt32(std::max<std::int64_t>(duration, distance));
}

std::vector<std::int32_t> ConverterMelody::interOnsetTicks() const {
  std::vector<std::int32_t> out;
  out.reserve(notes.size());
  for (std::size_t i = 0; i < notes.size(); ++i) out.push_back(interOnsetTicks(i));
  return out;
}

std::int32_t ConverterMelody::lowestPitch() const {
  if (notes.empty()) return 0;
  std::int32_t low = notes.front().pitch;
  for (const NoteEvent& n : notes) low = std::min(low, n.pitch);
  return low;
}

std::int32_t ConverterMelody::highestPitch() const {
  if (notes.empty()) return 0;
  std::int32_t high = notes.front().pitch;
  for (const NoteEvent& n : notes) high = std::max(high, n.pitch);
  return high;
}

double ConverterMelody::meanPitch() const {
  if (notes.empty()) return 0.0;
  std::int64_t sum = 0;
  for (const NoteEvent& n : notes) sum += n.pitch;
  return static_cast<double>(sum) / static_cast<double>(notes.size());
}

std::int32_t ConverterMelody::firstNoteOffset() const {
  if (notes.empty() || tatum < 1) return 0;
  const BarPosition& p = notes.front().position;
  if (!p.available()) return 0;
  return clampToInt32(
      saturatingAdd(p.tick, saturatingMul(ticksPerBeat, std::int64_t{p.beat} - 1)));
}

std::int32_t ConverterMelody::firstNoteOffsetInTatums() const {
  return tatum < 1 ? 0 : firstNoteOffset() / tatum;
}

std::int64_t ConverterMelody::nextSoundingNote(std::size_t i) const {
  for (std::size_t j = i + 1; j < notes.size(); ++j)
    if (isSounding(notes[j].pitch)) return static_cast<std::int64_t>(j);
  return -1;
}

void ConverterMelody::clipOverlaps() {
  for (std::size_t i = 0; i + 1 < notes.size(); ++i)
    notes[i].durationMs =
        std::min(notes[i].durationMs, notes[i + 1].onsetMs - notes[i].onsetMs);
}

void ConverterMelody::makeLegato() {
  if (notes.empty()) return;
  for (std::size_t i = 0; i + 1 < notes.size(); ++i)
    notes[i].durationMs = notes[i + 1].onsetMs - notes[i].onsetMs;
  if (notes.back().pitch == kNoPitch)
    notes.pop_back();
  else
    notes.back().durationMs = 0.0;
}

void ConverterMelody::retime(double startMs) {
  double ms = startMs;
  std::int64_t ticks = floorToInt32(startMs * ticksPerMs());
  for (NoteEvent& n : notes) {
    const double lengthMs = n.onsetMs;
    const std::int32_t lengthTicks = n.ticks;
    n.onsetMs = ms;
    n.ticks = clampToInt32(ticks);
    ms += lengthMs;
    ticks = saturatingAdd(ticks, lengthTicks);
  }
  NoteEvent end;
  end.ticks = clampToInt32(ticks);
  end.onsetMs = ms;
  end.pitch = kNoPitch;
  end.durationMs = 0.0;
  notes.push_back(end);
}

}  // namespace suite::tuneport::model
