#include "analysis/feature_sources.h"

#include <algorithm>
#include <array>
#include <utility>

#include "analysis/accents.h"
#include "analysis/feature_table.h"
#include "analysis/syncopation.h"
#include "analysis/tonality.h"

namespace suite::analysis::feature_sources {

std::vector<double> syncopation(const core::Melody& melody, std::uint32_t flags) {
  using namespace feature_flag;
  constexpr std::array<std::pair<std::uint32_t, int>, 4> kLevels = {
      {{kSyncLevel1, 1}, {kSyncLevel0, 0}, {kSyncLevelMinus1, -1}, {kSyncLevelMinus2, -2}}};
  std::vector<double> combined;
  bool first = true;
  for (const auto& [bit, level] : kLevels) {
    if ((flags & bit) == 0) continue;
    const std::vector<double> values = analysis::syncopation(melody, level);
    if (first) {
      combined = values;
      first = false;
      continue;
    }
    // Later levels count as 0 where they are shorter.
    for (std::size_t i = 0; i < combined.size() && i < values.size(); ++i) {
      combined[i] = std::max(combined[i], values[i]);
    }
  }
  return combined;
}

std::vector<double> accentModel(const core::Melody& melody, std::uint32_t flags) {
  using namespace feature_flag;
  if ((flags & kLinearModel) != 0) return linearModelAccents(melody, false);
  if ((flags & kTreeModel) != 0) return treeModelAccents(melody, false);
  if ((flags & kLinearModelThresholded) != 0) return linearModelAccents(melody, true);
  if ((flags & kTreeModelThresholded) != 0) return treeModelAccents(melody, true);
  return {};
}

std::vector<double> ruleAccents(const core::Melody& melody, std::uint32_t mask) {
  return analysis::ruleAccents(melody, mask);
}

std::vector<double> thomassenAccents(const core::Melody& melody, bool thresholded) {
  return analysis::thomassenAccents(melody, thresholded);
}

std::vector<double> barKeys(const core::Melody& melody) {
  const std::size_t n = std::min(melody.pitches.size(), melody.timeline.size());
  std::vector<double> keys;
  keys.reserve(n);
  const BarIndex index(melody);
  std::vector<double> keySums;
  double key = 0.0;
  for (std::size_t t = 0; t < n; ++t) {
    const std::int32_t bar = melody.timeline[t].bar;
    // One key per run of notes in the same bar.
    if (t == 0 || bar != melody.timeline[t - 1].bar) {
      const int k = findKey(index.bar(bar), keySums);
      key = 60.0 + (k >= 12 ? k - 12 : k);  // 59 when the bar has no notes (kNoKey)
    }
    keys.push_back(key);
  }
  return keys;
}

}  // namespace suite::analysis::feature_sources
