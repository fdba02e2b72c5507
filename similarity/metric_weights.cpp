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

// Where each onset lies among the onsets: a table by value when the onsets
// span few units, else a binary search.
class OnsetIndex {
 public:
  explicit OnsetIndex(const std::vector<std::uint64_t>& u) : u_(u) {
    const std::uint64_t span = u.empty() ? 0 : u.back();
    if (span < std::max<std::uint64_t>(4096, 64 * static_cast<std::uint64_t>(u.size()))) {
      at_.assign(static_cast<std::size_t>(span) + 1, kNone);
      for (std::size_t i = 0; i < u.size(); ++i) at_[static_cast<std::size_t>(u[i])] = i;
    }
  }
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

  /// The index of \a value, kNone when it is no onset.
  std::size_t find(std::uint64_t value) const {
    if (u_.empty() || value > u_.back()) return kNone;
    if (!at_.empty()) return at_[static_cast<std::size_t>(value)];
    const auto it = std::lower_bound(u_.begin(), u_.end(), value);
    return *it == value ? static_cast<std::size_t>(it - u_.begin()) : kNone;
  }

 private:
  const std::vector<std::uint64_t>& u_;
  std::vector<std::size_t> at_;
};

// A kept meter as seen from one of its onsets.
struct Through {
  std::uint64_t period;
  std::uint64_t end;  ///< its last onset
};

}  // namespace

std::vector<double> metricWeights(std::span<const std::int64_t> onsets) {
  const std::vector<std::uint64_t> u = reducedOnsets(onsets);
  const std::size_t n = u.size();
  const OnsetIndex index(u);
  std::vector<double> weightOf(n, 0.0);
  // The kept meters through each onset. A meter that another contains lies
  // within a run of a period dividing its own, through its first onset, and
  // the longest such run is kept itself. Meters are found in order of their
  // first onset, then of their period, so that run is known by then.
  std::vector<std::vector<Through>> through(n);
  std::vector<std::size_t> members;
  for (std::size_t i = 0; i + 2 < n; ++i) {
    for (std::size_t j = i + 1; j + 1 < n; ++j) {
      const std::uint64_t p = u[j] - u[i];
      // Three onsets from u[i] on no longer fit, nor for any later j.
      if (p > (u.back() - u[i]) >> 1) break;
      // A meter is found from its first two onsets only.
      if (p <= u[i] && index.find(u[i] - p) != OnsetIndex::kNone) continue;
      members.assign({i, j});
      std::size_t last = j;
      while (p <= u.back() - u[last]) {
        const std::size_t next = index.find(u[last] + p);
        if (next == OnsetIndex::kNone) break;
        members.push_back(next);
        last = next;
      }
      const std::size_t k = members.size() - 1;
      if (k < 2) continue;
      const std::uint64_t end = u[last];
      const bool contained = std::any_of(through[i].begin(), through[i].end(), [&](const Through& t) {
        return t.period < p && t.end >= end && p % t.period == 0;
      });
      if (contained) continue;
      const double add = static_cast<double>(k) * static_cast<double>(k);
      for (const std::size_t m : members) {
        weightOf[m] += add;
        through[m].push_back({p, end});
      }
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
