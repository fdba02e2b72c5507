// Key estimates of ConverterMelody from pitch-class profiles.
#include <array>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {
namespace {

constexpr std::array<double, 12> kMajorProfile{6.33, 2.23, 3.48, 2.33, 4.38, 4.09,
                                               2.52, 5.19, 2.39, 3.66, 2.29, 2.88};
constexpr std::array<double, 12> kMinorProfile{6.33, 2.68, 3.52, 5.38, 2.60, 3.53,
                                               2.54, 4.75, 3.98, 2.69, 3.34, 3.17};
constexpr std::array<double, 12> kMajorWeights{0.208142456, 0, 0.175188414, 0, 0, 0.059775381,
                                               0.016920349, 0.14341658, 0, 0, 0, 0.056524309};

}  // namespace

std::int32_t ConverterMelody::estimateKey(KeyMethod method) const {
  std::int32_t estimate = 0;
  double best = 0.0;
  for (std::int32_t tonic = 0; tonic < 12; ++tonic) {
    // Summed note by note, in order, so that near ties fall as they always have.
    double major = 0.0;
    double minor = 0.0;
    for (const NoteEvent& n : notes) {
      if (n.pitch < 1 || n.pitch > 127) continue;
      const auto degree = static_cast<std::size_t>((n.pitch - 60 - tonic + 240) % 12);
      if (method == KeyMethod::MajorMinorProfiles) {
        major += kMajorProfile[degree];
        minor += kMinorProfile[degree];
      } else {
        major += kMajorWeights[degree];
      }
    }
    // Upward through the tonics, minor before major; only a strictly larger
    // sum takes over.
    if (method == KeyMethod::MajorMinorProfiles && minor > best) {
      best = minor;
      estimate = tonic + 12;
    }
    if (major > best) {
      best = major;
      estimate = tonic;
    }
  }
  return estimate;
}

}  // namespace suite::tuneport::model
