// Fuzz target: converter melodies built from arbitrary bytes, with any
// resolution, signature, tempo, tatum, tick values, times and positions, run
// through the editing operations, quantise and every segmenter. Checks the
// invariants callers rely on: one value per note in the derived sequences,
// positions inside their beat and bar after the bar-position pass, series
// lengths tied to the melody, boundary values from their allowed sets.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <ostream>
#include <string>
#include <vector>

#include "converter_melody_input.h"
#include "tuneport/model/converter_melody.h"
#include "tuneport/model/metric_counter.h"
#include "tuneport/model/validation.h"
#include "tuneport/segmentation/duration_segmenter.h"
#include "tuneport/segmentation/lbdm.h"
#include "tuneport/segmentation/parameter_series.h"
#include "tuneport/segmentation/pitch_statistics.h"
#include "tuneport/segmentation/temperley_grouping.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace {

using suite::tuneport::model::BarPosition;
using suite::tuneport::model::ConverterMelody;
using suite::tuneport::model::NoteEvent;
using Series = std::vector<double>;
using fuzz::Bytes;
using fuzz::buildMelody;
using fuzz::kIntMax;
using fuzz::kIntMin;
using fuzz::pickInt;
using fuzz::pickReal;

void check(bool ok) {
  if (!ok) std::abort();
}

bool allIn(const Series& s, std::initializer_list<double> allowed) {
  for (const double v : s) {
    bool found = false;
    for (const double a : allowed) found = found || v == a;
    if (!found) return false;
  }
  return true;
}

void checkDerived(const ConverterMelody& m) {
  const std::size_t n = m.size();
  check(m.onsetsMs().size() == n && m.pitches().size() == n);
  check(m.onsetTicks().size() == n);
  check(m.durationTicks().size() == n);
  check(m.interOnsetTicks().size() == n);
  check(m.positions().size() == n);
  if (n <= 40)
    for (const NoteEvent& e : m.notes) check(!e.position.toString().empty());
  const std::vector<std::int32_t> units = m.durationUnits();
  check(units.size() == n);
  for (const std::int32_t u : units) check(u >= 1);
  for (std::size_t i = 0; i < n; ++i) {
    const std::int64_t next = m.nextSoundingNote(i);
    check(next == -1 || (next > static_cast<std::int64_t>(i) && next < static_cast<std::int64_t>(n)));
  }
  check(m.lowestPitch() <= m.highestPitch());
  const std::int32_t major = m.estimateKey(suite::tuneport::model::KeyMethod::MajorMinorProfiles);
  check(major >= 0 && major < 24);
  const std::int32_t weights = m.estimateKey(suite::tuneport::model::KeyMethod::MajorWeights);
  check(weights >= 0 && weights < 12);
  (void)m.firstNoteOffset();
  (void)m.firstNoteOffsetInTatums();
}

void checkQuantised(ConverterMelody m, std::int32_t level) {
  const bool usable = m.ticksPerBeat >= 1 && m.numerator >= 1;
  const bool estimates = level == 0 && usable && !m.tatumDone && m.tatum != 0;
  const bool ok = m.quantise(level);
  check(ok == usable);
  if (!ok) return;
  for (const NoteEvent& e : m.notes) {
    check(e.position.tick >= 0 && e.position.tick < m.ticksPerBeat);
    check(e.position.beat >= 1 && e.position.beat <= m.numerator);
  }
  if (estimates) check(m.tatumDone && m.tatum >= 1 && m.tatum == m.durationUnit);
  check(m.upbeatIndex >= 0);
  check(m.upbeatIndex == 0 || static_cast<std::size_t>(m.upbeatIndex) + 1 < m.size());
  checkDerived(m);
}

void checkSegmenters(const ConverterMelody& m) {
  using namespace suite::tuneport::segmentation;
  const std::size_t n = m.size();
  const std::size_t intervals = interOnsetSeries(m).size();
  check(restSeries(m).size() == intervals);
  check(pitchIntervalSeries(m).size() == (n == 0 ? 0 : n - 1));
  check(intervals + 1 <= (n == 0 ? 1 : n));

  Series profile;
  Series picked;
  PlainLBDM plain(&m);
  RefinedLBDM refined(&m);
  for (LBDMBase* lbdm : {static_cast<LBDMBase*>(&plain), static_cast<LBDMBase*>(&refined)}) {
    lbdm->compute(profile);
    check(profile.size() == intervals);
    check(profile.empty() == !lbdm->errorText().empty());
    lbdm->peakPicker1(profile, picked);
    check(picked.size() == (profile.size() < 3 ? 0 : profile.size()));
    check(allIn(picked, {0.0, 0.5, 1.0}));
    lbdm->peakPicker2(profile, picked);
    check(picked.size() == profile.size());
    check(allIn(picked, {0.0, 1.0}));
  }

  TemperleySegmenter temperley(&m);
  temperley.compute(picked);
  check(picked.size() == intervals);
  check(allIn(picked, {0.0, 1.0}));

  for (const bool adaptive : {false, true}) {
    DurationSegmenter duration(&m, 1000.0, 1.9, adaptive);
    duration.compute(picked);
    check(picked.size() == n);
    check(allIn(picked, {0.0, 1.0}));
    check(n == 0 || picked.back() == 1.0);
  }

  const PitchStatistics stats = pitchStatistics(m);
  check(n == 0 || (stats.lowest <= stats.median && stats.median <= stats.highest));
  check(n == 0 || (stats.lowest <= stats.mode && stats.mode <= stats.highest));
  if (n <= 40) {
    std::ostream discard(nullptr);
    writePitchStatistics(m, discard);
  }
}

// The grouping rule on raw scores: ends, one mark per position but the first.
void checkGrouping(Bytes& in) {
  using namespace suite::tuneport::segmentation;
  Series scores;
  std::vector<BeatPosition> positions;
  const std::uint32_t count = in.next() % 64;
  for (std::uint32_t i = 0; i < count; ++i) {
    scores.push_back(pickReal(in, {0.0, -5000.0, 1e308, -1e308, std::nan("")}, 10.0));
    positions.push_back({pickInt(in, {1, 0, -1}, 12), pickInt(in, {0, 96}, 4),
                         pickInt(in, {4, 0, -3, kIntMax, kIntMin}, 12), in.next() % 2 == 0});
  }
  positions.resize(in.next() % (count + 1));
  const Series marks = groupingBoundaries(scores, positions);
  check(marks.size() == (count < 2 ? 0 : count - 1));
  check(allIn(marks, {0.0, 1.0}));
}

// A position with any fields moved by any amount: with a resolution and a
// signature the tick ends inside the beat, and a snap keeps it there.
void checkPosition(Bytes& in) {
  BarPosition p = BarPosition::start(in.int32(), pickInt(in, {0, 1, 4, -1, kIntMax}, 12), 4,
                                     pickInt(in, {0, 1, 96, 98, 100, -1, kIntMax}, 1000), 1.0);
  p.beat = pickInt(in, {-1, 0, 1, kIntMax, kIntMin}, 12);
  p.tick = pickInt(in, {-1, 0, kIntMax, kIntMin}, 1000);
  const std::uint64_t bits = (std::uint64_t{in.next32()} << 32) | in.next32();
  std::int64_t ticks;
  std::memcpy(&ticks, &bits, sizeof ticks);
  p.advance(ticks);
  if (p.ticksPerBeat < 1 || p.numerator < 1) return;
  check(p.tick >= 0 && p.tick < p.ticksPerBeat);
  p.snap(pickInt(in, {0, 24, 2, -3, kIntMax, kIntMin}, 64));
  check(p.tick >= 0 && p.tick < p.ticksPerBeat);
}

void checkCounter(Bytes& in) {
  suite::tuneport::model::MetricCounter c(pickReal(in, {500.0, -1.0, 1e300}, 2000.0),
                                          pickInt(in, {0, 4, -1, kIntMax}, 12),
                                          pickInt(in, {0, 192, -1, kIntMax}, 1000));
  c.setPosition(in.int32(), in.int32(), in.int32());
  c.advance(in.int32());
  check(c.beat() >= 0 && c.beat() < c.beatsPerBar());
  check(c.tick() >= 0 && c.tick() < c.ticksPerBeat());
  (void)c.seconds();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in(data, size);
  const std::uint32_t mode = in.next();
  if (mode % 8 == 0) {
    checkGrouping(in);
    checkCounter(in);
    checkPosition(in);
    return 0;
  }
  std::int32_t level = 0;
  ConverterMelody m = buildMelody(in, level);

  std::string message;
  const bool valid = suite::tuneport::model::validateMelody(m, message);
  check(valid == message.empty());

  checkDerived(m);
  checkSegmenters(m);
  checkQuantised(m, level);
  if (mode % 16 == 1) {
    using namespace suite::tuneport::segmentation;
    Series out;
    PlainLBDM none(nullptr);
    none.compute(out);
    none.boundaries(out);
    check(out.empty() && none.errorText() == "Invalid melody object");
  }

  ConverterMelody q = m;
  q.quantise(level);
  checkSegmenters(q);

  // The EsAC reader's sequence: lengths to onsets, legato, quantise, pass again.
  ConverterMelody e = m;
  if (mode % 2 == 0) {
    e.retime(static_cast<double>(mode));
    check(e.size() == m.size() + 1);
  }
  e.makeLegato();
  e.clipOverlaps();
  e.quantise(0);
  e.assignBarPositions(0);
  checkDerived(e);
  checkSegmenters(e);
  return 0;
}
