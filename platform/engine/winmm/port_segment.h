#pragma once

#include <memory>

#include "engine.h"
#include "song_timeline.h"

namespace tonvex {

// A loaded song and where its next start begins.
class PortSegment : public Segment {
public:
    explicit PortSegment(std::shared_ptr<const SongTimeline> timeline);

    void SetStandardMidiFile() override;
    void Download(Performance& performance) override;
    MusicTime GetLength() override;
    void SetStartPoint(MusicTime start) override;

    const std::shared_ptr<const SongTimeline>& timeline() const { return m_timeline; }
    MusicTime startPoint() const { return m_start; }

private:
    std::shared_ptr<const SongTimeline> m_timeline;
    MusicTime m_start = 0;
};

} // namespace tonvex
