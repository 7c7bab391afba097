#pragma once

#include <memory>

#include "engine.h"
#include "fluid_playback.h"

namespace tonvex {

// The state of one start of a segment; it may outlive the performance that made it.
class FluidSegmentState : public SegmentState {
public:
    explicit FluidSegmentState(std::shared_ptr<FluidPlayback> playback);

    MusicTime GetSeek() override;

    FluidPlayback& playback() const { return *m_playback; }

private:
    std::shared_ptr<FluidPlayback> m_playback;
};

} // namespace tonvex
