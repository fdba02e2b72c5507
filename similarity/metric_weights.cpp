#include "similarity/metric_weights.h"

#include <algorithm>
#include <numeric>

namespace suite::similarity {
namespace {

// Onsets as distances from the first, divided by their greatest common
// divisor: sorted, distinct, starting at 0. Differences are taken in unsigned
// arithmetic, exact for any two 64-bit onsets.
std::vector<std::uint64_t> reducedOnsets(std::span<const std::int64_t> onsets) {
  std::vector<std::int64_t> sorted(onsets.begin(), onsets.end());
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  std::vector<std::uint64_t> u(sorted.size());
  std::uint64_t g = 0;
  for (std::size_t i = 0; i < sorted.size(); ++i) {
    u[i] = static_cast<std::uint64_t>(sorted[i]) - static_cast<std::uint64_t>(sorted.front());
    g = std::gcd(g, u[i]);
  }
  if (g > 1) {
    for (std::uint64_t& v : u) v /= g;
  }
  return u;
}

// Index of \a value in u[from, end), or end when absent.
std::size_t find(const std::vector<std::uint64_t>& u, std::size_t from, std::uint64_t value) {
  const auto it = std::lower_bound(u.begin() + static_cast<std::ptrdiff_t>(from), u.end(), value);
  return it != u.end() && *it == value ? static_cast<std::size_t>(it - u.begin()) : u.size();
}

// True when every point s, s + step, ..., s + span lies in u (u[first] = s).
bool gridCovered(const std::vector<std::uint64_t>& u, std::size_t first, std::uint64_t step,
                 std::uint64_t span) {
  const std::uint64_t s = u[first];
  std::size_t x = first;
  for (std::uint64_t offset = step; offset <= span; offset += step) {
    // The points increase, so the search goes on from the last one found.
    while (x < u.size() && u[x] < s + offset) ++x;
    if (x == u.size() || u[x] != s + offset) return false;
    if (span - offset < step) break;
  }
  return true;
}

// True when the meter starting at u[first] with period p and span p * k lies
// within a run of a smaller period: that period divides p and is the
// distance from the start to some onset before u[first] + p.
bool withinFinerMeter(const std::vector<std::uint64_t>& u, std::size_t first, std::size_t second,
                      std::uint64_t span) {
  const std::uint64_t p = u[second] - u[first];
  for (std::size_t x = first + 1; x < second; ++x) {
    const std::uint64_t step = u[x] - u[first];
    if (p % step == 0 && gridCovered(u, first, step, span)) return true;
  }
  return false;
}

}  // namespace

std::vector<double> metricWeights(std::span<const std::int64_t> onsets) {
  const std::vector<std::uint64_t> u = reducedOnsets(onsets);
  const std::size_t n = u.size();
  std::vector<double> weightOf(n, 0.0);
  std::vector<std::size_t> members;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    for (std::size_t j = i + 1; j + 1 < n; ++j) {
      const std::uint64_t p = u[j] - u[i];
      // Three onsets from u[i] on no longer fit, nor for any later j.
      if (p > (u.back() - u[i]) / 2) break;
      // A meter is found from its first two onsets only.
      if (p <= u[i] && find(u, 0, u[i] - p) < i) continue;
      members.assign({i, j});
      std::size_t last = j;
      while (p <= u.back() - u[last]) {
        const std::size_t next = find(u, last + 1, u[last] + p);
        if (next == n) break;
        members.push_back(next);
        last = next;
      }
      const std::size_t k = members.size() - 1;
      if (k < 2 || withinFinerMeter(u, i, j, u[last] - u[i])) continue;
      const double add = static_cast<double>(k) * static_cast<double>(k);
      for (const std::size_t m : members) weightOf[m] += add;
    }
  }
  const double top = n == 0 ? 0.0 : *std::max_element(weightOf.begin(), weightOf.end());
  if (top > 0.0) {
    for (double& w : weightOf) w /= top;
  }

  // Back to the notes, in their order.
  std::vector<double> weights(onsets.size(), 0.0);
  if (n == 0) return weights;
  std::vector<std::int64_t> sorted(onsets.begin(), onsets.end());
  std::sort(sorted.begin(), sorted.end());
  sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
  for (std::size_t i = 0; i < onsets.size(); ++i) {
    const auto at = std::lower_bound(sorted.begin(), sorted.end(), onsets[i]) - sorted.begin();
    weights[i] = weightOf[static_cast<std::size_t>(at)];
  }
  return weights;
}

std::vector<std::int64_t> noteOnsets(const core::Melody& melody) {
  std::vector<std::int64_t> onsets;
  onsets.reserve(melody.size());
  std::int64_t at = 0;
  for (std::size_t i = 0; i < melody.size(); ++i) {
    onsets.push_back(at);
    if (i < melody.durations.size()) at += melody.durations[i];
  }
  return onsets;
}

}  // namespace suite::similarity
