#include "analysis/contour.h"

namespace suite::analysis {
namespace {

int sign(double v) { return (v > 0) - (v < 0); }

}  // namespace

std::vector<ContourPoint> contourPoints(std::span<const std::int8_t> pitches,
                                        ContourMethod method) {
  std::vector<ContourPoint> points;
  const std::size_t n = pitches.size();
  if (n == 0) return points;

  // Repetition-free sequence: the first note, then the last note of each
  // further run of equal pitches.
  std::vector<ContourPoint> reduced{{0, double(pitches[0])}};
  for (std::size_t j = 1; j < n; ++j) {
    if (pitches[j] == pitches[j - 1]) continue;
    std::size_t e = j;
    while (e + 1 < n && pitches[e + 1] == pitches[j]) ++e;
    reduced.push_back({e, double(pitches[j])});
  }
  const std::size_t m = reduced.size();

  points.push_back({0, double(pitches[0])});
  if (method == ContourMethod::Steinbeck) {
    for (std::size_t k = 0; m > 4 && k + 4 < m; ++k) {
      const int f = sign(reduced[k + 2].value - reduced[k + 1].value);
      const int g = sign(reduced[k + 3].value - reduced[k + 2].value);
      if (sign(reduced[k + 1].value - reduced[k].value) == f &&
          sign(reduced[k + 4].value - reduced[k + 3].value) == g && g != f) {
        points.push_back(reduced[k + 2]);
      }
    }
  } else {
    for (std::size_t k = 1; k + 1 < m; ++k) {
      const double a = reduced[k - 1].value;
      const double b = reduced[k].value;
      const double c = reduced[k + 1].value;
      const bool turning = (b > a && b > c) || (b < a && b < c);
      if (turning && (method == ContourMethod::Natural || a != c)) points.push_back(reduced[k]);
    }
  }
  if (n > 1) points.push_back({n - 1, double(pitches[n - 1])});
  return points;
}

std::vector<double> contourCurve(std::span<const std::int8_t> pitches, ContourMethod method) {
  std::vector<double> curve;
  if (pitches.empty()) return curve;
  contourCurve(contourPoints(pitches, method), pitches.size(), 0.0, curve);
  return curve;
}

void contourCurve(std::span<const ContourPoint> points, std::size_t notes, double shift,
                  std::vector<double>& curve) {
  curve.clear();
  if (notes == 0 || points.empty()) return;
  curve.reserve(notes);
  std::size_t seg = 0;  // points[seg] is at or before t, points[seg + 1] after it
  for (std::size_t t = 0; t + 1 < notes; ++t) {
    while (seg + 2 < points.size() && points[seg + 1].index <= t) ++seg;
    const ContourPoint& a = points[seg];
    const ContourPoint& b = points[seg + 1];
    // The pitches are integers, so the difference of two shifted values is
    // the difference of the unshifted ones.
    const double from = a.value + shift;
    const double slope = ((b.value + shift) - from) / double(b.index - a.index);
    curve.push_back(from + slope * double(t - a.index));
  }
  // The last contour point is the last note.
  curve.push_back(points.back().value + shift);
}

}  // namespace suite::analysis
