#pragma once

#include "engine.h"

namespace tonvex {

// The engine's object variables. Each holds at most one object; storing into one releases
// what it held. Declared so that destruction runs state, segment, loader, performance, root.
struct EngineSlots {
    std::unique_ptr<MusicRoot> DirectXRoot;
    std::unique_ptr<Performance> MusicPerformance;
    std::unique_ptr<Loader> MusicLoader;
    std::unique_ptr<Segment> SongSegment;
    std::unique_ptr<SegmentState> SongState;
};

} // namespace tonvex
