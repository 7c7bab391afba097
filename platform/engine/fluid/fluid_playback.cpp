#include "fluid_playback.h"

#include <algorithm>

namespace tonvex {
namespace {
constexpr int kAllChannels = -1; // FluidSynth's channel wildcard
} // namespace

FluidPlayback::FluidPlayback(std::shared_ptr<FluidCore> core, std::shared_ptr<const SmfSong> song,
                             MusicTime start, float tempo)
    : m_core(std::move(core)), m_song(std::move(song))
{
    m_player.reset(new_fluid_player(m_core->synth()));
    if (!m_player)
        throw EngineError("cannot create a player");
    m_startTick = std::min(m_song->toFileTick(start), m_song->endTick());
    m_lastTick = m_startTick;
    // The player gets the song as if it began at the start point: its own seek runs the
    // clock slow after a tempo event and skips notes on the target tick.
    const std::vector<std::uint8_t> bytes = m_song->bytesFrom(m_startTick);
    if (fluid_player_add_mem(m_player.get(), bytes.data(), bytes.size()) != FLUID_OK)
        throw EngineError("the player does not take the song");
    fluid_player_set_tempo(m_player.get(), FLUID_PLAYER_TEMPO_INTERNAL, tempo);
    if (fluid_player_play(m_player.get()) != FLUID_OK)
        throw EngineError("cannot start the player");
}

FluidPlayback::~FluidPlayback() = default;

std::int64_t FluidPlayback::currentTick()
{
    if (m_player)
        m_lastTick = m_startTick + std::max(fluid_player_get_current_tick(m_player.get()), 0);
    return std::min(m_lastTick, m_song->endTick());
}

MusicTime FluidPlayback::position()
{
    return m_song->toMusicTime(currentTick());
}

bool FluidPlayback::isPlaying()
{
    if (!m_player || m_finished)
        return false;
    const bool running = fluid_player_get_status(m_player.get()) == FLUID_PLAYER_PLAYING;
    const std::int64_t tick = m_startTick + fluid_player_get_current_tick(m_player.get());
    if (running && tick < m_song->endTick())
        return true;
    // The player itself reports the end only after the last voices died away, or never.
    m_finished = true;
    currentTick();
    fluid_player_stop(m_player.get());
    fluid_synth_all_notes_off(m_core->synth(), kAllChannels);
    return false;
}

void FluidPlayback::stop()
{
    if (m_player) {
        currentTick();
        fluid_player_stop(m_player.get());
    }
    m_finished = true;
    fluid_synth_all_sounds_off(m_core->synth(), kAllChannels);
    // Killing the voices leaves the reverb and chorus ringing for a good 100 ms; the reset
    // clears them too. The next start replays the song's own programs and controllers.
    fluid_synth_system_reset(m_core->synth());
}

void FluidPlayback::setTempo(float tempo)
{
    if (m_player)
        fluid_player_set_tempo(m_player.get(), FLUID_PLAYER_TEMPO_INTERNAL, tempo);
}

void FluidPlayback::release()
{
    if (!m_player)
        return;
    currentTick();
    fluid_player_stop(m_player.get());
    m_player.reset();
    m_finished = true;
}

} // namespace tonvex
