#pragma once

#include <cstdint>
#include <memory>

#include <fluidsynth.h>

#include "engine.h"
#include "fluid_core.h"
#include "smf_song.h"

namespace tonvex {

// One start of a song: a fresh FluidSynth player (a stopped player cannot be started again
// reliably), shared by the performance and the segment state it returned.
class FluidPlayback {
public:
    // Creates the player on the song's bytes and starts it at `start` (music time), while
    // nothing renders. Throws EngineError when the player fails.
    FluidPlayback(std::shared_ptr<FluidCore> core, std::shared_ptr<const SmfSong> song,
                  MusicTime start, float tempo);
    ~FluidPlayback();

    FluidPlayback(const FluidPlayback&) = delete;
    FluidPlayback& operator=(const FluidPlayback&) = delete;

    // Position heard: the player's own tick (it follows the rendered audio) less what the
    // output still queues. It stands still once the playback stopped or ended.
    MusicTime position();
    // True until the song's end is heard; reaching the end stops the player and releases
    // hanging notes.
    bool isPlaying();
    // Stops the player and silences the synthesizer at once, effects included.
    void stop();
    void setTempo(float tempo);
    // Deletes the player; only while nothing renders (no driver, or the render lock held).
    void release();

    bool plays(const SmfSong* song) const { return m_song.get() == song; }
    const SmfSong& song() const { return *m_song; }

private:
    struct PlayerDeleter { void operator()(fluid_player_t* p) const { delete_fluid_player(p); } };

    // Music time heard now, from the frames rendered since the start less the output's queue.
    MusicTime heardTime() const;
    // Reads the position a last time and keeps it.
    void freeze();

    std::shared_ptr<FluidCore> m_core;
    std::shared_ptr<const SmfSong> m_song;
    std::unique_ptr<fluid_player_t, PlayerDeleter> m_player;
    std::int64_t m_startTick = 0; // file tick the player's tick 0 stands for
    std::int64_t m_startFrame = 0; // the core's frame count when the player started
    MusicTime m_heard = 0;
    float m_tempo = 1.0f;
    bool m_frozen = false;
    bool m_finished = false;
};

} // namespace tonvex
