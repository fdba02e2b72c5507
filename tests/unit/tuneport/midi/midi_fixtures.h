// Whole MIDI files as hex fixtures, and the run of a MIDI read on them.
#pragma once

#include <cstdint>
#include <cstdio>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/hex_bytes.h"
#include "tuneport/midi/midi_file_writer.h"
#include "tuneport/midi/midi_melody_reader.h"

namespace suite::tuneport::midi::test {

/// A file of the given format and division whose tracks hold \a bodies
/// (hex events), each closed by an end-of-track event.
inline std::string smf(int division, const std::vector<std::string>& bodies, int format = 1) {
  char header[64];
  std::snprintf(header, sizeof header, "\"MThd\" 00000006 %04X %04zX %04X\n", format,
                bodies.size(), division);
  std::string text = header;
  for (const std::string& body : bodies) text += "\"MTrk\" [\n" + body + "\n 00 FF 2F 00 ]\n";
  return text;
}

/// What a read of a MIDI file leaves behind.
struct MelodyRead {
  bool ok = false;
  model::ConverterMelody melody;
  std::string out;
  std::string err;
  std::string error;
};

inline MelodyRead readBytes(std::span<const std::uint8_t> bytes,
                            const model::ConversionSettings& settings = {},
                            const std::string& input = "") {
  std::ostringstream out;
  std::ostringstream err;
  std::istringstream in(input);
  MelodyRead r;
  r.ok = readMidiMelodyBytes(bytes, settings, {out, err, in}, r.melody, r.error);
  r.out = out.str();
  r.err = err.str();
  return r;
}

inline MelodyRead readHex(const std::string& hex, const model::ConversionSettings& settings = {},
                          const std::string& input = "") {
  return readBytes(suite::test::hexBytes(hex), settings, input);
}

// What a read gave, in one line: the error, or the signature, resolution,
// key, tatum, tempi and per note "ticks:pitch:onset+duration" (ms); then the
// extracted track, a question asked, "Melody empty." and warnings.
inline std::string describe(const MelodyRead& r) {
  std::ostringstream text;
  const model::ConverterMelody& m = r.melody;
  if (r.ok) {
    text << m.numerator << '/' << m.denominator << " tpb " << m.ticksPerBeat << " key " << m.key
         << " tatum " << m.tatum << " tempi";
    for (const double t : m.tempi) text << ' ' << t;
    text << " |";
    for (const model::NoteEvent& n : m.notes)
      text << ' ' << n.ticks << ':' << n.pitch << ':' << n.onsetMs << '+' << n.durationMs;
  } else {
    text << "error \"" << r.error << '"';
  }
  const std::size_t extracting = r.out.find("Extracting track ");
  if (extracting != std::string::npos) text << " | track " << r.out[extracting + 17];
  if (r.out.find("Select number.") != std::string::npos) text << " asked";
  if (r.out.ends_with("Melody empty.\n")) text << " empty";
  if (!r.err.empty()) text << " | " << r.err;
  return text.str();
}

/// \a melody as a MIDI file (a failure to write fails the test).
inline std::vector<std::uint8_t> writtenBytes(const model::ConverterMelody& melody) {
  std::ostringstream out;
  std::string error;
  EXPECT_TRUE(writeMidiMelody(out, melody, error)) << error;
  const std::string bytes = out.str();
  return {bytes.begin(), bytes.end()};
}

}  // namespace suite::tuneport::midi::test
