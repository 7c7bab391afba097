#include "port_segment_state.h"

namespace tonvex {

PortSegmentState::PortSegmentState(std::shared_ptr<PortPlayback> playback) : m_playback(std::move(playback)) {}

MusicTime PortSegmentState::GetSeek()
{
    return m_playback->position();
}

} // namespace tonvex
