#include "analysis/ngram_complexity.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>

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
