#include "analysis/feature_table.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "text/line_reader.h"
#include "text/text_parse.h"

namespace suite::analysis {

int findFeature(std::string_view name) {
  for (std::size_t i = 0; i < featureTable.size(); ++i) {
    if (text::namesEqualIgnoreCase(name, featureTable[i].name)) return static_cast<int>(i);
  }
  return -1;
}

bool parseFeatureList(std::string_view text, FeatureSelection& selection) {
  selection.clear();
  const char separator = text.find(';') != std::string_view::npos ? ';' : ',';
  // fieldOf numbers fields from 1; the text has at most size() + 1 of them.
  for (int n = 1; static_cast<std::size_t>(n) <= text.size() + 1; ++n) {
    const std::string_view field = text::fieldOf(text, n, separator);
    if (field.empty()) break;
    const int row = findFeature(field);
    if (row >= 0) selection.push_back(&featureTable[static_cast<std::size_t>(row)]);
  }
  return !selection.empty();
}

bool readFeatureFile(std::istream& in, const std::string& fileName, FeatureSelection& selection,
                     std::ostream& err) {
  selection.clear();
  text::BoundedLineReader lines(in, {kMaxFeatureFileLines});
  std::string line;
  while (lines.next(line)) {
    // A line break may be "\n" or, in a file written on Windows, "\r\n".
    if (line.front() == ';' || line.front() == '\n' || line.front() == '\r') continue;
    const std::string_view name = text::trimTrailingSpace(line);
    const int row = findFeature(name);
    if (row < 0) {
      err << "Skipping unrecognized feature \"" << name << "\"\n";
      continue;
    }
    const FeatureDef& feature = featureTable[static_cast<std::size_t>(row)];
    selection.push_back(&feature);
    err << "Added feature \"" << feature.name << "\".\n";
  }
  if (!lines.refusal().empty()) {
    err << fileName << ": " << lines.refusal() << "; a features file holds at most "
        << kMaxFeatureFileLines << " lines\n";
    return false;
  }
  if (lines.failed()) {
    err << "Error reading " << fileName << '\n';
    return false;
  }
  return true;
}

bool readFeatureFile(const std::string& fileName, FeatureSelection& selection,
                     std::ostream& err) {
  std::error_code ec;
  std::ifstream in;
  // A directory opens as a stream on some systems but cannot be read.
  if (!std::filesystem::is_directory(fileName, ec)) in.open(fileName, std::ios::binary);
  if (!in.is_open()) {
    err << "Could not open " << fileName << '\n';
    return false;
  }
  return readFeatureFile(in, fileName, selection, err);
}

void listFeatures(std::ostream& out, bool withExplanations) {
  for (const FeatureDef& feature : featureTable) {
    out << feature.name;
    if (withExplanations) out << " (" << feature.explanation << ')';
    out << '\n';
  }
}

}  // namespace suite::analysis
