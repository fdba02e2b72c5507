// The duration-threshold segmenter.
#include "tuneport/segmentation/duration_segmenter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/converter_melody_builder.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

Series segment(const std::vector<std::int32_t>& durations, bool adaptive, double timeLimit = 1500.0,
               double factor = 3.9) {
  const model::ConverterMelody m = test::legatoMelody(durations);
  DurationSegmenter s(&m, timeLimit, factor, adaptive);
  Series out{9};
  s.compute(out);
  return out;
}

TEST(DurationSegmenter, LongNotesAgainstTheMostFrequentDuration) {
  const struct {
    const char* what;
    std::vector<std::int32_t> durations;  // ticks at 192 per beat, 500 ms per beat
    Series plain, adaptive;
  } cases[] = {
      // Reference 384 over the whole melody; 96 before the early long note.
      {"early long notes", {96, 384, 384, 384, 384, 96}, {0, 0, 0, 0, 0, 1}, {0, 1, 1, 0, 0, 1}},
      // 96 and 192 twice each: the smaller one is the reference on the tie.
      {"tie takes the smaller", {96, 192, 96, 192, 375, 200, 300}, {0, 0, 0, 0, 1, 0, 1},
       {0, 0, 0, 0, 1, 0, 1}},
      // 600 ticks are 1562.5 ms: beyond the time limit whatever the reference.
      {"time limit", {600, 600, 600, 600, 600}, {0, 1, 1, 0, 1}, {0, 1, 1, 0, 1}},
      {"last two notes are never tested", {96, 96, 96, 96, 2000, 2000}, {0, 0, 0, 0, 0, 1},
       {0, 0, 0, 0, 0, 1}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(segment(c.durations, false), c.plain);
    EXPECT_EQ(segment(c.durations, true), c.adaptive);
  }
  // Exactly the factor times the reference is long enough.
  EXPECT_EQ(segment({96, 96, 96, 96, 384, 96, 96}, false, 1500.0, 4.0),
            (Series{0, 0, 0, 0, 1, 0, 1}));
  EXPECT_EQ(segment({96, 96, 420, 96, 96, 96}, false, 1000.0, 5.9),  // 420 ticks: 1093.75 ms
            (Series{0, 0, 1, 0, 0, 1}));
}

TEST(DurationSegmenter, Errors) {
  const model::ConverterMelody empty;
  const struct {
    const model::ConverterMelody* melody;
    const char* error;
  } cases[] = {{nullptr, "Invalid melody object"}, {&empty, "Empty melody"}};
  for (const auto& c : cases) {
    DurationSegmenter s(c.melody);
    Series out{9};
    s.compute(out);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(s.errorText(), c.error);
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
