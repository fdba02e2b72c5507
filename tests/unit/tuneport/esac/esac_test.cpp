// EsAC records: the reader's key-line checks, the melody string's signs,
// upbeats, resolution and tatum, cut and phrase, and parse errors; the
// writer's tokens, octave shift, bar lines, ties, rests, triplet groups and
// failures; records that read back unchanged.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/converter_melody_builder.h"
#include "support/test_support.h"
#include "tuneport/esac/esac_reader.h"
#include "tuneport/esac/esac_writer.h"

namespace suite::tuneport::esac {
namespace {

using Ints = std::vector<std::int32_t>;

std::string record(std::string_view key, std::string_view melody) {
  return "TEST\nCUT[x]\nKEY[" + std::string(key) + "]\nMEL[" + std::string(melody) + "]\nBEM[]\n";
}

bool read(std::string_view key, std::string_view melody, model::ConverterMelody& m,
          std::string& error, const model::ConversionSettings& settings = {}) {
  return readEsacText(record(key, melody), settings, m, error);
}

TEST(EsacRecord, RejectsUnusableKeyLines) {
  const std::pair<const char*, const char*> cases[] = {
      {"K1  3  C 2/4", "Basic unit invalid."},
      {"K1  0  C 2/4", "Basic unit invalid."},
      {"K1  -16  C 2/4", "Basic unit invalid."},
      {"K1  16  G 3/4 2/4", "Multiple Signatures found."},
      {"K1  16  G", "No Signatures found."},
      {"K1  16  G 3/0", "Invalid time signature: 3/0"},
  };
  for (const auto& [key, message] : cases) {
    SCOPED_TRACE(key);
    model::ConverterMelody m;
    std::string error;
    EXPECT_FALSE(read(key, "1 //", m, error));
    EXPECT_EQ(error, message);
  }
  model::ConverterMelody m;
  std::string error;
  EXPECT_FALSE(read("K1  16  G 3/4", " \n //", m, error));
  EXPECT_EQ(error, "No notes in melody string.");
}

TEST(EsacMelody, ParseErrorsShowWhereTheyHappen) {
  model::ConverterMelody m;
  std::string error;
  EXPECT_FALSE(read("K 16 C 4/4", "1_2_3_4_-+5 //", m, error));
  EXPECT_EQ(error,
            "\"3_4_\n     +5 \"\nError while parsing melody string at token 9. Wrong octavation");
  // Within the first five characters the excerpt starts at the first one.
  EXPECT_FALSE(read("K 16 C 4/4", "1 -#2 //", m, error));
  EXPECT_EQ(error,
            "\"1 -#\n     #2 \"\nError while parsing melody string at token 3. "
            "Invalid accidential.");

  const struct {
    const char* melody;
    int token;
    const char* reason;
  } cases[] = {
      {"1_(12>", 5, "Tuplet signs don't match"},
      {"(1(23))", 2, "No nested tuplets allowed"},
      {"(123 )", 5, "Misplaced triplet sign"},
      {"1_.2.", 4, "Misplaced prolongation."},  // a dot on one unit
      {"12 _3", 3, "Misplaced prolongation."},
      {"1 2 -+3", 5, "Wrong octavation"},
      {"12 ------3", 9, "Pitch out of range."},
      {"1 +++++5#", 7, "Pitch out of range."},  // 128
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.melody);
    EXPECT_FALSE(read("K 16 C 4/4", c.melody, m, error));
    const std::string tail = "at token " + std::to_string(c.token) + ". " + c.reason;
    EXPECT_EQ(error.substr(error.size() - std::min(error.size(), tail.size())), tail);
  }
}

TEST(EsacMelody, SignsGivePitchesAndOnsets) {
  const struct {
    const char* what;
    const char* key;
    const char* melody;
    Ints pitches;
    Ints onsets;  // ticks, the end of the last note included
    std::int32_t ticksPerBeat;
  } cases[] = {
      {"octaves and accidentals",
       "K 16 Eb 4/4",
       "1-5+5 1#2b3 //",
       {63, 58, 82, 64, 64, 67},
       {0, 1, 2, 3, 4, 5, 6},
       4},
      {"rest, unknown tonic", "K 16 H 4/4", "1_0 //", {128, 0}, {0, 2, 3}, 4},
      {"dots and underscore, base 4", "K 16 C 4/4", "1<1..1_>//", {60, 60, 60}, {0, 5, 12, 20}, 20},
      {"triplets", "K 16 C 2/4", "(1_23)4 //", {60, 62, 64, 65}, {0, 4, 6, 8, 11}, 12},
      {"holds", "K 16 C 2/4", "1^_2_^_. //", {60, 62}, {0, 3, 8}, 4},
      {"3/8", "K 16 C 3/8", "12_3 //", {60, 62, 64}, {0, 2, 6, 8}, 4},
      {"2/2 keeps its sixteenths", "K 16 C 2/2", "1234 //", {60, 62, 64, 65}, {0, 1, 2, 3, 4}, 8},
      {"basic unit 4", "K 04 C 3/4", "12_3 //", {60, 62, 64}, {0, 1, 3, 4}, 1},
      {"basic unit 2", "K 02 C 3/2", "12_3 //", {60, 62, 64}, {0, 1, 3, 4}, 1},
      {"a tab is no sharp", "K 16 C 4/4", "1\t2 //", {60, 62}, {0, 1, 2}, 4},
      {"no end sign", "K 16 C 4/4", "1_2", {60, 62}, {0, 2, 3}, 4},
      {"sixteenth upbeat in G 3/4",
       "K 16 G 3/4",
       "5 1__3__5__ //",
       {74, 67, 71, 74},
       {11, 12, 16, 20, 24},
       4},
      {"leading rest: no upbeat", "K 16 C 2/4", "0_1_ 2___ //", {0, 60, 62}, {0, 2, 4, 12}, 4},
      {"first bar ending in a tie",
       "K\t16\tC 2/4",
       "1__3__ ^__5__ //",
       {60, 64, 67},
       {0, 4, 12, 16},
       4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    model::ConverterMelody m;
    std::string error;
    ASSERT_TRUE(read(c.key, c.melody, m, error)) << error;
    EXPECT_EQ(m.pitches(), c.pitches);
    Ints onsets = m.onsetTicks();
    onsets.push_back(onsets.back() + m.durationTicks(m.size() - 1));
    EXPECT_EQ(onsets, c.onsets);
    EXPECT_EQ(m.ticksPerBeat, c.ticksPerBeat);
  }
}

TEST(EsacMelody, MetreAndUnits) {
  model::ConverterMelody m;
  std::string error;
  ASSERT_TRUE(read("K 16 G 3/4", "5 1__3_2_.43_ 5___. //", m, error));
  EXPECT_EQ(m.key, 7);
  EXPECT_EQ(m.tempo(), 500.0);
  EXPECT_EQ(m.notes[1].position.toString(), "1.1.0");
  // One basic unit each; estimating the tatum would merge 3_ and 2 into one unit.
  EXPECT_EQ(m.durationUnits(), (Ints{1, 4, 2, 3, 1, 2, 12}));

  ASSERT_TRUE(read("K 08 C 6/8", "1_.23_ 4_5_6_ 5 //", m, error));
  EXPECT_EQ(m.tempo(), 250.0);
  EXPECT_EQ(m.durationUnits(), (Ints{3, 1, 2, 2, 2, 2, 1}));
  EXPECT_EQ(m.notes[3].position.toString(), "2.1.0");
}

TEST(EsacMelody, CutAndPhrase) {
  const std::string melody = "1_2_3_4_ 5_4_3_2_\n  5_6_7_+1_ +2_+1_5__\n  1___ //";
  model::ConversionSettings settings;
  model::ConverterMelody m;
  std::string error;
  ASSERT_TRUE(read("K 16 C 2/4", melody, m, error, settings));
  EXPECT_EQ(m.phraseStarts, (std::vector<double>{0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 1}));
  settings.phrase = 2;
  ASSERT_TRUE(read("K 16 C 2/4", melody, m, error, settings));
  EXPECT_EQ(m.pitches(), (Ints{67, 69, 71, 72, 74, 72, 67}));
  settings.phrase = 0;
  settings.cut = 750;  // a note starting at the cut time is not read
  ASSERT_TRUE(read("K 16 C 2/4", melody, m, error, settings));
  EXPECT_EQ(m.pitches(), (Ints{60, 62, 64}));
}

TEST(EsacRead, FilesAndStreams) {
  model::ConverterMelody m;
  std::string error;
  EXPECT_FALSE(readEsacMelody("no-such-file.esa", {}, m, error));
  EXPECT_EQ(error, "Could not open no-such-file.esa");
  std::istringstream empty("");
  error = "x";
  EXPECT_FALSE(readEsacStream(empty, {}, m, error));
  EXPECT_EQ(error, "");

  // A melody line far beyond 1023 characters reads as a whole.
  std::string lines;
  for (int i = 0; i < 600; ++i) lines += "12 ";
  std::istringstream longLine(record("K 16 C 2/4", lines + "//"));
  ASSERT_TRUE(readEsacStream(longLine, {}, m, error)) << error;
  EXPECT_EQ(m.size(), 1200u);
}

TEST(EsacTokens, DegreesDurationsAndOctaves) {
  const struct {
    std::int32_t pitch;
    const char* token;
  } degrees[] = {{60, "1"},  {62, "2"},  {71, "7"}, {72, "+1"}, {59, "-7"}, {48, "-1"}, {47, "--7"},
                 {61, "2b"}, {66, "4#"}, {0, "0"},  {128, "^"}, {200, "?"}, {-5, "?"}};
  for (const auto& d : degrees) EXPECT_EQ(pitchToken(d.pitch, 60), d.token) << d.pitch;
  EXPECT_EQ(pitchToken(60, 67, 12), "4");

  const char* durations[] = {"", "", "_", "_.", "__", "__^", "__.", "__..", "___", "___^", "___^_"};
  for (std::int64_t n = 0; n <= 10; ++n) EXPECT_EQ(durationToken(n), durations[n]) << n;

  const struct {
    std::int32_t median, reference, shift;
  } shifts[] = {{60, 60, 0},  {72, 60, 0},    {73, 60, -12}, {59, 60, 12}, {48, 60, 12},
                {35, 60, 36}, {110, 67, -36}, {0, 60, 0},    {INT32_MAX, 60, 0}};
  for (const auto& s : shifts) EXPECT_EQ(octaveShift(s.median, s.reference), s.shift) << s.median;
}

TEST(EsacWriter, WritesBarsTiesAndTriplets) {
  const struct {
    const char* what;
    const char* key;
    const char* melody;
    const char* written;
    const char* report;
  } cases[] = {
      {"a whole-bar note ends its bar", "K 16 C 2/4", "1___2_3_4_5_ //", "1___ 2_3_4_5_ //", ""},
      {"notes over bar lines are tied", "K 8 C 2/4", "1_2__. 3___. //", "1_2_ ^__ 3__ ^__ ^__ //",
       ""},
      {"a line at a phrase start", "K 8 C 2/4", "1234 5432 1__0__ 3456 7654 5__ //",
       "1234 5432 1__ \n0__ 3456 7654 5__ //", ""},
      {"one note: a line every second bar", "K 8 C 2/4", "1__ 0__ 0__ 0__ //",
       "1__ 0__ \n0__ 0__ \n//", ""},
      {"triplet group, then regular notes", "K 16 C 2/4", "(1_2_3_)4_5_ 1___ //",
       "(1_2_3_)4_5_ 1___ //",
       "Melody has triplets!\nCreate triplet, counter=0\nCreated triplet : counter=4\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    model::ConverterMelody m;
    std::string error;
    const std::string text = "KEY[" + std::string(c.key) + "]\nMEL[" + c.melody + "]\n";
    ASSERT_TRUE(readEsacText(text, {}, m, error)) << error;
    std::ostringstream out;
    std::string record;
    ASSERT_TRUE(esacRecordText(m, "song", out, record, error)) << error;
    const std::string key = std::string(c.key).substr(2);
    EXPECT_EQ(record,
              "CUT[]\nREG[]\nTRD[]\nKEY[song " + key + "]\nMEL[" + c.written + "]\nFKT[]\nTXT[]\n");
    EXPECT_EQ(out.str(), c.report);
  }
}

TEST(EsacWriter, RestsFromGapsAndFailures) {
  using test::TickNote;
  const auto melody = [](std::initializer_list<TickNote> notes, std::int32_t tatum = 1,
                         std::int32_t ticksPerBeat = 4) {
    model::ConverterMelody m = test::melodyFromTicks(notes, ticksPerBeat);
    m.tatum = tatum;
    m.durationUnit = tatum;
    return m;
  };
  const struct {
    const char* what;
    model::ConverterMelody melody;
    const char* result;  // the melody string, or the error
  } cases[] = {
      // A gap of half the interval is a rest; one of a quarter is absorbed.
      {"gaps", melody({{0, 2, 60}, {4, 3, 62}, {8, 8, 64}}), "1_0_2__3___ //"},
      {"a note longer than its interval", melody({{0, 4, 60}, {0, 4, 62}, {4, 4, 64}}),
       "Invalid melody. Probably not monophonic."},
      {"no tatum", melody({{0, 4, 60}}, 0), "Invalid tatum: 0"},
      {"open triplet", melody({{0, 3, 60}, {3, 3, 62}, {6, 2, 64}}, 1, 12),
       "Incomplete triplet at end."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::ostringstream out;
    std::string record;
    std::string error;
    const bool ok = esacRecordText(c.melody, "x", out, record, error);
    const std::size_t mel = record.find("MEL[");
    EXPECT_EQ(ok ? record.substr(mel + 4, record.find(']', mel) - mel - 4) : error, c.result);
  }
}

TEST(EsacWriter, OwnRecordsReadBackUnchanged) {
  test::ScratchDir dir;
  int records = 0;
  for (const auto& entry : std::filesystem::directory_iterator(test::dataPath("esac"))) {
    if (entry.path().extension() != ".esa") continue;
    SCOPED_TRACE(entry.path().filename().string());
    ++records;
    model::ConverterMelody first;
    model::ConverterMelody second;
    std::string error;
    ASSERT_TRUE(readEsacMelody(entry.path().string(), {}, first, error)) << error;
    const std::string written = (dir.path() / entry.path().filename()).string();
    std::ostringstream out;
    ASSERT_TRUE(writeEsacMelody(written, first, out, error)) << error;
    ASSERT_TRUE(readEsacMelody(written, {}, second, error)) << error;
    EXPECT_EQ(second.pitches(), first.pitches());
    EXPECT_EQ(second.onsetsMs(), first.onsetsMs());
  }
  EXPECT_EQ(records, 7);

  model::ConverterMelody m = test::melodyFromTicks({{0, 4, 60}}, 4);
  std::ostringstream out;
  std::string error;
  EXPECT_FALSE(writeEsacMelody("no-such-dir/x.esa", m, out, error));
  EXPECT_EQ(error, "no-such-dir/x.esa: Could not open file: No such file or directory");
}

}  // namespace
}  // namespace suite::tuneport::esac
