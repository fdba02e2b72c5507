#include "analysis/ngram_complexity.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>

#include "analysis/feature_statistics.h"

namespace suite::analysis {
namespace {

inline constexpr std::uint32_t kUnseen = ~std::uint32_t{0};

}  // namespace

NGramCounter::NGramCounter(std::span<const double> values) {
  // Dense ids in order of first occurrence, through the sorted distinct values.
  std::vector<double> distinct(values.begin(), values.end());
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<std::uint32_t> remap(distinct.size(), kUnseen);
  std::uint32_t next = 0;
  unigram_.reserve(values.size());
  for (const double v : values) {
    const auto sorted = static_cast<std::size_t>(
        std::lower_bound(distinct.begin(), distinct.end(), v) - distinct.begin());
    if (remap[sorted] == kUnseen) remap[sorted] = next++;
    unigram_.push_back(remap[sorted]);
  }
}

bool NGramCounter::advance() {
  const std::size_t c = unigram_.size();
  if (length_ >= c) return false;
  counts_.clear();
  if (length_ == 0) {
    ids_ = unigram_;
    for (const std::uint32_t id : ids_) {
      if (id >= counts_.size()) counts_.resize(id + 1, 0);
      ++counts_[id];
    }
    length_ = 1;
    return true;
  }
  // An n-gram of length L + 1 is an n-gram of length L followed by one value:
  // number the (n-gram id, value id) pairs in order of first occurrence.
  const std::size_t windows = c - length_;
  const std::size_t capacity = std::bit_ceil(std::max<std::size_t>(16, 2 * windows));
  const int shift = 64 - std::countr_zero(capacity);
  slotKeys_.resize(capacity);
  slotIds_.assign(capacity, kUnseen);
  for (std::size_t t = 0; t < windows; ++t) {
    const std::uint64_t key = (std::uint64_t{ids_[t]} << 32) | unigram_[t + length_];
    std::size_t slot = static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> shift);
    while (slotIds_[slot] != kUnseen && slotKeys_[slot] != key) slot = (slot + 1) & (capacity - 1);
    if (slotIds_[slot] == kUnseen) {
      slotKeys_[slot] = key;
      slotIds_[slot] = static_cast<std::uint32_t>(counts_.size());
      counts_.push_back(0);
    }
    ++counts_[slotIds_[slot]];
    ids_[t] = slotIds_[slot];
  }
  ids_.resize(windows);
  ++length_;
  return true;
}

double zipfComplexity(std::span<const std::size_t> counts) {
  std::vector<std::size_t> sorted(counts.begin(), counts.end());
  std::sort(sorted.begin(), sorted.end(), std::greater<>());
  const double k = static_cast<double>(sorted.size());
  double sx = 0.0;
  double sy = 0.0;
  double sxy = 0.0;
  double sxx = 0.0;
  for (std::size_t r = 0; r < sorted.size(); ++r) {
    const double x = std::log(static_cast<double>(r + 1));
    const double y = std::log(static_cast<double>(sorted[r]));
    sx += x;
    sy += y;
    sxy += x * y;
    sxx += x * x;
  }
  const double denominator = k * sxx - sx * sx;
  if (sorted.empty() || denominator == 0.0) return 0.0;
  return std::exp2((k * sxy - sx * sy) / denominator);
}

double ngramComplexity(std::span<const double> values, std::uint32_t maxLength, NGramTerm term,
                       bool weighted) {
  const std::size_t c = values.size();
  const bool dynamic = maxLength == 0;
  const std::size_t d = !dynamic && c >= maxLength ? maxLength : c;
  NGramCounter counter(values);

  if (term == NGramTerm::Zipf && !dynamic) {
    while (counter.length() < d) {
      if (!counter.advance()) return 0.0;
    }
    return d == 0 ? 0.0 : zipfComplexity(counter.counts());
  }

  double sum = 0.0;
  double weights = 0.0;
  for (std::size_t i = 1; i <= d && counter.advance(); ++i) {
    const std::size_t distinct = counter.counts().size();
    if (distinct == 1) break;
    double g = 0.0;
    switch (term) {
      case NGramTerm::Entropy: g = normalizedEntropyOfCounts(counter.counts()); break;
      case NGramTerm::Zipf: g = zipfComplexity(counter.counts()); break;
      case NGramTerm::DistinctShare:
        // Two distinct n-grams need two windows, so c - i >= 1.
        g = static_cast<double>(distinct - 1) / static_cast<double>(c - i);
        break;
    }
    const double w = weighted ? 1.0 / static_cast<double>(i) : 1.0;
    sum += g * w;
    weights += w;
    if (dynamic && distinct == c - i + 1) break;  // every n-gram distinct
  }
  return weights > 0.0 ? sum / weights : 0.0;
}

}  // namespace suite::analysis


// --- Profiles from the suffix array ---------------------------------------------

namespace suite::analysis {
namespace {

// Suffix array of \a id (values < n) by prefix doubling with counting sorts.
std::vector<std::uint32_t> suffixArray(const std::vector<std::uint32_t>& id) {
  const std::size_t n = id.size();
  std::vector<std::uint32_t> sa(n);
  std::vector<std::uint32_t> rank(n);
  std::vector<std::uint32_t> order(n);
  std::vector<std::uint32_t> next(n);
  std::vector<std::uint32_t> count(n + 1);
  // Stable counting sort of \a items by key[item] into sa.
  const auto sortBy = [&](const std::vector<std::uint32_t>& key,
                          const std::vector<std::uint32_t>& items) {
    std::fill(count.begin(), count.end(), 0u);
    for (std::size_t i = 0; i < n; ++i) ++count[key[i]];
    for (std::size_t r = 1; r <= n; ++r) count[r] += count[r - 1];
    for (std::size_t j = n; j-- > 0;) sa[--count[key[items[j]]]] = items[j];
  };
  for (std::size_t i = 0; i < n; ++i) order[i] = static_cast<std::uint32_t>(i);
  sortBy(id, order);
  rank[sa[0]] = 0;
  for (std::size_t j = 1; j < n; ++j) {
    rank[sa[j]] = rank[sa[j - 1]] + (id[sa[j]] != id[sa[j - 1]] ? 1u : 0u);
  }
  for (std::size_t k = 1; rank[sa[n - 1]] + 1 < n && k < n; k <<= 1) {
    // By the class of the next k values (none: first), then stably by the
    // class of the first k: the order of the first 2k values.
    std::size_t p = 0;
    for (std::size_t i = n - k; i < n; ++i) order[p++] = static_cast<std::uint32_t>(i);
    for (std::size_t j = 0; j < n; ++j) {
      if (sa[j] >= k) order[p++] = static_cast<std::uint32_t>(sa[j] - k);
    }
    sortBy(rank, order);
    const auto second = [&](std::uint32_t i) -> std::int64_t {
      return i + k < n ? std::int64_t{rank[i + k]} : -1;
    };
    next[sa[0]] = 0;
    for (std::size_t j = 1; j < n; ++j) {
      const std::uint32_t a = sa[j - 1];
      const std::uint32_t b = sa[j];
      next[b] = next[a] + (rank[a] != rank[b] || second(a) != second(b) ? 1u : 0u);
    }
    rank.swap(next);
  }
  return sa;
}

// lcp[r] = length of the common prefix of the suffixes sa[r - 1] and sa[r]
// (lcp[0] = 0), by Kasai's method.
std::vector<std::uint32_t> commonPrefixes(const std::vector<std::uint32_t>& id,
                                          const std::vector<std::uint32_t>& sa) {
  const std::size_t n = id.size();
  std::vector<std::uint32_t> inverse(n);
  for (std::size_t r = 0; r < n; ++r) inverse[sa[r]] = static_cast<std::uint32_t>(r);
  std::vector<std::uint32_t> lcp(n, 0);
  std::size_t h = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (inverse[i] == 0) {
      h = 0;
      continue;
    }
    const std::size_t j = sa[inverse[i] - 1];
    while (i + h < n && j + h < n && id[i + h] == id[j + h]) ++h;
    lcp[inverse[i]] = static_cast<std::uint32_t>(h);
    if (h > 0) --h;
  }
  return lcp;
}

// Active positions (first occurrences) in ascending order: a bit per
// position with a summary bit per word, so that walking them skips empty
// stretches.
class PositionSet {
 public:
  explicit PositionSet(std::size_t n) : words_((n + 63) / 64 + 1), summary_(words_.size() / 64 + 1) {}
  void insert(std::size_t p) {
    words_[p / 64] |= std::uint64_t{1} << (p % 64);
    summary_[p / 4096] |= std::uint64_t{1} << ((p / 64) % 64);
  }
  void erase(std::size_t p) {
    std::uint64_t& w = words_[p / 64];
    w &= ~(std::uint64_t{1} << (p % 64));
    if (w == 0) summary_[p / 4096] &= ~(std::uint64_t{1} << ((p / 64) % 64));
  }
  template <class Visit>
  void forEach(Visit visit) const {
    for (std::size_t s = 0; s < summary_.size(); ++s) {
      for (std::uint64_t sw = summary_[s]; sw != 0; sw &= sw - 1) {
        const std::size_t word = s * 64 + static_cast<std::size_t>(std::countr_zero(sw));
        for (std::uint64_t bits = words_[word]; bits != 0; bits &= bits - 1) {
          visit(word * 64 + static_cast<std::size_t>(std::countr_zero(bits)));
        }
      }
    }
  }

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::uint64_t> summary_;
};

}  // namespace

NGramProfile::NGramProfile(std::span<const double> values) : length_(values.size()) {
  const std::size_t n = length_;
  distinct_.assign(n + 2, 0);
  entropy_.assign(n + 1, std::numeric_limits<double>::quiet_NaN());
  zipf_.assign(n + 1, std::numeric_limits<double>::quiet_NaN());
  if (n == 0) return;

  // Dense ids through the sorted distinct values.
  std::vector<double> distinct(values.begin(), values.end());
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  std::vector<std::uint32_t> id(n);
  for (std::size_t i = 0; i < n; ++i) {
    id[i] = static_cast<std::uint32_t>(
        std::lower_bound(distinct.begin(), distinct.end(), values[i]) - distinct.begin());
  }
  const std::vector<std::uint32_t> sa = suffixArray(id);
  const std::vector<std::uint32_t> lcp = commonPrefixes(id, sa);
  const auto add = [&](std::size_t first, std::size_t last, std::size_t position,
                       std::size_t count) {
    if (first > last) return;
    groups_.push_back({static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(last),
                       static_cast<std::uint32_t>(position), static_cast<std::uint32_t>(count)});
  };

  // Every suffix alone: an n-gram found once, for the lengths beyond what it
  // shares with its neighbours and up to its end.
  for (std::size_t r = 0; r < n; ++r) {
    const std::size_t shared = std::max<std::size_t>(lcp[r], r + 1 < n ? lcp[r + 1] : 0);
    add(shared + 1, n - sa[r], sa[r], 1);
  }
  // The intervals of suffixes sharing their first l values (l > 0): one
  // n-gram for the lengths above the enclosing interval's l and up to l,
  // found once per suffix of the interval, first at its smallest suffix.
  struct Open {
    std::size_t shared;  // l
    std::size_t left;
    std::size_t first;   // smallest suffix so far
  };
  std::vector<Open> stack{{0, 0, sa[0]}};
  for (std::size_t r = 1; r <= n; ++r) {
    const std::size_t here = r < n ? lcp[r] : 0;
    std::size_t left = r - 1;
    std::size_t inner = std::numeric_limits<std::size_t>::max();  // smallest suffix of a closed child
    while (here < stack.back().shared) {
      const Open closed = stack.back();
      stack.pop_back();
      const std::size_t parent = std::max(here, stack.back().shared);
      add(parent + 1, closed.shared, closed.first, r - closed.left);
      left = closed.left;
      inner = closed.first;
      if (here <= stack.back().shared) {
        stack.back().first = std::min(stack.back().first, inner);
        inner = std::numeric_limits<std::size_t>::max();
      }
    }
    if (here > stack.back().shared) {
      stack.push_back({here, left, std::min<std::size_t>(inner, sa[r - 1])});
    }
    if (r < n) stack.back().first = std::min<std::size_t>(stack.back().first, sa[r]);
  }

  // Distinct n-grams of every length: the groups alive at that length.
  std::vector<std::int64_t> change(n + 2, 0);
  for (const Group& g : groups_) {
    ++change[g.first];
    --change[g.last + 1];
  }
  std::int64_t alive = 0;
  for (std::size_t i = 1; i <= n; ++i) {
    alive += change[i];
    distinct_[i] = static_cast<std::uint32_t>(alive);
  }
}

void NGramProfile::sweep(std::size_t upTo) {
  const std::size_t n = length_;
  // Groups by the length at which they begin and after which they end.
  std::vector<std::uint32_t> beginAt(n + 3, 0);
  std::vector<std::uint32_t> endAt(n + 3, 0);
  for (const Group& g : groups_) {
    ++beginAt[g.first + 1];
    ++endAt[g.last + 2];
  }
  for (std::size_t i = 1; i < beginAt.size(); ++i) {
    beginAt[i] += beginAt[i - 1];
    endAt[i] += endAt[i - 1];
  }
  std::vector<std::uint32_t> begins(groups_.size());
  std::vector<std::uint32_t> ends(groups_.size());
  {
    std::vector<std::uint32_t> b(beginAt.begin(), beginAt.end());
    std::vector<std::uint32_t> e(endAt.begin(), endAt.end());
    for (std::size_t k = 0; k < groups_.size(); ++k) {
      begins[b[groups_[k].first]++] = static_cast<std::uint32_t>(k);
      ends[e[groups_[k].last + 1]++] = static_cast<std::uint32_t>(k);
    }
  }

  // The first occurrences of the n-grams of the current length, and apart
  // those found more than once (the only ones that move the Zipf sums).
  PositionSet active(n);
  PositionSet repeated(n);
  std::vector<std::uint32_t> count(n, 0);
  std::vector<double> termOf;        // entropy term of a small count, for this length
  std::vector<std::size_t> counts;   // counts above 1, for Zipf
  std::vector<double> countLogs;     // ln(count), by count
  for (std::size_t i = 1; i <= upTo; ++i) {
    for (std::size_t k = endAt[i]; k < endAt[i + 1]; ++k) {
      const Group& g = groups_[ends[k]];
      count[g.position] = 0;
      active.erase(g.position);
      if (g.count > 1) repeated.erase(g.position);
    }
    for (std::size_t k = beginAt[i]; k < beginAt[i + 1]; ++k) {
      const Group& g = groups_[begins[k]];
      count[g.position] = g.count;
      active.insert(g.position);
      if (g.count > 1) repeated.insert(g.position);
    }
    const std::size_t f = distinct_[i];

    // As normalizedEntropyOfCounts: the counts in order of first occurrence.
    double entropy = 0.0;
    if (f >= 2) {
      const double total = static_cast<double>(n - i + 1);
      // p log2 p <= 0, so +1 marks a term not computed yet.
      constexpr double kUnknown = 1.0;
      const std::size_t small = std::min<std::size_t>(n - i + 2, 64);
      termOf.assign(small, kUnknown);
      active.forEach([&](std::size_t p) {
        const std::uint32_t c = count[p];
        if (c < small && termOf[c] != kUnknown) {
          entropy -= termOf[c];
          return;
        }
        const double share = static_cast<double>(c) / total;
        const double t = share * std::log2(share);
        if (c < small) termOf[c] = t;
        entropy -= t;
      });
      entropy /= std::log2(static_cast<double>(f));
    }
    entropy_[i] = entropy;

    // As zipfComplexity: the counts in descending order; a count of 1 adds
    // ln 1 = 0 to the sums of y and x y, so only the repeated ones matter.
    counts.clear();
    repeated.forEach([&](std::size_t p) { counts.push_back(count[p]); });
    std::sort(counts.begin(), counts.end(), std::greater<>());
    while (rankLogs_.size() <= f) {
      const std::size_t r = rankLogs_.size();  // sums over ranks 1 .. r
      if (r == 0) {
        rankLogs_.push_back(0.0);
        rankLogSquares_.push_back(0.0);
        rankLog_.push_back(0.0);
        continue;
      }
      const double x = std::log(static_cast<double>(r));
      rankLog_.push_back(x);
      rankLogs_.push_back(rankLogs_.back() + x);
      rankLogSquares_.push_back(rankLogSquares_.back() + x * x);
    }
    const double k = static_cast<double>(f);
    const double sx = rankLogs_[f];
    const double sxx = rankLogSquares_[f];
    double sy = 0.0;
    double sxy = 0.0;
    for (std::size_t r = 0; r < counts.size(); ++r) {
      const std::size_t c = counts[r];
      while (countLogs.size() <= std::min<std::size_t>(c, 4096)) {
        countLogs.push_back(std::log(static_cast<double>(countLogs.size())));
      }
      const double y = c < countLogs.size() ? countLogs[c] : std::log(static_cast<double>(c));
      sy += y;
      sxy += rankLog_[r + 1] * y;
    }
    const double denominator = k * sxx - sx * sx;
    zipf_[i] = (f == 0 || denominator == 0.0) ? 0.0 : std::exp2((k * sxy - sx * sy) / denominator);
  }
}

double NGramProfile::term(std::size_t i, NGramTerm kind) {
  const std::size_t f = distinct_[i];
  if (kind == NGramTerm::DistinctShare) {
    return static_cast<double>(f - 1) / static_cast<double>(length_ - i);
  }
  std::vector<double>& terms = kind == NGramTerm::Entropy ? entropy_ : zipf_;
  if (std::isnan(terms[i])) {
    // One sweep serves every length up to where the dynamic variant stops
    // (and at least up to i).
    std::size_t stop = 1;
    while (stop < length_ && distinct_[stop] > 1 && distinct_[stop] != length_ - stop + 1) {
      ++stop;
    }
    sweep(std::max(i, stop));
  }
  return terms[i];
}

double NGramProfile::complexity(std::uint32_t maxLength, NGramTerm kind, bool weighted) {
  const std::size_t c = length_;
  const bool dynamic = maxLength == 0;
  const std::size_t d = !dynamic && c >= maxLength ? maxLength : c;
  if (kind == NGramTerm::Zipf && !dynamic) return d == 0 ? 0.0 : term(d, kind);

  double sum = 0.0;
  double weights = 0.0;
  for (std::size_t i = 1; i <= d; ++i) {
    const std::size_t distinct = distinct_[i];
    if (distinct == 1) break;
    const double g = term(i, kind);
    const double w = weighted ? 1.0 / static_cast<double>(i) : 1.0;
    sum += g * w;
    weights += w;
    if (dynamic && distinct == c - i + 1) break;  // every n-gram distinct
  }
  return weights > 0.0 ? sum / weights : 0.0;
}

}  // namespace suite::analysis
