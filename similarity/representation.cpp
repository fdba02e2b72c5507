#include "similarity/representation.h"

#include "similarity/fuzzy_interval.h"
#include "similarity/type_flags.h"

namespace suite::similarity {

std::vector<double> pitchSequence(const core::Melody& melody) {
  return std::vector<double>(melody.pitches.begin(), melody.pitches.end());
}

std::vector<double> intervalSequence(const core::Melody& melody, std::uint32_t flags) {
  const std::vector<std::int8_t>& p = melody.pitches;
  std::vector<double> intervals;
  if (p.size() < 2) return intervals;
  intervals.reserve(p.size() - 1);
  const bool rough = hasFlag(flags, Rough);
  const bool fuzzy = hasFlag(flags, Fuzzy);
  for (std::size_t i = 0; i + 1 < p.size(); ++i) {
    const int d = int(p[i + 1]) - int(p[i]);
    if (rough) {
      intervals.push_back(double((d > 0) - (d < 0)));
    } else if (fuzzy) {
      intervals.push_back(double(fuzzyIntervalClass(double(d))));
    } else {
      intervals.push_back(double(d));
    }
  }
  return intervals;
}

analysis::ContourMethod contourMethod(std::uint32_t flags) {
  if (hasFlag(flags, Steinbeck)) return analysis::ContourMethod::Steinbeck;
  if (hasFlag(flags, Natural)) return analysis::ContourMethod::Natural;
  return analysis::ContourMethod::Orvik;
}

std::vector<double> contourSequence(const core::Melody& melody, std::uint32_t flags) {
  std::vector<double> curve = analysis::contourCurve(melody.pitches, contourMethod(flags));
  if (!hasFlag(flags, Intervals)) return curve;
  return successiveDifferences(curve);
}

std::vector<double> successiveDifferences(std::span<const double> values) {
  std::vector<double> differences;
  if (values.size() < 2) return differences;
  differences.reserve(values.size() - 1);
  for (std::size_t i = 0; i + 1 < values.size(); ++i) {
    differences.push_back(values[i + 1] - values[i]);
  }
  return differences;
}

}  // namespace suite::similarity
