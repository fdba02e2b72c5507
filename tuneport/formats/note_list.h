// Note lists: plain text with times in whole milliseconds, either one line
// per note ("Note start end pitch", "Rest start") or note-on and note-off
// events ("Note-on time pitch", "Note-off time pitch").
#pragma once

#include <istream>
#include <ostream>
#include <string>

#include "tuneport/model/conversion_settings.h"
#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::formats {

/// "Note start end pitch" for every note with a pitch (1..127), times in
/// whole milliseconds (rounded down) from the onset of the melody's first
/// entry. Rests, markers and unpitched notes are left out.
std::string noteListText(const model::ConverterMelody& melody);

/// Reads a note list into \a melody (replaced only on success), at the
/// tempo settings.msPerBeat, 4/4 and 192 ticks per beat.
///
/// The form is that of the first line holding "Note-on" or "Note-off"
/// (event form) or else "Note" (note form); reading starts at that line.
/// A UTF-8 byte order mark before the first line is skipped.
/// Lines end with a line feed, optionally after a carriage return, and are
/// read in pieces of at most 4095 characters. Times lie in 0..2^31-1 ms; a
/// line with another time does not parse.
///
/// Note form: empty lines and lines starting with "%" are skipped; every
/// other line must be "Note start end pitch" or "Rest start" (" Invalid
/// line"). Each note lasts until its end or the next line's start, whichever
/// comes first; the last note until its end. A rest lasts until the next
/// line's start; a rest on the last line is dropped. A start not after the
/// previous line's fails with "Polyphonic data", an end before the start
/// with "Invalid offset.".
///
/// Event form: lines that are neither event are skipped. Fails with
/// "Polyphonic data." (two note-ons or two note-offs in a row, or a note-on
/// before the previous note-off), "First event note-off.", "Unmatched note
/// off." (another pitch than the note-on's) or "Invalid offset." (a note-off
/// not after its note-on). A note-on without note-off at the end of the
/// list is kept with duration 0.
///
/// Each entry is reported on \a out as it is read ("ticks  =-1 t = 0
/// dur:500 pitch: 60 BarPosition:(N/A)"); after a successful read the melody
/// is quantised with level 0 and its pitch statistics follow. Other
/// failures: "Bad file format" (no line names a note, or a line read before
/// the first note or among events holds a NUL byte), "File empty" (no
/// entry), "I/O error during read." (a read error before the form is known;
/// later one ends the list there), "Out of memory".
bool readNoteList(std::istream& in, const model::ConversionSettings& settings, std::ostream& out,
                  model::ConverterMelody& melody, std::string& errorText);

}  // namespace suite::tuneport::formats
