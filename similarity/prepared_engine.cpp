// Comparisons of prepared melodies. Every function here mirrors one step of
// the per-pair computation in engine.cpp, in the same order and with the same
// arithmetic, on data prepared once per melody.
#include <algorithm>
#include <array>
#include <bitset>
#include <cmath>
#include <optional>
#include <utility>

#include "similarity/accent_measures.h"
#include "similarity/alignment.h"
#include "similarity/engine_scratch.h"
#include "similarity/extra_measures.h"
#include "similarity/family_measures.h"
#include "similarity/fourier_alignment.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/phrase_distance.h"
#include "similarity/prepared_data.h"
#include "similarity/prepared_melody.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"
#include "similarity/window_comparison.h"

namespace suite::similarity {

using detail::PreparedData;
using detail::Rep;
using detail::RepData;
using detail::RhythmData;
using detail::SideData;

namespace {

constexpr double kUndefined = -1.0;

bool isFuzzyRhythm(std::uint32_t f) {
  return hasFlag(f, Rhythm) && hasFlag(f, Fuzzy) && !hasFlag(f, Contour) && !hasFlag(f, Natural) &&
         (!hasFlag(f, Intervals) || hasFlag(f, Fourier));
}

// True when p + shift leaves the signed 8-bit range for some pitch of the
// side, so that the transposed pitches wrap around (as the per-pair
// computation has them).
bool wrapsAround(const SideData& side, int shift) {
  if (shift == 0 || side.pitches.empty()) return false;
  return side.lowest + shift < -128 || side.highest + shift > 127;
}

// A melody transposed as the per-pair computation transposes it.
core::Melody transposed(const core::Melody& m, int shift) {
  core::Melody copy = m;
  for (std::int8_t& p : copy.pitches) p = static_cast<std::int8_t>(p + shift);
  return copy;
}

// The distance between a prepared pattern and the integers \a values raised
// by \a shift.
std::size_t integerDistance(const EditPattern& pattern, std::span<const std::int16_t> values,
                            int shift, EngineScratch& scratch) {
  EditDistanceWorkspace& w = scratch.editDistance;
  if (pattern.allDense()) {
    scratch.rowText.resize(values.size());
    pattern.rowsOf(values, shift, scratch.rowText.data());
    return editDistanceOfRows(pattern, scratch.rowText, w);
  }
  pattern.symbolsOf(values, shift, w.text);
  return editDistance(pattern, w.text, w);
}

// The distance between a prepared pattern and \a values.
std::size_t valueDistance(const EditPattern& pattern, std::span<const double> values,
                          EngineScratch& scratch) {
  EditDistanceWorkspace& w = scratch.editDistance;
  if (pattern.allDense()) {
    scratch.rowText.resize(values.size());
    pattern.rowsOf(values, scratch.rowText.data());
    return editDistanceOfRows(pattern, scratch.rowText, w);
  }
  pattern.symbolsOf(values, w.text);
  return editDistance(pattern, w.text, w);
}

// The row offsets of the integers \a values raised by \a shift in \a pattern,
// appended to \a rows; with \a wraps, with the 8-bit wrap-around of a
// transposition.
void appendShiftedRows(const EditPattern& pattern, std::span<const std::int16_t> values,
                       int shift, bool wraps, EngineScratch& scratch,
                       std::vector<std::uint32_t>& rows) {
  const std::size_t at = rows.size();
  rows.resize(at + values.size());
  if (wraps) {
    scratch.wrapped.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      scratch.wrapped[i] = static_cast<std::int8_t>(values[i] + shift);
    }
    pattern.rowsOf(scratch.wrapped, 0, rows.data() + at);
  } else {
    pattern.rowsOf(values, shift, rows.data() + at);
  }
}

// The edit distances of two pitch sequences, the second raised by each of
// \a shifts (with the 8-bit wrap-around), each given with its prepared
// pattern (full masks: pitches have at most 256 values); the shorter one
// serves as the pattern, and all shifts run against it together.
void shiftedPitchDistances(const SideData& sideA, const SideData& sideB,
                           std::span<const int> shifts, std::span<std::size_t> distances,
                           EngineScratch& scratch) {
  const EditPattern& patternA = sideA.pitchPattern;
  const EditPattern& patternB = sideB.pitchPattern;
  const std::span<const std::int16_t> a = sideA.pitches;
  const std::span<const std::int16_t> b = sideB.pitches;
  EditDistanceWorkspace& w = scratch.editDistance;
  std::vector<std::uint32_t>& texts = scratch.rowTexts;
  texts.clear();
  if (a.size() <= b.size()) {
    for (const int t : shifts) {
      appendShiftedRows(patternA, b, t, wrapsAround(sideB, t), scratch, texts);
    }
    editDistancesOfRows(patternA, texts, shifts.size(), distances, w);
    return;
  }
  // b is the pattern: a == b + t exactly when a - t == b, unless b + t wraps
  // around, which needs a pattern of its own.
  std::vector<int>& together = scratch.shifts;
  together.clear();
  for (std::size_t k = 0; k < shifts.size(); ++k) {
    const int t = shifts[k];
    if (!wrapsAround(sideB, t)) {
      together.push_back(static_cast<int>(k));
      appendShiftedRows(patternB, a, -t, false, scratch, texts);
      continue;
    }
    std::vector<double>& values = scratch.values;
    values.resize(b.size());
    for (std::size_t i = 0; i < b.size(); ++i) values[i] = static_cast<std::int8_t>(b[i] + t);
    scratch.pattern.assign(values);
    distances[k] = integerDistance(scratch.pattern, a, 0, scratch);
  }
  std::vector<std::size_t>& found = scratch.distances;
  found.resize(together.size());
  editDistancesOfRows(patternB, texts, together.size(), found, w);
  for (std::size_t k = 0; k < together.size(); ++k) {
    distances[static_cast<std::size_t>(together[k])] = found[k];
  }
}

}  // namespace

// --- One pair under one shift --------------------------------------------------

struct PairComparison::State {
  const PreparedMelody* a = nullptr;
  const PreparedMelody* originalB = nullptr;
  int requestedShift = 0;
  // The second melody as compared: b itself under the shift, or, when its
  // transposed pitches wrap around, a prepared transposed copy under shift 0.
  const PreparedMelody* b = nullptr;
  int shift = 0;
  EngineContext* context = nullptr;
  std::unique_ptr<core::Melody> copyOfB;  // transposed copy (wrap-around, or per-pair fallback)
  std::unique_ptr<PreparedMelody> preparedCopyOfB;
  // Representations of b moved by the shift, per side (notes, tatums).
  std::array<std::array<std::vector<double>, detail::kRepCount>, 2> moved;
  std::array<std::array<bool, detail::kRepCount>, 2> movedReady{};
  // Results of this pair, for measures that share a type (the default opt3
  // and its parts). Only types that write nothing are kept.
  std::array<SimilarityResult, kMeasureCount> results;
  std::bitset<kMeasureCount> known;

  const core::Melody& transposedB() {
    if (!copyOfB) copyOfB = std::make_unique<core::Melody>(
        transposed(originalB->melody(), requestedShift));
    return *copyOfB;
  }
};

namespace {

using State = PairComparison::State;

const SideData& sideOf(const PreparedData& d, bool tatums) { return tatums ? d.tatums : d.notes; }

// Representation \a r of b's side under the pair's shift.
std::span<const double> movedRep(State& st, bool tatums, Rep r) {
  const SideData& side = sideOf(st.b->data(), tatums);
  const RepData& rep = side.reps[static_cast<std::size_t>(r)];
  if (st.shift == 0 || !detail::movesWithPitch(r)) return rep.values;
  const std::size_t s = tatums ? 1 : 0;
  const auto k = static_cast<std::size_t>(r);
  std::vector<double>& out = st.moved[s][k];
  if (!st.movedReady[s][k]) {
    const double shift = st.shift;
    if (r == Rep::Pitches) {
      out.resize(rep.values.size());
      for (std::size_t i = 0; i < out.size(); ++i) out[i] = rep.values[i] + shift;
    } else {
      const auto& points =
          side.contourPoints[static_cast<std::size_t>(detail::contourMethodOf(r))];
      analysis::contourCurve(points, side.melody->pitches.size(), shift, out);
      if (r >= Rep::DiffNatural) out = successiveDifferences(out);
    }
    st.movedReady[s][k] = true;
  }
  return out;
}

SimilarityResult editDistanceRow(State& st, const SideData& sa, bool tatums, Rep r) {
  EngineScratch& scratch = st.context->scratch();
  const SideData& sb = sideOf(st.b->data(), tatums);
  const RepData& repA = sa.reps[static_cast<std::size_t>(r)];
  const RepData& repB = sb.reps[static_cast<std::size_t>(r)];
  const bool moves = st.shift != 0 && detail::movesWithPitch(r);
  const int shiftB = moves ? st.shift : 0;
  const std::span<const double> ra = repA.values;
  const std::size_t lengthB = repB.values.size();
  std::size_t d = 0;
  if (ra.size() <= lengthB) {
    d = repB.integral ? integerDistance(*repA.pattern, repB.integers, shiftB, scratch)
                      : valueDistance(*repA.pattern, movedRep(st, tatums, r), scratch);
  } else if (repA.integral && (repB.integral || !moves)) {
    // a == b + shift exactly when a - shift == b.
    d = integerDistance(*repB.pattern, repA.integers, -shiftB, scratch);
  } else if (!moves) {
    d = valueDistance(*repB.pattern, ra, scratch);
  } else {
    scratch.pattern.assign(movedRep(st, tatums, r));
    d = valueDistance(scratch.pattern, ra, scratch);
  }
  return {normalisedEditSimilarity(d, std::max(ra.size(), lengthB)), static_cast<double>(d)};
}

SimilarityResult alignedRow(State& st, const SideData& sa, bool tatums, Rep r,
                            const SimilarityType& type) {
  EngineContext& context = *st.context;
  const SideData& sb = sideOf(st.b->data(), tatums);
  const std::span<const double> ra = sa.reps[static_cast<std::size_t>(r)].values;
  const std::span<const double> rb = movedRep(st, tatums, r);
  const bool aIsShorter = ra.size() < rb.size();
  const std::span<const double> s = aIsShorter ? ra : rb;
  const std::span<const double> l = aIsShorter ? rb : ra;
  const std::size_t skip = aIsShorter ? sa.skip : sb.skip;
  const std::uint32_t flags = type.flags;

  if (hasFlag(flags, NGrams)) {
    const int n = std::max(type.param, 2);
    const auto index = static_cast<std::size_t>(n);
    const RepData& repS = (aIsShorter ? sa : sb).reps[static_cast<std::size_t>(r)];
    const RepData& repL = (aIsShorter ? sb : sa).reps[static_cast<std::size_t>(r)];
    if (index < repS.nGrams.size() && !detail::movesWithPitch(r)) {
      return {nGramSimilarity(s, repS.nGrams[index], l, repL.nGrams[index], flags, n,
                              context.scratch().nGrams),
              0.0};
    }
    return {nGramSimilarity(s, l, flags, n, context.scratch().nGrams), 0.0};
  }
  if (hasFlag(flags, Fourier) && !hasFlag(flags, Rhythm)) {
    return fourierAlignment(s, l, skip, flags, context.scratch().fourier);
  }
  return bestAlignment(s, l, skip, [&](std::span<const double> x, std::span<const double> y) {
    if (hasFlag(flags, Rhythm)) return gaussSimilarity(x, y, 0.03, 0.0, context.gauss);
    return compareWindows(x, y, flags);
  });
}

SimilarityResult fuzzyRhythmRow(State& st, const RhythmData& ra, const RhythmData& rb,
                                const SimilarityType& type) {
  EngineScratch& scratch = st.context->scratch();
  const bool nGrams = hasFlag(type.flags, NGrams);
  SimilarityResult best{0.0, 0.0};
  for (std::size_t i = 0; i < ra.classes.size(); ++i) {
    for (std::size_t j = 0; j < rb.classes.size(); ++j) {
      SimilarityResult candidate;
      if (nGrams) {
        candidate.value = nGramSimilarity(std::span<const int>(ra.classes[i]), ra.profiles[i],
                                          std::span<const int>(rb.classes[j]), rb.profiles[j],
                                          type.flags, std::min<std::int32_t>(type.param, 2),
                                          scratch.nGrams);
        candidate.bestOffset = 0.0;
      } else {
        const std::size_t x = ra.values[i].size();
        const std::size_t y = rb.values[j].size();
        const std::size_t d = x <= y ? integerDistance(ra.patterns[i], rb.integers[j], 0, scratch)
                                     : integerDistance(rb.patterns[j], ra.integers[i], 0, scratch);
        candidate = {normalisedEditSimilarity(d, std::max(x, y)), static_cast<double>(d)};
      }
      if (candidate.value > best.value) best = candidate;
    }
  }
  return best;
}

SimilarityResult accentRow(const PreparedData& a, const PreparedData& b, std::uint32_t flags) {
  const bool linear = hasFlag(flags, LinearModel);
  const std::vector<double>& pa = linear ? a.linearAccents : a.treeAccents;
  const std::vector<double>& pb = linear ? b.linearAccents : b.treeAccents;
  const double norm = std::max(linear ? a.linearSum : a.treeSum, linear ? b.linearSum : b.treeSum);
  if (pa.empty() || pb.empty() || norm == 0.0) return {0.0, 0.0};
  return {1.0 - weightedProfileDistance(pa, pb) / norm, 0.0};
}

// Whether both melodies hold what type \a typeIndex needs.
bool prepared(const PreparedData& a, const PreparedData& b, std::size_t typeIndex) {
  if (!a.plan.hasType(typeIndex) || !b.plan.hasType(typeIndex)) return false;
  if (isExtraMeasure(typeIndex)) return true;
  const std::uint32_t f = typeTable[typeIndex].flags;
  // No catalogue row is a weighted fuzzy rhythm type; it would be computed per pair.
  return !(hasFlag(f, Weighted) && isFuzzyRhythm(f) && !hasFlag(f, Accents) &&
           !hasFlag(f, Constant) && !hasFlag(f, Harmonic));
}

SimilarityResult typeOfPair(State& st, std::size_t typeIndex);

// A measure beyond the catalogue. The note-level measures find their own
// shift from the pitch histograms, which moves with a transposition of b: b
// is compared as prepared, unshifted (or as its prepared transposed copy
// when the transposition wraps around, as the per-pair computation has it).
SimilarityResult extraOfPair(State& st, std::size_t typeIndex) {
  const ExtraMeasure& row = extraMeasure(typeIndex);
  if (row.kind == ExtraKind::Sum) {
    return weightedSum(row, [&](std::size_t term) { return typeOfPair(st, term); });
  }
  const NoteProfile& a = *st.a->data().family;
  const NoteProfile& b = *st.b->data().family;
  // One pass gives both measures; the pair keeps the other one for later.
  const NoteAlignment both =
      alignNotes(a, b, histogramShift(a, b), st.context->scratch().family);
  for (const auto& [kind, result] : {std::pair{ExtraKind::EdIma, both.edIma},
                                     std::pair{ExtraKind::TemAlign, both.temAlign}}) {
    for (std::size_t i = kTypeCount; i < kMeasureCount; ++i) {
      if (extraMeasure(i).kind != kind) continue;
      st.results[i] = result;
      st.known.set(i);
    }
  }
  return row.kind == ExtraKind::EdIma ? both.edIma : both.temAlign;
}

SimilarityResult evaluateType(State& st, std::size_t typeIndex) {
  const PreparedData& A = st.a->data();
  const PreparedData& B = st.b->data();
  if (typeIndex >= kMeasureCount || A.melody->empty() || B.melody->empty()) {
    return {kUndefined, 0.0};
  }
  if (!prepared(A, B, typeIndex)) {
    return computeSimilarity(*A.melody, st.transposedB(), typeIndex, *st.context);
  }
  if (isExtraMeasure(typeIndex)) return extraOfPair(st, typeIndex);
  const SimilarityType& type = typeTable[typeIndex];
  const std::uint32_t flags = type.flags;

  if (hasFlag(flags, Accents)) return accentRow(A, B, flags);
  if (hasFlag(flags, Constant)) return {1.0, 0.0};

  const bool tatums = hasFlag(flags, Weighted);
  if (tatums && (A.expanded.empty() || B.expanded.empty())) return {kUndefined, 0.0};
  const SideData& sa = sideOf(A, tatums);
  const SideData& sb = sideOf(B, tatums);
  if (hasFlag(flags, Harmonic)) {
    if (hasFlag(flags, KeyFinding)) {
      return {keySimilarity(*sa.keys, *sb.keys, st.shift, flags, type.param,
                            st.context->scratch().harmonic),
              0.0};
    }
    return harmonicSimilarity(*sa.tonality, *sb.tonality, st.shift, st.context->err);
  }
  if (isFuzzyRhythm(flags)) {
    const std::size_t parity = type.param % 2 != 0 ? 1 : 0;
    return fuzzyRhythmRow(st, sa.rhythm[parity], sb.rhythm[parity], type);
  }
  const Rep r = detail::representationOf(flags);
  if (hasFlag(flags, EditDistance)) return editDistanceRow(st, sa, tatums, r);
  return alignedRow(st, sa, tatums, r, type);
}

}  // namespace

PairComparison::PairComparison(const PreparedMelody& a, const PreparedMelody& b, int shift,
                               EngineContext& context)
    : state_(std::make_unique<State>()) {
  State& st = *state_;
  st.a = &a;
  st.originalB = &b;
  st.requestedShift = shift;
  st.b = &b;
  st.shift = shift;
  st.context = &context;
  if (wrapsAround(b.data().notes, shift)) {
    // Rare: pitches near the ends of the 8-bit range. The transposed copy is
    // prepared like b; its messages were written when b was prepared.
    std::ostream discard(nullptr);
    st.preparedCopyOfB = std::make_unique<PreparedMelody>(st.transposedB(), b.plan(), discard);
    st.b = st.preparedCopyOfB.get();
    st.shift = 0;
  }
}

PairComparison::~PairComparison() = default;

namespace {

// One type of the pair, once: later requests get the value found first.
SimilarityResult typeOfPair(State& st, std::size_t typeIndex) {
  if (typeIndex < kMeasureCount && st.known.test(typeIndex)) return st.results[typeIndex];
  const SimilarityResult r = evaluateType(st, typeIndex);
  // The plain harmonic rows write "Empty Bar!" on every evaluation.
  if (typeIndex < kMeasureCount && prepared(st.a->data(), st.b->data(), typeIndex) &&
      (isExtraMeasure(typeIndex) || !(hasFlag(typeTable[typeIndex].flags, Harmonic) &&
                                      !hasFlag(typeTable[typeIndex].flags, KeyFinding)))) {
    st.results[typeIndex] = r;
    st.known.set(typeIndex);
  }
  return r;
}

}  // namespace

SimilarityResult PairComparison::type(std::size_t typeIndex) { return typeOfPair(*state_, typeIndex); }

SimilarityResult PairComparison::combi(const CombiType& combi) {
  if (combi.terms.empty()) return {0.0, 0.0};
  double sum = 0.0;
  double lastOffset = 0.0;
  for (const CombiTerm& term : combi.terms) {
    double product = 1.0;
    for (const std::size_t factor : term.factors) {
      const SimilarityResult r = type(factor);
      lastOffset = r.bestOffset;
      // Exactly -1 means undefined, also when it is a genuine correlation of -1.
      if (r.value == kUndefined) return {kUndefined, lastOffset};
      product *= r.value;
    }
    sum += product * term.weight;
  }
  return {std::clamp(sum, 0.0, 1.0), lastOffset};
}

double PairComparison::phrases(const CombiType& combi) {
  State& st = *state_;
  if (!st.a->plan().phraseMode() || !st.b->plan().phraseMode()) {
    return phraseSimilarity(st.a->melody(), st.transposedB(), combi, *st.context);
  }
  const std::span<const PreparedMelody> pa = st.a->phrases();
  const std::span<const PreparedMelody> pb = st.b->phrases();
  if (pa.empty() || pb.empty()) return kUndefined;

  return phraseListSimilarity(pa.size(), pb.size(), [&](std::size_t i, std::size_t j) {
    return PairComparison(pa[i], pb[j], st.shift, *st.context).combi(combi).value;
  });
}

SimilarityResult computeSimilarity(const PreparedMelody& a, const PreparedMelody& b, int shift,
                                   std::size_t typeIndex, EngineContext& context) {
  return PairComparison(a, b, shift, context).type(typeIndex);
}

SimilarityResult evaluateCombiType(const PreparedMelody& a, const PreparedMelody& b, int shift,
                                   const CombiType& combi, EngineContext& context) {
  return PairComparison(a, b, shift, context).combi(combi);
}

double phraseSimilarity(const PreparedMelody& a, const PreparedMelody& b, int shift,
                        const CombiType& combi, EngineContext& context) {
  return PairComparison(a, b, shift, context).phrases(combi);
}

// --- Transposition search --------------------------------------------------------

std::int8_t findBestTransposition(const PreparedMelody& a, const PreparedMelody& b,
                                  EngineContext& context) {
  const PreparedData& A = a.data();
  const PreparedData& B = b.data();
  if (!A.plan.transpositionSearch() || !B.plan.transpositionSearch()) {
    return findBestTransposition(*A.melody, *B.melody, context);
  }
  if (A.melody->empty() || B.melody->empty()) return 0;

  // Shifts worth trying, as the per-pair search chooses them.
  std::vector<int> candidates;
  if (!((A.lowestPitch != A.highestPitch && B.lowestPitch != B.highestPitch) ||
        (A.lowestPitch != 0 && B.lowestPitch != 0))) {
    candidates = {0};
  } else {
    const auto asSigned8 = [](int v) { return int{static_cast<std::int8_t>(v)}; };
    for (const std::int8_t m : A.modalPitches) {
      for (const std::int8_t n : B.modalPitches) candidates.push_back(asSigned8(m - n));
    }
    candidates.push_back(asSigned8(static_cast<int>(std::floor(A.meanPitch + 0.5)) -
                                   static_cast<int>(std::floor(B.meanPitch + 0.5))));
    candidates.push_back(asSigned8(A.lowestPitch - B.lowestPitch));
    candidates.push_back(asSigned8(A.highestPitch - B.highestPitch));
  }
  const auto [tMin, tMax] = std::minmax_element(candidates.begin(), candidates.end());
  const double meanGap = B.meanPitch - A.meanPitch;
  const bool weightedDefined = !A.expanded.empty() && !B.expanded.empty();
  EngineScratch& scratch = context.scratch();

  // The exact score of a shift is the mean of rawEd and rawEdw of the shifted
  // melody. rawEd is cheap and computed for every shift; rawEdw is bounded
  // from above first (an alignment matches at most as many tatums as the two
  // pitch histograms share), and computed only for shifts whose bound can
  // still beat (or, with a smaller shift, tie) the best score found.
  struct Trial {
    int t;
    double plain;
    double bound;
  };
  std::vector<Trial> trials;
  std::vector<int>& shifts = scratch.trialShifts;
  shifts.clear();
  for (int t = *tMin; t <= *tMax; ++t) {
    if (!(std::fabs(t + meanGap) > 2.5)) shifts.push_back(t);
  }
  std::vector<std::size_t>& plainDistances = scratch.trialDistances;
  plainDistances.resize(shifts.size());
  shiftedPitchDistances(A.notes, B.notes, shifts, plainDistances, scratch);
  const std::size_t longestNotes = std::max(A.notes.pitches.size(), B.notes.pitches.size());
  const std::size_t longestTatums = std::max(A.tatums.pitches.size(), B.tatums.pitches.size());
  for (std::size_t k = 0; k < shifts.size(); ++k) {
    const int t = shifts[k];
    const double plain = normalisedEditSimilarity(plainDistances[k], longestNotes);
    double bound = (kUndefined + plain) * 0.5;
    if (weightedDefined) {
      std::uint64_t shared = 0;
      for (std::size_t u = 0; u < 256; ++u) {
        const std::size_t v = (u + static_cast<std::size_t>(t + 256)) % 256;  // 8-bit wrap-around
        shared += std::min(A.tatums.histogram[v], B.tatums.histogram[u]);
      }
      bound = (normalisedEditSimilarity(longestTatums - shared, longestTatums) + plain) * 0.5;
    }
    trials.push_back({t, plain, bound});
  }
  std::stable_sort(trials.begin(), trials.end(),
                   [](const Trial& x, const Trial& y) { return x.bound > y.bound; });

  int best = 0;
  double bestScore = 0.0;
  bool found = false;
  for (const Trial& trial : trials) {
    // Only a strictly better score, or an equal one at a smaller shift, wins.
    if (trial.bound < bestScore) break;
    if (trial.bound == bestScore && !(found && trial.t < best)) continue;
    double score = trial.bound;  // exact when the weighted value is undefined
    if (weightedDefined) {
      std::size_t d = 0;
      shiftedPitchDistances(A.tatums, B.tatums, std::span<const int>(&trial.t, 1),
                            std::span<std::size_t>(&d, 1), scratch);
      score = (normalisedEditSimilarity(d, longestTatums) + trial.plain) * 0.5;
    }
    if (score > bestScore || (found && score == bestScore && trial.t < best)) {
      best = trial.t;
      bestScore = score;
      found = true;
    }
  }
  return static_cast<std::int8_t>(best);
}

}  // namespace suite::similarity
