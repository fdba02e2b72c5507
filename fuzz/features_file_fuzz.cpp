// Fuzz target: the features-file reader and the feature-list parser on
// arbitrary bytes.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "analysis/feature_table.h"

namespace {

using suite::analysis::FeatureSelection;
using suite::analysis::featureTable;

bool inTable(const FeatureSelection& selection) {
  for (const auto* feature : selection) {
    if (feature < featureTable.data() || feature >= featureTable.data() + featureTable.size()) {
      return false;
    }
  }
  return true;
}

std::size_t occurrences(const std::string& text, const std::string& word) {
  std::size_t count = 0;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    ++count;
  }
  return count;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  std::istringstream in(text);
  std::ostringstream messages;
  FeatureSelection fromFile;
  // Only binary input (a NUL byte) is refused; fuzzed inputs are too short
  // for the line bound.
  const bool binary = text.find('\0') != std::string::npos;
  if (suite::analysis::readFeatureFile(in, "fuzz.txt", fromFile, messages) == binary) std::abort();
  if (!inTable(fromFile)) std::abort();
  // One "Added feature" message per selected row; every message ends its line.
  const std::string log = messages.str();
  if (occurrences(log, "\nAdded feature \"") + (log.starts_with("Added feature \"") ? 1 : 0) <
      fromFile.size()) {
    std::abort();
  }
  if (!log.empty() && log.back() != '\n') std::abort();

  FeatureSelection fromList = {&featureTable[0]};
  const bool any = suite::analysis::parseFeatureList(text, fromList);
  if (any != !fromList.empty() || !inTable(fromList) || fromList.size() > text.size()) {
    std::abort();
  }
  for (const auto* feature : fromList) {
    if (suite::analysis::findFeature(feature->name) != feature - featureTable.data()) std::abort();
  }
  return 0;
}
