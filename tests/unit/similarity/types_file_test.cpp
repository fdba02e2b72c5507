// Name lookup, the types-file grammar, the built-in list and the header.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "similarity/types_file.h"
#include "support/test_support.h"

namespace suite::similarity {
namespace {

std::size_t row(std::string_view name) { return typeIndex(name); }

TEST(TypesFile, LookupIgnoresAsciiCase) {
  const struct {
    const char* name;
    int expected;
  } cases[] = {
      {"rawEd", 1},          {"RAWED", 1},          {"rawed", 1},     {"const", 0},
      {"accents-OPTI1", 84}, {"ACCENTS-opti2", 85}, {"rawEd ", -1},   {" rawEd", -1},
      {"", -1},              {"joint52", -1},       {"rawEdw", 2},    {"rhytgaus", 67},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(findSimilarityType(c.name), c.expected);
  }
}

struct ExpectedTerm {
  std::vector<std::string_view> factors;
  double weight;
};

struct LineCase {
  const char* name;
  std::string line;
  int verbosity;
  bool ok;
  std::string columnName;
  std::string displayName;
  std::vector<ExpectedTerm> terms;
  bool gauss;
  std::string messages;
};

TEST(TypesFile, ParseTypeLine) {
  const LineCase cases[] = {
      {"single type", "rawEd", 0, true, "rawEd", "", {{{"rawEd"}, 1.0}}, false, ""},
      {"single type keeps its spelling, ignores further fields", "RAWED 0.5 x", 0, true, "RAWED",
       "", {{{"rawEd"}, 1.0}}, false, ""},
      {"unknown single type", "nosuch", 0, false, "", "", {}, false,
       "Skipping unrecognized similarity type \"nosuch\"\n"},
      {"empty first field", " rawEd", 0, false, "", "", {}, false,
       "Skipping unrecognized similarity type \"\"\n"},
      {"comment", "#rawEd", 1, false, "", "", {}, false, ""},
      {"combi is case-sensitive", "Combi:m rawEd 1", 0, false, "", "", {}, false,
       "Skipping unrecognized similarity type \"Combi:m\"\n"},
      {"combi term without weight", "combi:x rawEd", 0, false, "", "", {}, false,
       "Missing weight in combi type x. Skipping.\n"},
      {"two blanks leave the weight empty", "combi:x rawEd  0.5", 0, false, "", "", {}, false,
       "Missing weight in combi type x. Skipping.\n"},
      {"combi without terms", "combi:x", 0, false, "", "", {}, false,
       "Missing types for combi type x. Skipping.\n"},
      {"two blanks before the first term end the list", "combi:x  rawEd 0.5", 0, false, "", "",
       {}, false, "Missing types for combi type x. Skipping.\n"},
      {"bare combi", "combi", 0, false, "", "", {}, false,
       "Missing types for combi type combi. Skipping.\n"},
      {"combi colon without name", "combi: rawEd 1", 0, true, "combi", "combi",
       {{{"rawEd"}, 1.0}}, false, ""},
      {"only the second colon part names", "combi:a:b rawEd 2", 0, true, "a", "a",
       {{{"rawEd"}, 2.0}}, false, ""},
      {"product and constant", "combi:m rawEd*conEd 0.5 const 0.1", 0, true, "m", "m",
       {{{"rawEd", "conEd"}, 0.5}, {{"const"}, 0.1}}, false, "Added rawEd\nAdded conEd\n"},
      {"unknown second term drops the line", "combi:m rawEd 0.5 nosuch 0.1", 0, false, "", "", {},
       false, "Unrecognized similarity type \"nosuch\" in combi type nosuch. Skipping.\n"},
      {"unknown factor drops the line", "combi:m rawEd*nosuch 1", 0, false, "", "", {}, false,
       "Added rawEd\nUnrecognized similarity type \"nosuch\" in combi type rawEd*nosuch. "
       "Skipping.\n"},
      {"letters as weight give 0", "combi:m rawEd abc", 0, true, "m", "m", {{{"rawEd"}, 0.0}},
       false, ""},
      {"negative weight", "combi:m const -0.146", 0, true, "m", "m", {{{"const"}, -0.146}}, false,
       ""},
      {"weight prefix read as atof", "combi:m rawEd 0.25x", 0, true, "m", "m",
       {{{"rawEd"}, 0.25}}, false, ""},
      {"case-insensitive factors", "combi:m RAWED*CONNED 1", 0, true, "m", "m",
       {{{"rawEd", "connEd"}, 1.0}}, false, "Added RAWED\nAdded CONNED\n"},
      {"trailing star is harmless", "combi:m rawEd* 1", 0, true, "m", "m", {{{"rawEd"}, 1.0}},
       false, "Added rawEd\n"},
      {"empty product refused", "combi:m *rawEd 1", 0, false, "", "", {}, false,
       "Unrecognized similarity type \"\" in combi type *rawEd. Skipping.\n"},
      {"factors after a gap refused", "combi:m rawEd**conEd 1", 0, false, "", "", {}, false,
       "Added rawEd\nUnrecognized similarity type \"\" in combi type rawEd**conEd. Skipping.\n"},
      {"verbose combi", "combi:m rawEd 0.5 diffEd*const 2", 1, true, "m", "m",
       {{{"rawEd"}, 0.5}, {{"diffEd", "const"}, 2.0}}, false,
       "Found m\nrawEd with weight: 0.5\nAdded diffEd\nAdded const\ndiffEd*const with weight: 2\n"},
      {"verbose missing weight", "combi:m rawEd", 1, false, "", "", {}, false,
       "Found m\nMissing weight in combi type m. Skipping.\n"},
      {"Gauss single type", "rhytGaus", 0, true, "rhytGaus", "", {{{"rhytGaus"}, 1.0}}, true, ""},
      {"Gauss in capitals", "RHYTGAUS", 0, true, "RHYTGAUS", "", {{{"rhytGaus"}, 1.0}}, true, ""},
      {"Gauss combi term", "combi:g rhytGaus 1", 0, true, "g", "g", {{{"rhytGaus"}, 1.0}}, true,
       ""},
      {"Gauss in a product", "combi:g rawEd*rhytGaus 1", 0, true, "g", "g",
       {{{"rawEd", "rhytGaus"}, 1.0}}, true, "Added rawEd\nAdded rhytGaus\n"},
      {"Gauss combi term in lower case", "combi:g const 1 rhytgaus 1", 0, true, "g", "g",
       {{{"const"}, 1.0}, {{"rhytGaus"}, 1.0}}, true, ""},
      {"other rhythm types need no Gauss table", "rhytFuzz", 0, true, "rhytFuzz", "",
       {{{"rhytFuzz"}, 1.0}}, false, ""},
  };
  for (const LineCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::ostringstream err;
    CombiType type;
    bool gauss = !c.gauss;  // must be assigned either way
    EXPECT_EQ(parseTypeLine(c.line, c.verbosity, type, gauss, err), c.ok);
    EXPECT_EQ(err.str(), c.messages);
    if (!c.ok) {
      EXPECT_FALSE(gauss);
      continue;
    }
    EXPECT_EQ(gauss, c.gauss);
    EXPECT_EQ(type.name, c.columnName);
    EXPECT_EQ(type.displayName, c.displayName);
    ASSERT_EQ(type.terms.size(), c.terms.size());
    for (std::size_t t = 0; t < c.terms.size(); ++t) {
      const CombiTerm& term = type.terms[t];
      ASSERT_EQ(term.factors.size(), c.terms[t].factors.size());
      for (std::size_t f = 0; f < term.factors.size(); ++f) {
        EXPECT_EQ(term.factors[f], row(c.terms[t].factors[f]));
      }
      EXPECT_DOUBLE_EQ(term.weight, c.terms[t].weight);
      // A single type's term is labelled with the row's padded description.
      const std::string expectedName =
          c.displayName.empty() ? std::string(typeTable[term.factors[0]].description)
                                : c.displayName;
      EXPECT_EQ(term.name, expectedName);
    }
  }
}

TEST(TypesFile, SingleTypeTermIsLabelledWithThePaddedDescription) {
  std::ostringstream err;
  CombiType type;
  bool gauss = false;
  ASSERT_TRUE(parseTypeLine("diffEd", 0, type, gauss, err));
  EXPECT_EQ(type.terms.at(0).name, "Intervals: Edit distance" + std::string(59 - 24, ' '));
}

TEST(TypesFile, ProductSpecClearsTheTermFirst) {
  std::ostringstream err;
  CombiTerm term;
  term.factors = {5, 6};
  EXPECT_TRUE(parseProductSpec("conEd", term, err));
  EXPECT_EQ(term.factors, std::vector<std::size_t>{row("conEd")});
  EXPECT_FALSE(parseProductSpec("conEd*x", term, err));
  EXPECT_TRUE(term.factors.empty());
  EXPECT_EQ(err.str(),
            "Added conEd\nUnrecognized similarity type \"x\" in combi type conEd*x. Skipping.\n");
}

SelectedMeasures loadText(const std::string& text, int verbosity, std::string& messages,
                          bool& ok, std::string_view separator = ";") {
  std::istringstream in(text);
  std::ostringstream err;
  SelectedMeasures selected;
  ok = loadTypesFile(in, "types.ini", separator, verbosity, selected, err);
  messages = err.str();
  return selected;
}

std::vector<std::string> names(const SelectedMeasures& selected) {
  std::vector<std::string> out;
  for (const CombiType& t : selected.measures) out.push_back(t.name);
  return out;
}

TEST(TypesFile, LoadSkipsCommentsAndBadLines) {
  const std::string text =
      "; a comment line\n"
      "\n"
      "#rawEd\n"
      "rawEd\r\n"
      "combi:x diffEd 0.5\r\n"
      "nosuch\n"
      "   \n"
      "\r\n"
      "combi:y rawEd 0.5 nosuch 1\n"
      "diffEd \t\n"
      "conEd";  // no final line break
  std::string messages;
  bool ok = false;
  const SelectedMeasures selected = loadText(text, 0, messages, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(names(selected), (std::vector<std::string>{"rawEd", "x", "diffEd", "conEd"}));
  EXPECT_EQ(selected.header, "file1;file2;rawEd;x;diffEd;conEd;");
  EXPECT_FALSE(selected.usesGaussRhythm);
  EXPECT_EQ(messages,
            "Skipping unrecognized similarity type \"nosuch\"\n"
            "Unrecognized similarity type \"nosuch\" in combi type nosuch. Skipping.\n");
}

TEST(TypesFile, LoadVerboseAndOtherSeparator) {
  std::string messages;
  bool ok = false;
  const SelectedMeasures selected =
      loadText("combi:x rawEd 0.5\nRHYTGAUS\n", 1, messages, ok, "\t|");
  EXPECT_TRUE(ok);
  EXPECT_EQ(selected.header, "file1\t|file2\t|x\t|RHYTGAUS\t|");
  EXPECT_TRUE(selected.usesGaussRhythm);
  EXPECT_EQ(messages,
            "Found x\n"
            "rawEd with weight: 0.5\n"
            "Added similarity type \"x\".\n"
            "Added similarity type \"RHYTGAUS\".\n");
}

TEST(TypesFile, LongLineContinuesAsTheNextLine) {
  // 1023 characters fill one line; the rest is read as a line of its own.
  const std::string text = "rawEd" + std::string(1018, ' ') + "diffEd\n";
  std::string messages;
  bool ok = false;
  const SelectedMeasures selected = loadText(text, 0, messages, ok);
  EXPECT_TRUE(ok);
  EXPECT_EQ(names(selected), (std::vector<std::string>{"rawEd", "diffEd"}));
}

TEST(TypesFile, NoValidLineIsStillASuccess) {
  std::string messages;
  bool ok = false;
  const SelectedMeasures selected = loadText("# nothing\n;here\n", 0, messages, ok);
  EXPECT_TRUE(ok);
  EXPECT_TRUE(selected.measures.empty());
  EXPECT_EQ(selected.header, "file1;file2;");
  EXPECT_EQ(messages, "");
}

TEST(TypesFile, ReadErrorIsReported) {
  std::istringstream in("rawEd\n");
  in.setstate(std::ios::badbit);
  std::ostringstream err;
  SelectedMeasures selected;
  EXPECT_FALSE(loadTypesFile(in, "t.ini", ";", 0, selected, err));
  EXPECT_EQ(err.str(), "Error reading t.ini\n");
}

TEST(TypesFile, FilesOnDisk) {
  const test::ScratchDir dir;
  const std::string path = dir.write("types.ini", "rawEd\ncombi:c const 1\n").string();
  std::ostringstream err;
  SelectedMeasures selected;
  selected.measures.resize(3);  // replaced, not appended to
  EXPECT_TRUE(loadTypesFile(path, ";", 0, selected, err));
  EXPECT_EQ(names(selected), (std::vector<std::string>{"rawEd", "c"}));

  for (const std::string& bad : {(dir.path() / "missing.ini").string(), dir.path().string()}) {
    SCOPED_TRACE(bad);
    std::ostringstream e;
    EXPECT_FALSE(loadTypesFile(bad, ";", 0, selected, e));
    EXPECT_EQ(e.str(), "Could not open " + bad + "\n");
  }
}

TEST(TypesFile, BuiltInList) {
  std::ostringstream err;
  SelectedMeasures selected;
  selected.measures.resize(2);
  selected.usesGaussRhythm = true;
  addDefaultTypes(";", 0, selected, err);
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(selected.header, "file1;file2;opt3;diffEd;nGrUkkon;conSEd;rhytFuz2;harmCorE;");
  EXPECT_FALSE(selected.usesGaussRhythm);
  ASSERT_EQ(selected.measures.size(), 6u);
  const CombiType& opt3 = selected.measures[0];
  EXPECT_EQ(opt3.displayName, "opt3");
  ASSERT_EQ(opt3.terms.size(), 4u);
  const struct {
    const char* factor;
    double weight;
  } terms[] = {{"nGrUkkon", 0.505}, {"rhytFuzz", 0.417}, {"harmCorE", 0.24}, {"const", -0.146}};
  for (std::size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(terms[i].factor);
    EXPECT_EQ(opt3.terms[i].factors, std::vector<std::size_t>{row(terms[i].factor)});
    EXPECT_DOUBLE_EQ(opt3.terms[i].weight, terms[i].weight);
    EXPECT_EQ(opt3.terms[i].name, "opt3");
  }
}

TEST(TypesFile, BuiltInListVerbose) {
  std::ostringstream err;
  SelectedMeasures selected;
  addDefaultTypes(",", 1, selected, err);
  EXPECT_EQ(selected.header, "file1,file2,opt3,diffEd,nGrUkkon,conSEd,rhytFuz2,harmCorE,");
  EXPECT_EQ(err.str(),
            "Found opt3\n"
            "nGrUkkon with weight: 0.505\n"
            "rhytFuzz with weight: 0.417\n"
            "harmCorE with weight: 0.24\n"
            "const with weight: -0.146\n"
            "Added similarity type \"opt3\".\n"
            "Added similarity type \"diffEd\".\n"
            "Added similarity type \"nGrUkkon\".\n"
            "Added similarity type \"conSEd\".\n"
            "Added similarity type \"rhytFuz2\".\n"
            "Added similarity type \"harmCorE\".\n");
}

TEST(TypesFile, PrintTypeNames) {
  std::ostringstream out;
  printTypeNames(out);
  std::string expected;
  std::istringstream rows(test::readTextFile(test::dataPath("similarity/type_table.txt")));
  std::string line;
  while (std::getline(rows, line)) {
    if (!line.empty() && line.front() != '#') expected += line.substr(0, line.find('|')) + "\n";
  }
  EXPECT_EQ(out.str(), expected);
  EXPECT_EQ(std::count(expected.begin(), expected.end(), '\n'), 86);
}

}  // namespace
}  // namespace suite::similarity
