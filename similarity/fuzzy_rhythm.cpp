#include "similarity/fuzzy_rhythm.h"

#include <algorithm>
#include <cstddef>

#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

template <class T>
void classesOf(std::span<const T> durations, double reference, std::vector<int>& classes) {
  classes.resize(durations.size());
  for (std::size_t i = 0; i < durations.size(); ++i) {
    classes[i] = durationClass(static_cast<double>(durations[i]), reference);
  }
}

void asNumbers(const std::vector<int>& classes, std::vector<double>& values) {
  values.assign(classes.begin(), classes.end());
}

// One pass over all reference pairs of two duration sequences.
template <class T>
SimilarityResult bestOverReferences(std::span<const T> sequenceA, std::span<const double> refsA,
                                    std::span<const T> sequenceB, std::span<const double> refsB,
                                    std::uint32_t flags, std::int32_t param,
                                    FuzzyRhythmWorkspace& w) {
  SimilarityResult best{0.0, 0.0};
  for (const double refA : refsA) {
    classesOf(sequenceA, refA, w.classesA);
    for (const double refB : refsB) {
      classesOf(sequenceB, refB, w.classesB);
      SimilarityResult candidate;
      if (hasFlag(flags, NGrams)) {
        candidate.value = nGramSimilarity(std::span<const int>(w.classesA),
                                          std::span<const int>(w.classesB), flags,
                                          std::min<std::int32_t>(param, 2), w.ngrams);
        candidate.bestOffset = 0.0;
      } else {
        asNumbers(w.classesA, w.valuesA);
        asNumbers(w.classesB, w.valuesB);
        const std::size_t d = editDistance(w.valuesA, w.valuesB, w.edit);
        const std::size_t longer = std::max(w.valuesA.size(), w.valuesB.size());
        // Two empty class sequences are equal.
        candidate.value =
            longer == 0 ? 1.0 : 1.0 - static_cast<double>(d) / static_cast<double>(longer);
        candidate.bestOffset = static_cast<double>(d);
      }
      if (candidate.value > best.value) best = candidate;
    }
  }
  return best;
}

std::vector<double> modalReferences(const std::vector<std::uint32_t>& durations) {
  const std::vector<std::uint32_t> modes = core::modalValues(durations).values;
  return std::vector<double>(modes.begin(), modes.end());
}

}  // namespace

int durationClass(double duration, double reference) {
  if (duration > 3.3 * reference) return 4;
  if (duration > 1.8 * reference) return 3;
  if (duration > 0.9 * reference) return 2;
  if (duration > 0.45 * reference) return 1;
  return 0;
}

void durationClasses(std::span<const std::uint32_t> durations, double reference,
                     std::vector<int>& classes) {
  classesOf(durations, reference, classes);
}

void durationClasses(std::span<const std::uint64_t> durations, double reference,
                     std::vector<int>& classes) {
  classesOf(durations, reference, classes);
}

SimilarityResult fuzzyRhythmSimilarity(const core::Melody& a, const core::Melody& b,
                                       std::uint32_t flags, std::int32_t param,
                                       std::ostream& err, FuzzyRhythmWorkspace& workspace) {
  if (a.empty() || b.empty()) return SimilarityResult{-1.0, 0.0};
  if (param % 2 != 0) {
    // Tick distances between successive notes, against one beat.
    const std::vector<std::uint64_t> ticksA = a.timeline.tickIntervals(a.signature, err);
    const std::vector<std::uint64_t> ticksB = b.timeline.tickIntervals(b.signature, err);
    const double beatA = a.signature.ticksPerBeat;
    const double beatB = b.signature.ticksPerBeat;
    return bestOverReferences<std::uint64_t>(ticksA, std::span<const double>(&beatA, 1), ticksB,
                                             std::span<const double>(&beatB, 1), flags, param,
                                             workspace);
  }
  // Durations in tatums, against each of the most frequent durations.
  const std::vector<double> refsA = modalReferences(a.durations);
  const std::vector<double> refsB = modalReferences(b.durations);
  return bestOverReferences<std::uint32_t>(a.durations, refsA, b.durations, refsB, flags, param,
                                           workspace);
}

}  // namespace suite::similarity
