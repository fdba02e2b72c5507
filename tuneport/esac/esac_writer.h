// EsAC writer: a converter melody as one EsAC record, in scale degrees of its
// key and durations in multiples of a basic unit, with blanks at bar lines
// and line breaks at the phrase starts found by Temperley's grouping rule.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::esac {

/// Token of a pitch written against the reference pitch \a reference (60 +
/// tonic) after adding \a shift semitones: "0" for a rest, "^" for pitch 128,
/// "?" for anything else outside 1..127; otherwise "+" per octave above the
/// reference or "-" per octave (begun) below it, then the degree "1", "2b",
/// "2", "3b", "3", "4", "4#", "5", "6b", "6", "7b" or "7".
std::string pitchToken(std::int32_t pitch, std::int32_t reference, std::int32_t shift = 0);

/// Token of a duration of \a units basic units: "" for 0 and 1; otherwise one
/// "_" per doubling up to the largest power of two, then dots where halves
/// complete it, or else "^" and the token of what is left.
std::string durationToken(std::int64_t units);

/// Semitones (a multiple of 12) that move \a median into reference ..
/// reference + 12; 0 when the median is not a pitch (outside 1..127).
std::int32_t octaveShift(std::int32_t median, std::int32_t reference);

/// The record text for \a melody with \a keyId as first word of the key line.
/// "Melody has triplets!" and the lines around each triplet group go to \a out.
/// On failure returns false and leaves \a record empty, with the message in
/// \a errorText: "Incomplete triplet at end.", "Invalid melody. Probably not
/// monophonic.", "Invalid melody. Too many bars." (beyond 10000), "Invalid
/// tatum: 0" (a tatum below one tick or longer than a bar) or a message of
/// validateMelody.
bool esacRecordText(const model::ConverterMelody& melody, std::string_view keyId, std::ostream& out,
                    std::string& record, std::string& errorText);

/// Writes the record to \a fileName; its key id is the file name up to its
/// last ".". Errors as esacRecordText, and as writeOutputFile when the file
/// cannot be created or written.
bool writeEsacMelody(const std::string& fileName, const model::ConverterMelody& melody,
                     std::ostream& out, std::string& errorText);

}  // namespace suite::tuneport::esac
