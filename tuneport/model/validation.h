// Checks of the timing values a reader gives a converter melody, so that a
// file with an unusable resolution, signature or tempo fails with a clear
// message instead of producing silent zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "tuneport/model/converter_melody.h"

namespace suite::tuneport::model {

/// Largest accepted resolution: keeps bar lengths and onsets of long
/// melodies (2048 beats at the limit) within 32-bit ticks.
inline constexpr std::int32_t kMaxTicksPerBeat = 1 << 20;

/// Largest MIDI or EsAC file the readers take into memory (a million MIDI
/// events take a few MB); beyond it, or from an endless source such as
/// /dev/zero, they fail with kFileTooLargeText.
inline constexpr std::size_t kMaxInputFileBytes = std::size_t{64} << 20;
inline constexpr std::string_view kFileTooLargeText = "File too large (more than 64 MiB)";

/// 1..kMaxTicksPerBeat ticks per beat.
bool validTicksPerBeat(std::int64_t ticksPerBeat);
/// A positive, finite tempo in ms per beat.
bool validTempo(double msPerBeat);
/// At least one beat per bar and a positive beat note value.
bool validSignature(std::int64_t numerator, std::int64_t denominator);
/// 0 (no snapping) or 1..kMaxTicksPerBeat grid points per beat.
bool validQuantisationLevel(std::int64_t level);

/// Checks, in this order, ticksPerBeat ("Invalid ticks per beat: 0"), the
/// signature ("Invalid time signature: 0/4"), the tempo ("No tempo" for an
/// empty tempo list, "Invalid tempo: -5 ms per beat") and the times of every
/// note ("Invalid time in note 3": an onset or duration that is not finite,
/// notes counted from 1). Returns true when all are usable; otherwise false
/// with the first problem in \a message. Readers call it once they have set
/// resolution, signature, tempo and notes, before quantise.
bool validateMelody(const ConverterMelody& melody, std::string& message);

}  // namespace suite::tuneport::model
