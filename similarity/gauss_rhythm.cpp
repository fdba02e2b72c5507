#include "similarity/gauss_rhythm.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <new>

// The index rounding and the accumulated grid below are exact only when
// products and sums are rounded one at a time.
#if defined(__clang__)
#pragma STDC FP_CONTRACT OFF
#endif

namespace suite::similarity {
namespace {

// The table's g values are accumulated: g_0 = -3.71, g_{k+1} = g_k + 1e-6,
// each sum rounded. As long as g stays within one binade the rounded step is
// the same, so the walk splits into a few runs in each of which
// g_k = start + (k - first) * step holds exactly (the product is a multiple
// of the run's grid spacing below 2^53 of them, so it is exact too). These
// are the runs of the walk, in order; the unit test replays the whole walk
// and checks every g_k against them.
struct AccumulatedRun {
  std::size_t first;  // index of the run's first entry
  double start;       // g at that entry
  double step;        // the rounded step within the run
};

constexpr std::array<AccumulatedRun, 31> kAccumulatedRuns = {{
    {0, -0x1.dae147ae147aep+1, 0x1.0c6f7a0c00000p-20},
    {1710000, -0x1.fffffffef931dp+0, 0x1.0c6f7a0b00000p-20},
    {2710000, -0x1.fffffffea74b9p-1, 0x1.0c6f7a0b80000p-20},
    {3210000, -0x1.fffffffd0f5b3p-2, 0x1.0c6f7a0b40000p-20},
    {3460000, -0x1.fffffffa598c5p-3, 0x1.0c6f7a0b60000p-20},
    {3694375, -0x1.ffffffa577c81p-7, 0x1.0c6f7a0b5e000p-20},
    {3702188, -0x1.fff79bcf20d2bp-8, 0x1.0c6f7a0b5f000p-20},
    {3708047, -0x1.fff799aff37b9p-10, 0x1.0c6f7a0b5ec00p-20},
    {3709024, -0x1.ffb47afd34a9bp-11, 0x1.0c6f7a0b5ee00p-20},
    {3709756, -0x1.ffb46a03cc15dp-13, 0x1.0c6f7a0b5ed80p-20},
    {3709970, -0x1.f7504fc64c257p-16, 0x1.0c6f7a0b5ed90p-20},
    {3709993, -0x1.d5c04157cf361p-18, 0x1.0c6f7a0b5ed8cp-20},
    {3709999, -0x1.0c64291b03c3bp-20, 0x1.0c6f7a0b5ed8dp-20},
    {3710005, 0x1.4f8e2cca4d544p-18, 0x1.0c6f7a0b5ed8cp-20},
    {3710008, 0x1.0c70e4296a3b7p-17, 0x1.0c6f7a0b5ed90p-20},
    {3710016, 0x1.0c702f1a648a3p-16, 0x1.0c6f7a0b5ed90p-20},
    {3710032, 0x1.0c6fd492e1b19p-15, 0x1.0c6f7a0b5ed80p-20},
    {3710062, 0x1.040c2b7ec54e1p-14, 0x1.0c6f7a0b5ed80p-20},
    {3710124, 0x1.040c14dce497bp-13, 0x1.0c6f7a0b5ed80p-20},
    {3710246, 0x1.01f32a97dd7edp-12, 0x1.0c6f7a0b5ee00p-20},
    {3710489, 0x1.00607db85446bp-11, 0x1.0c6f7a0b5ee00p-20},
    {3710977, 0x1.001d5f05955a1p-10, 0x1.0c6f7a0b5ec00p-20},
    {3711956, 0x1.00607979fa182p-9, 0x1.0c6f7a0b5f000p-20},
    {3717814, 0x1.000c95944024fp-7, 0x1.0c6f7a0b5e000p-20},
    {3725627, 0x1.000863a913c1ep-6, 0x1.0c6f7a0b60000p-20},
    {3772500, 0x1.0000000b51acdp-4, 0x1.0c6f7a0b60000p-20},
    {3835001, 0x1.0000863d6668dp-3, 0x1.0c6f7a0b60000p-20},
    {3960002, 0x1.0000863a9243fp-2, 0x1.0c6f7a0b40000p-20},
    {4210000, 0x1.000000015be9bp-1, 0x1.0c6f7a0b80000p-20},
    {4710000, 0x1.00000000bdc3dp+0, 0x1.0c6f7a0b00000p-20},
    {5710000, 0x1.0000000031a7fp+1, 0x1.0c6f7a0c00000p-20},
}};

static_assert(kAccumulatedRuns.front().first == 0);
static_assert(kAccumulatedRuns.front().start == -GaussTable::kLimit);
static_assert(std::is_sorted(kAccumulatedRuns.begin(), kAccumulatedRuns.end(),
                             [](const AccumulatedRun& a, const AccumulatedRun& b) {
                               return a.first < b.first;
                             }));
static_assert(kAccumulatedRuns.back().first < GaussTable::kSize);

// The value of one table entry for its accumulated g.
inline double entryValue(double g) {
  return std::fabs(g) >= GaussTable::kLimit ? 0.0 : std::exp(-(g * g));
}

// True when the values are finite and ascending, as onsets normally are.
bool ascendingFinite(std::span<const double> v) {
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (!std::isfinite(v[i]) || (i > 0 && !(v[i - 1] <= v[i]))) return false;
  }
  return true;
}

// S_xy / sqrt(S_xx * S_yy) with the kernel G; width already checked.
//
// G is 0 outside (-3.71, 3.71), and most note pairs lie that far apart. For
// ascending windows the argument (x_i - y_j - s) * e falls as j grows and
// rises as i grows (rounding is monotonic), so the pairs inside the cut-off
// form a band that two indices can follow. Only pairs whose kernel is exactly
// 0 are skipped, and the remaining terms are added in the same order as in
// the full double loop, so both ways give the same bits.
template <class Kernel>
double gaussSum(std::span<const double> x, std::span<const double> y, double width, double shift,
                Kernel kernel) {
  constexpr double kLimit = GaussTable::kLimit;
  const double e = 1.0 / (2.0 * width);
  const bool banded =
      std::isfinite(e) && std::isfinite(shift) && ascendingFinite(x) && ascendingFinite(y);
  auto selfSum = [&](std::span<const double> v) {
    double sum = 0.0;
    for (std::size_t i = 0; i < v.size(); ++i) {
      for (std::size_t j = i + 1; j < v.size(); ++j) {
        const double g = (v[i] - v[j]) * e;
        if (banded && !(g > -kLimit)) break;
        sum += kernel(g);
      }
    }
    return static_cast<double>(v.size()) + 2.0 * sum;
  };
  const double sxx = selfSum(x);
  const double syy = selfSum(y);
  if (sxx == 0.0 || syy == 0.0) return 0.0;
  double sxy = 0.0;
  std::size_t first = 0;  // banded: y_j below this index lie too far before x_i
  for (const double xi : x) {
    if (banded) {
      while (first < y.size() && !((xi - y[first] - shift) * e < kLimit)) ++first;
    }
    for (std::size_t j = first; j < y.size(); ++j) {
      const double g = (xi - y[j] - shift) * e;
      if (banded && !(g > -kLimit)) break;
      sxy += kernel(g);
    }
  }
  return sxy / std::sqrt(sxx * syy);
}

}  // namespace

std::ptrdiff_t gaussTableIndex(double g) {
  // The negated test also sends NaN outside.
  if (!(g > -GaussTable::kLimit && g < GaussTable::kLimit)) return -1;
  const double k = std::floor((g + GaussTable::kLimit) * 1e6 + 0.5);
  if (!(k >= 0.0 && k < static_cast<double>(GaussTable::kSize))) return -1;
  return static_cast<std::ptrdiff_t>(k);
}

double gaussTableArgument(std::size_t k) {
  const auto next = std::upper_bound(
      kAccumulatedRuns.begin(), kAccumulatedRuns.end(), k,
      [](std::size_t index, const AccumulatedRun& run) { return index < run.first; });
  const AccumulatedRun& run = *(next - 1);
  return run.start + static_cast<double>(k - run.first) * run.step;
}

double gaussTableEntryDirect(std::size_t k) {
  return k < GaussTable::kSize ? entryValue(gaussTableArgument(k)) : 0.0;
}

double gaussKernelDirect(double g) {
  const std::ptrdiff_t k = gaussTableIndex(g);
  return k < 0 ? 0.0 : gaussTableEntryDirect(static_cast<std::size_t>(k));
}

double GaussTable::kernel(double g) const {
  if (!values_) return gaussKernelDirect(g);
  const std::ptrdiff_t k = gaussTableIndex(g);
  return k < 0 ? 0.0 : values_[static_cast<std::size_t>(k)];
}

bool buildGaussTable(GaussTable& table, std::ostream& err) {
  table.values_.reset(new (std::nothrow) double[GaussTable::kSize]);
  if (!table.values_) return false;
  err << "Init Gauss function lookup table...\n";
  double* values = table.values_.get();
  double g = -GaussTable::kLimit;
  for (std::size_t k = 0; k < GaussTable::kSize; ++k) {
    values[k] = entryValue(g);
    g += GaussTable::kStep;
  }
  err << "Done.\n";
  return true;
}

double gaussSimilarity(std::span<const double> x, std::span<const double> y, double width,
                       double shift, const GaussTable* table) {
  if (!(width > 0.0)) return -1.0;
  if (table != nullptr && table->hasTable()) {
    const std::span<const double> values = table->entries();
    return gaussSum(x, y, width, shift, [values](double g) {
      const std::ptrdiff_t k = gaussTableIndex(g);
      return k < 0 ? 0.0 : values[static_cast<std::size_t>(k)];
    });
  }
  return gaussSum(x, y, width, shift, gaussKernelDirect);
}

}  // namespace suite::similarity
