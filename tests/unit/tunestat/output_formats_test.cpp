// Rows, headers and file names of tunestat's output formats, and the two
// processing modes on files.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <sstream>

#include "support/test_support.h"
#include "tunestat/output_formats.h"

namespace suite::tunestat {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(OutputFormats, RowFormats) {
  const struct {
    OutputFormat format;
    DecimalMark runMark;
    bool transform;
    const char* separator;
    DecimalMark mark;
    const char* nan;
  } cases[] = {
      {OutputFormat::Csv, DecimalMark::Comma, false, ";", DecimalMark::Comma, "NaN"},
      {OutputFormat::Csv, DecimalMark::Point, true, ";", DecimalMark::Point, "NaN"},
      {OutputFormat::R, DecimalMark::Comma, false, " ", DecimalMark::Point, "NaN"},
      {OutputFormat::Gnuplot, DecimalMark::Comma, true, " ", DecimalMark::Point, "NaN"},
      {OutputFormat::Arff, DecimalMark::Comma, false, ",", DecimalMark::Point, "?"},
      {OutputFormat::Arff, DecimalMark::Comma, true, " ", DecimalMark::Point, "?"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.format) * 10 + static_cast<int>(c.transform));
    const RowFormat f = rowFormat(c.format, c.runMark, c.transform);
    EXPECT_EQ(f.separator, c.separator);
    EXPECT_EQ(f.decimalMark, c.mark);
    EXPECT_EQ(f.notANumber, c.nan);
  }
}

TEST(OutputFormats, FormatRow) {
  const RowFormat csvComma{";", DecimalMark::Comma, "NaN"};
  const RowFormat csvPoint{";", DecimalMark::Point, "NaN"};
  const RowFormat arff{",", DecimalMark::Point, "?"};
  const struct {
    const char* name;
    RowFormat format;
    std::vector<double> values;
    std::optional<std::string_view> prefix;
    const char* row;
  } cases[] = {
      {"comma", csvComma, {61.6, 5}, std::nullopt, "61,6;5"},
      {"point", csvPoint, {61.6, 5}, std::nullopt, "61.6;5"},
      {"prefix", csvComma, {61.6, 5}, "song.csv", "song.csv;61,6;5"},
      {"six significant digits", csvPoint, {1.0 / 3, 2.0 / 3, 123456.7}, std::nullopt,
       "0.333333;0.666667;123457"},
      {"exponent", csvComma, {1e6, -2.5e-7, 0}, std::nullopt, "1e+06;-2,5e-07;0"},
      {"no values", csvComma, {}, std::nullopt, ""},
      {"no values with prefix", csvComma, {}, "song.csv", "song.csv;"},
      {"not a number", csvComma, {kNaN, -kNaN, 1.5}, std::nullopt, "NaN;NaN;1,5"},
      {"not a number in arff", arff, {kNaN, 2}, std::nullopt, "?,2"},
      {"negative zero", csvPoint, {-0.0}, std::nullopt, "-0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(formatRow(c.format, c.values, c.prefix), c.row);
  }
}

// A row longer than 4095 characters is written whole (no values lost).
TEST(OutputFormats, LongRowsAreNotCut) {
  const std::vector<double> values(1000, 12.345678);
  const std::string row = formatRow({";", DecimalMark::Comma, "NaN"}, values, "long.csv");
  EXPECT_EQ(row.size(), 8u + 1 + 1000 * 7 + 999);  // prefix, separators, 7-character values
  EXPECT_TRUE(row.ends_with(";12,3457;12,3457"));
}

TEST(OutputFormats, FeatureHeader) {
  const analysis::FeatureSelection features = {&analysis::featureTable[72],
                                               &analysis::featureTable[58],
                                               &analysis::featureTable[72]};
  EXPECT_EQ(featureHeader(features, OutputFormat::Csv, ";", "file"),
            "file;pitch-avg;length;pitch-avg");
  EXPECT_EQ(featureHeader(features, OutputFormat::R, " ", "pitch"),
            "pitch pitch-avg length pitch-avg");
  EXPECT_EQ(featureHeader(features, OutputFormat::Arff, ",", "file"),
            "@relation melodic-features\n\n@attribute pitch-avg numeric\n"
            "@attribute length numeric\n@attribute pitch-avg numeric\n@data\n\n");
  EXPECT_EQ(featureHeader({}, OutputFormat::Gnuplot, " ", "file"), "file");
}

TEST(OutputFormats, TransformFileName) {
  const struct {
    const char* file;
    const char* base;
    const char* result;
  } cases[] = {
      {"dir/song.csv", "t", "dir/song_t.csv"},
      {"song", "t", "song_t.csv"},
      {"song.csv", "feat", "song_feat.csv"},
      {"a.b.csv", "t", "a.b_t.csv"},
      // Dots of directories do not start an extension.
      {"./song", "t", "./song_t.csv"},
      {"../tables.v2/song", "t", "../tables.v2/song_t.csv"},
      {"../tables.v2/song.csv", "t", "../tables.v2/song_t.csv"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    EXPECT_EQ(transformFileName(c.file, c.base), c.result);
  }
}

const char* const kSong =
    "Signature: 4/4, Ticks per Beat: 480, Annotated Key: 0\n"
    "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;\n"
    "0,0000;0;1;1;0;60;0,5000;479;24;\n"
    "0,5000;480;1;2;0;62;0,5000;479;24;\n"
    "1,0000;960;1;3;0;64;0,5000;479;24;\n"
    "1,5000;1440;1;4;0;62;0,5000;479;24;\n"
    "2,0000;1920;2;1;0;60;0,5000;479;24;\n";

analysis::FeatureSelection select(const char* names) {
  analysis::FeatureSelection selection;
  EXPECT_TRUE(analysis::parseFeatureList(names, selection));
  return selection;
}

TEST(OutputFormats, FeatureModeToAFileReplacesIt) {
  test::ScratchDir dir(true);
  dir.write("song.csv", kSong);
  dir.write("out.csv", "old content that must go\nand more\n");
  OutputSettings settings;
  settings.outputName = "out.csv";
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_TRUE(runFeatureMode(select("pitch-avg,length"), {"song.csv"}, settings, out, err));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "");
  EXPECT_EQ(test::readTextFile(dir.path() / "out.csv"), "file;pitch-avg;length\nsong.csv;61,6;5\n");
}

TEST(OutputFormats, FeatureModeFailures) {
  test::ScratchDir dir(true);
  dir.write("song.csv", kSong);
  OutputSettings settings;
  std::ostringstream out;
  std::ostringstream err;
  // Nothing readable: no output at all.
  EXPECT_FALSE(runFeatureMode(select("length"), {"missing.csv"}, settings, out, err));
  EXPECT_EQ(out.str(), "");
  EXPECT_EQ(err.str(), "Error reading missing.csv\n");
  // An output file that cannot be created: false without a message.
  settings.outputName = "nodir/out.csv";
  std::ostringstream err2;
  EXPECT_FALSE(runFeatureMode(select("length"), {"song.csv"}, settings, out, err2));
  EXPECT_EQ(err2.str(), "");
  // A stream that fails on writing.
  settings.outputName.clear();
  std::ostringstream broken;
  broken.setstate(std::ios::badbit);
  EXPECT_FALSE(runFeatureMode(select("length"), {"song.csv"}, settings, broken, err));
  // An empty list reads fine and writes the header only.
  std::ostringstream headerOnly;
  EXPECT_TRUE(runFeatureMode(select("length"), {}, settings, headerOnly, err));
  EXPECT_EQ(headerOnly.str(), "file;length\n");
}

// A melody file whose output cannot be created is left out; the others are
// written and the mode reports the failure.
TEST(OutputFormats, TransformModeGoesOnAfterAFileThatCannotBeCreated) {
  test::ScratchDir dir(true);
  dir.write("song.csv", kSong);
  dir.write("locked/song.csv", kSong);
  std::filesystem::create_directory(dir.path() / "locked/song_t.csv");  // blocks the file
  OutputSettings settings;
  settings.outputName = "t";
  settings.header = false;
  std::ostringstream out;
  std::ostringstream err;
  EXPECT_FALSE(runTransformMode(select("huron-contour"), {"locked/song.csv", "song.csv"}, settings,
                                out, err));
  EXPECT_EQ(test::readTextFile(dir.path() / "song_t.csv"), "song.csv;60;7\n");
  EXPECT_EQ(out.str(), "");
}

}  // namespace
}  // namespace suite::tunestat
