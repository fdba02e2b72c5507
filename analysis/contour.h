// Melodic contour: turning points of a pitch sequence after the natural,
// Orvik and Steinbeck methods, and the contour curve through them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace suite::analysis {

enum class ContourMethod {
  Natural,    ///< every local extreme of the repetition-free sequence
  Orvik,      ///< local extremes whose two neighbours differ
  Steinbeck,  ///< extremes with two steps in one direction on each side
};

struct ContourPoint {
  std::size_t index;  ///< note index in the pitch sequence
  double value;       ///< pitch at that note
};

/// The contour points of \a pitches: the first note, the turning points of the
/// method in note order, and the last note (when there are at least 2 notes).
/// Repeated pitches are reduced first; each run after the first is
/// represented by its last note.
std::vector<ContourPoint> contourPoints(std::span<const std::int8_t> pitches,
                                        ContourMethod method);

/// One value per note on the straight lines between successive contour
/// points; equals the pitch at every contour point.
std::vector<double> contourCurve(std::span<const std::int8_t> pitches, ContourMethod method);

/// The curve through \a points (as contourPoints gives them for \a notes
/// notes) of the pitches raised by \a shift semitones, into \a curve: the
/// contour points of transposed pitches are the same notes, so only their
/// values move. With shift 0 the same values as contourCurve.
void contourCurve(std::span<const ContourPoint> points, std::size_t notes, double shift,
                  std::vector<double>& curve);

}  // namespace suite::analysis
