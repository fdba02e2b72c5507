// Reader of melody table files and file lists.
#pragma once

#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "core/melody.h"

namespace suite::core {

/// Settings and state of the melody table reader.
struct MelodyReader {
  explicit MelodyReader(std::ostream& errorStream, int level = 24)
      : err(errorStream), quantLevel(level) {}

  std::ostream& err;            ///< where progress, warnings and errors go
  int quantLevel;               ///< grid points per beat
  int verbosity = 0;            ///< above 0: "Reading: <file>" per file
  std::string lastFailingName;  ///< the last file that failed in readMelodyFiles
};

/// Reads one melody table file into \a melody at the reader's quantisation
/// level. On failure the melody is left cleared; an unopenable file fails
/// without a message.
bool readMelodyFile(const MelodyReader& reader, const std::string& fileName, Melody& melody);

/// The same from a stream; \a fileName is used in messages and as the name.
bool readMelodyTable(const MelodyReader& reader, std::istream& in, const std::string& fileName,
                     Melody& melody);

/// Reads every listed file into one melody per name, in list order; a file
/// that fails is reported ("Error reading <file>") and stays as an empty
/// melody. True when at least one file was read or the list is empty.
bool readMelodyFiles(MelodyReader& reader, const std::vector<std::string>& fileNames,
                     std::vector<Melody>& melodies);

/// Reads a file list: one name per line, lines starting with ";" and empty
/// lines skipped, trailing white space removed. "Could not open <file>" on
/// \a err and false when the file cannot be opened. A list with a NUL byte,
/// a line longer than 1023 characters or more than kMaxFileListLines lines
/// is refused: "<file>: <why>; a file list holds at most ..." and false.
bool readFileList(const std::string& fileName, std::vector<std::string>& names,
                  std::ostream& err);

/// The same from a stream (\a fileName only for messages).
bool readFileList(std::istream& in, const std::string& fileName, std::vector<std::string>& names,
                  std::ostream& err);

/// Largest values the reader accepts; beyond them a table is rejected as
/// "Bad data format!", so that tick arithmetic cannot overflow and bar-wise
/// loops stay short.
inline constexpr std::uint32_t kMaxNumerator = 4096;
inline constexpr std::uint32_t kMaxTicksPerBeat = 1u << 24;
inline constexpr std::int32_t kMaxBarNumber = 10000;

/// Most lines a file list may have (comments and empty lines included).
inline constexpr std::size_t kMaxFileListLines = 1000000;

}  // namespace suite::core
