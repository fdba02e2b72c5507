#include "analysis/accents.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <span>
#include <utility>

#include "analysis/contour.h"
#include "analysis/metrical_hierarchy.h"
#include "analysis/tonality.h"

namespace suite::analysis {
namespace {

constexpr std::uint32_t kJumpRules = 0x7F | ruleBit(kJumpBea5) | ruleBit(kJumpBea3) |
                                     ruleBit(kJumpBea4);
constexpr std::uint32_t kPitchExtremeRules = 0xF00;
constexpr std::uint32_t kLengthRules = 0x7F000;
constexpr std::uint32_t kMetricalRules = ruleBit(kBeatAll) | ruleBit(kBeat1) |
                                         ruleBit(kBeat13) | ruleBit(kSync1234) |
                                         ruleBit(kSync13);
constexpr std::uint32_t kPhraseRules = ruleBit(kPhrasBeg) | ruleBit(kPhrasEnd) |
                                       ruleBit(kShortPhr);
constexpr std::uint32_t kTriadRules = ruleBit(kTriad) | ruleBit(kTriaPhen);

// Linear model coefficients by rule bit (all others 0).
constexpr std::array<double, 32> kLinearCoefficients = [] {
  std::array<double, 32> c{};
  c[kJumpAft4] = 0.71;
  c[kJumpLoc] = 0.94;
  c[kPExtrem] = 0.57;
  c[kPExtrOrvik] = 0.53;
  c[kLongPr] = 0.68;
  c[kBeat1] = 0.7;
  c[kJumpBea4] = -0.52;
  c[kSync1234] = 0.55;
  c[kPhrasEnd] = 1.44;
  c[kConstant] = -1.55;
  return c;
}();

// Thomassen weights indexed 3a + b by two interval directions (0 level,
// 1 down, 2 up).
constexpr std::array<double, 9> kThomassenTable = {0, 0, 0, 1, 0.5, 0.71, 1, 0.83, 0.33};

int direction(int from, int to) { return from == to ? 0 : (to < from ? 1 : 2); }

// Contour point indices of every phrase (from note 0 and from each note with
// the phrase-start bit), in note order, relative to the whole melody.
std::vector<std::size_t> phraseContourPoints(std::span<const std::int8_t> pitches,
                                             std::span<const std::int32_t> flags,
                                             ContourMethod method) {
  std::vector<std::size_t> points;
  const std::size_t n = pitches.size();
  std::size_t begin = 0;
  while (begin < n) {
    std::size_t end = begin + 1;
    while (end < n && (flags[end] & core::kPhraseStart) == 0) ++end;
    for (const ContourPoint& p : contourPoints(pitches.subspan(begin, end - begin), method)) {
      points.push_back(begin + p.index);
    }
    begin = end;
  }
  return points;
}

// Walks a list of ascending note indices in step with the notes.
class PointWalk {
 public:
  explicit PointWalk(std::vector<std::size_t> points) : points_(std::move(points)) {}
  // True when note t is the next point (which then counts as reached).
  bool reach(std::size_t t) {
    while (next_ < points_.size() && points_[next_] < t) ++next_;
    if (next_ >= points_.size() || points_[next_] != t) return false;
    ++next_;
    last_ = t;
    reached_ = true;
    return true;
  }
  bool anyReached() const { return reached_; }
  std::size_t lastReached() const { return last_; }

 private:
  std::vector<std::size_t> points_;
  std::size_t next_ = 0;
  std::size_t last_ = 0;
  bool reached_ = false;
};

}  // namespace

std::vector<AccentRow> accentMatrix(const core::Melody& melody, std::uint32_t mask, double base,
                                    double fire) {
  const std::size_t n = melody.pitches.size();
  if (n < 2 || melody.durations.size() != n || melody.phraseFlags.size() != n ||
      melody.timeline.size() != n) {
    return {};
  }
  const auto& p = melody.pitches;
  const auto& d = melody.durations;
  const auto& f = melody.phraseFlags;
  const auto& pos = melody.timeline.positions;
  const auto endsPhrase = [&](std::size_t i) { return (f[i] & core::kPhraseEnd) != 0; };
  const auto startsPhrase = [&](std::size_t i) { return (f[i] & core::kPhraseStart) != 0; };

  std::vector<AccentRow> rows(n);
  for (AccentRow& row : rows) row.fill(base);

  // Absolute intervals A[t] = |p[t+1] - p[t]|.
  std::vector<int> a(n - 1);
  for (std::size_t t = 0; t + 1 < n; ++t) a[t] = std::abs(p[t + 1] - p[t]);

  PointWalk steinbeck({});
  PointWalk orvik({});
  if ((mask & (ruleBit(kPExtrSt) | ruleBit(kPExtrSta))) != 0) {
    steinbeck = PointWalk(phraseContourPoints(p, f, ContourMethod::Steinbeck));
  }
  if ((mask & ruleBit(kPExtrOrvik)) != 0) {
    orvik = PointWalk(phraseContourPoints(p, f, ContourMethod::Orvik));
  }

  const std::vector<std::uint32_t> modal = core::modalValues(d).values;
  const std::uint64_t m = *std::min_element(modal.begin(), modal.end());
  std::size_t lastLongPr = 0;  // note 0 until a note is longer than its predecessor

  const MetricalHierarchy bar(melody.signature.numerator);
  const auto followingBeat = [&](std::uint32_t beat) -> std::int64_t {
    return beat >= melody.signature.numerator ? 1 : std::int64_t{beat} + 1;
  };

  const bool triads = (mask & kTriadRules) != 0;
  std::optional<BarIndex> barIndex;
  if (triads) barIndex.emplace(melody);
  std::vector<double> keySums;
  std::int64_t keyBar = 0;
  int key = kNoKey;
  bool haveKey = false;

  for (std::size_t t = 0; t < n; ++t) {
    AccentRow& row = rows[t];
    const auto set = [&](AccentRule rule) {
      if ((mask & ruleBit(rule)) != 0) row[rule] = fire;
    };

    if ((mask & kJumpRules) != 0) {
      if (t + 1 < n) {
        if (a[t] >= 3) {
          set(kJumpBef3);
          set(kJumpBea3);
        }
        if (a[t] >= 4) {
          set(kJumpBef4);
          set(kJumpBea4);
        }
        if (a[t] >= 5) {
          set(kJumpBef5);
          set(kJumpBea5);
        }
      }
      if (t > 0) {
        if (a[t - 1] >= 3) {
          set(kJumpAft3);
          set(kJumpBea3);
        }
        if (a[t - 1] >= 4) {
          set(kJumpAft4);
          set(kJumpBea4);
        }
        if (a[t - 1] >= 5) {
          set(kJumpAft5);
          set(kJumpBea5);
        }
      }
      if (t > 1 && t + 1 < n && std::abs(a[t - 2] - a[t - 1]) > 2 &&
          std::abs(a[t - 1] - a[t]) > 2 && !endsPhrase(t - 1) && !endsPhrase(t)) {
        set(kJumpLoc);
      }
    }

    if ((mask & kPitchExtremeRules) != 0) {
      const bool inner = t > 0 && t + 1 < n && f[t] == 0;
      if (inner && ((p[t] > p[t - 1] && p[t] > p[t + 1]) || (p[t] < p[t - 1] && p[t] < p[t + 1]))) {
        set(kPExtrem);
      }
      if (steinbeck.anyReached() && f[t] == 0 && t == steinbeck.lastReached() + 1) {
        set(kPExtrSta);
      }
      if (steinbeck.reach(t) && inner) set(kPExtrSt);
      if (orvik.reach(t) && inner) set(kPExtrOrvik);
    }

    if ((mask & kLengthRules) != 0) {
      const std::uint64_t dur = d[t];
      if (dur > m) set(kLongMod);
      if (dur > 2 * m) set(kLong2Mod);
      if (t > 0) {
        const std::uint64_t prev = d[t - 1];
        if (prev >= 2 * m && t - 1 != lastLongPr) set(kEndLoIoi);
        if (dur > prev) {
          set(kLongPr);
          lastLongPr = t;
        }
        if (dur >= 2 * prev) set(kLong2Pr);
        if (t + 2 < n && !endsPhrase(t) && !endsPhrase(t + 1) && !endsPhrase(t + 2)) {
          if (dur < prev) set(kShortPr);
          if (prev >= 2 * dur) set(kShort2Pr);
        }
      }
    }

    if ((mask & kMetricalRules) != 0) {
      const core::MetricalPosition& here = pos[t];
      if (here.tick == 0) {
        if (bar.isMainBeat(here.beat)) set(kBeat13);
        if (here.beat == 1) set(kBeat1);
        set(kBeatAll);
      } else {
        const std::int64_t nextBeat = followingBeat(here.beat);
        const std::int64_t nextBar = std::int64_t{here.bar} + (nextBeat == 1 ? 1 : 0);
        bool syncopated = t + 1 == n;
        if (t + 1 < n) {
          const core::MetricalPosition& next = pos[t + 1];
          const bool onNextBeat = next.bar == nextBar && next.beat == nextBeat && next.tick == 0;
          const bool later = next.bar > here.bar || (next.bar == here.bar && next.beat > here.beat);
          syncopated = !onNextBeat && later;
        }
        if (syncopated) {
          set(kSync1234);
          if (bar.isMainBeat(nextBeat)) set(kSync13);
        }
      }
    }

    if ((mask & kPhraseRules) != 0) {
      if (startsPhrase(t)) set(kPhrasBeg);
      if (endsPhrase(t)) set(kPhrasEnd);
      if (t > 0 && endsPhrase(t) && startsPhrase(t - 1)) set(kShortPhr);
    }

    if (triads) {
      // The key of the notes of this bar (of any bar number, negative ones
      // included), found once per run of notes in it.
      if (!haveKey || pos[t].bar != keyBar) {
        keyBar = pos[t].bar;
        key = findKey(barIndex->bar(keyBar), keySums);
        haveKey = true;
      }
      // A bar without a key (its notes come after the next bar's) has no triad.
      if (key != kNoKey) {
        // Tonic of major (0..11) and minor (12..23) keys alike; the offset
        // below is taken mod 12, so key 12 (C minor) has tonic C.
        const int tonic = key % 12;
        const int off = (core::pitchClass(p[t]) - tonic + 12) % 12;
        if (off == 0 || off == 7 || off == (key < 12 ? 4 : 3)) {
          set(kTriad);
          if (endsPhrase(t)) set(kTriaPhen);
        }
      }
    }

    set(kConstant);
  }
  return rows;
}

std::vector<double> ruleAccents(const core::Melody& melody, std::uint32_t mask) {
  const std::vector<AccentRow> rows = accentMatrix(melody, mask, 0.0, 1.0);
  std::vector<double> sums;
  sums.reserve(rows.size());
  for (const AccentRow& row : rows) {
    double s = 0.0;
    for (const double v : row) s += v;
    sums.push_back(s);
  }
  return sums;
}

std::vector<double> thomassenAccents(const core::Melody& melody, bool thresholded) {
  const std::size_t n = melody.pitches.size();
  if (n == 0 || melody.durations.size() != n) return {};
  // The pitches with the first repeated twice more in front and the last once
  // more at the end.
  std::vector<int> padded;
  padded.reserve(n + 3);
  padded.push_back(melody.pitches.front());
  padded.push_back(melody.pitches.front());
  padded.insert(padded.end(), melody.pitches.begin(), melody.pitches.end());
  padded.push_back(melody.pitches.back());

  std::vector<double> values(n, 0.0);
  for (std::size_t j = 0; j < n; ++j) {
    const int a = direction(padded[j], padded[j + 1]);
    const int b = direction(padded[j + 1], padded[j + 2]);
    const int c = direction(padded[j + 2], padded[j + 3]);
    double v = 0.0;
    if (a != 0 || b != 0) v = (1.0 - kThomassenTable[3 * a + b]) * kThomassenTable[3 * b + c];
    values[j] = thresholded ? (v >= kThomassenThreshold ? 1.0 : 0.0) : v;
  }
  return values;
}

std::vector<double> linearModelAccents(const core::Melody& melody, bool thresholded) {
  const std::vector<AccentRow> rows = accentMatrix(melody, kLinearModelMask, 0.0, 1.0);
  std::vector<double> values;
  values.reserve(rows.size());
  for (const AccentRow& row : rows) {
    double x = 0.0;
    for (std::size_t k = 0; k < row.size(); ++k) x += kLinearCoefficients[k] * row[k];
    const double e = std::exp(x);
    const double v = e / (e + 1.0);
    values.push_back(thresholded ? (v >= kModelThreshold ? 1.0 : 0.0) : v);
  }
  return values;
}

std::vector<double> treeModelAccents(const core::Melody& melody, bool thresholded) {
  const std::vector<AccentRow> rows = accentMatrix(melody, kTreeModelMask, 0.0, 1.0);
  if (rows.empty()) return {};
  const std::vector<double> thomassen = thomassenAccents(melody, false);
  std::vector<double> values;
  values.reserve(rows.size());
  for (std::size_t t = 0; t < rows.size(); ++t) {
    const AccentRow& r = rows[t];
    const double h = thomassen[t];
    double v = 0.0;
    if (r[kLongPr] > 0.5) {
      if (h > 0.1082) {
        v = r[kBeatAll] > 0.5 ? 0.6773 : (r[kPhrasEnd] > 0.5 ? 0.6631 : 0.4229);
      } else {
        v = 0.3673;
      }
    } else if (r[kSync1234] > 0.5) {
      v = r[kJumpBea5] > 0.5 ? 0.5369 : 0.3211;
    } else {
      v = 0.2114;
    }
    values.push_back(thresholded ? (v >= kModelThreshold ? 1.0 : 0.0) : v);
  }
  return values;
}

}  // namespace suite::analysis
