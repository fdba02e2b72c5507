#include "tunecmp/output.h"

#include <algorithm>
#include <cstdint>

#include "text/text_format.h"

namespace suite::tunecmp {
namespace {

// Matrix files take "\t" written as two characters to mean a tab.
std::string matrixSeparator(std::string_view separator) {
  return separator == "\\t" ? std::string("\t") : std::string(separator);
}

}  // namespace

std::string formatListValue(double value, std::string_view separator, bool decimalComma) {
  std::string piece = text::formatFixed(value, 4);
  piece += separator;
  return decimalComma ? text::withDecimalComma(std::move(piece)) : piece;
}

std::string_view withoutTrailingSeparator(std::string_view line, std::string_view separator) {
  return line.substr(0, line.size() >= separator.size() ? line.size() - separator.size() : 0);
}

std::string stemOf(std::string_view name) {
  const std::size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

PairTable::PairTable(PairMode mode, std::size_t n1, std::size_t n2, std::size_t measures)
    : mode_(mode), n1_(n1), n2_(n2), measures_(measures) {
  values_.assign(valuesNeeded(mode, n1, n2, measures).value_or(0), -1.0);
}

std::optional<std::size_t> PairTable::valuesNeeded(PairMode mode, std::size_t n1, std::size_t n2,
                                                   std::size_t measures) {
  std::size_t rows = 0;
  switch (mode) {
    case PairMode::TwoLists:
      if (n2 != 0 && n1 > SIZE_MAX / n2) return std::nullopt;
      rows = n1 * n2;
      break;
    case PairMode::AllPairs:
      if (n1 > 1 && (n1 - 1) > SIZE_MAX / n1) return std::nullopt;
      rows = n1 > 1 ? n1 * (n1 - 1) / 2 : 0;
      break;
    case PairMode::NextOnly:
      rows = n1 > 0 ? n1 - 1 : 0;
      break;
  }
  if (measures != 0 && rows > SIZE_MAX / measures) return std::nullopt;
  return rows * measures;
}

std::optional<std::size_t> PairTable::row(std::size_t f, std::size_t i) const {
  std::size_t a = f;
  std::size_t b = i;
  switch (mode_) {
    case PairMode::TwoLists:
      if (f >= n1_ || i >= n2_) return std::nullopt;
      return f * n2_ + i;
    case PairMode::AllPairs:
      if (a > b) std::swap(a, b);
      if (a == b || b >= n1_) return std::nullopt;
      return a * (n1_ - 1) + b - a * (a + 1) / 2 - 1;
    case PairMode::NextOnly:
      if (a > b) std::swap(a, b);
      if (b != a + 1 || b >= n1_) return std::nullopt;
      return a;
  }
  return std::nullopt;
}

void PairTable::store(std::size_t i, std::size_t j, std::span<const double> values) {
  const std::optional<std::size_t> r = row(i, j);
  if (!r || measures_ == 0) return;
  const std::size_t count = std::min(values.size(), measures_);
  std::copy_n(values.begin(), count, values_.begin() + static_cast<std::ptrdiff_t>(*r * measures_));
  ++stored_;
}

std::optional<double> PairTable::value(std::size_t f, std::size_t i, std::size_t k) const {
  const std::optional<std::size_t> r = row(f, i);
  if (!r) return std::nullopt;
  return k < measures_ ? values_[*r * measures_ + k] : -1.0;
}

std::string matrixFileName(const std::string& base, std::string_view measureName) {
  std::string name(measureName);
  std::replace_if(name.begin(), name.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
  return (base.empty() ? "similarity" : base) + "_" + name + ".csv";
}

bool writeMatrixFile(const std::string& fileName, const ResultSource& source, std::size_t k,
                     std::string_view separator, std::ostream& err) {
  text::OutputFile file = text::OutputFile::open(fileName);
  if (file.failed()) {
    file.report(err);
    return false;
  }
  const std::string sep = matrixSeparator(separator);
  std::string line;
  for (const std::string& name : source.list2) line += sep + stemOf(name);
  line += '\n';
  const bool sameList = source.table.mode() != PairMode::TwoLists;
  bool written = file.write(line);
  for (std::size_t row = 0; row < source.list1.size() && written; ++row) {
    line = stemOf(source.list1[row]);
    for (std::size_t col = 0; col < source.list2.size(); ++col) {
      const double value =
          sameList && row == col ? 1.0 : source.table.value(row, col, k).value_or(-1.0);
      line += sep;
      line += text::formatFixed(value, 3);
    }
    line += '\n';
    written = file.write(line);
  }
  if (file.close()) return true;
  file.report(err, "File I/O error");
  return false;
}

bool writeMatrixFiles(const std::string& base, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures,
                      std::string_view separator, std::ostream& err) {
  for (std::size_t k = 0; k < measures.size(); ++k) {
    const std::string fileName = matrixFileName(base, measures[k].name);
    err << "Writing " << fileName << '\n';
    if (!writeMatrixFile(fileName, source, k, separator, err)) {
      err << "Failed.\n";
      return false;
    }
  }
  return true;
}

bool writeQueryReport(text::OutputFile& dest, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures, std::ostream& err) {
  const std::size_t n1 = source.list1.size();
  const std::size_t n2 = source.list2.size();
  if (source.table.stored() < n1 * n2) {
    err << "Invalid data matrix (too small)\n";
    return false;
  }
  if (measures.empty()) return true;
  const std::string& measure = measures.front().name;

  std::vector<std::pair<std::size_t, double>> ranking;
  for (std::size_t j = 0; j < n2; ++j) {
    ranking.clear();
    for (std::size_t k = 0; k < n1; ++k) {
      ranking.emplace_back(k, source.table.value(k, j, 0).value_or(-1.0));
    }
    std::stable_sort(ranking.begin(), ranking.end(),
                     [](const auto& x, const auto& y) { return x.second > y.second; });
    std::string block = "Query " + source.list2[j] + "  using '" + measure + "'\n";
    for (std::size_t r = 0; r < ranking.size(); ++r) {
      block += std::to_string(r + 1) + ". " + source.list1[ranking[r].first] + " (" +
               text::formatGeneral(ranking[r].second) + ")\n";
    }
    if (!dest.write(block) || !dest.flush()) {
      dest.report(err, "File I/O error");
      return false;
    }
  }
  return true;
}

}  // namespace suite::tunecmp
