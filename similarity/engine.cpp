#include "similarity/engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <vector>

#include "similarity/accent_measures.h"
#include "similarity/alignment.h"
#include "similarity/edit_distance.h"
#include "similarity/engine_scratch.h"
#include "similarity/extra_measures.h"
#include "similarity/family_measures.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/gauss_rhythm.h"
#include "similarity/harmonic_measures.h"
#include "similarity/ngram.h"
#include "similarity/phrase_distance.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"
#include "similarity/type_table.h"
#include "similarity/window_comparison.h"

namespace suite::similarity {

EngineContext::EngineContext(std::ostream& errorStream, const GaussTable* gaussTable)
    : err(errorStream), gauss(gaussTable), scratch_(std::make_unique<EngineScratch>()) {}

EngineContext::~EngineContext() = default;

std::size_t skipCount(const core::Melody& m) {
  if (m.pitches.size() != m.durations.size() || m.pitches.empty()) return 0;
  const std::uint64_t limit = std::min<std::uint64_t>(m.totalDuration() / 10, 8);
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < m.durations.size(); ++i) {
    sum += m.durations[i];
    if (sum > limit) return i;
  }
  return m.pitches.size() - 1;
}

namespace {

constexpr double kUndefined = -1.0;

double scoreWindows(std::span<const double> x, std::span<const double> y, std::uint32_t flags,
                    EngineContext& context) {
  if (hasFlag(flags, Rhythm)) return gaussSimilarity(x, y, 0.03, 0.0, context.gauss);
  if (hasFlag(flags, Fourier)) return fourierSimilarity(x, y, flags, context.scratch().spectrum);
  return compareWindows(x, y, flags);
}

SimilarityResult alignAndCompare(std::span<const double> s, std::span<const double> l,
                                 std::size_t skip, const SimilarityType& type,
                                 EngineContext& context) {
  if (hasFlag(type.flags, NGrams)) {
    const int n = std::max(type.param, 2);
    return {nGramSimilarity(s, l, type.flags, n, context.scratch().nGrams), 0.0};
  }
  if (hasFlag(type.flags, Fourier) && !hasFlag(type.flags, Rhythm)) {
    // The whole shorter sequence meets every window of the longer one: its
    // spectrum is computed once, at the first such window.
    SpectrumWorkspace& workspace = context.scratch().spectrum;
    std::vector<double>& whole = context.scratch().wholeSpectrum;
    bool haveWhole = false;
    return bestAlignment(s, l, skip, [&](std::span<const double> x, std::span<const double> y) {
      const bool isWhole = x.size() == s.size();
      if (isWhole && !haveWhole) {
        magnitudeSpectrum(s, whole, workspace);
        haveWhole = true;
      }
      if (!isWhole) magnitudeSpectrum(x, workspace.spectrumX, workspace);
      magnitudeSpectrum(y, workspace.spectrumY, workspace);
      return compareSpectra(isWhole ? whole : workspace.spectrumX, workspace.spectrumY,
                            type.flags);
    });
  }
  return bestAlignment(s, l, skip, [&](std::span<const double> x, std::span<const double> y) {
    return scoreWindows(x, y, type.flags, context);
  });
}

// The sequence a type compares for one melody.
std::vector<double> representationOf(const core::Melody& m, std::uint32_t flags) {
  if (hasFlag(flags, Contour)) return contourSequence(m, flags);
  if (hasFlag(flags, Natural)) return pitchRanks(m);
  if (!hasFlag(flags, Intervals) || hasFlag(flags, Fourier)) {
    if (hasFlag(flags, Rhythm)) return m.onsets;
    return pitchSequence(m);
  }
  return intervalSequence(m, flags);
}

// A measure beyond the catalogue, from the melodies.
SimilarityResult extraSimilarity(const core::Melody& a, const core::Melody& b, std::size_t index,
                                 EngineContext& context) {
  const ExtraMeasure& row = extraMeasure(index);
  if (row.kind == ExtraKind::Sum) {
    return weightedSum(row, [&](std::size_t term) {
      return computeSimilarity(a, b, term, context);
    });
  }
  const NoteProfile pa = noteProfile(a);
  const NoteProfile pb = noteProfile(b);
  const int shift = histogramShift(pa, pb);
  FamilyWorkspace& workspace = context.scratch().family;
  return row.kind == ExtraKind::EdIma ? edImaSimilarity(pa, pb, shift, workspace)
                                      : temAlignSimilarity(pa, pb, shift, workspace);
}

}  // namespace

SimilarityResult computeSimilarity(const core::Melody& a, const core::Melody& b,
                                   std::size_t typeIndex, EngineContext& context) {
  if (a.empty() || b.empty()) return {kUndefined, 0.0};
  if (isExtraMeasure(typeIndex)) return extraSimilarity(a, b, typeIndex, context);
  if (typeIndex >= typeTable.size()) return {kUndefined, 0.0};
  const SimilarityType& type = typeTable[typeIndex];
  const std::uint32_t flags = type.flags;

  if (hasFlag(flags, Accents)) return {accentSimilarity(a, b, flags), 0.0};
  if (hasFlag(flags, Constant)) return {1.0, 0.0};

  core::Melody expandedA;
  core::Melody expandedB;
  const core::Melody* pa = &a;
  const core::Melody* pb = &b;
  if (hasFlag(flags, Weighted)) {
    expandedA = a.expandToTatums(context.err);
    expandedB = b.expandToTatums(context.err);
    if (expandedA.empty() || expandedB.empty()) return {kUndefined, 0.0};
    pa = &expandedA;
    pb = &expandedB;
  }
  if (hasFlag(flags, Harmonic)) return harmonicSimilarity(*pa, *pb, flags, type.param, context.err);

  // Fuzzy rhythm compares duration classes of whole melodies, unaligned.
  if (hasFlag(flags, Rhythm) && hasFlag(flags, Fuzzy) && !hasFlag(flags, Contour) &&
      !hasFlag(flags, Natural) && (!hasFlag(flags, Intervals) || hasFlag(flags, Fourier))) {
    return fuzzyRhythmSimilarity(*pa, *pb, flags, type.param, context.err,
                                 context.scratch().fuzzyRhythm);
  }
  const std::vector<double> ra = representationOf(*pa, flags);
  const std::vector<double> rb = representationOf(*pb, flags);

  if (hasFlag(flags, EditDistance)) {
    const std::size_t longest = std::max(ra.size(), rb.size());
    const std::size_t d = editDistance(ra, rb, context.scratch().editDistance);
    // Two empty sequences are equal: nothing to edit.
    return {longest == 0 ? 1.0 : 1.0 - double(d) / double(longest), double(d)};
  }
  const bool aIsShorter = ra.size() < rb.size();
  return alignAndCompare(aIsShorter ? ra : rb, aIsShorter ? rb : ra,
                         skipCount(aIsShorter ? *pa : *pb), type, context);
}

SimilarityResult evaluateCombiType(const core::Melody& a, const core::Melody& b,
                                   const CombiType& combi, EngineContext& context) {
  if (combi.terms.empty()) return {0.0, 0.0};
  double sum = 0.0;
  double lastOffset = 0.0;
  for (const CombiTerm& term : combi.terms) {
    double product = 1.0;
    for (const std::size_t factor : term.factors) {
      const SimilarityResult r = computeSimilarity(a, b, factor, context);
      lastOffset = r.bestOffset;
      // Exactly -1 means undefined, also when it is a genuine correlation of -1.
      if (r.value == kUndefined) return {kUndefined, lastOffset};
      product *= r.value;
    }
    sum += product * term.weight;
  }
  return {std::clamp(sum, 0.0, 1.0), lastOffset};
}

double phraseSimilarity(const core::Melody& a, const core::Melody& b, const CombiType& combi,
                        EngineContext& context) {
  const std::vector<core::Melody> pa = a.splitPhrases(context.err);
  const std::vector<core::Melody> pb = b.splitPhrases(context.err);
  if (pa.empty() || pb.empty()) return kUndefined;

  return phraseListSimilarity(pa.size(), pb.size(), [&](std::size_t i, std::size_t j) {
    return evaluateCombiType(pa[i], pb[j], combi, context).value;
  });
}

namespace {

// Shifts worth trying: differences of the modal pitches, of the rounded mean
// pitches and of the lowest and highest pitches; only 0 for degenerate melodies.
std::vector<int> transpositionCandidates(const core::Melody& a, const core::Melody& b) {
  const auto [loA, hiA] = a.pitchRange();
  const auto [loB, hiB] = b.pitchRange();
  if (!((loA != hiA && loB != hiB) || (loA != 0 && loB != 0))) return {0};
  const auto asSigned8 = [](int v) { return int{static_cast<std::int8_t>(v)}; };
  std::vector<int> candidates;
  for (const std::int8_t m : a.mostFrequentPitches().values) {
    for (const std::int8_t n : b.mostFrequentPitches().values) candidates.push_back(asSigned8(m - n));
  }
  const int roundedA = static_cast<int>(std::floor(a.meanPitch() + 0.5));
  const int roundedB = static_cast<int>(std::floor(b.meanPitch() + 0.5));
  candidates.push_back(asSigned8(roundedA - roundedB));
  candidates.push_back(asSigned8(loA - loB));
  candidates.push_back(asSigned8(hiA - hiB));
  std::sort(candidates.begin(), candidates.end());
  candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());
  return candidates;
}

}  // namespace

std::int8_t findBestTransposition(const core::Melody& a, const core::Melody& b,
                                  EngineContext& context) {
  if (a.empty() || b.empty()) return 0;
  const std::vector<int> candidates = transpositionCandidates(a, b);
  const double meanGap = b.meanPitch() - a.meanPitch();

  // The score of a shift is the mean of rawEd and rawEdw on the shifted
  // melody. Shifting commutes with the tatum expansion, so both melodies are
  // prepared once and only the second one's pitches move.
  const std::vector<double> pitchesA = pitchSequence(a);
  const std::vector<double> pitchesB = pitchSequence(b);
  const core::Melody expandedA = a.expandToTatums(context.err);
  const core::Melody expandedB = b.expandToTatums(context.err);
  const bool weightedDefined = !expandedA.empty() && !expandedB.empty();
  const std::vector<double> expandedPitchesA = pitchSequence(expandedA);
  const std::vector<double> expandedPitchesB = pitchSequence(expandedB);

  EngineScratch& scratch = context.scratch();
  const auto shift = [](const std::vector<double>& from, int t, std::vector<double>& to) {
    to.resize(from.size());
    for (std::size_t i = 0; i < from.size(); ++i) {
      to[i] = static_cast<std::int8_t>(static_cast<int>(from[i]) + t);
    }
  };

  int best = 0;
  double bestScore = 0.0;
  for (int t = candidates.front(); t <= candidates.back(); ++t) {
    if (std::fabs(t + meanGap) > 2.5) continue;
    shift(pitchesB, t, scratch.transposed);
    const double plain = editDistanceSimilarity(pitchesA, scratch.transposed, scratch.editDistance);
    double weighted = kUndefined;
    if (weightedDefined) {
      shift(expandedPitchesB, t, scratch.transposedExpanded);
      weighted = editDistanceSimilarity(expandedPitchesA, scratch.transposedExpanded,
                                        scratch.editDistance);
    }
    const double score = (weighted + plain) * 0.5;
    if (score > bestScore) {
      best = t;
      bestScore = score;
    }
  }
  return static_cast<std::int8_t>(best);
}

}  // namespace suite::similarity
