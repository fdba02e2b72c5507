#include "analysis/tonality.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "core/melody_reader.h"
#include "text/text_format.h"

namespace suite::analysis {
namespace {

using core::kPitchClassNames;
using core::pitchClass;

// Pitch class 0..11 of a pitch, as an index.
std::size_t pitchClassIndex(int pitch) { return static_cast<std::size_t>(pitchClass(pitch)); }

// Profile index of pitch class pc against tonic t: semitones above the tonic.
std::size_t profileIndex(std::size_t pc, std::size_t tonic) { return (pc + 12 - tonic) % 12; }

// Writes "Sorted: " and "%-2s: %5.2f|" per tonic, in descending order of value.
void printSorted(const std::vector<double>& values, std::ostream& out) {
  std::array<std::pair<std::size_t, double>, 12> sorted;
  for (std::size_t t = 0; t < 12; ++t) sorted[t] = {t, values[t]};
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return a.second > b.second; });
  out << "Sorted: ";
  for (const auto& [tonic, value] : sorted) {
    std::string name = kPitchClassNames[tonic];
    name.resize(std::max<std::size_t>(name.size(), 2), ' ');
    std::string number = text::formatFixed(value, 2);
    if (number.size() < 5) number.insert(0, 5 - number.size(), ' ');
    out << name << ": " << number << '|';
  }
  out << '\n';
}

}  // namespace

BarIndex::BarIndex(const core::Melody& melody)
    : melody_(&melody), numberOfBars_(melody.timeline.numberOfBars()) {
  const std::size_t n = std::min(melody.pitches.size(), melody.timeline.size());
  std::vector<std::pair<std::int64_t, std::size_t>> notes(n);  // (bar, note index)
  for (std::size_t i = 0; i < n; ++i) notes[i] = {melody.timeline[i].bar, i};
  std::sort(notes.begin(), notes.end());

  pitches_.reserve(n);
  for (std::size_t g = 0; g < n;) {
    const std::int64_t barNumber = notes[g].first;
    std::size_t next = g;
    while (next < n && notes[next].first == barNumber) ++next;
    // The selection of a bar ends at the first note of the following bar.
    const std::size_t limit =
        (next < n && notes[next].first == barNumber + 1) ? notes[next].second : n;
    const std::size_t begin = pitches_.size();
    for (std::size_t k = g; k < next && notes[k].second < limit; ++k) {
      pitches_.push_back(melody.pitches[notes[k].second]);
    }
    if (pitches_.size() > begin) runs_.push_back({barNumber, begin, pitches_.size()});
    g = next;
  }
}

std::span<const std::int8_t> BarIndex::wholeMelody() const { return melody_->pitches; }

const BarIndex::BarRun* BarIndex::find(std::int64_t barNumber) const {
  const auto it = std::lower_bound(runs_.begin(), runs_.end(), barNumber,
                                   [](const BarRun& r, std::int64_t b) { return r.bar < b; });
  return (it != runs_.end() && it->bar == barNumber) ? &*it : nullptr;
}

std::span<const std::int8_t> BarIndex::bar(std::int64_t barNumber) const {
  const BarRun* run = find(barNumber);
  if (run == nullptr) return {};
  return std::span<const std::int8_t>(pitches_).subspan(run->begin, run->end - run->begin);
}

std::span<const std::int8_t> BarIndex::barOrEarlier(std::int64_t barNumber) const {
  // The nearest bar at or before the requested one that has notes; an earlier
  // bar only counts from bar 2 on.
  auto it = std::upper_bound(runs_.begin(), runs_.end(), barNumber,
                             [](std::int64_t b, const BarRun& r) { return b < r.bar; });
  if (it == runs_.begin()) return {};
  --it;
  if (it->bar != barNumber && it->bar < 2) return {};
  return std::span<const std::int8_t>(pitches_).subspan(it->begin, it->end - it->begin);
}

int findKey(std::span<const std::int8_t> pitches, std::vector<double>& keySums) {
  if (pitches.empty()) return kNoKey;
  keySums.assign(24, 0.0);
  for (const std::int8_t p : pitches) {
    const std::size_t pc = pitchClassIndex(p);
    for (std::size_t t = 0; t < 12; ++t) {
      keySums[t] += kMajorKeyProfile[profileIndex(pc, t)];
      keySums[12 + t] += kMinorKeyProfile[profileIndex(pc, t)];
    }
  }
  double best = 0.0;
  std::size_t key = 0;
  for (std::size_t t = 0; t < 12; ++t) {
    if (keySums[t] > best) {
      best = keySums[t];
      key = t;
    }
    if (keySums[12 + t] > best) {
      best = keySums[12 + t];
      key = 12 + t;
    }
  }
  return static_cast<int>(key);
}

int findKey(const BarIndex& index, int bar, std::vector<double>& keySums, std::ostream* trace) {
  const std::span<const std::int8_t> pitches = bar < 0 ? index.wholeMelody() : index.bar(bar);
  if (trace == nullptr) return findKey(pitches, keySums);
  std::ostream& out = *trace;

  if (pitches.empty()) {
    out << "Empty bar.";  // no line break: the next trace line continues this one
    return kNoKey;
  }
  if (bar < 1) {
    out << "Melody\n";
  } else {
    out << "Bar " << bar << '\n';
  }
  for (const std::int8_t p : pitches) out << kPitchClassNames[pitchClass(p)] << ' ';
  out << '\n';

  const int key = findKey(pitches, keySums);
  for (std::size_t t = 0; t < 12; ++t) {
    const char* name = kPitchClassNames[t];
    out << "Testing Root: " << name << '\n';
    for (const std::int8_t p : pitches) {
      const std::size_t pc = pitchClassIndex(p);
      const std::size_t idx = profileIndex(pc, t);
      out << "Tone: " << int{p} << " Pitchclass: " << kPitchClassNames[pc]
          << " tonIdx = " << idx << '\n'
          << "---> Val(maj)= " << text::formatGeneral(kMajorKeyProfile[idx])
          << " Val(min) =" << text::formatGeneral(kMinorKeyProfile[idx]) << '\n';
    }
    out << "Sum " << name << "(maj) = " << text::formatGeneral(keySums[t]) << " sum " << name
        << "(min) = " << text::formatGeneral(keySums[12 + t]) << '\n';
  }
  const char* mode = key < 12 ? " major" : " minor";
  if (bar < 0) {
    out << "Winner = " << kPitchClassNames[key % 12] << mode << '\n';
  } else {
    out << "Winner (Bar " << bar << ") = " << kPitchClassNames[key % 12] << mode << '\n';
  }
  return key;
}

int findKey(const core::Melody& melody, int bar, std::vector<double>& keySums,
            std::ostream* trace) {
  return findKey(BarIndex(melody), bar, keySums, trace);
}

std::vector<double> tonalityVector(const BarIndex& index, int bar, int mode, std::ostream& out,
                                   bool print) {
  const std::span<const std::int8_t> pitches =
      bar == 0 ? index.wholeMelody() : (bar > 0 ? index.barOrEarlier(bar) : index.bar(bar));
  if (pitches.empty()) {
    out << "Empty Bar!\n";
    return {};
  }
  const std::array<double, 12>& profile = (mode & 1) != 0 ? kMajorKeyProfile : kMinorKeyProfile;
  std::vector<double> values(12, 0.0);
  for (const std::int8_t p : pitches) {
    const std::size_t pc = pitchClassIndex(p);
    for (std::size_t t = 0; t < 12; ++t) values[t] += profile[profileIndex(pc, t)];
  }
  if (print) {
    out << "Tonality vector:\n";
    for (const double v : values) out << text::formatGeneral(v) << ' ';
    out << '\n';
    printSorted(values, out);
  }
  return values;
}

std::vector<double> tonalityVector(const core::Melody& melody, int bar, int mode,
                                   std::ostream& out, bool print) {
  return tonalityVector(BarIndex(melody), bar, mode, out, print);
}

double barTonalityCorrelation(const BarIndex& a, const BarIndex& b, int bar, int mode,
                              std::ostream& diag) {
  // Bars count from 1; bar 0 would mean the whole melodies.
  if (bar < 1) return 0.0;
  const auto wanted = static_cast<std::uint32_t>(bar);
  if (a.numberOfBars() < wanted || b.numberOfBars() < wanted) return 0.0;
  const std::vector<double> x = tonalityVector(a, bar, mode, diag, false);
  const std::vector<double> y = tonalityVector(b, bar, mode, diag, false);
  if (x.size() != y.size()) return 0.0;
  double xy = 0.0;
  double xx = 0.0;
  double yy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    xy += x[i] * y[i];
    xx += x[i] * x[i];
    yy += y[i] * y[i];
  }
  if (xx != 0.0 && yy != 0.0) return xy / std::sqrt(xx * yy);
  return xy;
}

double barTonalityCorrelation(const core::Melody& a, const core::Melody& b, int bar, int mode,
                              std::ostream& diag) {
  return barTonalityCorrelation(BarIndex(a), BarIndex(b), bar, mode, diag);
}

void printTonalityReport(const core::Melody& melody, std::ostream& out, std::ostream& err) {
  const BarIndex index(melody);
  const int bars = static_cast<int>(std::min<std::uint32_t>(index.numberOfBars(), INT32_MAX));
  std::vector<double> keySums;

  melody.printMelodySummary(out, err);

  out << "Barwise analysis: \n----------------- \n";
  for (int bar = 1; bar <= bars; ++bar) findKey(index, bar, keySums, &out);
  out << "Total Key analysis: \n--------------------\n";
  findKey(index, -1, keySums, &out);

  out << "\nBarwise tonality vectors (Major)\n" << std::string(31, '-') << '\n';
  for (int bar = 1; bar <= bars; ++bar) tonalityVector(index, bar, kMajorMode, out, true);
  out << "\nBarwise tonality vectors (Minor)\n" << std::string(31, '-') << '\n';
  for (int bar = 1; bar <= bars; ++bar) tonalityVector(index, bar, kMinorMode, out, true);

  out << "\nTotal tonality vectors (Major)\n" << std::string(29, '-') << '\n';
  tonalityVector(index, 0, kMajorMode, out, true);
  out << "\nTotal tonality vectors (Minor)\n" << std::string(29, '-') << '\n';
  tonalityVector(index, 0, kMinorMode, out, true);
}

int printTonalityReport(const std::string& fileName, std::ostream& out, std::ostream& err) {
  core::MelodyReader reader(err, 24);
  std::vector<core::Melody> melodies;
  const bool read = core::readMelodyFiles(reader, {fileName}, melodies);
  if (!read || melodies.empty() || melodies.front().empty()) return 1;
  printTonalityReport(melodies.front(), out, err);
  return 0;
}

}  // namespace suite::analysis
