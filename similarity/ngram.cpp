#include "similarity/ngram.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <type_traits>

#include "similarity/type_flags.h"

namespace suite::similarity {
namespace {

// Orders n-grams by content. Equal values (==) are equivalent, so -0.0 and
// 0.0 fall together; NaN sorts after every number and is equivalent to NaN,
// which keeps the order a strict weak ordering. N-grams holding a NaN are
// told apart later, since no such n-gram equals any other.
template <class T>
int compareGrams(const T* a, const T* b, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    if constexpr (std::is_floating_point_v<T>) {
      const bool nanA = std::isnan(a[k]);
      const bool nanB = std::isnan(b[k]);
      if (nanA || nanB) {
        if (nanA != nanB) return nanA ? 1 : -1;
        continue;
      }
    }
    if (a[k] < b[k]) return -1;
    if (b[k] < a[k]) return 1;
  }
  return 0;
}

template <class T>
bool hasNaN(const T* a, std::size_t n) {
  if constexpr (std::is_floating_point_v<T>) {
    return std::any_of(a, a + n, [](T v) { return std::isnan(v); });
  } else {
    (void)a;
    (void)n;
    return false;
  }
}

// Fills starts with 0 .. |v| - n, sorted by n-gram content.
template <class T>
void sortStarts(std::span<const T> v, std::size_t n, std::vector<std::size_t>& starts) {
  starts.resize(v.size() - n + 1);
  std::iota(starts.begin(), starts.end(), std::size_t{0});
  const T* data = v.data();
  std::sort(starts.begin(), starts.end(), [data, n](std::size_t i, std::size_t j) {
    return compareGrams(data + i, data + j, n) < 0;
  });
}

// End of the run of equivalent n-grams that begins at position from.
template <class T>
std::size_t groupEnd(const T* data, const std::vector<std::size_t>& starts, std::size_t from,
                     std::size_t n) {
  std::size_t end = from + 1;
  while (end < starts.size() && compareGrams(data + starts[from], data + starts[end], n) == 0) {
    ++end;
  }
  return end;
}

template <class T>
NGramCounts countNGramsOf(std::span<const T> s, std::span<const T> l, std::size_t n,
                          NGramWorkspace& workspace) {
  NGramCounts counts;
  if (n == 0 || s.size() < n || l.size() < n) return counts;
  std::vector<std::size_t>& startsS = workspace.startsS;
  std::vector<std::size_t>& startsL = workspace.startsL;
  sortStarts(s, n, startsS);
  sortStarts(l, n, startsL);
  counts.totalS = startsS.size();
  counts.totalL = startsL.size();

  // Merge the two sorted lists group by group; a group is one distinct
  // n-gram with its number of occurrences.
  const T* dataS = s.data();
  const T* dataL = l.data();
  // A group found in one sequence only adds to its distinct count and to the
  // difference; each occurrence of an n-gram holding a NaN is a distinct
  // n-gram of its own, equal to no other.
  auto unmatched = [n, &counts](const T* data, const std::vector<std::size_t>& starts,
                                std::size_t from, std::size_t& distinct) {
    const std::size_t end = groupEnd(data, starts, from, n);
    distinct += hasNaN(data + starts[from], n) ? end - from : 1;
    counts.difference += end - from;
    return end;
  };
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < startsS.size() || j < startsL.size()) {
    int order;
    if (i == startsS.size()) {
      order = 1;
    } else if (j == startsL.size()) {
      order = -1;
    } else {
      order = compareGrams(dataS + startsS[i], dataL + startsL[j], n);
    }
    if (order < 0) {
      i = unmatched(dataS, startsS, i, counts.distinctS);
    } else if (order > 0) {
      j = unmatched(dataL, startsL, j, counts.distinctL);
    } else if (hasNaN(dataS + startsS[i], n)) {
      i = unmatched(dataS, startsS, i, counts.distinctS);
      j = unmatched(dataL, startsL, j, counts.distinctL);
    } else {
      const std::size_t endS = groupEnd(dataS, startsS, i, n);
      const std::size_t endL = groupEnd(dataL, startsL, j, n);
      const std::size_t countS = endS - i;
      const std::size_t countL = endL - j;
      counts.distinctS += 1;
      counts.distinctL += 1;
      counts.common += 1;
      counts.sumCommon += countS + countL;
      counts.difference += countS > countL ? countS - countL : countL - countS;
      i = endS;
      j = endL;
    }
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

double nGramSimilarity(std::span<const double> s, std::span<const double> l,
                       std::uint32_t flags, int n, NGramWorkspace& workspace) {
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags,
                       int n, NGramWorkspace& workspace) {
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const double> s, std::span<const double> l,
                       std::uint32_t flags, int n) {
  NGramWorkspace workspace;
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

double nGramSimilarity(std::span<const int> s, std::span<const int> l, std::uint32_t flags,
                       int n) {
  NGramWorkspace workspace;
  return nGramSimilarityOf(s, l, flags, n, workspace);
}

}  // namespace suite::similarity
