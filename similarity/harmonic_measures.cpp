#include "similarity/harmonic_measures.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>
#include <vector>

#include "analysis/tonality.h"
#include "similarity/edit_distance.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

constexpr double kPiSixth = 0.5235987755982988;

constexpr std::array<double, 24> kFifthsPosition = {
    5,   0,   7,   2,    9,   4,   11,  6,   1,    8,   3,   10,   // major, tonic C ... B
    2.5, 9.5, 4.5, 11.5, 6.5, 1.5, 8.5, 3.5, 10.5, 5.5, 0.5, 7.5,  // minor
};

double dot(const std::vector<double>& x, const std::vector<double>& y) {
  if (x.size() != y.size()) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) sum += x[i] * y[i];
  return sum;
}

// Bar-wise cosine of the tonality vectors under the major and the minor
// profile; the better mode wins.
SimilarityResult tonalityCorrelation(const core::Melody& a, const core::Melody& b,
                                     std::ostream& diag) {
  core::Melody ra = a;
  core::Melody rb = b;
  ra.timeline.normalizeBars();
  rb.timeline.normalizeBars();
  const analysis::BarIndex ia(ra);
  const analysis::BarIndex ib(rb);
  const std::uint32_t n = std::min(ia.numberOfBars(), ib.numberOfBars());
  if (n == 0) return {0.0, 0.0};
  double major = 0.0;
  double minor = 0.0;
  for (std::uint32_t bar = 1; bar <= n; ++bar) {
    major += analysis::barTonalityCorrelation(ia, ib, static_cast<int>(bar), 1, diag);
    minor += analysis::barTonalityCorrelation(ia, ib, static_cast<int>(bar), 2, diag);
  }
  SimilarityResult result{major / n, 1.0};
  if (minor / n > result.value) result = {minor / n, 2.0};
  return result;
}

// The keys found per bar (or for the whole melody) compared by their
// distance on the circle of fifths, by edit distance of the key sequences,
// or by the correlation of the key sums.
double keySimilarity(const core::Melody& a, const core::Melody& b, std::uint32_t flags,
                     int param) {
  const analysis::BarIndex ia(a);
  const analysis::BarIndex ib(b);
  const std::uint32_t na = ia.numberOfBars();
  const std::uint32_t nb = ib.numberOfBars();
  const bool editDistanceRow = hasFlag(flags, EditDistance);
  const std::uint32_t g = editDistanceRow ? std::max(na, nb) : std::min(na, nb);
  if (g == 0) return 0.0;

  std::vector<int> bars;
  if (param == 1) {
    bars.push_back(-1);  // the whole melody
  } else {
    for (std::uint32_t bar = 1; bar <= g; ++bar) bars.push_back(static_cast<int>(bar));
  }

  std::vector<double> sumsA;
  std::vector<double> sumsB;
  std::vector<double> keysA;
  std::vector<double> keysB;
  double p = 0.0;
  double q = 0.0;
  double r = 0.0;
  double cosines = 0.0;
  for (const int bar : bars) {
    // A bar without notes leaves the sums of the latest bar with notes.
    const int ka = analysis::findKey(ia, bar, sumsA, nullptr);
    const int kb = analysis::findKey(ib, bar, sumsB, nullptr);
    if (hasFlag(flags, CrossCorrelation)) {
      p += dot(sumsA, sumsA);
      q += dot(sumsB, sumsB);
      r += dot(sumsA, sumsB);
    } else if (editDistanceRow) {
      // A bar without notes enters as a symbol of its own (-1), so missing
      // bars count as differences and empty bars in both melodies match.
      keysA.push_back(ka);
      keysB.push_back(kb);
    } else if (ka >= 0 && kb >= 0) {
      // A bar without notes in either melody adds nothing.
      cosines += std::cos((circleOfFifthsPosition(ka) - circleOfFifthsPosition(kb)) * kPiSixth);
    }
  }

  double value = 0.0;
  if (editDistanceRow) {
    const std::size_t longest = std::max(keysA.size(), keysB.size());
    value = longest == 0 ? 0.0 : 1.0 - double(editDistance(keysA, keysB)) / double(longest);
  } else if (hasFlag(flags, CrossCorrelation)) {
    value = (p == 0.0 || q == 0.0) ? 0.0 : r / (std::sqrt(p) * std::sqrt(q));
  } else {
    value = param == 1 ? cosines : cosines / na;
  }
  return std::max(value, 0.0);
}

}  // namespace

double circleOfFifthsPosition(int key) {
  return key >= 0 && key < 24 ? kFifthsPosition[static_cast<std::size_t>(key)] : -1.0;
}

SimilarityResult harmonicSimilarity(const core::Melody& a, const core::Melody& b,
                                    std::uint32_t flags, int param, std::ostream& diag) {
  if (!hasFlag(flags, KeyFinding)) return tonalityCorrelation(a, b, diag);
  return {keySimilarity(a, b, flags, param), 0.0};
}

// --- Prepared melodies --------------------------------------------------------

namespace {

// Index of a tonic (or of a vector entry) moved down by a shift: entry t of a
// melody transposed by s is entry t - s of the melody itself.
std::size_t rotated(std::size_t t, int shift) {
  return static_cast<std::size_t>(((static_cast<int>(t) - shift) % 12 + 12) % 12);
}

// The key sums of a melody transposed by \a shift, from its own sums.
std::array<double, 24> rotatedSums(const std::array<double, 24>& sums, int shift) {
  if (shift % 12 == 0) return sums;
  std::array<double, 24> out;
  for (std::size_t t = 0; t < 12; ++t) {
    out[t] = sums[rotated(t, shift)];
    out[12 + t] = sums[12 + rotated(t, shift)];
  }
  return out;
}

// The winner of findKey from its key sums: the first strictly largest in the
// order C major, C minor, C# major, ...
int keyFromSums(const std::array<double, 24>& sums) {
  double best = 0.0;
  int key = 0;
  for (int t = 0; t < 12; ++t) {
    if (sums[static_cast<std::size_t>(t)] > best) {
      best = sums[static_cast<std::size_t>(t)];
      key = t;
    }
    if (sums[static_cast<std::size_t>(12 + t)] > best) {
      best = sums[static_cast<std::size_t>(12 + t)];
      key = 12 + t;
    }
  }
  return key;
}

double dot24(const std::array<double, 24>* x, const std::array<double, 24>* y) {
  // An empty sum vector (before any bar with notes) against a filled one.
  if ((x == nullptr) != (y == nullptr)) return 0.0;
  if (x == nullptr) return 0.0;
  double sum = 0.0;
  for (std::size_t i = 0; i < 24; ++i) sum += (*x)[i] * (*y)[i];
  return sum;
}

}  // namespace

TonalityBars::TonalityBars(const core::Melody& melody) {
  core::Melody renumbered = melody;
  renumbered.timeline.normalizeBars();
  const analysis::BarIndex index(renumbered);
  bars = index.numberOfBars();
  perBar.resize(bars);
  std::ostream discard(nullptr);  // "Empty Bar!" is written when bars are compared
  for (std::uint32_t bar = 1; bar <= bars; ++bar) {
    Bar& entry = perBar[bar - 1];
    const int number = static_cast<int>(bar);
    const std::vector<double> major =
        analysis::tonalityVector(index, number, analysis::kMajorMode, discard, false);
    const std::vector<double> minor =
        analysis::tonalityVector(index, number, analysis::kMinorMode, discard, false);
    entry.empty = major.empty();
    if (entry.empty) continue;
    std::copy(major.begin(), major.end(), entry.major.begin());
    std::copy(minor.begin(), minor.end(), entry.minor.begin());
  }
}

namespace {

// The sums of a bar and its key under every transposition mod 12.
void fillKeyBar(KeyBars::Bar& entry, const std::vector<double>& sums) {
  std::copy(sums.begin(), sums.end(), entry.sums.begin());
  for (int shift = 0; shift < 12; ++shift) {
    entry.keys[static_cast<std::size_t>(shift)] =
        static_cast<std::int8_t>(keyFromSums(rotatedSums(entry.sums, shift)));
  }
}

int keyUnder(const KeyBars::Bar& entry, int shift) {
  return entry.keys[static_cast<std::size_t>((shift % 12 + 12) % 12)];
}

}  // namespace

KeyBars::KeyBars(const core::Melody& melody) {
  const analysis::BarIndex index(melody);
  bars = index.numberOfBars();
  std::vector<std::int64_t> numbers;
  for (std::size_t i = 0; i < melody.timeline.size() && i < melody.pitches.size(); ++i) {
    if (melody.timeline[i].bar >= 1) numbers.push_back(melody.timeline[i].bar);
  }
  std::sort(numbers.begin(), numbers.end());
  numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
  std::vector<double> sums;
  for (const std::int64_t number : numbers) {
    if (analysis::findKey(index.bar(number), sums) == analysis::kNoKey) continue;
    Bar& entry = withNotes.emplace_back();
    entry.bar = number;
    fillKeyBar(entry, sums);
  }
  wholeHasNotes = analysis::findKey(index.wholeMelody(), sums) != analysis::kNoKey;
  if (wholeHasNotes) fillKeyBar(whole, sums);
}

SimilarityResult harmonicSimilarity(const TonalityBars& a, const TonalityBars& b, int shift,
                                    std::ostream& diag) {
  const std::uint32_t n = std::min(a.bars, b.bars);
  if (n == 0) return {0.0, 0.0};
  const auto correlate = [&](const TonalityBars::Bar& x, const TonalityBars::Bar& y,
                             bool major) {
    if (x.empty) diag << "Empty Bar!\n";
    if (y.empty) diag << "Empty Bar!\n";
    if (x.empty != y.empty) return 0.0;
    double xy = 0.0;
    double xx = 0.0;
    double yy = 0.0;
    if (!x.empty) {
      const std::array<double, 12>& u = major ? x.major : x.minor;
      const std::array<double, 12>& v = major ? y.major : y.minor;
      for (std::size_t i = 0; i < 12; ++i) {
        const double vi = v[rotated(i, shift)];
        xy += u[i] * vi;
        xx += u[i] * u[i];
        yy += vi * vi;
      }
    }
    if (xx != 0.0 && yy != 0.0) return xy / std::sqrt(xx * yy);
    return xy;
  };
  double major = 0.0;
  double minor = 0.0;
  for (std::uint32_t bar = 1; bar <= n; ++bar) {
    major += correlate(a.perBar[bar - 1], b.perBar[bar - 1], true);
    minor += correlate(a.perBar[bar - 1], b.perBar[bar - 1], false);
  }
  SimilarityResult result{major / n, 1.0};
  if (minor / n > result.value) result = {minor / n, 2.0};
  return result;
}

double keySimilarity(const KeyBars& a, const KeyBars& b, int shift, std::uint32_t flags,
                     int param, HarmonicWorkspace& workspace) {
  const bool editDistanceRow = hasFlag(flags, EditDistance);
  const std::uint32_t g = editDistanceRow ? std::max(a.bars, b.bars) : std::min(a.bars, b.bars);
  if (g == 0) return 0.0;
  const bool crossCorrelation = hasFlag(flags, CrossCorrelation);

  // The sums of the latest bar with notes, as findKey leaves them.
  const std::array<double, 24>* sumsA = nullptr;
  std::array<double, 24> shiftedB{};
  bool haveB = false;
  std::vector<double>& keysA = workspace.keysA;
  std::vector<double>& keysB = workspace.keysB;
  keysA.clear();
  keysB.clear();
  double p = 0.0;
  double q = 0.0;
  double r = 0.0;
  double cosines = 0.0;
  std::size_t nextA = 0;
  std::size_t nextB = 0;
  const auto visit = [&](int bar) {
    int ka = analysis::kNoKey;
    int kb = analysis::kNoKey;
    const KeyBars::Bar* barA = nullptr;
    const KeyBars::Bar* barB = nullptr;
    if (bar < 0) {
      if (a.wholeHasNotes) barA = &a.whole;
      if (b.wholeHasNotes) barB = &b.whole;
    } else {
      while (nextA < a.withNotes.size() && a.withNotes[nextA].bar < bar) ++nextA;
      while (nextB < b.withNotes.size() && b.withNotes[nextB].bar < bar) ++nextB;
      if (nextA < a.withNotes.size() && a.withNotes[nextA].bar == bar) barA = &a.withNotes[nextA];
      if (nextB < b.withNotes.size() && b.withNotes[nextB].bar == bar) barB = &b.withNotes[nextB];
    }
    if (barA != nullptr) {
      sumsA = &barA->sums;
      ka = keyUnder(*barA, 0);
    }
    if (barB != nullptr) {
      if (crossCorrelation) shiftedB = rotatedSums(barB->sums, shift);
      haveB = true;
      kb = keyUnder(*barB, shift);
    }
    const std::array<double, 24>* sumsB = haveB ? &shiftedB : nullptr;
    if (crossCorrelation) {
      p += dot24(sumsA, sumsA);
      q += dot24(sumsB, sumsB);
      r += dot24(sumsA, sumsB);
    } else if (editDistanceRow) {
      keysA.push_back(ka);
      keysB.push_back(kb);
    } else if (ka >= 0 && kb >= 0) {
      cosines += std::cos((circleOfFifthsPosition(ka) - circleOfFifthsPosition(kb)) * kPiSixth);
    }
  };
  if (param == 1) {
    visit(-1);
  } else {
    for (std::uint32_t bar = 1; bar <= g; ++bar) visit(static_cast<int>(bar));
  }

  double value = 0.0;
  if (editDistanceRow) {
    const std::size_t longest = std::max(keysA.size(), keysB.size());
    value = longest == 0
                ? 0.0
                : 1.0 - double(editDistance(keysA, keysB, workspace.edit)) / double(longest);
  } else if (crossCorrelation) {
    value = (p == 0.0 || q == 0.0) ? 0.0 : r / (std::sqrt(p) * std::sqrt(q));
  } else {
    value = param == 1 ? cosines : cosines / a.bars;
  }
  return std::max(value, 0.0);
}

}  // namespace suite::similarity
