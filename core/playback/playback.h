#pragma once

#include <utility>

#include "engine_lifecycle.h"
#include "engine_slots.h"
#include "main_state.h"
#include "transport.h"
#include "view.h"

namespace tonvex {

// The one owner of the playback state: the paths, PlayPosition, EngineReady, BeatsPerMinute,
// the song's timing and the engine objects. The transport and the engine lifecycle it owns,
// and the input loader, reach them through it.
class Playback {
public:
    Playback(View& view, RootFactory createRoot)
        : m_view(view), m_transport(*this), m_lifecycle(*this, std::move(createRoot))
    {
    }
    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

    MainState& state() { return m_state; }
    const MainState& state() const { return m_state; }
    EngineSlots& engine() { return m_engine; }
    View& view() { return m_view; }
    Transport& transport() { return m_transport; }
    EngineLifecycle& lifecycle() { return m_lifecycle; }

private:
    View& m_view;
    MainState m_state;
    EngineSlots m_engine;
    Transport m_transport;
    EngineLifecycle m_lifecycle;
};

} // namespace tonvex
