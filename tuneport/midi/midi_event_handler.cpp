#include "tuneport/midi/midi_event_handler.h"

#include <cstddef>

namespace suite::tuneport::midi {
namespace {

// Byte i of a meta event's data, 0 when the event is shorter.
int byteAt(std::span<const std::uint8_t> data, std::size_t i) {
  return i < data.size() ? data[i] : 0;
}

// Controllers 120..127 are the channel mode messages.
constexpr int kFirstChannelModeController = 0x78;

}  // namespace

void MidiEventHandler::channelMode(const MidiMessage&) {}
void MidiEventHandler::noteOn(const MidiMessage&) {}
void MidiEventHandler::noteOff(const MidiMessage&) {}
void MidiEventHandler::polyPressure(const MidiMessage&) {}
void MidiEventHandler::pitchBend(const MidiMessage&) {}
void MidiEventHandler::programChange(const MidiMessage&) {}
void MidiEventHandler::channelPressure(const MidiMessage&) {}
void MidiEventHandler::controlChange(const MidiMessage&) {}
void MidiEventHandler::sysEx(std::int32_t, std::span<const std::uint8_t>) {}
void MidiEventHandler::escapeData(std::int32_t, std::span<const std::uint8_t>) {}
void MidiEventHandler::otherMeta(std::int32_t, int, std::span<const std::uint8_t>) {}
void MidiEventHandler::sequenceNumber(std::int32_t, int) {}
void MidiEventHandler::smpteOffset(std::int32_t, int, int, int, int, int) {}
void MidiEventHandler::timeSignature(std::int32_t, int, int, int, int) {}
void MidiEventHandler::tempo(std::int32_t, std::int32_t) {}
void MidiEventHandler::keySignature(std::int32_t, int, int) {}
void MidiEventHandler::sequencerSpecific(std::int32_t, std::span<const std::uint8_t>) {}
void MidiEventHandler::text(std::int32_t, int, std::string_view) {}
void MidiEventHandler::endOfTrack(std::int32_t) {}
void MidiEventHandler::error(std::string_view) {}
void MidiEventHandler::trackStart(int) {}
void MidiEventHandler::trackEnd(int) {}
void MidiEventHandler::header(int, int, int) {}
void MidiEventHandler::deltaTime(std::int32_t) {}

void MidiEventHandler::metaEvent(std::int32_t time, int type,
                                 std::span<const std::uint8_t> data) {
  const auto b = [data](std::size_t i) { return byteAt(data, i); };
  if (type == 0x00) {
    sequenceNumber(time, (b(0) << 8) | b(1));
  } else if (type >= 0x01 && type <= 0x0F) {
    text(time, type, std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
  } else if (type == 0x21 || type == 0x2E) {
    // MIDI port and an obsolete type: nothing to report.
  } else if (type == 0x2F) {
    endOfTrack(time);
  } else if (type == 0x51) {
    tempo(time, (b(0) << 16) | (b(1) << 8) | b(2));
  } else if (type == 0x54) {
    smpteOffset(time, b(0), b(1), b(2), b(3), b(4));
  } else if (type == 0x58) {
    timeSignature(time, b(0), b(1), b(2), b(3));
  } else if (type == 0x59) {
    keySignature(time, static_cast<std::int8_t>(b(0)), b(1));
  } else if (type == 0x7F) {
    sequencerSpecific(time, data);
  } else {
    otherMeta(time, type, data);
  }
}

void MidiEventHandler::channelMessage(const MidiMessage& message) {
  switch (message.command()) {
    case 0x80: noteOff(message); break;
    case 0x90:
      if (message.data2 == 0) {
        noteOff(message);
      } else {
        noteOn(message);
      }
      break;
    case 0xA0: polyPressure(message); break;
    case 0xB0:
      if (message.data1 >= kFirstChannelModeController) {
        channelMode(message);
      } else {
        controlChange(message);
      }
      break;
    case 0xC0: programChange(message); break;
    case 0xD0: channelPressure(message); break;
    case 0xE0: pitchBend(message); break;
    default: break;
  }
}

}  // namespace suite::tuneport::midi
