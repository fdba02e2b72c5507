// Melody tables as the converter writes and reads them: a signature line, a
// column header and one ";"-separated line per sounding note with decimal
// commas, optionally followed by 55 phrase-boundary columns.
#pragma once

#include <array>
#include <istream>
#include <string>
#include <string_view>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::formats {

/// The column header without segmentation columns.
inline constexpr std::string_view kTableHeader =
    "onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;";

/// Number of segmentation columns: LBDM1, LBDM2, refLBDM1, refLBDM2,
/// temperley and the 50 duration-threshold columns simple0-0-0 .. simple1-4-4.
inline constexpr std::size_t kSegmentationColumns = 55;

/// The segmentation column names in the order they are written.
std::array<std::string, kSegmentationColumns> segmentationColumnNames();

/// The melody table of \a melody:
///   Signature: 4/4, Ticks per Beat: 192, Annotated Key: 0
///   onset;onsetics;takt;beat;ticks;pitch;durs;durtic;dur16;
///   0,5000;192;1;2;0;60;0,2500;96;1;
/// one data line per sounding note (onset and duration in seconds, onset and
/// duration in ticks, bar, beat and tick of its position, pitch, duration in
/// duration units); rests and markers are left out. With \a segment the
/// header names the 55 segmentation columns after "dur16;" and every data
/// line carries one 0 or 1 per column (no trailing ";"). A note without a
/// bar position takes it from a running counter that starts at bar 1 (less
/// the upbeat) and advances by each note's interval. A melody of fewer than
/// 96 ticks per beat is written at the smallest multiple of its resolution
/// that is a multiple of 24 and at least 96, the grid of the analysis programs.
std::string melodyTableText(const model::ConverterMelody& melody, bool segment);

/// Reads a melody table into \a melody (replaced only on success). The
/// columns are found by their header names; "," in a data line reads as a
/// decimal point. The durs values of the first two data lines decide the unit
/// of time (seconds when both are at most 2, milliseconds when above 120,
/// seconds on a tie of votes, milliseconds without a vote), the first two
/// onsets and bar positions the tempo (500 ms per beat where they do not
/// give a positive one). The annotated key is not read: the key is
/// estimated from the pitches. Then the melody is quantised with level 0.
/// Failures, in \a errorText: "No signature found", "Invalid signature
/// denominator found", "No division specified" (no positive integer follows
/// "Ticks"), an empty text for a first line without "/", \a fileName +
/// ": I/O Error" (no header line, or a read error), " Insufficient data
/// description", "No onset found", "No pitch found", "No duration found",
/// "No bar position found", "File empty" (no data line), "Out of memory", or
/// validateMelody's message. A data line without an onsetics value reads as
/// tick 0 and leaves "No onsetics found" in \a errorText without failing.
bool readMelodyTable(std::istream& in, const std::string& fileName,
                     model::ConverterMelody& melody, std::string& errorText);

}  // namespace suite::tuneport::formats
