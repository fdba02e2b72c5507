// The pitch statistics report.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/converter_melody_builder.h"
#include "tuneport/segmentation/pitch_statistics.h"

namespace suite::tuneport::segmentation {
namespace {

model::ConverterMelody melodyOf(std::initializer_list<std::int32_t> pitches) {
  model::ConverterMelody m;
  double onset = 0.0;
  for (const std::int32_t p : pitches) {
    m.append({-1, onset, p, 250.0, {}});
    onset += 250.0;
  }
  return m;
}

std::string report(const model::ConverterMelody& m) {
  std::ostringstream out;
  writePitchStatistics(m, out);
  return out.str();
}

TEST(PitchStatistics, ReportText) {
  const struct {
    const char* what;
    model::ConverterMelody melody;
    const char* text;
  } cases[] = {
      // The running count 1, 3 first reaches 4 / 2 at 62.
      {"hand example", melodyOf({60, 62, 62, 64}),
       "Min Pitch: 60 Max Pitch: 64 Ambitus:4\n"
       "Mean = 62 Modus =62 Median = 62\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 62 Freq: 2\n"
       "Pitch: 64 Freq: 1\n"},
      // Rests count with pitch 0; the tie for the mode goes to the lower pitch;
      // the running count 2, 3 reaches 6 / 2 at 60.
      {"rests and ties", melodyOf({67, 0, 60, 67, 0, 61}),
       "Min Pitch: 0 Max Pitch: 67 Ambitus:67\n"
       "Mean = 42.5 Modus =0 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 0 Freq: 2\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 61 Freq: 1\n"
       "Pitch: 67 Freq: 2\n"},
      {"one note", melodyOf({71}),
       "Min Pitch: 71 Max Pitch: 71 Ambitus:0\n"
       "Mean = 71 Modus =71 Median = 71\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 71 Freq: 1\n"},
      {"mean in six digits", melodyOf({60, 60, 61}),
       "Min Pitch: 60 Max Pitch: 61 Ambitus:1\n"
       "Mean = 60.3333 Modus =60 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 60 Freq: 2\n"
       "Pitch: 61 Freq: 1\n"},
      {"empty melody", melodyOf({}), ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(report(c.melody), c.text);
  }
}

TEST(PitchStatistics, Values) {
  const PitchStatistics s = pitchStatistics(melodyOf({64, 60, 62, 62, 72, 60, 60}));
  EXPECT_EQ(s.lowest, 60);
  EXPECT_EQ(s.highest, 72);
  EXPECT_DOUBLE_EQ(s.mean, 440.0 / 7);
  EXPECT_EQ(s.mode, 60);
  EXPECT_EQ(s.median, 60);  // 3 of 7 entries reach 7 / 2 = 3
  ASSERT_EQ(s.histogram.size(), 4u);
  EXPECT_EQ(s.histogram[1], (std::pair<std::int32_t, std::int64_t>{62, 2}));
}

}  // namespace
}  // namespace suite::tuneport::segmentation
