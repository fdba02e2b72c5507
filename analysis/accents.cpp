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

std::size_t direction(int from, int to) { return from == to ? 0 : (to < from ? 1 : 2); }

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

// The rule groups of the accent matrix, evaluated note by note in order:
// some groups carry state from one note to the next (the contour point
// walks, the last longer note, the key of the current bar).
class RuleGroups {
 public:
  RuleGroups(const core::Melody& melody, std::uint32_t mask, double fire)
      : p_(melody.pitches), d_(melody.durations), f_(melody.phraseFlags),
        pos_(melody.timeline.positions), n_(p_.size()), mask_(mask), fire_(fire),
        numerator_(melody.signature.numerator), hierarchy_(numerator_) {
    for (std::size_t t = 0; t + 1 < n_; ++t) a_.push_back(std::abs(p_[t + 1] - p_[t]));
    if (enabled(ruleBit(kPExtrSt) | ruleBit(kPExtrSta))) {
      steinbeck_ = PointWalk(phraseContourPoints(p_, f_, ContourMethod::Steinbeck));
    }
    if (enabled(ruleBit(kPExtrOrvik))) {
      orvik_ = PointWalk(phraseContourPoints(p_, f_, ContourMethod::Orvik));
    }
    const std::vector<std::uint32_t> modal = core::modalValues(d_).values;
    modalDuration_ = *std::min_element(modal.begin(), modal.end());
    if (enabled(kTriadRules)) barIndex_.emplace(melody);
  }

  void evaluate(std::size_t t, AccentRow& row) {
    row_ = &row;
    if (enabled(kJumpRules)) jumps(t);
    if (enabled(kPitchExtremeRules)) pitchExtremes(t);
    if (enabled(kLengthRules)) lengths(t);
    if (enabled(kMetricalRules)) metre(t);
    if (enabled(kPhraseRules)) phrases(t);
    if (enabled(kTriadRules)) triads(t);
    set(kConstant);
  }

 private:
  bool enabled(std::uint32_t rules) const { return (mask_ & rules) != 0; }
  void set(AccentRule rule) {
    if (enabled(ruleBit(rule))) (*row_)[rule] = fire_;
  }
  bool endsPhrase(std::size_t i) const { return (f_[i] & core::kPhraseEnd) != 0; }
  bool startsPhrase(std::size_t i) const { return (f_[i] & core::kPhraseStart) != 0; }

  // Leaps of 3, 4 and 5 semitones after and before the note, and local jumps.
  void jumps(std::size_t t) {
    struct Leap {
      int size;
      AccentRule before, after, either;  // leap after the note, before it, either
    };
    static constexpr Leap kLeaps[] = {{3, kJumpBef3, kJumpAft3, kJumpBea3},
                                      {4, kJumpBef4, kJumpAft4, kJumpBea4},
                                      {5, kJumpBef5, kJumpAft5, kJumpBea5}};
    for (const Leap& leap : kLeaps) {
      if (t + 1 < n_ && a_[t] >= leap.size) {
        set(leap.before);
        set(leap.either);
      }
      if (t > 0 && a_[t - 1] >= leap.size) {
        set(leap.after);
        set(leap.either);
      }
    }
    if (t > 1 && t + 1 < n_ && std::abs(a_[t - 2] - a_[t - 1]) > 2 &&
        std::abs(a_[t - 1] - a_[t]) > 2 && !endsPhrase(t - 1) && !endsPhrase(t)) {
      set(kJumpLoc);
    }
  }

  // Local pitch extremes and the contour points after Steinbeck and Orvik.
  void pitchExtremes(std::size_t t) {
    const bool inner = t > 0 && t + 1 < n_ && f_[t] == 0;
    if (inner && ((p_[t] > p_[t - 1] && p_[t] > p_[t + 1]) ||
                  (p_[t] < p_[t - 1] && p_[t] < p_[t + 1]))) {
      set(kPExtrem);
    }
    if (steinbeck_.anyReached() && f_[t] == 0 && t == steinbeck_.lastReached() + 1) {
      set(kPExtrSta);
    }
    if (steinbeck_.reach(t) && inner) set(kPExtrSt);
    if (orvik_.reach(t) && inner) set(kPExtrOrvik);
  }

  // Durations against the modal duration and against the previous note.
  void lengths(std::size_t t) {
    const std::uint64_t m = modalDuration_;
    const std::uint64_t dur = d_[t];
    if (dur > m) set(kLongMod);
    if (dur > 2 * m) set(kLong2Mod);
    if (t == 0) return;
    const std::uint64_t prev = d_[t - 1];
    if (prev >= 2 * m && t - 1 != lastLongPr_) set(kEndLoIoi);
    if (dur > prev) {
      set(kLongPr);
      lastLongPr_ = t;
    }
    if (dur >= 2 * prev) set(kLong2Pr);
    if (t + 2 < n_ && !endsPhrase(t) && !endsPhrase(t + 1) && !endsPhrase(t + 2)) {
      if (dur < prev) set(kShortPr);
      if (prev >= 2 * dur) set(kShort2Pr);
    }
  }

  // Beats and main beats of the bar's metrical hierarchy, and syncopations.
  void metre(std::size_t t) {
    const core::MetricalPosition& here = pos_[t];
    if (here.tick == 0) {
      if (hierarchy_.isMainBeat(here.beat)) set(kBeat13);
      if (here.beat == 1) set(kBeat1);
      set(kBeatAll);
      return;
    }
    const std::int64_t nextBeat = here.beat >= numerator_ ? 1 : std::int64_t{here.beat} + 1;
    const std::int64_t nextBar = std::int64_t{here.bar} + (nextBeat == 1 ? 1 : 0);
    bool syncopated = t + 1 == n_;
    if (t + 1 < n_) {
      const core::MetricalPosition& next = pos_[t + 1];
      const bool onNextBeat = next.bar == nextBar && next.beat == nextBeat && next.tick == 0;
      const bool later = next.bar > here.bar || (next.bar == here.bar && next.beat > here.beat);
      syncopated = !onNextBeat && later;
    }
    if (syncopated) {
      set(kSync1234);
      if (hierarchy_.isMainBeat(nextBeat)) set(kSync13);
    }
  }

  void phrases(std::size_t t) {
    if (startsPhrase(t)) set(kPhrasBeg);
    if (endsPhrase(t)) set(kPhrasEnd);
    if (t > 0 && endsPhrase(t) && startsPhrase(t - 1)) set(kShortPhr);
  }

  // Notes of the tonic triad of the bar's key.
  void triads(std::size_t t) {
    // The key of the notes of this bar (of any bar number, negative ones
    // included), found once per run of notes in it.
    if (!haveKey_ || pos_[t].bar != keyBar_) {
      keyBar_ = pos_[t].bar;
      key_ = findKey(barIndex_->bar(keyBar_), keySums_);
      haveKey_ = true;
    }
    // A bar without a key (its notes come after the next bar's) has no triad.
    if (key_ == kNoKey) return;
    // Tonic of major (0..11) and minor (12..23) keys alike; the offset below
    // is taken mod 12, so key 12 (C minor) has tonic C.
    const int tonic = key_ % 12;
    const int off = (core::pitchClass(p_[t]) - tonic + 12) % 12;
    if (off == 0 || off == 7 || off == (key_ < 12 ? 4 : 3)) {
      set(kTriad);
      if (endsPhrase(t)) set(kTriaPhen);
    }
  }

  const std::vector<std::int8_t>& p_;
  const std::vector<std::uint32_t>& d_;
  const std::vector<std::int32_t>& f_;
  const std::vector<core::MetricalPosition>& pos_;
  const std::size_t n_;
  const std::uint32_t mask_;
  const double fire_;
  const std::uint32_t numerator_;
  const MetricalHierarchy hierarchy_;
  std::vector<int> a_;  // absolute intervals |p[t+1] - p[t]|
  PointWalk steinbeck_{{}};
  PointWalk orvik_{{}};
  std::uint64_t modalDuration_ = 0;  // the smallest of the modal durations
  std::size_t lastLongPr_ = 0;       // note 0 until a note is longer than its predecessor
  std::optional<BarIndex> barIndex_;
  std::vector<double> keySums_;
  std::int64_t keyBar_ = 0;
  int key_ = kNoKey;
  bool haveKey_ = false;
  AccentRow* row_ = nullptr;
};

}  // namespace

std::vector<AccentRow> accentMatrix(const core::Melody& melody, std::uint32_t mask, double base,
                                    double fire) {
  const std::size_t n = melody.pitches.size();
  if (n < 2 || melody.durations.size() != n || melody.phraseFlags.size() != n ||
      melody.timeline.size() != n) {
    return {};
  }
  std::vector<AccentRow> rows(n);
  RuleGroups groups(melody, mask, fire);
  for (std::size_t t = 0; t < n; ++t) {
    rows[t].fill(base);
    groups.evaluate(t, rows[t]);
  }
  return rows;
}

std::vector<double> ruleAccents(const core::Melody& melody, std::uint32_t mask) {
  // Only the columns of the mask can be set.
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

std::vector<double> ruleAccents(const std::vector<AccentRow>& matrix, std::uint32_t mask) {
  std::vector<double> sums;
  sums.reserve(matrix.size());
  for (const AccentRow& row : matrix) {
    double s = 0.0;
    for (std::size_t k = 0; k < row.size(); ++k) s += (mask >> k) & 1u ? row[k] : 0.0;
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
    const std::size_t a = direction(padded[j], padded[j + 1]);
    const std::size_t b = direction(padded[j + 1], padded[j + 2]);
    const std::size_t c = direction(padded[j + 2], padded[j + 3]);
    double v = 0.0;
    if (a != 0 || b != 0) v = (1.0 - kThomassenTable[3 * a + b]) * kThomassenTable[3 * b + c];
    values[j] = thresholded ? (v >= kThomassenThreshold ? 1.0 : 0.0) : v;
  }
  return values;
}

std::vector<double> linearModelAccents(const core::Melody& melody, bool thresholded) {
  return linearModelAccents(accentMatrix(melody, kLinearModelMask, 0.0, 1.0), thresholded);
}

std::vector<double> linearModelAccents(const std::vector<AccentRow>& matrix, bool thresholded) {
  std::vector<double> values;
  values.reserve(matrix.size());
  for (const AccentRow& row : matrix) {
    double x = 0.0;
    for (std::size_t k = 0; k < row.size(); ++k) {
      x += kLinearCoefficients[k] * ((kLinearModelMask >> k) & 1u ? row[k] : 0.0);
    }
    const double e = std::exp(x);
    const double v = e / (e + 1.0);
    values.push_back(thresholded ? (v >= kModelThreshold ? 1.0 : 0.0) : v);
  }
  return values;
}

std::vector<double> treeModelAccents(const core::Melody& melody, bool thresholded) {
  const std::vector<AccentRow> rows = accentMatrix(melody, kTreeModelMask, 0.0, 1.0);
  if (rows.empty()) return {};
  return treeModelAccents(rows, thomassenAccents(melody, false), thresholded);
}

std::vector<double> treeModelAccents(const std::vector<AccentRow>& matrix,
                                     const std::vector<double>& thomassen, bool thresholded) {
  std::vector<double> values;
  values.reserve(matrix.size());
  for (std::size_t t = 0; t < matrix.size(); ++t) {
    const AccentRow& r = matrix[t];
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
