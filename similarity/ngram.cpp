#include "similarity/ngram.h"

#include <algorithm>
#include <bit>

#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

// Values that compare equal share a key: -0.0 is folded onto 0.0.
std::uint64_t keyOf(double v) { return std::bit_cast<std::uint64_t>(v == 0.0 ? 0.0 : v); }
std::uint64_t keyOf(int v) { return std::uint64_t(std::int64_t(v)); }

template <class T>
std::uint64_t hashOf(const T* gram, std::size_t n) {
  std::uint64_t h = 0;
  for (std::size_t k = 0; k < n; ++k) {
    h = (std::rotl(h, 29) ^ keyOf(gram[k])) * 0x9E3779B97F4A7C15ull;
  }
  return h;
}

template <class T>
NGramCounts countNGramsOf(std::span<const T> s, std::span<const T> l, std::size_t n,
                          NGramWorkspace& workspace) {
  NGramCounts counts;
  if (n == 0 || s.size() < n || l.size() < n) return counts;
  counts.totalS = s.size() - n + 1;
  counts.totalL = l.size() - n + 1;

  // Hash table of the distinct n-grams (open addressing, at most half full);
  // each slot keeps its first occurrence and the counts in S and in L. Slots
  // are matched with ==, so an n-gram holding a NaN equals none, not even
  // itself, and each of its occurrences takes a slot of its own.
  const std::size_t grams = counts.totalS + counts.totalL;
  const int tableBits = std::max(4, int(std::bit_width(2 * grams - 1)));
  const std::size_t mask = (std::size_t{1} << tableBits) - 1;
  std::vector<NGramSlot>& slots = workspace.slots;
  slots.assign(mask + 1, NGramSlot{});
  auto gramAt = [&](std::size_t start) {
    return start < counts.totalS ? s.data() + start : l.data() + (start - counts.totalS);
  };
  auto slotFor = [&](const T* gram) -> NGramSlot& {
    std::size_t i = std::size_t(hashOf(gram, n) >> (64 - tableBits));
    while (slots[i].countS + slots[i].countL != 0 &&
           !std::equal(gram, gram + n, gramAt(slots[i].start))) {
      i = (i + 1) & mask;
    }
    return slots[i];
  };

  for (std::size_t start = 0; start < grams; ++start) {
    NGramSlot& slot = slotFor(gramAt(start));
    if (slot.countS + slot.countL == 0) slot.start = start;
    ++(start < counts.totalS ? slot.countS : slot.countL);
  }

  for (const NGramSlot& slot : slots) {
    if (slot.countS > 0) ++counts.distinctS;
    if (slot.countL > 0) ++counts.distinctL;
    if (slot.countS > 0 && slot.countL > 0) {
      ++counts.common;
      counts.sumCommon += slot.countS + slot.countL;
    }
    counts.difference +=
        slot.countS > slot.countL ? slot.countS - slot.countL : slot.countL - slot.countS;
  }
  return counts;
}

template <class T>
double nGramSimilarityOf(std::span<const T> s, std::span<const T> l, std::uint32_t flags, int n,
                         NGramWorkspace& workspace) {
  const bool sumCommon = hasFlag(flags, SumCommon);
  const bool countDistinct = hasFlag(flags, CountDistinct);
  const bool ukkonen = hasFlag(flags, Ukkonen);
  if (!sumCommon && !countDistinct && !ukkonen) return 0.0;

  const std::size_t length = std::size_t(std::max(n, 1));
  if (s.size() <= length || l.size() <= length) {
    return std::equal(s.begin(), s.end(), l.begin(), l.end()) ? 1.0 : 0.0;
  }

  const NGramCounts c = countNGramsOf(s, l, length, workspace);
  const double total = double(c.totalS + c.totalL);
  if (sumCommon) return double(c.sumCommon) / total;
  if (countDistinct) return double(c.common) / double(std::max(c.distinctS, c.distinctL));
  return 1.0 - double(c.difference) / total;
}

}  // namespace

NGramCounts countNGrams(std::span<const double> s, std::span<const double> l, std::size_t n,
                        NGramWorkspace& workspace) {
  return countNGramsOf(s, l, n, workspace);
}

NGramCounts countNGrams(std::span<const int> s, std::span<const int> l, std::size_t n,
                        NGramWorkspace& workspace) {
  return countNGramsOf(s, l, n, workspace);
}

double nGramSimilarity(std::span<const double> s, std::span<const double> l, std::uint32_t flags,
                       int n, NGramWorkspace& workspace) {
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags, int n,
                       NGramWorkspace& workspace) {
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const double> s, std::span<const double> l, std::uint32_t flags,
                       int n) {
  NGramWorkspace workspace;
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags, int n) {
  NGramWorkspace workspace;
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

}  // namespace suite::similarity
