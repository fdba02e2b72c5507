// EsAC writer: degree and duration tokens, the octave shift, bar lines, ties,
// rests, triplet groups, failures, and records that read back unchanged.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <sstream>
#include <string>

#include "support/converter_melody_builder.h"
#include "support/test_support.h"
#include "tuneport/esac/esac_reader.h"
#include "tuneport/esac/esac_writer.h"

namespace suite::tuneport::esac {
namespace {

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
  } shifts[] = {{60, 60, 0},  {72, 60, 0},    {73, 60, -12}, {59, 60, 12},
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
