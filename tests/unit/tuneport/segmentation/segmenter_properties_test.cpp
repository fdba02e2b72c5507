// Properties every segmenter keeps on arbitrary melodies: series lengths tied
// to the melody, values from the allowed set, no reads outside the notes.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tuneport/segmentation/duration_segmenter.h"
#include "tuneport/segmentation/lbdm.h"
#include "tuneport/segmentation/parameter_series.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace suite::tuneport::segmentation {
namespace {

using Series = std::vector<double>;

bool allIn(const Series& s, std::initializer_list<double> allowed) {
  for (const double v : s) {
    bool found = false;
    for (const double a : allowed) found = found || v == a;
    if (!found) return false;
  }
  return true;
}

TEST(SegmenterProperties, SeriesLengthsFollowTheMelody) {
  std::mt19937 random(9);
  const auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  const std::int32_t pitches[] = {0, 0, 60, 62, 64, 67, 128, 250, 1, 127};
  for (int round = 0; round < 300; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    model::ConverterMelody m;
    const int count = pick(0, 45);
    double onset = pick(-100, 100);
    for (int i = 0; i < count; ++i) {
      model::NoteEvent e;
      e.onsetMs = onset;
      e.durationMs = pick(0, 9) == 0 ? -pick(0, 100) : pick(0, 2500);
      e.pitch = pitches[pick(0, 9)];
      e.ticks = pick(0, 3) == 0 ? -1 : static_cast<std::int32_t>(onset);
      m.append(e);
      onset += pick(0, 7) == 0 ? -pick(0, 300) : pick(0, 1200);
    }
    if (pick(0, 1) == 0) m.quantise(pick(0, 1) * 24);

    const std::size_t n = m.size();
    const std::size_t intervals = interOnsetSeries(m).size();
    EXPECT_EQ(restSeries(m).size(), intervals);
    EXPECT_LT(intervals, std::max<std::size_t>(n, 1));

    Series plain;
    PlainLBDM plainLbdm(&m);
    plainLbdm.compute(plain);
    EXPECT_EQ(plain.size(), intervals);
    Series refined;
    RefinedLBDM refinedLbdm(&m);
    refinedLbdm.compute(refined);
    EXPECT_EQ(refined.size(), intervals);
    for (const Series* profile : {&plain, &refined}) {
      Series picked;
      plainLbdm.peakPicker1(*profile, picked);
      EXPECT_TRUE(picked.empty() || picked.size() == profile->size());
      EXPECT_EQ(picked.empty(), profile->size() < 3);
      EXPECT_TRUE(allIn(picked, {0.0, 0.5, 1.0}));
      plainLbdm.peakPicker2(*profile, picked);
      EXPECT_EQ(picked.size(), profile->size());
      EXPECT_TRUE(allIn(picked, {0.0, 1.0}));
    }

    Series temperley;
    TemperleySegmenter grouping(&m);
    grouping.compute(temperley);
    EXPECT_EQ(temperley.size(), intervals);
    EXPECT_TRUE(allIn(temperley, {0.0, 1.0}));

    for (const bool adaptive : {false, true}) {
      Series durations;
      DurationSegmenter segmenter(&m, 1000.0 + 500.0 * pick(0, 4), 1.9 + pick(0, 4), adaptive);
      segmenter.compute(durations);
      ASSERT_EQ(durations.size(), n);
      EXPECT_TRUE(allIn(durations, {0.0, 1.0}));
      if (n > 0) {
        EXPECT_EQ(durations.back(), 1.0);
      }
    }
  }
}

}  // namespace
}  // namespace suite::tuneport::segmentation
