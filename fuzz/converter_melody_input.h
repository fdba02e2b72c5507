// Converter melodies from fuzzer bytes: any resolution, signature, tempo,
// tatum, tick values, times, pitches and positions, with telling values
// (0, -1, extremes, NaN, infinities) picked often. Shared by the fuzz targets
// that hold the model, the segmenters and the writers to such melodies.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <limits>

#include "tuneport/model/converter_melody.h"

namespace fuzz {

using suite::tuneport::model::BarPosition;
using suite::tuneport::model::ConverterMelody;
using suite::tuneport::model::NoteEvent;

class Bytes {
 public:
  Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  std::uint32_t next() { return pos_ < size_ ? data_[pos_++] : 0u; }
  std::uint32_t next32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | next();
    return v;
  }
  std::int32_t int32() {
    const std::uint32_t v = next32();
    std::int32_t r;
    std::memcpy(&r, &v, sizeof r);
    return r;
  }
  double real() {
    std::uint64_t v = (std::uint64_t{next32()} << 32) | next32();
    double r;
    std::memcpy(&r, &v, sizeof r);
    return r;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

inline constexpr std::int32_t kIntMax = std::numeric_limits<std::int32_t>::max();
inline constexpr std::int32_t kIntMin = std::numeric_limits<std::int32_t>::min();

// A value from a list of telling ones, a small one, or any 32-bit value.
inline std::int32_t pickInt(Bytes& in, std::initializer_list<std::int32_t> telling, std::int32_t small) {
  const std::uint32_t how = in.next() % 4;
  if (how == 0) return in.int32();
  if (how == 1) return static_cast<std::int32_t>(in.next() % static_cast<std::uint32_t>(small + 1));
  const std::uint32_t k = in.next() % static_cast<std::uint32_t>(telling.size());
  return telling.begin()[k];
}

inline double pickReal(Bytes& in, std::initializer_list<double> telling, double scale) {
  const std::uint32_t how = in.next() % 4;
  if (how == 0) return in.real();
  if (how == 1) return static_cast<double>(in.next32() % 100000u) * scale / 100000.0;
  const std::uint32_t k = in.next() % static_cast<std::uint32_t>(telling.size());
  return telling.begin()[k];
}

inline ConverterMelody buildMelody(Bytes& in, std::int32_t& level) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  ConverterMelody m;
  m.ticksPerBeat = pickInt(in, {0, 1, 2, 3, -1, 96, 98, 100, 192, 258, 480, 1 << 20, kIntMax, kIntMin}, 1000);
  m.numerator = pickInt(in, {0, 1, 2, 3, 4, 6, 12, -1, kIntMax}, 16);
  m.denominator = pickInt(in, {0, 1, 4, 8, -4}, 16);
  m.metricFactor = pickReal(in, {1.0, 0.75, 0.0, nan}, 4.0);
  const std::uint32_t tempi = in.next() % 4;
  m.tempi.clear();
  for (std::uint32_t i = 0; i < tempi; ++i)
    m.tempi.push_back(pickReal(in, {500.0, 0.0, -500.0, nan, inf, 1e-300, 1e300}, 3000.0));
  m.tatum = pickInt(in, {0, 1, -1, 96, kIntMax, kIntMin}, 200);
  m.durationUnit = pickInt(in, {0, 1, -1, 48, kIntMax, kIntMin}, 200);
  m.tatumDone = in.next() % 8 == 0;
  m.upbeatIndex = pickInt(in, {0, 1, -1, kIntMax}, 10);
  m.key = pickInt(in, {0, 21, -1, 24}, 30);
  level = pickInt(in, {0, 0, 24, 2, 1, -3, kIntMax, kIntMin}, 64);

  std::int64_t ticks = in.next() % 1000;
  double ms = static_cast<double>(in.next() % 3000);
  while (!in.empty() && m.size() < 300) {
    NoteEvent e;
    const std::uint32_t tickMode = in.next() % 8;
    e.ticks = tickMode == 0 ? -1 : (tickMode == 1 ? in.int32() : static_cast<std::int32_t>(ticks));
    e.onsetMs = in.next() % 16 == 0 ? pickReal(in, {nan, inf, -inf, 1e300, -1e300}, 1e6) : ms;
    const std::uint32_t p = in.next();
    e.pitch = p < 40 ? 0 : (p < 50 ? 128 : (p < 55 ? 250 : (p < 60 ? in.int32() : static_cast<std::int32_t>(40 + p % 50))));
    e.durationMs = in.next() % 8 == 0 ? pickReal(in, {0.0, -1.0, nan, inf, 1e12}, 5000.0)
                                      : static_cast<double>(in.next() % 4000);
    if (in.next() % 4 == 0) {
      e.position = BarPosition::start(pickInt(in, {-1, 0, 1, kIntMax}, 20),
                                      pickInt(in, {0, 4, -1}, 8), 4,
                                      pickInt(in, {0, 192, -1}, 500), 1.0);
      e.position.beat = pickInt(in, {-1, 0, 1, 4, kIntMax}, 8);
      e.position.tick = pickInt(in, {-1, 0, 191, kIntMax}, 400);
    }
    m.append(e);
    const std::uint32_t step = in.next();
    const std::int64_t delta = step < 200 ? step * 4 : (step < 240 ? 0 : -static_cast<std::int64_t>(step));
    ticks += delta;
    ms += static_cast<double>(delta) * 2.5 + static_cast<double>(in.next() % 7) - 3.0;
  }
  return m;
}

}  // namespace fuzz
