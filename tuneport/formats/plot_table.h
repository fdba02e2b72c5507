// Plot tables: onset and pitch of each note, one line each, for gnuplot.
#pragma once

#include <string>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::formats {

/// One line "%.2f\t%d" per sounding note: the onset in milliseconds and the
/// pitch. Rests and markers are left out; an unpitched note (250) takes the
/// pitch of the note before it or, as the first note, the melody's most
/// frequent pitch (the lowest on ties), and is left out in a melody without
/// any pitch.
std::string plotTableText(const model::ConverterMelody& melody);

}  // namespace suite::tuneport::formats
