#pragma once

#include <memory>

#include "engine.h"
#include "smf_song.h"

namespace tonvex {

// A loaded song and where its next start begins.
class FluidSegment : public Segment {
public:
    explicit FluidSegment(std::shared_ptr<const SmfSong> song);

    void SetStandardMidiFile() override;
    void Download(Performance& performance) override;
    MusicTime GetLength() override;
    void SetStartPoint(MusicTime start) override;

    const std::shared_ptr<const SmfSong>& song() const { return m_song; }
    MusicTime startPoint() const { return m_start; }

private:
    std::shared_ptr<const SmfSong> m_song;
    MusicTime m_start = 0;
};

} // namespace tonvex
