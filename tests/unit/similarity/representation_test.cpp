// Pitch, interval and contour representations of melodies.
#include <gtest/gtest.h>

#include "core/melody_reader.h"
#include "similarity/representation.h"
#include "similarity/type_flags.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

core::Melody melodyOf(std::initializer_list<int> pitches) {
  core::Melody m;
  m.pitches.assign(pitches.begin(), pitches.end());
  m.durations.assign(m.pitches.size(), 1);
  return m;
}

void expectNear(const std::vector<double>& actual, const std::vector<double>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(actual[i], expected[i], 1e-12) << i;
}

TEST(Representation, PitchSequence) {
  EXPECT_EQ(pitchSequence(melodyOf({60, 62, 127, 1})), (std::vector<double>{60, 62, 127, 1}));
  EXPECT_TRUE(pitchSequence(core::Melody{}).empty());
}

TEST(Representation, IntervalsPlainRoughAndFuzzy) {
  // Differences 2 0 -3 8 -24 -1 13; classes: 1 and 2 step, 3..4 skip, 5..7
  // leap, 8 and more large leap, mirrored downwards.
  const core::Melody m = melodyOf({60, 62, 62, 59, 67, 43, 42, 55});
  const struct {
    const char* name;
    std::uint32_t flags;
    std::vector<double> expected;
  } cases[] = {
      {"plain", Intervals, {2, 0, -3, 8, -24, -1, 13}},
      {"rough", Intervals | Rough, {1, 0, -1, 1, -1, -1, 1}},
      {"fuzzy", Intervals | Fuzzy, {1, 0, -2, 4, -4, -1, 4}},
      {"rough before fuzzy", Intervals | Rough | Fuzzy, {1, 0, -1, 1, -1, -1, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(intervalSequence(m, c.flags), c.expected);
    EXPECT_TRUE(intervalSequence(melodyOf({60}), c.flags).empty());
    EXPECT_TRUE(intervalSequence(core::Melody{}, c.flags).empty());
  }
  // The widest interval a melody can hold stays a large leap.
  EXPECT_EQ(intervalSequence(melodyOf({127, 0, 127}), Intervals | Fuzzy),
            (std::vector<double>{-4, 4}));
}

TEST(Representation, IntervalsOfALoadedMelody) {
  core::MelodyReader reader(std::cerr);
  core::Melody m;
  const std::string file = test::dataPath("melodies/ATripToGalway.csv").string();
  ASSERT_TRUE(core::readMelodyFile(reader, file, m));
  const std::vector<double> intervals = intervalSequence(m, Intervals);
  ASSERT_EQ(intervals.size() + 1, m.pitches.size());
  // The table opens with pitches 74, 71, 67.
  EXPECT_EQ(intervals[0], -3);
  EXPECT_EQ(intervals[1], -4);
}

TEST(Representation, ContourMethodFromFlags) {
  using M = analysis::ContourMethod;
  EXPECT_EQ(contourMethod(Contour), M::Orvik);
  EXPECT_EQ(contourMethod(Contour | Natural), M::Natural);
  EXPECT_EQ(contourMethod(Contour | Steinbeck), M::Steinbeck);
  EXPECT_EQ(contourMethod(Contour | Steinbeck | Natural), M::Steinbeck);
}

// Curves worked out by hand from the turning points of each method: values at
// the points are the pitches, straight lines in between.
TEST(Representation, ContourCurvesAndDifferences) {
  constexpr std::uint32_t kOrvik = Contour;
  constexpr std::uint32_t kNatural = Contour | Natural;
  constexpr std::uint32_t kSteinbeck = Contour | Steinbeck;
  const double third = 4.0 / 3;
  const struct {
    const char* name;
    core::Melody melody;
    std::uint32_t flags;
    std::vector<double> curve;
  } cases[] = {
      // Reduced (60,0) (62,2) (64,3) (62,4): natural takes 64, Orvik does not.
      {"peak, natural", melodyOf({60, 62, 62, 64, 62}), kNatural,
       {60, 60 + third, 60 + 2 * third, 64, 62}},
      {"peak, Orvik", melodyOf({60, 62, 62, 64, 62}), kOrvik, {60, 60.5, 61, 61.5, 62}},
      {"peak, Steinbeck (four runs)", melodyOf({60, 62, 62, 64, 62}), kSteinbeck,
       {60, 60.5, 61, 61.5, 62}},
      {"zigzag, natural", melodyOf({60, 64, 60, 64, 60}), kNatural, {60, 64, 60, 64, 60}},
      {"zigzag, Orvik", melodyOf({60, 64, 60, 64, 60}), kOrvik, {60, 60, 60, 60, 60}},
      {"zigzag, Steinbeck", melodyOf({60, 64, 60, 64, 60}), kSteinbeck, {60, 60, 60, 60, 60}},
      {"arch, natural", melodyOf({60, 62, 64, 62, 60}), kNatural, {60, 62, 64, 62, 60}},
      {"arch, Orvik", melodyOf({60, 62, 64, 62, 60}), kOrvik, {60, 60, 60, 60, 60}},
      {"arch, Steinbeck", melodyOf({60, 62, 64, 62, 60}), kSteinbeck, {60, 62, 64, 62, 60}},
      // Natural points 0 2 3 5 7, Orvik 0 2 3 7, Steinbeck 0 5 7.
      {"long, natural", melodyOf({60, 62, 64, 63, 65, 67, 65, 63}), kNatural,
       {60, 62, 64, 63, 65, 67, 65, 63}},
      {"long, Orvik", melodyOf({60, 62, 64, 63, 65, 67, 65, 63}), kOrvik,
       {60, 62, 64, 63, 63, 63, 63, 63}},
      {"long, Steinbeck", melodyOf({60, 62, 64, 63, 65, 67, 65, 63}), kSteinbeck,
       {60, 61.4, 62.8, 64.2, 65.6, 67, 65, 63}},
      {"one note", melodyOf({67}), kSteinbeck, {67}},
      {"empty", core::Melody{}, kNatural, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    expectNear(contourSequence(c.melody, c.flags), c.curve);
    std::vector<double> differences;
    for (std::size_t i = 0; i + 1 < c.curve.size(); ++i) {
      differences.push_back(c.curve[i + 1] - c.curve[i]);
    }
    expectNear(contourSequence(c.melody, c.flags | Intervals), differences);
  }
  // The fuzzy contour row works on the plain Orvik differences.
  expectNear(contourSequence(melodyOf({60, 62, 62, 64, 62}), 0x00200024u), {0.5, 0.5, 0.5, 0.5});
}

TEST(Representation, SuccessiveDifferences) {
  const std::vector<double> v{1, 4, 2.5};
  EXPECT_EQ(successiveDifferences(v), (std::vector<double>{3, -1.5}));
  EXPECT_TRUE(successiveDifferences(std::vector<double>{5}).empty());
  EXPECT_TRUE(successiveDifferences({}).empty());
}

}  // namespace
}  // namespace suite::similarity
