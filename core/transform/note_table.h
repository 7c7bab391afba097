#pragma once

#include <array>
#include <cstdint>

#include "midi_bytes.h"
#include "preset.h"

namespace tonvex {

// mapNote for a preset worked out once for every channel and byte, so that the copier's
// direct path looks a note number up instead of computing it.
class NoteTable {
public:
    explicit NoteTable(const Preset& preset);

    // What the first data byte after channel status `status` (0x80..0xEF) becomes: the
    // transformed note number after a note-off or note-on, the byte itself after any other
    // status. Indexed by the data byte, all 256 values.
    const std::uint8_t* forStatus(std::uint8_t status) const
    {
        return status < midi::kPolyPressure ? m_notes[status & midi::kChannelMask].data() : m_unchanged.data();
    }

private:
    static constexpr int kChannels = 16;
    static constexpr int kByteValues = 256;
    using Row = std::array<std::uint8_t, kByteValues>;

    std::array<Row, kChannels> m_notes{}; // per channel 0..15
    Row m_unchanged{};
};

} // namespace tonvex
