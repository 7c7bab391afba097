#include "engine_lifecycle.h"

#include <utility>

#include "playback.h"
#include "skip.h"

namespace tonvex {

EngineLifecycle::EngineLifecycle(Playback& playback, RootFactory createRoot)
    : m_playback(playback), m_createRoot(std::move(createRoot))
{
}

void EngineLifecycle::Initialize()
{
    auto& e = m_playback.engine();
    // The root lives for the whole run: it keeps what is costly to load again.
    if (!e.DirectXRoot)
        attempt([&] { e.DirectXRoot = m_createRoot(); });
    attempt([&] { e.MusicPerformance = need(e.DirectXRoot).DirectMusicPerformanceCreate(); });
    attempt([&] { e.MusicLoader = need(e.DirectXRoot).DirectMusicLoaderCreate(); });
    attempt([&] {
        need(e.MusicPerformance).InitAudio(kAudioFeaturesAll, AudioParams{}, kPathDynamicStereo, kPerformanceChannels);
    });
    attempt([&] { need(e.MusicPerformance).AddNotificationType(kNotifySegment); });
    attempt([&] { need(e.MusicPerformance).AddNotificationType(kNotifyPerformance); });
}

void EngineLifecycle::CloseDevice()
{
    auto& e = m_playback.engine();
    m_playback.transport().StopMidiFile();
    if (m_playback.state().EngineReady) {
        attempt([&] { need(e.MusicPerformance).StopEx(need(e.SongSegment), 0, 0); });
        attempt([&] { need(e.MusicPerformance).CloseDown(); });
        // Handlers may run here and replace the slots; nothing below holds on to them.
        m_playback.view().processEvents();
    }
    e.MusicPerformance.reset();
    e.SongSegment.reset();
    e.SongState.reset();
}

} // namespace tonvex
