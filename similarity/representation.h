// Sequences of numbers built from a melody's pitches: raw pitches, intervals
// (plain, directions or fuzzy class numbers) and contour curves.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "analysis/contour.h"
#include "core/melody.h"

namespace suite::similarity {

/// The pitches as numbers, one per note; empty for an empty melody.
std::vector<double> pitchSequence(const core::Melody& melody);

/// Successive pitch differences p[i+1] - p[i] in semitones (n - 1 values).
/// With `Rough` each is replaced by its sign (-1, 0, 1), otherwise with
/// `Fuzzy` by its fuzzy class number (-4 .. 4). Empty for fewer than 2 notes.
std::vector<double> intervalSequence(const core::Melody& melody, std::uint32_t flags);

/// The contour method selected by a flag word: Steinbeck, else natural, else
/// Orvik.
analysis::ContourMethod contourMethod(std::uint32_t flags);

/// The contour curve of the pitches (one value per note) after the method of
/// the flags; with `Intervals` its successive differences (n - 1 values).
std::vector<double> contourSequence(const core::Melody& melody, std::uint32_t flags);

/// v[i+1] - v[i] for every i (size - 1 values; empty for fewer than 2).
std::vector<double> successiveDifferences(std::span<const double> values);

}  // namespace suite::similarity
