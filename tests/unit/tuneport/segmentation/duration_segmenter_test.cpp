// The duration-threshold segmenter.
#include "tuneport/segmentation/duration_segmenter.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "support/converter_melody_builder.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

TEST(DurationSegmenter, LongNotesAgainstTheMostFrequentDuration) {
  const struct {
    std::vector<std::int32_t> durations;  // ticks at 192 per beat, 500 ms per beat
    double timeLimit, factor;
    Series plain, adaptive;
  } cases[] = {
      // Reference 384 over the whole melody; 96 before the early long notes.
      {{96, 384, 384, 384, 384, 96}, 1500, 3.9, {0, 0, 0, 0, 0, 1}, {0, 1, 1, 0, 0, 1}},
      // 96 and 192 twice each: the smaller one is the reference on the tie.
      {{96, 192, 96, 192, 375, 200, 300}, 1500, 3.9, {0, 0, 0, 0, 1, 0, 1}, {0, 0, 0, 0, 1, 0, 1}},
      // 600 ticks are 1562.5 ms: beyond the time limit whatever the reference.
      {{600, 600, 600, 600, 600}, 1500, 3.9, {0, 1, 1, 0, 1}, {0, 1, 1, 0, 1}},
      {{96, 96, 420, 96, 96, 96}, 1000, 5.9, {0, 0, 1, 0, 0, 1}, {0, 0, 1, 0, 0, 1}},
      // Exactly the factor times the reference is long enough; the last two
      // notes are never tested.
      {{96, 96, 96, 384, 2000, 96}, 1500, 4.0, {0, 0, 0, 1, 0, 1}, {0, 0, 0, 1, 0, 1}},
  };
  for (const auto& c : cases) {
    const model::ConverterMelody m = test::legatoMelody(c.durations);
    for (const bool adaptive : {false, true}) {
      DurationSegmenter s(&m, c.timeLimit, c.factor, adaptive);
      Series out{9};
      s.compute(out);
      EXPECT_EQ(out, adaptive ? c.adaptive : c.plain);
    }
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
