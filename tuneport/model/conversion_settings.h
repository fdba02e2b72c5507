// Settings of one conversion and the console streams the readers and writers
// report on. Both are filled by the command line and passed to every reader
// and writer; nothing here is process-wide.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>

namespace suite::tuneport::model {

struct ConversionSettings {
  /// Milliseconds per beat (quarter note) for formats without a tempo of their own.
  double msPerBeat = 500.0;
  /// Notes starting after this many milliseconds are dropped; 0 keeps all.
  double cut = 0.0;
  /// EsAC: convert only this phrase (line of the melody text, from 1); 0 converts all.
  std::int32_t phrase = 0;
  /// Melody tables: append the segmentation columns.
  bool segment = false;
  /// MIDI: only the first tempo event counts.
  bool ignoreTempoChanges = false;
  /// MIDI: quantisation level in ticks per beat; 0 keeps the file's ticks.
  std::int32_t quantize = 24;
  /// MIDI: take the n-th usable track (from 1) without asking; 0 asks when
  /// there are several.
  std::int32_t track = 0;
};

/// Where a conversion reports: reports and track questions on out, errors on
/// err, the answer to a track question from in.
struct ConsoleStreams {
  std::ostream& out;
  std::ostream& err;
  std::istream& in;
};

}  // namespace suite::tuneport::model
