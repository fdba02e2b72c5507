// The similarity type catalogue against a plain-text copy of its rows.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "similarity/type_table.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

struct Row {
  std::string name;
  std::string text;  // description without its padding
  std::uint32_t flags;
  std::int32_t param;
};

// tests/data/similarity/type_table.txt: "name|description|0xFLAGS|param" lines.
std::vector<Row> plainTextRows() {
  std::vector<Row> rows;
  std::istringstream in(test::readTextFile(test::dataPath("similarity/type_table.txt")));
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string> cells;
    std::string cell;
    std::istringstream fields(line);
    while (std::getline(fields, cell, '|')) cells.push_back(cell);
    if (cells.size() != 4) {
      ADD_FAILURE() << "bad data line: " << line;
      continue;
    }
    rows.push_back({cells[0], cells[1], static_cast<std::uint32_t>(std::stoul(cells[2], nullptr, 16)),
                    std::stoi(cells[3])});
  }
  return rows;
}

TEST(TypeTable, MatchesThePlainTextCopy) {
  const std::vector<Row> rows = plainTextRows();
  ASSERT_EQ(rows.size(), typeTable.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    const SimilarityType& t = typeTable[i];
    SCOPED_TRACE(row.name);
    EXPECT_EQ(t.name, row.name);
    // Stored padded to 59 characters; harCoEAW is 60 (two blanks of padding),
    // the two accent rows 54.
    std::size_t width = 59;
    if (row.name == "harCoEAW") width = 60;
    if (row.name.starts_with("accents-")) width = 54;
    EXPECT_EQ(t.description, row.text + std::string(width - row.text.size(), ' '));
    EXPECT_EQ(t.flags, row.flags);
    EXPECT_EQ(t.param, row.param);
    EXPECT_EQ(t.auxParam, 0);
  }
}

TEST(TypeTable, RowsThatOnlyLookAlike) {
  // connPCS is meant to carry Weighted alone, not the natural-contour flags.
  const SimilarityType& connPCS = typeTable[typeIndex("connPCS")];
  EXPECT_EQ(connPCS.flags, std::uint32_t{Weighted});
  EXPECT_NE(connPCS.flags, typeTable[typeIndex("connPC")].flags | Stretched);
  // The "all bars" rows differ from their siblings only in param.
  const SimilarityType& k = typeTable[typeIndex("harmCorK")];
  const SimilarityType& ka = typeTable[typeIndex("harmCoKA")];
  EXPECT_EQ(k.flags, ka.flags);
  EXPECT_EQ(k.param, 0);
  EXPECT_EQ(ka.param, 1);
}

TEST(TypeTable, NamedIndices) {
  EXPECT_EQ(typeIndex("const"), 0u);
  EXPECT_EQ(typeIndex("accents-opti2"), 85u);
  EXPECT_EQ(typeIndex("RAWED"), kTypeCount);  // exact spelling only
  EXPECT_EQ(typeTable[kGaussRhythmType].name, "rhytGaus");
}

}  // namespace
}  // namespace suite::similarity
