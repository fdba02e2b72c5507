#include "similarity/prepared_melody.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "analysis/accents.h"
#include "similarity/alignment.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/prepared_data.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"

namespace suite::similarity {
namespace detail {

Rep representationOf(std::uint32_t flags) {
  if (hasFlag(flags, Contour)) {
    const analysis::ContourMethod method = contourMethod(flags);
    const bool differences = hasFlag(flags, Intervals);
    switch (method) {
      case analysis::ContourMethod::Natural:
        return differences ? Rep::DiffNatural : Rep::CurveNatural;
      case analysis::ContourMethod::Orvik:
        return differences ? Rep::DiffOrvik : Rep::CurveOrvik;
      case analysis::ContourMethod::Steinbeck:
        return differences ? Rep::DiffSteinbeck : Rep::CurveSteinbeck;
    }
  }
  if (hasFlag(flags, Natural)) return Rep::Ranks;
  if (!hasFlag(flags, Intervals) || hasFlag(flags, Fourier)) {
    return hasFlag(flags, Rhythm) ? Rep::Onsets : Rep::Pitches;
  }
  if (hasFlag(flags, Rough)) return Rep::IntervalsRough;
  if (hasFlag(flags, Fuzzy)) return Rep::IntervalsFuzzy;
  return Rep::Intervals;
}

analysis::ContourMethod contourMethodOf(Rep r) {
  switch (r) {
    case Rep::CurveNatural:
    case Rep::DiffNatural:
      return analysis::ContourMethod::Natural;
    case Rep::CurveSteinbeck:
    case Rep::DiffSteinbeck:
      return analysis::ContourMethod::Steinbeck;
    default:
      return analysis::ContourMethod::Orvik;
  }
}

}  // namespace detail

namespace {

using detail::PreparedData;
using detail::Rep;
using detail::RepData;
using detail::RhythmData;
using detail::SideData;

bool isFuzzyRhythm(std::uint32_t f) {
  return hasFlag(f, Rhythm) && hasFlag(f, Fuzzy) && !hasFlag(f, Contour) && !hasFlag(f, Natural) &&
         (!hasFlag(f, Intervals) || hasFlag(f, Fourier));
}

std::size_t repIndex(Rep r) { return static_cast<std::size_t>(r); }

// The values of one representation of a melody.
std::vector<double> valuesOf(const SideData& side, Rep r) {
  const core::Melody& m = *side.melody;
  switch (r) {
    case Rep::Pitches: return pitchSequence(m);
    case Rep::Ranks: return pitchRanks(m);
    case Rep::Onsets: return m.onsets;
    case Rep::Intervals: return intervalSequence(m, Intervals);
    case Rep::IntervalsRough: return intervalSequence(m, Intervals | Rough);
    case Rep::IntervalsFuzzy: return intervalSequence(m, Intervals | Fuzzy);
    default: break;
  }
  std::vector<double> curve;
  contourCurve(side.contourPoints[static_cast<std::size_t>(detail::contourMethodOf(r))],
               m.pitches.size(), 0.0, curve);
  if (r >= Rep::DiffNatural) return successiveDifferences(curve);
  return curve;
}

// Everything one catalogue type needs of one side of a melody.
void prepareForType(SideData& side, const SimilarityType& type) {
  const std::uint32_t f = type.flags;
  if (hasFlag(f, Harmonic)) {
    if (hasFlag(f, KeyFinding)) {
      if (!side.keys) side.keys.emplace(*side.melody);
    } else if (!side.tonality) {
      side.tonality.emplace(*side.melody);
    }
    return;
  }
  if (isFuzzyRhythm(f)) {
    RhythmData& rhythm = side.rhythm[type.param % 2 != 0 ? 1 : 0];
    const bool nGrams = hasFlag(f, NGrams);
    for (std::size_t k = 0; k < rhythm.classes.size(); ++k) {
      if (nGrams && rhythm.profiles[k].n == 0) {
        rhythm.profiles[k] = nGramProfile(std::span<const int>(rhythm.classes[k]),
                                          static_cast<std::size_t>(std::min(type.param, 2)));
      }
      if (!nGrams && rhythm.patterns[k].size() == 0) rhythm.patterns[k].assign(rhythm.values[k]);
    }
    return;
  }
  const Rep r = detail::representationOf(f);
  RepData& rep = side.reps[repIndex(r)];
  if (!rep.present) {
    if (r >= Rep::CurveNatural) {
      auto& points = side.contourPoints[static_cast<std::size_t>(detail::contourMethodOf(r))];
      if (points.empty()) {
        points = analysis::contourPoints(side.melody->pitches, detail::contourMethodOf(r));
      }
    }
    rep.values = valuesOf(side, r);
    rep.present = true;
    rep.integral = std::all_of(rep.values.begin(), rep.values.end(), [](double v) {
      return v >= -32768.0 && v <= 32767.0 && v == std::floor(v);
    });
    if (rep.integral) rep.integers.assign(rep.values.begin(), rep.values.end());
  }
  if (hasFlag(f, EditDistance)) {
    if (!rep.pattern) rep.pattern.emplace(rep.values);
  } else if (hasFlag(f, NGrams)) {
    const auto n = static_cast<std::size_t>(std::max(type.param, 2));
    if (n < rep.nGrams.size() && rep.nGrams[n].n == 0) rep.nGrams[n] = nGramProfile(rep.values, n);
  }
}

// Duration classes of the melody under each reference: durations against
// every modal duration (even parameters), or tick intervals against one beat
// (odd ones; their "Invalid BarTimeline." goes to \a diag).
void prepareRhythm(SideData& side, bool durationRows, bool tickRows, std::ostream& diag) {
  const core::Melody& m = *side.melody;
  RhythmData& durations = side.rhythm[0];
  if (durationRows) {
    const std::vector<std::uint32_t> modes = core::modalValues(m.durations).values;
    for (const std::uint32_t mode : modes) {
      std::vector<int>& classes = durations.classes.emplace_back();
      durationClasses(m.durations, static_cast<double>(mode), classes);
    }
    durations.present = true;
  }
  RhythmData& ticks = side.rhythm[1];
  if (tickRows) {
    const std::vector<std::uint64_t> intervals = m.timeline.tickIntervals(m.signature, diag);
    std::vector<int>& classes = ticks.classes.emplace_back();
    durationClasses(intervals, static_cast<double>(m.signature.ticksPerBeat), classes);
    ticks.present = true;
  }
  for (RhythmData* r : {&durations, &ticks}) {
    for (const std::vector<int>& c : r->classes) {
      r->values.emplace_back(c.begin(), c.end());
      r->integers.emplace_back(c.begin(), c.end());  // classes 0 .. 4
    }
    r->patterns.resize(r->classes.size());
    r->profiles.resize(r->classes.size());
  }
}

void prepareSide(SideData& side, const core::Melody& melody) {
  side.melody = &melody;
  side.skip = skipCount(melody);
  side.pitches.assign(melody.pitches.begin(), melody.pitches.end());
  if (!side.pitches.empty()) {
    const auto [lo, hi] = std::minmax_element(side.pitches.begin(), side.pitches.end());
    side.lowest = *lo;
    side.highest = *hi;
  }
}

}  // namespace

PreparationPlan PreparationPlan::forMeasures(std::span<const CombiType> measures,
                                             bool transpositionSearch, bool phraseMode) {
  PreparationPlan plan;
  for (const CombiType& measure : measures) {
    for (const CombiTerm& term : measure.terms) {
      for (const std::size_t factor : term.factors) {
        if (factor < kMeasureCount) plan.addType(factor);
      }
    }
  }
  plan.setTranspositionSearch(transpositionSearch);
  plan.setPhraseMode(phraseMode);
  return plan;
}

void PreparationPlan::addType(std::size_t typeIndex) {
  if (typeIndex >= kMeasureCount) return;
  types_.set(typeIndex);
  if (!isExtraMeasure(typeIndex)) return;
  for (const ExtraTerm& term : extraMeasure(typeIndex).terms) {
    if (!term.name.empty()) addType(measureIndex(term.name));
  }
}

PreparationPlan PreparationPlan::everything() {
  PreparationPlan plan;
  for (std::size_t i = 0; i < kTypeCount; ++i) plan.addType(i);
  plan.setTranspositionSearch(true);
  return plan;
}

PreparedMelody::PreparedMelody(const core::Melody& melody, const PreparationPlan& plan,
                               std::ostream& diag)
    : data_(std::make_unique<PreparedData>()) {
  PreparedData& d = *data_;
  d.melody = &melody;
  d.plan = plan;
  prepareSide(d.notes, melody);

  bool weighted = false;
  bool durationRhythm = false;
  bool tickRhythm = false;
  bool linear = false;
  bool tree = false;
  for (std::size_t i = 0; i < kTypeCount; ++i) {
    if (!plan.hasType(i)) continue;
    const std::uint32_t f = typeTable[i].flags;
    if (hasFlag(f, Accents)) {
      (hasFlag(f, LinearModel) ? linear : tree) = true;
    } else if (!hasFlag(f, Constant)) {
      weighted = weighted || hasFlag(f, Weighted);
      if (isFuzzyRhythm(f) && !hasFlag(f, Weighted)) {
        (typeTable[i].param % 2 != 0 ? tickRhythm : durationRhythm) = true;
      }
    }
  }

  // The tatum expansion, once, with its messages.
  if (weighted || plan.transpositionSearch()) {
    d.expanded = melody.expandToTatums(diag);
    d.expandedReady = true;
    prepareSide(d.tatums, d.expanded);
  }
  if (durationRhythm || tickRhythm) prepareRhythm(d.notes, durationRhythm, tickRhythm, diag);

  for (std::size_t i = 0; i < kTypeCount; ++i) {
    if (!plan.hasType(i)) continue;
    const SimilarityType& type = typeTable[i];
    const std::uint32_t f = type.flags;
    if (hasFlag(f, Accents) || hasFlag(f, Constant)) continue;
    if (hasFlag(f, Weighted)) {
      if (isFuzzyRhythm(f)) continue;  // no such row; computed per pair
      prepareForType(d.tatums, type);
    } else {
      prepareForType(d.notes, type);
    }
  }
  if (linear) {
    d.linearAccents = analysis::linearModelAccents(melody, false);
    d.linearSum = std::accumulate(d.linearAccents.begin(), d.linearAccents.end(), 0.0);
  }
  if (tree) {
    d.treeAccents = analysis::treeModelAccents(melody, false);
    d.treeSum = std::accumulate(d.treeAccents.begin(), d.treeAccents.end(), 0.0);
  }
  for (std::size_t i = kTypeCount; i < kMeasureCount; ++i) {
    if (plan.hasType(i) && extraMeasure(i).kind != ExtraKind::Sum && !d.family) {
      d.family = noteProfile(melody);
    }
  }

  if (plan.transpositionSearch()) {
    d.meanPitch = melody.meanPitch();
    std::tie(d.lowestPitch, d.highestPitch) = melody.pitchRange();
    d.modalPitches = melody.mostFrequentPitches().values;
    for (SideData* side : {&d.notes, &d.tatums}) {
      for (const std::int8_t p : side->melody->pitches) {
        ++side->histogram[static_cast<std::size_t>(p + 128)];
      }
      side->pitchPattern.assign(pitchSequence(*side->melody));
    }
  }

  if (plan.phraseMode()) {
    d.phraseMelodies = melody.splitPhrases(diag);
    PreparationPlan phrasePlan = plan;
    phrasePlan.setPhraseMode(false);
    phrasePlan.setTranspositionSearch(false);
    // A phrase's own messages were written by the split above.
    std::ostream discard(nullptr);
    d.phrases.reserve(d.phraseMelodies.size());
    for (const core::Melody& phrase : d.phraseMelodies) {
      d.phrases.emplace_back(phrase, phrasePlan, discard);
    }
  }
}

PreparedMelody::~PreparedMelody() = default;
PreparedMelody::PreparedMelody(PreparedMelody&&) noexcept = default;
PreparedMelody& PreparedMelody::operator=(PreparedMelody&&) noexcept = default;

const core::Melody& PreparedMelody::melody() const { return *data_->melody; }
const PreparationPlan& PreparedMelody::plan() const { return data_->plan; }
std::span<const PreparedMelody> PreparedMelody::phrases() const { return data_->phrases; }

std::vector<PreparedMelody> prepareMelodies(std::span<const core::Melody> melodies,
                                            const PreparationPlan& plan, std::ostream& diag) {
  std::vector<PreparedMelody> prepared;
  prepared.reserve(melodies.size());
  for (const core::Melody& m : melodies) prepared.emplace_back(m, plan, diag);
  return prepared;
}

}  // namespace suite::similarity
