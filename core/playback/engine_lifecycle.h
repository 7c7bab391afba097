#pragma once

#include "engine.h"

namespace tonvex {

class Playback;

// Builds and tears down the engine objects; at most one performance is open at a time.
class EngineLifecycle {
public:
    EngineLifecycle(Playback& playback, RootFactory createRoot);

    // Creates the performance and loader and opens audio; on failure the objects stay as they were.
    void Initialize();
    // Stops playback, shuts the performance down and empties it with the segment and its state.
    void CloseDevice();

private:
    Playback& m_playback;
    RootFactory m_createRoot;
};

} // namespace tonvex
