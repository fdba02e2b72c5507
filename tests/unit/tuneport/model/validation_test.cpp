// The checks readers run on the timing values of a melody.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "support/converter_melody_builder.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::model {
namespace {

TEST(ValidateMelody, NamesTheFirstUnusableValue) {
  const struct {
    const char* what;
    void (*damage)(ConverterMelody&);
    const char* message;  // empty: valid
  } cases[] = {
      {"defaults", [](ConverterMelody&) {}, ""},
      {"one tick per beat", [](ConverterMelody& m) { m.ticksPerBeat = 1; }, ""},
      {"largest resolution", [](ConverterMelody& m) { m.ticksPerBeat = kMaxTicksPerBeat; }, ""},
      {"no resolution", [](ConverterMelody& m) { m.ticksPerBeat = 0; }, "Invalid ticks per beat: 0"},
      {"negative resolution", [](ConverterMelody& m) { m.ticksPerBeat = -96; },
       "Invalid ticks per beat: -96"},
      {"resolution too fine", [](ConverterMelody& m) { m.ticksPerBeat = kMaxTicksPerBeat + 1; },
       "Invalid ticks per beat: 1048577"},
      {"no beats", [](ConverterMelody& m) { m.numerator = 0; }, "Invalid time signature: 0/4"},
      {"no beat value", [](ConverterMelody& m) { m.denominator = 0; },
       "Invalid time signature: 4/0"},
      {"no tempo", [](ConverterMelody& m) { m.tempi.clear(); }, "No tempo"},
      {"tempo 0", [](ConverterMelody& m) { m.tempi = {0.0}; }, "Invalid tempo: 0 ms per beat"},
      {"negative tempo", [](ConverterMelody& m) { m.tempi = {-5.0, 500.0}; },
       "Invalid tempo: -5 ms per beat"},
      {"NaN tempo", [](ConverterMelody& m) { m.tempi = {std::nan("")}; },
       "Invalid tempo: nan ms per beat"},
      {"later tempi are not used", [](ConverterMelody& m) { m.tempi = {600.0, -1.0}; }, ""},
      {"resolution before signature",
       [](ConverterMelody& m) {
         m.ticksPerBeat = 0;
         m.numerator = 0;
       },
       "Invalid ticks per beat: 0"},
      {"onset not finite",
       [](ConverterMelody& m) { m.notes[1].onsetMs = std::numeric_limits<double>::infinity(); },
       "Invalid time in note 2"},
      {"duration not finite", [](ConverterMelody& m) { m.notes[0].durationMs = std::nan(""); },
       "Invalid time in note 1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ConverterMelody m = test::melodyFromMs({{0, 250, 60}, {250, 250, 62}});
    c.damage(m);
    std::string message = "unchanged";
    const bool valid = validateMelody(m, message);
    EXPECT_EQ(valid, std::string(c.message).empty());
    EXPECT_EQ(message, valid ? std::string("unchanged") : std::string(c.message));
  }
}

TEST(ValidateMelody, SingleValueChecks) {
  EXPECT_TRUE(validTicksPerBeat(1));
  EXPECT_FALSE(validTicksPerBeat(0));
  EXPECT_FALSE(validTicksPerBeat(std::int64_t{1} << 40));
  EXPECT_TRUE(validTempo(0.001));
  EXPECT_FALSE(validTempo(-0.0));
  EXPECT_FALSE(validTempo(std::numeric_limits<double>::infinity()));
  EXPECT_TRUE(validSignature(7, 8));
  EXPECT_FALSE(validSignature(7, -8));
  EXPECT_TRUE(validQuantisationLevel(0));
  EXPECT_TRUE(validQuantisationLevel(24));
  EXPECT_FALSE(validQuantisationLevel(-24));
  EXPECT_FALSE(validQuantisationLevel(kMaxTicksPerBeat + 1));
}

}  // namespace
}  // namespace suite::tuneport::model
