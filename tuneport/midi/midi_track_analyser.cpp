#include "tuneport/midi/midi_track_analyser.h"

#include <string>

#include "text/line_reader.h"
#include "text/text_parse.h"

namespace suite::tuneport::midi {
namespace {

// One console line, flushed at once.
void writeLine(std::ostream& out, std::string_view text) {
  out << text << '\n';
  out.flush();
}

std::string str(std::int64_t value) { return std::to_string(value); }

// Up to the first NUL, as the text is read as a C string.
std::string textUpToNul(std::string_view text) {
  return std::string(text.substr(0, text.find('\0')));
}

}  // namespace

void MidiTrackAnalyser::header(int format, int tracks, int division) {
  writeLine(out_, "Format =" + str(format) + " Tracks = " + str(tracks) +
                      " division = " + str(division));
  division_ = division;
}

void MidiTrackAnalyser::trackStart(int track) {
  TrackInfo info;
  info.trackNumber = track;
  tracks_.push_back(info);
  voice_ = Voice::TrackStart;
  lastNoteOnTime_ = 0;
}

void MidiTrackAnalyser::noteOn(const MidiMessage& message) {
  if (tracks_.empty()) return;
  TrackInfo& info = tracks_.back();
  lastNoteOnTime_ = message.time;
  ++info.noteOns;
  switch (voice_) {
    case Voice::OneNote: voice_ = Voice::Overlap; break;
    case Voice::Overlap: info.polyphonic = true; break;
    case Voice::Silence:
    case Voice::TrackStart: voice_ = Voice::OneNote; break;
  }
  if (info.channel == -1) {
    info.channel = message.channel();
  } else if (info.channel != message.channel()) {
    info.channel = -2;
  }
}

void MidiTrackAnalyser::noteOff(const MidiMessage& message) {
  if (tracks_.empty()) return;
  if (voice_ == Voice::Overlap) {
    // An overlap shorter than a sixth of a beat is legato, not a second voice.
    const std::int64_t gap = std::int64_t{message.time} - lastNoteOnTime_;
    if ((gap < 0 ? -gap : gap) < division_ / 6) {
      voice_ = Voice::OneNote;
    }
  } else {
    voice_ = Voice::Silence;
  }
  ++tracks_.back().noteOffs;
}

void MidiTrackAnalyser::timeSignature(std::int32_t, int, int, int, int) {
  if (!tracks_.empty()) ++tracks_.back().timeSignatures;
}

void MidiTrackAnalyser::keySignature(std::int32_t, int, int) {
  if (!tracks_.empty()) ++tracks_.back().keySignatures;
}

void MidiTrackAnalyser::tempo(std::int32_t time, std::int32_t microsecondsPerQuarter) {
  // A tempo of 0 (only in a damaged file) shows as 0 beats per minute.
  const std::int32_t bpm = microsecondsPerQuarter > 0 ? 60000000 / microsecondsPerQuarter : 0;
  writeLine(out_, " time = " + str(time) + " tempo = " + str(bpm));
  if (!tracks_.empty()) ++tracks_.back().tempos;
}

void MidiTrackAnalyser::text(std::int32_t, int type, std::string_view text) {
  if (tracks_.empty()) return;
  if (type == 3) tracks_.back().trackName = textUpToNul(text);
  if (type == 4) tracks_.back().instrumentName = textUpToNul(text);
}

void MidiTrackAnalyser::error(std::string_view message) { errorText_ = message; }

void MidiTrackAnalyser::summarise() {
  usable_.clear();
  usableIndex_.clear();
  signatureTrack_ = -1;
  signatureTrackCount_ = keySignatureTracks_ = timeSignatureTracks_ = tempoTracks_ = 0;
  if (tracks_.empty()) {
    errorText_ = kNoTracksText;
    wellFormed_ = false;
    return;
  }
  for (std::size_t i = 0; i < tracks_.size(); ++i) {
    const TrackInfo& info = tracks_[i];
    if (info.noteOns > 0) {
      if (info.keySignatures > 0) ++keySignatureTracks_;
      if (!info.polyphonic) {
        usable_.push_back(info.trackNumber);
        usableIndex_.push_back(i);
      }
    } else if (info.timeSignatures > 0 || info.tempos > 0 || info.keySignatures > 0) {
      if (signatureTrackCount_++ == 0) signatureTrack_ = info.trackNumber;
      if (info.keySignatures > 0) ++keySignatureTracks_;
    }
    if (info.timeSignatures > 0) ++timeSignatureTracks_;
    if (info.tempos > 0) ++tempoTracks_;
  }
  wellFormed_ = !usable_.empty();
}

void MidiTrackAnalyser::report() {
  summarise();
  if (tracks_.empty()) return;
  for (const TrackInfo& info : tracks_) printTrack(info);
  printSummary();
}

void MidiTrackAnalyser::printTrack(const TrackInfo& info) const {
  writeLine(out_, "***Track Nr:" + str(info.trackNumber) + " (Name: " + info.trackName +
                      ", Inst.: " + info.instrumentName + ")");
  writeLine(out_, "   - has " + str(info.noteOns) + " notes");
  writeLine(out_, "   - has " + str(info.timeSignatures) + " time signature event(s)");
  writeLine(out_, "   - has " + str(info.tempos) + " tempo event(s)");
  writeLine(out_, "   - has " + str(info.keySignatures) + " key signature event");
  if (info.channel == -2) {
    writeLine(out_, "   - has channel switch");
  } else if (info.channel == -1) {
    writeLine(out_, "   - has no channel");
  } else {
    writeLine(out_, "   - uses channel " + str(info.channel));
  }
  if (info.noteOns > 0) {
    writeLine(out_, info.polyphonic ? "   - is polyphonic" : "   - is monophonic");
    if (!info.polyphonic) writeLine(out_, "   - is usable");
  }
  writeLine(out_, "");
}

void MidiTrackAnalyser::printSummary() const {
  writeLine(out_, "Found " + str(signatureTrackCount_) + " signature track(s)");
  writeLine(out_, "Using signature track " + str(signatureTrack_));
  writeLine(out_, "Found " + str(keySignatureTracks_) + " key signature(s)");
  writeLine(out_, "Found " + str(timeSignatureTracks_) + " time signature(s)");
  writeLine(out_, "Found " + str(tempoTracks_) + " tempo indication(s)");
  writeLine(out_, "Found " + str(static_cast<std::int64_t>(usable_.size())) + " usable tracks");
  writeLine(out_, wellFormed_ ? "File is well-formed" : "File is NOT well-formed");
}

int MidiTrackAnalyser::usableTrack(int k) const {
  if (k < 1 || static_cast<std::size_t>(k) > usable_.size()) return -1;
  return usable_[static_cast<std::size_t>(k - 1)];
}

int MidiTrackAnalyser::chooseTrack(std::istream& in, std::ostream& out) const {
  if (usable_.empty()) return -1;
  if (usable_.size() == 1) return usable_.front();

  writeLine(out, "Found multiple tracks in file!");
  writeLine(out, "Please select");
  writeLine(out, "      Track Nr. TrackName    TrackInstrument");
  for (std::size_t k = 0; k < usable_.size(); ++k) {
    const TrackInfo& info = tracks_[usableIndex_[k]];
    writeLine(out, "   " + str(static_cast<std::int64_t>(k + 1)) + "  " + str(info.trackNumber) +
                       "            " + info.trackName + "            " + info.instrumentName);
  }
  writeLine(out, "");
  writeLine(out, "Select number.");

  // One line of at most 1023 characters; the end of the input reads as an empty line.
  std::string line;
  text::LineReader reader(in);
  if (!reader.next(line)) line.clear();
  const int choice = text::parseIntLenient(text::chompLine(line));
  if (choice == 0) {
    writeLine(out, "No track selected.");
    return -1;
  }
  return usableTrack(choice);
}

}  // namespace suite::tuneport::midi
