#include "fluid_segment_state.h"

namespace tonvex {

FluidSegmentState::FluidSegmentState(std::shared_ptr<FluidPlayback> playback)
    : m_playback(std::move(playback))
{
}

MusicTime FluidSegmentState::GetSeek()
{
    return m_playback->position();
}

} // namespace tonvex
