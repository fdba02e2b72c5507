// The feature table as data, the lookup of feature names, feature lists,
// features files and the listing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "analysis/feature_table.h"
#include "support/test_support.h"

namespace suite::analysis {
namespace {

std::vector<std::string> splitTabs(const std::string& line) {
  std::vector<std::string> fields;
  std::size_t start = 0;
  for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
    fields.push_back(line.substr(start, tab - start));
  }
  fields.push_back(line.substr(start));
  return fields;
}

std::string unquote(const std::string& text) {
  EXPECT_TRUE(text.size() >= 2 && text.front() == '"' && text.back() == '"') << text;
  return text.substr(1, text.size() - 2);
}

// The table rows transcribed as text: index, "name", "explanation", flags and
// parameter (hexadecimal or decimal as listed).
TEST(FeatureTable, MatchesTheTranscribedTable) {
  std::istringstream in(test::readTextFile(test::dataPath("features/feature_table.txt")));
  std::string line;
  std::size_t rows = 0;
  while (std::getline(in, line)) {
    const std::vector<std::string> f = splitTabs(line);
    ASSERT_EQ(f.size(), 5u) << line;
    const std::size_t index = std::stoul(f[0]);
    SCOPED_TRACE("row " + f[0]);
    ASSERT_EQ(index, rows);
    ASSERT_LT(index, featureTable.size());
    const FeatureDef& row = featureTable[index];
    EXPECT_EQ(row.name, unquote(f[1]));
    EXPECT_EQ(row.explanation, unquote(f[2]));
    EXPECT_EQ(row.flags, std::strtoul(f[3].c_str(), nullptr, 0));
    EXPECT_EQ(row.parameter, std::strtoul(f[4].c_str(), nullptr, 0));
    ++rows;
  }
  EXPECT_EQ(rows, 133u);
}

TEST(FeatureTable, FindFeatureIgnoresTheCaseOfAsciiLetters) {
  const struct {
    const char* name;
    int row;
  } cases[] = {
      {"pitch-avg", 72},  {"PITCH-AVG", 72}, {"Pitch-Avg", 72},   {"jumpaft3", 0},
      {"tonal-phase", 132}, {"Bar-Length", 59}, {"pitch-avg ", -1}, {" pitch-avg", -1},
      {"pitch_avg", -1},  {"pitch", -1},     {"", -1},            {"ngram1-DUR-zipf", 122},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("[") + c.name + "]");
    EXPECT_EQ(findFeature(c.name), c.row);
  }
}

std::vector<int> rowsOf(const FeatureSelection& selection) {
  std::vector<int> rows;
  for (const FeatureDef* f : selection) rows.push_back(static_cast<int>(f - featureTable.data()));
  return rows;
}

TEST(FeatureTable, ParseFeatureList) {
  const struct {
    const char* text;
    std::vector<int> rows;
  } cases[] = {
      {"pitch-avg;int-avg", {72, 84}},
      {"pitch-avg,int-avg", {72, 84}},
      {"pitch-avg,int-avg;x", {}},  // splits at ";" only: "pitch-avg,int-avg" and "x"
      {"pitch-avg,,int-avg", {72}},  // stops at the first empty field
      {",length", {}},
      {"nope,length,NOPE,Length", {58, 58}},
      {"length,length", {58, 58}},
      {"length;", {58}},
      {"length", {58}},
      {"", {}},
      {"huron-contour;pitch-avg,length;ambitus", {106, 70}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("[") + c.text + "]");
    FeatureSelection selection = {&featureTable[5]};  // replaced, not extended
    EXPECT_EQ(parseFeatureList(c.text, selection), !c.rows.empty());
    EXPECT_EQ(rowsOf(selection), c.rows);
  }
}

TEST(FeatureTable, ReadFeatureFileFromAStream) {
  std::istringstream in(
      "pitch-avg   \t\n"
      ";length\n"
      "\n"
      "\r\n"
      "  pitch-avg\n"
      "length\r\n"
      "nope\n"
      "   \n"
      "LENGTH");
  std::ostringstream err;
  FeatureSelection selection = {&featureTable[5]};
  EXPECT_TRUE(readFeatureFile(in, "f.txt", selection, err));
  EXPECT_EQ(rowsOf(selection), (std::vector<int>{72, 58, 58}));
  EXPECT_EQ(err.str(),
            "Added feature \"pitch-avg\".\n"
            "Skipping unrecognized feature \"  pitch-avg\"\n"
            "Added feature \"length\".\n"
            "Skipping unrecognized feature \"nope\"\n"
            "Skipping unrecognized feature \"\"\n"
            "Added feature \"length\".\n");
}

TEST(FeatureTable, ReadFeatureFileFailures) {
  test::ScratchDir dir;
  FeatureSelection selection;
  std::ostringstream err;
  const std::string missing = (dir.path() / "missing.txt").string();
  EXPECT_FALSE(readFeatureFile(missing, selection, err));
  EXPECT_EQ(err.str(), "Could not open " + missing + "\n");

  std::ostringstream err2;
  EXPECT_FALSE(readFeatureFile(dir.path().string(), selection, err2));  // a directory
  EXPECT_EQ(err2.str(), "Could not open " + dir.path().string() + "\n");

  std::istringstream broken("length\n");
  broken.setstate(std::ios::badbit);
  std::ostringstream err3;
  EXPECT_FALSE(readFeatureFile(broken, "f.txt", selection, err3));
  EXPECT_EQ(err3.str(), "Error reading f.txt\n");
}

TEST(FeatureTable, ReadFeatureFileFromDisk) {
  test::ScratchDir dir;
  const auto path = dir.write("features.txt", "; my features\nhuron-contour\ndur-avg\n");
  FeatureSelection selection;
  std::ostringstream err;
  EXPECT_TRUE(readFeatureFile(path.string(), selection, err));
  EXPECT_EQ(rowsOf(selection), (std::vector<int>{106, 95}));
  EXPECT_EQ(err.str(), "Added feature \"huron-contour\".\nAdded feature \"dur-avg\".\n");
}

// A line longer than 1023 characters is read in pieces, each looked up alone.
TEST(FeatureTable, LongFeatureFileLinesAreReadInPieces) {
  const std::string longLine = std::string(1023, 'x') + "length\n";
  std::istringstream in(longLine);
  FeatureSelection selection;
  std::ostringstream err;
  EXPECT_TRUE(readFeatureFile(in, "f.txt", selection, err));
  EXPECT_EQ(rowsOf(selection), std::vector<int>{58});
  EXPECT_EQ(err.str(), "Skipping unrecognized feature \"" + std::string(1023, 'x') +
                           "\"\nAdded feature \"length\".\n");
}

TEST(FeatureTable, Listings) {
  std::ostringstream names;
  listFeatures(names, false);
  test::expectMatchesGolden(names.str(), test::goldenPath("tunestat/features.txt"));
  std::ostringstream explained;
  listFeatures(explained, true);
  test::expectMatchesGolden(explained.str(), test::goldenPath("tunestat/features_explained.txt"));
}

}  // namespace
}  // namespace suite::analysis
