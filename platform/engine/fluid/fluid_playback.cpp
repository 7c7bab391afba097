#include "fluid_playback.h"

#include <algorithm>
#include <chrono>

namespace tonvex {
namespace {
constexpr int kAllChannels = -1; // FluidSynth's channel wildcard
} // namespace

FluidPlayback::FluidPlayback(std::shared_ptr<FluidCore> core, std::shared_ptr<const SmfSong> song,
                             MusicTime start, float tempo)
    : m_core(std::move(core)), m_song(std::move(song)), m_tempo(tempo)
{
    m_player.reset(new_fluid_player(m_core->synth()));
    if (!m_player)
        throw EngineError("cannot create a player");
    m_startTick = std::min(m_song->toFileTick(start), m_song->endTick());
    m_heard = m_song->toMusicTime(m_startTick);
    m_startFrame = m_core->framesRendered(); // made under the render lock: no frame slips by
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

MusicTime FluidPlayback::heardTime() const
{
    // The player's clock follows the rendered frames too, but stops at the song's end while
    // its last moments still wait in the output's queue.
    const MusicTime start = m_song->toMusicTime(m_startTick);
    const double rendered = double(m_core->framesRendered() - m_startFrame) / m_core->sampleRate();
    const double heard = rendered - std::chrono::duration<double>(m_core->outputLatency()).count();
    if (heard <= 0.0)
        return start;
    const double target = m_song->secondsAt(start) + heard * m_tempo;
    MusicTime low = start;
    MusicTime high = m_song->length();
    if (target >= m_song->secondsAt(high))
        return high;
    // The latest time heard by then, along the tempo map: secondsAt(low) <= target < secondsAt(high).
    while (high - low > 1) {
        const MusicTime middle = low + (high - low) / 2;
        (m_song->secondsAt(middle) <= target ? low : high) = middle;
    }
    return low;
}

MusicTime FluidPlayback::position()
{
    if (m_player && !m_frozen)
        m_heard = heardTime();
    return m_heard;
}

void FluidPlayback::freeze()
{
    position();
    m_frozen = true;
}

bool FluidPlayback::isPlaying()
{
    if (!m_player || m_finished)
        return false;
    const bool running = fluid_player_get_status(m_player.get()) == FLUID_PLAYER_PLAYING;
    if (running && position() < m_song->length())
        return true;
    // The player itself reports the end only after the last voices died away, or never.
    m_finished = true;
    freeze();
    fluid_player_stop(m_player.get());
    fluid_synth_all_notes_off(m_core->synth(), kAllChannels);
    return false;
}

void FluidPlayback::stop()
{
    if (m_player) {
        freeze();
        fluid_player_stop(m_player.get());
    }
    m_finished = true;
    fluid_synth_all_sounds_off(m_core->synth(), kAllChannels);
    // Killing the voices leaves the reverb and chorus ringing for a good 100 ms; the reset
    // clears them (and the core again once the cut voices have faded, see
    // FluidCore::clearEffectsWhenSilent). The next start replays the song's own programs and
    // controllers.
    fluid_synth_system_reset(m_core->synth());
}

void FluidPlayback::setTempo(float tempo)
{
    m_tempo = tempo;
    if (m_player)
        fluid_player_set_tempo(m_player.get(), FLUID_PLAYER_TEMPO_INTERNAL, tempo);
}

void FluidPlayback::release()
{
    if (!m_player)
        return;
    freeze();
    fluid_player_stop(m_player.get());
    m_player.reset();
    m_finished = true;
}

} // namespace tonvex
