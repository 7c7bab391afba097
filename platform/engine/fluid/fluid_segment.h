#pragma once

#include <memory>

#include "engine.h"
#include "smf_song.h"
#include "song_survey.h"

namespace tonvex {

// A loaded song, what it asks of the synthesizer, and where its next start begins.
class FluidSegment : public Segment {
public:
    explicit FluidSegment(std::shared_ptr<const SmfSong> song);

    void SetStandardMidiFile() override;
    void Download(Performance& performance) override;
    MusicTime GetLength() override;
    void SetStartPoint(MusicTime start) override;

    const std::shared_ptr<const SmfSong>& song() const { return m_song; }
    const SongSurvey& survey() const { return m_survey; }
    MusicTime startPoint() const { return m_start; }

private:
    std::shared_ptr<const SmfSong> m_song;
    SongSurvey m_survey;
    MusicTime m_start = 0;
};

} // namespace tonvex
