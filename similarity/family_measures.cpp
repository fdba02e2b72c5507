#include "similarity/family_measures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "similarity/metric_weights.h"
#include "tuneport/segmentation/temperley_grouping.h"

namespace suite::similarity {
namespace {

constexpr double kUndefined = -1.0;

// Base-40 sizes of the intervals of 0..11 semitones.
constexpr std::array<int, 12> kBase40Size = {0, 5, 6, 11, 12, 17, 20, 23, 28, 29, 34, 35};

constexpr double bandScore(int semitones) {
  const int d = kBase40Size[static_cast<std::size_t>((semitones < 0 ? -semitones : semitones) % 12)];
  const double band = d <= 23 ? 1.0 - d / 23.0 : -1.0;
  return (band + 1.0) / 2.0;
}

// Pitch band scores of every difference a - (b + shift) that two pitches of
// 16 bits under a shift within the 8-bit pitch range can have, by
// difference + kBandOffset.
constexpr int kBandOffset = 1024;
constexpr std::array<double, 2 * kBandOffset + 1> makeBandTable() {
  std::array<double, 2 * kBandOffset + 1> table{};
  for (int d = -kBandOffset; d <= kBandOffset; ++d) {
    table[static_cast<std::size_t>(d + kBandOffset)] = bandScore(d);
  }
  return table;
}
constexpr std::array<double, 2 * kBandOffset + 1> kBandTable = makeBandTable();

}  // namespace

double pitchBandScore(int semitones) { return bandScore(semitones); }

std::vector<double> segmentPositions(std::span<const double> endsAfter, std::size_t notes) {
  std::vector<double> positions(notes, 0.0);
  std::size_t start = 0;
  for (std::size_t i = 0; i < notes; ++i) {
    const bool ends = i + 1 == notes || (i < endsAfter.size() && endsAfter[i] != 0.0);
    if (!ends) continue;
    const std::size_t last = i;
    if (last > start) {
      for (std::size_t j = start; j <= last; ++j) {
        positions[j] = static_cast<double>(j - start) / static_cast<double>(last - start);
      }
    }
    start = i + 1;
  }
  return positions;
}

std::vector<double> phraseEnds(const core::Melody& melody) {
  namespace seg = tuneport::segmentation;
  const std::size_t n = melody.size();
  if (n < 2) return {};
  std::vector<double> interOnsets(n - 1, 0.0);
  for (std::size_t i = 0; i + 1 < n && i < melody.durations.size(); ++i) {
    interOnsets[i] = static_cast<double>(melody.durations[i]);
  }
  // A melody table keeps no rests apart: a rest lengthens the note before it.
  const std::vector<double> rests(n - 1, 0.0);
  std::vector<seg::BeatPosition> positions;
  if (melody.timeline.size() == n) {
    positions.reserve(n);
    for (const core::MetricalPosition& p : melody.timeline.positions) {
      positions.push_back({static_cast<std::int32_t>(p.beat), static_cast<std::int32_t>(p.tick),
                           static_cast<std::int32_t>(melody.signature.numerator), true});
    }
  }
  // Value i marks note i + 1 as a phrase start, so note i ends a phrase.
  std::vector<double> ends = seg::temperleyBoundaries(interOnsets, rests, positions);
  ends.resize(n - 1, 0.0);
  return ends;
}

NoteProfile noteProfile(const core::Melody& melody) {
  NoteProfile profile;
  profile.pitches.assign(melody.pitches.begin(), melody.pitches.end());
  profile.weights = metricWeights(noteOnsets(melody));
  profile.positions = segmentPositions(phraseEnds(melody), melody.size());
  std::vector<std::int16_t> sorted = profile.pitches;
  std::sort(sorted.begin(), sorted.end());
  for (const std::int16_t p : sorted) {
    if (profile.histogram.empty() || profile.histogram.back().first != p) {
      profile.histogram.emplace_back(p, 0);
    }
    ++profile.histogram.back().second;
  }
  return profile;
}

int histogramShift(const NoteProfile& a, const NoteProfile& b) {
  const auto& ha = a.histogram;
  const auto& hb = b.histogram;
  if (ha.empty() || hb.empty()) return 0;
  // min(ca / na, cb / nb) compared as min(ca * nb, cb * na): exact, so equal
  // overlaps tie exactly and the smallest shift wins.
  const std::uint64_t na = a.pitches.size();
  const std::uint64_t nb = b.pitches.size();
  int best = 0;
  std::uint64_t bestOverlap = 0;
  bool found = false;
  for (int t = ha.front().first - hb.back().first; t <= ha.back().first - hb.front().first; ++t) {
    std::uint64_t overlap = 0;
    std::size_t i = 0;
    for (const auto& [pitch, count] : hb) {
      while (i < ha.size() && ha[i].first < pitch + t) ++i;
      if (i == ha.size()) break;
      if (ha[i].first == pitch + t) overlap += std::min(ha[i].second * nb, count * na);
    }
    if (!found || overlap > bestOverlap) {
      best = t;
      bestOverlap = overlap;
      found = true;
    }
  }
  return best;
}

SimilarityResult edImaSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                 FamilyWorkspace& workspace) {
  const std::size_t m = a.pitches.size();
  const std::size_t n = b.pitches.size();
  if (m == 0 || n == 0) return {kUndefined, 0.0};
  std::vector<double>& previous = workspace.previous;
  std::vector<double>& current = workspace.current;
  previous.resize(n + 1);
  current.resize(n + 1);
  for (std::size_t j = 0; j <= n; ++j) previous[j] = static_cast<double>(j);
  for (std::size_t i = 0; i < m; ++i) {
    const int pitch = a.pitches[i] - shift;  // a[i] == b[j] + shift
    const double weight = a.weights[i];
    current[0] = static_cast<double>(i + 1);
    for (std::size_t j = 0; j < n; ++j) {
      const double substitution =
          b.pitches[j] == pitch ? std::fabs(weight - b.weights[j]) : 1.0;
      current[j + 1] = std::min({previous[j + 1] + 1.0, current[j] + 1.0,
                                 previous[j] + substitution});
    }
    std::swap(previous, current);
  }
  const double d = previous[n];
  return {1.0 - d / static_cast<double>(std::max(m, n)), d};
}

SimilarityResult temAlignSimilarity(const NoteProfile& a, const NoteProfile& b, int shift,
                                    FamilyWorkspace& workspace) {
  const std::size_t m = a.pitches.size();
  const std::size_t n = b.pitches.size();
  if (m == 0 || n == 0) return {kUndefined, 0.0};
  std::vector<double>& previous = workspace.previous;
  std::vector<double>& current = workspace.current;
  previous.assign(n + 1, 0.0);
  current.resize(n + 1);
  current[0] = 0.0;
  // Pitches are 8-bit values and a useful shift lies within their range;
  // beyond it every pair is out of band anyway.
  const int offset = kBandOffset - std::clamp(shift, -512, 512);
  double best = 0.0;
  for (std::size_t i = 0; i < m; ++i) {
    const double* band = kBandTable.data() + (a.pitches[i] + offset);
    const double weight = a.weights[i];
    const double position = a.positions[i];
    for (std::size_t j = 0; j < n; ++j) {
      const double r = band[-b.pitches[j]] * (1.0 - std::fabs(weight - b.weights[j])) *
                       (1.0 - std::fabs(position - b.positions[j]));
      const double h = std::max({0.0, previous[j] + (2.0 * r - 1.0),
                                 previous[j + 1] + kAlignmentGap, current[j] + kAlignmentGap});
      current[j + 1] = h;
      best = std::max(best, h);
    }
    std::swap(previous, current);
  }
  return {best / static_cast<double>(std::min(m, n)), best};
}

}  // namespace suite::similarity
