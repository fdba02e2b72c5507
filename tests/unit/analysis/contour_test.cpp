// Contour points and curves of the three methods.
#include <gtest/gtest.h>

#include "analysis/contour.h"

namespace suite::analysis {
namespace {

std::vector<std::int8_t> seq(std::initializer_list<int> v) {
  return std::vector<std::int8_t>(v.begin(), v.end());
}

std::vector<std::size_t> indices(const std::vector<ContourPoint>& points) {
  std::vector<std::size_t> out;
  for (const auto& p : points) out.push_back(p.index);
  return out;
}

TEST(Contour, PointsOfEachMethod) {
  using M = ContourMethod;
  const struct {
    const char* name;
    std::vector<std::int8_t> pitches;
    M method;
    std::vector<std::size_t> expected;
  } cases[] = {
      {"natural takes the peak", seq({60, 62, 62, 64, 62}), M::Natural, {0, 3, 4}},
      {"Orvik skips a peak between equal neighbours", seq({60, 62, 62, 64, 62}), M::Orvik, {0, 4}},
      {"natural zigzag", seq({60, 64, 60, 64, 60}), M::Natural, {0, 1, 2, 3, 4}},
      {"Orvik zigzag", seq({60, 64, 60, 64, 60}), M::Orvik, {0, 4}},
      {"Steinbeck zigzag", seq({60, 64, 60, 64, 60}), M::Steinbeck, {0, 4}},
      {"Steinbeck two steps each side", seq({60, 62, 64, 62, 60}), M::Steinbeck, {0, 2, 4}},
      {"Steinbeck needs five runs", seq({60, 62, 62, 64, 62}), M::Steinbeck, {0, 4}},
      {"a run is represented by its last note", seq({60, 60, 64, 64, 64, 62, 65}), M::Natural,
       {0, 4, 5, 6}},
      {"repeated first note stands for itself", seq({60, 60, 60}), M::Natural, {0, 2}},
      {"one note", seq({60}), M::Orvik, {0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(indices(contourPoints(c.pitches, c.method)), c.expected);
  }
  EXPECT_TRUE(contourPoints({}, M::Natural).empty());
}

TEST(Contour, CurvesInterpolateBetweenPoints) {
  const auto p = seq({60, 62, 62, 64, 62});
  const std::vector<double> natural = contourCurve(p, ContourMethod::Natural);
  ASSERT_EQ(natural.size(), 5u);
  const double expectedNatural[] = {60, 60 + 4.0 / 3, 60 + 8.0 / 3, 64, 62};
  for (std::size_t i = 0; i < 5; ++i) EXPECT_DOUBLE_EQ(natural[i], expectedNatural[i]) << i;
  EXPECT_EQ(contourCurve(p, ContourMethod::Orvik),
            (std::vector<double>{60, 60.5, 61, 61.5, 62}));

  const auto zigzag = seq({60, 64, 60, 64, 60});
  EXPECT_EQ(contourCurve(zigzag, ContourMethod::Natural),
            (std::vector<double>{60, 64, 60, 64, 60}));
  EXPECT_EQ(contourCurve(zigzag, ContourMethod::Orvik), std::vector<double>(5, 60));
  EXPECT_EQ(contourCurve(seq({67}), ContourMethod::Steinbeck), std::vector<double>{67});
  EXPECT_TRUE(contourCurve({}, ContourMethod::Natural).empty());
}

}  // namespace
}  // namespace suite::analysis
