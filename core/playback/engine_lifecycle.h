#pragma once

#include "engine_slots.h"
#include "main_state.h"
#include "transport.h"
#include "view.h"

namespace tonvex {

// Builds and tears down the engine objects; at most one performance is open at a time.
class EngineLifecycle {
public:
    EngineLifecycle(MainState& state, EngineSlots& engine, View& view, Transport& transport,
                    RootFactory createRoot);

    // Creates the performance and loader and opens audio; on failure the objects stay as they were.
    void Initialize();
    // Stops playback, shuts the performance down and empties it with the segment and its state.
    void CloseDevice();

private:
    MainState& m_state;
    EngineSlots& m_engine;
    View& m_view;
    Transport& m_transport;
    RootFactory m_createRoot;
};

} // namespace tonvex
