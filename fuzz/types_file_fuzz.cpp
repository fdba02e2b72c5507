// Fuzz target: the types-file parser on arbitrary bytes, as a whole file and
// as one unbounded line.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "similarity/extra_measures.h"
#include "similarity/types_file.h"

namespace {

using suite::similarity::CombiType;

void check(bool condition) {
  if (!condition) std::abort();
}

// Every accepted measure has terms, every term factors within the table; a
// single type is one factor of weight 1 found under its own name.
void checkMeasure(const CombiType& type) {
  check(!type.terms.empty());
  for (const auto& term : type.terms) {
    check(!term.factors.empty());
    for (const std::size_t factor : term.factors) check(factor < suite::similarity::kMeasureCount);
  }
  if (type.displayName.empty()) {
    check(type.terms.size() == 1 && type.terms[0].factors.size() == 1);
    check(type.terms[0].weight == 1.0);
    check(suite::similarity::findSimilarityType(type.name) ==
          static_cast<int>(type.terms[0].factors[0]));
  } else {
    check(type.displayName == type.name);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const int verbosity = size > 0 && (data[0] & 1) != 0 ? 1 : 0;
  std::ostringstream sink;

  std::istringstream in(text);
  suite::similarity::SelectedMeasures selected;
  // Only binary input (a NUL byte) is refused; fuzzed inputs are too short
  // for the line bound.
  const bool binary = text.find('\0') != std::string::npos;
  check(suite::similarity::loadTypesFile(in, "fuzz.ini", ";", verbosity, selected, sink) != binary);
  std::string header = "file1;file2;";
  bool gauss = false;
  for (const CombiType& type : selected.measures) {
    checkMeasure(type);
    header += type.name + ";";
    gauss = gauss || suite::similarity::usesGaussRhythm(type);
  }
  check(selected.header == header);
  check(selected.usesGaussRhythm == gauss);

  CombiType line;
  bool lineGauss = false;
  if (suite::similarity::parseTypeLine(text, verbosity, line, lineGauss, sink)) {
    checkMeasure(line);
    check(lineGauss == suite::similarity::usesGaussRhythm(line));
  }
  const int row = suite::similarity::findSimilarityType(text);
  check(row >= -1 && row < static_cast<int>(suite::similarity::kMeasureCount));
  return 0;
}
