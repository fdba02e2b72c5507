#include "tunecmp/output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "text/text_format.h"

namespace suite::tunecmp {
namespace {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool put(std::FILE* f, std::string_view text) {
  return text.empty() || std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

// Matrix files take "\t" written as two characters to mean a tab.
std::string matrixSeparator(std::string_view separator) {
  return separator == "\\t" ? std::string("\t") : std::string(separator);
}

}  // namespace

bool writeResultLine(const std::string& fileName, std::string_view text, WriteMode mode,
                     std::ostream& err) {
  errno = 0;
  File f(std::fopen(fileName.c_str(), mode == WriteMode::Create ? "w" : "a"));
  if (!f) {
    const int code = errno;
    err << "Could not open " << fileName << '\n'
        << fileName << ": " << std::strerror(code) << '\n';
    return false;
  }
  const bool written = put(f.get(), text) && put(f.get(), "\n");
  return std::fclose(f.release()) == 0 && written;
}

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

const ResultRow* ResultSource::find(std::size_t f, std::size_t i) const {
  std::size_t a = f;
  std::size_t b = i;
  std::size_t row = 0;
  switch (mode) {
    case PairMode::TwoLists:
      row = f * list2.size() + i;
      break;
    case PairMode::AllPairs: {
      if (a == b) return nullptr;
      if (a > b) std::swap(a, b);
      const std::size_t n = list1.size();
      row = a * (n - 1) + b - a * (a + 1) / 2 - 1;
      break;
    }
    case PairMode::NextOnly:
      if (a > b) std::swap(a, b);
      if (b != a + 1) return nullptr;
      row = a;
      break;
  }
  // The row must really hold this pair; anything else counts as not compared.
  if (row >= table.size()) return nullptr;
  const ResultRow& r = table[row];
  return (r.i == a && r.j == b) || (r.i == f && r.j == i) ? &r : nullptr;
}

bool writeMatrixFile(const std::string& fileName, const ResultSource& source, std::size_t k,
                     std::string_view separator, std::ostream& err) {
  File f(std::fopen(fileName.c_str(), "w"));
  if (!f) {
    err << "Could not open " << fileName << '\n';
    return false;
  }
  const std::string sep = matrixSeparator(separator);
  std::string line;
  for (const std::string& name : source.list2) line += sep + stemOf(name);
  line += '\n';
  if (!put(f.get(), line) || std::ferror(f.get()) != 0) {
    err << "File I/O error\n";
    return false;
  }
  const bool sameList = source.mode != PairMode::TwoLists;
  bool written = true;
  for (std::size_t row = 0; row < source.list1.size() && written; ++row) {
    line = stemOf(source.list1[row]);
    for (std::size_t col = 0; col < source.list2.size(); ++col) {
      double value = -1.0;
      if (sameList && row == col) {
        value = 1.0;
      } else if (const ResultRow* r = source.find(row, col); r != nullptr && k < r->values.size()) {
        value = r->values[k];
      }
      line += sep;
      line += text::formatFixed(value, 3);
    }
    line += '\n';
    written = put(f.get(), line);
  }
  return std::fclose(f.release()) == 0 && written;
}

void writeMatrixFiles(const std::string& base, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures,
                      std::string_view separator, std::ostream& err) {
  for (std::size_t k = 0; k < measures.size(); ++k) {
    const std::string fileName = base.empty() ? "similarity_" + measures[k].name + ".csv"
                                              : base + "_" + measures[k].name + ".csv";
    err << "Writing " << fileName << '\n';
    if (!writeMatrixFile(fileName, source, k, separator, err)) {
      err << "Failed.\n";
      return;
    }
  }
}

void writeQueryReport(const std::string& resultFile, const ResultSource& source,
                      const std::vector<similarity::CombiType>& measures, std::ostream& out,
                      std::ostream& err) {
  File file;
  if (!resultFile.empty()) {
    file.reset(std::fopen(resultFile.c_str(), "w"));
    if (!file) {
      err << "Could not open " << resultFile << '\n';
      return;
    }
  }
  const std::size_t n1 = source.list1.size();
  const std::size_t n2 = source.list2.size();
  if (source.table.size() < n1 * n2) {
    err << "Invalid data matrix (too small)\n";
    return;
  }
  if (measures.empty()) return;
  const std::string& measure = measures.front().name;

  std::vector<std::pair<std::size_t, double>> ranking;
  for (std::size_t j = 0; j < n2; ++j) {
    ranking.clear();
    for (std::size_t k = 0; k < n1; ++k) {
      const ResultRow* r = source.find(k, j);
      ranking.emplace_back(k, r != nullptr && !r->values.empty() ? r->values.front() : -1.0);
    }
    std::stable_sort(ranking.begin(), ranking.end(),
                     [](const auto& x, const auto& y) { return x.second > y.second; });
    std::string block = "Query " + source.list2[j] + "  using '" + measure + "'\n";
    for (std::size_t r = 0; r < ranking.size(); ++r) {
      block += std::to_string(r + 1) + ". " + source.list1[ranking[r].first] + " (" +
               text::formatGeneral(ranking[r].second) + ")\n";
    }
    const bool failed = file ? !put(file.get(), block) || std::ferror(file.get()) != 0
                             : !(out << block);
    if (failed) {
      err << "File I/O error\n";
      break;
    }
  }
}

}  // namespace suite::tunecmp
