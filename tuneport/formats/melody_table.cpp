#include "tuneport/formats/melody_table.h"

#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "text/text_format.h"
#include "text/text_parse.h"
#include "text/line_reader.h"
#include "tuneport/model/metric_counter.h"
#include "tuneport/model/saturating.h"
#include "tuneport/model/validation.h"
#include "tuneport/segmentation/duration_segmenter.h"
#include "tuneport/segmentation/lbdm.h"
#include "tuneport/segmentation/temperley_segmenter.h"

namespace suite::tuneport::formats {
namespace {

using model::ConverterMelody;

// Lines of a table are read in pieces of at most this many characters.
constexpr std::size_t kMaxLineLength = 1023;

constexpr int kSimpleAdaptive = 2;  // a: reference over the whole melody, or adaptive
constexpr int kSimpleLimits = 5;    // b: time limit 1000 + 500 b ms
constexpr int kSimpleFactors = 5;   // c: factor c + 1.9

// One boundary series per segmentation column, in column order.
std::vector<std::vector<double>> segmentationSeries(const ConverterMelody& melody) {
  std::vector<std::vector<double>> columns;
  columns.reserve(kSegmentationColumns);
  std::vector<double> profile;
  segmentation::PlainLBDM plain(&melody);
  plain.compute(profile);
  plain.peakPicker1(profile, columns.emplace_back());
  plain.peakPicker2(profile, columns.emplace_back());
  segmentation::RefinedLBDM refined(&melody);
  refined.compute(profile);
  refined.peakPicker1(profile, columns.emplace_back());
  refined.peakPicker2(profile, columns.emplace_back());
  segmentation::TemperleySegmenter(&melody).compute(columns.emplace_back());
  for (int a = 0; a < kSimpleAdaptive; ++a)
    for (int b = 0; b < kSimpleLimits; ++b)
      for (int c = 0; c < kSimpleFactors; ++c)
        segmentation::DurationSegmenter(&melody, 1000.0 + 500.0 * b, c + 1.9, a != 0)
            .compute(columns.emplace_back());
  return columns;
}

// The value of a boundary series at note i: past the end of a series 1, an
// empty series 0.
double seriesValue(const std::vector<double>& series, std::size_t i) {
  if (series.empty()) return 0.0;
  return i < series.size() ? series[i] : 1.0;
}

// Where the running counter starts: bar 1, less the upbeat's length in ticks.
model::MetricCounter fallbackCounter(const ConverterMelody& melody) {
  const double tempo = melody.tempo();
  model::MetricCounter counter(tempo, melody.numerator, melody.ticksPerBeat);
  std::int64_t start = std::int64_t{counter.beatsPerBar()} * counter.ticksPerBeat();
  if (melody.upbeatIndex > 0 &&
      static_cast<std::size_t>(melody.upbeatIndex) < melody.size()) {
    const double msPerTick = tempo / melody.ticksPerBeat;
    const double onset = melody.notes[static_cast<std::size_t>(melody.upbeatIndex)].onsetMs;
    start = model::saturatingSub(start, model::floorToInt64(onset / msPerTick));
  }
  counter.setAbsoluteTicks(start);
  return counter;
}

// The analysis programs read tables on a grid of 24 points per beat and take
// a resolution of less than twice that for suspicious; a melody with fewer
// ticks per beat (EsAC records count in basic units) is written at the
// smallest multiple of its resolution that is a multiple of 24 and at least 96.
constexpr std::int32_t kAnalysisGrid = 24;
constexpr std::int32_t kMinTableResolution = 96;

std::int32_t resolutionFactor(std::int32_t ticksPerBeat) {
  if (ticksPerBeat < 1 || ticksPerBeat >= kMinTableResolution) return 1;
  std::int32_t k = 1;
  while ((ticksPerBeat * k) % kAnalysisGrid != 0 || ticksPerBeat * k < kMinTableResolution) ++k;
  return k;
}

std::int32_t scaled(std::int32_t ticks, std::int32_t factor) {
  return model::clampToInt32(model::saturatingMul(ticks, factor));
}

// \a melody with every tick value multiplied by \a factor.
ConverterMelody atFinerResolution(const ConverterMelody& melody, std::int32_t factor) {
  ConverterMelody m = melody;
  m.ticksPerBeat = scaled(m.ticksPerBeat, factor);
  m.tatum = scaled(m.tatum, factor);
  m.durationUnit = scaled(m.durationUnit, factor);
  for (model::NoteEvent& n : m.notes) {
    if (n.ticks != model::kNoTicks) n.ticks = scaled(n.ticks, factor);
    n.position.ticksPerBeat = scaled(n.position.ticksPerBeat, factor);
    if (n.position.tick != -1) n.position.tick = scaled(n.position.tick, factor);
  }
  return m;
}

// ---- reading ----

// The signature line: numerator before the first "/", denominator after it,
// ticks per beat after "Ticks". False with the message in errorText.
struct Signature {
  std::int32_t numerator = 0;
  std::int32_t denominator = 0;
  std::int32_t ticksPerBeat = 0;
};

bool parseSignature(std::string_view line, Signature& sig, std::string& errorText) {
  const std::size_t slash = line.find('/');
  if (slash == std::string_view::npos) {
    errorText.clear();
    return false;
  }
  std::size_t start = slash;
  while (start > 0 && text::isDigit(line[start - 1])) --start;
  sig.numerator = start < slash ? text::parseIntLenient(line.substr(start, slash - start)) : 0;
  if (sig.numerator == 0) {
    errorText = "No signature found";
    return false;
  }
  sig.denominator = text::parseIntLenient(line.substr(slash + 1));
  if (sig.denominator == 0) {
    errorText = "Invalid signature denominator found";
    return false;
  }
  // The first number after "Ticks"; a 0 there is no division (the key that
  // follows on the line must not be taken for one).
  const std::size_t ticks = line.find("Ticks");
  std::size_t pos = ticks == std::string_view::npos ? line.size() : ticks + 5;
  while (pos < line.size() && !text::isDigit(line[pos]) &&
         !((line[pos] == '-' || line[pos] == '+') && pos + 1 < line.size() &&
           text::isDigit(line[pos + 1])))
    ++pos;
  sig.ticksPerBeat = pos < line.size() ? text::parseIntLenient(line.substr(pos)) : 0;
  if (sig.ticksPerBeat == 0) {
    errorText = "No division specified";
    return false;
  }
  return true;
}

// Column numbers (from 1) of onset, onsetics, takt, beat, ticks, pitch and
// durs: each known name adds the numbers of the fields equal to it, in the
// order of the names, and the first seven numbers are taken.
constexpr std::array<std::string_view, 9> kColumnNames = {
    "onset", "onsetics", "takt", "beat", "ticks", "pitch", "durs", "durtic", "dur16"};
enum Column { kOnset, kOnsetics, kTakt, kBeat, kTicks, kPitch, kDurs, kUsedColumns };

bool findColumns(std::string_view header, std::array<int, kUsedColumns>& columns) {
  std::vector<int> found;
  for (const std::string_view name : kColumnNames) {
    int n = 1;
    for (std::size_t start = 0;; ++n) {
      const std::size_t end = header.find(';', start);
      if (header.substr(start, end == std::string_view::npos ? end : end - start) == name)
        found.push_back(n);
      if (end == std::string_view::npos) break;
      start = end + 1;
    }
    if (found.size() >= kUsedColumns) break;
  }
  if (found.size() < kUsedColumns) return false;
  for (std::size_t k = 0; k < kUsedColumns; ++k) columns[k] = found[k];
  return true;
}

struct TableLine {
  model::NoteEvent note;
  double beats = 0.0;  // where the bar position lies, in beats from bar 0
};

bool readLines(std::istream& in, const std::string& fileName, ConverterMelody& melody,
               std::string& errorText) {
  std::string line;
  if (!text::LineReader(in, kMaxLineLength).next(line)) {
    errorText = in.bad() ? fileName + ": I/O Error" : "File empty";
    return false;
  }
  Signature sig;
  if (!parseSignature(text::withoutLineEnd(line), sig, errorText)) return false;
  if (!text::LineReader(in, kMaxLineLength).next(line)) {
    errorText = fileName + ": I/O Error";
    return false;
  }
  std::array<int, kUsedColumns> column{};
  if (!findColumns(text::withoutLineEnd(line), column)) {
    errorText = " Insufficient data description";
    return false;
  }

  std::vector<TableLine> lines;
  std::string fields;
  while (text::LineReader(in, kMaxLineLength).next(line)) {
    fields.assign(text::withoutLineEnd(line));
    for (char& c : fields)
      if (c == ',') c = '.';
    const auto field = [&](Column c) { return text::fieldOf(fields, column[c]); };
    TableLine t;
    if (field(kOnset).empty()) {
      errorText = "No onset found";
      return false;
    }
    t.note.onsetMs = text::parseDoubleLenient(field(kOnset));
    if (field(kOnsetics).empty()) errorText = "No onsetics found";
    t.note.ticks = text::parseIntLenient(field(kOnsetics));
    if (field(kPitch).empty()) {
      errorText = "No pitch found";
      return false;
    }
    t.note.pitch = text::parseIntLenient(field(kPitch));
    if (field(kDurs).empty()) {
      errorText = "No duration found";
      return false;
    }
    t.note.durationMs = text::parseDoubleLenient(field(kDurs));
    if (field(kTakt).empty() || field(kBeat).empty() || field(kTicks).empty()) {
      errorText = "No bar position found";
      return false;
    }
    model::BarPosition& p = t.note.position;
    p = model::BarPosition::start(text::parseIntLenient(field(kTakt)), sig.numerator,
                                  sig.denominator, sig.ticksPerBeat,
                                  static_cast<double>(sig.numerator) / sig.denominator);
    p.beat = text::parseIntLenient(field(kBeat));
    p.tick = text::parseIntLenient(field(kTicks));
    // In doubles: the fields hold any int, and beat - 1 overflows at INT_MIN.
    t.beats = static_cast<double>(sig.numerator) * p.bar + (static_cast<double>(p.beat) - 1) +
              static_cast<double>(p.tick) / sig.ticksPerBeat;
    lines.push_back(t);
  }
  if (in.bad()) {
    errorText = fileName + ": I/O Error";
    return false;
  }
  if (lines.empty()) {
    errorText = "File empty";
    return false;
  }

  // The unit of time: a durs value of at most 2 votes for seconds, one above
  // 120 for milliseconds; a tie means seconds and no vote milliseconds, so one
  // vote for seconds among the first two lines decides.
  bool seconds = false;
  for (std::size_t i = 0; i < 2 && i < lines.size(); ++i)
    seconds = seconds || lines[i].note.durationMs <= 2.0;
  if (seconds) {
    for (TableLine& t : lines) {
      t.note.onsetMs *= 1000.0;
      t.note.durationMs *= 1000.0;
    }
  }
  // The tempo from the first two lines; a table of one line keeps 500.
  double tempo = 500.0;
  if (lines.size() >= 2) {
    // Lines on one position, or running backwards, give no valid tempo.
    const double beats = lines[1].beats - lines[0].beats;
    const double ms = (lines[1].note.onsetMs - lines[0].note.onsetMs) / beats;
    if (model::validTempo(ms)) tempo = ms;
  }
  // The upbeat: the first line off the first bar line ends it.
  std::int32_t upbeat = 0;
  const auto onBarLine = [](const model::BarPosition& p) { return p.beat == 1 && p.tick == 0; };
  if (!onBarLine(lines[0].note.position)) {
    for (std::size_t i = 1; i < lines.size(); ++i) {
      if (lines[i].note.position.bar == lines[0].note.position.bar) continue;
      upbeat = model::clampToInt32(static_cast<std::int64_t>(i) +
                                   (onBarLine(lines[i].note.position) ? 0 : 1));
      break;
    }
  }

  ConverterMelody result;
  result.notes.reserve(lines.size());
  for (const TableLine& t : lines) result.append(t.note);
  result.setSignature(sig.numerator, sig.denominator);
  result.ticksPerBeat = sig.ticksPerBeat;
  result.tempi = {tempo};
  result.key = result.estimateKey(model::KeyMethod::MajorMinorProfiles);
  std::string problem;
  if (!model::validateMelody(result, problem) || !result.quantise(0)) {
    errorText = problem;
    return false;
  }
  result.upbeatIndex = upbeat;
  melody = std::move(result);
  return true;
}

}  // namespace

std::array<std::string, kSegmentationColumns> segmentationColumnNames() {
  std::array<std::string, kSegmentationColumns> names{"LBDM1", "LBDM2", "refLBDM1", "refLBDM2",
                                                      "temperley"};
  std::size_t k = 5;
  for (int a = 0; a < kSimpleAdaptive; ++a)
    for (int b = 0; b < kSimpleLimits; ++b)
      for (int c = 0; c < kSimpleFactors; ++c)
        names[k++] = "simple" + std::to_string(a) + "-" + std::to_string(b) + "-" +
                     std::to_string(c);
  return names;
}

std::string melodyTableText(const ConverterMelody& original, bool segment) {
  const std::int32_t factor = resolutionFactor(original.ticksPerBeat);
  const ConverterMelody finer = factor > 1 ? atFinerResolution(original, factor) : ConverterMelody{};
  const ConverterMelody& melody = factor > 1 ? finer : original;
  const std::vector<std::int32_t> onsetTicks = melody.onsetTicks();
  const std::vector<std::int32_t> intervals = melody.interOnsetTicks();
  const std::vector<std::int32_t> durationTicks = melody.durationTicks();
  const std::vector<std::int32_t> units = melody.durationUnits();
  std::vector<std::vector<double>> columns;
  if (segment) columns = segmentationSeries(melody);

  std::string out = "Signature: " + std::to_string(melody.numerator) + "/" +
                    std::to_string(melody.denominator) +
                    ", Ticks per Beat: " + std::to_string(melody.ticksPerBeat) +
                    ", Annotated Key: " + std::to_string(melody.key) + "\n";
  out += kTableHeader;
  if (segment) {
    const auto names = segmentationColumnNames();
    for (std::size_t k = 0; k < names.size(); ++k) {
      if (k > 0) out += ';';
      out += names[k];
    }
  }
  out += '\n';

  model::MetricCounter counter = fallbackCounter(melody);
  std::string line;
  for (std::size_t i = 0; i < melody.size(); ++i) {
    const model::NoteEvent& note = melody.notes[i];
    if (model::isSounding(note.pitch)) {
      std::int64_t bar = counter.bar();
      std::int64_t beat = counter.beat() + 1;
      std::int64_t tick = counter.tick();
      if (note.position.available()) {
        bar = note.position.bar;
        beat = note.position.beat;
        tick = note.position.tick;
      }
      line = text::formatFixed(note.onsetMs * 0.001, 4);
      for (const std::int64_t v : {std::int64_t{onsetTicks[i]}, bar, beat, tick,
                                   std::int64_t{note.pitch}}) {
        line += ';';
        line += std::to_string(v);
      }
      line += ';';
      line += text::formatFixed(note.durationMs * 0.001, 4);
      line += ';';
      line += std::to_string(durationTicks[i]);
      line += ';';
      line += std::to_string(units[i]);
      line += ';';
      for (std::size_t k = 0; k < columns.size(); ++k) {
        if (k > 0) line += ';';
        line += text::formatFixed(seriesValue(columns[k], i), 0);
      }
      out += text::withDecimalComma(std::move(line));
      out += '\n';
      line.clear();
    }
    if (i + 1 < melody.size()) counter.advance(intervals[i]);
  }
  return out;
}

bool readMelodyTable(std::istream& in, const std::string& fileName, ConverterMelody& melody,
                     std::string& errorText) {
  errorText.clear();
  try {
    return readLines(in, fileName, melody, errorText);
  } catch (const std::bad_alloc&) {
    errorText = "Out of memory";
    return false;
  }
}

}  // namespace suite::tuneport::formats
