// Metrical hierarchy of a bar (or of a divided beat) as a tree of beat
// groups, and the metrical level of a note position.
#pragma once

#include <array>
#include <cstdint>

#include "core/bar_timeline.h"

namespace suite::analysis {

/// Sizes of the consecutive child groups a group of \a size >= 4 beats splits
/// into (2 or 3 of them, summing to \a size); count 0 for smaller sizes.
struct GroupSplit {
  std::array<std::uint64_t, 3> sizes{};
  std::size_t count = 0;
};
GroupSplit splitGroup(std::uint64_t size);

/// The group tree over \a beats beats: the root (beats, 0); a group of 2 has
/// the one child (1, first + 1), a group of 3 the children (1, first + 1) and
/// (1, first + 2), larger groups split by splitGroup. The tree is never built:
/// every query walks down the one path it needs, so huge sizes cost only
/// O(log beats).
class MetricalHierarchy {
 public:
  explicit MetricalHierarchy(std::uint64_t beats) : beats_(beats) {}

  std::uint64_t beats() const { return beats_; }

  /// Number of groups starting at beat index \a index (from 0); 0 outside
  /// 0..beats-1.
  int weight(std::int64_t index) const;

  /// Whether \a beat (from 1) is a main beat: a beat of the bar whose weight
  /// is not 1. Beats outside 1..beats are never main beats.
  bool isMainBeat(std::int64_t beat) const;

  /// Number of children of the root (0 for a single beat).
  std::size_t topLevelGroupCount() const;

  /// Size of the last child of the root; 1 when the root has no children.
  std::uint64_t lastTopLevelGroupSize() const;

 private:
  std::uint64_t beats_;
};

/// Length in ticks of one of the \a beatDivision parts of a beat, in whole
/// tatums: tatum * floor(floor(ticksPerBeat / tatum) / beatDivision). A
/// division below 1 counts as 1. 0 when the tatum is 0 or longer than a part.
std::uint64_t subdivisionLength(const core::Signature& sig, std::uint64_t tatum,
                                std::int32_t beatDivision);

/// Metrical level of a position: on a beat, the weight of the beat in the
/// bar's hierarchy minus 1 (4/4: beat 1 -> 1, beats 2..4 -> 0); off the beat,
/// the weight of its part of the beat minus the weight of part 0 in the
/// hierarchy over the beat's division (an off-beat half -> 0, off-beat
/// sixteenths of a beat in four -> -1). 0 when \a tatum is 0, and 0 off the
/// beat when the part length is 0 (the position counts as part 0).
int metricalLevel(const core::MetricalPosition& position, const core::Signature& sig,
                  std::uint64_t tatum);

}  // namespace suite::analysis
