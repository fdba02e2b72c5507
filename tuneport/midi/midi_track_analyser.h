// First pass over a MIDI file: what each track holds, which tracks can be
// taken as a monophonic melody, which one carries the signature, and the
// console choice among several usable tracks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "tuneport/midi/midi_event_handler.h"

namespace suite::tuneport::midi {

/// What one track of the file holds.
struct TrackInfo {
  std::int32_t trackNumber = 0;  ///< index in the file, from 0
  std::string trackName;         ///< text of the last track-name event (0x03)
  std::string instrumentName;    ///< text of the last instrument-name event (0x04)
  std::int32_t noteOns = 0;      ///< note-ons with velocity > 0
  std::int32_t noteOffs = 0;     ///< note-offs, velocity-0 note-ons included
  std::int32_t timeSignatures = 0;
  std::int32_t tempos = 0;
  std::int32_t keySignatures = 0;
  std::int32_t channel = -1;  ///< channel of the note-ons 0..15; -1 none yet; -2 more than one
  bool polyphonic = false;
};

/// Message for a file without any track chunk (set by summarise()).
inline constexpr std::string_view kNoTracksText = "No tracks";

/// Collects a TrackInfo per track while the parser runs; prints the header
/// line and one line per tempo event on the output stream as they arrive.
/// After the parse, summarise() (or report(), which prints as well) decides
/// the usable tracks and the signature track; chooseTrack() then picks one.
class MidiTrackAnalyser : public MidiEventHandler {
 public:
  explicit MidiTrackAnalyser(std::ostream& out) : out_(out) {}

  void noteOn(const MidiMessage& message) override;
  void noteOff(const MidiMessage& message) override;
  void timeSignature(std::int32_t time, int numerator, int denominatorExponent,
                     int clocksPerClick, int thirtySecondsPerQuarter) override;
  void tempo(std::int32_t time, std::int32_t microsecondsPerQuarter) override;
  void keySignature(std::int32_t time, int sharpsFlats, int minor) override;
  void text(std::int32_t time, int type, std::string_view text) override;
  void error(std::string_view message) override;
  void trackStart(int track) override;
  void header(int format, int tracks, int division) override;

  /// Decides the usable tracks (with notes, not polyphonic), the signature
  /// track (the first track without notes holding time signature, tempo or
  /// key signature events) and the counts of the summary. With no track at
  /// all the error text becomes "No tracks".
  void summarise();

  /// summarise(), then the report of every track and the summary on the
  /// output stream (nothing at all when the file has no track).
  void report();

  /// The track to extract, as a track number; -1 when none is chosen. One
  /// usable track is taken without asking. With several, the list is shown
  /// on \a out and one line is read from \a in; its leading integer d picks
  /// usable track d (from 1); 0 prints "No track selected.", other values
  /// and the end of the input choose nothing. Call after summarise().
  int chooseTrack(std::istream& in, std::ostream& out) const;

  /// Usable track \a k (from 1) as a track number, or -1 when there is none.
  int usableTrack(int k) const;

  const std::vector<TrackInfo>& tracks() const { return tracks_; }
  /// Track numbers of the usable tracks in file order (after summarise()).
  const std::vector<int>& usableTracks() const { return usable_; }
  /// Track number of the signature track, -1 when there is none (after summarise()).
  int signatureTrack() const { return signatureTrack_; }
  /// At least one usable track (after summarise()).
  bool wellFormed() const { return wellFormed_; }
  /// The last parser message, or "No tracks" (see summarise()).
  const std::string& errorText() const { return errorText_; }
  /// Division of the header, 0 before it is read.
  int division() const { return division_; }

 private:
  // Monophony states of the current track.
  enum class Voice { OneNote = 0, Silence = 1, Overlap = 2, TrackStart = 3 };

  void printTrack(const TrackInfo& info) const;
  void printSummary() const;

  std::ostream& out_;
  std::vector<TrackInfo> tracks_;
  int division_ = 0;
  std::int32_t lastNoteOnTime_ = 0;
  Voice voice_ = Voice::TrackStart;
  std::vector<int> usable_;
  std::vector<std::size_t> usableIndex_;  // positions of the usable tracks in tracks_
  int signatureTrack_ = -1;
  bool wellFormed_ = false;
  std::string errorText_;
  // Summary counts.
  int signatureTrackCount_ = 0;
  int keySignatureTracks_ = 0;
  int timeSignatureTracks_ = 0;
  int tempoTracks_ = 0;
};

}  // namespace suite::tuneport::midi
