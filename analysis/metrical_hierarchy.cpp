#include "analysis/metrical_hierarchy.h"

namespace suite::analysis {
namespace {

struct Group {
  std::uint64_t size;
  std::uint64_t first;
};

// Children of a group, in order; returns how many (0..3).
std::size_t children(Group g, std::array<Group, 3>& out) {
  if (g.size <= 1) return 0;
  if (g.size == 2) {
    out[0] = {1, g.first + 1};
    return 1;
  }
  if (g.size == 3) {
    out[0] = {1, g.first + 1};
    out[1] = {1, g.first + 2};
    return 2;
  }
  const GroupSplit split = splitGroup(g.size);
  std::uint64_t first = g.first;
  for (std::size_t i = 0; i < split.count; ++i) {
    out[i] = {split.sizes[i], first};
    first += split.sizes[i];
  }
  return split.count;
}

// k mod 3 for odd k, 0 for even k.
std::uint64_t oddResidue(std::uint64_t k) { return k % 2 == 1 ? k % 3 : 0; }

}  // namespace

GroupSplit splitGroup(std::uint64_t s) {
  GroupSplit split;
  if (s < 4) return split;
  if (s % 2 == 0) {
    split.sizes = {s / 2, s / 2, 0};
    split.count = 2;
  } else if (s % 3 == 0) {
    split.sizes = {s / 3, s / 3, s / 3};
    split.count = 3;
  } else {
    const std::uint64_t h = s / 2;
    const std::uint64_t t = s / 3;
    if (oddResidue(t + 1) + oddResidue(t) < oddResidue(h + 1) + oddResidue(h)) {
      // s = 3t + 2 for odd t and 3t + 1 for even t, so the parts add up to s.
      split.sizes = t % 2 == 1 ? std::array<std::uint64_t, 3>{t + 1, t + 1, t}
                               : std::array<std::uint64_t, 3>{t, t, t + 1};
      split.count = 3;
    } else {
      split.sizes = s % 4 == 3 ? std::array<std::uint64_t, 3>{h + 1, h, 0}
                               : std::array<std::uint64_t, 3>{h, h + 1, 0};
      split.count = 2;
    }
  }
  return split;
}

int MetricalHierarchy::weight(std::int64_t index) const {
  if (index < 0 || static_cast<std::uint64_t>(index) >= beats_) return 0;
  const auto k = static_cast<std::uint64_t>(index);
  int w = 0;
  Group g{beats_, 0};
  std::array<Group, 3> kids{};
  for (;;) {
    if (g.first == k) ++w;
    const std::size_t count = children(g, kids);
    std::size_t i = 0;
    while (i < count && !(kids[i].first <= k && k < kids[i].first + kids[i].size)) ++i;
    if (i == count) return w;
    g = kids[i];
  }
}

bool MetricalHierarchy::isMainBeat(std::int64_t beat) const {
  // weight() is 0 outside the bar; such a beat (e.g. beat 0) is no main beat.
  if (beat < 1 || static_cast<std::uint64_t>(beat) > beats_) return false;
  return weight(beat - 1) != 1;
}

std::size_t MetricalHierarchy::topLevelGroupCount() const {
  std::array<Group, 3> kids{};
  return children({beats_, 0}, kids);
}

std::uint64_t MetricalHierarchy::lastTopLevelGroupSize() const {
  std::array<Group, 3> kids{};
  const std::size_t count = children({beats_, 0}, kids);
  return count == 0 ? 1 : kids[count - 1].size;
}

std::uint64_t subdivisionLength(const core::Signature& sig, std::uint64_t tatum,
                                std::int32_t beatDivision) {
  if (tatum == 0) return 0;
  const std::uint64_t d = beatDivision < 1 ? 1 : static_cast<std::uint64_t>(beatDivision);
  return tatum * ((sig.ticksPerBeat / tatum) / d);
}

int metricalLevel(const core::MetricalPosition& position, const core::Signature& sig,
                  std::uint64_t tatum) {
  if (tatum == 0) return 0;
  if (position.tick == 0) {
    return MetricalHierarchy(sig.numerator).weight(std::int64_t{position.beat} - 1) - 1;
  }
  const std::uint64_t d = position.beatDivision < 1 ? 1 : std::uint64_t(position.beatDivision);
  const MetricalHierarchy beat(d);
  // A tatum longer than a part of the beat leaves no part to count in; the
  // position then counts as part 0 instead of dividing by zero.
  const std::uint64_t s = subdivisionLength(sig, tatum, position.beatDivision);
  const std::uint64_t k = s == 0 ? 0 : position.tick / s;
  return beat.weight(static_cast<std::int64_t>(k)) - beat.weight(0);
}

}  // namespace suite::analysis
