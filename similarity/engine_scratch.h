// Scratch buffers of one engine context (internal to the similarity engine).
#pragma once

#include <cstdint>
#include <vector>

#include "similarity/edit_distance.h"
#include "similarity/family_measures.h"
#include "similarity/fourier_alignment.h"
#include "similarity/fourier_spectrum.h"
#include "similarity/fuzzy_rhythm.h"
#include "similarity/harmonic_measures.h"
#include "similarity/ngram.h"

namespace suite::similarity {

/// Scratch buffers of one engine context, reused from pair to pair.
struct EngineScratch {
  EditDistanceWorkspace editDistance;
  NGramWorkspace nGrams;
  FuzzyRhythmWorkspace fuzzyRhythm;
  SpectrumWorkspace spectrum;
  HarmonicWorkspace harmonic;
  FamilyWorkspace family;
  std::vector<double> wholeSpectrum;  ///< spectrum of the shorter sequence in an alignment
  std::vector<double> transposed;  ///< the second melody's pitches under a shift
  std::vector<double> transposedExpanded;
  // Prepared comparisons.
  FourierWorkspace fourier;
  EditPattern pattern;                ///< a pattern made for one comparison
  std::vector<std::int16_t> wrapped;  ///< pitches transposed with 8-bit wrap-around
  std::vector<std::uint32_t> rowText;   ///< one text as rows of a pattern's masks
  std::vector<std::uint32_t> rowTexts;  ///< several texts, one after the other
  std::vector<double> values;
  std::vector<int> shifts;
  std::vector<std::size_t> distances;
  std::vector<int> trialShifts;        ///< the transposition search's shifts
  std::vector<std::size_t> trialDistances;
};

}  // namespace suite::similarity
