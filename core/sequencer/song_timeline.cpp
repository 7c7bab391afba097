#include "song_timeline.h"

namespace tonvex {

SongTimeline::SongTimeline(std::shared_ptr<const SmfSong> song)
    : m_song(std::move(song)), m_events(m_song->playableEvents())
{
}

} // namespace tonvex
