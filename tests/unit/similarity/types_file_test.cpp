// The type catalogue against a plain-text copy of its rows, name lookup and
// the types-file grammar with its messages.
#include "similarity/types_file.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/test_support.h"

namespace suite::similarity {
namespace {

// similarity/type_table.txt: "name|description|0xFLAGS|param" lines.
TEST(TypeTable, MatchesThePlainTextCopy) {
  std::istringstream in(test::readTextFile(test::dataPath("similarity/type_table.txt")));
  std::size_t rows = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line.front() == '#') continue;
    std::vector<std::string> cells;
    std::istringstream fields(line);
    for (std::string cell; std::getline(fields, cell, '|');) cells.push_back(cell);
    ASSERT_EQ(cells.size(), 4u) << line;
    ASSERT_LT(rows, typeTable.size());
    const SimilarityType& t = typeTable[rows++];
    EXPECT_EQ(t.name, cells[0]);
    // Padded to 59 characters; harCoEAW to 60, the two accent rows to 54.
    const std::size_t width = cells[0] == "harCoEAW" ? 60 : cells[0].starts_with("acc") ? 54 : 59;
    EXPECT_EQ(t.description, cells[1] + std::string(width - cells[1].size(), ' ')) << line;
    EXPECT_EQ(t.flags, std::stoul(cells[2], nullptr, 16)) << line;
    EXPECT_EQ(t.param, std::stoi(cells[3])) << line;
  }
  EXPECT_EQ(rows, typeTable.size());
  EXPECT_EQ(findSimilarityType("ACCENTS-opti2"), 85);
  EXPECT_EQ(findSimilarityType("rawEd "), -1);
}

TEST(TypesFile, ParseTypeLine) {
  const struct {
    std::string line;
    int verbosity;
    std::string name;  // empty: rejected
    std::vector<std::vector<std::string_view>> factors;
    std::vector<double> weights;
    bool gauss;
    std::string messages;
  } cases[] = {
      {"RAWED 0.5 x", 0, "RAWED", {{"rawEd"}}, {1.0}, false, ""},
      {"nosuch", 0, "", {}, {}, false, "Skipping unrecognized similarity type \"nosuch\"\n"},
      {" rawEd", 0, "", {}, {}, false, "Skipping unrecognized similarity type \"\"\n"},
      {"#rawEd", 1, "", {}, {}, false, ""},
      {"Combi:m rawEd 1", 0, "", {}, {}, false,
       "Skipping unrecognized similarity type \"Combi:m\"\n"},
      {"combi:x rawEd  0.5", 0, "", {}, {}, false, "Missing weight in combi type x. Skipping.\n"},
      {"combi:x  rawEd 0.5", 0, "", {}, {}, false, "Missing types for combi type x. Skipping.\n"},
      {"combi", 0, "", {}, {}, false, "Missing types for combi type combi. Skipping.\n"},
      {"combi: rawEd 1", 0, "combi", {{"rawEd"}}, {1.0}, false, ""},
      {"combi:a:b rawEd 2", 0, "a", {{"rawEd"}}, {2.0}, false, ""},
      {"combi:m rawEd 0.5 nosuch 0.1", 0, "", {}, {}, false,
       "Unrecognized similarity type \"nosuch\" in combi type nosuch. Skipping.\n"},
      {"combi:m rawEd**conEd 1", 0, "", {}, {}, false,
       "Added rawEd\nUnrecognized similarity type \"\" in combi type rawEd**conEd. Skipping.\n"},
      {"combi:m rawEd abc const 0.25x", 0, "m", {{"rawEd"}, {"const"}}, {0.0, 0.25}, false,
       "Warning: weight \"abc\" in line \"combi:m rawEd abc const 0.25x\" is not a number; "
       "taken as 0\nWarning: weight \"0.25x\" in line \"combi:m rawEd abc const 0.25x\" is "
       "not a number; taken as 0.25\n"},
      {"combi:m rawEd 0.5 DIFFED*rhytgaus -2", 1, "m", {{"rawEd"}, {"diffEd", "rhytGaus"}},
       {0.5, -2.0}, true,
       "Found m\nrawEd with weight: 0.5\nAdded DIFFED\nAdded rhytgaus\n"
       "DIFFED*rhytgaus with weight: -2\n"},
      {"RHYTGAUS", 0, "RHYTGAUS", {{"rhytGaus"}}, {1.0}, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    std::ostringstream err;
    CombiType type;
    bool gauss = !c.gauss;  // must be assigned either way
    EXPECT_EQ(parseTypeLine(c.line, c.verbosity, type, gauss, err), !c.name.empty());
    EXPECT_EQ(err.str(), c.messages);
    EXPECT_EQ(gauss, c.gauss);
    if (c.name.empty()) continue;
    EXPECT_EQ(type.name, c.name);
    ASSERT_EQ(type.terms.size(), c.factors.size());
    for (std::size_t t = 0; t < c.factors.size(); ++t) {
      std::vector<std::size_t> factors;
      for (const std::string_view f : c.factors[t]) factors.push_back(typeIndex(f));
      EXPECT_EQ(type.terms[t].factors, factors);
      EXPECT_DOUBLE_EQ(type.terms[t].weight, c.weights[t]);
    }
  }
}

TEST(TypesFile, LoadSkipsCommentsAndBadLines) {
  std::istringstream in("; a comment\n\n#rawEd\nrawEd\r\ncombi:x diffEd 0.5\r\nnosuch\n   \nconEd" +
                        std::string(1018, ' ') + "diffEd \t\nrawEd");  // 1023 characters a line
  std::ostringstream err;
  SelectedMeasures selected;
  selected.measures.resize(3);  // replaced, not appended to
  EXPECT_TRUE(loadTypesFile(in, "types.ini", "\t|", 0, selected, err));
  EXPECT_EQ(selected.header, "file1\t|file2\t|rawEd\t|x\t|conEd\t|diffEd\t|rawEd\t|");
  EXPECT_EQ(selected.measures[1].terms[0].name, "x");
  EXPECT_EQ(selected.measures[3].terms[0].name,
            "Intervals: Edit distance" + std::string(59 - 24, ' '));
  EXPECT_EQ(err.str(), "Skipping unrecognized similarity type \"nosuch\"\n");
  std::istringstream broken("rawEd\n");
  broken.setstate(std::ios::badbit);
  EXPECT_FALSE(loadTypesFile(broken, "t.ini", ";", 0, selected, err));
  EXPECT_TRUE(err.str().ends_with("Error reading t.ini\n"));
}

}  // namespace
}  // namespace suite::similarity
