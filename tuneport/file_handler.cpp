#include "tuneport/file_handler.h"

#include <fstream>
#include <new>
#include <utility>

#include "tuneport/esac/esac_reader.h"
#include "tuneport/esac/esac_writer.h"
#include "tuneport/formats/melody_table.h"
#include "tuneport/formats/note_list.h"
#include "tuneport/formats/plot_table.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"
#include "tuneport/model/output_file.h"

namespace suite::tuneport {
namespace {

using model::ConverterMelody;

// Runs \a reader on a fresh melody and hands it over on success; a melody
// that cannot be allocated fails with "Out of memory".
template <typename Reader>
bool readInto(std::unique_ptr<ConverterMelody>& melody, std::string& errorText, Reader reader) {
  try {
    auto result = std::make_unique<ConverterMelody>();
    if (!reader(*result)) return false;
    melody = std::move(result);
    return true;
  } catch (const std::bad_alloc&) {
    errorText = "Out of memory";
    return false;
  }
}

// Opens \a fileName for a text reader; "Could not open " + the name when it
// cannot be opened.
bool openInput(const std::string& fileName, std::ifstream& in, std::string& errorText) {
  in.open(fileName, std::ios::binary);
  if (in.is_open()) return true;
  errorText = "Could not open " + fileName;
  return false;
}

}  // namespace

bool EsacHandler::read(const std::string& fileName, std::unique_ptr<ConverterMelody>& melody) {
  return readInto(melody, errorText_, [&](ConverterMelody& m) {
    return esac::readEsacMelody(fileName, settings(), m, errorText_);
  });
}

bool EsacHandler::write(const std::string& fileName, const ConverterMelody* melody) {
  if (melody == nullptr) return false;
  return esac::writeEsacMelody(fileName, *melody, console().out, errorText_);
}

bool CsvHandler::read(const std::string& fileName, std::unique_ptr<ConverterMelody>& melody) {
  std::ifstream in;
  if (!openInput(fileName, in, errorText_)) return false;
  return readInto(melody, errorText_, [&](ConverterMelody& m) {
    return formats::readMelodyTable(in, fileName, m, errorText_);
  });
}

bool CsvHandler::write(const std::string& fileName, const ConverterMelody* melody) {
  if (melody == nullptr) return false;
  return model::writeOutputFile(fileName, formats::melodyTableText(*melody, settings().segment),
                                errorText_);
}

bool GnuplotHandler::read(const std::string&, std::unique_ptr<ConverterMelody>&) { return true; }

bool GnuplotHandler::write(const std::string& fileName, const ConverterMelody* melody) {
  if (melody == nullptr) return false;
  return model::writeOutputFile(fileName, formats::plotTableText(*melody), errorText_);
}

bool MidiHandler::read(const std::string& fileName, std::unique_ptr<ConverterMelody>& melody) {
  // The MIDI reader takes a missing file for an empty one; say what it is.
  if (std::ifstream in; !openInput(fileName, in, errorText_)) return false;
  return readInto(melody, errorText_, [&](ConverterMelody& m) {
    return midi::readMidiMelody(fileName, settings(), console(), m, errorText_);
  });
}

bool MidiHandler::write(const std::string& fileName, const ConverterMelody* melody) {
  return midi::writeMidiMelody(fileName, melody, errorText_);
}

bool NotesHandler::read(const std::string& fileName, std::unique_ptr<ConverterMelody>& melody) {
  std::ifstream in;
  if (!openInput(fileName, in, errorText_)) return false;
  return readInto(melody, errorText_, [&](ConverterMelody& m) {
    return formats::readNoteList(in, settings(), console().out, m, errorText_);
  });
}

bool NotesHandler::write(const std::string& fileName, const ConverterMelody* melody) {
  if (melody == nullptr) return false;
  return model::writeOutputFile(fileName, formats::noteListText(*melody), errorText_);
}

std::unique_ptr<FileHandler> makeFileHandler(int format) {
  switch (format) {
    case kEsacFormat: return std::make_unique<EsacHandler>();
    case kCsvFormat: return std::make_unique<CsvHandler>();
    case kGnuplotFormat: return std::make_unique<GnuplotHandler>();
    case kMidiFormat: return std::make_unique<MidiHandler>();
    case kNotesFormat: return std::make_unique<NotesHandler>();
    default: return nullptr;
  }
}

}  // namespace suite::tuneport
