#include "tuneport/formats/note_list.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>
#include <new>
#include <optional>
#include <span>
#include <string_view>
#include <utility>

#include "text/text_format.h"
#include "text/text_parse.h"
#include "text/line_reader.h"
#include "tuneport/model/saturating.h"
#include "tuneport/model/validation.h"
#include "tuneport/segmentation/pitch_statistics.h"

namespace suite::tuneport::formats {
namespace {

using model::ConverterMelody;

constexpr std::size_t kMaxLineLength = 4095;

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Matches \a prefix at the start of \a line followed by values.size()
// integers, as sscanf("Prefix %d %d") does: blanks before each number, an
// optional sign, at least one digit; whatever follows the last number is
// ignored. The last value is a pitch (saturating at the 32-bit limits), the
// others are times: they must lie in 0..2^31-1 ms, so that times written
// relative to the first note fit as well.
bool scanLine(std::string_view line, std::string_view prefix, std::span<std::int64_t> values) {
  if (!line.starts_with(prefix)) return false;
  std::size_t i = prefix.size();
  for (std::size_t k = 0; k < values.size(); ++k) {
    while (i < line.size() && isSpace(line[i])) ++i;
    bool negative = false;
    if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
    if (i >= line.size() || !text::isDigit(line[i])) return false;
    std::int64_t magnitude = 0;
    for (; i < line.size() && text::isDigit(line[i]); ++i)
      magnitude = std::min<std::int64_t>(magnitude * 10 + (line[i] - '0'), std::int64_t{1} << 32);
    const std::int64_t value = negative ? -magnitude : magnitude;
    const bool time = k + 1 < values.size() || values.size() == 1;
    if (time && (value < 0 || value > std::numeric_limits<std::int32_t>::max())) return false;
    values[k] = model::clampToInt32(value);
  }
  return true;
}

// Appends an entry and reports it as read (no ticks, no position yet).
void emit(ConverterMelody& melody, std::ostream& out, std::int64_t onset, std::int64_t duration,
          std::int64_t pitch) {
  model::NoteEvent note;
  note.onsetMs = static_cast<double>(onset);
  note.durationMs = static_cast<double>(duration);
  note.pitch = model::clampToInt32(pitch);
  melody.append(note);
  out << "ticks  =" << std::to_string(note.ticks) << " t = " << text::formatGeneral(note.onsetMs)
      << " dur:" << text::formatGeneral(note.durationMs) << " pitch: " << std::to_string(note.pitch)
      << " BarPosition:" << note.position.toString() << '\n'
      << std::flush;
}

bool fail(std::string& errorText, std::string_view text) {
  errorText = text;
  return false;
}

struct NoteLine {
  std::int64_t start = 0;
  std::int64_t end = 0;
  std::int64_t pitch = 0;
  bool rest = false;
};

// No text line holds a NUL byte; binary input (/dev/zero) could be endless
// in the parts of a list that are skipped.
bool isBinary(std::string_view line) { return line.find('\0') != std::string_view::npos; }

// The note form from \a line on.
bool readNoteForm(std::istream& in, std::string& line, std::ostream& out, ConverterMelody& melody,
                  std::string& errorText) {
  std::optional<NoteLine> previous;
  do {
    const std::string_view text = text::withoutLineEnd(line);
    if (text.empty() || text.front() == '%') continue;
    std::array<std::int64_t, 3> v{};
    NoteLine entry;
    if (scanLine(text, "Note", v)) {
      entry = {v[0], v[1], v[2], false};
      if (entry.end < entry.start) return fail(errorText, "Invalid offset.");
    } else if (scanLine(text, "Rest", std::span(v).first(1))) {
      entry = {v[0], 0, model::kRestPitch, true};
    } else {
      return fail(errorText, " Invalid line");
    }
    if (previous) {
      if (entry.start <= previous->start) return fail(errorText, "Polyphonic data");
      // The next start cuts a note; a rest lasts until it.
      const std::int64_t end = previous->rest ? entry.start : std::min(entry.start, previous->end);
      emit(melody, out, previous->start, end - previous->start, previous->pitch);
    }
    previous = entry;
  } while (text::LineReader(in, kMaxLineLength).next(line));
  if (in.bad()) errorText = "I/O error during read.";
  if (previous && !previous->rest)
    emit(melody, out, previous->start, previous->end - previous->start, previous->pitch);
  return true;
}

// The event form from \a line on.
bool readEventForm(std::istream& in, std::string& line, std::ostream& out, ConverterMelody& melody,
                   std::string& errorText) {
  enum class Event { None, On, Off };
  Event last = Event::None;
  std::int64_t pitch = 0;
  std::int64_t onTime = 0;
  std::int64_t offTime = std::numeric_limits<std::int64_t>::min();
  do {
    const std::string_view text = text::withoutLineEnd(line);
    if (isBinary(text)) return fail(errorText, "Bad file format");
    std::array<std::int64_t, 2> v{};
    if (scanLine(text, "Note-on", v)) {
      if (last == Event::On || v[0] < offTime) return fail(errorText, "Polyphonic data.");
      last = Event::On;
      onTime = v[0];
      pitch = v[1];
    } else if (scanLine(text, "Note-off", v)) {
      if (last == Event::Off) return fail(errorText, "Polyphonic data.");
      if (last == Event::None) return fail(errorText, "First event note-off.");
      if (v[1] != pitch) return fail(errorText, "Unmatched note off.");
      if (v[0] <= onTime) return fail(errorText, "Invalid offset.");
      last = Event::Off;
      offTime = v[0];
      emit(melody, out, onTime, offTime - onTime, pitch);
    }
  } while (text::LineReader(in, kMaxLineLength).next(line));
  if (in.bad()) errorText = "I/O error during read.";
  // A list cut short after its last note-on keeps that note.
  if (last == Event::On) emit(melody, out, onTime, 0, pitch);
  return true;
}

bool readList(std::istream& in, const model::ConversionSettings& settings, std::ostream& out,
              ConverterMelody& melody, std::string& errorText) {
  std::string line;
  bool events = false;
  for (bool first = true;; first = false) {
    if (!text::LineReader(in, kMaxLineLength).next(line))
      return fail(errorText, in.bad() ? "I/O error during read." : "Bad file format");
    // Editors on Windows start UTF-8 files with a byte order mark.
    if (first && line.starts_with("\xEF\xBB\xBF")) line.erase(0, 3);
    if (isBinary(line)) return fail(errorText, "Bad file format");
    if (line.find("Note-on") != std::string::npos || line.find("Note-off") != std::string::npos) {
      events = true;
      break;
    }
    if (line.find("Note") != std::string::npos) break;
  }
  ConverterMelody result;
  result.tempi = {settings.msPerBeat};
  const bool parsed = events ? readEventForm(in, line, out, result, errorText)
                             : readNoteForm(in, line, out, result, errorText);
  if (!parsed) return false;
  if (result.empty()) return fail(errorText, "File empty");
  std::string problem;
  if (!model::validateMelody(result, problem) || !result.quantise(0))
    return fail(errorText, problem);
  segmentation::writePitchStatistics(result, out);
  melody = std::move(result);
  return true;
}

}  // namespace

std::string noteListText(const ConverterMelody& melody) {
  std::string out;
  if (melody.empty()) return out;
  const double first = melody.notes.front().onsetMs;
  for (const model::NoteEvent& n : melody.notes) {
    if (n.pitch < 1 || n.pitch > 127) continue;
    out += "Note ";
    out += std::to_string(model::floorToInt32(n.onsetMs - first));
    out += ' ';
    out += std::to_string(model::floorToInt32(n.onsetMs + n.durationMs - first));
    out += ' ';
    out += std::to_string(n.pitch);
    out += '\n';
  }
  return out;
}

bool readNoteList(std::istream& in, const model::ConversionSettings& settings, std::ostream& out,
                  ConverterMelody& melody, std::string& errorText) {
  errorText.clear();
  try {
    return readList(in, settings, out, melody, errorText);
  } catch (const std::bad_alloc&) {
    errorText = "Out of memory";
    return false;
  }
}

}  // namespace suite::tuneport::formats
