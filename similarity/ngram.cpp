#include "similarity/ngram.h"

#include <algorithm>
#include <bit>
#include <cmath>

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

// The value of the method bit of the flags from the counts.
double methodValue(const NGramCounts& c, std::uint32_t flags) {
  const double total = double(c.totalS + c.totalL);
  if (hasFlag(flags, SumCommon)) return double(c.sumCommon) / total;
  if (hasFlag(flags, CountDistinct)) {
    return double(c.common) / double(std::max(c.distinctS, c.distinctL));
  }
  return 1.0 - double(c.difference) / total;
}

bool hasMethod(std::uint32_t flags) {
  return hasFlag(flags, SumCommon) || hasFlag(flags, CountDistinct) || hasFlag(flags, Ukkonen);
}

template <class T>
double nGramSimilarityOf(std::span<const T> s, std::span<const T> l, std::uint32_t flags, int n,
                         NGramWorkspace& workspace) {
  if (!hasMethod(flags)) return 0.0;
  const std::size_t length = std::size_t(std::max(n, 1));
  if (s.size() <= length || l.size() <= length) {
    return std::equal(s.begin(), s.end(), l.begin(), l.end()) ? 1.0 : 0.0;
  }
  return methodValue(countNGramsOf(s, l, length, workspace), flags);
}

// Packs the values of one n-gram (n <= 4) as 16-bit integers; false when a
// value is no such integer.
template <class T>
bool packGram(const T* gram, std::size_t n, std::uint64_t& key) {
  key = 0;
  for (std::size_t k = 0; k < n; ++k) {
    const double v = static_cast<double>(gram[k]);
    if (!(v >= -32768.0 && v <= 32767.0) || v != std::floor(v)) return false;
    const auto bits = static_cast<std::uint16_t>(static_cast<std::int16_t>(v));
    key |= std::uint64_t{bits} << (16 * k);
  }
  return true;
}

template <class T>
NGramProfile profileOf(std::span<const T> values, std::size_t n) {
  NGramProfile profile;
  profile.n = n;
  profile.packed = n >= 1 && n <= 4;
  if (!profile.packed || values.size() < n) return profile;
  std::vector<std::uint64_t> keys(values.size() - n + 1);
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (!packGram(values.data() + i, n, keys[i])) {
      profile.packed = false;
      return profile;
    }
  }
  std::sort(keys.begin(), keys.end());
  for (std::size_t i = 0; i < keys.size(); ++i) {
    if (i == 0 || keys[i] != keys[i - 1]) {
      profile.keys.push_back(keys[i]);
      profile.counts.push_back(0);
    }
    ++profile.counts.back();
  }
  return profile;
}

// The counts of two packed profiles by merging their sorted keys.
NGramCounts mergeProfiles(const NGramProfile& s, const NGramProfile& l, std::size_t totalS,
                          std::size_t totalL) {
  NGramCounts c;
  c.totalS = totalS;
  c.totalL = totalL;
  c.distinctS = s.keys.size();
  c.distinctL = l.keys.size();
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < s.keys.size() || j < l.keys.size()) {
    if (j == l.keys.size() || (i < s.keys.size() && s.keys[i] < l.keys[j])) {
      c.difference += s.counts[i++];
    } else if (i == s.keys.size() || l.keys[j] < s.keys[i]) {
      c.difference += l.counts[j++];
    } else {
      ++c.common;
      c.sumCommon += std::size_t{s.counts[i]} + l.counts[j];
      c.difference += s.counts[i] > l.counts[j] ? s.counts[i] - l.counts[j]
                                                : l.counts[j] - s.counts[i];
      ++i;
      ++j;
    }
  }
  return c;
}

template <class T>
double preparedSimilarity(std::span<const T> s, const NGramProfile& ps, std::span<const T> l,
                          const NGramProfile& pl, std::uint32_t flags, int n,
                          NGramWorkspace& workspace) {
  if (!hasMethod(flags)) return 0.0;
  const std::size_t length = std::size_t(std::max(n, 1));
  if (s.size() <= length || l.size() <= length) {
    return std::equal(s.begin(), s.end(), l.begin(), l.end()) ? 1.0 : 0.0;
  }
  if (!ps.packed || !pl.packed || ps.n != length || pl.n != length) {
    return methodValue(countNGramsOf(s, l, length, workspace), flags);
  }
  return methodValue(mergeProfiles(ps, pl, s.size() - length + 1, l.size() - length + 1), flags);
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

NGramProfile nGramProfile(std::span<const double> values, std::size_t n) {
  return profileOf(values, n);
}

NGramProfile nGramProfile(std::span<const int> values, std::size_t n) {
  return profileOf(values, n);
}

double nGramSimilarity(std::span<const double> s, const NGramProfile& profileS,
                       std::span<const double> l, const NGramProfile& profileL,
                       std::uint32_t flags, int n, NGramWorkspace& workspace) {
  return preparedSimilarity(s, profileS, l, profileL, flags, n, workspace);
}

double nGramSimilarity(std::span<const int> s, const NGramProfile& profileS,
                       std::span<const int> l, const NGramProfile& profileL, std::uint32_t flags,
                       int n, NGramWorkspace& workspace) {
  return preparedSimilarity(s, profileS, l, profileL, flags, n, workspace);
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
