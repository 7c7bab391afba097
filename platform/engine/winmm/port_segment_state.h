#pragma once

#include <memory>

#include "engine.h"
#include "port_playback.h"

namespace tonvex {

// The state of one start of a segment; it may outlive the performance that made it.
class PortSegmentState : public SegmentState {
public:
    explicit PortSegmentState(std::shared_ptr<PortPlayback> playback);

    MusicTime GetSeek() override;

    PortPlayback& playback() const { return *m_playback; }

private:
    std::shared_ptr<PortPlayback> m_playback;
};

} // namespace tonvex
