#include "tuneport/esac/esac_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "tuneport/model/output_file.h"
#include "tuneport/model/validation.h"
#include "tuneport/segmentation/pitch_statistics.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace suite::tuneport::esac {
namespace {

using model::ConverterMelody;

constexpr std::array<std::string_view, 12> kDegrees{"1",  "2b", "2",  "3b", "3",  "4",
                                                    "4#", "5",  "6b", "6",  "7b", "7"};
constexpr std::array<std::string_view, 12> kTonics{"C",  "C#", "D",  "Eb", "E",  "F",
                                                   "F#", "G",  "Ab", "A",  "Bb", "B"};

// Far beyond any song (hours of music); keeps the text of a damaged melody (a
// note of 2^31 units in bars of one unit) from growing without bound.
constexpr std::int64_t kMaxBars = 10000;

// Gaps shorter than this share of the interval count as articulation, not rest.
constexpr double kAbsorbedGap = 0.4347826086956522;

std::int64_t floorMod(std::int64_t a, std::int64_t b) { return ((a % b) + b) % b; }

// Finds the triplet groups in \a intervals (tatums): a group starts at an
// interval that is not a multiple of three and runs until the sum is one
// again; groupEnds gets the index after its last note at the index of its
// first, 0 elsewhere. False when some group has an odd interval, which two
// tatums to the bracket's unit cannot express; \a incomplete tells whether
// the last group is still open at the end.
bool planTriplets(const std::vector<std::int64_t>& intervals, std::vector<std::size_t>& groupEnds,
                  bool& incomplete) {
  groupEnds.assign(intervals.size(), 0);
  for (std::size_t i = 0; i < intervals.size(); ++i) {
    if (intervals[i] % 3 == 0) continue;
    const std::size_t first = i;
    std::int64_t sum = 0;
    for (; i < intervals.size() && (i == first || sum % 3 != 0); ++i) {
      if (intervals[i] % 2 != 0) return false;
      sum += intervals[i];
    }
    incomplete = sum % 3 != 0;
    groupEnds[first] = i--;
  }
  return true;
}

// The melody string: notes, rests and bar lines written in order.
class MelodyWriter {
 public:
  MelodyWriter(const ConverterMelody& melody, std::ostream& out) : melody_(melody), out_(out) {}
  bool write(std::string& text, std::string& errorText);
  std::int64_t basicUnit() const { return basicUnit_; }

 private:
  void span(std::string_view prefix, std::int64_t units);
  void barLine();
  bool tripletGroup(std::size_t first, std::size_t end);
  void phraseBreak(std::size_t i);

  const ConverterMelody& melody_;
  std::ostream& out_;
  std::string text_;
  std::vector<double> phrases_;
  std::vector<std::int64_t> intervals_;  // in tatums
  std::vector<std::int32_t> pitches_;
  std::int32_t reference_ = 60;
  std::int32_t shift_ = 0;
  std::int64_t bar_ = 0;       // bar length in units
  std::int64_t position_ = 0;  // in the bar, in units
  std::int64_t bars_ = 0;
  bool barEnded_ = false;  // the last note or rest ended exactly on a bar line
  std::int64_t basicUnit_ = 0;
};

// Moves the position over a bar line it has reached.
void MelodyWriter::barLine() {
  if (position_ < bar_) return;
  position_ = 0;
  ++bars_;
  text_ += ' ';
  barEnded_ = true;
}

// A note or rest lasting \a units, tied over the bar lines it crosses.
void MelodyWriter::span(std::string_view prefix, std::int64_t units) {
  text_ += prefix;
  if (position_ + units <= bar_) {
    text_ += durationToken(units);
    position_ += units;
  } else {
    std::int64_t rest = units - (bar_ - position_);
    text_ += durationToken(bar_ - position_);
    ++bars_;
    for (; rest > bar_ && bars_ <= kMaxBars; rest -= bar_) {
      ++bars_;
      text_ += " ^";
      text_ += durationToken(bar_);
    }
    text_ += " ^";
    text_ += durationToken(rest);
    position_ = rest;
  }
  barLine();
}

// Notes first..end-1 as one bracketed group, each written with half its
// interval in tatums (the bracket's unit is two tatums). False when a note
// before the last of the melody does not move on.
bool MelodyWriter::tripletGroup(std::size_t first, std::size_t end) {
  out_ << "Create triplet, counter=" << position_ << '\n' << std::flush;
  text_ += '(';
  std::int64_t thirds = position_ * 3;
  for (std::size_t k = first; k < end; ++k) {
    if (intervals_[k] <= 0 && k + 1 < pitches_.size()) return false;
    text_ += pitchToken(pitches_[k], reference_, shift_);
    // Tied over a bar line that falls on a whole unit of the bracket.
    std::int64_t left = intervals_[k];
    for (std::int64_t toBar = 3 * bar_ - thirds;
         left > toBar && toBar % 2 == 0 && bars_ <= kMaxBars; toBar = 3 * bar_) {
      text_ += durationToken(toBar / 2);
      text_ += " ^";
      ++bars_;
      barEnded_ = true;
      left -= toBar;
      thirds = 0;
    }
    text_ += durationToken(left / 2);
    // The closing bracket must follow a note, so it comes before a bar line.
    if (k + 1 == end) text_ += ')';
    thirds += left;
    for (; thirds >= 3 * bar_ && bars_ <= kMaxBars; thirds -= 3 * bar_) {
      ++bars_;
      text_ += ' ';
      barEnded_ = true;
    }
  }
  position_ = thirds / 3;
  out_ << "Created triplet : counter=" << position_ << '\n' << std::flush;
  return true;
}

void MelodyWriter::phraseBreak(std::size_t i) {
  const bool starts =
      phrases_.empty() ? barEnded_ && bars_ % 2 == 0 : i < phrases_.size() && phrases_[i] == 1.0;
  if (starts) text_ += '\n';
}

bool MelodyWriter::write(std::string& text, std::string& errorText) {
  const ConverterMelody& m = melody_;
  segmentation::TemperleySegmenter(&m).compute(phrases_);
  const std::vector<std::int32_t> durations = m.durationUnits();
  const std::vector<std::int32_t> intervalTicks = m.interOnsetTicks();
  pitches_ = m.pitches();
  const std::int64_t tatum = m.tatum;
  for (const std::int32_t t : intervalTicks)
    intervals_.push_back(static_cast<std::int64_t>(
        std::floor(static_cast<double>(t) / static_cast<double>(tatum) + 0.5)));

  bar_ = std::int64_t{m.ticksPerBeat} * m.numerator / tatum;
  position_ = floorMod(m.firstNoteOffsetInTatums(), bar_);
  reference_ = 60 + static_cast<std::int32_t>(floorMod(m.key, 12));
  shift_ = octaveShift(segmentation::pitchStatistics(m).median, reference_);
  // A melody of more than five octaves keeps its pitches rather than losing
  // some beyond the MIDI range.
  for (const std::int32_t p : pitches_)
    if (p >= 1 && p <= 127 && (p + shift_ < 1 || p + shift_ > 127)) shift_ = 0;
  const std::int64_t unitTicks = std::max(1, m.durationUnit);
  basicUnit_ = std::int64_t{m.ticksPerBeat} * m.denominator / unitTicks;
  // A basic unit with a factor 3 means a grid of triplet notes: regular notes
  // last multiples of three tatums and are written in thirds of the units.
  // Where the notes do not fit that grid, the tatum itself is the unit.
  std::vector<std::size_t> groupEnds;
  bool incomplete = false;
  const bool triplets = basicUnit_ % 3 == 0 && bar_ % 3 == 0 && position_ % 3 == 0 &&
                        planTriplets(intervals_, groupEnds, incomplete);
  if (triplets) {
    out_ << "Melody has triplets!\n" << std::flush;
    bar_ /= 3;
    position_ /= 3;
    basicUnit_ /= 3;
  }

  const std::size_t count = pitches_.size();
  for (std::size_t i = 0; i < count && bars_ <= kMaxBars; ++i) {
    barEnded_ = false;
    if (triplets && groupEnds[i] != 0) {
      if (incomplete && groupEnds[i] == count) {
        errorText = "Incomplete triplet at end.";
        return false;
      }
      if (!tripletGroup(i, groupEnds[i])) {
        errorText = "Invalid melody. Probably not monophonic.";
        return false;
      }
      i = groupEnds[i] - 1;
      phraseBreak(i);
      continue;
    }
    std::int64_t interval = intervals_[i];
    std::int64_t length = durations[i];
    if (triplets) {
      interval /= 3;
      length = std::max<std::int64_t>(1, length / 3);
    }
    std::int64_t gap = interval - length;
    if (gap > 0 && static_cast<double>(gap) < static_cast<double>(interval) * kAbsorbedGap) {
      length = interval;
      gap = 0;
    }
    if (gap < 0 && i + 1 < count) {
      errorText = "Invalid melody. Probably not monophonic.";
      return false;
    }
    span(pitchToken(pitches_[i], reference_, shift_), length);
    if (gap > 0) {
      barEnded_ = false;
      span("0", gap);
    }
    phraseBreak(i);
  }
  if (bars_ > kMaxBars) {
    errorText = "Invalid melody. Too many bars.";
    return false;
  }
  text = std::move(text_);
  return true;
}

}  // namespace

std::string pitchToken(std::int32_t pitch, std::int32_t reference, std::int32_t shift) {
  if (pitch == model::kRestPitch) return "0";
  if (pitch == model::kNoPitch) return "^";
  if (pitch < 1 || pitch > 127) return "?";
  const std::int64_t above = std::int64_t{pitch} + shift - reference;
  const std::int64_t octaves = above >= 0 ? above / 12 : (-above + 11) / 12;
  std::string token(static_cast<std::size_t>(octaves), above >= 0 ? '+' : '-');
  token += kDegrees[static_cast<std::size_t>(floorMod(above, 12))];
  return token;
}

std::string durationToken(std::int64_t units) {
  if (units <= 1) return "";
  std::int64_t power = 1;
  int doublings = 0;
  while (power <= units / 2) {
    power *= 2;
    ++doublings;
  }
  std::string token(static_cast<std::size_t>(doublings), '_');
  if (units == power) return token;
  std::int64_t sum = power;
  for (std::int64_t half = power / 2; half >= 1; half /= 2) {
    sum += half;
    token += '.';
    if (sum == units) return token;
    if (sum > units) break;
  }
  token.resize(static_cast<std::size_t>(doublings));
  return token + "^" + durationToken(units - power);
}

std::int32_t octaveShift(std::int32_t median, std::int32_t reference) {
  if (median < 1 || median > 127) return 0;
  if (median < reference) return 12 * ((reference - median + 11) / 12);
  if (median > reference + 12) return -12 * ((median - reference - 12 + 11) / 12);
  return 0;
}

bool esacRecordText(const ConverterMelody& melody, std::string_view keyId, std::ostream& out,
                    std::string& record, std::string& errorText) {
  record.clear();
  if (!model::validateMelody(melody, errorText)) return false;
  const std::int64_t barTicks = std::int64_t{melody.ticksPerBeat} * melody.numerator;
  if (melody.tatum < 1 || melody.tatum > barTicks) {
    errorText = "Invalid tatum: " + std::to_string(melody.tatum);
    return false;
  }
  ConverterMelody clipped = melody;
  clipped.clipOverlaps();
  MelodyWriter writer(clipped, out);
  std::string text;
  if (!writer.write(text, errorText)) return false;
  record = "CUT[]\nREG[]\nTRD[]\nKEY[";
  record += keyId;
  record += ' ' + std::to_string(writer.basicUnit()) + ' ';
  record += kTonics[static_cast<std::size_t>(floorMod(melody.key, 12))];
  record += ' ' + std::to_string(melody.numerator) + '/' + std::to_string(melody.denominator);
  record += "]\nMEL[" + text + "//]\nFKT[]\nTXT[]\n";
  return true;
}

bool writeEsacMelody(const std::string& fileName, const ConverterMelody& melody, std::ostream& out,
                     std::string& errorText) {
  const std::string keyId = fileName.substr(0, fileName.rfind('.'));
  std::string record;
  if (!esacRecordText(melody, keyId, out, record, errorText)) return false;
  return model::writeOutputFile(fileName, record, errorText);
}

}  // namespace suite::tuneport::esac
