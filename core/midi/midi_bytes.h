#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

// The one vocabulary of MIDI bytes: the copier, the sequencer, the loader and the engines
// take their status bytes, meta types, controllers and default tempo from here.
namespace tonvex::midi {

inline constexpr std::array<std::uint8_t, 4> kHeaderId{'M', 'T', 'h', 'd'}; // file header chunk
inline constexpr std::array<std::uint8_t, 4> kTrackId{'M', 'T', 'r', 'k'};  // track chunk
inline constexpr std::uint32_t kMinHeaderLength = 6; // format, track count, division
// A file's first bytes: "MThd", the header length, then format, track count and division.
inline constexpr std::size_t kHeaderChunkBytes = 8 + kMinHeaderLength;

inline constexpr std::uint8_t kStatusBit = 0x80;       // set on status bytes, clear on data bytes
inline constexpr std::uint8_t kDataBits = 0x7F;        // payload of a data or quantity byte

// Channel messages, channel 0; the low four bits carry the channel.
inline constexpr std::uint8_t kNoteOff = 0x80;
inline constexpr std::uint8_t kNoteOn = 0x90;
inline constexpr std::uint8_t kPolyPressure = 0xA0;    // first status after note-off 0x8n, note-on 0x9n
inline constexpr std::uint8_t kControlChange = 0xB0;
inline constexpr std::uint8_t kProgramChange = 0xC0;   // one data byte
inline constexpr std::uint8_t kChannelPressure = 0xD0; // one data byte
inline constexpr std::uint8_t kPitchBend = 0xE0;
inline constexpr std::uint8_t kChannelMask = 0x0F;     // channel bits of a channel status
inline constexpr std::uint8_t kTypeMask = 0xF0;        // message bits of a channel status
inline constexpr int kChannels = 16;

// Controller numbers of a control change.
inline constexpr std::uint8_t kVolume = 7;
inline constexpr std::uint8_t kExpression = 11;
inline constexpr std::uint8_t kSustain = 64;           // pedal down from 64 on
inline constexpr std::uint8_t kAllSoundOff = 120;

// System and file events.
inline constexpr std::uint8_t kSysEx = 0xF0;           // length-prefixed system exclusive
inline constexpr std::uint8_t kSysExEscape = 0xF7;     // continuation / escape, length-prefixed
inline constexpr std::uint8_t kMeta = 0xFF;            // meta event in a file

// Meta event types.
inline constexpr std::uint8_t kMetaText = 0x01;
inline constexpr std::uint8_t kMetaLyric = 0x05;
inline constexpr std::uint8_t kMetaEndOfTrack = 0x2F;  // closes a track chunk
inline constexpr std::uint8_t kMetaTempo = 0x51;       // microseconds per quarter note, 3 bytes
inline constexpr std::uint8_t kMetaSmpteOffset = 0x54;
inline constexpr std::uint8_t kMetaTimeSignature = 0x58;
inline constexpr std::uint8_t kMetaKeySignature = 0x59;
inline constexpr std::uint8_t kTempoLength = 3;        // data bytes of a tempo event

// Tempo of a file without a tempo event: 120 quarter notes per minute.
inline constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000;
inline constexpr double kMicrosPerMinute = 60000000.0;
inline constexpr double kDefaultBeatsPerMinute = kMicrosPerMinute / kDefaultMicrosPerQuarter;

inline constexpr int kPercussionChannel = 10; // never transformed
inline constexpr int kReverseLowChannel = 2;  // Reverse reflects it about 42 instead
inline constexpr int kReverseLowPivot = 84;
inline constexpr int kHighestNote = 127;
inline constexpr int kOctave = 12;

inline constexpr int kMaxQuantityBytes = 4; // a variable-length quantity holds 28 bits at most

inline constexpr std::uint8_t kHighestMetaType = 0x7F; // meta types are 7-bit

// Meta types a file may carry: any 7-bit type. 0x08..0x0F are text types that real files use
// (program and device names); readers skip the rest of them by their length.
constexpr bool isAcceptedMetaType(std::uint8_t type)
{
    return type <= kHighestMetaType;
}

// Data bytes after a channel status byte: one for program change and channel pressure.
constexpr int channelDataBytes(std::uint8_t status)
{
    const std::uint8_t type = status & kTypeMask;
    return (type == kProgramChange || type == kChannelPressure) ? 1 : 2;
}

// Controllers that act in sequence rather than as a lasting value: bank select (taken up by
// the next program change), data entry and the parameter numbers it writes to, and the
// channel mode messages from 120 on.
inline constexpr std::uint8_t kBankSelect = 0;
inline constexpr std::uint8_t kBankSelectFine = 32;
inline constexpr std::uint8_t kDataEntry = 6;
inline constexpr std::uint8_t kDataEntryFine = 38;
inline constexpr std::uint8_t kDataIncrement = 96;           // first of 96..101: increment,
inline constexpr std::uint8_t kRegisteredParameterMsb = 101; // decrement, NRPN and RPN numbers
inline constexpr std::uint8_t kFirstChannelMode = 120;
inline constexpr std::uint8_t kResetAllControllers = 121;
inline constexpr std::uint8_t kAllNotesOff = 123;
inline constexpr std::uint8_t kHighestDataByte = 0x7F;

inline constexpr std::uint8_t kEndOfExclusive = 0xF7; // last byte of a system exclusive message
// General MIDI System On: every part of the receiver back to its defaults.
inline constexpr std::array<std::uint8_t, 6> kGeneralMidiOn{0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};

// SMPTE division: the high bit of the division's first byte is set, the byte is minus the
// frames per second (-29 for 30 drop-frame, which runs at 29.97) and the second byte counts
// the ticks per frame.
inline constexpr std::uint8_t kSmpteDivisionBit = 0x80;
inline constexpr int kSmpte24 = 24;
inline constexpr int kSmpte25 = 25;
inline constexpr int kSmpte30DropFrame = 29;
inline constexpr int kSmpte30 = 30;

} // namespace tonvex::midi
