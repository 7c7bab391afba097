#include "note_table.h"

#include "note_mapping.h"

namespace tonvex {

NoteTable::NoteTable(const Preset& preset)
{
    for (int value = 0; value < kByteValues; ++value) {
        const auto byte = static_cast<std::uint8_t>(value);
        m_unchanged[value] = byte;
        for (int channel = 0; channel < kChannels; ++channel)
            m_notes[channel][value] = mapNote(preset, byte, channel + 1);
    }
}

} // namespace tonvex
