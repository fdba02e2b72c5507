#include "core/melody_reader.h"

#include <filesystem>
#include <fstream>
#include <limits>
#include <new>
#include <optional>

#include "text/line_reader.h"
#include "text/text_parse.h"

namespace suite::core {
namespace {

using text::chompLine;
using text::fieldOf;
using text::isDigit;
using text::LineReader;
using text::parseDoubleLenient;
using text::parseIntLenient;
using text::trimTrailingSpace;


struct Header {
  Signature signature;
  std::int32_t key = 0;
};

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// Line 1: "<num>/<den>", "Ticks" followed later by the ticks per beat, and
// optionally "Key" with the annotated key 5 characters after its start.
std::optional<Header> parseHeader(std::string_view line) {
  const std::size_t slash = line.find('/');
  if (slash == std::string_view::npos) return std::nullopt;
  std::size_t end = slash;
  while (end > 0 && isBlank(line[end - 1])) --end;
  std::size_t begin = end;
  while (begin > 0 && isDigit(line[begin - 1])) --begin;
  const std::int32_t numerator = parseIntLenient(line.substr(begin, end - begin));
  if (numerator <= 0 || static_cast<std::uint32_t>(numerator) > kMaxNumerator) return std::nullopt;

  Header header;
  header.signature.numerator = static_cast<std::uint32_t>(numerator);
  header.signature.denominator = static_cast<std::uint32_t>(parseIntLenient(line.substr(slash + 1)));

  const std::size_t ticks = line.find("Ticks");
  if (ticks == std::string_view::npos) return std::nullopt;
  std::int32_t ticksPerBeat = 0;
  for (std::size_t pos = ticks + 5; pos < line.size() && ticksPerBeat == 0; ++pos) {
    ticksPerBeat = parseIntLenient(line.substr(pos));
  }
  if (ticksPerBeat <= 0 || static_cast<std::uint32_t>(ticksPerBeat) > kMaxTicksPerBeat) {
    return std::nullopt;
  }
  header.signature.ticksPerBeat = static_cast<std::uint32_t>(ticksPerBeat);

  const std::size_t key = line.find("Key");
  if (key != std::string_view::npos && key + 5 <= line.size()) {
    header.key = parseIntLenient(line.substr(key + 5));
  }
  return header;
}

// Onset column: at most 31 characters, "," read as a decimal point.
double parseOnset(std::string_view field) {
  std::string text(field.substr(0, 31));
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  return parseDoubleLenient(text);
}

// What a row's pitch code means, given the code of the previous row.
enum class PitchCode { Note, Skip, Undefined };

PitchCode interpretPitchCode(int code, int& previous, int& pitch) {
  if (code >= 1 && code <= 127) {
    pitch = code;
    previous = code;
    return PitchCode::Note;
  }
  if (code == 250) {  // repeat the previous row's note
    if (previous >= 1 && previous <= 127) {
      pitch = previous;
      return PitchCode::Note;
    }
    previous = 0;
    return PitchCode::Skip;
  }
  if (code == 0 || code == 128 || code == 150 || code == 200) {
    previous = code;
    return PitchCode::Skip;
  }
  return PitchCode::Undefined;
}

class TableLoad {
 public:
  TableLoad(const MelodyReader& reader, std::istream& in, const std::string& fileName,
            Melody& melody)
      : err_(reader.err), lines_(in), fileName_(fileName), melody_(melody),
        level_(reader.quantLevel) {}

  bool run(int verbosity);

 private:
  bool fail() {
    melody_.clear();
    return false;
  }
  bool badFormat() {
    err_ << fileName_ << ": Bad data format!\n";
    return fail();
  }
  bool ioError() {
    err_ << fileName_ << ": I/O Error\n";
    return fail();
  }
  bool readRows();
  bool adjustLevel();
  bool computeDurations();

  std::ostream& err_;
  LineReader lines_;
  const std::string& fileName_;
  Melody& melody_;
  std::string line_;
  std::vector<std::int64_t> tickDurations_;
  MetricalPosition lastRow_;
  int level_;  ///< the reader's quantisation level, adjusted to the table
};

bool TableLoad::run(int verbosity) {
  melody_.clear();
  if (verbosity > 0) err_ << "Reading: " << fileName_ << '\n';

  if (!lines_.next(line_)) return ioError();
  const std::optional<Header> header = parseHeader(chompLine(line_));
  if (!header) return badFormat();
  melody_.signature = header->signature;
  melody_.annotatedKey = header->key;
  melody_.barLength = header->signature.denominator != 0
                          ? double(header->signature.numerator) / header->signature.denominator
                          : std::numeric_limits<double>::infinity();
  if (!lines_.next(line_)) return ioError();  // column header, ignored

  if (!readRows()) return false;
  if (melody_.pitches.size() < 2) {
    err_ << "Warning: " << melody_.pitches.size() << "  pitches in melody " << fileName_ << '\n';
    return fail();
  }
  if (!adjustLevel()) return false;
  melody_.name = fileName_;

  const Signature& sig = melody_.signature;
  if (!melody_.timeline.isOnGrid(level_, sig)) {
    QuantizeResult q = melody_.timeline.quantize(level_, sig, err_);
    melody_.timeline = std::move(q.timeline);
    err_ << "Quantizing melody " << fileName_ << " at level " << level_ << " ...";
    if (!q.collisions.empty()) {
      err_ << " Failure.\n";
      return fail();
    }
    err_ << " Success.\n";
  }
  if (!computeDurations()) return false;
  melody_.timeline.computeBeatDivisions(sig);
  if (melody_.phraseFlags.empty()) melody_.phraseFlags = melody_.computePhraseFlags();
  return true;
}

bool TableLoad::readRows() {
  const Signature& sig = melody_.signature;
  int previous = 0;
  while (lines_.next(line_)) {
    const std::string_view row = chompLine(line_);
    const std::string_view pitchField = fieldOf(row, 6);
    if (pitchField.empty()) return badFormat();
    int pitch = 0;
    const int code = parseIntLenient(pitchField) & 0xFF;
    switch (interpretPitchCode(code, previous, pitch)) {
      case PitchCode::Skip:
        continue;
      case PitchCode::Undefined:
        err_ << "Found undefined pitch!\n";
        return fail();
      case PitchCode::Note:
        break;
    }
    melody_.pitches.push_back(static_cast<std::int8_t>(pitch));
    melody_.onsets.push_back(parseOnset(fieldOf(row, 1)));
    if (fieldOf(row, 9).empty()) return badFormat();

    MetricalPosition position;
    position.bar = parseIntLenient(fieldOf(row, 3));
    position.beat = static_cast<std::uint32_t>(parseIntLenient(fieldOf(row, 4)));
    position.tick = static_cast<std::uint32_t>(parseIntLenient(fieldOf(row, 5)));
    position.beatDivision = 1;
    // Beats count from 1: a beat 0 would lie before its bar and make the
    // absolute tick arithmetic meaningless, so it is as inconsistent as a
    // beat beyond the numerator.
    if (position.beat > sig.numerator || position.beat == 0 || position.tick >= sig.ticksPerBeat) {
      position.print(err_);
      err_ << ": Bar position inconsistent with signature ";
      sig.print(err_);
      return fail();
    }
    if (position.bar > kMaxBarNumber || position.bar < -kMaxBarNumber) return badFormat();
    melody_.timeline.append(position);
    lastRow_ = position;

    const std::string_view durationField = fieldOf(row, 8);
    if (durationField.empty()) return badFormat();
    const std::int32_t ticks = parseIntLenient(durationField);
    if (ticks < 0) return badFormat();
    tickDurations_.push_back(ticks);
  }
  if (lines_.failed()) return ioError();
  return true;
}

bool TableLoad::adjustLevel() {
  Signature& sig = melody_.signature;
  // The grid step is ticksPerBeat / level: a level below 1 has no grid.
  if (level_ < 1) {
    err_ << fileName_ << ": Quantization level " << level_ << " is not supported (use 1 or more)\n";
    return fail();
  }
  const std::uint32_t t = sig.ticksPerBeat;
  const auto level = static_cast<std::uint32_t>(level_);
  if (level >= t / 2) {
    err_ << "Warning: Quantization level (" << level_ << ") suspiciously high. Using " << t
         << " instead.\n";
    level_ = static_cast<int>(t);
  } else if (level > 1 && t % level != 0) {
    const std::uint64_t n = std::uint64_t{t} * level / gcd(t, level);
    if (n > kMaxTicksPerBeat) return badFormat();
    const auto factor = static_cast<std::uint32_t>(n / t);
    melody_.timeline.scaleTicks(factor);
    for (std::int64_t& d : tickDurations_) d *= factor;
    lastRow_.tick *= factor;
    sig.ticksPerBeat = static_cast<std::uint32_t>(n);
    melody_.barLength = sig.denominator != 0 ? double(sig.numerator) / sig.denominator
                                             : std::numeric_limits<double>::infinity();
  }
  return true;
}

bool TableLoad::computeDurations() {
  const Signature& sig = melody_.signature;
  BarTimeline& timeline = melody_.timeline;
  timeline.cachedTatum = timeline.tatum(sig, err_);
  const std::uint64_t unit = timeline.cachedTatum != 0 ? timeline.cachedTatum : sig.ticksPerBeat;

  const auto fits = [](std::uint64_t v) { return v <= std::numeric_limits<std::uint32_t>::max(); };
  for (const std::uint64_t interval : timeline.tickIntervals(sig, err_)) {
    if (!fits(interval / unit)) return badFormat();
    melody_.durations.push_back(static_cast<std::uint32_t>(interval / unit));
  }
  std::uint64_t last = static_cast<std::uint64_t>(tickDurations_.back()) / unit;
  if (last == 0) {
    // No usable duration in the last row: the note lasts to the end of its beat.
    MetricalPosition end = lastRow_;
    end.quantize(level_, sig);
    last = (sig.ticksPerBeat - end.tick) / unit;
  }
  if (!fits(last)) return badFormat();
  melody_.durations.push_back(static_cast<std::uint32_t>(last));
  return true;
}

}  // namespace

bool readMelodyTable(const MelodyReader& reader, std::istream& in, const std::string& fileName,
                     Melody& melody) {
  TableLoad load(reader, in, fileName, melody);
  return load.run(reader.verbosity);
}

bool readMelodyFile(const MelodyReader& reader, const std::string& fileName, Melody& melody) {
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(fileName, ec)) in.open(fileName, std::ios::binary);
  if (!in.is_open()) {
    melody.clear();
    return false;
  }
  return readMelodyTable(reader, in, fileName, melody);
}

bool readMelodyFiles(MelodyReader& reader, const std::vector<std::string>& fileNames,
                     std::vector<Melody>& melodies) {
  try {
    melodies.assign(fileNames.size(), Melody{});
  } catch (const std::bad_alloc&) {
    reader.err << "Out of memory!\n";
    return false;
  }
  bool anyRead = fileNames.empty();
  for (std::size_t i = 0; i < fileNames.size(); ++i) {
    Melody& melody = melodies[i];
    if (readMelodyFile(reader, fileNames[i], melody)) {
      anyRead = true;
    } else {
      reader.err << "Error reading " << fileNames[i] << '\n';
      reader.lastFailingName = fileNames[i];
    }
  }
  return anyRead;
}

bool readFileList(std::istream& in, const std::string& fileName, std::vector<std::string>& names,
                  std::ostream& err) {
  names.clear();
  // A name is never split: a longer line is refused, as is binary or endless input.
  text::BoundedLineReader lines(in, {kMaxFileListLines, true});
  std::string line;
  while (lines.next(line)) {
    if (line.front() == ';' || line.front() == '\n') continue;
    const std::string_view name = trimTrailingSpace(line);
    // A line of blanks or a bare "\r\n" is as empty as a bare "\n".
    if (!name.empty()) names.emplace_back(name);
  }
  if (!lines.refusal().empty()) {
    err << fileName << ": " << lines.refusal() << "; a file list holds at most "
        << kMaxFileListLines << " lines of up to " << text::LineReader::kMaxLineLength
        << " characters\n";
    names.clear();
    return false;
  }
  if (lines.failed()) {
    err << "Error reading " << fileName << '\n';
    return false;
  }
  return true;
}

bool readFileList(const std::string& fileName, std::vector<std::string>& names,
                  std::ostream& err) {
  std::error_code ec;
  std::ifstream in;
  if (!std::filesystem::is_directory(fileName, ec)) in.open(fileName, std::ios::binary);
  if (!in.is_open()) {
    names.clear();
    err << "Could not open " << fileName << '\n';
    return false;
  }
  return readFileList(in, fileName, names, err);
}

}  // namespace suite::core
