#include "core/melody.h"

#include <algorithm>
#include <numeric>

#include "text/text_format.h"

namespace suite::core {
namespace {

using text::formatGeneral;


// Longest note that expandToTatums expands in full, and that printNotes shows.
constexpr std::uint32_t kMaxExpandedTatums = 128;
constexpr std::uint32_t kMaxDisplayedTatums = kMaxExpandedTatums;

}  // namespace

void Melody::clear() {
  pitches.clear();
  durations.clear();
  onsets.clear();
  // Phrase flags belong to the notes: flags left from an earlier load would
  // not match the next melody read into this object.
  phraseFlags.clear();
  timeline.positions.clear();
  timeline.cachedTatum = 0;
}

std::uint64_t Melody::totalDuration() const {
  return std::accumulate(durations.begin(), durations.end(), std::uint64_t{0});
}

std::pair<int, int> Melody::pitchRange() const {
  int lowest = 127;
  int highest = 0;
  for (const std::int8_t p : pitches) {
    lowest = std::min<int>(lowest, p);
    highest = std::max<int>(highest, p);
  }
  return {lowest, highest};
}

double Melody::meanPitch() const {
  if (pitches.empty()) return 0.0;
  double sum = 0.0;
  for (const std::int8_t p : pitches) sum += p;
  return sum / static_cast<double>(pitches.size());
}

ModalValues<std::int8_t> Melody::mostFrequentPitches() const { return modalValues(pitches); }

std::vector<std::int32_t> Melody::computePhraseFlags() const {
  const std::size_t n = pitches.size();
  if (n == 0 || n != durations.size()) return {};
  std::vector<std::int32_t> flags(n, 0);
  flags.front() = kPhraseStart;
  flags.back() = kPhraseEnd;
  if (n < 3) return flags;

  const bool haveOnsets = onsets.size() == n;
  const double scale = (haveOnsets && onsets[1] > 10.0) ? 1000.0 : 1.0;  // ms or s
  const std::vector<std::uint32_t> modal = modalValues(durations).values;
  const std::uint32_t m = *std::min_element(modal.begin(), modal.end());
  for (std::size_t i = 1; i + 2 < n; ++i) {
    const bool gap = haveOnsets && (onsets[i + 1] - onsets[i]) / scale > 1.5;
    // With a modal duration of 0 every note would count as long; the length
    // rule only means something against a positive reference.
    const bool longNote = m > 0 && durations[i] >= 3.9 * m;
    if (gap || longNote) {
      flags[i] |= kPhraseEnd;
      flags[i + 1] |= kPhraseStart;
    }
  }
  return flags;
}

Melody Melody::extractPhrase(int k, std::ostream& diag) const {
  Melody phrase;
  phrase.annotatedKey = annotatedKey;
  int starts = -1;
  for (std::size_t i = 0; i < pitches.size() && i < phraseFlags.size(); ++i) {
    if ((phraseFlags[i] & kPhraseStart) != 0) {
      ++starts;
      if (starts > k) break;
    }
    if (starts != k) continue;
    phrase.pitches.push_back(pitches[i]);
    if (i < durations.size()) phrase.durations.push_back(durations[i]);
    if (i < onsets.size()) phrase.onsets.push_back(onsets[i]);
    if (i < timeline.size()) phrase.timeline.append(timeline[i]);
  }
  if (phrase.pitches.empty()) return phrase;

  phrase.name = name + "_P" + std::to_string(k);
  phrase.signature = signature;
  phrase.barLength = barLength;
  // Durations stay in the source's tatum units, so the phrase keeps its tatum.
  phrase.timeline.cachedTatum = timeline.tatum(signature, diag);
  phrase.phraseFlags = phrase.computePhraseFlags();
  // Consistency check: only its messages matter.
  (void)phrase.expandToTatums(diag);
  return phrase;
}

std::vector<Melody> Melody::splitPhrases(std::ostream& diag) const {
  std::vector<Melody> phrases;
  for (int k = 0;; ++k) {
    Melody phrase = extractPhrase(k, diag);
    if (phrase.pitches.empty()) break;
    phrases.push_back(std::move(phrase));
  }
  return phrases;
}

Melody Melody::expandToTatums(std::ostream& diag) const {
  Melody result;
  result.name = name;
  result.signature = signature;
  result.barLength = barLength;
  result.annotatedKey = annotatedKey;
  if (pitches.size() != durations.size() || pitches.size() != timeline.size()) {
    diag << pitches.size() << ' ' << durations.size() << ' ' << timeline.size() << '\n'
         << "Invalid Melody class object (" << name << ")\n";
    return result;
  }

  for (std::size_t i = 0; i < pitches.size(); ++i) {
    std::uint32_t d = durations[i];
    if (d > kMaxExpandedTatums) {
      diag << "WARNING: Suspicious duration found: " << d << '\n';
      d = kMaxExpandedTatums;
    }
    result.pitches.insert(result.pitches.end(), d, pitches[i]);
  }
  result.durations.assign(result.pitches.size(), 1);
  if (result.pitches.empty()) return result;

  const std::uint64_t tatum = timeline.tatum(signature, diag);
  BarTimeline renumbered = timeline;
  renumbered.normalizeBars();
  MetricalPosition position = renumbered[0];
  position.beatDivision = 1;
  result.timeline.positions.reserve(result.pitches.size());
  result.timeline.append(position);
  for (std::size_t i = 1; i < result.pitches.size(); ++i) {
    position.advance(tatum, signature);
    result.timeline.append(position);
  }
  result.timeline.cachedTatum = tatum;
  return result;
}

void Melody::printMelodySummary(std::ostream& out, std::ostream& diag) const {
  const std::uint64_t tatum = timeline.tatum(signature, diag);
  const std::uint64_t whole = 4ULL * signature.ticksPerBeat;
  const std::uint64_t g = gcd(tatum, whole);
  const auto [lowest, highest] = pitchRange();
  const ModalValues<std::int8_t> modal = mostFrequentPitches();

  out << '\n'
      << "Melody " << name << '\n'
      << "-----------------------------------\n"
      << "No. of pitches        = " << (pitches.size() == durations.size() ? pitches.size() : 0)
      << '\n'
      << "Total Duration (1/16) = " << totalDuration() << '\n'
      << "Signature:            = " << signature.numerator << '/' << signature.denominator << '\n'
      << "Tatum:                = " << (g ? tatum / g : 0) << '/' << (g ? whole / g : 0) << '\n'
      << "Number of Bars        = " << timeline.numberOfBars() << '\n'
      << "Lowest pitch          = " << lowest << '\n'
      << "Highest pitch         = " << highest << '\n'
      << "Mean pitch            = " << formatGeneral(meanPitch()) << '\n'
      << "Most frequent pitches = ";
  for (const std::int8_t p : modal.values) out << int{p} << ' ';
  out << " (Freq = " << modal.count << ")\n";
  printNotes(0, pitches.size(), out);
}

void Melody::printNotes(std::size_t from, std::size_t to, std::ostream& out) const {
  if (from > to) std::swap(from, to);
  to = std::min(to, pitches.size());
  std::size_t cells = 0;
  const auto endCell = [&]() {
    if (++cells % 16 == 0) out << '\n';
  };
  for (std::size_t i = from; i < to; ++i) {
    const int relative = pitches[i] - 60;
    const int octave = relative >= 0 ? relative / 12 : -((-relative + 11) / 12);
    const std::string noteName = kPitchClassNames[pitchClass(pitches[i])];
    const std::size_t padding = 4 - noteName.size() - (octave < 0 ? 1u : 0u);
    out << noteName << octave << std::string(padding, ' ');
    endCell();
    // Beyond 128 tatums (where expandToTatums caps a duration as suspicious)
    // the dots only flood the display; a corrupt duration near 2^32 would
    // otherwise print gigabytes.
    const std::uint32_t d = i < durations.size() ? std::min(durations[i], kMaxDisplayedTatums) : 1;
    for (std::uint32_t t = 1; t < d; ++t) {
      out << ".   ";
      endCell();
    }
  }
  out << '\n';
}

}  // namespace suite::core
