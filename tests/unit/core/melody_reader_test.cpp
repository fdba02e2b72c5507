// Melody table reader and file lists.
#include <gtest/gtest.h>

#include <sstream>

#include "core/melody_reader.h"
#include "support/test_support.h"

namespace suite::core {
namespace {

constexpr const char* kHeader = "Signature: 4/4, Ticks per Beat: 480, Annotated Key: 0\n";
constexpr const char* kColumns = "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;\n";

struct Row {
  int bar;
  int beat;
  int tick;
  int pitch;
  int durtic = 480;
  std::string onset = "0";
};

std::string rowText(const Row& r) {
  return r.onset + ";0;" + std::to_string(r.bar) + ";" + std::to_string(r.beat) + ";" +
         std::to_string(r.tick) + ";" + std::to_string(r.pitch) + ";0;" +
         std::to_string(r.durtic) + ";4;\n";
}

std::string table(const std::vector<Row>& rows, const std::string& header = kHeader) {
  std::string text = header + kColumns;
  for (const Row& r : rows) text += rowText(r);
  return text;
}

// Result of reading a table text with all messages collected in one stream.
struct Load {
  bool ok = false;
  Melody melody;
  std::string messages;
};

Load load(const std::string& text, int level = 24, int verbosity = 0) {
  std::ostringstream err;
  MelodyReader reader(err);
  reader.verbosity = verbosity;
  Load result;
  result.melody.messageStream = &err;
  result.melody.errorStream = &err;
  result.melody.quantLevel = level;
  std::istringstream in(text);
  result.ok = readMelodyTable(reader, in, "f.csv", result.melody);
  result.messages = err.str();
  return result;
}

const std::vector<Row> kTwoBeats = {{1, 1, 0, 60}, {1, 2, 0, 62}};

TEST(MelodyReader, HeaderParsing) {
  const struct {
    const char* header;
    std::uint32_t numerator, denominator, ticks;
    std::int32_t key;
  } accepted[] = {
      {"Signature: 12/8, Ticks per Beat: 480, Annotated Key: 0\n", 12, 8, 480, 0},
      {"Signature: 10/4, Ticks per Beat: 480\n", 10, 4, 480, 0},
      {"Signature: 4 /4 Ticks=480 Key: -5\n", 4, 4, 480, -5},
      {"Signature: 4/4, Ticks per Beat: 480, Annotated Key: 16\r\n", 4, 4, 480, 16},
  };
  for (const auto& c : accepted) {
    SCOPED_TRACE(c.header);
    const Load r = load(table(kTwoBeats, c.header));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.melody.signature.numerator, c.numerator);
    EXPECT_EQ(r.melody.signature.denominator, c.denominator);
    EXPECT_EQ(r.melody.signature.ticksPerBeat, c.ticks);
    EXPECT_EQ(r.melody.annotatedKey, c.key);
    EXPECT_DOUBLE_EQ(r.melody.barLength, double(c.numerator) / c.denominator);
  }
  const char* rejected[] = {
      "Signature: 4-4, Ticks per Beat: 480\n",      // no "/"
      "Signature: 4/4, ticks per beat: 480\n",      // "Ticks" is case-sensitive
      "Signature: 0/4, Ticks per Beat: 480\n",      // numerator 0
      "Signature: /4, Ticks per Beat: 480\n",       // no numerator
      "Signature: 4/4, Ticks per Beat: 0\n",        // no nonzero ticks
      "Signature: 4/4, Ticks per Beat: -480\n",     // negative ticks
      "Signature: 99999/4, Ticks per Beat: 480\n",  // beyond the accepted range
      "\n",
  };
  for (const char* header : rejected) {
    SCOPED_TRACE(header);
    const Load r = load(table(kTwoBeats, header));
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, "f.csv: Bad data format!\n");
    EXPECT_TRUE(r.melody.empty());
  }
}

TEST(MelodyReader, PitchCodes) {
  const struct {
    std::vector<int> codes;
    std::vector<std::int8_t> pitches;
  } cases[] = {
      {{60, 0, 62}, {60, 62}},
      {{60, 128, 62}, {60, 62}},
      {{60, 150, 62}, {60, 62}},
      {{60, 200, 62}, {60, 62}},
      {{60, 250}, {60, 60}},
      {{60, 250, 250}, {60, 60, 60}},
      {{60, 128, 250, 62}, {60, 62}},
      {{0, 250, 60, 62}, {60, 62}},
      {{300, 60}, {44, 60}},
      {{-196, 60}, {60, 60}},
  };
  for (const auto& c : cases) {
    std::vector<Row> rows;
    for (std::size_t i = 0; i < c.codes.size(); ++i) {
      rows.push_back({1, static_cast<int>(i) + 1, 0, c.codes[i]});
    }
    const Load r = load(table(rows, "Signature: 12/4, Ticks per Beat: 480\n"));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.melody.pitches, c.pitches);
    EXPECT_EQ(r.melody.timeline.size(), c.pitches.size());
  }
  const Load undefined = load(table({{1, 1, 0, 60}, {1, 2, 0, 129}, {1, 3, 0, 62}}));
  EXPECT_FALSE(undefined.ok);
  EXPECT_EQ(undefined.messages, "Found undefined pitch!\n");
}

TEST(MelodyReader, RowsAndDurations) {
  std::vector<Row> rows = {{1, 1, 0, 60, 240, "0"},
                           {1, 1, 240, 62, 240, "1,25"},
                           {1, 2, 0, 64, 480, "1.5"},
                           {1, 3, 0, 65, 960, "2"}};
  const Load r = load(table(rows));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.messages, "");
  EXPECT_EQ(r.melody.name, "f.csv");
  EXPECT_EQ(r.melody.onsets, (std::vector<double>{0, 1.25, 1.5, 2}));
  EXPECT_EQ(r.melody.timeline.cachedTatum, 240u);
  EXPECT_EQ(r.melody.durations, (std::vector<std::uint32_t>{1, 1, 2, 4}));
  EXPECT_EQ(r.melody.phraseFlags, (std::vector<std::int32_t>{1, 0, 0, 2}));
}

TEST(MelodyReader, TwoNotesHaveBeatTatum) {
  // One interval: the tatum is the beat, so a half-beat distance is 0 tatums,
  // and the last note (240 ticks) ends with its beat.
  const Load r = load(table({{1, 1, 0, 60, 240}, {1, 1, 240, 62, 240}}));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.melody.timeline.cachedTatum, 480u);
  EXPECT_EQ(r.melody.durations, (std::vector<std::uint32_t>{0, 0}));
}

TEST(MelodyReader, LastDurationFallsBackToEndOfBeat) {
  const Load r = load(table({{1, 1, 0, 60}, {1, 1, 120, 62}, {1, 1, 240, 64, 0}}));
  ASSERT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.melody.durations, (std::vector<std::uint32_t>{1, 1, 2}));
}

TEST(MelodyReader, QuantizationLevelAdjustment) {
  {  // 480 is a multiple of 24: nothing changes
    const Load r = load(table({{1, 1, 0, 60}, {1, 1, 240, 62}, {1, 2, 0, 64}}));
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.melody.signature.ticksPerBeat, 480u);
    EXPECT_EQ(r.messages, "");
  }
  {  // 1000 ticks at level 24: everything times 3
    const Load r = load(table({{1, 1, 0, 60, 250}, {1, 1, 250, 62, 250}, {1, 1, 500, 64, 250}},
                              "Signature: 4/4, Ticks per Beat: 1000\n"));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.melody.signature.ticksPerBeat, 3000u);
    EXPECT_EQ(r.melody.timeline[1].tick, 750u);
    EXPECT_EQ(r.melody.durations, (std::vector<std::uint32_t>{1, 1, 1}));
  }
  {  // 48 ticks at level 24: suspiciously high, 48 is used
    const Load r = load(table({{1, 1, 0, 60, 12}, {1, 1, 12, 62, 12}, {1, 1, 24, 64, 24}},
                              "Signature: 4/4, Ticks per Beat: 48\n"));
    ASSERT_TRUE(r.ok) << r.messages;
    EXPECT_EQ(r.messages, "Warning: Quantization level (24) suspiciously high. Using 48 instead.\n");
    EXPECT_EQ(r.melody.quantLevel, 48);
    EXPECT_EQ(r.melody.durations, (std::vector<std::uint32_t>{1, 1, 2}));
  }
}

TEST(MelodyReader, QuantizesOffGridPositions) {
  const Load ok = load(table({{1, 1, 0, 60}, {1, 1, 51, 62}, {1, 2, 0, 64}}));
  ASSERT_TRUE(ok.ok) << ok.messages;
  EXPECT_EQ(ok.messages,
            "1.1.0 (1)\n1.1.60 (1)\n1.2.0 (1)\nQuantizing melody f.csv at level 24 ... Success.\n");
  EXPECT_EQ(ok.melody.durations, (std::vector<std::uint32_t>{1, 7, 8}));

  const Load collision = load(table({{1, 1, 0, 60}, {1, 1, 41, 62}, {1, 1, 45, 64}}));
  EXPECT_FALSE(collision.ok);
  EXPECT_EQ(collision.messages,
            "1.1.0 (1)\n1.1.40 (1)\n1.1.40 (1)\nQuantizing melody f.csv at level 24 ... Failure.\n");
  EXPECT_TRUE(collision.melody.empty());
}

TEST(MelodyReader, BadInputFailsWithMessage) {
  const std::string bad = "f.csv: Bad data format!\n";
  const std::string position = ": Bar position inconsistent with signature 4/4 (480 ticks/beat)\n";
  const struct {
    const char* name;
    std::string text;
    std::string messages;
    int level = 24;
  } cases[] = {
      {"empty file", "", "f.csv: I/O Error\n"},
      {"header only", kHeader, "f.csv: I/O Error\n"},
      {"binary junk", std::string("\x00\xff\x01/\x02Ticks\n", 12) + kColumns, bad},
      {"empty line among rows", table(kTwoBeats) + "\n" + rowText({1, 3, 0, 64}), bad},
      {"blank line at the end", table(kTwoBeats) + "\n", bad},
      {"missing pitch", table({{1, 1, 0, 60}}) + "0;0;1;2;0;;0;480;4;\n", bad},
      {"missing dur16", table({{1, 1, 0, 60}}) + "0;0;1;2;0;62;0;480\n", bad},
      {"missing durtic", table({{1, 1, 0, 60}}) + "0;0;1;2;0;62;0;;4;\n", bad},
      {"negative durtic", table({{1, 1, 0, 60}, {1, 2, 0, 62, -5}}), bad},
      {"huge bar number", table({{1, 1, 0, 60}, {2000000000, 2, 0, 62}}), bad},
      {"one note", table({{1, 1, 0, 60}}), "Warning: 1  pitches in melody f.csv\n"},
      {"no notes", table({{1, 1, 0, 0}}), "Warning: 0  pitches in melody f.csv\n"},
      {"beat beyond numerator", table({{1, 1, 0, 60}, {1, 5, 0, 62}}), "1.5.0 (1)" + position},
      {"tick beyond beat", table({{1, 1, 0, 60}, {1, 2, 480, 62}}), "1.2.480 (1)" + position},
      {"negative beat", table({{1, 1, 0, 60}, {1, -1, 0, 62}}), "1.4294967295.0 (1)" + position},
      {"beat 0", table({{1, 0, 0, 60}, {1, 2, 0, 62}}), "1.0.0 (1)" + position},
      {"quantization level 0", table(kTwoBeats),
       "f.csv: Quantization level 0 is not supported (use 1 or more)\n", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Load r = load(c.text, c.level);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.messages, c.messages);
    EXPECT_TRUE(r.melody.empty());
    EXPECT_TRUE(r.melody.timeline.empty());
  }
}

TEST(MelodyReader, RowsOutOfOrderLoadWithTooFewDurations) {
  const Load r = load(table({{1, 2, 0, 60}, {1, 1, 0, 62}, {1, 3, 0, 64}}));
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.messages, "Invalid BarTimeline.\nInvalid BarTimeline.\n");
  EXPECT_EQ(r.melody.pitches.size(), 3u);
  EXPECT_EQ(r.melody.durations.size(), 1u);
  EXPECT_TRUE(r.melody.phraseFlags.empty());
}

TEST(MelodyReader, LineOf1023CharactersIsOneRow) {
  std::string row = rowText({1, 2, 0, 62});
  row.pop_back();
  const std::string padded = row + std::string(1023 - row.size(), ' ') + "\n";
  ASSERT_EQ(padded.size(), 1024u);
  const Load r = load(table({{1, 1, 0, 60}}) + padded);
  EXPECT_TRUE(r.ok) << r.messages;
  EXPECT_EQ(r.melody.size(), 2u);

  const Load longer = load(table({{1, 1, 0, 60}}) + row + std::string(1024 - row.size(), ' ') + "x\n");
  EXPECT_FALSE(longer.ok);
  EXPECT_EQ(longer.messages, "f.csv: Bad data format!\n");
}

TEST(MelodyReader, VerboseAnnouncesFile) {
  const Load r = load(table(kTwoBeats), 24, 1);
  EXPECT_EQ(r.messages, "Reading: f.csv\n");
}

TEST(MelodyReader, RealMelodies) {
  // Expected values worked out from the files by the script in tests/data/README.md.
  const struct {
    const char* file;
    std::size_t notes;
    std::uint32_t numerator;
    std::int32_t key;
    std::uint64_t tatum, total;
    std::uint32_t bars;
    int lowest, highest;
    double mean;
  } cases[] = {
      {"ATripToGalway.csv", 182, 6, 16, 240, 191, 16, 62, 83, 71.17582417582418},
      {"DowntheGortRoadreel.csv", 98, 4, 7, 240, 127, 16, 66, 83, 73.14285714285714},
      {"TipperaryHills.csv", 101, 9, 2, 120, 287, 8, 62, 79, 70.62376237623762},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    std::ostringstream err;
    MelodyReader reader(err);
    Melody m;
    m.errorStream = &err;
    m.messageStream = &err;
    ASSERT_TRUE(readMelodyFile(reader, test::dataPath("melodies/") .string() + c.file, m));
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(m.size(), c.notes);
    EXPECT_EQ(m.durations.size(), c.notes);
    EXPECT_EQ(m.onsets.size(), c.notes);
    EXPECT_EQ(m.timeline.size(), c.notes);
    EXPECT_EQ(m.phraseFlags.size(), c.notes);
    EXPECT_EQ(m.signature.numerator, c.numerator);
    EXPECT_EQ(m.annotatedKey, c.key);
    EXPECT_EQ(m.timeline.cachedTatum, c.tatum);
    EXPECT_EQ(m.totalDuration(), c.total);
    EXPECT_EQ(m.timeline.numberOfBars(), c.bars);
    EXPECT_EQ(m.pitchRange(), std::make_pair(c.lowest, c.highest));
    EXPECT_DOUBLE_EQ(m.meanPitch(), c.mean);
  }
}

TEST(MelodyReader, SummaryText) {
  const Load r = load(test::readTextFile(test::dataPath("tables/summary.csv")));
  ASSERT_TRUE(r.ok) << r.messages;
  Melody m = r.melody;
  m.name = "summary.csv";
  std::ostringstream out;
  m.printMelodySummary(out);
  test::expectMatchesGolden(out.str(), test::goldenPath("core/summary.txt"));
}

TEST(MelodyReader, ReadMelodyFilesKeepsFailuresInPlace) {
  test::ScratchDir dir;
  const auto good = dir.write("good.csv", table(kTwoBeats)).string();
  const auto bad = dir.write("bad.csv", "Signature: 4/4, Ticks per Beat: 480\n").string();
  const std::string missing = (dir.path() / "missing.csv").string();

  std::ostringstream err;
  MelodyReader reader(err);
  std::vector<Melody> melodies;
  EXPECT_TRUE(readMelodyFiles(reader, {good, missing, bad, good}, 24, melodies));
  ASSERT_EQ(melodies.size(), 4u);
  EXPECT_EQ(melodies[0].size(), 2u);
  EXPECT_TRUE(melodies[1].empty());
  EXPECT_TRUE(melodies[2].empty());
  EXPECT_EQ(melodies[3].size(), 2u);
  EXPECT_EQ(melodies[0].messageStream, &err);
  EXPECT_EQ(err.str(), "Error reading " + missing + "\n" + bad + ": I/O Error\nError reading " +
                           bad + "\n");
  EXPECT_EQ(reader.lastFailingName, bad);

  EXPECT_FALSE(readMelodyFiles(reader, {missing}, 24, melodies));
  EXPECT_TRUE(readMelodyFiles(reader, {}, 24, melodies));
  EXPECT_TRUE(melodies.empty());
}

TEST(FileList, TrimsAndSkips) {
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> expected;
  } cases[] = {
      {"blanks, comment, empty line", "a.csv  \n;comment\n\nb.csv\n", {"a.csv", "b.csv"}},
      {"carriage returns", "a.csv\r\n\r\nb.csv\t \r\n", {"a.csv", "b.csv"}},
      {"leading blanks stay", "  c.csv\n", {"  c.csv"}},
      {"no final line feed", "a.csv\nb.csv", {"a.csv", "b.csv"}},
      {"only comments", ";x\n;y\n", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.text);
    std::ostringstream err;
    std::vector<std::string> names{"stale"};
    EXPECT_TRUE(readFileList(in, "list", names, err));
    EXPECT_EQ(names, c.expected);
    EXPECT_EQ(err.str(), "");
  }
  std::ostringstream err;
  std::vector<std::string> names;
  EXPECT_FALSE(readFileList("/nonexistent/list.txt", names, err));
  EXPECT_EQ(err.str(), "Could not open /nonexistent/list.txt\n");
}

}  // namespace
}  // namespace suite::core
