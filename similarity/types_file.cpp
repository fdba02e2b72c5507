#include "similarity/types_file.h"

#include <filesystem>
#include <algorithm>
#include <fstream>
#include <utility>

#include "similarity/extra_measures.h"
#include "text/line_reader.h"
#include "text/text_format.h"
#include "text/text_parse.h"

namespace suite::similarity {
namespace {

// The fields of a line split at every blank (two blanks give an empty field).
std::vector<std::string_view> blankSeparatedFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = line.find(' ', start);
    if (end == std::string_view::npos) {
      fields.push_back(line.substr(start));
      return fields;
    }
    fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
}

void reportUnknownFactor(std::string_view factor, std::string_view spec, std::ostream& err) {
  err << "Unrecognized similarity type \"" << factor << "\" in combi type " << spec
      << ". Skipping.\n";
}

std::string headerStart(std::string_view separator) {
  std::string header = "file1";
  header += separator;
  header += "file2";
  header += separator;
  return header;
}

void addMeasure(CombiType type, bool gaussRhythm, std::string_view separator, int verbosity,
                SelectedMeasures& selected, std::ostream& err) {
  selected.header += type.name;
  selected.header += separator;
  selected.usesGaussRhythm = selected.usesGaussRhythm || gaussRhythm;
  if (verbosity > 0) err << "Added similarity type \"" << type.name << "\".\n";
  selected.measures.push_back(std::move(type));
}

// A single type: one term of weight 1 named after the row's description.
bool parseSingleType(std::string_view token, CombiType& type, std::ostream& err) {
  const int row = findSimilarityType(token);
  if (row < 0) {
    err << "Skipping unrecognized similarity type \"" << token << "\"\n";
    return false;
  }
  const auto index = static_cast<std::size_t>(row);
  CombiTerm term;
  term.factors.push_back(index);
  term.name = measureDescription(index);
  term.weight = 1.0;
  type.terms.push_back(std::move(term));
  type.name = token;
  return true;
}

// "combi[:name] spec weight spec weight ...": one term per (spec, weight) pair.
// \a line is the whole line, for messages.
bool parseCombiType(std::string_view line, std::string_view token,
                    const std::vector<std::string_view>& fields, int verbosity, CombiType& type,
                    std::ostream& err) {
  std::string_view name = text::fieldOf(token, 2, ':');
  if (name.empty()) name = "combi";
  type.name = name;
  type.displayName = name;
  if (verbosity > 0) err << "Found " << name << '\n';

  for (std::size_t k = 1; k < fields.size() && !fields[k].empty(); k += 2) {
    const std::string_view spec = fields[k];
    const std::string_view weightText = k + 1 < fields.size() ? fields[k + 1] : std::string_view();
    if (weightText.empty()) {
      err << "Missing weight in combi type " << name << ". Skipping.\n";
      return false;
    }
    CombiTerm term;
    if (!parseProductSpec(spec, term, err)) return false;
    if (verbosity > 0) err << spec << " with weight: " << weightText << '\n';
    term.weight = text::parseDoubleLenient(weightText);
    // Read as far as it is a number ("0,5" gives 0), which silently changes the measure.
    if (!text::isDecimalNumber(weightText)) {
      err << "Warning: weight \"" << weightText << "\" in line \"" << line
          << "\" is not a number; taken as " << text::formatGeneral(term.weight) << '\n';
    }
    term.name = name;
    type.terms.push_back(std::move(term));
  }
  if (type.terms.empty()) {
    err << "Missing types for combi type " << name << ". Skipping.\n";
    return false;
  }
  return true;
}

}  // namespace

int findSimilarityType(std::string_view name) {
  // The catalogue first, then the extra measures.
  for (std::size_t i = 0; i < kMeasureCount; ++i) {
    if (text::namesEqualIgnoreCase(measureName(i), name)) return static_cast<int>(i);
  }
  return -1;
}

bool usesGaussRhythm(const CombiType& type) {
  for (const CombiTerm& term : type.terms) {
    for (const std::size_t factor : term.factors) {
      if (factor == kGaussRhythmType) return true;
    }
  }
  return false;
}

bool parseProductSpec(std::string_view spec, CombiTerm& term, std::ostream& err) {
  term.factors.clear();
  if (spec.find('*') == std::string_view::npos) {
    const int row = findSimilarityType(spec);
    if (row < 0) {
      reportUnknownFactor(spec, spec, err);
      return false;
    }
    term.factors.push_back(static_cast<std::size_t>(row));
    return true;
  }
  std::size_t start = 0;
  while (true) {
    const std::size_t end = spec.find('*', start);
    const std::string_view factor =
        spec.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (factor.empty()) {
      // The product ends at an empty factor. Trailing "*" lose nothing; an
      // empty product or factors after the gap would be dropped silently, so
      // the product is refused instead.
      const std::string_view rest =
          end == std::string_view::npos ? std::string_view() : spec.substr(end);
      if (term.factors.empty() || rest.find_first_not_of('*') != std::string_view::npos) {
        reportUnknownFactor(factor, spec, err);
        term.factors.clear();
        return false;
      }
      return true;
    }
    const int row = findSimilarityType(factor);
    if (row < 0) {
      reportUnknownFactor(factor, spec, err);
      term.factors.clear();
      return false;
    }
    err << "Added " << factor << '\n';
    term.factors.push_back(static_cast<std::size_t>(row));
    if (end == std::string_view::npos) return true;
    start = end + 1;
  }
}

bool parseTypeLine(std::string_view line, int verbosity, CombiType& type, bool& gaussRhythm,
                   std::ostream& err) {
  gaussRhythm = false;
  if (!line.empty() && line.front() == '#') return false;

  const std::vector<std::string_view> fields = blankSeparatedFields(line);
  const std::string_view token = fields.front();
  const std::string_view head = token.substr(0, token.find(':'));
  CombiType parsed;
  const bool ok = head == "combi" ? parseCombiType(line, token, fields, verbosity, parsed, err)
                                  : parseSingleType(token, parsed, err);
  if (!ok) return false;
  // Derived from the rows found, not from the spelling, so that RHYTGAUS or
  // a product with rhytGaus gets the Gauss table as well.
  gaussRhythm = usesGaussRhythm(parsed);
  type = std::move(parsed);
  return true;
}

bool loadTypesFile(std::istream& in, const std::string& path, std::string_view separator,
                   int verbosity, SelectedMeasures& selected, std::ostream& err) {
  selected = SelectedMeasures{};
  selected.header = headerStart(separator);
  text::BoundedLineReader lines(in, {kMaxTypesFileLines});
  std::string line;
  while (lines.next(line)) {
    if (line.front() == ';' || line.front() == '\n') continue;
    const std::string_view text = text::trimTrailingSpace(line);
    // A line of blanks or a bare "\r\n" is as empty as a bare "\n".
    if (text.empty()) continue;
    CombiType type;
    bool gaussRhythm = false;
    if (parseTypeLine(text, verbosity, type, gaussRhythm, err)) {
      addMeasure(std::move(type), gaussRhythm, separator, verbosity, selected, err);
    }
  }
  if (!lines.refusal().empty()) {
    err << path << ": " << lines.refusal() << "; a types file holds at most "
        << kMaxTypesFileLines << " lines\n";
    return false;
  }
  if (lines.failed()) {
    err << "Error reading " << path << '\n';
    return false;
  }
  return true;
}

bool loadTypesFile(const std::string& path, std::string_view separator, int verbosity,
                   SelectedMeasures& selected, std::ostream& err) {
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(path, ec)) in.open(path, std::ios::binary);
  if (!in.is_open()) {
    err << "Could not open " << path << '\n';
    return false;
  }
  return loadTypesFile(in, path, separator, verbosity, selected, err);
}

void addDefaultTypes(std::string_view separator, int verbosity, SelectedMeasures& selected,
                     std::ostream& err) {
  selected = SelectedMeasures{};
  selected.header = headerStart(separator);
  for (const std::string_view line : kDefaultTypeLines) {
    CombiType type;
    bool gaussRhythm = false;
    if (parseTypeLine(line, verbosity, type, gaussRhythm, err)) {
      addMeasure(std::move(type), gaussRhythm, separator, verbosity, selected, err);
    }
  }
}

void printTypeNames(std::ostream& out) {
  for (const SimilarityType& type : typeTable) out << type.name << '\n';
}

void printExtraMeasures(std::ostream& out) {
  for (const ExtraMeasure& row : extraMeasureTable) {
    std::string line(row.name);
    line.resize(std::max<std::size_t>(line.size() + 1, 10), ' ');
    line += text::trimTrailingSpace(row.description);
    out << line << '\n';
  }
}

}  // namespace suite::similarity
