#include "tuneport/esac/esac_reader.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <numeric>
#include <sstream>
#include <string>
#include <vector>

#include "text/line_reader.h"
#include "text/text_parse.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::esac {
namespace {

using model::ConverterMelody;
using model::NoteEvent;

constexpr std::int32_t kMaxSignature = 1024;

// Semitones above the tonic of degrees 0..8 (the major scale whatever the
// mode; degree 8 is read as the tonic itself).
constexpr std::array<std::int64_t, 9> kScale{0, 0, 2, 4, 5, 7, 9, 11, 0};

struct Signature {
  std::int32_t numerator = 4;
  std::int32_t denominator = 4;
  bool standIn = false;  ///< numerator 0: 4/4 at 192 ticks per beat
};

Signature parseSignature(std::string_view word) {
  Signature s;
  const std::size_t slash = word.find('/');
  const std::int32_t n = text::parseIntLenient(word.substr(0, slash));
  if (n == 0) {
    s.standIn = true;
    return s;
  }
  s.numerator = n;
  s.denominator =
      slash == std::string_view::npos ? 0 : text::parseIntLenient(word.substr(slash + 1));
  return s;
}

struct ParsedNote {
  double units = 0.0;  ///< length in basic units (halves possible after a dot)
  double ms = 0.0;
  std::int32_t pitch = 0;
  bool phraseStart = false;
};

enum class Token {
  Start,
  OctaveSign,
  Digit,
  Accidental,
  Prolongation,
  Tie,
  TupletOpen,
  TupletClose
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Walks a melody string sign by sign (the notation is summed up in
// esac_reader.h) and collects its notes.
class MelodyParser {
 public:
  MelodyParser(const EsacRecord& record, const model::ConversionSettings& settings,
               std::int32_t denominator, double barUnits)
      : text_(record.melodyText),
        tonic_(record.tonicIndex),
        factor_(record.tupletFactor),
        basicUnit_(record.basicUnit),
        denominator_(denominator),
        unitMs_(settings.msPerBeat / (denominator * 0.25)),
        barUnits_(barUnits),
        cutMs_(settings.cut),
        phrase_(settings.phrase),
        base_(record.tupletFactor) {}

  bool run(std::string& errorText);

  const std::vector<ParsedNote>& notes() const { return notes_; }
  double totalUnits() const { return total_; }
  /// Where the first note starts: the rest of the bar its upbeat belongs to.
  double startUnits() const { return total_ < barUnits_ ? 0.0 : startUnits_; }
  double unitMs() const { return unitMs_; }

 private:
  bool step(std::size_t& i, std::string& errorText);
  bool finishNote(std::string& errorText);
  bool fail(std::size_t at, std::string_view reason, std::string& errorText) const;
  bool holdFollows(std::size_t i) const;
  bool afterNoteSign() const {
    return token_ == Token::Digit || token_ == Token::Accidental || token_ == Token::Prolongation ||
           token_ == Token::Tie;
  }

  std::string_view text_;
  std::int32_t tonic_;
  std::int32_t factor_;
  std::int32_t basicUnit_;
  std::int32_t denominator_;
  double unitMs_;
  double barUnits_;
  double cutMs_;
  std::int32_t phrase_;

  std::int32_t base_;  // length of a new note in units
  char tuplet_ = 0;    // closing sign of the open tuplet, 0 when none
  Token token_ = Token::Start;
  char lastOctaveSign_ = 0;
  std::int64_t octave_ = 0;
  std::int32_t accidental_ = 0;
  bool phraseFlag_ = false;
  std::int64_t line_ = 1;
  bool upbeatDecided_ = false;
  double startUnits_ = 0.0;

  // The pending note: degree, where its digit stands, its length so far, the
  // part that "_" doubles (the held part after "^") and what a dot halves.
  bool pending_ = false;
  std::int32_t degree_ = 0;
  std::size_t digitAt_ = 0;
  bool pendingPhraseStart_ = false;
  double length_ = 0.0;
  double part_ = 0.0;
  double dotAmount_ = 0.0;

  std::vector<ParsedNote> notes_;
  double total_ = 0.0;
  double elapsedMs_ = 0.0;
  bool ended_ = false;
};

bool MelodyParser::fail(std::size_t at, std::string_view reason, std::string& errorText) const {
  // Four characters from five before the offending one, then the offending one
  // and the two after it; near the start the excerpt starts at the first one.
  const std::size_t from = at >= 5 ? at - 5 : 0;
  const std::string_view before = text_.substr(std::min(from, text_.size()), 4);
  const std::string_view offending = text_.substr(std::min(at, text_.size()), 3);
  std::ostringstream message;
  message << '"' << before << "\n     " << offending
          << "\"\nError while parsing melody string at token " << std::to_string(at) << ". " << reason;
  errorText = message.str();
  return false;
}

bool MelodyParser::holdFollows(std::size_t i) const {
  std::size_t j = i + 1;
  while (j < text_.size() && isBlank(text_[j])) ++j;
  return j < text_.size() && text_[j] == '^';
}

bool MelodyParser::finishNote(std::string& errorText) {
  if (!pending_) return true;
  pending_ = false;
  ParsedNote note;
  note.units = length_;
  note.ms = unitMs_ * denominator_ * length_ / basicUnit_;
  note.phraseStart = pendingPhraseStart_;
  if (degree_ == 0) {
    note.pitch = model::kRestPitch;
  } else if (tonic_ == kUnknownTonic) {
    note.pitch = model::kNoPitch;
  } else {
    const std::int64_t pitch =
        60 + tonic_ + kScale[static_cast<std::size_t>(degree_)] + 12 * octave_ + accidental_;
    // Outside the MIDI range a pitch would read as a rest, a marker or garbage.
    if (pitch < 1 || pitch > 127) return fail(digitAt_, "Pitch out of range.", errorText);
    note.pitch = static_cast<std::int32_t>(pitch);
  }
  notes_.push_back(note);
  total_ += note.units;
  elapsedMs_ += note.ms;
  accidental_ = 0;
  octave_ = 0;
  return true;
}

bool MelodyParser::run(std::string& errorText) {
  for (std::size_t i = 0; i < text_.size() && !ended_; ++i)
    if (!step(i, errorText)) return false;
  // Text without "//": the last note still counts.
  return finishNote(errorText);
}

bool MelodyParser::step(std::size_t& i, std::string& errorText) {
  const char c = text_[i];
  if (c == '\n' || c == '\r') {
    phraseFlag_ = true;
    ++line_;
    if (i + 1 < text_.size() &&
        (isBlank(text_[i + 1]) || text_[i + 1] == '\n' || text_[i + 1] == '\r'))
      ++i;
    return true;
  }
  if (cutMs_ > 0.0 && elapsedMs_ >= cutMs_) {
    ended_ = true;
    return true;
  }
  if (phrase_ > 0 && line_ < phrase_) return true;
  if (phrase_ > 0 && line_ > phrase_) {
    ended_ = true;
    return true;
  }
  switch (c) {
    case ' ':
    case '\t':
    case '|': {
      if (pending_ && !holdFollows(i) && !finishNote(errorText)) return false;
      if (!upbeatDecided_ && (pending_ || !notes_.empty())) {
        upbeatDecided_ = true;
        // A note held over the bar line belongs to the first bar as far as it goes.
        const double firstBar = total_ + (pending_ ? length_ : 0.0);
        if (firstBar < barUnits_ && text_.front() != '0') startUnits_ = barUnits_ - firstBar;
      }
      token_ = Token::Start;
      return true;
    }
    case '(':
    case '<':
    case '{': {
      if (tuplet_ != 0) return fail(i, "No nested tuplets allowed", errorText);
      if (pending_ && !holdFollows(i) && !finishNote(errorText)) return false;
      tuplet_ = c == '(' ? ')' : (c == '<' ? '>' : '}');
      base_ = c == '(' ? factor_ / 3 * 2 : (c == '<' ? factor_ / 5 * 4 : factor_ / 7 * 4);
      token_ = Token::TupletOpen;
      return true;
    }
    case ')':
    case '>':
    case '}': {
      if (tuplet_ != c) return fail(i, "Tuplet signs don't match", errorText);
      if (!afterNoteSign()) return fail(i, "Misplaced triplet sign", errorText);
      tuplet_ = 0;
      base_ = factor_;
      if (!holdFollows(i) && !finishNote(errorText)) return false;
      token_ = Token::TupletClose;
      return true;
    }
    case '+':
    case '-': {
      if (token_ == Token::OctaveSign && lastOctaveSign_ != c)
        return fail(i, "Wrong octavation", errorText);
      if (!finishNote(errorText)) return false;
      octave_ += c == '+' ? 1 : -1;
      lastOctaveSign_ = c;
      token_ = Token::OctaveSign;
      return true;
    }
    case '^':
      if (pending_) {
        length_ += base_;
        part_ = base_;
        dotAmount_ = base_;
        token_ = Token::Tie;
      }
      return true;
    case '#':
    case 'b':
      if (token_ != Token::Digit) return fail(i, "Invalid accidential.", errorText);
      accidental_ = c == '#' ? 1 : -1;
      token_ = Token::Accidental;
      return true;
    case '_':
      if (!pending_) return fail(i, "Misplaced prolongation.", errorText);
      length_ += part_;
      part_ *= 2;
      dotAmount_ = part_;
      token_ = Token::Prolongation;
      return true;
    case '.': {
      if (!pending_ || dotAmount_ < 2) return fail(i, "Misplaced prolongation.", errorText);
      const double half = dotAmount_ / 2;
      length_ += half;
      part_ += half;
      dotAmount_ = half;
      token_ = Token::Prolongation;
      return true;
    }
    case '/':
      ended_ = true;
      return true;
    default:
      break;
  }
  if (c >= '0' && c <= '8') {
    if (!finishNote(errorText)) return false;
    // A note that would start once the cut time has passed is not read.
    if (cutMs_ > 0.0 && elapsedMs_ >= cutMs_) {
      ended_ = true;
      return true;
    }
    pending_ = true;
    degree_ = c - '0';
    digitAt_ = i;
    length_ = base_;
    part_ = base_;
    dotAmount_ = base_;
    pendingPhraseStart_ = phraseFlag_;
    phraseFlag_ = false;
    token_ = Token::Digit;
  }
  // Anything else (letters, control characters, bytes of other encodings) is
  // not part of the notation and leaves the state as it is.
  return true;
}

std::int32_t clampTicks(double ticks) {
  if (!(ticks > std::numeric_limits<std::int32_t>::min()))
    return std::numeric_limits<std::int32_t>::min();
  if (ticks >= std::numeric_limits<std::int32_t>::max())
    return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(std::llround(ticks));
}

}  // namespace

bool parseEsacMelody(const EsacRecord& record, const model::ConversionSettings& settings,
                     ConverterMelody& melody, std::string& errorText) {
  melody = ConverterMelody{};
  const Signature signature =
      parseSignature(record.signatures.empty() ? "" : record.signatures.front());
  const std::int64_t basicUnit = record.basicUnit;
  if (basicUnit < 1) {
    errorText = "Basic unit invalid.";
    return false;
  }
  // One tick per basic unit in quarter-note signatures, as EsAC users count;
  // raised below where a note would fall between ticks.
  const std::int64_t standardTicks =
      signature.standIn ? 192 : std::max<std::int64_t>(1, basicUnit / 4);
  if (standardTicks > model::kMaxTicksPerBeat) {
    errorText = "Basic unit invalid.";
    return false;
  }
  // Beyond these a bar overflows the tick range before its first note.
  if (signature.numerator > kMaxSignature || signature.denominator > kMaxSignature) {
    errorText = "Invalid time signature: " + std::to_string(signature.numerator) + "/" +
                std::to_string(signature.denominator);
    return false;
  }
  melody.setSignature(signature.numerator, signature.denominator);
  melody.ticksPerBeat = static_cast<std::int32_t>(standardTicks);
  melody.key = record.tonicIndex;
  melody.tempi = {signature.denominator >= 1 ? settings.msPerBeat / (signature.denominator * 0.25)
                                             : settings.msPerBeat};
  if (!model::validateMelody(melody, errorText)) return false;

  const double barUnits =
      static_cast<double>(basicUnit) * signature.numerator / signature.denominator;
  MelodyParser parser(record, settings, signature.denominator, barUnits);
  if (!parser.run(errorText)) return false;
  const std::vector<ParsedNote>& notes = parser.notes();
  if (notes.empty()) {
    errorText = "No notes in melody string.";
    return false;
  }

  // The resolution: the standard one when every note (a unit, or half a unit
  // after a dot on an odd length) lasts whole ticks in it, else the nearest
  // larger one that does.
  const bool halves = std::any_of(notes.begin(), notes.end(), [](const ParsedNote& n) {
    return std::floor(n.units) != n.units;
  });
  const std::int64_t grid = halves ? 2 * basicUnit : basicUnit;
  std::int64_t ticksPerBeat = standardTicks;
  if (signature.denominator * standardTicks % grid != 0) {
    const std::int64_t step = grid / std::gcd(grid, std::int64_t{signature.denominator});
    ticksPerBeat = (standardTicks + step - 1) / step * step;
  }
  if (ticksPerBeat > model::kMaxTicksPerBeat) {
    errorText = "Basic unit invalid.";
    return false;
  }
  melody.ticksPerBeat = static_cast<std::int32_t>(ticksPerBeat);
  const std::int64_t ticksPerUnit = signature.denominator * ticksPerBeat / basicUnit;

  // Onsets from the running total, so that lengths never add up rounding errors.
  double units = parser.startUnits();
  double ms = parser.unitMs() * signature.denominator * units / static_cast<double>(basicUnit);
  std::int64_t tatum = ticksPerUnit;
  for (const ParsedNote& n : notes) {
    NoteEvent e;
    e.ticks = clampTicks(units * static_cast<double>(ticksPerUnit));
    e.onsetMs = ms;
    e.pitch = n.pitch;
    melody.append(e);
    units += n.units;
    ms += n.ms;
    melody.phraseStarts.push_back(n.phraseStart ? 1.0 : 0.0);
  }
  if (units * static_cast<double>(ticksPerUnit) > std::numeric_limits<std::int32_t>::max()) {
    errorText = "Melody too long.";
    return false;
  }
  NoteEvent end;
  end.ticks = clampTicks(units * static_cast<double>(ticksPerUnit));
  end.onsetMs = ms;
  end.pitch = model::kNoPitch;
  melody.append(end);
  for (std::size_t i = 0; i + 1 < melody.size(); ++i)
    tatum = std::gcd(tatum, std::int64_t{melody.notes[i + 1].ticks} - melody.notes[i].ticks);
  melody.makeLegato();

  // The tatum is the basic unit, or a part of it where a note or the bar
  // needs one; estimating it from the notes could merge two note values.
  tatum = std::gcd(tatum, std::int64_t{melody.numerator} * ticksPerBeat);
  melody.tatum = static_cast<std::int32_t>(
      std::clamp<std::int64_t>(tatum, 1, std::numeric_limits<std::int32_t>::max()));
  melody.durationUnit = melody.tatum;
  melody.tatumDone = true;
  if (!model::validateMelody(melody, errorText)) return false;
  melody.quantise(0);
  return true;
}

bool readEsacText(std::string_view text, const model::ConversionSettings& settings,
                  ConverterMelody& melody, std::string& errorText) {
  errorText.clear();
  if (text.empty()) return false;
  EsacRecord record;
  return parseEsacRecord(text, record, errorText) &&
         parseEsacMelody(record, settings, melody, errorText);
}

bool readEsacStream(std::istream& in, const model::ConversionSettings& settings,
                    ConverterMelody& melody, std::string& errorText) {
  text::LineReader reader(in);
  std::string text;
  std::string line;
  while (reader.next(line)) {
    // Binary data, such as an endless /dev/zero, is refused at once.
    if (line.find('\0') != std::string::npos) {
      errorText = kNotTextText;
      return false;
    }
    if (text.size() + line.size() > model::kMaxInputFileBytes) {
      errorText = model::kFileTooLargeText;
      return false;
    }
    text += line;
  }
  if (reader.failed()) {
    errorText = "Error while reading.";
    return false;
  }
  return readEsacText(text, settings, melody, errorText);
}

bool readEsacMelody(const std::string& fileName, const model::ConversionSettings& settings,
                    ConverterMelody& melody, std::string& errorText) {
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(fileName, ec)) in.open(fileName);
  if (!in.is_open()) {
    errorText = "Could not open " + fileName;
    return false;
  }
  return readEsacStream(in, settings, melody, errorText);
}

}  // namespace suite::tuneport::esac
