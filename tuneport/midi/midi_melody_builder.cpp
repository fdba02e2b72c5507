#include "tuneport/midi/midi_melody_builder.h"

#include <algorithm>
#include <numeric>
#include <utility>

#include "tuneport/model/saturating.h"

namespace suite::tuneport::midi {
namespace {

constexpr int kTimeCodeDivision = 0x8000;

// The tempo map with the time in ms at which each entry starts.
class TempoTimeline {
 public:
  TempoTimeline(std::vector<double> msPerQuarter, std::vector<std::int64_t> ticks,
                double division)
      : ms_(std::move(msPerQuarter)), ticks_(std::move(ticks)), division_(division) {
    start_.push_back(0.0);
    for (std::size_t i = 1; i < ticks_.size(); ++i)
      start_.push_back(start_[i - 1] + span(i - 1, ticks_[i]));
  }

  std::size_t entryAt(std::int64_t tick) const {
    const auto after = std::upper_bound(ticks_.begin(), ticks_.end(), tick);
    return after == ticks_.begin() ? 0 : static_cast<std::size_t>(after - ticks_.begin() - 1);
  }
  double msAt(std::int64_t tick) const {
    const std::size_t i = entryAt(tick);
    return start_[i] + span(i, tick);
  }
  double msPerQuarterAt(std::int64_t tick) const { return ms_[entryAt(tick)]; }

 private:
  // From the start of entry i to \a tick at its tempo; for the first entry
  // this is tick * tempo / division, the time at one constant tempo.
  double span(std::size_t i, std::int64_t tick) const {
    return static_cast<double>(tick - ticks_[i]) * ms_[i] / division_;
  }

  std::vector<double> ms_;
  std::vector<std::int64_t> ticks_;
  std::vector<double> start_;
  double division_;
};

}  // namespace

std::string divisionProblem(int division) {
  if (division >= kTimeCodeDivision) return "Time-code division not supported";
  if (division < 1) return "Invalid division: " + std::to_string(division);
  return {};
}

MidiMelodyBuilder::MidiMelodyBuilder(int selectedTrack, int signatureTrack,
                                     const model::ConversionSettings& settings,
                                     std::ostream& err)
    : selectedTrack_(selectedTrack),
      signatureTrack_(signatureTrack),
      settings_(settings),
      err_(err) {}

void MidiMelodyBuilder::header(int, int, int division) {
  if (!divisionProblem(division).empty()) {
    usableDivision_ = false;
    return;
  }
  division_ = division;
  quantize_ = std::max<std::int64_t>(0, settings_.quantize);
  if (quantize_ == 0) return;
  if (quantize_ >= division_) {
    err_ << "WARNING: " << division << " tick per beats is smaller than quantisation level "
         << quantize_ << ". Adjusting.\n";
    err_.flush();
    quantize_ = division_;
  } else if (division_ % quantize_ != 0) {
    // A division the grid fits into: every tick becomes tickScale_ ticks.
    const std::int64_t lcm = std::lcm(division_, quantize_);
    tickScale_ = lcm / division_;
    division_ = lcm;
  }
}

void MidiMelodyBuilder::trackStart(int track) {
  track_ = track;
  pending_.clear();
}

void MidiMelodyBuilder::noteOn(const MidiMessage& message) {
  if (!usableDivision_ || track_ != selectedTrack_ || message.data1 > 127) return;
  pending_.push_back({message.time, message.data1});
}

void MidiMelodyBuilder::noteOff(const MidiMessage& message) {
  if (!usableDivision_ || track_ != selectedTrack_ || message.data1 > 127) return;
  if (pending_.empty()) return;
  const PendingNote on = pending_.front();
  pending_.pop_front();
  notes_.push_back({on.time, message.time, on.pitch});
}

void MidiMelodyBuilder::timeSignature(std::int32_t, int numerator, int denominatorExponent, int,
                                      int) {
  if (!signatureSource() || numerator < 1 || denominatorExponent > kMaxDenominatorExponent)
    return;
  numerator_ = numerator;
  denominatorExponent_ = denominatorExponent;
}

void MidiMelodyBuilder::tempo(std::int32_t time, std::int32_t microsecondsPerQuarter) {
  if (!signatureSource() || microsecondsPerQuarter <= 0) return;
  tempi_.push_back({time, microsecondsPerQuarter / 1000.0});
}

void MidiMelodyBuilder::keySignature(std::int32_t, int sharpsFlats, int minor) {
  if (!signatureSource() || sharpsFlats < -7 || sharpsFlats > 7 || minor < 0 || minor > 1)
    return;
  // Each sharp moves the tonic a fifth up; the minor tonic lies a minor
  // third below the major one. C major 0, G major 7, A minor 21, C minor 12.
  const int a = 7 * sharpsFlats - 3 * minor;
  key_ = (a % 12 + 12) % 12 + 12 * minor;
}

void MidiMelodyBuilder::error(std::string_view message) { errorText_ = message; }

std::vector<MidiMelodyBuilder::TempoChange> MidiMelodyBuilder::tempoMap() const {
  // The default tempo at tick 0, then the file's tempo events in time order.
  std::vector<TempoChange> map(tempi_.size() + 1);
  map.front() = {0, settings_.msPerBeat};
  std::copy(tempi_.begin(), tempi_.end(), map.begin() + 1);
  std::stable_sort(map.begin() + 1, map.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  if (settings_.ignoreTempoChanges && map.size() > 2) map.resize(2);
  for (auto e = map.begin() + 1; e != map.end(); ++e) e->tick *= tickScale_;
  return map;
}

void MidiMelodyBuilder::buildMelody(model::ConverterMelody& melody) const {
  melody = model::ConverterMelody{};
  melody.ticksPerBeat = 96;
  melody.tempi = {settings_.msPerBeat};
  if (!usableDivision_) return;

  // The beat is the signature's note value: ticksPerBeat = division * 4 /
  // denominator, in ticks multiplied by `factor` where that is not whole.
  const std::int64_t denominator = std::int64_t{1} << denominatorExponent_;
  const std::int64_t quarterTicks4 = division_ * 4;
  const std::int64_t factor = denominator / std::gcd(quarterTicks4, denominator);
  const double quartersPerBeat = 4.0 / static_cast<double>(denominator);
  melody.ticksPerBeat = model::clampToInt32(quarterTicks4 * factor / denominator);
  melody.setSignature(numerator_, static_cast<std::int32_t>(denominator));
  melody.key = key_;
  if (quantize_ > 0) {
    melody.tatum = model::clampToInt32(division_ / quantize_ * factor);
    melody.durationUnit = melody.tatum;
  }

  const std::vector<TempoChange> map = tempoMap();
  std::vector<double> ms;
  std::vector<std::int64_t> ticks;
  for (const TempoChange& e : map) {
    ms.push_back(e.msPerQuarter);
    ticks.push_back(e.tick);
  }
  const TempoTimeline timeline(std::move(ms), std::move(ticks), static_cast<double>(division_));

  const std::int64_t grid = quantize_ > 0 ? division_ / quantize_ : 1;
  std::vector<double> tempi;
  double firstMs = 0.0;
  for (const CollectedNote& n : notes_) {
    std::int64_t onset = std::int64_t{n.on} * tickScale_;
    if (grid > 1) {
      // Nearest grid point, the lower one on a tie.
      const std::int64_t lower = onset / grid * grid;
      onset = (lower + grid - onset < onset - lower) ? lower + grid : lower;
    }
    const std::int64_t length = std::max<std::int64_t>(0, std::int64_t{n.off} - n.on) * tickScale_;
    model::NoteEvent e;
    e.ticks = model::clampToInt32(onset * factor);
    e.onsetMs = timeline.msAt(onset);
    e.durationMs = timeline.msAt(onset + length) - e.onsetMs;
    e.pitch = n.pitch;
    if (melody.notes.empty()) firstMs = e.onsetMs;
    if (settings_.cut > 0.0 && e.onsetMs - firstMs > settings_.cut) break;
    const double tempo = timeline.msPerQuarterAt(onset) * quartersPerBeat;
    if (tempi.empty() || tempi.back() != tempo) tempi.push_back(tempo);
    melody.append(e);
  }
  melody.tempi = tempi.empty() ? std::vector<double>{settings_.msPerBeat * quartersPerBeat}
                               : std::move(tempi);
}

}  // namespace suite::tuneport::midi
