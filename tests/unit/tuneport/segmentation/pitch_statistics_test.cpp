// The pitch statistics report.
#include "tuneport/segmentation/pitch_statistics.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "support/converter_melody_builder.h"

namespace suite::tuneport::segmentation {
namespace {

TEST(PitchStatistics, ReportText) {
  const struct {
    std::vector<std::int32_t> pitches;
    const char* text;
  } cases[] = {
      // Rests count with pitch 0; the tie for the mode goes to the lower pitch;
      // the running count 2, 3 first reaches 6 / 2 at 60.
      {{67, 0, 60, 67, 0, 61},
       "Min Pitch: 0 Max Pitch: 67 Ambitus:67\n"
       "Mean = 42.5 Modus =0 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 0 Freq: 2\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 61 Freq: 1\n"
       "Pitch: 67 Freq: 2\n"},
      // The running count 1 reaches 3 / 2 (integer division) at 60.
      {{61, 60, 61},
       "Min Pitch: 60 Max Pitch: 61 Ambitus:1\n"
       "Mean = 60.6667 Modus =61 Median = 60\n"
       "PitchHistogramm: \n"
       "=================\n"
       "Pitch: 60 Freq: 1\n"
       "Pitch: 61 Freq: 2\n"},
      {{}, ""},
  };
  for (const auto& c : cases) {
    std::ostringstream out;
    writePitchStatistics(test::melodyOfPitches(c.pitches), out);
    EXPECT_EQ(out.str(), c.text);
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
