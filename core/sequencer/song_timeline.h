#pragma once

#include <memory>
#include <vector>

#include "smf_song.h"

namespace tonvex {

// A song's playable messages merged in play order: made once when a song is loaded and
// shared by every cursor that plays it.
class SongTimeline {
public:
    explicit SongTimeline(std::shared_ptr<const SmfSong> song);

    const SmfSong& song() const { return *m_song; }
    const std::vector<PlayableEvent>& events() const { return m_events; }

private:
    std::shared_ptr<const SmfSong> m_song;
    std::vector<PlayableEvent> m_events;
};

} // namespace tonvex
