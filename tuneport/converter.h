// The conversion driver's state: the settings of the run, the melody that the
// last reader produced, the last error, and the format table that maps
// format names and file extensions to format ids.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "tuneport/model/conversion_settings.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport {

/// The formats; the values are the format ids of the command line.
enum FormatId : int {
  kNoFormat = -1,
  kEsacFormat = 0,
  kCsvFormat = 1,
  kGnuplotFormat = 2,
  kMidiFormat = 3,
  kNotesFormat = 4,
};

struct FormatRow {
  FormatId id;
  std::string_view extension;  ///< read and written, without the dot
  std::array<std::string_view, 2> names;  ///< accepted by -f; the second may be empty
};

/// One row per format, in id order.
inline constexpr std::array<FormatRow, 5> kFormats{{
    {kEsacFormat, "esa", {"esac", "esa"}},
    {kCsvFormat, "csv", {"csv", ""}},
    {kGnuplotFormat, "gnu", {"gnu", ""}},
    {kMidiFormat, "mid", {"midi", "mid"}},
    {kNotesFormat, "notes", {"notes", ""}},
}};

/// True for the ids 0..4.
constexpr bool isFormat(int id) { return id >= kEsacFormat && id <= kNotesFormat; }

/// The format of the first name, in table order ("esac", "esa", "csv", "gnu",
/// "midi", "mid", "notes"), that contains \a value: "mi" selects MIDI and "c"
/// EsAC. kNoFormat when none does.
FormatId formatFromName(std::string_view value);

/// The input format of a file: its text after the last ".", with A-Z in
/// lower case, equal to an extension of the table; kNoFormat otherwise.
FormatId formatOfFile(std::string_view fileName);

/// \a inputName up to and including its last "." (all of it when it has
/// none) followed by the extension of \a format (nothing for kNoFormat),
/// with every blank replaced by "_": "My Song.MID" gives "My_Song.csv".
std::string outputFileName(std::string_view inputName, FormatId format);

/// Holds the settings of a run and the melody between a read and a write.
/// Readers and writers report on the console streams.
class Converter {
 public:
  Converter(const model::ConversionSettings& settings, const model::ConsoleStreams& console)
      : settings_(settings), console_(console) {}

  /// Reads \a fileName with the handler of \a format. On success the melody
  /// read replaces the converter's; on failure the handler's error text
  /// becomes the converter's ("Unable to create file reader." for a format
  /// id outside 0..4).
  bool createFileReader(const std::string& fileName, int format);

  /// Writes the converter's melody to \a fileName with the handler of
  /// \a format; errors as createFileReader ("Unable to create file writer.").
  bool createFileWriter(const std::string& fileName, int format);

  std::string errorText() const { return errorText_; }
  const model::ConversionSettings& settings() const { return settings_; }
  model::ConversionSettings& settings() { return settings_; }
  const model::ConsoleStreams& console() const { return console_; }
  /// The melody of the last successful read; null before one.
  const model::ConverterMelody* melody() const { return melody_.get(); }

 private:
  model::ConversionSettings settings_;
  model::ConsoleStreams console_;
  std::string errorText_;
  std::unique_ptr<model::ConverterMelody> melody_;
};

}  // namespace suite::tuneport
