#include "fluid_segment.h"

#include "fluid_performance.h"

namespace tonvex {

FluidSegment::FluidSegment(std::shared_ptr<const SmfSong> song) : m_song(std::move(song)), m_survey(m_song->bytes()) {}

void FluidSegment::SetStandardMidiFile()
{
    // Every segment of this engine is a Standard MIDI File already.
}

void FluidSegment::Download(Performance& performance)
{
    auto* fluid = dynamic_cast<FluidPerformance*>(&performance);
    if (!fluid)
        throw EngineError("not a performance of this engine");
    fluid->prepare(*this);
}

MusicTime FluidSegment::GetLength()
{
    return m_song->length();
}

void FluidSegment::SetStartPoint(MusicTime start)
{
    // The start must lie inside the song; 0 is always allowed, even for an empty song.
    if (start < 0 || (start > 0 && start >= m_song->length()))
        throw EngineError("start point outside the song");
    m_start = start;
}

} // namespace tonvex
