#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine.h"

namespace tonvex {

// A tempo in force from a file tick on.
struct TempoChange {
    std::int64_t tick = 0;
    std::uint32_t microsPerQuarter = 0;
};

// A channel message or system exclusive message of the file, as a synthesizer gets it.
struct PlayableEvent {
    std::int64_t tick = 0;
    std::uint32_t offset = 0; // where its bytes after the status byte begin in the file
    std::uint32_t size = 0;   // how many: the data bytes, or a system exclusive's payload
    std::uint8_t status = 0;  // running status resolved
};

// A Standard MIDI File as the synthesizer will play it: its bytes, division, tempo map and
// end. The reading follows FluidSynth 2.3's own reader, so a file accepted here is one the
// player will not refuse. A file in SMPTE time (frames per second and ticks per frame) is
// read as its metrical equivalent: a division of ticks per second at one tempo of a quarter
// note a second (1.001 s at 29.97 frames per second), its own tempo events ignored.
class SmfSong {
public:
    // Parses the bytes; throws EngineError for a file the player cannot play.
    static SmfSong parse(std::vector<std::uint8_t> bytes);

    const std::vector<std::uint8_t>& bytes() const { return m_bytes; }
    // File ticks per quarter note (of the equivalent tempo for SMPTE time).
    int division() const { return m_division; }
    // Whether the file counts its ticks in SMPTE frames.
    bool smpte() const { return m_smpte; }
    // File tick of the last event the player sends.
    std::int64_t endTick() const { return m_endTick; }
    // Tempo changes in the order the player applies them.
    const std::vector<TempoChange>& tempoMap() const { return m_tempoMap; }

    // The file as it would be if it began at `startTick`: every state-setting event before it
    // (program, controller, tempo, system exclusive) moved to the new beginning, notes before
    // it dropped, later events shifted. The player's own seek loses time after a tempo event.
    // A file in SMPTE time comes out in its metrical equivalent, which the player accepts.
    std::vector<std::uint8_t> bytesFrom(std::int64_t startTick) const;

    // The channel and system exclusive messages of every track, merged in the order they are
    // played: by tick, and at one tick by track. Meta events and empty system exclusives are
    // left out.
    std::vector<PlayableEvent> playableEvents() const;
    // The bytes of one of those events after its status byte.
    std::span<const std::uint8_t> dataOf(const PlayableEvent& event) const;

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
    // Microseconds of music from the start to the file tick, following the tempo map; 0 for
    // negative ticks.
    double microsAt(std::int64_t tick) const;
    // The file tick reached after that many microseconds of music, floored; 0 for negative
    // times.
    std::int64_t tickAt(double micros) const;

private:
    // A stretch of the song at one tempo.
    struct TempoSpan {
        std::int64_t tick = 0;
        std::uint32_t microsPerQuarter = 0;
        double startMicros = 0.0;
    };

    SmfSong() = default;
    void mapTime();
    const TempoSpan& spanAtTick(std::int64_t tick) const;

    std::vector<std::uint8_t> m_bytes;
    int m_division = 0;
    bool m_smpte = false;
    std::int64_t m_endTick = 0;
    std::vector<TempoChange> m_tempoMap;
    std::vector<TempoSpan> m_spans; // never empty once parsed
};

} // namespace tonvex
