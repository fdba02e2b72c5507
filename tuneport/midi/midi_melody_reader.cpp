#include "tuneport/midi/midi_melody_reader.h"

#include <array>
#include <cstddef>
#include <fstream>
#include <new>
#include <utility>
#include <vector>

#include "tuneport/midi/midi_file_parser.h"
#include "tuneport/midi/midi_melody_builder.h"
#include "tuneport/midi/midi_track_analyser.h"
#include "tuneport/model/validation.h"

namespace suite::tuneport::midi {
namespace {

void writeLine(std::ostream& out, std::string_view text) {
  out << text << '\n';
  out.flush();
}

// The track to extract, or -1 with the reason in errorText where there is one.
int selectTrack(const MidiTrackAnalyser& analyser, const model::ConversionSettings& settings,
                const model::ConsoleStreams& console, std::string& errorText) {
  if (settings.track <= 0) return analyser.chooseTrack(console.in, console.out);
  const int track = analyser.usableTrack(settings.track);
  if (track < 0) {
    errorText = "No usable track " + std::to_string(settings.track) + ": the file has " +
                std::to_string(analyser.usableTracks().size()) + " usable track(s)";
  }
  return track;
}

}  // namespace

bool readMidiMelody(const std::string& fileName, const model::ConversionSettings& settings,
                    const model::ConsoleStreams& console, model::ConverterMelody& melody,
                    std::string& errorText) {
  std::vector<std::uint8_t> bytes;
  try {
    std::ifstream in(fileName, std::ios::binary);
    std::array<char, 1 << 16> chunk;
    while (in.read(chunk.data(), chunk.size()) || in.gcount() > 0) {
      const auto count = static_cast<std::size_t>(in.gcount());
      if (bytes.size() + count > model::kMaxInputFileBytes) {
        errorText = model::kFileTooLargeText;
        return false;
      }
      bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(count));
    }
  } catch (const std::bad_alloc&) {
    errorText = "Out of memory";
    return false;
  }
  return readMidiMelodyBytes(bytes, settings, console, melody, errorText);
}

bool readMidiMelodyBytes(std::span<const std::uint8_t> bytes,
                         const model::ConversionSettings& settings,
                         const model::ConsoleStreams& console, model::ConverterMelody& melody,
                         std::string& errorText) {
  errorText.clear();
  if (!model::validQuantisationLevel(settings.quantize)) {
    errorText = "Invalid quantisation level: " + std::to_string(settings.quantize);
    return false;
  }

  MidiTrackAnalyser analyser(console.out);
  if (!readMidiBytes(bytes, analyser)) errorText = analyser.errorText();
  analyser.report();
  if (!analyser.wellFormed()) {
    errorText = kSourceNotUsableText;
    return false;
  }
  if (const std::string problem = divisionProblem(analyser.division()); !problem.empty()) {
    errorText = problem;
    return false;
  }
  const int track = selectTrack(analyser, settings, console, errorText);
  if (track < 0) return false;

  writeLine(console.out, "Extracting track " + std::to_string(track) + "...");
  MidiMelodyBuilder builder(track, analyser.signatureTrack(), settings, console.err);
  if (!readMidiBytes(bytes, builder)) errorText = builder.errorText();
  model::ConverterMelody result;
  builder.buildMelody(result);
  if (result.empty()) {
    writeLine(console.out, kMelodyEmptyText);
    return false;
  }
  std::string problem;
  if (!model::validateMelody(result, problem) || !result.quantise(settings.quantize)) {
    errorText = problem;
    return false;
  }
  melody = std::move(result);
  return true;
}

}  // namespace suite::tuneport::midi
