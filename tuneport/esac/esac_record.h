// One EsAC record: its bracketed fields and the words of its key line.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace suite::tuneport::esac {

/// Tonic index of a key line whose tonic is not a known note name.
inline constexpr std::int32_t kUnknownTonic = 12;

struct EsacRecord {
  std::string title;       ///< first line of the text
  std::string cut;         ///< CUT[...]
  std::string region;      ///< REG[...]
  std::string tradition;   ///< TRD[...]
  std::string function;    ///< FKT[...]
  std::string keyLine;     ///< KEY[...]
  std::string melodyText;  ///< MEL[...] without leading blanks, tabs and line breaks

  std::string keyId;                        ///< word 1 of the key line
  std::int32_t basicUnit = 0;               ///< word 2: units per whole note, times tupletFactor
  std::string tonic;                        ///< word 3
  std::int32_t tonicIndex = kUnknownTonic;  ///< pitch class 0..11 of the tonic, or kUnknownTonic
  std::vector<std::string> signatures;      ///< words 4 and following, each "n/d"
  /// 3 when the melody has round brackets, times 5 for angle brackets, times 7
  /// for braces: the basic unit is refined so that tuplet notes last whole units.
  std::int32_t tupletFactor = 1;
};

/// The text of field \a name: what follows the first "name[" up to the next
/// "]", or to the end of the text when there is none. Empty when the field
/// does not occur.
std::string_view esacField(std::string_view text, std::string_view name);

/// Pitch class 0..11 of a tonic name ("C", "C#", "Db", ... "Bb", "B"), or
/// kUnknownTonic.
std::int32_t tonicIndex(std::string_view name);

/// Splits a record text into its fields and key-line words and checks the key
/// line: a positive even basic unit ("Basic unit invalid.") and exactly one
/// signature ("Multiple Signatures found.", "No Signatures found."). Returns
/// false with the message in \a errorText when a check fails.
bool parseEsacRecord(std::string_view text, EsacRecord& record, std::string& errorText);

}  // namespace suite::tuneport::esac
