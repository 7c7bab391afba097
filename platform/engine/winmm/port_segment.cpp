#include "port_segment.h"

#include "port_performance.h"

namespace tonvex {

PortSegment::PortSegment(std::shared_ptr<const SongTimeline> timeline) : m_timeline(std::move(timeline)) {}

void PortSegment::SetStandardMidiFile()
{
    // Every segment of this engine is a Standard MIDI File already.
}

void PortSegment::Download(Performance& performance)
{
    auto* port = dynamic_cast<PortPerformance*>(&performance);
    if (!port)
        throw EngineError("not a performance of this engine");
    port->prepare(m_timeline);
}

MusicTime PortSegment::GetLength()
{
    return m_timeline->song().length();
}

void PortSegment::SetStartPoint(MusicTime start)
{
    // The start must lie inside the song; 0 is always allowed, even for an empty song.
    if (start < 0 || (start > 0 && start >= GetLength()))
        throw EngineError("start point outside the song");
    m_start = start;
}

} // namespace tonvex
