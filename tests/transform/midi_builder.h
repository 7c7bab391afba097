#pragma once

// Small helpers to write Standard MIDI File bytes by hand in tests, and to run the
// stream-level transformation on them.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "memory_byte_sink.h"
#include "memory_byte_source.h"
#include "preset.h"
#include "stream_run.h"

namespace tonvex::test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

inline Bytes bigEndian(std::uint32_t value, int size)
{
    Bytes bytes;
    for (int shift = 8 * (size - 1); shift >= 0; shift -= 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return bytes;
}

inline Bytes ascii(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

// "MThd", length 6, format, track count, division 96.
inline Bytes header(std::uint16_t trackCount, std::uint16_t format = 1)
{
    return concat({ascii("MThd"), bigEndian(6, 4), bigEndian(format, 2), bigEndian(trackCount, 2), bigEndian(96, 2)});
}

// A chunk with the given identifier and body; the length field is the body's size.
inline Bytes chunk(const std::string& id, const Bytes& body)
{
    return concat({ascii(id), bigEndian(static_cast<std::uint32_t>(body.size()), 4), body});
}

inline const Bytes kEndOfTrack{0x00, 0xFF, 0x2F, 0x00};

// A track chunk holding `events` and an end-of-track event.
inline Bytes track(const Bytes& events)
{
    return chunk("MTrk", concat({events, kEndOfTrack}));
}

// A format-0 file of one track holding `events`.
inline Bytes singleTrack(const Bytes& events)
{
    return concat({header(1, 0), track(events)});
}

inline Preset presetFor(PresetId id)
{
    Preset preset;
    selectPreset(id, preset);
    return preset;
}

inline constexpr PresetId kMirror = PresetId::Mirror;
inline constexpr PresetId kReverse = PresetId::Reverse;
inline constexpr PresetId kUpside = PresetId::Upside;
inline constexpr PresetId kWhole = PresetId::Whole;
inline constexpr PresetId kPenta = PresetId::Penta;

struct StreamOutcome {
    RunStatus status = RunStatus::CannotRead;
    Bytes output;
    std::uint64_t consumed = 0; // input bytes the run read
    std::string refusal;
};

// The run with a second reader of the input in windows of the same size.
inline StreamOutcome runStream(const Bytes& input, const Preset& preset, const YieldHook& yield = {},
                               std::size_t window = static_cast<std::size_t>(-1))
{
    MemoryByteSource in(input, window);
    MemoryByteSink out;
    StreamOutcome outcome;
    const ReaderOpener openAgain = [&input, window] { return std::make_unique<MemoryByteSource>(input, window); };
    outcome.status = transformStream(in, out, preset, yield, openAgain, &outcome.refusal);
    out.flush();
    outcome.output = out.bytes();
    outcome.consumed = in.position();
    return outcome;
}

inline StreamOutcome runStream(const Bytes& input, PresetId id)
{
    return runStream(input, presetFor(id));
}

} // namespace tonvex::test
