// EsAC reader: the first record of an EsAC text as a converter melody.
//
// The melody string holds scale degrees 0 (rest) to 8 relative to the tonic of
// the key line, each lasting one basic unit, with octave signs ("+", "-")
// before and accidentals ("#", "b"), prolongations ("_" doubles, "." adds
// half) and holds ("^") after the digit; round, angle and curly brackets
// make triplets, quintuplets and septuplets; blanks (or tabs, or "|")
// separate bars, line breaks phrases, and "//" ends the melody. Any other
// character is ignored.
#pragma once

#include <istream>
#include <string>
#include <string_view>

#include "tuneport/esac/esac_record.h"
#include "tuneport/model/conversion_settings.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::esac {

inline constexpr std::string_view kNotTextText = "Not a text file (NUL byte).";

/// Parses the melody string of \a record into \a melody (replacing it), with
/// the tempo (a quarter note lasts settings.msPerBeat), the cut and the phrase
/// of \a settings. The melody gets the record's signature, its tonic as key,
/// onsets in ticks and milliseconds, legato durations, tatum and duration unit
/// of one basic unit, bar positions, and one phrase-start value per note (1.0
/// after a line break). On failure returns false with the message in
/// \a errorText: a parse error names the offending character in an excerpt;
/// otherwise "No notes in melody string.", "Melody too long." (beyond 2^31
/// ticks), "Basic unit invalid." (no usable resolution) or a message of
/// validateMelody (a signature part beyond 1024 counts as invalid).
bool parseEsacMelody(const EsacRecord& record, const model::ConversionSettings& settings,
                     model::ConverterMelody& melody, std::string& errorText);

/// Reads the first record of an EsAC text: parseEsacRecord, then
/// parseEsacMelody. An empty text fails with an empty error text.
bool readEsacText(std::string_view text, const model::ConversionSettings& settings,
                  model::ConverterMelody& melody, std::string& errorText);

/// readEsacText on everything \a in holds; a read error fails with
/// "Error while reading.", more than model::kMaxInputFileBytes with
/// model::kFileTooLargeText, a NUL byte with kNotTextText.
bool readEsacStream(std::istream& in, const model::ConversionSettings& settings,
                    model::ConverterMelody& melody, std::string& errorText);

/// readEsacStream on a file; "Could not open " + file name when it cannot be
/// opened.
bool readEsacMelody(const std::string& fileName, const model::ConversionSettings& settings,
                    model::ConverterMelody& melody, std::string& errorText);

}  // namespace suite::tuneport::esac
