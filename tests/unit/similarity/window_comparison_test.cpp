// Which comparison a type's flags select for two aligned windows.
#include <gtest/gtest.h>

#include <cmath>

#include "similarity/type_flags.h"
#include "similarity/window_comparison.h"

namespace suite::similarity {
namespace {

// Flag words of catalogue rows.
constexpr std::uint32_t kRawPC = 0x00010000u;     // Pearson-Bravais
constexpr std::uint32_t kRawPCSt = 0x00410000u;   // Pearson-Bravais, stretched
constexpr std::uint32_t kRawCC = 0x00020000u;     // cross correlation
constexpr std::uint32_t kConnPCS = 0x00000001u;   // weighted only: uncentred
constexpr std::uint32_t kFourR = 0x00100010u;     // spectra, uncentred
constexpr std::uint32_t kFourRI = 0x00100030u;    // spectra, differences, spread
constexpr std::uint32_t kDiff = 0x20000020u;      // mean difference
constexpr std::uint32_t kDiffExp = 0x10000020u;   // exp of mean difference
constexpr std::uint32_t kDiffFuz = 0x00200020u;   // fuzzy intervals
constexpr std::uint32_t kDiffFuzC = 0x00200024u;  // fuzzy contour differences

TEST(WindowComparison, DispatchByFlags) {
  // x = (0 2 0) and y = (1 2 2) give a different value under every branch:
  //   uncentred 4 / sqrt(4 * 9) = 2/3;  Pearson (-2/3, 4/3, -2/3)·(-2/3, 1/3, 1/3) = 2/3
  //   over sqrt(8/3 * 2/3) = 4/3: 1/2;  cross (0 2 0)·(0 1 1) = 2 over sqrt(4 * 2): 1/sqrt(2);
  //   |x - y| = (1 0 2): mean 1, largest |x|+|y| = 4 -> 0.75, exp(-1),
  //   spread 2 + sqrt(2/3) -> 1 - 1 / (2 + sqrt(2/3));
  //   differences (2 -2) and (1 0): |.| = (1 2): mean 1.5, sd 0.5 -> 1 - 1.5 / 2.5;
  //   fuzzy: 0 vs 1 -> 0, 2 vs 2 -> 1, 0 vs 2 -> 0: 1/3.
  const std::vector<double> x{0, 2, 0};
  const std::vector<double> y{1, 2, 2};
  const struct {
    const char* name;
    std::uint32_t flags;
    double expected;
  } cases[] = {
      {"rawPC", kRawPC, 0.5},
      {"rawPCSt", kRawPCSt, 0.5},
      {"rawCC", kRawCC, 1 / std::sqrt(2.0)},
      {"connPCS", kConnPCS, 2.0 / 3},
      {"fourR", kFourR, 2.0 / 3},
      {"fourRI", kFourRI, 1 - 1.5 / 2.5},
      {"diff", kDiff, 0.75},
      {"diffExp", kDiffExp, std::exp(-1.0)},
      {"spread", Intervals, 1 - 1 / (2 + std::sqrt(2.0 / 3))},
      {"diffFuz", kDiffFuz, 1.0 / 3},
      {"diffFuzC", kDiffFuzC, 1.0 / 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NEAR(compareWindows(x, y, c.flags), c.expected, 1e-15);
  }
}

TEST(WindowComparison, EdgeCases) {
  const std::vector<double> three{1, 2, 3};
  const std::vector<double> two{1, 2};
  const std::vector<double> reversed{3, 2, 1};
  for (const std::uint32_t flags : {kRawPC, kRawCC, kConnPCS, kFourRI, kDiff, kDiffFuz}) {
    SCOPED_TRACE(flags);
    EXPECT_EQ(compareWindows(three, two, flags), 0.0);
  }
  // Empty spectra correlate 1; empty difference sequences give 0.
  EXPECT_EQ(compareWindows({}, {}, kFourR), 1.0);
  EXPECT_EQ(compareWindows({}, {}, kFourRI), 0.0);
  EXPECT_EQ(compareWindows(std::vector<double>{4}, std::vector<double>{5}, kFourRI), 0.0);
  EXPECT_EQ(compareWindows(three, reversed, kRawPC), -1.0);
  EXPECT_EQ(compareWindows(three, reversed, kRawPCSt), 0.0);
}

}  // namespace
}  // namespace suite::similarity
