// One reader and writer per format. A handler is made for a single read or
// write and takes the settings and console streams from the Converter.
#pragma once

#include <memory>
#include <string>

#include "tuneport/converter.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport {

class FileHandler {
 public:
  FileHandler() = default;
  virtual ~FileHandler() = default;
  FileHandler(const FileHandler&) = delete;
  FileHandler& operator=(const FileHandler&) = delete;

  /// Reads \a fileName into a new melody stored in \a melody; on failure
  /// returns false with the error text set.
  virtual bool read(const std::string& fileName,
                    std::unique_ptr<model::ConverterMelody>& melody) = 0;
  /// Writes \a melody to \a fileName; on failure returns false with the
  /// error text set.
  virtual bool write(const std::string& fileName, const model::ConverterMelody* melody) = 0;

  void setConverter(const Converter* converter) { converter_ = converter; }
  std::string errorText() const { return errorText_; }
  void setErrorText(std::string text) { errorText_ = std::move(text); }

 protected:
  const model::ConversionSettings& settings() const { return converter_->settings(); }
  const model::ConsoleStreams& console() const { return converter_->console(); }

  const Converter* converter_ = nullptr;
  std::string errorText_;
};

/// EsAC records: the first record of a file; written with the file name up
/// to its last "." as key id.
class EsacHandler : public FileHandler {
 public:
  bool read(const std::string& fileName, std::unique_ptr<model::ConverterMelody>& melody) override;
  bool write(const std::string& fileName, const model::ConverterMelody* melody) override;
};

/// Melody tables, with the segmentation columns when the settings ask.
class CsvHandler : public FileHandler {
 public:
  bool read(const std::string& fileName, std::unique_ptr<model::ConverterMelody>& melody) override;
  bool write(const std::string& fileName, const model::ConverterMelody* melody) override;
};

/// Plot tables; written only (read does nothing and succeeds).
class GnuplotHandler : public FileHandler {
 public:
  bool read(const std::string& fileName, std::unique_ptr<model::ConverterMelody>& melody) override;
  bool write(const std::string& fileName, const model::ConverterMelody* melody) override;
};

/// Standard MIDI files: one track read with its report, written as format 1.
class MidiHandler : public FileHandler {
 public:
  bool read(const std::string& fileName, std::unique_ptr<model::ConverterMelody>& melody) override;
  bool write(const std::string& fileName, const model::ConverterMelody* melody) override;
};

/// Note lists in both forms; written in the note form.
class NotesHandler : public FileHandler {
 public:
  bool read(const std::string& fileName, std::unique_ptr<model::ConverterMelody>& melody) override;
  bool write(const std::string& fileName, const model::ConverterMelody* melody) override;
};

/// The handler of a format id; null for an id outside 0..4.
std::unique_ptr<FileHandler> makeFileHandler(int format);

}  // namespace suite::tuneport
