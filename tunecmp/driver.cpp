#include "tunecmp/driver.h"

#include <algorithm>
#include <sstream>

#include "text/text_format.h"

namespace suite::tunecmp {

std::vector<std::string> randomSubset(const std::vector<std::string>& list, std::size_t n,
                                      RandomGenerator& random, std::ostream& out) {
  if (n >= list.size()) return list;
  std::vector<std::string> remaining = list;
  std::vector<std::string> taken;
  taken.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    const double r = random.next();
    const double m = static_cast<double>(remaining.size());
    const auto index = static_cast<std::size_t>(r / 32767.0 * (m - 1));
    taken.push_back(std::move(remaining[index]));
    remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(index));
  }
  out << '\n';
  return taken;
}

PairMode pairModeOf(const CompareSettings& settings) {
  if (!settings.sameList) return PairMode::TwoLists;
  return settings.nextOnly ? PairMode::NextOnly : PairMode::AllPairs;
}

std::size_t comparisonCount(PairMode mode, std::size_t n1, std::size_t n2) {
  switch (mode) {
    case PairMode::TwoLists:
      return n1 * n2;
    case PairMode::AllPairs:
      return n1 * (n1 > 0 ? n1 - 1 : 0) / 2;
    case PairMode::NextOnly:
      return n1 > 0 ? n1 - 1 : 0;
  }
  return 0;
}

bool forEachPair(PairMode mode, std::size_t n1, std::size_t n2,
                 const std::function<bool(std::size_t, std::size_t)>& compare) {
  const bool sameList = mode != PairMode::TwoLists;
  for (std::size_t i = 0; i < n1; ++i) {
    const std::size_t first = sameList ? i + 1 : 0;
    if (first > n2) continue;
    const std::size_t last = std::min(mode == PairMode::NextOnly ? first + 1 : n2, n2);
    for (std::size_t j = first; j < last; ++j) {
      if (!compare(i, j)) return false;
    }
  }
  return true;
}

PairValues computePair(const similarity::PreparedMelody& a, const similarity::PreparedMelody& b,
                       const std::vector<similarity::CombiType>& measures, int t,
                       const CompareSettings& settings, std::string& rowText,
                       similarity::EngineContext& engine, std::ostream& err) {
  // b transposed by t: values that move with the pitches are derived once.
  similarity::PairComparison pair(a, b, t, engine);

  PairValues result;
  result.hit = settings.threshold <= 0;
  result.values.reserve(measures.size());
  for (const similarity::CombiType& measure : measures) {
    double value = 0.0;
    double extra = 0.0;
    if (settings.phraseMode) {
      value = pair.phrases(measure);
    } else {
      const similarity::SimilarityResult r = pair.combi(measure);
      value = r.value;
      if (measure.terms.size() == 1) extra = r.bestOffset;
    }
    rowText += formatListValue(value, settings.fieldSeparator, settings.decimalComma);
    result.values.push_back(value);

    const std::string label = measure.terms.empty() ? std::string() : measure.terms.front().name;
    const std::string line = "   " + label + " " + text::formatGeneral(value) + " (" +
                             text::formatGeneral(extra) + ") \n";
    if (settings.verbosity > 0) err << line;
    if (settings.threshold > 0 && value >= settings.threshold) {
      result.hit = true;
      err << "Found sim>= " << text::formatGeneral(settings.threshold) << " for "
          << a.melody().name << ':' << b.melody().name << '\n';
      if (settings.verbosity == 0) err << line;
    }
  }
  if (settings.verbosity > 0) err << "\n\n";
  return result;
}

PairResult comparePair(const PairRun& run, const similarity::PreparedMelody& a,
                       const similarity::PreparedMelody& b, const std::string& name1,
                       const std::string& name2) {
  const CompareSettings& settings = run.settings;
  std::ostream& err = run.err;
  // The processor clock is read only where its times are shown: reading it
  // is a system call that the threads of a run would queue for.
  const bool timed = settings.verbosity >= 2;
  const auto now = [&run, timed] { return timed ? run.environment.processorMilliseconds() : 0.0; };
  if (settings.verbosity > 0) {
    err << "Similarities " << name1 << ':' << name2 << '\n'
        << "----------------------------------------------------\n\n";
  }
  if (settings.verbosity >= 2) {
    for (const core::Melody* m : {&a.melody(), &b.melody()}) {
      if (m->empty()) continue;
      m->printMelodySummary(run.out, err);
      err << '\n';
    }
  }
  int t = 0;
  if (settings.transpositionSearch) {
    const double searchStart = now();
    t = similarity::findBestTransposition(a, b, run.engine);
    if (settings.verbosity >= 2) {
      err << "Best transposition found in " << text::formatGeneral(now() - searchStart)
          << " ms\n"
          << "Best transposition: " << t << " semitones of " << name2 << '\n';
    }
  }
  std::string rowText = name1 + settings.fieldSeparator + name2 + settings.fieldSeparator;
  const double computeStart = now();
  PairValues pair = computePair(a, b, run.measures, t, settings, rowText, run.engine, err);
  if (settings.verbosity >= 2) {
    err << "Similarity computation completed in " << text::formatGeneral(now() - computeStart)
        << " ms\n";
  }
  if (!settings.trailingSeparator) {
    rowText.resize(withoutTrailingSeparator(rowText, settings.fieldSeparator).size());
  }
  return {std::move(pair.values), pair.hit, std::move(rowText)};
}

PairCursor::PairCursor(PairMode mode, std::size_t n1, std::size_t n2, std::size_t position)
    : mode_(mode), n2_(n2) {
  switch (mode) {
    case PairMode::TwoLists:
      if (n2 > 0) {
        i_ = position / n2;
        j_ = position % n2;
      }
      break;
    case PairMode::NextOnly:
      i_ = position;
      j_ = position + 1;
      break;
    case PairMode::AllPairs: {
      // Row i holds the pairs (i, i+1..n-1) and starts at i * (2n - i - 1) / 2:
      // the last row starting at or before the position.
      const auto rowStart = [n1](std::size_t i) { return i * (2 * n1 - i - 1) / 2; };
      std::size_t low = 0;
      std::size_t high = n1 > 0 ? n1 - 1 : 0;
      while (high - low > 1) {
        const std::size_t middle = low + (high - low) / 2;
        (rowStart(middle) <= position ? low : high) = middle;
      }
      i_ = low;
      j_ = low + 1 + (position - rowStart(low));
      break;
    }
  }
}

void PairCursor::advance() {
  switch (mode_) {
    case PairMode::TwoLists:
      if (++j_ == n2_) {
        ++i_;
        j_ = 0;
      }
      break;
    case PairMode::NextOnly:
      ++i_;
      ++j_;
      break;
    case PairMode::AllPairs:
      if (++j_ == n2_) {
        ++i_;
        j_ = i_ + 1;
      }
      break;
  }
}

namespace {

// Closes \a file; reports it on \a err when anything failed.
bool closeReporting(text::OutputFile& file, std::ostream& err) {
  if (file.close()) return true;
  file.report(err);
  return false;
}

}  // namespace

bool writePhraseReport(const std::vector<core::Melody>& melodies1,
                       const std::vector<core::Melody>* melodies2, std::ostream& diag) {
  text::OutputFile report = text::OutputFile::open("phraseInfo.txt");
  std::ostringstream text;
  const auto summarise = [&](const std::vector<core::Melody>& melodies) {
    for (const core::Melody& melody : melodies) {
      if (report.failed()) return;
      if (melody.empty()) continue;
      text.str("");
      melody.printMelodySummary(text, diag);
      for (const core::Melody& phrase : melody.splitPhrases(diag)) {
        phrase.printMelodySummary(text, diag);
      }
      report.write(text.view());
    }
  };
  summarise(melodies1);
  if (melodies2 != nullptr) summarise(*melodies2);
  return closeReporting(report, diag);
}

bool writeFileList(const std::vector<std::string>& list, std::ostream& err) {
  text::OutputFile file = text::OutputFile::open("filelist.dat");
  for (std::size_t i = 0; i < list.size() && file.ok(); ++i) {
    file.writeLine(std::to_string(i) + ':' + list[i]);
  }
  return closeReporting(file, err);
}

}  // namespace suite::tunecmp
