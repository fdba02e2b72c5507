// Melody table reader and file lists.
#include <gtest/gtest.h>

#include <sstream>

#include "core/melody_reader.h"
#include "support/test_support.h"

namespace suite::core {
namespace {

constexpr const char* kHeader = "Signature: 4/4, Ticks per Beat: 480, Annotated Key: 0\n";

struct Row {
  int bar, beat, tick, pitch;
  int durtic = 480;
  std::string onset = "0";
};

std::string rowText(const Row& r) {
  return r.onset + ";0;" + std::to_string(r.bar) + ";" + std::to_string(r.beat) + ";" +
         std::to_string(r.tick) + ";" + std::to_string(r.pitch) + ";0;" +
         std::to_string(r.durtic) + ";4;\n";
}

std::string table(const std::vector<Row>& rows, const std::string& header = kHeader) {
  std::string text = header + "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;\n";
  for (const Row& r : rows) text += rowText(r);
  return text;
}

// A table text read with every message collected in one stream.
struct Load {
  bool ok = false;
  Melody melody;
  std::string messages;
};

Load load(const std::string& text, int level = 24, int verbosity = 0) {
  std::ostringstream err;
  MelodyReader reader(err, level);
  reader.verbosity = verbosity;
  Load result;
  std::istringstream in(text);
  result.ok = readMelodyTable(reader, in, "f.csv", result.melody);
  result.messages = err.str();
  return result;
}

const std::vector<Row> kTwoBeats = {{1, 1, 0, 60}, {1, 2, 0, 62}};

TEST(MelodyReader, HeaderParsing) {
  const std::tuple<const char*, std::uint32_t, std::uint32_t, std::uint32_t, std::int32_t> ok[] = {
      {"Signature: 12/8, Ticks per Beat: 480, Annotated Key: 0\n", 12, 8, 480, 0},
      {"Signature: 10/4, Ticks per Beat: 480\n", 10, 4, 480, 0},
      {"Signature: 4 /4 Ticks=480 Key: -5\n", 4, 4, 480, -5},
      {"Signature: 4/4, Ticks per Beat: 480, Annotated Key: 16\r\n", 4, 4, 480, 16}};
  for (const auto& [header, numerator, denominator, ticks, key] : ok) {
    const Load r = load(table(kTwoBeats, header));
    ASSERT_TRUE(r.ok) << header << r.messages;
    EXPECT_EQ(r.melody.signature.numerator, numerator);
    EXPECT_EQ(r.melody.signature.denominator, denominator);
    EXPECT_EQ(r.melody.signature.ticksPerBeat, ticks);
    EXPECT_EQ(r.melody.annotatedKey, key);
  }
  for (const char* header : {"Signature: 4-4, Ticks per Beat: 480\n",
                             "Signature: 4/4, ticks per beat: 480\n",
                             "Signature: 0/4, Ticks per Beat: 480\n",
                             "Signature: 4/4, Ticks per Beat: -480\n",
                             "Signature: 99999/4, Ticks per Beat: 480\n", "\n"}) {
    const Load r = load(table(kTwoBeats, header));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, "f.csv: Bad data format!\n") << header;
  }
}

TEST(MelodyReader, PitchCodes) {
  const std::pair<std::vector<int>, std::vector<std::int8_t>> cases[] = {
      {{60, 0, 62}, {60, 62}},       {{60, 128, 62}, {60, 62}},     {{60, 150, 62}, {60, 62}},
      {{60, 200, 62}, {60, 62}},     {{60, 250, 250}, {60, 60, 60}}, {{60, 128, 250, 62}, {60, 62}},
      {{0, 250, 60, 62}, {60, 62}},  {{300, 60}, {44, 60}}};
  for (const auto& [codes, pitches] : cases) {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < codes.size(); ++i) rows.push_back({1, int(i) + 1, 0, codes[i]});
    const Load r = load(table(rows, "Signature: 12/4, Ticks per Beat: 480\n"));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.melody.pitches, pitches);
    EXPECT_EQ(r.melody.timeline.size(), pitches.size());
  }
  const Load undefined = load(table({{1, 1, 0, 60}, {1, 2, 0, 129}, {1, 3, 0, 62}}));
  EXPECT_FALSE(undefined.ok);
  EXPECT_EQ(undefined.messages, "Found undefined pitch!\n");
}

TEST(MelodyReader, OnsetsTatumAndDurations) {
  const struct {
    std::vector<Row> rows;
    std::string header;
    std::uint64_t tatum;
    std::vector<std::uint32_t> durations;
    std::string messages;
  } cases[] = {
      {{{1, 1, 0, 60, 240, "0"}, {1, 1, 240, 62, 240, "1,25"}, {1, 2, 0, 64}, {1, 3, 0, 65, 960}},
       kHeader, 240, {1, 1, 2, 4}, ""},
      // One interval: the tatum is the beat, so half a beat is 0 tatums.
      {{{1, 1, 0, 60, 240}, {1, 1, 240, 62, 240}}, kHeader, 480, {0, 0}, ""},
      // No usable last duration: the note lasts to the end of its beat.
      {{{1, 1, 0, 60}, {1, 1, 120, 62}, {1, 1, 240, 64, 0}}, kHeader, 120, {1, 1, 2}, ""},
      // 1000 ticks at level 24: every tick times 3.
      {{{1, 1, 0, 60, 250}, {1, 1, 250, 62, 250}, {1, 1, 500, 64, 250}},
       "Signature: 4/4, Ticks per Beat: 1000\n", 750, {1, 1, 1}, ""},
      {{{1, 1, 0, 60, 12}, {1, 1, 12, 62, 12}, {1, 1, 24, 64, 24}},
       "Signature: 4/4, Ticks per Beat: 48\n", 12, {1, 1, 2},
       "Warning: Quantization level (24) suspiciously high. Using 48 instead.\n"},
      {{{1, 1, 0, 60}, {1, 1, 51, 62}, {1, 2, 0, 64}}, kHeader, 60, {1, 7, 8},
       "1.1.0 (1)\n1.1.60 (1)\n1.2.0 (1)\nQuantizing melody f.csv at level 24 ... Success.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.header + std::to_string(c.tatum));
    const Load r = load(table(c.rows, c.header));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.messages, c.messages);
    EXPECT_EQ(r.melody.timeline.cachedTatum, c.tatum);
    EXPECT_EQ(r.melody.durations, c.durations);
  }
  const Load r = load(table(cases[0].rows), 24, 1);
  EXPECT_EQ(r.messages, "Reading: f.csv\n");
  EXPECT_EQ(r.melody.name, "f.csv");
  EXPECT_EQ(r.melody.onsets, (std::vector<double>{0, 1.25, 0, 0}));
  EXPECT_EQ(r.melody.phraseFlags, (std::vector<std::int32_t>{1, 0, 0, 2}));
}

TEST(MelodyReader, BadInputFailsWithMessage) {
  const std::string bad = "f.csv: Bad data format!\n";
  const std::string position = ": Bar position inconsistent with signature 4/4 (480 ticks/beat)\n";
  std::string longRow = rowText({1, 2, 0, 62});
  longRow.insert(longRow.size() - 1, std::string(1025 - longRow.size(), ' '));  // 1024 + "\n"
  const std::tuple<std::string, std::string, int> cases[] = {
      {"", "f.csv: I/O Error\n", 24},
      {kHeader, "f.csv: I/O Error\n", 24},
      {table(kTwoBeats) + "\n", bad, 24},  // a blank line has no pitch
      {table({{1, 1, 0, 60}}) + "0;0;1;2;0;62;0;480\n", bad, 24},
      {table({{1, 1, 0, 60}}) + "0;0;1;2;0;62;0;;4;\n", bad, 24},
      {table({{1, 1, 0, 60}, {1, 2, 0, 62, -5}}), bad, 24},
      {table({{1, 1, 0, 60}, {2000000000, 2, 0, 62}}), bad, 24},
      {table({{1, 1, 0, 60}}) + longRow, bad, 24},  // read as two rows
      {table({{1, 1, 0, 60}}), "Warning: 1  pitches in melody f.csv\n", 24},
      {table({{1, 1, 0, 60}, {1, 5, 0, 62}}), "1.5.0 (1)" + position, 24},
      {table({{1, 1, 0, 60}, {1, 2, 480, 62}}), "1.2.480 (1)" + position, 24},
      {table({{1, 1, 0, 60}, {1, -1, 0, 62}}), "1.4294967295.0 (1)" + position, 24},
      {table({{1, 1, 0, 60}, {1, 1, 41, 62}, {1, 1, 45, 64}}),
       "1.1.0 (1)\n1.1.40 (1)\n1.1.40 (1)\nQuantizing melody f.csv at level 24 ... Failure.\n", 24},
      {table(kTwoBeats), "f.csv: Quantization level 0 is not supported (use 1 or more)\n", 0},
  };
  for (const auto& [text, messages, level] : cases) {
    SCOPED_TRACE(messages);
    const Load r = load(text, level);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, messages);
    EXPECT_TRUE(r.melody.empty() && r.melody.timeline.empty());
  }
  std::string row1023 = rowText({1, 2, 0, 62});
  row1023.insert(row1023.size() - 1, std::string(1024 - row1023.size(), ' '));
  EXPECT_TRUE(load(table({{1, 1, 0, 60}}) + row1023).ok);  // 1023 characters are one row
}

TEST(MelodyReader, SummaryText) {
  const Load r = load(test::readTextFile(test::dataPath("tables/summary.csv")));
  ASSERT_TRUE(r.ok) << r.messages;
  Melody m = r.melody;
  m.name = "summary.csv";
  std::ostringstream out;
  std::ostringstream diag;
  m.printMelodySummary(out, diag);
  test::expectMatchesGolden(out.str(), test::goldenPath("core/summary.txt"));
  EXPECT_EQ(diag.str(), "");
}

TEST(MelodyReader, ReadMelodyFilesKeepsFailuresInPlace) {
  test::ScratchDir dir;
  const auto good = dir.write("good.csv", table(kTwoBeats)).string();
  const auto bad = dir.write("bad.csv", "Signature: 4/4, Ticks per Beat: 480\n").string();
  const std::string missing = (dir.path() / "missing.csv").string();
  std::ostringstream err;
  MelodyReader reader(err);
  std::vector<Melody> melodies;
  EXPECT_TRUE(readMelodyFiles(reader, {good, missing, bad, good}, melodies));
  ASSERT_EQ(melodies.size(), 4u);
  EXPECT_EQ(melodies[0].size() + melodies[1].size() + melodies[2].size() + melodies[3].size(), 4u);
  EXPECT_EQ(melodies[3].size(), 2u);
  EXPECT_EQ(err.str(), "Error reading " + missing + "\n" + bad + ": I/O Error\nError reading " +
                           bad + "\n");
  EXPECT_EQ(reader.lastFailingName, bad);
  EXPECT_FALSE(readMelodyFiles(reader, {missing}, melodies));
  EXPECT_TRUE(readMelodyFiles(reader, {}, melodies));
}

TEST(FileList, TrimsAndSkips) {
  std::istringstream in("a.csv  \n;comment\n\nb.csv\t \r\n\r\n  c.csv\nd.csv");
  std::ostringstream err;
  std::vector<std::string> names{"stale"};
  EXPECT_TRUE(readFileList(in, "list", names, err));
  EXPECT_EQ(names, (std::vector<std::string>{"a.csv", "b.csv", "  c.csv", "d.csv"}));
  EXPECT_FALSE(readFileList("/nonexistent/list.txt", names, err));
  EXPECT_EQ(err.str(), "Could not open /nonexistent/list.txt\n");
}

}  // namespace
}  // namespace suite::core
