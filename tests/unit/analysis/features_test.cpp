// The feature table: its rows against a plain-text transcription, name
// lookup, feature lists and files, and every row computed on two real melody
// excerpts against independently computed values.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "analysis/features.h"
#include "support/melodies.h"

namespace suite::analysis {
namespace {

std::vector<std::string> tabFields(const std::string& line) {
  std::vector<std::string> fields;
  std::istringstream in(line);
  for (std::string f; std::getline(in, f, '\t');) fields.push_back(f);
  return fields;
}

std::vector<int> rowsOf(const FeatureSelection& selection) {
  std::vector<int> rows;
  for (const FeatureDef* f : selection) rows.push_back(int(f - featureTable.data()));
  return rows;
}

// features/feature_table.txt: index, "name", "explanation", flags, parameter.
TEST(FeatureTable, MatchesThePlainTextCopy) {
  std::istringstream in(test::readTextFile(test::dataPath("features/feature_table.txt")));
  std::size_t rows = 0;
  for (std::string line; std::getline(in, line); ++rows) {
    const std::vector<std::string> f = tabFields(line);
    ASSERT_EQ(f.size(), 5u) << line;
    ASSERT_EQ(std::stoul(f[0]), rows);
    const FeatureDef& row = featureTable[rows];
    EXPECT_EQ('"' + std::string(row.name) + '"', f[1]);
    EXPECT_EQ('"' + std::string(row.explanation) + '"', f[2]);
    EXPECT_EQ(row.flags, std::strtoul(f[3].c_str(), nullptr, 0)) << f[1];
    EXPECT_EQ(row.parameter, std::strtoul(f[4].c_str(), nullptr, 0)) << f[1];
  }
  EXPECT_EQ(rows, featureTable.size());
}

TEST(FeatureTable, NamesListsAndFiles) {
  EXPECT_EQ(findFeature("Pitch-Avg"), 72);
  EXPECT_EQ(findFeature("pitch-avg "), -1);
  const std::pair<const char*, std::vector<int>> lists[] = {
      {"pitch-avg;int-avg", {72, 84}},   {"pitch-avg,int-avg", {72, 84}},
      {"pitch-avg,int-avg;x", {}},        // split at ";" only
      {"pitch-avg,,int-avg", {72}},       // up to the first empty field
      {"nope,length,NOPE,Length", {58, 58}}};
  for (const auto& [text, rows] : lists) {
    FeatureSelection selection = {&featureTable[5]};  // replaced, not extended
    EXPECT_EQ(parseFeatureList(text, selection), !rows.empty()) << text;
    EXPECT_EQ(rowsOf(selection), rows) << text;
  }
  std::istringstream in("pitch-avg   \t\n;length\n\n\r\n  pitch-avg\nnope\n" +
                        std::string(1023, 'x') + "LENGTH");
  std::ostringstream err;
  FeatureSelection selection;
  EXPECT_TRUE(readFeatureFile(in, "f.txt", selection, err));
  EXPECT_EQ(rowsOf(selection), (std::vector<int>{72, 58}));
  EXPECT_EQ(err.str(), "Added feature \"pitch-avg\".\nSkipping unrecognized feature \"  "
                       "pitch-avg\"\nSkipping unrecognized feature \"nope\"\nSkipping "
                       "unrecognized feature \"" + std::string(1023, 'x') +
                           "\"\nAdded feature \"length\".\n");
  std::istringstream broken("length\n");
  broken.setstate(std::ios::badbit);
  EXPECT_FALSE(readFeatureFile(broken, "f.txt", selection, err));
  EXPECT_TRUE(err.str().ends_with("Error reading f.txt\n"));
}

// The .expected files come from tests/data/features/expected.py, which works
// the values out from the feature definitions without this code.
class FeatureRows : public ::testing::TestWithParam<const char*> {};

TEST_P(FeatureRows, MatchIndependentlyComputedValues) {
  const std::string stem = std::string("features/") + GetParam();
  const core::Melody melody = test::loadMelody(stem + ".csv");
  std::istringstream expected(test::readTextFile(test::dataPath(stem + ".expected")));
  std::size_t rows = 0;
  for (std::string line; std::getline(expected, line); ++rows) {
    std::istringstream fields(line);
    std::size_t index = 0;
    std::string name;
    ASSERT_TRUE(fields >> index >> name) << line;
    ASSERT_EQ(index, rows);
    SCOPED_TRACE(name);
    ASSERT_EQ(featureTable[index].name, name);
    std::vector<double> values;
    for (std::string v; fields >> v;) values.push_back(std::stod(v));
    const std::vector<double> actual = computeFeature(melody, featureTable[index]);
    ASSERT_EQ(actual.size(), values.size());
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (std::isnan(values[i])) {
        EXPECT_TRUE(std::isnan(actual[i])) << i;
      } else {
        EXPECT_NEAR(actual[i], values[i], 1e-9 * std::max(1.0, std::fabs(values[i]))) << i;
      }
    }
  }
  EXPECT_EQ(rows, featureTable.size());
}

INSTANTIATE_TEST_SUITE_P(Excerpts, FeatureRows,
                         ::testing::Values("gort_road_excerpt", "tipperary_excerpt"),
                         [](const auto& p) { return std::string(p.param); });

TEST(Features, HuronContour) {
  const std::tuple<std::vector<int>, double, double> cases[] = {
      {{60, 62, 64}, 8, 2}, {{60, 64, 60}, 7, 4}, {{64, 62, 60}, 4, 1}, {{64, 60, 64}, 5, 3},
      {{60, 61, 60, 61}, 0, 0},  // inner mean 60.5: a rise of half a semitone is level,
      {{61, 60, 61, 60}, 4, 1},  // a fall of half a semitone is falling
      {{60, 60, 62}, 2, 3},      {{60, 62, 62}, 6, 4},  {{60, 62}, 9, 9}};
  for (const auto& [pitches, contour, aggregated] : cases) {
    const core::Melody m = test::melodyOf(pitches);
    EXPECT_EQ(computeFeature(m, featureTable[106]), std::vector<double>{contour});
    EXPECT_EQ(computeFeature(m, featureTable[107]), std::vector<double>{aggregated});
  }
}

TEST(Features, EdgeCases) {
  core::Melody m = test::melodyOf({60, 67, 55, 72});
  m.annotatedKey = -3;  // tonal phases of pitch classes 3 and 10 above A
  const double step = 0.5235987755982988;
  EXPECT_EQ(computeFeature(m, featureTable[132]),
            (std::vector<double>{3 * step, 10 * step, 10 * step, 3 * step}));
  const core::Melody one = test::melodyOf({60});  // its intervals are an empty sequence
  EXPECT_EQ(computeFeature(one, featureTable[84]), std::vector<double>{0.0});
  EXPECT_TRUE(computeFeature(one, featureTable[93]).empty());
  EXPECT_TRUE(std::isnan(computeFeature(test::melodyOf({60, 62}), featureTable[101])[0]));
}

}  // namespace
}  // namespace suite::analysis
