// Fuzz target: converter melodies built from arbitrary bytes, taken as they
// are or first validated and quantised as the readers leave them, through
// every writer (EsAC, MIDI, melody table with and without segmentation, plot
// table, note list), and each written text read back with its reader.
// Checks: a writer that fails says why and writes nothing; a MIDI file it
// writes parses without error; a plot table has one line per sounding note
// at most; a read-back that fails says why; and where the written form keeps
// them, the pitches come back in order.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "converter_melody_input.h"
#include "tuneport/esac/esac_reader.h"
#include "tuneport/esac/esac_writer.h"
#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"
#include "tuneport/formats/plot_table.h"
#include "tuneport/midi/midi_event_handler.h"
#include "tuneport/midi/midi_file_parser.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"
#include "tuneport/model/validation.h"

namespace {

using suite::tuneport::model::ConversionSettings;
using suite::tuneport::model::ConverterMelody;

void check(bool ok) {
  if (!ok) std::abort();
}

std::vector<std::int32_t> soundingPitches(const ConverterMelody& m) {
  std::vector<std::int32_t> out;
  for (const auto& n : m.notes)
    if (suite::tuneport::model::isSounding(n.pitch)) out.push_back(n.pitch);
  return out;
}

std::vector<std::int32_t> midiPitches(const ConverterMelody& m) {
  std::vector<std::int32_t> out;
  for (const auto& n : m.notes)
    if (n.pitch >= 1 && n.pitch <= 127) out.push_back(n.pitch);
  return out;
}

std::size_t lineCount(const std::string& text) {
  std::size_t lines = 0;
  for (const char c : text) lines += c == '\n';
  return lines;
}

// Records whether a parse ran into an error.
class ErrorFlag : public suite::tuneport::midi::MidiEventHandler {
 public:
  void error(std::string_view) override { failed = true; }
  bool failed = false;
};

void esacRoundTrip(const ConverterMelody& m) {
  std::ostringstream report;
  std::string record;
  std::string error;
  if (!suite::tuneport::esac::esacRecordText(m, "F", report, record, error)) {
    check(!error.empty() && record.empty());
    return;
  }
  check(!record.empty());
  ConverterMelody back;
  if (!suite::tuneport::esac::readEsacText(record, ConversionSettings{}, back, error))
    check(!error.empty());
}

void midiRoundTrip(const ConverterMelody& m) {
  std::ostringstream file;
  std::string error;
  if (!suite::tuneport::midi::writeMidiMelody(file, m, error)) {
    check(!error.empty());
    return;
  }
  const std::string bytes = file.str();
  const std::span<const std::uint8_t> span(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                           bytes.size());
  ErrorFlag flag;
  check(suite::tuneport::midi::readMidiBytes(span, flag) && !flag.failed);

  ConversionSettings settings;
  settings.track = 1;
  settings.quantize = 0;
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in;
  ConverterMelody back;
  if (!suite::tuneport::midi::readMidiMelodyBytes(span, settings, {out, err, in}, back, error)) {
    check(!error.empty() || out.str().find("Melody empty.") != std::string::npos);
    return;
  }
  check(!back.empty());
}

void tableRoundTrip(const ConverterMelody& m, bool segment, bool readsBack) {
  const std::string table = suite::tuneport::formats::melodyTableText(m, segment);
  std::istringstream in(table);
  ConverterMelody back;
  std::string error;
  const bool read = suite::tuneport::formats::readMelodyTable(in, "t.csv", back, error);
  if (!read) check(!error.empty());
  if (readsBack) {
    check(read);
    check(back.pitches() == soundingPitches(m));
  }
}

void noteListRoundTrip(const ConverterMelody& m) {
  const std::string list = suite::tuneport::formats::noteListText(m);
  check(lineCount(list) == midiPitches(m).size());
  std::istringstream in(list);
  std::ostringstream report;
  ConverterMelody back;
  std::string error;
  if (!suite::tuneport::formats::readNoteList(in, ConversionSettings{}, report, back, error)) {
    check(!error.empty());
    return;
  }
  check(midiPitches(back) == midiPitches(m));
}

// Times a table writes in fixed notation with a few digits and reads back.
bool moderateTimes(const ConverterMelody& m) {
  for (const auto& n : m.notes)
    if (!(std::fabs(n.onsetMs) <= 1e9 && std::fabs(n.durationMs) <= 1e9)) return false;
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Bytes in(data, size);
  const std::uint32_t mode = in.next();
  std::int32_t level = 0;
  ConverterMelody m = fuzz::buildMelody(in, level);
  std::string message;
  // As the readers leave a melody: valid, quantised, with a tatum.
  const bool prepared = mode % 2 == 0 && suite::tuneport::model::validateMelody(m, message) &&
                        m.quantise(level < 0 ? 0 : level);

  esacRoundTrip(m);
  midiRoundTrip(m);
  const bool readsBack = prepared && !soundingPitches(m).empty() && moderateTimes(m);
  tableRoundTrip(m, mode % 4 < 2, readsBack);
  check(lineCount(suite::tuneport::formats::plotTableText(m)) <= soundingPitches(m).size());
  noteListRoundTrip(m);
  return 0;
}
