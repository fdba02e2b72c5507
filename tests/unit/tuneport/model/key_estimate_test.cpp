// Key estimates from pitch-class profiles.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {
namespace {

ConverterMelody melodyOf(const std::vector<std::int32_t>& pitches) {
  ConverterMelody m;
  double onset = 0.0;
  for (const std::int32_t p : pitches) {
    NoteEvent e;
    e.onsetMs = onset;
    e.durationMs = 500.0;
    e.pitch = p;
    m.append(e);
    onset += 500.0;
  }
  return m;
}

std::vector<std::int32_t> withRests(std::vector<std::int32_t> pitches, int rests, std::int32_t rest) {
  for (int i = 0; i < rests; ++i) pitches.push_back(rest);
  return pitches;
}

TEST(KeyEstimate, MajorAndMinorProfiles) {
  // Expected keys from the profile sums worked out by hand (e.g. G-B-D: G major
  // 6.33 + 4.38 + 5.19 = 15.90 against B minor 15.69 and D major 14.08).
  const struct {
    const char* what;
    std::vector<std::int32_t> pitches;
    std::int32_t major, weights;
  } cases[] = {
      {"C major scale", {60, 62, 64, 65, 67, 69, 71, 72}, 0, 0},
      // The single weighted profile prefers C for G-B-D (0.375 against 0.352).
      {"G major triad", {67, 71, 74}, 7, 0},
      {"G major triad, low octave", {55, 59, 50}, 7, 0},
      {"A minor triad", {57, 60, 64}, 21, 9},
      {"single C: minor found first, major not larger", {60}, 12, 0},
      {"rests carry no pitch class", withRests({67, 71, 74}, 10, 0), 7, 0},
      {"end markers carry none either", withRests({67, 71, 74}, 10, 128), 7, 0},
      {"nor do unpitched notes", withRests({57, 60, 64}, 10, 250), 21, 9},
      {"no pitch at all", {0, 128}, 0, 0},
      {"empty", {}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const ConverterMelody m = melodyOf(c.pitches);
    EXPECT_EQ(m.estimateKey(KeyMethod::MajorMinorProfiles), c.major);
    EXPECT_EQ(m.estimateKey(KeyMethod::MajorWeights), c.weights);
  }
}

}  // namespace
}  // namespace suite::tuneport::model
