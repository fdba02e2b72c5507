// Reading one track of a Standard MIDI file as a converter melody: the track
// analysis with its report and the choice of a track, then the extraction.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "tuneport/model/conversion_settings.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::midi {

inline constexpr std::string_view kSourceNotUsableText = "MIDI source not usable.";
inline constexpr std::string_view kMelodyEmptyText = "Melody empty.";

/// Reads the file \a fileName into memory and parses it twice (see
/// readMidiMelodyBytes). A file that cannot be opened reads as empty; one
/// of more than model::kMaxInputFileBytes fails with model::kFileTooLargeText.
bool readMidiMelody(const std::string& fileName, const model::ConversionSettings& settings,
                    const model::ConsoleStreams& console, model::ConverterMelody& melody,
                    std::string& errorText);

/// Reads one track of the MIDI file \a bytes as a melody:
/// 1. Parses the file with the track analysis, which writes the header and
///    tempo lines, the track reports and the summary on console.out; a parse
///    error becomes the error text and the analysis goes on with what was read.
/// 2. Without a usable track: "MIDI source not usable.". A division of 0 or a
///    time-code division fails with divisionProblem()'s text.
/// 3. Takes usable track settings.track (from 1) when that is above 0, failing
///    with "No usable track N: the file has M usable track(s)" when there is no
///    such track; otherwise the only usable track, or the one the user picks
///    from the list on console.out by one line read from console.in (see
///    MidiTrackAnalyser::chooseTrack); nothing picked fails, the error text
///    unchanged.
/// 4. Prints "Extracting track N..." (the track's number in the file) and
///    parses the file again with a MidiMelodyBuilder; a parse error becomes
///    the error text, and the notes read up to it still count.
/// 5. Without notes prints "Melody empty." and fails, the error text
///    unchanged. Timing values no melody can use fail with validateMelody's
///    message. Otherwise quantises with settings.quantize and succeeds.
/// \a melody is replaced only on success. \a errorText is cleared first; on
/// success it may still hold a parse error of a damaged file.
bool readMidiMelodyBytes(std::span<const std::uint8_t> bytes,
                         const model::ConversionSettings& settings,
                         const model::ConsoleStreams& console, model::ConverterMelody& melody,
                         std::string& errorText);

}  // namespace suite::tuneport::midi
