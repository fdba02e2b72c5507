// Fuzz target: every feature of the feature table on melodies read from
// arbitrary melody tables.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "analysis/features.h"
#include "core/melody_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size > 20000) return 0;  // long tables only repeat what short ones reach
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::istringstream in(text);
  std::ostringstream messages;
  suite::core::MelodyReader reader(messages, 1 + static_cast<int>(size % 48));
  suite::core::Melody melody;
  if (!suite::core::readMelodyTable(reader, in, "fuzz.csv", melody)) return 0;

  const std::size_t n = melody.pitches.size();
  for (const suite::analysis::FeatureDef& feature : suite::analysis::featureTable) {
    const std::vector<double> values = suite::analysis::computeFeature(melody, feature);
    // At most one value per note (the divergence vector has one fewer).
    if (values.size() > std::max<std::size_t>(n, 1)) std::abort();
    for (const double v : values) {
      if (std::isinf(v)) std::abort();
    }
  }
  const int contour = suite::analysis::huronContour(melody, false);
  if (contour < 0 || contour > 9) std::abort();
  return 0;
}
