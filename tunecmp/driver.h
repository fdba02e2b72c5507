// The comparison driver of tunecmp: loading, pair enumeration, per-pair
// computation with progress output, and the run's side files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "core/melody.h"
#include "similarity/engine.h"
#include "similarity/prepared_melody.h"
#include "similarity/types_file.h"
#include "text/output_file.h"
#include "text/program.h"
#include "tunecmp/cli.h"
#include "tunecmp/output.h"

namespace suite::tunecmp {

/// The pseudo-random generator of the random selection: values 0..32767
/// (the linear congruential generator of the C standard's example).
class RandomGenerator {
 public:
  explicit RandomGenerator(std::uint32_t seed) : state_(seed) {}
  int next() {
    state_ = state_ * 1103515245u + 12345u;
    return static_cast<int>((state_ / 65536u) % 32768u);
  }

 private:
  std::uint32_t state_;
};

/// \a n names drawn from \a list without repetition, in the order drawn (the
/// whole list when n covers it). After a drawing writes a line break to \a out.
std::vector<std::string> randomSubset(const std::vector<std::string>& list, std::size_t n,
                                      RandomGenerator& random, std::ostream& out);

/// The pair mode of the settings.
PairMode pairModeOf(const CompareSettings& settings);

/// Number of comparisons of the mode for lists of \a n1 and \a n2 names.
std::size_t comparisonCount(PairMode mode, std::size_t n1, std::size_t n2);

/// Calls \a compare(i, j) for every pair of the mode, list 1 in the outer
/// loop, until it returns false. False when it was stopped so.
bool forEachPair(PairMode mode, std::size_t n1, std::size_t n2,
                 const std::function<bool(std::size_t, std::size_t)>& compare);

/// Result of computePair: one value per measure, and whether any value
/// reached the threshold (always true without a threshold above 0).
struct PairValues {
  std::vector<double> values;
  bool hit = false;
};

/// Computes every measure for \a a against \a b transposed by \a t semitones,
/// appending "%1.4f" + separator per value to \a rowText, with the
/// per-measure progress lines on \a err.
PairValues computePair(const similarity::PreparedMelody& a, const similarity::PreparedMelody& b,
                       const std::vector<similarity::CombiType>& measures, int t,
                       const CompareSettings& settings, std::string& rowText,
                       similarity::EngineContext& engine, std::ostream& err);

/// What every comparison of a run shares. Each thread of a run has its own
/// engine and streams; the rest is read only.
struct PairRun {
  const CompareSettings& settings;
  const std::vector<similarity::CombiType>& measures;
  similarity::EngineContext& engine;
  const text::RunEnvironment& environment;
  std::ostream& out;  ///< melody summaries at verbosity 2
  std::ostream& err;  ///< per-pair lines and the engine's messages
};

/// The outcome of one comparison.
struct PairResult {
  std::vector<double> values;  ///< one per measure
  bool listed = false;         ///< the pair reached the threshold (or there is none)
  std::string row;             ///< its line of the result list, without line feed
};

/// One comparison of the run: the progress lines, the transposition search,
/// computePair, and the line of the result list. \a name1 and \a name2 are
/// the names of the melodies as listed.
PairResult comparePair(const PairRun& run, const similarity::PreparedMelody& a,
                       const similarity::PreparedMelody& b, const std::string& name1,
                       const std::string& name2);

/// Walks the pairs of a mode from a position of its sequence (the order of
/// forEachPair) without visiting those before it.
class PairCursor {
 public:
  /// At pair \a position (below comparisonCount) of the mode's sequence.
  PairCursor(PairMode mode, std::size_t n1, std::size_t n2, std::size_t position);

  /// Index in list 1 and list 2 of the current pair.
  std::size_t first() const { return i_; }
  std::size_t second() const { return j_; }
  /// On to the next pair of the sequence.
  void advance();

 private:
  PairMode mode_;
  std::size_t n2_;
  std::size_t i_ = 0;
  std::size_t j_ = 0;
};

/// Writes the summary of every non-empty melody and of each of its phrases
/// to "phraseInfo.txt" (replacing it): array 1, then array 2 unless it is
/// the same array. An invalid timeline is reported on \a diag. False, with
/// the failure reported on \a diag, when the file cannot be written whole.
bool writePhraseReport(const std::vector<core::Melody>& melodies1,
                       const std::vector<core::Melody>* melodies2, std::ostream& diag);

/// Writes "filelist.dat" (replacing it): "<index>:<name>" per name of \a list.
/// False, with the failure reported on \a err, when it cannot be written whole.
bool writeFileList(const std::vector<std::string>& list, std::ostream& err);

}  // namespace suite::tunecmp
