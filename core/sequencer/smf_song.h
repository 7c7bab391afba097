#pragma once

#include <cstdint>
#include <vector>

#include "engine.h"

namespace tonvex {

// A tempo in force from a file tick on.
struct TempoChange {
    std::int64_t tick = 0;
    std::uint32_t microsPerQuarter = 0;
};

// A Standard MIDI File as the synthesizer will play it: its bytes, division, tempo map and
// end. The reading follows FluidSynth 2.3's own reader, so a file accepted here is one the
// player will not refuse.
class SmfSong {
public:
    // Parses the bytes; throws EngineError for a file the player cannot play.
    static SmfSong parse(std::vector<std::uint8_t> bytes);

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    // File ticks per quarter note.
    int division() const { return m_division; }
    // File tick of the last event the player sends.
    std::int64_t endTick() const { return m_endTick; }
    // Tempo changes in the order the player applies them.
    const std::vector<TempoChange>& tempoMap() const { return m_tempoMap; }

    // The file as it would be if it began at `startTick`: every state-setting event before it
    // (program, controller, tempo, system exclusive) moved to the new beginning, notes before
    // it dropped, later events shifted. The player's own seek loses time after a tempo event.
    std::vector<std::uint8_t> bytesFrom(std::int64_t startTick) const;

    // The song's end in music time.
    MusicTime length() const { return toMusicTime(m_endTick); }
    // File ticks to music time, floored and kept within 32 bits.
    MusicTime toMusicTime(std::int64_t tick) const;
    // Music time to file ticks, floored; negative times give 0.
    std::int64_t toFileTick(MusicTime time) const;
    // Quarter notes per minute in force at the music time (120 before any tempo event).
    double tempoAt(MusicTime time) const;
    // Seconds of music from the start to the music time, following the tempo map; 0 for
    // negative times.
    double secondsAt(MusicTime time) const;

private:
    SmfSong() = default;

    std::vector<std::uint8_t> m_bytes;
    int m_division = 0;
    std::int64_t m_endTick = 0;
    std::vector<TempoChange> m_tempoMap;
};

} // namespace tonvex
