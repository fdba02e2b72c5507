// Byte fixtures written as commented hex text, for binary formats such as
// MIDI files:
//
//   "MThd" 00000006  0000 0001 0060   ; header: format 0, one track, 96 ticks
//   "MTrk" [                          ; [ ... ] = 4-byte big-endian length, then the bytes
//     00 90 3C 40                     ; note on
//     60 80 3C 00                     ; note off after 96 ticks
//     00 FF 2F 00                     ; end of track
//   ]
//
// Tokens: hex digits in pairs (several pairs may be written together), a
// "quoted" ASCII text (no escapes), ';' or '#' starts a comment to the end of
// the line, and [ ... ] (nestable) prefixes its bytes with their count.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace suite::test {

/// The bytes that \a text describes; throws std::invalid_argument on a
/// malformed fixture (odd digit count, unknown character, open bracket).
std::vector<std::uint8_t> hexBytes(std::string_view text);

}  // namespace suite::test
