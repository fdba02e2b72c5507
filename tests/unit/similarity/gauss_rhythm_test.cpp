// The Gauss lookup table, the kernel (table and direct) and the Gauss
// similarity of onset windows.
#include "similarity/gauss_rhythm.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "core/melody_reader.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

// The 59 MB table is built once per test executable.
struct SharedTable {
  GaussTable table;
  std::string messages;
  bool built = false;
};

const SharedTable& sharedTable() {
  static const SharedTable shared = [] {
    SharedTable s;
    std::ostringstream err;
    s.built = buildGaussTable(s.table, err);
    s.messages = err.str();
    return s;
  }();
  return shared;
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

TEST(GaussTableTest, BuildWritesItsTwoMessagesAndFillsEveryEntry) {
  const SharedTable& s = sharedTable();
  ASSERT_TRUE(s.built);
  EXPECT_EQ(s.messages, "Init Gauss function lookup table...\nDone.\n");
  ASSERT_TRUE(s.table.hasTable());
  EXPECT_EQ(s.table.entries().size(), 7'420'001u);
}

TEST(GaussTableTest, UnbuiltTableHasNoEntries) {
  const GaussTable table;
  EXPECT_FALSE(table.hasTable());
  EXPECT_TRUE(table.entries().empty());
}

TEST(GaussTableTest, EntriesFollowTheGridWithZeroAtBothEnds) {
  const std::span<const double> entries = sharedTable().table.entries();
  ASSERT_EQ(entries.size(), GaussTable::kSize);
  // g = -3.71 exactly, and the accumulated walk ends just above 3.71.
  EXPECT_EQ(entries.front(), 0.0);
  EXPECT_EQ(entries.back(), 0.0);
  // Elsewhere exp(-g^2) for g = -3.71 + k * 1e-6, up to the drift of the
  // accumulated g (below 1e-9 in g).
  for (const std::size_t k : {std::size_t{1}, std::size_t{1000}, std::size_t{1'710'000},
                              std::size_t{2'710'000}, std::size_t{3'000'000},
                              std::size_t{3'709'999}, std::size_t{3'710'000},
                              std::size_t{3'710'001}, std::size_t{5'000'000},
                              std::size_t{7'419'999}}) {
    SCOPED_TRACE(k);
    const double g = -3.71 + static_cast<double>(k) * 1e-6;
    EXPECT_NEAR(entries[k], std::exp(-g * g), 2e-9);
    EXPECT_GT(entries[k], 0.0);
  }
  EXPECT_EQ(entries[3'710'000], 1.0);  // g within 1e-9 of 0
}

TEST(GaussTableTest, ArgumentReproducesTheAccumulatedWalk) {
  std::size_t mismatches = 0;
  std::size_t first = 0;
  double g = -3.71;
  for (std::size_t k = 0; k < GaussTable::kSize; ++k, g += 1e-6) {
    if (gaussTableArgument(k) != g && mismatches++ == 0) first = k;
  }
  EXPECT_EQ(mismatches, 0u) << "first at index " << first;
  EXPECT_GE(gaussTableArgument(GaussTable::kSize - 1), 3.71);
}

TEST(GaussTableTest, DirectEntryEqualsTheTableEntryEverywhere) {
  const std::span<const double> entries = sharedTable().table.entries();
  ASSERT_EQ(entries.size(), GaussTable::kSize);
  std::size_t mismatches = 0;
  std::size_t first = 0;
  for (std::size_t k = 0; k < entries.size(); ++k) {
    if (gaussTableEntryDirect(k) != entries[k]) {
      if (mismatches++ == 0) first = k;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "first at index " << first;
  EXPECT_EQ(gaussTableEntryDirect(GaussTable::kSize), 0.0);
}

TEST(GaussKernelTest, TableIndexRoundsToTheNearestMicroStep) {
  struct Case {
    double g;
    std::ptrdiff_t index;
  };
  const Case cases[] = {
      {-3.71, -1},
      {3.71, -1},
      {std::nextafter(-3.71, 0.0), 0},
      {-3.7099996, 0},
      {-3.7099994, 1},
      {0.0, 3'710'000},
      {-0.0, 3'710'000},
      {0.4e-6, 3'710'000},
      {0.6e-6, 3'710'001},
      {-0.6e-6, 3'709'999},
      {1.0, 4'710'000},
      {std::nextafter(3.71, 0.0), 7'420'000},
      {4.0, -1},
      {-100.0, -1},
      {kNaN, -1},
      {kInf, -1},
      {-kInf, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.g);
    EXPECT_EQ(gaussTableIndex(c.g), c.index);
  }
}

TEST(GaussKernelTest, ValuesAndCutOff) {
  const GaussTable& table = sharedTable().table;
  for (const GaussTable* t : {&table, static_cast<const GaussTable*>(nullptr)}) {
    SCOPED_TRACE(t ? "table" : "direct");
    auto kernel = [t](double g) { return t ? t->kernel(g) : gaussKernelDirect(g); };
    EXPECT_EQ(kernel(0.0), 1.0);
    EXPECT_NEAR(kernel(1.0), std::exp(-1.0), 1e-9);
    EXPECT_NEAR(kernel(-0.5), std::exp(-0.25), 1e-9);
    EXPECT_NEAR(kernel(3.7), std::exp(-3.7 * 3.7), 1e-12);
    EXPECT_GT(kernel(3.7099), 0.0);
    EXPECT_GT(kernel(-3.7099), 0.0);
    EXPECT_EQ(kernel(3.71), 0.0);
    EXPECT_EQ(kernel(-3.71), 0.0);
    EXPECT_EQ(kernel(5.0), 0.0);
    EXPECT_EQ(kernel(kNaN), 0.0);
    EXPECT_EQ(kernel(kInf), 0.0);
  }
}

// The kernel through the table and computed directly must agree bit for bit:
// a dense sweep over the whole range, plus the cut-off and the points where
// the rounding to 1e-6 changes its index (and their neighbours).
TEST(GaussKernelTest, TableAndDirectKernelAgreeOnADenseSweep) {
  const GaussTable& table = sharedTable().table;
  ASSERT_TRUE(table.hasTable());
  const GaussTable unbuilt;
  std::vector<double> gs;
  const double lo = -3.72;
  const double hi = 3.72;
  const std::size_t steps = 1'000'003;
  for (std::size_t i = 0; i <= steps; ++i) {
    gs.push_back(lo + (hi - lo) * static_cast<double>(i) / static_cast<double>(steps));
  }
  for (const double edge : {-3.71, 3.71}) {
    double g = edge;
    for (int i = 0; i < 20; ++i) g = std::nextafter(g, 0.0);
    for (int i = 0; i < 40; ++i, g = std::nextafter(g, edge < 0 ? 10.0 : -10.0)) gs.push_back(g);
  }
  for (std::size_t k = 0; k < GaussTable::kSize; k += 997) {
    const double mid = -3.71 + (static_cast<double>(k) + 0.5) * 1e-6;
    gs.push_back(mid);
    gs.push_back(std::nextafter(mid, -10.0));
    gs.push_back(std::nextafter(mid, 10.0));
  }
  std::size_t mismatches = 0;
  double first = 0.0;
  for (const double g : gs) {
    const double viaTable = table.kernel(g);
    const std::ptrdiff_t k = gaussTableIndex(g);
    const double entry = k < 0 ? 0.0 : table.entries()[static_cast<std::size_t>(k)];
    if (viaTable != gaussKernelDirect(g) || viaTable != unbuilt.kernel(g) || viaTable != entry) {
      if (mismatches++ == 0) first = g;
    }
  }
  EXPECT_EQ(mismatches, 0u) << "first at g = " << first;
}

TEST(GaussSimilarityTest, HandComputedValues) {
  // Width 0.03: g = difference / 0.06. Expected values from exp(-g^2).
  struct Case {
    std::vector<double> x;
    std::vector<double> y;
    double shift;
    double expected;
  };
  const double e1 = std::exp(-1.0);
  const double e25 = std::exp(-0.25);
  const Case cases[] = {
      // One onset each, 0.03 apart: G(-0.5).
      {{0.0}, {0.03}, 0.0, e25},
      // 2 G(0.5) / sqrt((2 + 2 G(1)) * 1).
      {{0.0, 0.06}, {0.03}, 0.0, 2.0 * e25 / std::sqrt(2.0 + 2.0 * e1)},
      // The shift moves y onto x.
      {{0.03}, {0.0}, 0.03, 1.0},
      // Identical windows with close onsets.
      {{0.0, 0.05, 0.1, 0.12}, {0.0, 0.05, 0.1, 0.12}, 0.0, 1.0},
      // Identical windows in milliseconds-like values far apart.
      {{100.0, 350.0, 600.0}, {100.0, 350.0, 600.0}, 0.0, 1.0},
      // Every cross difference above 3.71 * 0.06 = 0.2226.
      {{0.0, 1.0, 2.0}, {0.23, 1.23, 2.23}, 0.0, 0.0},
      {{0.0}, {0.2226}, 0.0, 0.0},
      {{0.0}, {-0.2227}, 0.0, 0.0},
      // Just inside the cut-off: exp(-(0.2225/0.06)^2).
      {{0.0}, {0.2225}, 0.0, std::exp(-(0.2225 / 0.06) * (0.2225 / 0.06))},
      // An empty window.
      {{}, {0.0, 1.0}, 0.0, 0.0},
      {{}, {}, 0.0, 0.0},
      // A NaN onset contributes nothing.
      {{kNaN}, {0.0}, 0.0, 0.0},
  };
  const GaussTable& table = sharedTable().table;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(i);
    const Case& c = cases[i];
    const double viaTable = gaussSimilarity(c.x, c.y, 0.03, c.shift, &table);
    EXPECT_NEAR(viaTable, c.expected, 1e-9);
    EXPECT_EQ(gaussSimilarity(c.x, c.y, 0.03, c.shift, nullptr), viaTable);
  }
}

TEST(GaussSimilarityTest, NonPositiveWidthIsUndefined) {
  const std::vector<double> x = {0.0, 0.5};
  for (const double w : {0.0, -0.0, -0.03, kNaN}) {
    SCOPED_TRACE(w);
    EXPECT_EQ(gaussSimilarity(x, x, w, 0.0, &sharedTable().table), -1.0);
    EXPECT_EQ(gaussSimilarity(x, x, w, 0.0, nullptr), -1.0);
  }
}

// The formula as written: every pair, in index order.
double fullDoubleLoop(const std::vector<double>& x, const std::vector<double>& y, double width,
                      double shift, const GaussTable& table) {
  const double e = 1.0 / (2.0 * width);
  double sxx = 0.0;
  double syy = 0.0;
  double sxy = 0.0;
  for (std::size_t i = 0; i < x.size(); ++i) {
    for (std::size_t j = i + 1; j < x.size(); ++j) sxx += table.kernel((x[i] - x[j]) * e);
  }
  for (std::size_t i = 0; i < y.size(); ++i) {
    for (std::size_t j = i + 1; j < y.size(); ++j) syy += table.kernel((y[i] - y[j]) * e);
  }
  sxx = static_cast<double>(x.size()) + 2.0 * sxx;
  syy = static_cast<double>(y.size()) + 2.0 * syy;
  if (sxx == 0.0 || syy == 0.0) return 0.0;
  for (const double xi : x) {
    for (const double yj : y) sxy += table.kernel((xi - yj - shift) * e);
  }
  return sxy / std::sqrt(sxx * syy);
}

// Ascending windows skip the pairs beyond the cut-off; the result must be
// the full double loop's to the bit, on windows of loaded melodies (seconds)
// and on the same scaled to milliseconds, with and without a shift.
TEST(GaussSimilarityTest, SameBitsAsTheFullDoubleLoopOnMelodyWindows) {
  core::MelodyReader reader(std::cerr);
  core::Melody a;
  core::Melody b;
  ASSERT_TRUE(core::readMelodyFile(reader, test::dataPath("melodies/ATripToGalway.csv").string(), a));
  ASSERT_TRUE(core::readMelodyFile(reader, test::dataPath("melodies/TipperaryHills.csv").string(), b));
  ASSERT_GE(a.onsets.size(), 80u);
  ASSERT_GE(b.onsets.size(), 80u);
  const GaussTable& table = sharedTable().table;
  int nonZero = 0;
  for (const double scale : {1.0, 1000.0}) {
    for (std::size_t offset = 0; offset < 30; offset += 3) {
      for (const double shift : {0.0, 0.01, -0.2}) {
        SCOPED_TRACE(testing::Message() << scale << " " << offset << " " << shift);
        std::vector<double> x(a.onsets.begin(), a.onsets.begin() + 50);
        std::vector<double> y(b.onsets.begin() + static_cast<std::ptrdiff_t>(offset),
                              b.onsets.begin() + static_cast<std::ptrdiff_t>(offset) + 50);
        for (double& v : x) v *= scale;
        for (double& v : y) v *= scale;
        const double expected = fullDoubleLoop(x, y, 0.03 * scale, shift * scale, table);
        EXPECT_EQ(gaussSimilarity(x, y, 0.03 * scale, shift * scale, &table), expected);
        EXPECT_EQ(gaussSimilarity(x, y, 0.03 * scale, shift * scale, nullptr), expected);
        if (expected > 0.0) ++nonZero;
      }
    }
  }
  EXPECT_GT(nonZero, 10);
  // Not ascending: every pair is visited; still the formula.
  const std::vector<double> unordered = {0.5, 0.1, 0.52, 0.3, 0.31};
  const std::vector<double> other = {0.12, 0.49, 0.3};
  EXPECT_EQ(gaussSimilarity(unordered, other, 0.03, 0.0, &table),
            fullDoubleLoop(unordered, other, 0.03, 0.0, table));
  EXPECT_GT(gaussSimilarity(unordered, other, 0.03, 0.0, &table), 0.1);
}

}  // namespace
}  // namespace suite::similarity
