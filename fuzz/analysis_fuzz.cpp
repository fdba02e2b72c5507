// Fuzz target: tonality analysis, accent rules and syncopation on melodies
// read from arbitrary melody tables or built from arbitrary bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "analysis/accents.h"
#include "analysis/syncopation.h"
#include "analysis/tonality.h"
#include "core/melody_reader.h"
#include "fuzz_melody.h"

namespace {

using suite::core::Melody;
using suite::fuzz::Bytes;
using suite::fuzz::buildMelody;

void check(bool ok) {
  if (!ok) std::abort();
}

void checkPerNote(const std::vector<double>& v, std::size_t n, double low, double high) {
  check(v.empty() || v.size() == n);
  for (const double x : v) check(x >= low && x <= high);
}

void checkBinary(const std::vector<double>& v, std::size_t n) {
  check(v.empty() || v.size() == n);
  for (const double x : v) check(x == 0.0 || x == 1.0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace suite::analysis;
  std::ostringstream sink;
  Melody m;
  if (size > 0 && data[0] % 2 == 0) {
    suite::core::MelodyReader reader(sink);
    std::istringstream text(std::string(reinterpret_cast<const char*>(data) + 1, size - 1));
    if (!suite::core::readMelodyTable(reader, text, "fuzz.csv", m)) return 0;
  } else {
    Bytes in(data + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);
    m = buildMelody(in);
  }
  std::ostream discard(nullptr);
  const std::size_t n = m.pitches.size();

  const BarIndex index(m);
  const int bars = static_cast<int>(index.numberOfBars());
  std::vector<double> sums;
  // The first bars and the last ones (all of them for short melodies).
  for (int bar = -1; bar <= bars + 1; bar = (bar == 200 && bars > 205) ? bars - 3 : bar + 1) {
    const int key = findKey(index, bar, sums, nullptr);
    check(key >= kNoKey && key < 24);
    check(key == kNoKey || sums.size() == 24);
    for (const int mode : {kMajorMode, kMinorMode}) {
      const std::vector<double> v = tonalityVector(index, bar, mode, discard, false);
      check(v.empty() || v.size() == 12);
      const double r = barTonalityCorrelation(index, index, bar, mode, discard);
      check(r >= 0.0 && r <= 1.0 + 1e-9);
      check(v.empty() || bar < 1 || bar > bars || std::fabs(r - 1.0) < 1e-9);
    }
  }
  if (n <= 64 && bars <= 64) printTonalityReport(m, discard, discard);

  const std::vector<AccentRow> rows = accentMatrix(m, 0xFFFFFFFF, 0.0, 1.0);
  check(rows.empty() || rows.size() == n);
  checkPerNote(ruleAccents(m, 0xFFFFFFFF), n, 0.0, 32.0);
  checkPerNote(thomassenAccents(m, false), n, 0.0, 1.0);
  checkBinary(thomassenAccents(m, true), n);
  checkPerNote(linearModelAccents(m, false), n, 0.0, 1.0);
  checkBinary(linearModelAccents(m, true), n);
  checkPerNote(treeModelAccents(m, false), n, 0.2, 0.7);
  checkBinary(treeModelAccents(m, true), n);
  for (const int level : {1, 0, -1, -2}) checkBinary(syncopation(m, level), n);
  return 0;
}
